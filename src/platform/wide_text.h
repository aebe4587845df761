// The program's byte strings (the ANSI code page, which the manifest makes
// UTF-8) and the system's wide strings, for the places where the system's
// A functions do not read the process's code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vr {

std::wstring AnsiToWide(std::string_view Text);
std::string WideToAnsi(std::wstring_view Text);

// GDI reads the bytes of its A functions in the system's code page (Wine:
// in the font's), never in the process's own, so a name outside it would
// be drawn as other characters: text is drawn and measured wide.
int DrawAnsiText(HDC DC, std::string_view Text, RECT& Rect, UINT Format);
BOOL AnsiTextOut(HDC DC, int X, int Y, std::string_view Text);
SIZE AnsiTextExtent(HDC DC, std::string_view Text);

}  // namespace vr
