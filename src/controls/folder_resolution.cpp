#include "controls/folder_resolution.h"

#include <windows.h>

#include "controls/current_folder.h"
#include "controls/folder_test.h"
#include "platform/scope_guard.h"

namespace vr {

namespace {

bool IsExistingFile(const std::string& Name) {
  DWORD attributes = GetFileAttributesA(Name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

char DriveLetterOf(const std::string& Drive) { return Drive.size() >= 2 && Drive[1] == ':' ? Drive[0] : '\0'; }

}  // namespace

TResolvedFolder ResolveFolderPath(const std::string& Path) {
  TResolvedFolder result;
  const std::string saved = CurrentFolder();
  std::string rest = Path;
  std::string drive;
  if (rest.size() >= 2 && rest.front() == '[' && rest.back() == ']') {
    rest = rest.substr(1, rest.size() - 2);
    drive = DrivePart(saved);
  } else {
    drive = DrivePart(rest);
    if (drive.empty()) drive = DrivePart(saved);
    else rest.erase(0, drive.size());
  }
  result.Drive = DriveLetterOf(drive);

  // The process's current folder is put back when the resolution ends,
  // whether it succeeded or not.
  TScopeGuard restore([&saved] {
    if (!saved.empty()) SetCurrentDirectoryA(saved.c_str());
  });
  if (DriveExists(result.Drive)) ChangeToDrive(result.Drive);
  // A network path's folder part begins at the share, so the share is
  // entered first (a "\" path would otherwise land on the current drive).
  else if (result.Drive == '\0' && !drive.empty()) ChangeFolder(drive + "\\");

  size_t separator = LastSeparator(rest);
  result.FilePart = separator == std::string::npos ? rest : rest.substr(separator + 1);
  if (rest.size() == result.FilePart.size() + 1) {
    result.FolderPart = "\\";
  } else if (rest.size() > result.FilePart.size()) {
    result.FolderPart = rest.substr(0, rest.size() - result.FilePart.size() - 1);
  } else {
    // A bare name: it is looked for in the drive's current folder.
    std::string here = CurrentFolder();
    result.FolderPart = here.substr(DrivePart(here).size());
    if (result.FolderPart.empty()) result.FolderPart = "\\";
  }

  if (!result.FolderPart.empty()) ChangeFolder(result.FolderPart);
  const std::string& name = result.FilePart;
  if (!name.empty() && name.find_first_of("*?") == std::string::npos && !IsExistingFile(name)) {
    ChangeFolder(name);
    result.FolderPart = result.FolderPart.size() == 1 ? "\\" + name : result.FolderPart + "\\" + name;
    result.FilePart.clear();
  }
  if (result.Drive == '\0') result.FolderPart = drive + result.FolderPart;
  return result;
}

}  // namespace vr
