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

namespace vr {

struct TPNGBitmapInfoHeader {
  uint32_t Size;  // 40
  int32_t Width;
  int32_t Height;  // positive: rows bottom-up
  uint16_t Planes;
  uint16_t BitCount;
  uint32_t Compression;
  uint32_t SizeImage;
  int32_t XPelsPerMeter;
  int32_t YPelsPerMeter;
  uint32_t ColorsUsed;
  uint32_t ColorsImportant;
};
static_assert(sizeof(TPNGBitmapInfoHeader) == 40, "bitmap info header must stay 40 bytes");

struct TPNGRGBQuad {
  uint8_t Blue;
  uint8_t Green;
  uint8_t Red;
  uint8_t Reserved;
};

struct TPNGBitmapInfo {
  TPNGBitmapInfoHeader Header;
  TPNGRGBQuad Colors[256];
};
static_assert(sizeof(TPNGBitmapInfo) == 1064, "bitmap info block must stay 1064 bytes");

// Bytes of one bitmap row: ((bits per pixel * width + 31) div 32) * 4.
constexpr uint64_t DibRowStride(uint32_t BitCount, uint32_t Width) {
  return (static_cast<uint64_t>(BitCount) * Width + 31) / 32 * 4;
}

// What the header chunk asks for. RowStride * Height bytes are needed.
struct TPNGPixelRequest {
  const TPNGBitmapInfo* Info;  // header filled, colour table zero
  uint32_t Width;
  uint32_t Height;
  uint16_t BitCount;     // 1, 4, 8 or 24
  uint32_t PaletteSize;  // colour-table entries: 2^BitCount, or 0 for 24 bits
  size_t RowStride;      // DibRowStride(BitCount, Width)
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
