#include "controls/folder_test.h"

#include <windows.h>

namespace vr {

bool FolderExists(const std::string& Path) {
  DWORD attributes = GetFileAttributesA(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

size_t NextSeparator(const std::string& Path, size_t From) {
  size_t i = From;
  while (i < Path.size()) {
    if (Path[i] == '\\') return i;
    // A lead byte of a double-byte code page takes its trail byte with it,
    // which may look like "\". UTF-8 has no lead bytes in this sense
    // (IsDBCSLeadByte is false for every byte), and none of the bytes of a
    // character of several bytes is below 128: byte by byte is right there.
    i += IsDBCSLeadByte(static_cast<BYTE>(Path[i])) && i + 1 < Path.size() ? 2 : 1;
  }
  return std::string::npos;
}

size_t LastSeparator(const std::string& Path) {
  size_t last = std::string::npos;
  for (size_t i = NextSeparator(Path); i != std::string::npos; i = NextSeparator(Path, i + 1)) last = i;
  return last;
}

int FolderLevel(const std::string& Path) {
  int level = 0;
  for (size_t i = NextSeparator(Path); i != std::string::npos; i = NextSeparator(Path, i + 1)) ++level;
  return level;
}

}  // namespace vr
