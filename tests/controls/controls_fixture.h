// A host window for the folder controls and spin edits under Wine: virtual
// time, modal boxes recorded and answered, beeps counted, and the process's
// current folder put back afterwards.
#pragma once

#include <windows.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "controls/spin_edit.h"
#include "platform/application.h"
#include "platform/exceptions.h"
#include "platform/forms.h"
#include "support/app_fixture.h"
#include "support/virtual_clock.h"

namespace vr::test {

class TControlsFixture {
 public:
  TControlsFixture() {
    char here[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, here);
    FOldFolder = here;
    InitApplication();
    Application->Title = "Vistaroam";
    Application->SetClock(&Clock);
    Application->ModalHook = [this](const TModalRequest& Request) {
      Boxes.push_back(Request);
      return IDOK;
    };
    TSpinEdit::BeepHook = [this] { ++Beeps; };
    TCustomForm::TParams params;
    params.Caption = "Controls";
    Form = std::make_unique<TCustomForm>(nullptr, params);
    Form->SetBounds(0, 0, 400, 300);
    Form->Show();
    Application->ProcessMessages();
  }
  ~TControlsFixture() {
    Form.reset();
    TSpinEdit::BeepHook = nullptr;
    Application->ModalHook = nullptr;
    Application->SetClock(nullptr);
    SetCurrentDirectoryA(FOldFolder.c_str());
  }
  TControlsFixture(const TControlsFixture&) = delete;
  TControlsFixture& operator=(const TControlsFixture&) = delete;

  // Makes a control on the host window.
  template <typename T>
  T* Make() {
    return Form->Make<T>(Form.get());
  }

  TVirtualClock Clock;
  std::unique_ptr<TCustomForm> Form;
  std::vector<TModalRequest> Boxes;
  int Beeps = 0;

 private:
  std::string FOldFolder;
};

// The scratch trees live on the drive of the temporary folder; tests that
// switch drives go to a folder on the other of Wine's two drives.
inline char OtherDrive(const std::string& Path) { return Path[0] == 'Z' || Path[0] == 'z' ? 'C' : 'Z'; }
inline std::string FolderOnOtherDrive(const std::string& Path) {
  return OtherDrive(Path) == 'C' ? "C:\\windows" : "Z:\\tmp";
}
inline char LowerLetter(char C) { return static_cast<char>(std::tolower(static_cast<unsigned char>(C))); }

inline std::string ProcessFolder() {
  char here[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, here);
  return here;
}

}  // namespace vr::test
