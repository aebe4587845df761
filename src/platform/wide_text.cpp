#include "platform/wide_text.h"

namespace vr {

std::wstring AnsiToWide(std::string_view Text) {
  if (Text.empty()) return std::wstring();
  std::wstring wide(Text.size(), L'\0');  // never more UTF-16 units than bytes
  const int n = MultiByteToWideChar(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), wide.data(),
                                    static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(n > 0 ? n : 0));
  return wide;
}

std::string WideToAnsi(std::wstring_view Text) {
  if (Text.empty()) return std::string();
  const int length = static_cast<int>(Text.size());
  const int n = WideCharToMultiByte(CP_ACP, 0, Text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, Text.data(), length, text.data(), n, nullptr, nullptr);
  return text;
}

int DrawAnsiText(HDC DC, std::string_view Text, RECT& Rect, UINT Format) {
  const std::wstring wide = AnsiToWide(Text);
  return DrawTextW(DC, wide.c_str(), static_cast<int>(wide.size()), &Rect, Format);
}

BOOL AnsiTextOut(HDC DC, int X, int Y, std::string_view Text) {
  const std::wstring wide = AnsiToWide(Text);
  return TextOutW(DC, X, Y, wide.c_str(), static_cast<int>(wide.size()));
}

SIZE AnsiTextExtent(HDC DC, std::string_view Text) {
  const std::wstring wide = AnsiToWide(Text);
  SIZE size{0, 0};
  GetTextExtentPoint32W(DC, wide.c_str(), static_cast<int>(wide.size()), &size);
  return size;
}

}  // namespace vr
