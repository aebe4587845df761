// Letter case of the ASCII letters only. Strings are byte strings in the
// ANSI code page, which the program's manifest makes UTF-8: a byte above
// 127 may be part of a longer character, so it is never case-mapped (the
// system's CharLowerBuffA would map it, and may change its length).
#pragma once

#include <string>

namespace vr {

// The letters a to z become A to Z; every other byte stays.
void UpperCaseAscii(std::string& Text);
std::string AsciiUpperCase(std::string Text);
// The letters A to Z become a to z; every other byte stays.
void LowerCaseAscii(std::string& Text);
std::string AsciiLowerCase(std::string Text);

}  // namespace vr
