#include "gif/gif_frame_bitmap_win.h"


#include "gif/gif_dither.h"
#include "gif/gif_image_win.h"
#include "pictures/bitmap_gdi.h"
#include "pictures/graphic_errors.h"

namespace vr {

namespace {

TPaletteHandle MakePalette(const std::vector<TGIFRGB>& Colors, BYTE Flags) {
  if (Colors.empty()) return {};
  const size_t n = std::min<size_t>(Colors.size(), 256);
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
  auto* pal = reinterpret_cast<LOGPALETTE*>(block.data());
  pal->palVersion = 0x300;
  pal->palNumEntries = static_cast<WORD>(n);
  for (size_t i = 0; i < n; ++i)
    pal->palPalEntry[i] = PALETTEENTRY{Colors[i].Red, Colors[i].Green, Colors[i].Blue, Flags};
  return TPaletteHandle(CreatePalette(pal));
}

void Progress(TGIFImage& Image, TGIFProgressStage Stage, int Percent) {
  Image.GIFProgress(Stage, Percent, false, sGIFRendering);
}

}  // namespace

TPaletteHandle MakeColorPalette(const std::vector<TGIFRGB>& Colors) { return MakePalette(Colors, PC_NOCOLLAPSE); }

TPaletteHandle MakeCubePalette() { return MakePalette(CubePalette(), 0); }

TGIFImage& ImageOf(const TGIFSubImage& Frame) {
  auto* image = dynamic_cast<TGIFImage*>(Frame.Image());
  if (image == nullptr) throw GIFException(sGIFNoDIB);  // a frame outside any drawable image
  return *image;
}

TGIFFrameBitmaps& FrameBitmaps(TGIFSubImage& Frame) {
  if (auto* cache = dynamic_cast<TGIFFrameBitmaps*>(Frame.RenderCache.get())) return *cache;
  Frame.RenderCache = std::make_unique<TGIFFrameBitmaps>();
  return static_cast<TGIFFrameBitmaps&>(*Frame.RenderCache);
}

HPALETTE FramePalette(TGIFSubImage& Frame) {
  TGIFFrameBitmaps& cache = FrameBitmaps(Frame);
  if (cache.FrameBitmap)
    if (HPALETTE own = cache.FrameBitmap->PaletteHandle()) return own;
  if (cache.LocalPalette) return cache.LocalPalette.Get();
  TGIFImage& image = ImageOf(Frame);
  if (image.ShouldDither()) {
    cache.LocalPalette = MakeCubePalette();
  } else if (Frame.ColorMap.Empty()) {
    // Not cached: the image's palette belongs to the image.
    return image.PaletteHandle();
  } else {
    cache.LocalPalette = MakeColorPalette(Frame.ColorMap.Entries());
  }
  return cache.LocalPalette.Get();
}

TBitmap* RenderedBitmap(TGIFSubImage& Frame) {
  TGIFFrameBitmaps& cache = FrameBitmaps(Frame);
  if (cache.FrameBitmap) return cache.FrameBitmap.get();
  if (Frame.Empty()) return nullptr;
  TGIFImage& image = ImageOf(Frame);
  try {
    Progress(image, TGIFProgressStage::psStarting, 0);
    try {
      auto bitmap = std::make_unique<TBitmap>();
      const bool buildMask = Frame.MaskPending && Frame.IsTransparent && !cache.TransparencyMask;
      Frame.MaskPending = false;
      bitmap_gdi::TBitmapPixelSink sink(*bitmap);
      const TGIFMaskBits mask = RenderFramePixels(Frame, sink, image.ShouldDither(), buildMask);
      if (mask.Used) {
        cache.TransparencyMask.Reset(CreateBitmap(mask.Width, mask.Height, 1, 1, mask.Bits.data()));
        if (!cache.TransparencyMask) RaiseOutOfResources();
      }
      cache.FrameBitmap = std::move(bitmap);
    } catch (...) {
      Progress(image, TGIFProgressStage::psEnding, 0);
      throw;
    }
    Progress(image, TGIFProgressStage::psEnding, 100);
    if (image.PaletteModified()) image.NotifyChange(&image);
  } catch (const EAbort&) {
    // A progress handler stopped the rendering: the frame stays without a
    // bitmap (and draws nothing) until it is asked for again.
  }
  return cache.FrameBitmap.get();
}

bool MaskAvailable(TGIFSubImage& Frame) {
  TGIFFrameBitmaps& cache = FrameBitmaps(Frame);
  if (Frame.MaskPending && Frame.IsTransparent) {
    // The mask is made together with the bitmap.
    cache.FrameBitmap.reset();
    RenderedBitmap(Frame);
  }
  return static_cast<bool>(cache.TransparencyMask);
}

RECT ToRECT(const TGIFRect& R) { return RECT{R.Left, R.Top, R.Right, R.Bottom}; }

TGIFRect ToGIFRect(const RECT& R) { return TGIFRect{R.left, R.top, R.right, R.bottom}; }

RECT FrameRectIn(TGIFSubImage& Frame, const RECT& Rect) {
  return ToRECT(FrameRectIn(static_cast<const TGIFSubImage&>(Frame), ToGIFRect(Rect)));
}

void DrawScaled(TGIFSubImage& Frame, TCanvas& Canvas, const RECT& Rect, bool Transparent, bool Tile) {
  PaintAt(Frame, Canvas, Tile ? Rect : FrameRectIn(Frame, Rect), Tile, Transparent);
}

void PaintAt(TGIFSubImage& Frame, TCanvas& Canvas, const RECT& Rect, bool Tile, bool Transparent) {
  const bool masked = Transparent && Frame.IsTransparent && MaskAvailable(Frame);
  TBitmap* bitmap = RenderedBitmap(Frame);
  if (bitmap == nullptr) return;
  const TGIFImage& image = ImageOf(Frame);
  const int width = Frame.Width, height = Frame.Height;
  auto eachPlace = [&](auto Draw) {
    if (Tile)
      ForEachTile(Rect, Frame.Left, Frame.Top, image.ScreenWidth(), image.ScreenHeight(),
                  [&](int x, int y) { Draw(RECT{x, y, x + width, y + height}); });
    else
      Draw(Rect);
  };
  if (masked) {
    HBITMAP mask = FrameBitmaps(Frame).TransparencyMask.Get();
    HPALETTE palette = bitmap->PaletteHandle();
    bitmap_gdi::TSelectedBitmap source(bitmap->SystemHandle(), palette);
    HDC target = Canvas.Handle();
    HPALETTE copyPalette = palette != nullptr ? palette : SystemPalette16();
    const int oldMode = SetStretchBltMode(target, STRETCH_DELETESCANS);
    eachPlace([&](const RECT& r) {
      bitmap_gdi::MaskedStretch(target, r, source.DC(), width, height, mask, copyPalette);
    });
    if (oldMode != 0) SetStretchBltMode(target, oldMode);
  } else {
    eachPlace([&](const RECT& r) { bitmap->DrawInto(Canvas, r); });
  }
}

}  // namespace vr
