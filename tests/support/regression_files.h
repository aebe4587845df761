// The regression files of a subsystem (tests/<subsystem>/regressions: inputs
// that once broke a reader or its fuzz target, named after the fault), for
// the native tests that replay them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace regressions {

struct File {
  std::string Name;
  std::string Extension;  // with its dot, as stored
  std::vector<uint8_t> Bytes;
};

// Every file of Folder (none when it does not exist), in name order.
inline std::vector<File> Load(const std::filesystem::path& Folder) {
  std::vector<File> files;
  if (!std::filesystem::is_directory(Folder)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(Folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    files.push_back({entry.path().filename().string(), entry.path().extension().string(),
                     std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())});
  }
  std::sort(files.begin(), files.end(), [](const File& a, const File& b) { return a.Name < b.Name; });
  return files;
}

}  // namespace regressions
