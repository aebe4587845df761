#include "controls/folder_controls.h"

#include <windows.h>

#include <cctype>

#include "platform/exceptions.h"

namespace vr {

bool FolderExists(const std::string& Path) {
  DWORD attributes = GetFileAttributesA(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

namespace {

std::string CurrentFolder() {
  char buffer[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

[[noreturn]] void RaiseInOutError(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND: throw EInOutError("File not found", static_cast<int>(code));
    case ERROR_INVALID_NAME:
    case ERROR_PATH_NOT_FOUND: throw EInOutError("Invalid filename", static_cast<int>(code));
    case ERROR_TOO_MANY_OPEN_FILES: throw EInOutError("Too many open files", static_cast<int>(code));
    case ERROR_ACCESS_DENIED: throw EInOutError("File access denied", static_cast<int>(code));
    default: throw EInOutError(Format("I/O error %d", static_cast<int>(code)), static_cast<int>(code));
  }
}

}  // namespace

TDriveComboBox::TDriveComboBox(TComponent* AOwner, TWinControl* AParent) : TWinControl(AOwner, AParent) {
  CreateHandle("COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, "");
  std::string current = CurrentFolder();
  if (!current.empty()) FDrive = static_cast<char>(std::tolower(static_cast<unsigned char>(current[0])));
  RefreshDrives();
}

void TDriveComboBox::RefreshDrives() {
  SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
  DWORD drives = GetLogicalDrives();
  int selected = -1;
  for (int i = 0; i < 26; ++i) {
    if ((drives & (1u << i)) == 0) continue;
    char label[4] = {static_cast<char>('a' + i), ':', 0, 0};
    int index = static_cast<int>(SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label)));
    if (label[0] == FDrive) selected = index;
  }
  SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void TDriveComboBox::SelectDrive(char Letter) {
  FDrive = static_cast<char>(std::tolower(static_cast<unsigned char>(Letter)));
  char label[3] = {FDrive, ':', 0};
  SendMessageA(Handle(), CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(label));
  if (DirList != nullptr) DirList->SetDrive(FDrive);
}

bool TDriveComboBox::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  if (Msg == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE) {
    int index = static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
    char label[8] = {};
    if (index >= 0 && SendMessageA(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0) < 8) {
      SendMessageA(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(label));
      SelectDrive(label[0]);
    }
    return true;
  }
  return false;
}

TDirectoryListBox::TDirectoryListBox(TComponent* AOwner, TWinControl* AParent) : TWinControl(AOwner, AParent) {
  CreateHandle("LISTBOX", LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, "");
  FDirectory = CurrentFolder();
  Rebuild();
}

void TDirectoryListBox::SetDirectory(const std::string& Value) {
  if (!SetCurrentDirectoryA(Value.c_str())) RaiseInOutError(GetLastError());
  std::string now = CurrentFolder();
  if (now == FDirectory) return;
  FDirectory = now;
  Rebuild();
  if (OnChange) OnChange(this);
}

void TDirectoryListBox::SetDrive(char Letter) {
  std::string root = std::string(1, Letter) + ":\\";
  SetDirectory(root);
}

void TDirectoryListBox::Rebuild() {
  SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
  SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FDirectory.c_str()));
  SendMessageA(Handle(), LB_SETCURSEL, 0, 0);
}

bool TDirectoryListBox::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) { return false; }

}  // namespace vr
