// The folder list: the path from the drive's root down to the current
// folder, then that folder's sub-folders, each with a picture. Its Directory
// is always the process's current folder.
#pragma once

#include <string>

#include "platform/controls.h"
#include "platform/handles.h"

namespace vr {

class TDriveComboBox;

// The picture an item shows: the root and the ancestors are open folders,
// the current folder has its own picture, the sub-folders are closed.
enum class TFolderPicture { fpOpen = 0, fpClosed = 1, fpCurrent = 2 };

class TDirectoryListBox : public TWinControl {
 public:
  TDirectoryListBox(TComponent* AOwner, TWinControl* AParent);
  ~TDirectoryListBox() override;
  const char* ClassName() const override { return "TDirectoryListBox"; }

  // The current folder: "X:\" for a root, else without a trailing "\".
  const std::string& Directory() const { return FDirectory; }
  // Assigning Directory is SetFolder.
  void SetDirectory(const std::string& Value) { SetFolder(Value); }
  // Opens the folder a path names (relative paths and a trailing file name
  // or pattern allowed), rebuilds the list and fires OnChange. A path equal
  // to Directory (ignoring case unless the volume is case-sensitive) does
  // nothing. A folder that cannot be entered raises EInOutError and leaves
  // everything as it was.
  void SetFolder(const std::string& Path);
  // Switches to the current folder of another drive.
  void SetFolderDrive(char Letter);
  // Lists the path to Directory and its sub-folders again.
  void RebuildFolderItems();
  // The folder an item stands for; empty beyond the items.
  std::string FolderOfItem(int Index) const;
  // Opens the selected item's folder (a double click and Enter do this).
  void OpenSelectedFolder();

  // The drive selector whose DirList this list is, or nullptr.
  TDriveComboBox* DriveCombo() const { return FDriveCombo; }
  TNotifyEvent OnChange;

  // Items.
  int ItemCount() const;
  std::string ItemText(int Index) const;
  TFolderPicture ItemPicture(int Index) const;
  // The item's indent from the left edge: Index * 4 + 2, and for the
  // sub-folders FolderLevel(Directory) * 4 + 6.
  int ItemIndent(int Index) const;
  int ItemIndex() const;
  void SetItemIndex(int Index);
  int ItemHeight() const;
  void SetItemHeight(int Value);
  // The case flags of Directory's volume, read at the last rebuild.
  bool PreserveCase() const { return FPreserveCase; }
  bool CaseSensitive() const { return FCaseSensitive; }
  // True while SetFolder switches drives.
  bool InSetFolder() const { return FInSetFolder; }
  // Draws one item (the list's owner drawing).
  void DrawItem(HDC DC, int Index, const RECT& Rect, UINT State);

 protected:
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
  void BoundsChanged() override;
  void ScaleChanged() override { MeasureItemHeight(); }

 private:
  friend class TDriveComboBox;
  void ShowFromTop();
  void AddItem(const std::string& Text, TFolderPicture Picture);
  HBITMAP Picture(TFolderPicture Kind) const;
  void MeasureItemHeight();
  void Notify();

  std::string FDirectory;
  bool FPreserveCase = true;
  bool FCaseSensitive = false;
  bool FInSetFolder = false;
  int FCurrentIndex = -1;  // the current folder's item
  bool FShowFromTopWhenSized = false;  // filled while it had no room for an item
  TDriveComboBox* FDriveCombo = nullptr;
  TBitmapHandle FOpenPicture;
  TBitmapHandle FClosedPicture;
  TBitmapHandle FCurrentPicture;
};

}  // namespace vr
