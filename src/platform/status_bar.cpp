#include "platform/status_bar.h"

#include <algorithm>

#include "platform/wide_text.h"

namespace vr {

TStatusBar::TStatusBar(TComponent* AOwner, TWinControl* AParent) : TCustomControl(AOwner, AParent) {
  Application->AddIdleTarget(this);
}

TStatusBar::~TStatusBar() {
  Application->RemoveIdleTarget(this);
  StopTicking();
}

void TStatusBar::SetSimpleText(std::string_view Value) {
  if (Value == FText) return;
  FText.assign(Value);
  if (FChanged) return;  // the paint on its way shows the latest text
  FChanged = true;
  if (FTicking) return;  // the next frame tick paints
  RequestPaint();
  FTicking = Application->Clock().StartTicks(this, kFrameMs);
}

void TStatusBar::RequestPaint() {
  if (Handle() == nullptr) return;
  InvalidateRect(Handle(), nullptr, FALSE);
  FRequested = true;
}

void TStatusBar::Tick() {
  // A frame with a change paints it; a quiet frame (or one whose paint has
  // not come yet: a hidden line, a busy program) stops the clock, and the
  // next change starts it again.
  if (FChanged && !FRequested)
    RequestPaint();
  else
    StopTicking();
}

void TStatusBar::Idle() {
  // The line is brought up to date and its clock stops: nothing ticks
  // while the program waits.
  StopTicking();
  if (!FChanged || Handle() == nullptr) return;
  if (!FRequested) RequestPaint();
  UpdateWindow(Handle());
}

void TStatusBar::StopTicking() {
  if (!FTicking) return;
  Application->Clock().StopTicks(this);
  FTicking = false;
}

LRESULT TStatusBar::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(FText.size());
    case WM_GETTEXT: {
      if (wParam == 0 || lParam == 0) return 0;
      size_t n = std::min(FText.size(), static_cast<size_t>(wParam) - 1);
      // A text cut to the buffer ends on a whole character.
      if (n < FText.size())
        while (n > 0 && (static_cast<unsigned char>(FText[n]) & 0xC0) == 0x80) --n;
      char* out = reinterpret_cast<char*>(lParam);
      FText.copy(out, n);
      out[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_SETTEXT:
      SetSimpleText(lParam != 0 ? reinterpret_cast<const char*>(lParam) : "");
      return TRUE;
    default:
      return TCustomControl::WndProc(Msg, wParam, lParam);
  }
}

void TStatusBar::Paint(TCanvas& Canvas) {
  RECT r;
  GetClientRect(Handle(), &r);
  HDC dc = Canvas.Handle();
  Canvas.BrushColor = Color;
  Canvas.FillRect(r);
  DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  InflateRect(&r, -Scaled(4), -1);
  TSelectObject font(dc, Font() != nullptr ? Font() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawAnsiText(dc, FText, r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  FPainted = FText;
  FChanged = false;
  FRequested = false;
  ++FPaintCount;
}

}  // namespace vr
