// A frame as the system draws it: its bitmap (8 bits with the frame's
// palette, or dithered to the colour cube on palette displays), its
// transparency mask and palette, and drawing it scaled, tiled and
// transparent.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "gif/gif_color_map.h"
#include "gif/gif_frame_render.h"
#include "gif/gif_image_core.h"
#include "pictures/bitmap.h"
#include "platform/canvas.h"
#include "platform/handles.h"

namespace vr {

class TGIFImage;

// What a frame keeps for drawing; made on first use, dropped with the frame.
class TGIFFrameBitmaps : public TGIFFrameCache {
 public:
  std::unique_ptr<TBitmap> FrameBitmap;
  TBitmapHandle TransparencyMask;  // monochrome, 1 = transparent pixel
  TPaletteHandle LocalPalette;
};

// A palette of Colors (version 0300, no-collapse entries); none when empty.
TPaletteHandle MakeColorPalette(const std::vector<TGIFRGB>& Colors);
// The 216 entries of the colour cube.
TPaletteHandle MakeCubePalette();

// The image a frame belongs to.
TGIFImage& ImageOf(const TGIFSubImage& Frame);
TGIFFrameBitmaps& FrameBitmaps(TGIFSubImage& Frame);

// The frame's bitmap's palette, its cached palette, or one made now (the
// cube when dithering, the local table's, else the image's palette).
HPALETTE FramePalette(TGIFSubImage& Frame);
// The frame's bitmap, rendered on first use; none for an empty frame.
TBitmap* RenderedBitmap(TGIFSubImage& Frame);
// Whether the frame has a transparency mask, rendering it again once when
// the mask is still due.
bool MaskAvailable(TGIFSubImage& Frame);

RECT ToRECT(const TGIFRect& R);
TGIFRect ToGIFRect(const RECT& R);
// The frame's place when the logical screen is scaled into Rect.
RECT FrameRectIn(TGIFSubImage& Frame, const RECT& Rect);
// Draws the frame at its place in Rect (or, tiling, repeated from Rect's
// corner at its offset), through its mask when Transparent.
void DrawScaled(TGIFSubImage& Frame, TCanvas& Canvas, const RECT& Rect, bool Transparent, bool Tile);
void PaintAt(TGIFSubImage& Frame, TCanvas& Canvas, const RECT& Rect, bool Tile, bool Transparent);

// Calls Draw for every position of a Width x Height tile placed at (Left,
// Top) and repeated every StepX and StepY while its corner lies in Rect.
template <class F>
void ForEachTile(const RECT& Rect, int Left, int Top, int StepX, int StepY, F Draw) {
  // A screen of size 0 would never step on: one copy only.
  for (int y = Rect.top + Top; y < Rect.bottom; y += StepY) {
    for (int x = Rect.left + Left; x < Rect.right; x += StepX) {
      Draw(x, y);
      if (StepX <= 0) break;
    }
    if (StepY <= 0) break;
  }
}

}  // namespace vr
