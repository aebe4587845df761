#include "app/main_form.h"

#include <algorithm>
#include <exception>

#include "app/about_box.h"
#include "app/settings_store.h"
#include "app/start_picture.h"
#include "platform/application.h"

namespace vr {

TForm1* Form1 = nullptr;

namespace {

TCustomForm::TParams MainWindowParams() {
  TCustomForm::TParams p;
  p.Caption = "Vistaroam";
  return p;
}

}  // namespace

TForm1::TForm1(TComponent* AOwner)
    : TCustomForm(AOwner, MainWindowParams()), FShortDateFormat(SystemShortDateFormat()) {
  Name = "Form1";
  SetBounds(0, 0, 616, 469);
  WindowState = TWindowState::wsMaximized;
  CreateControls();
  ScaleToScreen();
  OnActivate = [this](TObject* s) { FormActivate(s); };
  try {
    Loaded();
  } catch (...) {
    // A player that cannot open its file (AutoOpen) leaves the window usable.
    Application->HandleException();
  }
  try {
    FormCreate(this);
  } catch (...) {
    // The window still opens; the user sees what went wrong.
    Application->HandleException();
  }
}

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
}

// ------------------------------------------------------------------ controls
//
// The controls are made in layout order, area by area; each area keeps its
// design rectangles (at 96 dpi) together.

TSpeedButton* TForm1::MakeSpeedButton(TWinControl* Parent, const char* Name, const char* Caption, const char* Hint,
                                      int Width) {
  TSpeedButton* b = Make<TSpeedButton>(Parent, Caption);
  b->Name = Name;
  b->SetBounds(0, 0, std::max(Width, b->TextWidth() + 12), 22);
  b->SetHint(Hint);
  return b;
}

TLabel* TForm1::MakeLabel(TWinControl* Parent, const char* Name, const char* Caption, int X, int Y) {
  TLabel* l = Make<TLabel>(Parent, Caption);
  l->Name = Name;
  l->SetBounds(X, Y, 10, 13);
  l->AutoSize();
  return l;
}

TCheckBox* TForm1::MakeCheckBox(TWinControl* Parent, const char* Name, const char* Caption, bool Checked, int X, int Y,
                                int Width) {
  TCheckBox* c = Make<TCheckBox>(Parent, Caption);
  c->Name = Name;
  c->SetBounds(X, Y, Width, 17);
  if (Checked) SendMessageA(c->Handle(), BM_SETCHECK, BST_CHECKED, 0);
  return c;
}

TSpinEdit* TForm1::MakeSpinEdit(TWinControl* Parent, const char* Name, int X, int Y, int Width, int MinValue,
                                int MaxValue, int Increment, int Value, int Tag, const char* Hint) {
  TSpinEdit* s = Make<TSpinEdit>(Parent);
  s->Name = Name;
  s->SetBounds(X, Y, Width, 21);
  s->MinValue = MinValue;
  s->MaxValue = MaxValue;
  s->Increment = Increment;
  s->SetValue(Value);
  s->Tag = Tag;
  if (Hint != nullptr) s->SetHint(Hint);
  return s;
}

void TForm1::CreateControls() {
  CreateToolBar();
  CreateStatusLines();
  CreateSidePanel();
  CreatePictureArea();
  Timer1 = Make<TTimer>();
  Timer1->Name = "Timer1";
  Timer1->SetInterval(500);
  ConnectHandlers();  // the timer runs from here on
}

void TForm1::CreateToolBar() {
  // Across the top; the buttons are laid out left to right in this order.
  ToolBar1 = Make<TToolBar>(this);
  ToolBar1->Name = "ToolBar1";
  ToolBar1->SetBounds(0, 0, 616, 29);
  ToolBar1->SetAlign(TAlign::alTop);
  SpeedButtonQuit1 = MakeSpeedButton(ToolBar1, "SpeedButtonQuit1", "Quit", "Quit program", 45);
  SpeedButtonQuit1->GroupIndex = 5;
  SpeedButtonQuit1->AllowAllUp = true;
  SpeedButtonGo1 = MakeSpeedButton(ToolBar1, "SpeedButtonGo1", "Go ", "Go scan images", 45);
  SpeedButtonGo1->GroupIndex = 5;
  SpeedButtonGo1->AllowAllUp = true;
  SpeedButtonAbort1 = MakeSpeedButton(ToolBar1, "SpeedButtonAbort1", "Abort", "Abort scan", 45);
  SpeedButtonAbort1->GroupIndex = 5;
  SpeedButtonAbort1->AllowAllUp = true;
  Splitter2 = Make<TToolSeparator>(ToolBar1, 7);
  SpeedButtonPause1 = MakeSpeedButton(ToolBar1, "SpeedButtonPause1", "Pause Off", "Pause Scanning", 60);
  SpeedButtonPause1->GroupIndex = 22;
  SpeedButtonPause1->SetDown(true);
  SpeedButtonPause2 = MakeSpeedButton(ToolBar1, "SpeedButtonPause2", "Pause On", "Pause Scanning", 60);
  SpeedButtonPause2->GroupIndex = 22;
  SpeedButtonPause2->Tag = 1;
  Splitter1 = Make<TToolSeparator>(ToolBar1, 7);
  SpeedButtonNormal1 = MakeSpeedButton(ToolBar1, "SpeedButtonNormal1", "Normal", "Normal display ( no stretch)", 50);
  SpeedButtonNormal1->GroupIndex = 15;
  SpeedButtonNormal1->AllowAllUp = true;
  SpeedButtonNormal1->SetDown(true);
  SpeedButtonStretch1 = MakeSpeedButton(ToolBar1, "SpeedButtonStretch1", "Stretch", "Stretch to fit screen", 50);
  SpeedButtonStretch1->GroupIndex = 15;
  SpeedButtonStretch1->AllowAllUp = true;
  Splitter4 = Make<TToolSeparator>(ToolBar1, 7);
  SpeedButtonScreen1 = MakeSpeedButton(ToolBar1, "SpeedButtonScreen1", "Screen", "Toggle full screen", 50);
  Splitter5 = Make<TToolSeparator>(ToolBar1, 7);
  SpeedButtonFast1 = MakeSpeedButton(ToolBar1, "SpeedButtonFast1", "Fast", "Fast Scan", 45);
  SpeedButtonFast1->GroupIndex = 12;
  SpeedButtonFast1->SetDown(true);
  SpeedButtonSlow1 = MakeSpeedButton(ToolBar1, "SpeedButtonSlow1", "Slow", "Slow scan", 45);
  SpeedButtonSlow1->GroupIndex = 12;
  SpeedButtonSlow1->Tag = 1;
  Splitter3 = Make<TToolSeparator>(ToolBar1, 4);
  // The About button shows a picture; its window text names it for screen readers.
  SpeedButtonAbout1 = MakeSpeedButton(ToolBar1, "SpeedButtonAbout1", "About", "About", 25);
  SpeedButtonAbout1->SetGlyph("ABOUTGLYPH", 2);
  SpeedButtonAbout1->SetWidth(25);
}

void TForm1::CreateStatusLines() {
  // At the bottom, StatusBar1 above StatusBar2.
  StatusBar1 = Make<TStatusBar>(this);
  StatusBar1->Name = "StatusBar1";
  StatusBar1->SetBounds(0, 0, 616, 19);
  StatusBar1->SetAlign(TAlign::alBottom);
  StatusBar1->SetSimpleText("Test");
  StatusBar2 = Make<TStatusBar>(this);
  StatusBar2->Name = "StatusBar2";
  StatusBar2->SetBounds(0, 0, 616, 19);
  StatusBar2->SetAlign(TAlign::alBottom);
}

void TForm1::CreateSidePanel() {
  // On the left: the settings panel above, the log below.
  PanelSide1 = Make<TPanel>(this);
  PanelSide1->Name = "PanelSide1";
  PanelSide1->BevelOuter = TBevelCut::bvNone;
  PanelSide1->SetBounds(0, 0, 313, 400);
  PanelSide1->SetAlign(TAlign::alLeft);
  Panel2 = Make<TPanel>(PanelSide1, true);
  Panel2->Name = "Panel2";
  Panel2->BevelInner = TBevelCut::bvRaised;
  Panel2->BevelWidth = 2;
  Panel2->SetBounds(0, 0, 313, 328);
  Panel2->SetAlign(TAlign::alTop);
  CreateFolderChoice();
  CreatePictureSettings();
  CreateSoundSettings();
  CreateLog();
}

void TForm1::CreateFolderChoice() {
  // The settings panel's left column: drive, folder, path and loop count.
  DriveComboBox1 = Make<TDriveComboBox>(Panel2);
  DriveComboBox1->Name = "DriveComboBox1";
  DriveComboBox1->SetBounds(8, 16, 169, 200);
  SpeedButtonRefresh1 = MakeSpeedButton(Panel2, "SpeedButtonRefresh1", "Refresh", "Refresh", 17);
  SpeedButtonRefresh1->SetBounds(176, 16, 17, 19);
  SpeedButtonRefresh1->SetGlyph("REFRESHGLYPH");
  DirectoryListBox1 = Make<TDirectoryListBox>(Panel2);
  DirectoryListBox1->Name = "DirectoryListBox1";
  DirectoryListBox1->SetBounds(8, 40, 185, 65);
  DirectoryListBox1->SetItemHeight(16);
  DriveComboBox1->SetDirList(DirectoryListBox1);
  Editpath1 = Make<TEdit>(Panel2, "Editpath1");
  Editpath1->Name = "Editpath1";
  Editpath1->SetBounds(8, 112, 185, 21);
  Labelloop1 = MakeLabel(Panel2, "Labelloop1", "Loops", 16, 144);
  Labelloop1->SetWidth(55);
  SpinEditLoop1 = MakeSpinEdit(Panel2, "SpinEditLoop1", 72, 141, 81, 0, 1000, 1, 1, 0, nullptr);
  Label13 = MakeLabel(Panel2, "Label13", "zero is auto", 66, 163);
  Label13->SetFontStyle(false, true);
  Label13->AutoSize();
}

void TForm1::CreatePictureSettings() {
  // The settings panel's right column: picture display, timings and file types.
  GroupBox1 = Make<TGroupBox>(Panel2, "Control Image");
  GroupBox1->Name = "GroupBox1";
  GroupBox1->SetBounds(198, 5, 105, 312);
  CheckBoxAutoSize1 = MakeCheckBox(GroupBox1, "CheckBoxAutoSize1", "AutoSize", true, 8, 16, 90);
  CheckBoxTransParent1 = MakeCheckBox(GroupBox1, "CheckBoxTransParent1", "Transparent", true, 8, 33, 90);
  Label1 = MakeLabel(GroupBox1, "Label1", "Timer ms.", 8, 53);
  Label1->SetFontStyle(true, false);
  Label1->AutoSize();
  Label7 = MakeLabel(GroupBox1, "Label7", "Slow", 8, 72);
  SpinEditSlow1 =
      MakeSpinEdit(GroupBox1, "SpinEditSlow1", 36, 69, 61, 200, 10000, 200, 1000, 0, "Time on Display in milli.sec");
  Label6 = MakeLabel(GroupBox1, "Label6", "Fast", 8, 96);
  SpinEditFast1 =
      MakeSpinEdit(GroupBox1, "SpinEditFast1", 36, 93, 61, 10, 1000, 10, 100, 0, "Time on Display in milli.sec");
  CheckBoxJpg1 = MakeCheckBox(GroupBox1, "CheckBoxJpg1", "Get Jpg", true, 8, 118, 90);
  CheckBoxBMP1 = MakeCheckBox(GroupBox1, "CheckBoxBMP1", "Get BMP", true, 8, 135, 90);
  CheckBoxGIF1 = MakeCheckBox(GroupBox1, "CheckBoxGIF1", "Get GIF", true, 8, 152, 90);
  CheckBoxPNG1 = MakeCheckBox(GroupBox1, "CheckBoxPNG1", "Get PNG", true, 8, 169, 90);
  CheckBoxIco1 = MakeCheckBox(GroupBox1, "CheckBoxIco1", "Get ICO", false, 8, 186, 90);
  CheckBoxWmf1 = MakeCheckBox(GroupBox1, "CheckBoxWmf1", "Get WMF", false, 8, 203, 90);
  CheckBoxEmf1 = MakeCheckBox(GroupBox1, "CheckBoxEmf1", "Get EMF", false, 8, 220, 90);
  Label4 = MakeLabel(GroupBox1, "Label4", "Height:", 8, 244);
  EditHeight1 = Make<TEdit>(GroupBox1, "Height");
  EditHeight1->Name = "EditHeight1";
  EditHeight1->SetBounds(46, 241, 51, 21);
  Label5 = MakeLabel(GroupBox1, "Label5", "Width:", 8, 270);
  EditWidth1 = Make<TEdit>(GroupBox1, "Width");
  EditWidth1->Name = "EditWidth1";
  EditWidth1->SetBounds(46, 267, 51, 21);
}

void TForm1::CreateSoundSettings() {
  // Below the folder choice: sound file types, timings and the player.
  GroupBox2 = Make<TGroupBox>(Panel2, "Sound");
  GroupBox2->Name = "GroupBox2";
  GroupBox2->SetBounds(16, 176, 175, 137);
  CheckBoxWav1 = MakeCheckBox(GroupBox2, "CheckBoxWav1", "Get Wav", false, 8, 16, 75);
  CheckBoxMid1 = MakeCheckBox(GroupBox2, "CheckBoxMid1", "Get Mid", false, 8, 33, 75);
  CheckBoxMp3 = MakeCheckBox(GroupBox2, "CheckBoxMp3", "Get MP3", false, 92, 16, 75);
  CheckBoxWma = MakeCheckBox(GroupBox2, "CheckBoxWma", "Get WMA", false, 92, 33, 75);
  Label9 = MakeLabel(GroupBox2, "Label9", "Timer sec.", 8, 53);
  Label9->SetFontStyle(true, false);
  Label9->AutoSize();
  Label8 = MakeLabel(GroupBox2, "Label8", "Timer sec.", 92, 53);
  Label8->SetFontStyle(true, false);
  Label8->AutoSize();
  SpinEditSound0 = MakeSpinEdit(GroupBox2, "SpinEditSound0", 8, 68, 65, 0, 300, 1, 2, 2, "Time for Sound in sec.");
  SpinEditSound1 = MakeSpinEdit(GroupBox2, "SpinEditSound1", 92, 68, 65, 0, 500, 1, 2, 3, "Time for Sound in secs");
  Label12 = MakeLabel(GroupBox2, "Label12", "zero is auto", 8, 90);
  Label12->SetFontStyle(false, true);
  Label12->AutoSize();
  Label11 = MakeLabel(GroupBox2, "Label11", "zero is auto", 92, 90);
  Label11->SetFontStyle(false, true);
  Label11->AutoSize();
  MediaPlayer1 = Make<TMediaPlayer>(GroupBox2);
  MediaPlayer1->Name = "MediaPlayer1";
  // The buttons first: the width snaps to whole buttons of the visible set.
  MediaPlayer1->SetVisibleButtons(
      {TMPBtnType::btPlay, TMPBtnType::btPause, TMPBtnType::btStop, TMPBtnType::btNext, TMPBtnType::btPrev});
  MediaPlayer1->SetColoredButtons({});
  MediaPlayer1->SetBounds(14, 107, 141, 20);
  MediaPlayer1->Shareable = true;
}

void TForm1::CreateLog() {
  // The rest of the side panel, under the settings.
  Memo1 = Make<TMemo>(PanelSide1);
  Memo1->Name = "Memo1";
  Memo1->SetAlign(TAlign::alClient);
  Memo1->SetText("Memo1");
}

void TForm1::CreatePictureArea() {
  // It fills the rest of the window.
  Panel3 = Make<TPanel>(this, true);
  Panel3->Name = "Panel3";
  Panel3->BevelInner = TBevelCut::bvRaised;
  Panel3->BevelWidth = 2;
  Panel3->SetAlign(TAlign::alClient);
  Image1 = Make<TImage>(Panel3);
  Image1->Name = "Image1";
  Image1->Tag = 1;
  Image1->SetAutoSize(true);
  Image1->SetCenter(true);
  Image1->SetTransparent(true);
  Image1->SetAlign(TAlign::alClient);
  LoadStartPicture(Image1->Picture());
}

void TForm1::ConnectHandlers() {
  SpeedButtonQuit1->OnClick = [this](TObject* s) { SpeedButtonQuit1Click(s); };
  SpeedButtonGo1->OnClick = [this](TObject* s) { SpeedButtonGo1Click(s); };
  SpeedButtonAbort1->OnClick = [this](TObject* s) { SpeedButtonAbort1Click(s); };
  SpeedButtonNormal1->OnClick = [this](TObject* s) { SpeedButtonStretch1Click(s); };
  SpeedButtonStretch1->OnClick = [this](TObject* s) { SpeedButtonStretch1Click(s); };
  SpeedButtonScreen1->OnClick = [this](TObject* s) { SpeedButtonScreen1Click(s); };
  SpeedButtonFast1->OnClick = [this](TObject* s) { SpeedButtonFast1Click(s); };
  SpeedButtonSlow1->OnClick = [this](TObject* s) { SpeedButtonFast1Click(s); };
  SpeedButtonAbout1->OnClick = [this](TObject* s) { SpeedButtonAbout1Click(s); };
  SpeedButtonRefresh1->OnClick = [this](TObject* s) { SpeedButtonRefresh1Click(s); };
  DirectoryListBox1->OnChange = [this](TObject* s) { DirectoryListBox1Change(s); };
  for (TCheckBox* c : {CheckBoxAutoSize1, CheckBoxTransParent1, CheckBoxJpg1, CheckBoxBMP1, CheckBoxGIF1,
                       CheckBoxPNG1, CheckBoxIco1, CheckBoxWmf1, CheckBoxEmf1})
    c->OnClick = [this](TObject* s) { CheckBoxAutoSize1Click(s); };
  for (TSpinEdit* s : {SpinEditSlow1, SpinEditFast1, SpinEditSound0, SpinEditSound1})
    s->OnChange = [this](TObject* sender) { SpeedButtonFast1Click(sender); };
  MediaPlayer1->OnNotify = [this](TObject* s) { MediaPlayer1Notify(s); };
  Timer1->SetOnTimer([this](TObject* s) { Timer1Timer(s); });
}

// ------------------------------------------------------------------ handlers

void TForm1::FormCreate(TObject* Sender) {
  AbortRequested = false;
  TimerElapsed = false;
  Memo1->Clear();
  std::exception_ptr settingsError;
  try {
    LoadSettings();
  } catch (...) {
    // The timings below must still come from the spin edits, so that no
    // wait of a run lasts for ever; the error is shown afterwards.
    settingsError = std::current_exception();
  }
  DisplayInterval = SpinEditFast1->Value();
  SoundInterval = SpinEditSound0->Value();
  MediaInterval = SpinEditSound1->Value();
  Timer1->SetInterval(static_cast<unsigned>(DisplayInterval));
  SpeedButtonFast1->SetDown(true);
  Editpath1->SetText(DirectoryListBox1->Directory());
  CheckBoxAutoSize1->SetChecked(Image1->AutoSize());
  CheckBoxTransParent1->SetChecked(Image1->Transparent());
  if (settingsError) std::rethrow_exception(settingsError);
}

void TForm1::FormActivate(TObject* Sender) {
  if (!SplashPending) return;
  SplashPending = false;
  if (ShowSplash) ShowSplash();
}

void TForm1::SpeedButtonAbort1Click(TObject* Sender) { AbortScan(); }

void TForm1::AbortScan() {
  AbortRequested = true;
  SpinEditLoop1->SetValue(1);
  Memo1->Add(">> ABORTED <<");
}

void TForm1::SpeedButtonQuit1Click(TObject* Sender) {
  SaveSettings();
  if (Application->ModalBox("Are you sure you want to Quit ?", "Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  AbortScan();
  Close();
}

void TForm1::SpeedButtonScreen1Click(TObject* Sender) { PanelSide1->SetVisible(!PanelSide1->Visible()); }

void TForm1::SpeedButtonStretch1Click(TObject* Sender) { Image1->SetStretch(SpeedButtonStretch1->Down()); }

void TForm1::CheckBoxAutoSize1Click(TObject* Sender) {
  Image1->SetAutoSize(CheckBoxAutoSize1->Checked());
  Image1->SetTransparent(CheckBoxTransParent1->Checked());
}

void TForm1::SpeedButtonFast1Click(TObject* Sender) {
  auto* component = dynamic_cast<TComponent*>(Sender);
  int tag = component != nullptr ? component->Tag : 0;
  if (tag == 0) DisplayInterval = SpinEditFast1->Value();
  else if (tag == 1) DisplayInterval = SpinEditSlow1->Value();
  Timer1->SetInterval(static_cast<unsigned>(DisplayInterval));
  SoundInterval = SpinEditSound0->Value();
  MediaInterval = SpinEditSound1->Value();
}

void TForm1::SpeedButtonAbout1Click(TObject* Sender) {
  ShowAbout("Vistaroam", "Build 107", "Vistaroam developers, December 2026", "Vistaroam Utilities");
}

void TForm1::SpeedButtonRefresh1Click(TObject* Sender) {
  char drive = DriveComboBox1->Drive();
  DriveComboBox1->RefreshDrives();
  DriveComboBox1->SelectDrive(drive);
}

void TForm1::DirectoryListBox1Change(TObject* Sender) { Editpath1->SetText(DirectoryListBox1->Directory()); }

void TForm1::Timer1Timer(TObject* Sender) { TimerElapsed = true; }

void TForm1::MediaPlayer1Notify(TObject* Sender) { TimerElapsed = true; }

void TForm1::ShowAbout(const std::string& Product, const std::string& Version, const std::string& Rights,
                       const std::string& Comments) {
  if (AboutBox != nullptr) AboutBox->ShowAbout(Product, Version, Rights, Comments);
}

}  // namespace vr
