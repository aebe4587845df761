// The memory a PNG image is decoded into, in the layout of a device-independent
// bitmap: rows bottom-up (image row y at Bits + RowStride * (Height - 1 - y)),
// each padded to 4 bytes, holding palette or gray indices (1, 4 or 8 bits per
// pixel) or blue-green-red bytes (24 bits); a colour table of 256 plain RGB
// quads travels alongside in TPNGBitmapInfo.
//
// The header chunk asks an allocator for the store. Native builds use
// TPNGMemoryPixelAllocator; the Windows side hands in an allocator that makes a
// DIB section from the same bitmap info (the info block is laid out exactly
// like the system's bitmap info header plus colour table).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "pictures/dib.h"

namespace vr {

// Laid out as the system's BITMAPINFO with 256 colours.
struct TPNGBitmapInfo {
  TBitmapInfoHeader Header;
  TRGBQuad Colors[256];
};
static_assert(sizeof(TPNGBitmapInfo) == 1064, "bitmap info block must stay 1064 bytes");

// What the header chunk asks for. RowStride * Height bytes are needed.
struct TPNGPixelRequest {
  const TPNGBitmapInfo* Info;  // header filled, colour table zero
  uint32_t Width;
  uint32_t Height;
  uint16_t BitCount;     // 1, 4, 8 or 24
  uint32_t PaletteSize;  // colour-table entries: 2^BitCount, or 0 for 24 bits
  size_t RowStride;      // DibRowStride(Width, BitCount)
  size_t ByteCount;      // RowStride * Height (never 0)
};

// One allocated pixel store; frees its memory (or its bitmap) when destroyed.
class TPNGPixelStore {
 public:
  virtual ~TPNGPixelStore() = default;
  // First byte of the lowest row in memory (image row Height - 1).
  virtual uint8_t* Bits() = 0;
};

class IPNGPixelAllocator {
 public:
  virtual ~IPNGPixelAllocator() = default;
  // Returns a store of at least Request.ByteCount bytes, or null when it
  // cannot (the load then fails with EPNGOutMemory). The content need not be
  // zeroed: the caller clears it.
  virtual std::unique_ptr<TPNGPixelStore> AllocatePixels(const TPNGPixelRequest& Request) = 0;
};

// Plain heap memory; the default allocator.
class TPNGMemoryPixelAllocator : public IPNGPixelAllocator {
 public:
  std::unique_ptr<TPNGPixelStore> AllocatePixels(const TPNGPixelRequest& Request) override;
  static TPNGMemoryPixelAllocator& Instance();
};

}  // namespace vr
