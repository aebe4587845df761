// The main window: tool bar, side panel with the folder, file types,
// timings and log, the picture area and the two status lines, and the
// run state that the handlers write and the scan run reads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "controls/directory_list_box.h"
#include "controls/drive_combo_box.h"
#include "controls/folder_test.h"
#include "controls/spin_edit.h"
#include "pictures/image_view.h"
#include "platform/ascii_case.h"
#include "platform/forms.h"
#include "platform/speed_button.h"
#include "platform/status_bar.h"
#include "platform/std_controls.h"
#include "platform/timer.h"
#include "sound/media_player.h"

namespace vr {

class TForm1 : public TCustomForm {
 public:
  explicit TForm1(TComponent* AOwner);
  ~TForm1() override;
  const char* ClassName() const override { return "TForm1"; }

  // Run state, shared by the handlers and the scan run (nested runs too).
  bool AbortRequested = false;
  bool TimerElapsed = false;
  int32_t DisplayInterval = 0;  // milliseconds
  int32_t SoundInterval = 0;    // seconds; 0 = to the end
  int32_t MediaInterval = 0;    // seconds; 0 = to the end
  int32_t FoundCount = 0;
  bool SplashPending = true;

  // Controls, in layout order.
  TToolBar* ToolBar1;
  TSpeedButton* SpeedButtonQuit1;
  TSpeedButton* SpeedButtonGo1;
  TSpeedButton* SpeedButtonAbort1;
  TToolSeparator* Splitter2;
  TSpeedButton* SpeedButtonPause1;
  TSpeedButton* SpeedButtonPause2;
  TToolSeparator* Splitter1;
  TSpeedButton* SpeedButtonNormal1;
  TSpeedButton* SpeedButtonStretch1;
  TToolSeparator* Splitter4;
  TSpeedButton* SpeedButtonScreen1;
  TToolSeparator* Splitter5;
  TSpeedButton* SpeedButtonFast1;
  TSpeedButton* SpeedButtonSlow1;
  TToolSeparator* Splitter3;
  TSpeedButton* SpeedButtonAbout1;
  TStatusBar* StatusBar1;
  TStatusBar* StatusBar2;
  TPanel* PanelSide1;
  TPanel* Panel2;
  TDriveComboBox* DriveComboBox1;
  TSpeedButton* SpeedButtonRefresh1;
  TDirectoryListBox* DirectoryListBox1;
  TEdit* Editpath1;
  TLabel* Labelloop1;
  TSpinEdit* SpinEditLoop1;
  TLabel* Label13;
  TGroupBox* GroupBox1;
  TCheckBox* CheckBoxAutoSize1;
  TCheckBox* CheckBoxTransParent1;
  TLabel* Label1;
  TLabel* Label7;
  TSpinEdit* SpinEditSlow1;
  TLabel* Label6;
  TSpinEdit* SpinEditFast1;
  TCheckBox* CheckBoxJpg1;
  TCheckBox* CheckBoxBMP1;
  TCheckBox* CheckBoxGIF1;
  TCheckBox* CheckBoxPNG1;
  TCheckBox* CheckBoxIco1;
  TCheckBox* CheckBoxWmf1;
  TCheckBox* CheckBoxEmf1;
  TLabel* Label4;
  TEdit* EditHeight1;
  TLabel* Label5;
  TEdit* EditWidth1;
  TGroupBox* GroupBox2;
  TCheckBox* CheckBoxWav1;
  TCheckBox* CheckBoxMid1;
  TCheckBox* CheckBoxMp3;
  TCheckBox* CheckBoxWma;
  TLabel* Label9;
  TLabel* Label8;
  TSpinEdit* SpinEditSound0;
  TSpinEdit* SpinEditSound1;
  TLabel* Label12;
  TLabel* Label11;
  TMediaPlayer* MediaPlayer1;
  TMemo* Memo1;
  TPanel* Panel3;
  TImage* Image1;
  TTimer* Timer1;

  // Handlers.
  void FormCreate(TObject* Sender);
  void FormActivate(TObject* Sender);
  void SpeedButtonGo1Click(TObject* Sender);
  void SpeedButtonAbort1Click(TObject* Sender);
  void SpeedButtonQuit1Click(TObject* Sender);
  void SpeedButtonScreen1Click(TObject* Sender);
  void SpeedButtonStretch1Click(TObject* Sender);
  void CheckBoxAutoSize1Click(TObject* Sender);
  void SpeedButtonFast1Click(TObject* Sender);
  void SpeedButtonAbout1Click(TObject* Sender);
  void SpeedButtonRefresh1Click(TObject* Sender);
  void DirectoryListBox1Change(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void MediaPlayer1Notify(TObject* Sender);

  // Shared by Abort and Quit: request the abort, set Loops to 1, log it.
  void AbortScan();
  // One pass over Folder and its sub-folders.
  void ScanRun(const std::string& Folder, const std::string& Mask);
  // Waits, processing messages, until the item's time is up and "Pause Off"
  // is down, or an abort is requested.
  void WaitForItem();

  // The settings store and the About window.
  void LoadSettings();
  void SaveSettings();
  void ShowAbout(const std::string& Product, const std::string& Version, const std::string& Rights,
                 const std::string& Comments);

  // Shows the splash window on the first activation (set at start-up).
  std::function<void()> ShowSplash;

 private:
  // The user's short date format as the system gave it at start-up; the
  // saved "LastRun" date is written in it.
  std::string FShortDateFormat;

  // The controls, area by area, in layout order; then their handlers.
  void CreateControls();
  void CreateToolBar();
  void CreateStatusLines();
  // The side panel: the folder choice, the picture and sound settings, the log.
  void CreateSidePanel();
  void CreateFolderChoice();
  void CreatePictureSettings();
  void CreateSoundSettings();
  void CreateLog();
  void CreatePictureArea();
  void ConnectHandlers();
  // The small controls of the areas, at their design size.
  TSpeedButton* MakeSpeedButton(TWinControl* Parent, const char* Name, const char* Caption, const char* Hint,
                                int Width);
  TLabel* MakeLabel(TWinControl* Parent, const char* Name, const char* Caption, int X, int Y);
  TCheckBox* MakeCheckBox(TWinControl* Parent, const char* Name, const char* Caption, bool Checked, int X, int Y,
                          int Width);
  TSpinEdit* MakeSpinEdit(TWinControl* Parent, const char* Name, int X, int Y, int Width, int MinValue, int MaxValue,
                          int Increment, int Value, int Tag, const char* Hint);

  void NoteFound(const std::string& Full);
  void PictureStep(const std::string& Full);
  void SoundStep(const std::string& Full);
};

extern TForm1* Form1;

// Returns Text cut after its last character that is not a space; a text
// with no such character is returned unchanged.
std::string TrimTrailingBlanks(const std::string& Text);
// TrimTrailingBlanks(Path) with a "\" appended unless it is empty or already
// ends in "\".
std::string IncludeTrailingSeparator(const std::string& Path);

}  // namespace vr
