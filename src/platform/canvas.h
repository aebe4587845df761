// A drawing surface over a device context, with the colour of its brush,
// pen and text.
#pragma once

#include <windows.h>

#include <string>

namespace vr {

using TColor = COLORREF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clBlack = RGB(0, 0, 0);
constexpr TColor clWhite = RGB(255, 255, 255);
constexpr TColor clOlive = RGB(128, 128, 0);

// Resolves a colour that may be a system colour (0x80000000 | index).
TColor ColorToRGB(TColor Color);
constexpr TColor SysColor(int Index) { return 0x80000000u | static_cast<unsigned>(Index); }
constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clWindow = SysColor(COLOR_WINDOW);

class TCanvas {
 public:
  TCanvas() = default;
  explicit TCanvas(HDC dc) : FHandle(dc) {}
  virtual ~TCanvas() = default;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The device context; canvases that make theirs on demand override this.
  virtual HDC Handle() { return FHandle; }
  void SetHandle(HDC dc) { FHandle = dc; }

  TColor BrushColor = clWhite;
  TColor PenColor = clBlack;
  DWORD CopyMode = SRCCOPY;

  void FillRect(const RECT& R);
  void FrameRect(const RECT& R);
  void Rectangle(const RECT& R);

 private:
  HDC FHandle = nullptr;
};

}  // namespace vr
