// The media player control: opens, plays and closes a media file through the
// media control interface, reports the end of a notified command, and shows
// a bar of push buttons for the device's commands.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "platform/controls.h"
#include "platform/exceptions.h"
#include "platform/handles.h"
#include "sound/media_buttons.h"

namespace vr {

VR_DECLARE_EXCEPTION(EMCIDeviceError, Exception);

enum class TMPDeviceTypes {
  dtAutoSelect,
  dtAVIVideo,
  dtCDAudio,
  dtDAT,
  dtDigitalVideo,
  dtMMMovie,
  dtOther,
  dtOverlay,
  dtScanner,
  dtSequencer,
  dtVCR,
  dtVideodisc,
  dtWaveAudio
};

enum class TMPModes { mpNotReady, mpStopped, mpPlaying, mpRecording, mpSeeking, mpPaused, mpOpen };

enum class TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

// Before a button's command; setting DoDefault false skips the command.
using EMPNotify = std::function<void(TObject* Sender, TMPBtnType Button, bool& DoDefault)>;
// After a button's command.
using EMPPostNotify = std::function<void(TObject* Sender, TMPBtnType Button)>;

class TMediaPlayer : public TCustomControl {
 public:
  TMediaPlayer(TComponent* AOwner, TWinControl* AParent);
  ~TMediaPlayer() override;
  const char* ClassName() const override { return "TMediaPlayer"; }

  // ---- what to open
  std::string FileName;
  TMPDeviceTypes DeviceType = TMPDeviceTypes::dtAutoSelect;
  bool Shareable = false;
  bool AutoRewind = true;
  bool AutoOpen = false;
  // The window for video output; none means the device's own window.
  TWinControl* Display = nullptr;

  // ---- the pending Notify and Wait values: they apply to the next device
  // command only. Play, Record and resuming default to notify without
  // waiting; every other command to waiting without notice.
  void SetNotify(bool Value);
  void SetWait(bool Value);
  // Pending start and end positions for the next Play or Record.
  void SetStartPos(uint32_t Value);
  void SetEndPos(uint32_t Value);

  // ---- device commands. All but Open, Close, Mode and Position raise
  // EMCIDeviceError "No MCI device open" on a closed player; otherwise they
  // keep the system's result in Error and do not raise.
  void Open();   // raises EMCIDeviceError with the system's text
  void Close();  // never raises
  void Play();
  void Pause();  // pauses when playing, resumes when paused
  void Stop();
  void Next();
  void Prev();
  void Step();
  void Back();
  void Record();
  void Eject();
  void Rewind();
  TMPModes Mode();
  uint32_t Length();
  uint32_t Position();
  // Opens the device when AutoOpen is on (its form's layout is loaded).
  void Loaded() override;

  bool IsOpen() const { return FOpen; }
  MCIDEVICEID DeviceID() const { return FDevice.Get(); }
  unsigned Error() const { return FError; }
  std::string ErrorMessage() const;
  TMPNotifyValues NotifyValue() const { return FNotifyValue; }
  const TMPAbilities& Abilities() const { return FCan; }
  uint32_t StepSize() const { return FStepSize; }
  RECT DisplayRect() const { return FSourceRect; }

  TNotifyEvent OnNotify;
  EMPNotify OnClick;
  EMPPostNotify OnPostClick;

  // ---- the button bar
  TMPBtnSet VisibleButtons() const { return FVisibleButtons; }
  void SetVisibleButtons(TMPBtnSet Value);
  TMPBtnSet EnabledButtons() const { return FEnabledButtons; }
  void SetEnabledButtons(TMPBtnSet Value);
  TMPBtnSet ColoredButtons() const { return FColoredButtons; }
  void SetColoredButtons(TMPBtnSet Value);
  bool AutoEnable() const { return FAutoEnable; }
  void SetAutoEnable(bool Value);
  // The buttons the player found usable itself (with AutoEnable on).
  TMPBtnSet AutoButtons() const { return FAutoButtons; }
  // Whether the user may press the button now.
  bool Usable(TMPBtnType Button) const;
  int ButtonWidth() const;
  // The rectangle of a visible button; empty for a hidden one.
  RECT ButtonRect(TMPBtnType Button) const;
  // Which glyph the button shows now: "EN", "DI" or "CL".
  const char* GlyphState(TMPBtnType Button) const;
  TMPBtnType FocusedButton() const { return FFocusedButton; }
  // Presses a button as a click on it does: OnClick, the command, OnPostClick.
  void ClickButton(TMPBtnType Button);
  // Draws the whole bar into a device context (painting and WM_PRINTCLIENT).
  void PaintTo(HDC DC);

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(TCanvas& Canvas) override;
  void BoundsChanged() override;
  void ScaleChanged() override { Relayout(); }

 private:
  struct TPending {
    bool Notify = false, NotifySet = false;
    bool Wait = false, WaitSet = false;
    bool Start = false, End = false;
    uint32_t StartPos = 0, EndPos = 0;
  };
  // The MCI flags of the pending Notify/Wait values (or the command's
  // defaults); consumes them.
  DWORD TakeFlags(bool NotifyByDefault);
  // Puts the pending start and end positions into a play or record block
  // and its flags; consumes them.
  template <typename TParams>
  void TakeRange(TParams& Params, DWORD& Flags) {
    if (FPending.Start) {
      Flags |= MCI_FROM;
      Params.dwFrom = FPending.StartPos;
    }
    if (FPending.End) {
      Flags |= MCI_TO;
      Params.dwTo = FPending.EndPos;
    }
    FPending.Start = FPending.End = false;
  }
  void CheckOpen() const;
  DWORD_PTR Callback() const { return reinterpret_cast<DWORD_PTR>(Handle()); }
  DWORD Send(UINT Command, DWORD Flags, void* Params, bool NoticeOnFailure = true);
  void PostFailureNotice();
  bool FormatPlayable();
  DWORD_PTR Status(DWORD Item, DWORD Flags = 0, DWORD Track = 0);
  DWORD_PTR Capability(DWORD Item);
  void QueryDevice();
  void CloseDevice(DWORD Flags);
  void Resume(const TPending& Saved);
  void SeekOrPlayFrom(DWORD Position);
  bool TrackFormat();
  // A completion notice; Device is the id the system gave it (0 for none).
  void Notified(WPARAM Outcome, LPARAM Device);
  // Drops the completion notices queued for the player's window.
  void DropQueuedNotices();
  void SetAutoButtons(TMPBtnSet Value);

  // button bar
  void LoadGlyphs();
  void Relayout();
  int VisibleIndex(TMPBtnType Button) const;
  bool ButtonAt(int X, int Y, TMPBtnType& Button) const;
  void DrawButton(HDC DC, TMPBtnType Button, bool Pressed);
  void MouseDown(int X, int Y);
  void MouseMove(int X, int Y);
  void MouseUp(int X, int Y);
  void KeyDown(WPARAM Key);
  void AfterClick(TMPBtnType Button);

  TMciDevice FDevice;
  bool FOpen = false;
  unsigned FError = 0;
  TPending FPending;
  TMPAbilities FCan;
  uint32_t FStepSize = 0;
  RECT FSourceRect{0, 0, 0, 0};
  TMPNotifyValues FNotifyValue = TMPNotifyValues::nvSuccessful;

  TMPBtnSet FVisibleButtons = TMPBtnSet::All();
  TMPBtnSet FEnabledButtons = TMPBtnSet::All();
  TMPBtnSet FColoredButtons = TMPBtnSet::All();
  TMPBtnSet FAutoButtons;
  bool FAutoEnable = true;
  // [state][button]: enabled, disabled, coloured
  std::array<std::array<TBitmapHandle, MPButtonCount>, 3> FGlyphs;
  // The largest glyph; a button is a margin wider and higher.
  int FGlyphWidth = 0;
  int FGlyphHeight = 0;
  TMPBtnType FFocusedButton = TMPBtnType::btPlay;
  bool FPressing = false;  // the left button went down over FPressedButton
  bool FPressedLook = false;
  TMPBtnType FPressedButton = TMPBtnType::btPlay;
};

}  // namespace vr
