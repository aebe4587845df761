// The regression files of a subsystem (tests/<subsystem>/regressions: inputs
// that once broke a reader or its fuzz target, or that stand for a fault a
// reader guards against), for the native tests that replay them.
//
// A file is named DEFECT.OUTCOME.EXT, OUTCOME being what the reader must make
// of it: "loads", or the class of the error it must raise
// ("lzw-table-chained-into-a-loop.GIFException.gif").
#pragma once

#include <doctest/doctest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace regressions {

// The outcome of a file that must go through without an error.
inline constexpr const char kLoads[] = "loads";

struct File {
  std::string Name;
  std::string Extension;  // with its dot, as stored
  std::string Expected;   // "loads" or an error class; empty when the name gives none
  std::vector<uint8_t> Bytes;
};

// Every file of Folder (none when it does not exist), in name order.
inline std::vector<File> Load(const std::filesystem::path& Folder) {
  std::vector<File> files;
  if (!std::filesystem::is_directory(Folder)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(Folder)) {
    const std::filesystem::path& path = entry.path();
    std::ifstream in(path, std::ios::binary);
    files.push_back({path.filename().string(), path.extension().string(),
                     path.stem().extension().string(),
                     std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())});
    if (!files.back().Expected.empty()) files.back().Expected.erase(0, 1);  // the dot
  }
  std::sort(files.begin(), files.end(), [](const File& a, const File& b) { return a.Name < b.Name; });
  return files;
}

// Replays every file of Folder through Exercise, which answers the class of
// the first error the reader raised, or an empty string when there was none.
// A folder that is missing or holds no file fails, as does a file whose name
// gives no outcome.
template <class TExercise>
void Replay(const std::filesystem::path& Folder, TExercise Exercise) {
  INFO("regression folder: ", Folder.string());
  REQUIRE(std::filesystem::is_directory(Folder));
  const std::vector<File> files = Load(Folder);
  REQUIRE_FALSE(files.empty());
  for (const File& file : files) {
    CAPTURE(file.Name);
    REQUIRE_FALSE(file.Expected.empty());
    const std::string outcome = Exercise(file);
    CHECK((outcome.empty() ? std::string(kLoads) : outcome) == file.Expected);
  }
}

}  // namespace regressions
