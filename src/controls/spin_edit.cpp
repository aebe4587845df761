#include "controls/spin_edit.h"

#include <cerrno>
#include <cstdlib>

namespace vr {

TSpinEdit::TSpinEdit(TComponent* AOwner, TWinControl* AParent) : TCustomEdit(AOwner, AParent) {
  CreateHandle("EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, "0");
}

int TSpinEdit::Value() const {
  std::string text = Text();
  // A whole decimal number, optionally signed, with nothing after it.
  const char* s = text.c_str();
  while (*s == ' ') ++s;
  if (*s == '\0') return MinValue;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(s, &end, 10);
  if (end == s || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return MinValue;
  return static_cast<int>(v);
}

int TSpinEdit::CheckValue(int NewValue) const {
  if (MaxValue != MinValue) {
    if (NewValue < MinValue) return MinValue;
    if (NewValue > MaxValue) return MaxValue;
  }
  return NewValue;
}

void TSpinEdit::SetValue(int NewValue) { SetText(std::to_string(CheckValue(NewValue))); }

}  // namespace vr
