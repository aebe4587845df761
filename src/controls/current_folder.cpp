#include "controls/current_folder.h"

#include <cctype>

#include "controls/folder_test.h"
#include "platform/exceptions.h"

namespace vr {

namespace {

// The environment keeps each drive's current folder in a variable "=X:",
// as the command interpreter and the C runtime do.
std::string DriveVariable(char Letter) {
  return std::string("=") + static_cast<char>(std::toupper(static_cast<unsigned char>(Letter))) + ":";
}

bool IsDriveLetter(char Letter) { return std::isalpha(static_cast<unsigned char>(Letter)) != 0; }

}  // namespace

std::string CurrentFolder() {
  char buffer[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
  if (n > 0 && n < sizeof buffer) return std::string(buffer, n);
  if (n == 0) return std::string();
  std::string longer(n, '\0');  // a path longer than MAX_PATH
  n = GetCurrentDirectoryA(static_cast<DWORD>(longer.size()), longer.data());
  longer.resize(n < longer.size() ? n : 0);
  return longer;
}

[[noreturn]] void RaiseInOutError(DWORD Code) {
  int code = static_cast<int>(Code);
  switch (Code) {
    case 2: throw EInOutError("File not found", code);
    case 3: throw EInOutError("Invalid filename", code);
    case 4: throw EInOutError("Too many open files", code);
    case 5: throw EInOutError("File access denied", code);
    default: throw EInOutError(Format("I/O error %d", code), code);
  }
}

void ChangeFolder(const std::string& Path) {
  if (!SetCurrentDirectoryA(Path.c_str())) RaiseInOutError(GetLastError());
}

void ChangeToDrive(char Letter) {
  // A remembered folder that has gone since would make the drive
  // unreachable: forget it, and the drive's root is taken.
  std::string variable = DriveVariable(Letter);
  char remembered[MAX_PATH + 1];
  DWORD n = GetEnvironmentVariableA(variable.c_str(), remembered, sizeof remembered);
  if (n > 0 && (n >= sizeof remembered || !FolderExists(remembered)))
    SetEnvironmentVariableA(variable.c_str(), nullptr);
  // The upper-case letter, so that the folder reads "C:\..." and not "c:\...".
  ChangeFolder(std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(Letter)))) + ":");
}

void RememberDriveFolder(const std::string& Folder) {
  if (Folder.size() >= 2 && Folder[1] == ':' && IsDriveLetter(Folder[0]))
    SetEnvironmentVariableA(DriveVariable(Folder[0]).c_str(), Folder.c_str());
}

std::string DrivePart(const std::string& Path) {
  if (Path.size() >= 2 && Path[1] == ':') return Path.substr(0, 2);
  if (Path.size() >= 2 && Path[0] == '\\' && Path[1] == '\\') {
    size_t server = NextSeparator(Path, 2);
    if (server == std::string::npos || server == 2) return std::string();
    size_t share = NextSeparator(Path, server + 1);
    if (share == server + 1) return std::string();
    return Path.substr(0, share);
  }
  return std::string();
}

bool DriveExists(char Letter) {
  if (!IsDriveLetter(Letter)) return false;
  int bit = std::tolower(static_cast<unsigned char>(Letter)) - 'a';
  return (GetLogicalDrives() & (1u << bit)) != 0;
}

bool SameFileName(const std::string& A, const std::string& B) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, A.data(), static_cast<int>(A.size()), B.data(),
                        static_cast<int>(B.size())) == CSTR_EQUAL;
}

}  // namespace vr
