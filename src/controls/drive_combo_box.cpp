#include "controls/drive_combo_box.h"

#include <winnetwk.h>

#include <algorithm>
#include <cctype>

#include "controls/current_folder.h"
#include "controls/directory_list_box.h"
#include "controls/owner_draw.h"
#include "platform/ascii_case.h"
#include "platform/resources.h"
#include "platform/wide_text.h"

namespace vr {

namespace {

const char* const kPictureNames[5] = {"FLOPPY", "HARD", "NETWORK", "CDROM", "RAM"};
constexpr DWORD kNameBuffer = 261;

bool SameLetter(char A, char B) {
  return std::tolower(static_cast<unsigned char>(A)) == std::tolower(static_cast<unsigned char>(B));
}

}  // namespace

TDriveComboBox::TDriveComboBox(TComponent* AOwner, TWinControl* AParent) : TWinControl(AOwner, AParent) {
  for (int i = 0; i < 5; ++i) FPictures[i] = LoadBitmapResource(kPictureNames[i]);
  // A network current folder has no drive letter.
  const std::string current = CurrentFolder();
  FDrive = current.empty() || current[0] == '\\' ? '\0' : current[0];
  CreateHandle("COMBOBOX", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP, 0, "");
  MeasureItemHeight();
  RefreshDrives();
  SelectDrive(FDrive);
}

TDriveComboBox::~TDriveComboBox() {
  if (FDirList != nullptr) FDirList->FDriveCombo = nullptr;
}

void TDriveComboBox::SetDirList(TDirectoryListBox* Value) {
  if (Value == FDirList) return;
  if (FDirList != nullptr) FDirList->FDriveCombo = nullptr;
  FDirList = Value;
  if (FDirList != nullptr) {
    if (FDirList->FDriveCombo != nullptr) FDirList->FDriveCombo->FDirList = nullptr;
    FDirList->FDriveCombo = this;
  }
}

// ------------------------------------------------------------------ items

int TDriveComboBox::ItemCount() const {
  LRESULT n = SendMessageA(Handle(), CB_GETCOUNT, 0, 0);
  return n == CB_ERR ? 0 : static_cast<int>(n);
}

std::string TDriveComboBox::ItemText(int Index) const {
  LRESULT n = SendMessageA(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(Index), 0);
  if (n == CB_ERR || n < 0) return std::string();
  std::string text(static_cast<size_t>(n) + 1, '\0');
  n = SendMessageA(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(n == CB_ERR || n < 0 ? 0 : static_cast<size_t>(n));
  return text;
}

TDrivePicture TDriveComboBox::ItemPicture(int Index) const {
  LRESULT data = SendMessageA(Handle(), CB_GETITEMDATA, static_cast<WPARAM>(Index), 0);
  return data >= 0 && data < 5 ? static_cast<TDrivePicture>(data) : TDrivePicture::dpHard;
}

int TDriveComboBox::ItemIndex() const {
  LRESULT i = SendMessageA(Handle(), CB_GETCURSEL, 0, 0);
  return i == CB_ERR ? -1 : static_cast<int>(i);
}

int TDriveComboBox::ItemHeight() const {
  return static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, 0, 0));
}

void TDriveComboBox::MeasureItemHeight() {
  const int height = std::max(FontTextHeight(Font()), Scaled(static_cast<int>(PictureSize(FPictures[0].Get()).cy)));
  // The selection field and the items of the list alike.
  SendMessageA(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
  SendMessageA(Handle(), CB_SETITEMHEIGHT, 0, height);
}

// ----------------------------------------------------------------- drives

DWORD TDriveComboBox::SystemDriveMask() { return GetLogicalDrives(); }

UINT TDriveComboBox::SystemDriveType(const std::string& Root) { return GetDriveTypeA(Root.c_str()); }

bool TDriveComboBox::SystemVolumeLabel(const std::string& Root, std::string& Label) {
  char buffer[kNameBuffer] = {};
  // A drive without a medium fails quietly instead of asking for a disk.
  TCriticalErrorsOff quiet;
  if (!GetVolumeInformationA(Root.c_str(), buffer, kNameBuffer, nullptr, nullptr, nullptr, nullptr, 0)) return false;
  buffer[kNameBuffer - 1] = '\0';
  Label = buffer;
  return true;
}

bool TDriveComboBox::SystemRemoteName(const std::string& Drive, std::string& Name) {
  char buffer[kNameBuffer] = {};
  DWORD length = kNameBuffer;
  if (WNetGetConnectionA(Drive.c_str(), buffer, &length) != NO_ERROR) return false;
  buffer[kNameBuffer - 1] = '\0';
  Name = buffer;
  return true;
}

std::string TDriveComboBox::InCase(std::string Text) const {
  // ASCII letters only: a label or share name in any script is shown whole.
  if (FTextCase == TTextCase::tcUpperCase) UpperCaseAscii(Text);
  else LowerCaseAscii(Text);
  return Text;
}

std::string TDriveComboBox::VolumeText(const std::string& Root) {
  std::string label;
  if (!SystemVolumeLabel(Root, label)) label.clear();
  return "[" + InCase(label) + "]";
}

std::string TDriveComboBox::NetworkText(char Letter, const std::string& Root) {
  std::string drive(1, static_cast<char>(std::toupper(static_cast<unsigned char>(Letter))));
  drive += ':';
  std::string name;
  if (SystemRemoteName(drive, name)) return InCase(name);
  return VolumeText(Root);
}

void TDriveComboBox::RefreshDrives() {
  SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
  const DWORD mask = SystemDriveMask();
  for (int i = 0; i < 26; ++i) {
    if ((mask & (1u << i)) == 0) continue;
    const char letter = static_cast<char>((FTextCase == TTextCase::tcUpperCase ? 'A' : 'a') + i);
    const std::string shown(1, letter);
    const std::string root = shown + ":\\";
    std::string text;
    TDrivePicture picture;
    switch (SystemDriveType(root)) {
      case DRIVE_REMOVABLE:
        // No label is read, so no medium is touched.
        picture = TDrivePicture::dpFloppy;
        text = shown + ":";
        break;
      case DRIVE_FIXED:
        picture = TDrivePicture::dpHard;
        text = shown + ": " + VolumeText(root);
        break;
      case DRIVE_REMOTE:
        picture = TDrivePicture::dpNetwork;
        text = shown + ": " + NetworkText(letter, root);
        break;
      case DRIVE_CDROM:
        picture = TDrivePicture::dpCDROM;
        text = shown + ": " + VolumeText(root);
        break;
      case DRIVE_RAMDISK:
        picture = TDrivePicture::dpRAM;
        text = shown + ": " + VolumeText(root);
        break;
      default:
        continue;  // unknown kind or no root: not listed
    }
    LRESULT index = SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0)
      SendMessageA(Handle(), CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(picture));
  }
}

void TDriveComboBox::SelectDrive(char Letter) {
  if (ItemIndex() >= 0 && SameLetter(Letter, FDrive)) return;
  int found = -1;
  if (Letter != '\0') {
    const unsigned char c = static_cast<unsigned char>(Letter);
    FDrive = static_cast<char>(FTextCase == TTextCase::tcUpperCase ? std::toupper(c) : std::tolower(c));
    for (int i = 0, n = ItemCount(); i < n && found < 0; ++i) {
      std::string text = ItemText(i);
      if (text.size() >= 2 && SameLetter(text[0], FDrive) && text[1] == ':') found = i;
    }
  } else {
    FDrive = '\0';
  }
  SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(found), 0);
  if (FDirList != nullptr) FDirList->SetFolderDrive(FDrive);
  if (OnChange) OnChange(this);
}

void TDriveComboBox::SetTextCase(TTextCase Value) {
  if (Value == FTextCase) return;
  FTextCase = Value;
  const char remembered = FDrive;
  RefreshDrives();
  SelectDrive(remembered);
}

// ----------------------------------------------------------------- drawing

void TDriveComboBox::DrawItem(HDC DC, int Index, const RECT& Rect, UINT State) {
  const bool selected = (State & ODS_SELECTED) != 0;
  FillRect(DC, &Rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (Index >= 0 && Index < ItemCount()) {
    HBITMAP picture = FPictures[static_cast<int>(ItemPicture(Index))].Get();
    const SIZE size = PictureSize(picture);
    DrawTransparentPicture(DC, Rect.left + 2, Rect.top + (Rect.bottom - Rect.top - size.cy) / 2, picture);
    std::string text = ItemText(Index);
    RECT textRect = Rect;
    textRect.left += (picture != nullptr ? size.cx : 16) + 6;
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawAnsiText(DC, text, textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  if ((State & ODS_FOCUS) != 0) DrawFocusRect(DC, &Rect);
}

// ---------------------------------------------------------------- messages

bool TDriveComboBox::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  switch (Msg) {
    case WM_COMMAND:
      if (HIWORD(wParam) == CBN_SELCHANGE) {
        // The user picked an item: the usual click first, then the drive.
        Click();
        int index = ItemIndex();
        if (index >= 0) {
          std::string text = ItemText(index);
          if (!text.empty()) SelectDrive(text[0]);
        }
        return true;
      }
      return false;
    default:
      return AnswerOwnerDraw(Msg, lParam, Result, ItemHeight(), [this](HDC DC, int Index, const RECT& R, UINT State) {
        DrawItem(DC, Index, R, State);
      });
  }
}

LRESULT TDriveComboBox::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == WM_SETFONT) {
    LRESULT result = TWinControl::WndProc(Msg, wParam, lParam);
    MeasureItemHeight();
    return result;
  }
  return TWinControl::WndProc(Msg, wParam, lParam);
}

}  // namespace vr
