// Resolving a folder path typed or picked by the user into a drive letter,
// a folder part and a file part, the way the folder list opens it.
#pragma once

#include <string>

namespace vr {

struct TResolvedFolder {
  char Drive = '\0';       // the drive letter; none for a network path
  std::string FolderPart;  // the folder, without the drive letter ("\tmp\x"); a network path keeps its drive part
  std::string FilePart;    // a file name or pattern left over ("*.jpg"), else empty
};

// Resolves Path against the process's current folder, which is the same
// again afterwards. A folder that cannot be entered raises EInOutError.
//  - "[text]" stands for the folder text between the brackets;
//  - a path without a drive part is on the current folder's drive, and a
//    path without a folder in the current folder of its drive;
//  - a last component that names neither an existing file nor a pattern is
//    taken as a folder.
TResolvedFolder ResolveFolderPath(const std::string& Path);

}  // namespace vr
