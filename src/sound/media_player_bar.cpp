// The media player's button bar: layout and size snapping, drawing with the
// glyph of each button's state, mouse presses with capture, and the keyboard.
#include "sound/media_player.h"

#include <windowsx.h>

#include <algorithm>

#include "platform/exceptions.h"
#include "platform/resources.h"

namespace vr {

namespace {

constexpr COLORREF kGlyphTransparent = RGB(128, 128, 0);  // olive
constexpr int kEnabled = 0, kDisabled = 1, kColoured = 2;
const char* const kStatePrefix[] = {MPGlyphEnabled, MPGlyphDisabled, MPGlyphColoured};

TMPBtnType ButtonOf(int Index) { return static_cast<TMPBtnType>(Index); }

void FillSolid(HDC DC, int Left, int Top, int Right, int Bottom, int SysColor) {
  RECT r{Left, Top, Right, Bottom};
  FillRect(DC, &r, GetSysColorBrush(SysColor));
}

}  // namespace

void TMediaPlayer::LoadGlyphs() {
  int width = 0, height = 0;
  for (int state = 0; state < 3; ++state)
    for (int i = 0; i < MPButtonCount; ++i) {
      std::string name = Format("%s_%s", kStatePrefix[state], MPButtonName(ButtonOf(i)));
      FGlyphs[state][i] = LoadBitmapResource(name.c_str());
      BITMAP bm{};
      if (FGlyphs[state][i] && GetObjectA(FGlyphs[state][i].Get(), sizeof bm, &bm) != 0) {
        width = std::max(width, static_cast<int>(bm.bmWidth));
        height = std::max(height, static_cast<int>(bm.bmHeight));
      }
    }
  FGlyphWidth = width;
  FGlyphHeight = height;
}

// ------------------------------------------------------------------ layout

void TMediaPlayer::SetVisibleButtons(TMPBtnSet Value) {
  if (Value == FVisibleButtons) return;
  FVisibleButtons = Value;
  Relayout();
}

void TMediaPlayer::SetEnabledButtons(TMPBtnSet Value) {
  if (Value == FEnabledButtons) return;
  FEnabledButtons = Value;
  Invalidate();
}

void TMediaPlayer::SetColoredButtons(TMPBtnSet Value) {
  if (Value == FColoredButtons) return;
  FColoredButtons = Value;
  Invalidate();
}

void TMediaPlayer::SetAutoEnable(bool Value) {
  if (Value == FAutoEnable) return;
  FAutoEnable = Value;
  Invalidate();
}

void TMediaPlayer::BoundsChanged() { Relayout(); }

void TMediaPlayer::Relayout() {
  TMPBarSize size =
      MPSnapBar(Width(), Height(), FVisibleButtons.Count(), FGlyphWidth + Scaled(8), FGlyphHeight + Scaled(4));
  // Setting the snapped size comes back here with nothing left to change.
  if (size.Width != Width() || size.Height != Height()) SetBounds(Left(), Top(), size.Width, size.Height);
  Invalidate();
}

int TMediaPlayer::ButtonWidth() const { return MPButtonWidth(Width(), FVisibleButtons.Count()); }

int TMediaPlayer::VisibleIndex(TMPBtnType Button) const {
  if (!FVisibleButtons.Contains(Button)) return -1;
  int index = 0;
  for (int i = 0; i < static_cast<int>(Button); ++i)
    if (FVisibleButtons.Contains(ButtonOf(i))) ++index;
  return index;
}

RECT TMediaPlayer::ButtonRect(TMPBtnType Button) const {
  int index = VisibleIndex(Button);
  if (index < 0) return RECT{0, 0, 0, 0};
  int width = ButtonWidth();
  int left = index * (width - 1);  // neighbours share their border line
  return RECT{left, 0, left + width, Height()};
}

bool TMediaPlayer::ButtonAt(int X, int Y, TMPBtnType& Button) const {
  POINT p{X, Y};
  for (int i = 0; i < MPButtonCount; ++i) {
    RECT r = ButtonRect(ButtonOf(i));
    if (PtInRect(&r, p)) {
      Button = ButtonOf(i);
      return true;
    }
  }
  return false;
}

bool TMediaPlayer::Usable(TMPBtnType Button) const {
  return FAutoEnable ? FAutoButtons.Contains(Button) : FEnabledButtons.Contains(Button);
}

const char* TMediaPlayer::GlyphState(TMPBtnType Button) const {
  if (!Enabled() || !Usable(Button)) return MPGlyphDisabled;
  return FColoredButtons.Contains(Button) ? MPGlyphColoured : MPGlyphEnabled;
}

// ----------------------------------------------------------------- drawing

void TMediaPlayer::Paint(TCanvas& Canvas) { PaintTo(Canvas.Handle()); }

void TMediaPlayer::PaintTo(HDC DC) {
  FillSolid(DC, 0, 0, Width(), Height(), COLOR_BTNFACE);
  for (int i = 0; i < MPButtonCount; ++i) {
    TMPBtnType b = ButtonOf(i);
    if (FVisibleButtons.Contains(b)) DrawButton(DC, b, FPressing && FPressedLook && b == FPressedButton);
  }
  if (Handle() != nullptr && GetFocus() == Handle() && FVisibleButtons.Contains(FFocusedButton)) {
    RECT r = ButtonRect(FFocusedButton);
    InflateRect(&r, -3, -3);
    DrawFocusRect(DC, &r);
  }
}

void TMediaPlayer::DrawButton(HDC DC, TMPBtnType Button, bool Pressed) {
  RECT r = ButtonRect(Button);
  FrameRect(DC, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
  RECT in = r;
  InflateRect(&in, -1, -1);
  FillRect(DC, &in, GetSysColorBrush(COLOR_BTNFACE));
  if (Pressed) {
    FillSolid(DC, in.left, in.top, in.left + 1, in.bottom, COLOR_BTNSHADOW);
    FillSolid(DC, in.left, in.top, in.right, in.top + 1, COLOR_BTNSHADOW);
  } else {
    FillSolid(DC, in.left, in.top, in.left + 1, in.bottom - 1, COLOR_BTNHIGHLIGHT);
    FillSolid(DC, in.left, in.top, in.right - 1, in.top + 1, COLOR_BTNHIGHLIGHT);
    FillSolid(DC, in.right - 1, in.top, in.right, in.bottom, COLOR_BTNSHADOW);
    FillSolid(DC, in.left, in.bottom - 1, in.right, in.bottom, COLOR_BTNSHADOW);
  }
  const char* state = GlyphState(Button);
  int s = state == MPGlyphDisabled ? kDisabled : state == MPGlyphColoured ? kColoured : kEnabled;
  HBITMAP glyph = FGlyphs[s][static_cast<int>(Button)].Get();
  BITMAP bm{};
  if (glyph == nullptr || GetObjectA(glyph, sizeof bm, &bm) == 0) return;
  int shift = Pressed ? 1 : 0;
  int x = in.left + (in.right - in.left - bm.bmWidth) / 2 + shift;
  int y = in.top + (in.bottom - in.top - bm.bmHeight) / 2 + shift;
  TMemoryDC source(CreateCompatibleDC(DC));
  TSelectObject select(source.Get(), glyph);
  TransparentBlt(DC, x, y, bm.bmWidth, bm.bmHeight, source.Get(), 0, 0, bm.bmWidth, bm.bmHeight, kGlyphTransparent);
}

// ---------------------------------------------------------- mouse and keys

void TMediaPlayer::MouseDown(int X, int Y) {
  TMPBtnType button;
  if (!Enabled() || !ButtonAt(X, Y, button) || !Usable(button)) return;
  FFocusedButton = button;
  SetFocus(Handle());
  FPressing = true;
  FPressedLook = true;
  FPressedButton = button;
  SetCapture(Handle());
  Invalidate();
}

void TMediaPlayer::MouseMove(int X, int Y) {
  if (!FPressing) return;
  RECT r = ButtonRect(FPressedButton);
  POINT p{X, Y};
  bool inside = PtInRect(&r, p) != FALSE;
  if (inside == FPressedLook) return;
  FPressedLook = inside;
  Invalidate();
}

void TMediaPlayer::MouseUp(int X, int Y) {
  if (!FPressing) return;
  FPressing = false;
  RECT r = ButtonRect(FPressedButton);
  POINT p{X, Y};
  bool inside = PtInRect(&r, p) != FALSE;
  FPressedLook = false;
  if (GetCapture() == Handle()) ReleaseCapture();
  Invalidate();
  if (!inside) return;
  ClickButton(FPressedButton);
  AfterClick(FPressedButton);
}

void TMediaPlayer::ClickButton(TMPBtnType Button) {
  bool doDefault = true;
  if (OnClick) OnClick(this, Button, doDefault);
  if (doDefault) {
    switch (Button) {
      case TMPBtnType::btPlay: Play(); break;
      case TMPBtnType::btPause: Pause(); break;
      case TMPBtnType::btStop: Stop(); break;
      case TMPBtnType::btNext: Next(); break;
      case TMPBtnType::btPrev: Prev(); break;
      case TMPBtnType::btStep: Step(); break;
      case TMPBtnType::btBack: Back(); break;
      case TMPBtnType::btRecord: Record(); break;
      case TMPBtnType::btEject: Eject(); break;
    }
  }
  if (OnPostClick) OnPostClick(this, Button);
}

void TMediaPlayer::AfterClick(TMPBtnType Button) {
  // Only a command that worked changes which buttons are usable.
  if (FAutoEnable && FError == 0 && FDevice) SetAutoButtons(MPAfterCommand(FAutoButtons, Button, FCan));
}

void TMediaPlayer::KeyDown(WPARAM Key) {
  if (Key == VK_SPACE) {
    TMPBtnType button = FFocusedButton;
    if (!Enabled() || !FVisibleButtons.Contains(button) || !Usable(button)) return;
    ClickButton(button);
    AfterClick(button);
    return;
  }
  if (Key != VK_LEFT && Key != VK_RIGHT) return;
  int step = Key == VK_LEFT ? -1 : 1;
  for (int i = static_cast<int>(FFocusedButton) + step; i >= 0 && i < MPButtonCount; i += step)
    if (FVisibleButtons.Contains(ButtonOf(i))) {
      FFocusedButton = ButtonOf(i);
      Invalidate();
      return;
    }
}

LRESULT TMediaPlayer::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case MM_MCINOTIFY:
      Notified(wParam, lParam);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      MouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      MouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_CAPTURECHANGED:
      if (FPressing && reinterpret_cast<HWND>(lParam) != Handle()) {
        FPressing = FPressedLook = false;
        Invalidate();
      }
      return 0;
    case WM_KEYDOWN:
      KeyDown(wParam);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
    case WM_PRINTCLIENT:
      PaintTo(reinterpret_cast<HDC>(wParam));
      return 0;
    default:
      break;
  }
  return TCustomControl::WndProc(Msg, wParam, lParam);
}

}  // namespace vr
