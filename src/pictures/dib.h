// The device-independent bitmap that every picture reader builds and the
// system draws: the 40-byte info header, the colour-table entry, the bytes
// of one pixel row, and the bitmap info (header, masks, colour table) as the
// bytes the system reads, and the pixel sink through which every reader gets
// the memory of its rows. Pure C++; the GDI side turns a TDibInfo into the
// system's BITMAPINFO (bitmap_gdi.h) and lends DIB sections as sinks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vr {

inline constexpr uint32_t kDibHeaderSize = 40;
// Compression values of the header.
inline constexpr uint32_t kDibRgb = 0, kDibRle8 = 1, kDibRle4 = 2, kDibBitFields = 3;

// One colour-table entry in the order bitmaps store it (blue, green, red,
// reserved); layout-compatible with the system's RGBQUAD.
struct TRGBQuad {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};
static_assert(sizeof(TRGBQuad) == 4);

// The fields of the 40-byte info header, named and laid out as the system's
// BITMAPINFOHEADER so the GDI side can use them one to one. A positive
// height stores the rows bottom-up, a negative one top-down.
struct TBitmapInfoHeader {
  uint32_t biSize = kDibHeaderSize;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;

  bool TopDown() const { return biHeight < 0; }
};
static_assert(sizeof(TBitmapInfoHeader) == kDibHeaderSize);

// Bytes in one pixel row: Width × BitsPerPixel bits rounded up to a multiple
// of 32. 0 for a width below 1; a row too long to count in 64 bits gives the
// largest value, which every size limit refuses.
constexpr uint64_t DibRowStride(int64_t Width, uint32_t BitsPerPixel) {
  if (Width <= 0) return 0;
  uint64_t bits = 0;
  if (__builtin_mul_overflow(static_cast<uint64_t>(Width), uint64_t{BitsPerPixel}, &bits) || bits > UINT64_MAX - 31)
    return UINT64_MAX;
  return (bits + 31) / 32 * 4;
}

// The header fields from Size bytes as a file stores them (little-endian,
// the size field first). A header stored in fewer than 40 bytes gives its
// fields as far as they go, the rest 0; biSize is always 40.
TBitmapInfoHeader ReadDibHeader(const uint8_t* Data, size_t Size);
// The 40 bytes of Header, as the system and the files store it.
void WriteDibHeader(uint8_t* Out, const TBitmapInfoHeader& Header);

// A bitmap's description as the system reads it: the header, the three
// colour masks (red, green, blue) that follow it, and the colour table.
struct TDibInfo {
  TBitmapInfoHeader Header;
  std::array<uint32_t, 3> Masks{};
  // Masks follow the header although it is not bit-fields (a header of a
  // later version that carried them).
  bool HasMasks = false;
  std::vector<TRGBQuad> Colors;

  // The system reads three masks after the header of every bit-field
  // bitmap: they are always there for one, zeros when none were given.
  bool MasksFollow() const { return HasMasks || Header.biCompression == kDibBitFields; }
  // Header, masks and table, laid out as the system's BITMAPINFO.
  std::vector<uint8_t> Bytes() const;
  // Rows and bytes per row of the uncompressed pixels (0 for an empty size).
  uint64_t Rows() const;
  uint64_t Stride() const { return DibRowStride(Header.biWidth, Header.biBitCount); }
};

// The memory of a bitmap's rows, lent to a reader: Size bytes from Base, the
// row stored first at Base (the picture's bottom row for a bottom-up
// bitmap) and each next one Stride bytes on. Empty when there is none.
// A reader never writes past Size bytes.
struct TPixelMemory {
  uint8_t* Base = nullptr;
  size_t Size = 0;
  size_t Stride = 0;

  explicit operator bool() const { return Base != nullptr; }
  // Picture row Index (0 = top) of a bitmap of Rows rows stored as TopDown says.
  uint8_t* Row(size_t Index, size_t Rows, bool TopDown) const {
    return Base + (TopDown ? Index : Rows - 1 - Index) * Stride;
  }
};

// Where a reader gets the memory of the bitmap it decodes. Asked once per
// picture, before the first row is written, with the bitmap's description:
// size, bits per pixel, orientation (the sign of the height) and colour
// table. It answers memory of Info.Stride() × Info.Rows() bytes at that
// stride, filled with zeros, or empty memory when it has none or cannot give
// that layout; the reader turns empty memory into its own out-of-memory
// error. The memory stays the sink's (a DIB section, a buffer it owns): it is
// valid until the sink is asked again or destroyed, and the reader only
// writes into it.
class IPixelSink {
 public:
  virtual ~IPixelSink() = default;
  virtual TPixelMemory AllocatePixels(const TDibInfo& Info) = 0;
};

// A sink over a zero-filled buffer it owns (native builds, tests): the last
// description asked for and its pixels.
class TMemoryPixelSink final : public IPixelSink {
 public:
  TPixelMemory AllocatePixels(const TDibInfo& NewInfo) override;

  TDibInfo Info;
  std::vector<uint8_t> Pixels;
  size_t Stride = 0;
};

// A sink that lends memory its caller holds, whatever is asked.
class TLentPixelSink final : public IPixelSink {
 public:
  explicit TLentPixelSink(TPixelMemory Memory) : FMemory(Memory) {}
  TPixelMemory AllocatePixels(const TDibInfo&) override { return FMemory; }

 private:
  TPixelMemory FMemory;
};

}  // namespace vr
