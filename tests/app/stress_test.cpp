// The stress run: two passes over a tree of valid and damaged pictures of
// every format, zero-length files, files deleted during the walk and a link
// that loops back, with short display times and the error box answered by
// the test. Size: VR_STRESS_FILES (a few hundred by default).
#include <doctest/doctest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "support/app_fixture.h"

using namespace vr;
using namespace vr::test;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFileBytes(const std::string& Path) {
  Bytes data;
  HANDLE file = CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return data;
  LARGE_INTEGER size;
  GetFileSizeEx(file, &size);
  data.resize(static_cast<size_t>(size.QuadPart));
  DWORD got = 0;
  if (!data.empty()) ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
  CloseHandle(file);
  data.resize(got);
  return data;
}

void WriteFileBytes(const std::string& Path, const Bytes& Data) {
  HANDLE file = CreateFileA(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD put = 0;
  if (!Data.empty()) WriteFile(file, Data.data(), static_cast<DWORD>(Data.size()), &put, nullptr);
  CloseHandle(file);
}

uint64_t Checksum(const Bytes& Data) {  // FNV-1a
  uint64_t h = 1469598103934665603ull;
  for (uint8_t b : Data) h = (h ^ b) * 1099511628211ull;
  return h;
}

// A small deterministic generator, so every run damages the same bytes.
struct TRandom {
  uint64_t State;
  uint32_t Next() {
    State = State * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(State >> 33);
  }
  size_t Below(size_t N) { return N == 0 ? 0 : Next() % N; }
};

SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  // Wine leaves PrivateUsage at 0; PagefileUsage counts the same committed bytes.
  return std::max(counters.PrivateUsage, counters.PagefileUsage);
}

std::string Env(const char* Name, const char* Default) {
  const char* v = std::getenv(Name);
  return v != nullptr && *v != '\0' ? v : Default;
}

}  // namespace

TEST_CASE("stress: two passes over valid, damaged, empty and vanishing files") {
  const std::string walkTree = Env("VR_WALK_TREE", "");
  const std::string samples = Env("VR_SAMPLES", "");
  REQUIRE(!walkTree.empty());
  REQUIRE(!samples.empty());
  const int target = std::atoi(Env("VR_STRESS_FILES", "300").c_str());
  const std::string root = walkTree + "\\stress";
  const std::string gen = root + "\\gen";
  RemoveTree(gen);
  CreateDirectoryA(gen.c_str(), nullptr);

  // The valid pictures of every format are our samples.
  std::vector<std::pair<std::string, Bytes>> valid;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((samples + "\\*.*").c_str(), &entry);
  REQUIRE(find != INVALID_HANDLE_VALUE);
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      valid.emplace_back(entry.cFileName, ReadFileBytes(samples + "\\" + entry.cFileName));
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  REQUIRE(valid.size() >= 4);

  // Folders of files: copies of the valid ones, damaged ones, empty ones and
  // ones that will be deleted while the run is under way.
  TRandom random{12345};
  std::map<std::string, uint64_t> sums;  // every file that stays, with its checksum
  std::set<std::string> suspects;       // files whose load may fail
  std::vector<std::string> doomed;       // deleted during the first pass
  int made = 0;
  for (int folder = 0; made < target; ++folder) {
    const std::string dir = gen + "\\F" + std::to_string(folder);
    CreateDirectoryA(dir.c_str(), nullptr);
    for (int i = 0; i < 40 && made < target; ++i, ++made) {
      const auto& [name, bytes] = valid[random.Below(valid.size())];
      const std::string ext = name.substr(name.rfind('.'));
      std::string path;
      Bytes data = bytes;
      switch (random.Below(8)) {
        case 0:  // cut short
          data.resize(random.Below(data.size()));
          path = dir + "\\cut" + std::to_string(i) + ext;
          suspects.insert(path);
          break;
        case 1:  // bytes flipped after the signature
          for (int k = 0; k < 8 && data.size() > 16; ++k) data[16 + random.Below(data.size() - 16)] ^= 0xFF;
          path = dir + "\\flip" + std::to_string(i) + ext;
          suspects.insert(path);
          break;
        case 2:  // empty
          data.clear();
          path = dir + "\\empty" + std::to_string(i) + ext;
          suspects.insert(path);
          break;
        case 3:  // gone before the walk reaches it (the last names of the folder)
          path = dir + "\\zz_gone" + std::to_string(i) + ext;
          doomed.push_back(path);
          break;
        default:
          path = dir + "\\ok" + std::to_string(i) + ext;
          break;
      }
      WriteFileBytes(path, data);
      if (path.find("zz_gone") == std::string::npos) sums[path] = Checksum(data);
    }
  }

  TMainWindowFixture app;
  TForm1& f = app.Form();
  for (TCheckBox* box : {f.CheckBoxIco1, f.CheckBoxWmf1, f.CheckBoxEmf1})
    if (!box->Checked()) TMainWindowFixture::Click(box);
  f.SpinEditLoop1->SetValue(2);
  f.SpinEditFast1->SetValue(10);

  // Watch every wait: the log of each pass, the error boxes per pass, and
  // the peak memory of each pass with the picture shown then. Animations run
  // in real time, so memory at one moment depends on the machine's pace;
  // the peaks of two passes over the same files do not.
  std::map<int, std::vector<std::string>> logs;
  std::map<int, size_t> boxesAtStart;
  std::map<int, SIZE_T> peak;
  std::map<int, std::string> peakAt;
  int pass = 0;
  std::function<void()> watch = [&] {
    const std::string caption = f.Labelloop1->Caption();
    int now = caption == " Loop: 1" ? 1 : caption == " Loop: 2" ? 2 : 0;
    if (now != pass) {
      pass = now;
      boxesAtStart[pass] = app.Boxes.size();
    }
    if (pass != 0) {
      logs[pass] = app.LogLines();
      const SIZE_T memory = PrivateBytes();
      if (memory > peak[pass]) peak[pass] = memory, peakAt[pass] = f.StatusBar2->SimpleText();
    }
    // Files vanish while the first pass runs, before the walk gets to them.
    if (pass == 1 && !doomed.empty()) {
      DeleteFileA(doomed.back().c_str());
      doomed.pop_back();
    }
    app.Clock.After(7, watch);
  };
  app.Clock.After(7, watch);
  f.DirectoryListBox1->SetDirectory(root);
  TMainWindowFixture::Click(f.SpeedButtonGo1);
  for (const std::string& path : doomed) DeleteFileA(path.c_str());

  // Both passes finished.
  std::vector<std::string> last = app.LogLines();
  REQUIRE_FALSE(last.empty());
  CHECK(last.back().rfind("Found: ", 0) == 0);
  CHECK(last.back().find(" Loops: 2") != std::string::npos);
  REQUIRE(logs.count(1) == 1);
  REQUIRE(logs.count(2) == 1);

  // Every failed load is logged once a pass, and only damaged or empty files fail.
  for (int p = 1; p <= 2; ++p) {
    std::map<std::string, int> bad;
    for (const std::string& line : logs[p])
      if (line.rfind("++++ Bad Image File: ", 0) == 0) ++bad[line.substr(21)];
    CHECK(!bad.empty());
    for (const auto& [path, count] : bad) {
      CHECK_MESSAGE(count == 1, path);
      bool expected = false;
      for (const std::string& s : suspects)
        if (AsciiUpperCase(s) == path) expected = true;
      if (path.find("CYCLE") != std::string::npos || path.find("ZZ_GONE") != std::string::npos) expected = true;
      CHECK_MESSAGE(expected, "a valid picture failed to load: " << path);
    }
  }
  // Errors raised while drawing reach the box at most once per file per pass.
  for (int p = 1; p <= 2; ++p) {
    size_t end = p == 1 ? boxesAtStart[2] : app.Boxes.size();
    CHECK(end - boxesAtStart[p] <= suspects.size());
  }
  // No file was changed.
  for (const auto& [path, sum] : sums) CHECK_MESSAGE(Checksum(ReadFileBytes(path)) == sum, path);
  // The second pass did not grow the memory (a little slack for the heap).
  CHECK(peak[1] > 0);
  CHECK_MESSAGE(peak[2] <= peak[1] + 16 * 1024 * 1024, "peak private bytes of pass 1: " << peak[1] << " (" << peakAt[1]
                                                           << "), of pass 2: " << peak[2] << " (" << peakAt[2] << ")");
  MESSAGE("files: " << made << ", peak private bytes of pass 1: " << peak[1] << ", of pass 2: " << peak[2]
                    << ", error boxes: " << app.Boxes.size());
  RemoveTree(gen);
}
