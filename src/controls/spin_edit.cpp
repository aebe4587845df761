#include "controls/spin_edit.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "controls/owner_draw.h"

namespace vr {

std::function<void()> TSpinEdit::BeepHook;

namespace {

char DecimalSeparator() {
  char buffer[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) > 0 && buffer[0] != '\0')
    return buffer[0];
  return '.';
}

}  // namespace

TSpinEdit::TSpinEdit(TComponent* AOwner, TWinControl* AParent) : TCustomEdit(AOwner, AParent) {
  // Multi-line so that the text rectangle can be narrowed to leave room
  // for the arrows; the arrows are a child window, clipped out of the text.
  CreateHandle("EDIT", ES_MULTILINE | ES_AUTOHSCROLL | WS_CLIPCHILDREN | WS_TABSTOP, WS_EX_CLIENTEDGE, "0");
  FButton = Make<TSpinButton>(this);
  FButton->SetBounds(0, 0, 15, 17);
  FButton->FocusControl = this;
  FButton->OnUpClick = [this](TObject*) { StepUp(); };
  FButton->OnDownClick = [this](TObject*) { StepDown(); };
  SetBounds(0, 0, 121, MinHeight());
  UpdateGeometry();
}

// ------------------------------------------------------------------ value

int TSpinEdit::Value() const {
  const std::string text = Text();
  // A whole decimal number, optionally signed, with nothing after it.
  const char* s = text.c_str();
  while (*s == ' ') ++s;
  if (*s == '\0') return MinValue;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s, &end, 10);
  if (end == s || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return MinValue;
  return static_cast<int>(v);
}

int TSpinEdit::ClampValue(int NewValue) const {
  if (MinValue == MaxValue) return NewValue;
  if (NewValue < MinValue) return MinValue;
  if (NewValue > MaxValue) return MaxValue;
  return NewValue;
}

void TSpinEdit::SetValue(int NewValue) { SetText(std::to_string(ClampValue(NewValue))); }

void TSpinEdit::SetCaption(const std::string& Value) {
  if (Value == Text()) return;
  FWritingText = true;
  TCustomEdit::SetCaption(Value);
  FWritingText = false;
  Change();
}

void TSpinEdit::StepUp() {
  if (ReadOnly()) {
    Beep();
    return;
  }
  // The sum saturates instead of wrapping round at the ends of the range.
  SetValue(static_cast<int>(std::clamp<int64_t>(int64_t{Value()} + Increment, INT32_MIN, INT32_MAX)));
}

void TSpinEdit::StepDown() {
  if (ReadOnly()) {
    Beep();
    return;
  }
  SetValue(static_cast<int>(std::clamp<int64_t>(int64_t{Value()} - Increment, INT32_MIN, INT32_MAX)));
}

bool TSpinEdit::IsAcceptedKey(char Key) const {
  const unsigned char c = static_cast<unsigned char>(Key);
  if (!EditorEnabled && (c >= 32 || c == 8 || c == 46)) return false;
  if (c == '+' || c == '-' || (c >= '0' && c <= '9')) return true;
  if (Key == DecimalSeparator()) return true;
  return c < 32 && c != 13;
}

void TSpinEdit::Beep() {
  if (BeepHook) BeepHook();
  else MessageBeep(0);
}

void TSpinEdit::SetEnabled(bool Value) {
  TCustomEdit::SetEnabled(Value);
  if (FButton != nullptr) FButton->SetEnabled(Value);
}

// --------------------------------------------------------------- geometry

int TSpinEdit::MinHeight() const {
  const int text = FontTextHeight(Font());
  const int system = FontTextHeight(nullptr);
  return 4 * GetSystemMetrics(SM_CYBORDER) + text + std::min(system, text) / 4 + 2;
}

RECT TSpinEdit::TextRect() const {
  RECT r{0, 0, 0, 0};
  SendMessageA(Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  return r;
}

void TSpinEdit::BoundsChanged() {
  const int minimum = MinHeight();
  if (Height() < minimum) {
    SetBounds(Left(), Top(), Width(), minimum);
    return;
  }
  UpdateGeometry();
}

void TSpinEdit::UpdateGeometry() {
  if (FButton == nullptr || Handle() == nullptr) return;
  const int width = FButton->Width();
  if ((GetWindowLongA(Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0)
    FButton->SetBounds(Width() - width - 5, 0, width, Height() - 5);
  else
    FButton->SetBounds(Width() - width, 1, width, Height() - 3);
  RECT text{0, 0, ClientWidth() - width - 2, ClientHeight() + 1};
  SendMessageA(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&text));
}

// ---------------------------------------------------------------- messages

bool TSpinEdit::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  // A text being written is reported once, by its writer.
  if (Msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE && FWritingText) return true;
  return TCustomEdit::Reflected(Msg, wParam, lParam, Result);
}

LRESULT TSpinEdit::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_CHAR:
      if (!IsAcceptedKey(static_cast<char>(wParam))) {
        Beep();
        return 0;
      }
      break;
    case WM_KEYDOWN:
      if (wParam == VK_UP) StepUp();
      else if (wParam == VK_DOWN) StepDown();
      else if (wParam == VK_DELETE && !EditorEnabled) {
        Beep();
        return 0;
      }
      break;
    case WM_SETTEXT: {
      // A multi-line edit does not report texts set through WM_SETTEXT.
      // SetCaption reports its own; a text sent by anyone else is reported
      // here, when it did change.
      if (FWritingText) break;
      const std::string before = Text();
      FWritingText = true;
      LRESULT result = TCustomEdit::WndProc(Msg, wParam, lParam);
      FWritingText = false;
      if (Text() != before) Change();
      return result;
    }
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
      if (!EditorEnabled || ReadOnly()) return 0;
      break;
    case WM_GETDLGCODE: {
      // One line: Tab moves on to the next control instead of going into the text.
      LRESULT code = TCustomEdit::WndProc(Msg, wParam, lParam);
      return (code & ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB)) | DLGC_WANTARROWS;
    }
    case WM_SETFOCUS: {
      LRESULT result = TCustomEdit::WndProc(Msg, wParam, lParam);
      if (AutoSelect && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
      return result;
    }
    case WM_KILLFOCUS: {
      LRESULT result = TCustomEdit::WndProc(Msg, wParam, lParam);
      // Leaving the box brings a typed value into the range.
      const int value = Value();
      if (ClampValue(value) != value) SetValue(value);
      return result;
    }
    case WM_SETFONT: {
      LRESULT result = TCustomEdit::WndProc(Msg, wParam, lParam);
      if (Height() < MinHeight()) SetBounds(Left(), Top(), Width(), MinHeight());
      else UpdateGeometry();
      return result;
    }
    default:
      break;
  }
  return TCustomEdit::WndProc(Msg, wParam, lParam);
}

}  // namespace vr
