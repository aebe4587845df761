#include "sound/media_player.h"

#include <mmsystem.h>

#include <vector>

namespace vr {

TMediaPlayer::TMediaPlayer(TComponent* AOwner, TWinControl* AParent) : TCustomControl(AOwner, AParent) {}

TMediaPlayer::~TMediaPlayer() {
  if (FDeviceId != 0) {
    MCI_GENERIC_PARMS p{};
    mciSendCommandA(FDeviceId, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&p));
  }
}

void TMediaPlayer::SetNotify(bool Value) {
  FNotify = Value;
  FNotifySet = true;
}

void TMediaPlayer::SetWait(bool Value) {
  FWait = Value;
  FWaitSet = true;
}

DWORD TMediaPlayer::CommandFlags(bool NotifyByDefault) {
  bool notify = FNotifySet ? FNotify : NotifyByDefault;
  bool wait = FWaitSet ? FWait : !NotifyByDefault;
  FNotifySet = FWaitSet = false;
  return (notify ? MCI_NOTIFY : 0) | (wait ? MCI_WAIT : 0);
}

std::string TMediaPlayer::ErrorMessage() const {
  std::vector<char> text(4096);
  if (!mciGetErrorStringA(FError, text.data(), static_cast<UINT>(text.size()))) return "Unknown error code";
  return text.data();
}

void TMediaPlayer::CheckOpen() const {
  if (FDeviceId == 0) throw EMCIDeviceError("No MCI device open");
}

void TMediaPlayer::Open() {
  if (FDeviceId != 0) Close();
  MCI_OPEN_PARMSA p{};
  p.dwCallback = reinterpret_cast<DWORD_PTR>(Handle());
  p.lpstrDeviceType = "";
  p.lpstrElementName = FileName.c_str();
  DWORD flags = CommandFlags(false) | MCI_OPEN_ELEMENT;
  if (Shareable) flags |= MCI_OPEN_SHAREABLE;
  FError = mciSendCommandA(0, MCI_OPEN, flags, reinterpret_cast<DWORD_PTR>(&p));
  if (FError != 0) throw EMCIDeviceError(ErrorMessage());
  FDeviceId = p.wDeviceID;
}

void TMediaPlayer::Play() {
  CheckOpen();
  MCI_PLAY_PARMS p{};
  p.dwCallback = reinterpret_cast<DWORD_PTR>(Handle());
  FError = mciSendCommandA(FDeviceId, MCI_PLAY, CommandFlags(true), reinterpret_cast<DWORD_PTR>(&p));
}

void TMediaPlayer::Close() {
  if (FDeviceId == 0) return;
  MCI_GENERIC_PARMS p{};
  p.dwCallback = reinterpret_cast<DWORD_PTR>(Handle());
  FError = mciSendCommandA(FDeviceId, MCI_CLOSE, CommandFlags(false), reinterpret_cast<DWORD_PTR>(&p));
  if (FError == 0) FDeviceId = 0;
}

LRESULT TMediaPlayer::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == MM_MCINOTIFY) {
    switch (wParam) {
      case MCI_NOTIFY_SUPERSEDED: FNotifyValue = TMPNotifyValues::nvSuperseded; break;
      case MCI_NOTIFY_ABORTED: FNotifyValue = TMPNotifyValues::nvAborted; break;
      case MCI_NOTIFY_FAILURE: FNotifyValue = TMPNotifyValues::nvFailure; break;
      default: FNotifyValue = TMPNotifyValues::nvSuccessful; break;
    }
    if (OnNotify) OnNotify(this);
    return 0;
  }
  return TCustomControl::WndProc(Msg, wParam, lParam);
}

}  // namespace vr
