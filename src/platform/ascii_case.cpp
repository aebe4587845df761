#include "platform/ascii_case.h"

namespace vr {

void UpperCaseAscii(std::string& Text) {
  for (char& c : Text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

std::string AsciiUpperCase(std::string Text) {
  UpperCaseAscii(Text);
  return Text;
}

void LowerCaseAscii(std::string& Text) {
  for (char& c : Text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

std::string AsciiLowerCase(std::string Text) {
  LowerCaseAscii(Text);
  return Text;
}

}  // namespace vr
