// The media player control: plays a media file through the media control
// interface and reports the end of a notified command.
#pragma once

#include <windows.h>

#include <string>

#include "platform/controls.h"
#include "platform/exceptions.h"

namespace vr {

VR_DECLARE_EXCEPTION(EMCIDeviceError, Exception);

enum class TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

class TMediaPlayer : public TCustomControl {
 public:
  TMediaPlayer(TComponent* AOwner, TWinControl* AParent);
  ~TMediaPlayer() override;
  const char* ClassName() const override { return "TMediaPlayer"; }

  std::string FileName;
  bool Shareable = false;
  // Apply to the next device command only.
  void SetNotify(bool Value);
  void SetWait(bool Value);

  void Open();   // raises EMCIDeviceError with the media system's text
  void Play();   // raises "No MCI device open" when closed
  void Close();  // never raises
  bool IsOpen() const { return FDeviceId != 0; }
  unsigned Error() const { return FError; }
  std::string ErrorMessage() const;
  TMPNotifyValues NotifyValue() const { return FNotifyValue; }
  TNotifyEvent OnNotify;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;

 private:
  DWORD CommandFlags(bool NotifyByDefault);
  void CheckOpen() const;
  unsigned FDeviceId = 0;
  unsigned FError = 0;
  bool FNotify = false, FNotifySet = false;
  bool FWait = false, FWaitSet = false;
  TMPNotifyValues FNotifyValue = TMPNotifyValues::nvSuccessful;
};

}  // namespace vr
