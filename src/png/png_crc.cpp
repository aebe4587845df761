#include "png/png_crc.h"

#include <array>

namespace vr {

namespace {

std::array<uint32_t, 256> BuildCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

}  // namespace

uint32_t UpdateChunkCrc(uint32_t Crc, const void* Data, size_t Size) {
  // Built the first time a CRC is run.
  static const std::array<uint32_t, 256> CrcTable = BuildCrcTable();
  const uint8_t* p = static_cast<const uint8_t*>(Data);
  for (size_t i = 0; i < Size; ++i) Crc = CrcTable[(Crc ^ p[i]) & 0xFF] ^ (Crc >> 8);
  return Crc;
}

uint32_t ChunkCrc(const void* Type, const void* Data, size_t Size) {
  return ~UpdateChunkCrc(UpdateChunkCrc(0xFFFFFFFFu, Type, 4), Data, Size);
}

}  // namespace vr
