// Builds the byte sequences of the files tests make, field by field:
// little-endian (bitmaps, icons, metafiles, sounds) or big-endian values,
// runs of one byte, tags and other blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/byte_order.h"

namespace vr::test {

struct TByteWriter {
  std::vector<uint8_t> v;
  TByteWriter& u8(uint8_t x) {
    v.push_back(x);
    return *this;
  }
  TByteWriter& u16(uint16_t x) { return Store<PutU16LE>(x); }
  TByteWriter& u32(uint32_t x) { return Store<PutU32LE>(x); }
  TByteWriter& u16be(uint16_t x) { return Store<PutU16BE>(x); }
  TByteWriter& u32be(uint32_t x) { return Store<PutU32BE>(x); }
  TByteWriter& fill(size_t n, uint8_t x) {
    v.insert(v.end(), n, x);
    return *this;
  }
  TByteWriter& add(const std::vector<uint8_t>& b) {
    v.insert(v.end(), b.begin(), b.end());
    return *this;
  }
  // The characters of Text, without a terminator (a chunk type, "RIFF").
  TByteWriter& tag(std::string_view Text) { return Append(reinterpret_cast<const uint8_t*>(Text.data()), Text.size()); }

 private:
  template <auto Put, typename T>
  TByteWriter& Store(T x) {
    uint8_t b[sizeof(T)];
    Put(b, x);
    return Append(b, sizeof b);
  }
  // Byte by byte: GCC 12 sees overflows that are not there in a range insert
  // inlined into long chains of calls.
  TByteWriter& Append(const uint8_t* b, size_t n) {
    for (size_t i = 0; i < n; ++i) v.push_back(b[i]);
    return *this;
  }
};

// A 32-bit little-endian field of bytes already built, read or changed in
// place (a size patched after the records are written); out of range throws.
inline uint32_t GetU32LEAt(const std::vector<uint8_t>& Bytes, size_t At) {
  (void)Bytes.at(At + 3);
  return GetU32LE(Bytes.data() + At);
}
inline void PutU32LEAt(std::vector<uint8_t>& Bytes, size_t At, uint32_t Value) {
  (void)Bytes.at(At + 3);
  PutU32LE(Bytes.data() + At, Value);
}

}  // namespace vr::test
