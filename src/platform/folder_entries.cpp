#include "platform/folder_entries.h"

#include <cstring>

namespace vr {

namespace {

// A name buffer without a NUL shows a name that did not fit: Wine writes the
// whole characters that fit and no terminator, and what it leaves unwritten
// holds no NUL from an earlier entry either.
void ClearName(WIN32_FIND_DATAA& Entry) { std::memset(Entry.cFileName, 0xFF, sizeof Entry.cFileName); }

bool NameFits(const WIN32_FIND_DATAA& Entry) {
  return std::memchr(Entry.cFileName, '\0', sizeof Entry.cFileName) != nullptr;
}

}  // namespace

TFolderEntries::TFolderEntries(const std::string& Pattern) {
  ClearName(FEntry);
  FFind.Reset(FindFirstFileA(Pattern.c_str(), &FEntry));
  FHave = static_cast<bool>(FFind) && (NameFits(FEntry) || Next());
}

bool TFolderEntries::Next() {
  FHave = false;
  if (!FFind) return false;
  for (;;) {
    ClearName(FEntry);
    if (FindNextFileA(FFind.Get(), &FEntry)) {
      if (NameFits(FEntry)) return FHave = true;
    } else if (GetLastError() != ERROR_MORE_DATA) {
      return false;  // the end, or a folder that cannot be read on
    }
  }
}

}  // namespace vr
