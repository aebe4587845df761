#include "controls/spin_button.h"

#include <windowsx.h>

#include "controls/owner_draw.h"
#include "platform/resources.h"

namespace vr {

// -------------------------------------------------------- TTimerSpeedButton

TTimerSpeedButton::TTimerSpeedButton(TComponent* AOwner, TWinControl* AParent) : TGraphicControl(AOwner, AParent) {}

TTimerSpeedButton::~TTimerSpeedButton() = default;

void TTimerSpeedButton::SetGlyph(TBitmapHandle Value) {
  FGlyph = std::move(Value);
  Invalidate();
}

void TTimerSpeedButton::SetShowFocus(bool Value) {
  if (Value == FShowFocus) return;
  FShowFocus = Value;
  Invalidate();
}

void TTimerSpeedButton::PaintOn(TCanvas& Canvas) {
  HDC dc = Canvas.Handle();
  RECT r = ClientRect();
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &r, FShownPressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  const int shift = FShownPressed ? 1 : 0;
  const SIZE glyph = PictureSize(FGlyph.Get());
  if (glyph.cx > 0)
    DrawTransparentPicture(dc, (r.right - glyph.cx) / 2 + shift, (r.bottom - glyph.cy) / 2 + shift, FGlyph.Get());
  if (FShowFocus) {
    RECT focus = r;
    InflateRect(&focus, -3, -3);
    OffsetRect(&focus, shift, shift);
    DrawFocusRect(dc, &focus);
  }
}

bool TTimerSpeedButton::HoldsMouse() const {
  return FHeld && Parent() != nullptr && GetCapture() == Parent()->Handle();
}

void TTimerSpeedButton::MouseDown(TMouseButton Button, int X, int Y) {
  if (Button != TMouseButton::mbLeft) return;
  FHeld = true;
  FShownPressed = true;
  Invalidate();
  if (!AllowTimer) return;
  if (!FRepeatTimer) {
    FRepeatTimer = std::make_unique<TTimer>(nullptr);
    FRepeatTimer->SetEnabled(false);
    FRepeatTimer->SetOnTimer([this](TObject*) { RepeatTick(); });
  }
  // A fresh countdown for every press.
  FRepeatTimer->SetEnabled(false);
  FRepeatTimer->SetInterval(kFirstRepeatMs);
  FRepeatTimer->SetEnabled(true);
}

void TTimerSpeedButton::MouseUp(TMouseButton Button, int X, int Y) {
  if (Button != TMouseButton::mbLeft) return;
  StopRepeat();
  FHeld = false;
  if (FShownPressed) {
    FShownPressed = false;
    Invalidate();
  }
}

void TTimerSpeedButton::MouseMove(int X, int Y) {
  if (!FHeld) return;
  RECT r = ClientRect();
  const bool over = PtInRect(&r, POINT{X, Y}) != FALSE;
  if (over == FShownPressed) return;
  FShownPressed = over;
  Invalidate();
}

void TTimerSpeedButton::CaptureLost() {
  if (!FHeld) return;
  StopRepeat();
  FHeld = false;
  FShownPressed = false;
  Invalidate();
}

void TTimerSpeedButton::StopRepeat() {
  if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
}

void TTimerSpeedButton::RepeatTick() {
  FRepeatTimer->SetInterval(kRepeatMs);
  // Held off the button, the repeat waits until the pointer comes back.
  if (!FShownPressed || !HoldsMouse()) return;
  try {
    Click();
  } catch (...) {
    StopRepeat();
    throw;
  }
}

// -------------------------------------------------------------- TSpinButton

TSpinButton::TSpinButton(TComponent* AOwner, TWinControl* AParent)
    : TCustomControl(AOwner, AParent), FUpButton(nullptr), FDownButton(nullptr), FFocusedButton(nullptr) {
  FUpButton = Make<TTimerSpeedButton>(this);
  FDownButton = Make<TTimerSpeedButton>(this);
  FFocusedButton = FUpButton;
  FUpButton->SetGlyph(LoadBitmapResource("SpinUp"));
  FDownButton->SetGlyph(LoadBitmapResource("SpinDown"));
  FUpButton->OnClick = [this](TObject*) {
    if (OnUpClick) OnUpClick(this);
  };
  FDownButton->OnClick = [this](TObject*) {
    if (OnDownClick) OnDownClick(this);
  };
  SetBounds(0, 0, 20, 25);
}

void TSpinButton::SetEnabled(bool Value) {
  TCustomControl::SetEnabled(Value);
  FUpButton->SetEnabled(Value);
  FDownButton->SetEnabled(Value);
}

void TSpinButton::BoundsChanged() {
  if (Width() < Scaled(kMinWidth)) {
    SetBounds(Left(), Top(), Scaled(kMinWidth), Height());
    return;
  }
  LayoutButtons();
}

void TSpinButton::LayoutButtons() {
  if (FUpButton == nullptr || FDownButton == nullptr) return;
  // The up button takes the upper half; the down button overlaps its
  // bottom row and reaches the bottom.
  const int half = Height() / 2;
  FUpButton->SetBounds(0, 0, Width(), half);
  FDownButton->SetBounds(0, half - 1, Width(), Height() - half + 1);
}

void TSpinButton::SetFocusedButton(TTimerSpeedButton* Button) {
  FFocusedButton = Button;
  UpdateFocusShown();
}

void TSpinButton::UpdateFocusShown() {
  const bool focused = Handle() != nullptr && GetFocus() == Handle();
  FUpButton->SetShowFocus(focused && FFocusedButton == FUpButton);
  FDownButton->SetShowFocus(focused && FFocusedButton == FDownButton);
}

LRESULT TSpinButton::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      auto* button = dynamic_cast<TTimerSpeedButton*>(ControlAtPos(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
      if (button != nullptr) {
        SetFocusedButton(button);
        HWND target = FocusControl != nullptr ? FocusControl->Handle() : nullptr;
        if (target != nullptr && IsWindowVisible(target) && IsWindowEnabled(target) && GetFocus() != target)
          SetFocus(target);
      }
      break;  // the press itself: capture and MouseDown
    }
    case WM_MOUSEMOVE: {
      const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      for (TTimerSpeedButton* b : {FUpButton, FDownButton}) b->MouseMove(x - b->Left(), y - b->Top());
      break;
    }
    case WM_CAPTURECHANGED:
      FUpButton->CaptureLost();
      FDownButton->CaptureLost();
      break;
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_SPACE:
          FFocusedButton->Click();
          return 0;
        case VK_UP:
          SetFocusedButton(FUpButton);
          FUpButton->Click();
          return 0;
        case VK_DOWN:
          SetFocusedButton(FDownButton);
          FDownButton->Click();
          return 0;
        default:
          break;
      }
      break;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      LRESULT result = TCustomControl::WndProc(Msg, wParam, lParam);
      UpdateFocusShown();
      return result;
    }
    default:
      break;
  }
  return TCustomControl::WndProc(Msg, wParam, lParam);
}

}  // namespace vr
