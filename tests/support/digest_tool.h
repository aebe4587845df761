// The frame of the digest tools (gif_digest, png_digest): one line a file of
// a folder, in name order, saying what a reader made of it, so that two
// builds of the reader that print the same lines decode those files alike:
//   TOOL FOLDER > before.txt   ...   TOOL FOLDER > after.txt; diff the two
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/exceptions.h"

namespace vr::test {

inline constexpr uint64_t kFnv1aBasis = 14695981039346656037ull;

// Hash carries on over Size bytes (start from kFnv1aBasis).
inline uint64_t Fnv1a(uint64_t Hash, const uint8_t* Bytes, size_t Size) {
  for (size_t i = 0; i < Size; ++i) Hash = (Hash ^ Bytes[i]) * 1099511628211ull;
  return Hash;
}

// The error a load raised, with its class: "EPNGError \"...\"".
inline std::string DescribeError(const std::exception& Error) {
  if (auto* ours = dynamic_cast<const Exception*>(&Error))
    return std::string(ours->ClassName()) + " \"" + ours->Message() + "\"";
  return std::string("std::exception \"") + Error.what() + "\"";
}

// The tool's main: Digest(file bytes) for every file of the folder argv[1].
inline int PrintDigests(int argc, char** argv, const char* Tool, std::string (*Digest)(const std::vector<uint8_t>&)) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", Tool);
    return 2;
  }
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& path : files) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::printf("%s: %s\n", path.filename().c_str(), Digest(bytes).c_str());
  }
  return 0;
}

}  // namespace vr::test
