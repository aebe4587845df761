// Tests on folder paths: whether a folder exists, how deep a path is, and
// the walk over "\" separators that steps over double-byte characters.
#pragma once

#include <cstddef>
#include <string>

namespace vr {

// True when the path's attributes can be read and include the directory bit.
bool FolderExists(const std::string& Path);
// The number of "\" characters in Path (a double-byte character is skipped
// as a whole, so its trail byte never counts).
int FolderLevel(const std::string& Path);
// The index of the first "\" at or after From, or npos; double-byte
// characters are stepped over as pairs.
size_t NextSeparator(const std::string& Path, size_t From = 0);
// The index of the last "\" of Path, or npos.
size_t LastSeparator(const std::string& Path);

}  // namespace vr
