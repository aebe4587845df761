// The chunk checksum (CRC-32 of ISO 3309 / ITU-T V.42, reflected polynomial
// 0xEDB88320, computed by libdeflate) and big-endian helpers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vr {

// Runs the register over Size bytes. A chunk CRC starts the register at
// 0xFFFFFFFF, runs over the four type bytes and then the data, and is the
// complement of the result.
uint32_t UpdateChunkCrc(uint32_t Crc, const void* Data, size_t Size);

// The stored form of a chunk's CRC over Type (4 bytes) and Data.
uint32_t ChunkCrc(const void* Type, const void* Data, size_t Size);

// Whether a stored CRC is to be compared at all: fuzz builds (VR_FUZZING)
// switch the comparison off so that mutated inputs reach the decoders.
constexpr bool ChunkCrcChecked() {
#if defined(VR_FUZZING)
  return false;
#else
  return true;
#endif
}

constexpr uint32_t SwapBytes32(uint32_t Value) {
  return (Value >> 24) | ((Value >> 8) & 0xFF00u) | ((Value << 8) & 0xFF0000u) | (Value << 24);
}
constexpr uint16_t SwapBytes16(uint16_t Value) { return static_cast<uint16_t>((Value >> 8) | (Value << 8)); }

// Big-endian fields read from and written to byte buffers.
inline uint32_t ReadBE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}
inline uint16_t ReadBE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline void WriteBE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

}  // namespace vr
