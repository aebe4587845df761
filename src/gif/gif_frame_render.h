// A frame's pixels as a bitmap: its colour indices (or the dithered cube
// indices) written into an 8-bit DIB, with the transparency mask bits, and
// the frame's place inside a target rectangle.
// Pure C++: the GDI side turns the DIB and the mask bits into bitmaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gif/gif_dib_writer.h"

namespace vr {

class TGIFSubImage;

// A 1-bit mask: rows of ((Width + 15) / 16) * 2 bytes (16-bit aligned), top
// row first; bit 7 - (x mod 8) of byte x / 8 is 1 where the pixel is
// transparent. The layout of a monochrome device bitmap.
struct TGIFMaskBits {
  int Width = 0;
  int Height = 0;
  size_t Stride = 0;
  std::vector<uint8_t> Bits;
  bool Used = false;  // at least one bit is set: the frame has a mask

  bool Transparent(int X, int Y) const {
    return (Bits[static_cast<size_t>(Y) * Stride + static_cast<size_t>(X) / 8] >> (7 - X % 8)) & 1;
  }
};

// Writes a non-empty frame into an 8-bit DIB whose memory Sink lends.
// Plain: the frame's indices unchanged, with the frame's palette (which may
// fail with "No global or local color table defined"). Dithered: the colours
// of the frame's active table diffused onto the 216-colour cube.
// With BuildMask, a transparent frame's pixels of the control extension's
// transparent index are gathered into the mask (and, dithered, filled with
// the cube entry nearest the transparent colour instead of taking part).
// The caller decides when a mask is due and clears MaskPending.
// Reports "Rendering..." progress every 32 rows.
TGIFMaskBits RenderFramePixels(const TGIFSubImage& Frame, IPixelSink& Sink, bool Dither,
                               bool BuildMask, bool TopDown = false);

struct TGIFRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const TGIFRect&, const TGIFRect&) = default;
};

// The frame's rectangle when the logical screen is scaled into Rect; each
// edge rounded to nearest. An axis of a zero-size screen spans Rect.
TGIFRect FrameRectIn(const TGIFSubImage& Frame, const TGIFRect& Rect);

}  // namespace vr
