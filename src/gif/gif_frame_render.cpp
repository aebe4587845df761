#include "gif/gif_frame_render.h"

#include <cstring>

#include "gif/gif_dither.h"
#include "gif/gif_errors.h"
#include "gif/gif_image_core.h"

namespace vr {

namespace {

void ReportRow(const TGIFSubImage& Frame, int Row) {
  if (Row % 32 == 0 && Frame.Image() != nullptr)
    Frame.Image()->GIFProgress(TGIFProgressStage::psRunning, Row * 100 / Frame.Height, false, sGIFRendering);
}

// a * b / c rounded to nearest (halves away from zero), in 64 bits.
int64_t MulDivRound(int64_t a, int64_t b, int64_t c) {
  const int64_t p = a * b;
  int64_t q = p / c;
  const int64_t r = p % c;
  if (2 * (r < 0 ? -r : r) >= (c < 0 ? -c : c)) q += ((p < 0) != (c < 0)) ? -1 : 1;
  return q;
}

void MapAxis(int Screen, int Start, int Size, int From, int To, int& OutFrom, int& OutTo) {
  if (Screen <= 0) {
    OutFrom = From;
    OutTo = To;
    return;
  }
  const int64_t span = static_cast<int64_t>(To) - From;
  OutFrom = static_cast<int>(From + MulDivRound(Start, span, Screen));
  OutTo = static_cast<int>(From + MulDivRound(static_cast<int64_t>(Start) + Size, span, Screen));
}

}  // namespace

TGIFMaskBits RenderFramePixels(const TGIFSubImage& Frame, IPixelSink& Sink, bool Dither,
                               bool BuildMask, bool TopDown) {
  const int width = Frame.Width;
  const int height = Frame.Height;
  if (Frame.Empty() || Frame.PixelData.size() < static_cast<size_t>(width) * static_cast<size_t>(height))
    throw GIFException(sGIFInvalidDimensions);

  TGIFMaskBits mask;
  const int transparent = BuildMask && Frame.IsTransparent ? Frame.TransparentIndex() : -1;
  if (BuildMask) {
    mask.Width = width;
    mask.Height = height;
    mask.Stride = (static_cast<size_t>(width) + 15) / 16 * 2;
    mask.Bits.assign(mask.Stride * static_cast<size_t>(height), 0);
  }
  auto setMaskBit = [&](int x, int y) {
    mask.Bits[static_cast<size_t>(y) * mask.Stride + static_cast<size_t>(x) / 8] |=
        static_cast<uint8_t>(0x80 >> (x % 8));
    mask.Used = true;
  };

  TDIBWriter writer(Sink, Dither ? CubePalette() : Frame.PaletteColors(false), width, height, 8, TopDown);
  const size_t pad = writer.Stride() - static_cast<size_t>(width);

  if (!Dither) {
    for (int y = 0; y < height; ++y) {
      ReportRow(Frame, y);
      const uint8_t* src = Frame.PixelData.data() + static_cast<size_t>(y) * width;
      uint8_t* dst = writer.ScanLine(y);
      std::memcpy(dst, src, static_cast<size_t>(width));
      std::memset(dst + width, 0, pad);
      if (transparent >= 0)
        for (int x = 0; x < width; ++x)
          if (src[x] == transparent) setMaskBit(x, y);
    }
  } else {
    // Indices without an entry in the table show black, as in the plain path.
    const std::vector<TGIFRGB>& table = Frame.ActiveColorMap().Entries();
    auto colorOf = [&](int index) {
      return index < static_cast<int>(table.size()) ? table[static_cast<size_t>(index)] : TGIFRGB{};
    };
    const uint8_t fill = transparent >= 0 ? static_cast<uint8_t>(CubeIndex(colorOf(transparent))) : 0;
    TFloydSteinbergDitherer ditherer(width);
    for (int y = 0; y < height; ++y) {
      ReportRow(Frame, y);
      const uint8_t* src = Frame.PixelData.data() + static_cast<size_t>(y) * width;
      uint8_t* dst = writer.ScanLine(y);
      std::memset(dst, fill, static_cast<size_t>(width));
      std::memset(dst + width, 0, pad);
      ditherer.NextRow();
      for (int step = 0; step < width; ++step) {
        const int x = ditherer.Column(step);
        if (src[x] == transparent) {
          setMaskBit(x, y);
          ditherer.Skip(x);
        } else {
          dst[x] = static_cast<uint8_t>(ditherer.Dither(x, colorOf(src[x])));
        }
      }
    }
  }
  writer.Release();
  if (!mask.Used) mask.Bits.clear();
  return mask;
}

TGIFRect FrameRectIn(const TGIFSubImage& Frame, const TGIFRect& Rect) {
  TGIFRect r;
  const int screenWidth = Frame.Image() != nullptr ? Frame.Image()->ScreenWidth() : 0;
  const int screenHeight = Frame.Image() != nullptr ? Frame.Image()->ScreenHeight() : 0;
  MapAxis(screenWidth, Frame.Left, Frame.Width, Rect.Left, Rect.Right, r.Left, r.Right);
  MapAxis(screenHeight, Frame.Top, Frame.Height, Rect.Top, Rect.Bottom, r.Top, r.Bottom);
  return r;
}

}  // namespace vr
