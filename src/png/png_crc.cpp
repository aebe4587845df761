#include "png/png_crc.h"

#include <zlib.h>

namespace vr {

uint32_t UpdateChunkCrc(uint32_t Crc, const void* Data, size_t Size) {
  // zlib's crc32 runs the same register several bytes at a time; it takes
  // and gives the register complemented.
  const Bytef* p = static_cast<const Bytef*>(Data);
  uLong register_ = ~Crc & 0xFFFFFFFFu;
  while (Size > 0) {
    const uInt piece = Size > 0x40000000u ? 0x40000000u : static_cast<uInt>(Size);
    register_ = crc32(register_, p, piece);
    p += piece;
    Size -= piece;
  }
  return ~static_cast<uint32_t>(register_);
}

uint32_t ChunkCrc(const void* Type, const void* Data, size_t Size) {
  return ~UpdateChunkCrc(UpdateChunkCrc(0xFFFFFFFFu, Type, 4), Data, Size);
}

}  // namespace vr
