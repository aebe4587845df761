#include "controls/current_folder.h"

#include <cctype>

#include "controls/folder_test.h"
#include "platform/exceptions.h"
#include "platform/wide_text.h"

namespace vr {

namespace {

// The environment keeps each drive's current folder in a variable "=X:",
// as the command interpreter and the C runtime do.
std::string DriveVariable(char Letter) {
  return std::string("=") + static_cast<char>(std::toupper(static_cast<unsigned char>(Letter))) + ":";
}

bool IsDriveLetter(char Letter) { return std::isalpha(static_cast<unsigned char>(Letter)) != 0; }

// A variable of the environment in the ANSI code page, of any length;
// empty when it is not set. Read wide: Wine's GetEnvironmentVariableA cuts
// a value to as many bytes as it has UTF-16 units, which in UTF-8 loses
// the end of every name outside ASCII and may split a character.
std::string EnvironmentText(const std::string& Name) {
  const std::wstring name = AnsiToWide(Name);
  DWORD n = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (n == 0) return std::string();
  std::wstring value(n, L'\0');
  n = GetEnvironmentVariableW(name.c_str(), value.data(), n);
  if (n == 0 || n >= value.size()) return std::string();
  value.resize(n);
  return WideToAnsi(value);
}

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
  const std::string variable = DriveVariable(Letter);
  const std::string remembered = EnvironmentText(variable);
  if (!remembered.empty() && !FolderExists(remembered)) SetEnvironmentVariableA(variable.c_str(), nullptr);
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

int CompareFileNames(const std::string& A, const std::string& B) {
  // Compared wide: Wine's CompareStringA reads its bytes in the locale's
  // code page (1252), not in the process's UTF-8, so names outside ASCII
  // would neither sort by the locale nor match in another letter case.
  const std::wstring a = AnsiToWide(A), b = AnsiToWide(B);
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size()));
}

bool SameFileName(const std::string& A, const std::string& B) { return CompareFileNames(A, B) == CSTR_EQUAL; }

}  // namespace vr
