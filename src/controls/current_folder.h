// The process's current folder: reading it, changing it (failures raise the
// input/output errors), and the drive part of a path.
#pragma once

#include <windows.h>

#include <string>

namespace vr {

// The process's current folder, e.g. "C:\" or "Z:\tmp\x".
std::string CurrentFolder();
// Makes Path the process's current folder; a failure raises EInOutError
// with the text for the system's error code.
void ChangeFolder(const std::string& Path);
// Makes the current folder of the drive (its last folder, else its root)
// the process's current folder.
void ChangeToDrive(char Letter);
// Remembers Folder as the current folder of its drive, so that coming back
// to the drive returns there.
void RememberDriveFolder(const std::string& Folder);
// Raises the input/output error for a system error code: 2 "File not
// found", 3 "Invalid filename", 4 "Too many open files", 5 "File access
// denied", any other "I/O error <code>".
[[noreturn]] void RaiseInOutError(DWORD Code);

// The drive part of a path: the letter and colon, or for a network path
// the two backslashes, the server and the share; empty when there is none.
std::string DrivePart(const std::string& Path);
// Whether the drive of this letter is present.
bool DriveExists(char Letter);
// The locale's file-name comparison, ignoring case: CSTR_LESS_THAN,
// CSTR_EQUAL or CSTR_GREATER_THAN.
int CompareFileNames(const std::string& A, const std::string& B);
bool SameFileName(const std::string& A, const std::string& B);

// Switches the system's critical-error boxes ("no disk in drive") off for
// its lifetime, so that asking a drive without a medium just fails.
class TCriticalErrorsOff {
 public:
  TCriticalErrorsOff() noexcept : FPrevious(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~TCriticalErrorsOff() { SetErrorMode(FPrevious); }
  TCriticalErrorsOff(const TCriticalErrorsOff&) = delete;
  TCriticalErrorsOff& operator=(const TCriticalErrorsOff&) = delete;

 private:
  UINT FPrevious;
};

}  // namespace vr
