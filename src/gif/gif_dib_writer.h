// Builds a device-independent bitmap (8 or 24 bits per pixel) row by row.
// Pure C++: the pixel memory comes from a pixel sink (the GDI side lends a
// bitmap's DIB section, native code a plain buffer) and must read zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gif/gif_color_map.h"
#include "pictures/dib.h"

namespace vr {

// The bitmap description (and colour table of 256 entries for 8 bits, the
// palette's first, the rest black). A positive height stores rows bottom-up,
// TopDown stores them top-down.
TDibInfo MakeDIBInfo(int Width, int Height, int BitsPerPixel, bool TopDown, const std::vector<TGIFRGB>& Palette);

class TDIBWriter {
 public:
  // Accepts 8 and 24 bits per pixel only ("Unsupported PixelFormat") and a
  // positive size ("Invalid image dimensions").
  TDIBWriter(IPixelSink& Sink, std::vector<TGIFRGB> Palette, int Width, int Height,
             int BitsPerPixel, bool TopDown = false);
  TDIBWriter(const TDIBWriter&) = delete;
  TDIBWriter& operator=(const TDIBWriter&) = delete;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int BitsPerPixel() const { return FBits; }
  bool TopDown() const { return FTopDown; }
  size_t Stride() const { return FStride; }

  // Row Row of the picture (0 = top). The first call asks the sink for the
  // pixel memory ("Failed to allocate memory for GIF DIB"); a row
  // outside the picture is EInvalidGraphicOperation "Scan line index out of
  // range".
  uint8_t* ScanLine(int Row);
  // Done writing; later ScanLine calls fail with "Image has no DIB".
  void Release() {
    FPixels = {};
    FReleased = true;
  }

 private:
  IPixelSink& FSink;
  std::vector<TGIFRGB> FPalette;
  int FWidth;
  int FHeight;
  int FBits;
  bool FTopDown;
  size_t FStride = 0;
  TPixelMemory FPixels;
  bool FReleased = false;
};

}  // namespace vr
