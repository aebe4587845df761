// Choosing the folder: the drive selector, the folder list and the folder test.
#pragma once

#include <string>

#include "platform/controls.h"

namespace vr {

// Whether Path names an existing folder.
bool FolderExists(const std::string& Path);

class TDirectoryListBox;

class TDriveComboBox : public TWinControl {
 public:
  TDriveComboBox(TComponent* AOwner, TWinControl* AParent);
  const char* ClassName() const override { return "TDriveComboBox"; }
  char Drive() const { return FDrive; }
  void RefreshDrives();
  // Selects the drive and passes it on to the linked folder list.
  void SelectDrive(char Letter);
  TDirectoryListBox* DirList = nullptr;

 protected:
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;

 private:
  char FDrive = 'C';
};

class TDirectoryListBox : public TWinControl {
 public:
  TDirectoryListBox(TComponent* AOwner, TWinControl* AParent);
  const char* ClassName() const override { return "TDirectoryListBox"; }
  // A full path without a trailing "\" except at a drive root. Writing it
  // makes it the process's current folder, rebuilds the list and fires OnChange.
  const std::string& Directory() const { return FDirectory; }
  void SetDirectory(const std::string& Value);
  void SetDrive(char Letter);
  TNotifyEvent OnChange;

 protected:
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;

 private:
  void Rebuild();
  std::string FDirectory;
};

}  // namespace vr
