// The entries of one folder through the A functions, in the order the file
// system lists them: files and folders, hidden and system ones, "." and "..".
#pragma once

#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace vr {

// An entry whose name does not fit the A functions' MAX_PATH bytes (a
// UTF-8 name of 255 characters takes up to 765) is passed over: Wine hands
// it over cut and unterminated, Windows fails the call with ERROR_MORE_DATA
// and goes on with the next entry at the next call. Such a file cannot be
// opened through the A functions anyway.
class TFolderEntries {
 public:
  // Starts the enumeration of Pattern ("C:\Pics\*.*") and takes its first
  // entry; a folder that cannot be listed has none.
  explicit TFolderEntries(const std::string& Pattern);

  // Whether an entry is in hand.
  bool Have() const { return FHave; }
  // The entry's name, without its folder.
  const char* Name() const { return FEntry.cFileName; }
  DWORD Attributes() const { return FEntry.dwFileAttributes; }
  bool IsFolder() const { return (FEntry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // Takes the next entry; false (and no entry in hand) at the end.
  bool Next();

 private:
  TFindHandle FFind;
  WIN32_FIND_DATAA FEntry;
  bool FHave = false;
};

}  // namespace vr
