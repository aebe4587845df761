// Builds little-endian byte sequences for the files tests make.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vr::test {

struct Bytes {
  std::vector<uint8_t> v;
  Bytes& u8(uint8_t x) {
    v.push_back(x);
    return *this;
  }
  Bytes& u16(uint16_t x) { return u8(uint8_t(x)).u8(uint8_t(x >> 8)); }
  Bytes& u32(uint32_t x) { return u16(uint16_t(x)).u16(uint16_t(x >> 16)); }
  Bytes& fill(size_t n, uint8_t x) {
    v.insert(v.end(), n, x);
    return *this;
  }
};

}  // namespace vr::test
