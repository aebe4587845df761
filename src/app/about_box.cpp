#include "app/about_box.h"

#include <windows.h>

#include <algorithm>

#include "pictures/bitmap.h"
#include "pictures/icon/icon_win.h"
#include "platform/resources.h"

namespace vr {

TAboutBox* AboutBox = nullptr;

namespace {

TCustomForm::TParams AboutParams() {
  TCustomForm::TParams p;
  p.Caption = "About";
  p.BorderStyle = TBorderStyle::bsDialog;
  p.StayOnTop = true;
  p.FontPixels = 14;
  return p;
}

}  // namespace

BOOL(WINAPI* GetUserNameCall)(LPSTR Buffer, LPDWORD Size) = GetUserNameA;

std::string LogonUserText() {
  // A name of up to 29 characters and its NUL. In UTF-8 a character takes
  // up to three bytes for each of its UTF-16 units: the buffer is counted
  // in bytes, the limit in characters.
  constexpr int kCharacters = 30;
  char name[kCharacters * 3];
  DWORD size = sizeof name;
  if (!GetUserNameCall(name, &size)) return "na";
  std::string text(name, strnlen(name, sizeof name));
  const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (units >= kCharacters || (units == 0 && !text.empty())) return "na";
  return text;
}

std::string MemoryStatusText() {
  MEMORYSTATUS status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatus(&status);
  return " Total/Free: " + std::to_string(status.dwTotalPhys >> 10) + " " + std::to_string(status.dwAvailPhys >> 10) +
         " kb. ";
}

TAboutBox::TAboutBox(TComponent* AOwner) : TCustomForm(AOwner, AboutParams()) {
  Name = "AboutBox";
  SetClientSize(345, 185);
  auto label = [this](const char* name, const char* caption, int x, int y, int width) {
    TLabel* l = Make<TLabel>(Panel1, caption);
    l->Name = name;
    l->SetBounds(x, y, width, 17);
    return l;
  };
  Panel1 = Make<TPanel>(this);
  Panel1->Name = "Panel1";
  Panel1->Color = clWhite;
  Panel1->BevelInner = TBevelCut::bvRaised;
  Panel1->BevelOuter = TBevelCut::bvLowered;
  Panel1->SetAlign(TAlign::alClient);
  Image1 = Make<TImage>(Panel1);
  Image1->Name = "Image1";
  Image1->SetBounds(8, 8, 157, 78);
  Image1->SetStretch(true);
  TBitmap logo;
  logo.SetSystemHandle(LoadBitmapResource("ABOUTLOGO").Release());
  Image1->Picture().AssignFrom(&logo);
  Label1 = label("Label1", "vistaroam.invalid", 176, 8, 160);
  Label1->OnClick = [this](TObject* s) { OKButtonClick(s); };
  Label2 = label("Label2", "hello@vistaroam.invalid", 176, 26, 160);
  ProductName = label("ProductName", "", 176, 50, 160);
  Version = label("Version", "", 176, 68, 160);
  Copyright = label("Copyright", "", 8, 94, 330);
  Comments = label("Comments", "", 8, 112, 330);
  LabelUser1 = label("LabelUser1", "", 8, 130, 290);
  LabelRes1 = label("LabelRes1", "", 8, 156, 290);
  Image2 = Make<TImage>(Panel1);
  Image2->Name = "Image2";
  Image2->SetBounds(305, 145, 32, 32);
  Image2->OnClick = [this](TObject* s) { OKButtonClick(s); };
  TMemoryStream icon(LoadDataResource("ABOUTICON"));
  try {
    TIcon programIcon;
    programIcon.LoadFromStream(icon);
    Image2->Picture().AssignFrom(&programIcon);
  } catch (const Exception&) {
    // Without its icon the window still shows everything else.
  }
  // Labels on the white panel take its colour; STATIC controls ask their parent.
  for (TControl* c : Panel1->Controls())
    if (auto* l = dynamic_cast<TLabel*>(c)) l->Color = clWhite;
  ScaleToScreen();
  CenterOnScreen();
  Loaded();
}

TAboutBox::~TAboutBox() {
  if (AboutBox == this) AboutBox = nullptr;
}

void TAboutBox::ShowAbout(const std::string& Product, const std::string& AVersion, const std::string& Rights,
                          const std::string& AComments) {
  Show();
  SetCaption("ABOUT " + Product);
  ProductName->SetCaption(Product);
  Version->SetCaption("Version: " + AVersion);
  Copyright->SetCaption("Copyright: " + Rights);
  Comments->SetCaption(AComments);
  LabelUser1->SetCaption("User: " + LogonUserText());
  LabelRes1->SetCaption("Memory " + MemoryStatusText());
  FitTexts();
}

void TAboutBox::FitTexts() {
  // The design size is a minimum: where the system's font makes a text wider
  // than its place, the window grows so that nothing is cut.
  int right = Scaled(345 - 8);
  for (TLabel* l : {Label1, Label2, ProductName, Version, Copyright, Comments, LabelUser1, LabelRes1}) {
    l->AutoSize();
    right = std::max(right, l->Left() + l->Width());
  }
  // The icon sits beside the memory line.
  right = std::max(right, LabelRes1->Left() + LabelRes1->Width() + Scaled(40));
  SetClientSize(right + Scaled(8), Scaled(185));
  CenterOnScreen();
  Image2->SetBounds(right + Scaled(8 - 40), Scaled(145), Scaled(32), Scaled(32));
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TAboutBox::OKButtonClick(TObject* Sender) { Close(); }

}  // namespace vr
