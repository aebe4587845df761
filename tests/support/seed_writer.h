// Writes the files of a fuzz seed corpus: seed generator OUT_DIR.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

// Little-endian byte building.
struct Bytes {
  std::vector<uint8_t> v;
  Bytes& u8(uint8_t x) { v.push_back(x); return *this; }
  Bytes& u16(uint16_t x) { u8(uint8_t(x)); return u8(uint8_t(x >> 8)); }
  Bytes& u32(uint32_t x) { u16(uint16_t(x)); return u16(uint16_t(x >> 16)); }
  Bytes& fill(size_t n, uint8_t x) { v.insert(v.end(), n, x); return *this; }
  Bytes& add(const std::vector<uint8_t>& b) { v.insert(v.end(), b.begin(), b.end()); return *this; }
};

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
