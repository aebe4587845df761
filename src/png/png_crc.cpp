#include "png/png_crc.h"

#include <libdeflate.h>

namespace vr {

uint32_t UpdateChunkCrc(uint32_t Crc, const void* Data, size_t Size) {
  // libdeflate's crc32 runs the same register many bytes at a time (with
  // carry-less multiplication where the processor has it); it takes and
  // gives the register complemented, and answers its start value for no
  // data.
  if (Size == 0) return Crc;
  return ~libdeflate_crc32(~Crc, Data, Size);
}

uint32_t ChunkCrc(const void* Type, const void* Data, size_t Size) {
  return ~UpdateChunkCrc(UpdateChunkCrc(0xFFFFFFFFu, Type, 4), Data, Size);
}

}  // namespace vr
