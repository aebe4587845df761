#include "controls/directory_list_box.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "controls/current_folder.h"
#include "controls/drive_combo_box.h"
#include "controls/folder_resolution.h"
#include "controls/folder_test.h"
#include "controls/owner_draw.h"
#include "platform/ascii_case.h"
#include "platform/folder_entries.h"
#include "platform/resources.h"
#include "platform/scope_guard.h"
#include "platform/wide_text.h"

namespace vr {

namespace {

bool LocaleLessIgnoringCase(const std::string& A, const std::string& B) {
  return CompareFileNames(A, B) == CSTR_LESS_THAN;
}

bool SameLetter(char A, char B) {
  return std::tolower(static_cast<unsigned char>(A)) == std::tolower(static_cast<unsigned char>(B));
}

// The sub-folders of Folder that the list shows: no "." or "..", nothing
// hidden or system.
std::vector<std::string> SubFolders(const std::string& Folder) {
  std::vector<std::string> names;
  std::string pattern = Folder;
  if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
  pattern += "*.*";
  for (TFolderEntries entries(pattern); entries.Have(); entries.Next()) {
    std::string name = entries.Name();
    if (!entries.IsFolder() || name == "." || name == "..") continue;
    if ((entries.Attributes() & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) continue;
    names.push_back(std::move(name));
  }
  std::stable_sort(names.begin(), names.end(), LocaleLessIgnoringCase);
  return names;
}

}  // namespace

TDirectoryListBox::TDirectoryListBox(TComponent* AOwner, TWinControl* AParent)
    : TWinControl(AOwner, AParent),
      FOpenPicture(LoadBitmapResource("OPENFOLDER")),
      FClosedPicture(LoadBitmapResource("CLOSEDFOLDER")),
      FCurrentPicture(LoadBitmapResource("CURRENTFOLDER")) {
  FDirectory = CurrentFolder();
  CreateHandle("LISTBOX",
               LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
               WS_EX_CLIENTEDGE, "");
  MeasureItemHeight();
  RememberDriveFolder(FDirectory);
  RebuildFolderItems();
}

TDirectoryListBox::~TDirectoryListBox() {
  if (FDriveCombo != nullptr) FDriveCombo->FDirList = nullptr;
}

// ------------------------------------------------------------------ items

int TDirectoryListBox::ItemCount() const {
  LRESULT n = SendMessageA(Handle(), LB_GETCOUNT, 0, 0);
  return n == LB_ERR ? 0 : static_cast<int>(n);
}

std::string TDirectoryListBox::ItemText(int Index) const {
  LRESULT n = SendMessageA(Handle(), LB_GETTEXTLEN, static_cast<WPARAM>(Index), 0);
  if (n == LB_ERR || n < 0) return std::string();
  std::string text(static_cast<size_t>(n) + 1, '\0');
  n = SendMessageA(Handle(), LB_GETTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(n == LB_ERR || n < 0 ? 0 : static_cast<size_t>(n));
  return text;
}

TFolderPicture TDirectoryListBox::ItemPicture(int Index) const {
  LRESULT data = SendMessageA(Handle(), LB_GETITEMDATA, static_cast<WPARAM>(Index), 0);
  switch (data) {
    case static_cast<LRESULT>(TFolderPicture::fpClosed): return TFolderPicture::fpClosed;
    case static_cast<LRESULT>(TFolderPicture::fpCurrent): return TFolderPicture::fpCurrent;
    default: return TFolderPicture::fpOpen;
  }
}

int TDirectoryListBox::ItemIndent(int Index) const {
  if (ItemPicture(Index) == TFolderPicture::fpClosed) return FolderLevel(FDirectory) * 4 + 6;
  return Index * 4 + 2;
}

int TDirectoryListBox::ItemIndex() const {
  LRESULT i = SendMessageA(Handle(), LB_GETCURSEL, 0, 0);
  return i == LB_ERR ? -1 : static_cast<int>(i);
}

void TDirectoryListBox::SetItemIndex(int Index) {
  SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(Index), 0);
}

int TDirectoryListBox::ItemHeight() const {
  return static_cast<int>(SendMessageA(Handle(), LB_GETITEMHEIGHT, 0, 0));
}

void TDirectoryListBox::SetItemHeight(int Value) {
  if (Value < 1) Value = 1;
  SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, MAKELPARAM(std::min(Value, 255), 0));
  // Fewer rows may fit now: the selected item stays in view.
  const int selected = ItemIndex();
  if (selected >= 0) SetItemIndex(selected);
  Invalidate();
}

void TDirectoryListBox::MeasureItemHeight() {
  SetItemHeight(std::max(FontTextHeight(Font()), Scaled(static_cast<int>(PictureSize(FOpenPicture.Get()).cy) + 1)));
}

void TDirectoryListBox::AddItem(const std::string& Text, TFolderPicture Picture) {
  LRESULT i = SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text.c_str()));
  if (i == LB_ERR || i == LB_ERRSPACE) return;
  SendMessageA(Handle(), LB_SETITEMDATA, static_cast<WPARAM>(i), static_cast<LPARAM>(Picture));
}

HBITMAP TDirectoryListBox::Picture(TFolderPicture Kind) const {
  switch (Kind) {
    case TFolderPicture::fpClosed: return FClosedPicture.Get();
    case TFolderPicture::fpCurrent: return FCurrentPicture.Get();
    default: return FOpenPicture.Get();
  }
}

void TDirectoryListBox::RebuildFolderItems() {
  // The list's drawing is suspended while it is refilled, and it is repainted after.
  SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
  TScopeGuard redraw([Wnd = Handle()] {
    SendMessageA(Wnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Wnd, nullptr, TRUE);
  });
  SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
  const std::string drive = DrivePart(FDirectory);
  const std::string root = drive + "\\";

  DWORD flags = 0;
  {
    TCriticalErrorsOff quiet;
    if (!GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) flags = 0;
  }
  FPreserveCase = (flags & (FILE_CASE_PRESERVED_NAMES | FILE_CASE_SENSITIVE_SEARCH)) != 0;
  FCaseSensitive = (flags & FILE_CASE_SENSITIVE_SEARCH) != 0;

  std::string rest = FDirectory;
  const bool network = root.size() >= 2 && root[1] == '\\';
  if (network) {
    AddItem(root, TFolderPicture::fpOpen);
    rest = FDirectory.size() > root.size() ? FDirectory.substr(root.size()) : std::string();
  }
  if (!rest.empty()) {
    if (rest.back() != '\\') {
      bool first = true;
      for (size_t separator = NextSeparator(rest); separator != std::string::npos; separator = NextSeparator(rest)) {
        std::string component = rest.substr(0, separator);
        rest.erase(0, separator + 1);
        if (first && !network) component += '\\';  // "X:" becomes the root "X:\"
        first = false;
        AddItem(component, TFolderPicture::fpOpen);
      }
    }
    AddItem(rest, TFolderPicture::fpCurrent);
  }
  FCurrentIndex = ItemCount() - 1;

  for (const std::string& name : SubFolders(FDirectory)) AddItem(name, TFolderPicture::fpClosed);
  ShowFromTop();
}

void TDirectoryListBox::ShowFromTop() {
  // The path reads from the root down; the list scrolls only as far as
  // the current folder needs to be in view.
  SendMessageA(Handle(), LB_SETTOPINDEX, 0, 0);
  SetItemIndex(FCurrentIndex);
  // Without room for one item the list scrolled as if one fitted: it
  // shows from the top again once it has room.
  FShowFromTopWhenSized = ClientHeight() < ItemHeight();
}

void TDirectoryListBox::BoundsChanged() {
  // Otherwise a resize keeps the user's scroll position and selection.
  if (FShowFromTopWhenSized) ShowFromTop();
}

// ----------------------------------------------------------------- folders

std::string TDirectoryListBox::FolderOfItem(int Index) const {
  if (Index < 0 || Index >= ItemCount()) return std::string();
  const std::string drive = DrivePart(FDirectory);
  if (Index == 0) return drive + "\\";
  if (ItemPicture(Index) == TFolderPicture::fpClosed) {
    std::string folder = FDirectory;
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder + ItemText(Index);
  }
  if (Index == FCurrentIndex) return FDirectory;
  // An ancestor: the path up to its own "\" (the (Index + 1)-th after the drive).
  const std::string path = FDirectory.substr(drive.size());
  size_t end = std::string::npos;
  size_t from = 0;
  for (int n = 0; n <= Index; ++n) {
    end = NextSeparator(path, from);
    if (end == std::string::npos) break;
    from = end + 1;
  }
  return drive + path.substr(0, end);
}

void TDirectoryListBox::OpenSelectedFolder() { SetFolder(FolderOfItem(ItemIndex())); }

void TDirectoryListBox::SetFolder(const std::string& Path) {
  if (Path.empty()) return;
  if (FCaseSensitive ? Path == FDirectory : SameFileName(Path, FDirectory)) return;
  const TResolvedFolder resolved = ResolveFolderPath(Path);

  const std::string before = FDirectory;
  const char current = FDirectory.empty() ? '\0' : FDirectory[0];
  if (!SameLetter(resolved.Drive, current)) {
    // The drive switch only moves Directory; the list is rebuilt below, once.
    FInSetFolder = true;
    try {
      if (FDriveCombo != nullptr) FDriveCombo->SelectDrive(resolved.Drive);
      else SetFolderDrive(resolved.Drive);
    } catch (...) {
      FInSetFolder = false;
      throw;
    }
    FInSetFolder = false;
  }

  try {
    if (FolderExists(FDirectory)) ChangeFolder(FDirectory);
    ChangeFolder(resolved.FolderPart);
  } catch (...) {
    // The folder went away after it was resolved. If the drive switch
    // already moved Directory, the list follows it before the error goes on.
    if (FDirectory != before) {
      FDirectory = CurrentFolder();
      RebuildFolderItems();
      Notify();
    }
    throw;
  }
  FDirectory = CurrentFolder();
  RememberDriveFolder(FDirectory);
  RebuildFolderItems();
  Notify();
}

void TDirectoryListBox::SetFolderDrive(char Letter) {
  if (!FDirectory.empty() && SameLetter(Letter, FDirectory[0])) return;
  if (Letter != '\0') {
    ChangeToDrive(Letter);
    FDirectory = CurrentFolder();
    RememberDriveFolder(FDirectory);
  }
  if (!FInSetFolder) {
    RebuildFolderItems();
    Notify();
  }
}

void TDirectoryListBox::Notify() {
  if (OnChange) OnChange(this);
}

// ----------------------------------------------------------------- drawing

void TDirectoryListBox::DrawItem(HDC DC, int Index, const RECT& Rect, UINT State) {
  const bool selected = (State & ODS_SELECTED) != 0;
  FillRect(DC, &Rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (Index >= 0 && Index < ItemCount()) {
    const int indent = ItemIndent(Index);
    HBITMAP picture = Picture(ItemPicture(Index));
    const SIZE size = PictureSize(picture);
    DrawTransparentPicture(DC, Rect.left + indent, Rect.top + (Rect.bottom - Rect.top - size.cy) / 2, picture);
    std::string text = ItemText(Index);
    // A volume that neither keeps nor tells case shows its names in lower
    // case (ASCII letters: a name in any other script is shown whole).
    if (!FPreserveCase && !FCaseSensitive) LowerCaseAscii(text);
    const int x = Rect.left + (picture != nullptr ? size.cx : 16) + indent + 4;
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    AnsiTextOut(DC, x, Rect.top, text);
  }
  if ((State & ODS_FOCUS) != 0) DrawFocusRect(DC, &Rect);
}

// ---------------------------------------------------------------- messages

bool TDirectoryListBox::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  switch (Msg) {
    case WM_COMMAND:
      if (HIWORD(wParam) == LBN_DBLCLK) {
        OpenSelectedFolder();
        return true;
      }
      return false;
    default:
      return AnswerOwnerDraw(Msg, lParam, Result, ItemHeight(), [this](HDC DC, int Index, const RECT& R, UINT State) {
        DrawItem(DC, Index, R, State);
      });
  }
}

LRESULT TDirectoryListBox::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        LRESULT result = TWinControl::WndProc(Msg, wParam, lParam);
        OpenSelectedFolder();
        return result;
      }
      break;
    case WM_SETFONT: {
      LRESULT result = TWinControl::WndProc(Msg, wParam, lParam);
      MeasureItemHeight();
      return result;
    }
    default:
      break;
  }
  return TWinControl::WndProc(Msg, wParam, lParam);
}

}  // namespace vr
