// The drive selector: a drop-down list of the machine's drives, each with a
// picture and its label, linked to a folder list that it switches drives on.
#pragma once

#include <string>

#include "platform/controls.h"
#include "platform/handles.h"

namespace vr {

class TDirectoryListBox;

enum class TTextCase { tcLowerCase, tcUpperCase };

// The pictures of the drive kinds, in the order of their resources.
enum class TDrivePicture { dpFloppy = 0, dpHard = 1, dpNetwork = 2, dpCDROM = 3, dpRAM = 4 };

class TDriveComboBox : public TWinControl {
 public:
  TDriveComboBox(TComponent* AOwner, TWinControl* AParent);
  ~TDriveComboBox() override;
  const char* ClassName() const override { return "TDriveComboBox"; }

  // The selected drive letter, in the case TextCase gives; '\0' for none.
  char Drive() const { return FDrive; }
  // Assigning Drive is SelectDrive.
  void SetDrive(char Letter) { SelectDrive(Letter); }
  // Rebuilds the list of present drives.
  void RefreshDrives();
  // Selects the drive's item and passes the drive on to the linked folder
  // list; nothing happens when that drive is already selected.
  void SelectDrive(char Letter);

  TTextCase TextCase() const { return FTextCase; }
  void SetTextCase(TTextCase Value);
  // The linked folder list, or nullptr. Each side forgets the other when
  // the other is destroyed.
  TDirectoryListBox* DirList() const { return FDirList; }
  void SetDirList(TDirectoryListBox* Value);
  TNotifyEvent OnChange;

  int ItemCount() const;
  std::string ItemText(int Index) const;
  TDrivePicture ItemPicture(int Index) const;
  int ItemIndex() const;
  int ItemHeight() const;
  // Draws one item (the list's owner drawing).
  void DrawItem(HDC DC, int Index, const RECT& Rect, UINT State);

 protected:
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
  void ScaleChanged() override { MeasureItemHeight(); }
  // What the selector asks the system about drives; tests stand in for
  // drive kinds the test machine lacks.
  virtual DWORD SystemDriveMask();
  virtual UINT SystemDriveType(const std::string& Root);
  virtual bool SystemVolumeLabel(const std::string& Root, std::string& Label);
  virtual bool SystemRemoteName(const std::string& Drive, std::string& Name);

 private:
  friend class TDirectoryListBox;
  std::string VolumeText(const std::string& Root);
  std::string NetworkText(char Letter, const std::string& Root);
  std::string InCase(std::string Text) const;
  void MeasureItemHeight();

  char FDrive = '\0';
  TTextCase FTextCase = TTextCase::tcLowerCase;
  TDirectoryListBox* FDirList = nullptr;
  TBitmapHandle FPictures[5];
};

}  // namespace vr
