// The chunk checksum (CRC-32 of ISO 3309 / ITU-T V.42, reflected polynomial
// 0xEDB88320, computed by libdeflate).
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

}  // namespace vr
