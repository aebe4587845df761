#include "platform/canvas.h"

#include "platform/handles.h"

namespace vr {

TColor ColorToRGB(TColor Color) {
  if ((Color & 0x80000000u) != 0) return GetSysColor(static_cast<int>(Color & 0xFF));
  return Color & 0x00FFFFFFu;
}

void TCanvas::FillRect(const RECT& R) {
  TBrushHandle brush(CreateSolidBrush(ColorToRGB(BrushColor)));
  ::FillRect(Handle(), &R, brush.Get());
}

void TCanvas::FrameRect(const RECT& R) {
  TBrushHandle brush(CreateSolidBrush(ColorToRGB(BrushColor)));
  ::FrameRect(Handle(), &R, brush.Get());
}

void TCanvas::Rectangle(const RECT& R) {
  HDC dc = Handle();
  TBrushHandle brush(CreateSolidBrush(ColorToRGB(BrushColor)));
  TPenHandle pen(CreatePen(PS_SOLID, 1, ColorToRGB(PenColor)));
  TSelectObject b(dc, brush.Get()), p(dc, pen.Get());
  ::Rectangle(dc, R.left, R.top, R.right, R.bottom);
}

}  // namespace vr
