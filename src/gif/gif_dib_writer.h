// Builds a device-independent bitmap (8 or 24 bits per pixel) row by row.
// Pure C++: the pixel memory comes from an allocator, which the GDI side
// implements with a DIB section and native code with a plain buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gif/gif_color_map.h"
#include "pictures/dib.h"

namespace vr {

// Where the pixels of a DIB live.
class TDIBAllocator {
 public:
  virtual ~TDIBAllocator() = default;
  // Memory for Height rows of Stride bytes for the DIB that Header describes
  // (a 40-byte bitmap information header, followed for 8 bits by 256 colour
  // entries blue, green, red, 0). Answers the address of the row stored
  // first, or null when there is no memory.
  virtual uint8_t* AllocatePixels(const std::vector<uint8_t>& Header, size_t Stride, int Height) = 0;
};

// An allocator over an owned, zero-filled buffer.
class TMemoryDIB : public TDIBAllocator {
 public:
  uint8_t* AllocatePixels(const std::vector<uint8_t>& NewHeader, size_t NewStride, int NewHeight) override;

  std::vector<uint8_t> Header;
  std::vector<uint8_t> Pixels;
  size_t Stride = 0;
  int Height = 0;
};

// The bitmap information header (and colour table for 8 bits). A positive
// height stores rows bottom-up, TopDown stores them top-down.
std::vector<uint8_t> MakeDIBHeader(int Width, int Height, int BitsPerPixel, bool TopDown,
                                   const std::vector<TGIFRGB>& Palette);

class TDIBWriter {
 public:
  // Accepts 8 and 24 bits per pixel only ("Unsupported PixelFormat") and a
  // positive size ("Invalid image dimensions").
  TDIBWriter(TDIBAllocator& Allocator, std::vector<TGIFRGB> Palette, int Width, int Height,
             int BitsPerPixel, bool TopDown = false);
  TDIBWriter(const TDIBWriter&) = delete;
  TDIBWriter& operator=(const TDIBWriter&) = delete;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int BitsPerPixel() const { return FBits; }
  bool TopDown() const { return FTopDown; }
  size_t Stride() const { return FStride; }

  // Row Row of the picture (0 = top). The first call makes the header and
  // gets the pixel memory ("Failed to allocate memory for GIF DIB"); a row
  // outside the picture is EInvalidGraphicOperation "Scan line index out of
  // range".
  uint8_t* ScanLine(int Row);
  // Done writing; later ScanLine calls fail with "Image has no DIB".
  void Release() {
    FPixels = nullptr;
    FReleased = true;
  }

 private:
  TDIBAllocator& FAllocator;
  std::vector<TGIFRGB> FPalette;
  int FWidth;
  int FHeight;
  int FBits;
  bool FTopDown;
  size_t FStride = 0;
  uint8_t* FPixels = nullptr;
  bool FReleased = false;
};

}  // namespace vr
