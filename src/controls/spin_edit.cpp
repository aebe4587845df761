#include "controls/spin_edit.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "controls/owner_draw.h"

namespace vr {

std::function<void()> TSpinEdit::BeepHook;

namespace {

// The clipboard's text (ANSI code page), kept open and locked while the
// object lives.
class TClipboardTextLock {
 public:
  explicit TClipboardTextLock(HWND Owner) noexcept {
    if (!OpenClipboard(Owner)) return;
    FOpen = true;
    FData = GetClipboardData(CF_TEXT);
    if (FData != nullptr) FBytes = static_cast<const char*>(GlobalLock(FData));
  }
  ~TClipboardTextLock() {
    if (FBytes != nullptr) GlobalUnlock(FData);
    if (FOpen) CloseClipboard();
  }
  TClipboardTextLock(const TClipboardTextLock&) = delete;
  TClipboardTextLock& operator=(const TClipboardTextLock&) = delete;

  bool HasText() const { return FBytes != nullptr; }
  std::string_view Text() const {
    if (FBytes == nullptr) return std::string_view();
    return std::string_view(FBytes, strnlen(FBytes, GlobalSize(FData)));
  }

 private:
  bool FOpen = false;
  HANDLE FData = nullptr;
  const char* FBytes = nullptr;
};

// The locale's decimal separator, in the ANSI code page (without the flag
// the A function answers in the locale's own code page: "?" for the Arabic
// separator under a code page of Western Europe).
std::string DecimalSeparator() {
  char buffer[16] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL | LOCALE_USE_CP_ACP, buffer, sizeof buffer) > 0 &&
      buffer[0] != '\0')
    return buffer;
  return ".";
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
  // A whole decimal number, optionally signed, with nothing before or after
  // it: strtoll alone would also take leading blanks and tabs.
  const char* s = text.c_str();
  if (*s != '+' && *s != '-' && (*s < '0' || *s > '9')) return MinValue;
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
  // Keys come a byte at a time: a separator of several bytes (the Arabic
  // one is two in UTF-8) is never taken, as a part of it would split it.
  const std::string separator = DecimalSeparator();
  if (separator.size() == 1 && Key == separator[0]) return true;
  // Enter and Ctrl+Enter (a line feed) would break the multi-line edit's
  // one line in two.
  return c < 32 && c != 13 && c != 10;
}

void TSpinEdit::PasteFirstLine() {
  // What a one-line edit takes of a text of several lines: the first.
  std::string text;
  {
    TClipboardTextLock clipboard(Handle());
    if (!clipboard.HasText()) return;
    const std::string_view all = clipboard.Text();
    text = all.substr(0, all.find_first_of("\r\n"));
  }
  SendMessageA(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
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

void TSpinEdit::FollowFont() {
  if (Height() < MinHeight()) SetBounds(Left(), Top(), Width(), MinHeight());
  else UpdateGeometry();
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
      if (EditorEnabled && !ReadOnly()) PasteFirstLine();
      return 0;
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
      FollowFont();
      return result;
    }
    default:
      break;
  }
  return TCustomEdit::WndProc(Msg, wParam, lParam);
}

}  // namespace vr
