// The About window: product, version, rights, comments, the logged-on user
// and the machine's memory.
#pragma once

#include <windows.h>

#include <string>

#include "pictures/image_view.h"
#include "platform/forms.h"
#include "platform/std_controls.h"

namespace vr {

class TAboutBox : public TCustomForm {
 public:
  explicit TAboutBox(TComponent* AOwner);
  ~TAboutBox() override;
  const char* ClassName() const override { return "TAboutBox"; }

  TPanel* Panel1;
  TImage* Image1;
  TLabel* Label1;
  TLabel* Label2;
  TLabel* ProductName;
  TLabel* Version;
  TLabel* Copyright;
  TLabel* Comments;
  TLabel* LabelUser1;
  TLabel* LabelRes1;
  TImage* Image2;

  // Shows the window (not modal) with fresh user and memory lines.
  void ShowAbout(const std::string& Product, const std::string& AVersion, const std::string& Rights,
                 const std::string& AComments);
  void OKButtonClick(TObject* Sender);

 private:
  void FitTexts();
};

// The logged-on user's name, or "na" (also when it does not fit 30 characters).
std::string LogonUserText();
// The system call LogonUserText asks (tests put another in its place).
extern BOOL(WINAPI* GetUserNameCall)(LPSTR Buffer, LPDWORD Size);
// " Total/Free: " + total + " " + available + " kb. ", physical memory in KiB.
std::string MemoryStatusText();

extern TAboutBox* AboutBox;

}  // namespace vr
