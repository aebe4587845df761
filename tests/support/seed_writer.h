// Writes the files of a fuzz seed corpus: seed generator OUT_DIR.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/byte_writer.h"

namespace seeds {

inline std::string& Folder() {
  static std::string folder;
  return folder;
}

// Takes the output folder from the command line (it must exist).
inline void Start(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT_DIR\n", argv[0]);
    std::exit(2);
  }
  Folder() = argv[1];
}

using Bytes = vr::test::TByteWriter;

inline void Write(const std::string& Name, const std::vector<uint8_t>& Data) {
  const std::string path = Folder() + "/" + Name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(Data.data(), 1, Data.size(), f) != Data.size()) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  std::fclose(f);
}

}  // namespace seeds
