// Helpers of the PNG tests under Wine: a 32-bit DIB to draw into and read
// back, loading bytes into a TPNGObject, and the blend every test expects.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/canvas.h"
#include "platform/handles.h"
#include "platform/stream.h"
#include "png/png_object_win.h"

namespace pngtest {

// A top-down 32-bit DIB section selected into a memory DC, with a canvas.
class TDibCanvas {
 public:
  TDibCanvas(int Width, int Height, COLORREF Background = RGB(0, 0, 0)) : FWidth(Width), FHeight(Height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = Width;
    info.bmiHeader.biHeight = -Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    FDC.Reset(CreateCompatibleDC(nullptr));
    FBitmap.Reset(CreateDIBSection(FDC.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    FBits = static_cast<uint32_t*>(bits);
    FOld = SelectObject(FDC.Get(), FBitmap.Get());
    FCanvas = std::make_unique<vr::TCanvas>(FDC.Get());
    Fill(Background);
  }
  ~TDibCanvas() { SelectObject(FDC.Get(), FOld); }
  TDibCanvas(const TDibCanvas&) = delete;
  TDibCanvas& operator=(const TDibCanvas&) = delete;

  vr::TCanvas& Canvas() { return *FCanvas; }
  HDC DC() const { return FDC.Get(); }
  void Fill(COLORREF Colour) {
    GdiFlush();
    const uint32_t bgra = GetBValue(Colour) | GetGValue(Colour) << 8 | GetRValue(Colour) << 16;
    for (int i = 0; i < FWidth * FHeight; ++i) FBits[i] = bgra;
  }
  void Set(int X, int Y, COLORREF Colour) {
    GdiFlush();
    FBits[Y * FWidth + X] = GetBValue(Colour) | GetGValue(Colour) << 8 | GetRValue(Colour) << 16;
  }
  // The colour at (X, Y) as RGB (red in the low byte).
  COLORREF Pixel(int X, int Y) const {
    GdiFlush();
    const uint32_t p = FBits[Y * FWidth + X];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  void Draw(vr::TGraphic& Graphic, const RECT& Rect) { Graphic.DrawInto(*FCanvas, Rect); }
  void Draw(vr::TGraphic& Graphic, int X = 0, int Y = 0) {
    Draw(Graphic, RECT{X, Y, X + Graphic.Width(), Y + Graphic.Height()});
  }

 private:
  int FWidth, FHeight;
  vr::TMemoryDC FDC;
  vr::TBitmapHandle FBitmap;
  HGDIOBJ FOld = nullptr;
  uint32_t* FBits = nullptr;
  std::unique_ptr<vr::TCanvas> FCanvas;
};

inline std::unique_ptr<vr::TPNGObject> LoadObject(const std::vector<uint8_t>& File) {
  auto png = std::make_unique<vr::TPNGObject>();
  vr::TMemoryStream stream(File);
  png->LoadFromStream(stream);
  return png;
}

// The alpha blend of one channel as drawing must compute it.
constexpr uint8_t ExpectedChannel(unsigned S, unsigned D, unsigned A) {
  return static_cast<uint8_t>((S * A + (255 - A) * D + 255) >> 8);
}
inline COLORREF ExpectedBlend(COLORREF S, COLORREF D, unsigned A) {
  return RGB(ExpectedChannel(GetRValue(S), GetRValue(D), A), ExpectedChannel(GetGValue(S), GetGValue(D), A),
             ExpectedChannel(GetBValue(S), GetBValue(D), A));
}

// Registers the image libraries once for the whole test program.
void EnsureImageLibraries();

}  // namespace pngtest
