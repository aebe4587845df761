// The media player's device side: every command goes to the media control
// interface through mciSendCommandA, with the player's own window as the
// window that receives the completion notice.
#include "sound/media_player.h"

#include <mmsystem.h>

#include <vector>

#include "sound/wave_format.h"

namespace vr {

namespace {

const char* DeviceTypeName(TMPDeviceTypes Type) {
  static const char* const names[] = {"",      "AVIVideo", "CDAudio",   "DAT",       "DigitalVideo",
                                      "MMMovie", "Other",  "Overlay",   "Scanner",   "Sequencer",
                                      "VCR",     "Videodisc", "WaveAudio"};
  return names[static_cast<int>(Type)];
}

TMPNotifyValues NotifyValueOf(WPARAM Outcome) {
  switch (Outcome) {
    case MCI_NOTIFY_SUPERSEDED: return TMPNotifyValues::nvSuperseded;
    case MCI_NOTIFY_ABORTED: return TMPNotifyValues::nvAborted;
    case MCI_NOTIFY_FAILURE: return TMPNotifyValues::nvFailure;
    default: return TMPNotifyValues::nvSuccessful;
  }
}

}  // namespace

TMediaPlayer::TMediaPlayer(TComponent* AOwner, TWinControl* AParent)
    : TCustomControl(AOwner, AParent, WS_TABSTOP) {
  LoadGlyphs();
  SetBounds(Left(), Top(), 240, 30);
}

TMediaPlayer::~TMediaPlayer() {
  if (FDevice) {
    MCI_GENERIC_PARMS p{};
    p.dwCallback = Callback();
    mciSendCommandA(FDevice.Get(), MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&p));
    FDevice.Release();
  }
}

// ------------------------------------------------------------ pending values

void TMediaPlayer::SetNotify(bool Value) {
  FPending.Notify = Value;
  FPending.NotifySet = true;
}

void TMediaPlayer::SetWait(bool Value) {
  FPending.Wait = Value;
  FPending.WaitSet = true;
}

void TMediaPlayer::SetStartPos(uint32_t Value) {
  FPending.StartPos = Value;
  FPending.Start = true;
}

void TMediaPlayer::SetEndPos(uint32_t Value) {
  FPending.EndPos = Value;
  FPending.End = true;
}

DWORD TMediaPlayer::TakeFlags(bool NotifyByDefault) {
  bool notify = FPending.NotifySet ? FPending.Notify : NotifyByDefault;
  bool wait = FPending.WaitSet ? FPending.Wait : !NotifyByDefault;
  FPending.NotifySet = FPending.WaitSet = false;
  return (notify ? MCI_NOTIFY : 0) | (wait ? MCI_WAIT : 0);
}

// ------------------------------------------------------------------ helpers

std::string TMediaPlayer::ErrorMessage() const {
  std::vector<char> text(4096);
  if (!mciGetErrorStringA(FError, text.data(), static_cast<UINT>(text.size()))) return "Unknown error code";
  return text.data();
}

void TMediaPlayer::CheckOpen() const {
  if (!FDevice) throw EMCIDeviceError("No MCI device open");
}

DWORD TMediaPlayer::Send(UINT Command, DWORD Flags, void* Params, bool NoticeOnFailure) {
  FError = mciSendCommandA(FDevice.Get(), Command, Flags, reinterpret_cast<DWORD_PTR>(Params));
  if (FError != 0 && (Flags & MCI_NOTIFY) != 0 && NoticeOnFailure) PostFailureNotice();
  return FError;
}

void TMediaPlayer::PostFailureNotice() {
  // The system sends no notice for a command it refuses at once; whoever
  // waits for the notice of a notified command gets one all the same.
  PostMessageA(Handle(), MM_MCINOTIFY, MCI_NOTIFY_FAILURE, FDevice.Get());
}

bool TMediaPlayer::FormatPlayable() {
  if (Capability(MCI_GETDEVCAPS_DEVICE_TYPE) != MCI_DEVTYPE_WAVEFORM_AUDIO) return true;
  TWaveFormatFacts format;
  format.FormatTag = static_cast<uint32_t>(Status(MCI_WAVE_STATUS_FORMATTAG));
  if (FError != 0) return true;  // the device tells nothing: it judges for itself
  format.Channels = static_cast<uint32_t>(Status(MCI_WAVE_STATUS_CHANNELS));
  format.SamplesPerSec = static_cast<uint32_t>(Status(MCI_WAVE_STATUS_SAMPLESPERSEC));
  format.BitsPerSample = static_cast<uint32_t>(Status(MCI_WAVE_STATUS_BITSPERSAMPLE));
  return WaveFormatPlayable(format);
}

DWORD_PTR TMediaPlayer::Status(DWORD Item, DWORD Flags, DWORD Track) {
  MCI_STATUS_PARMS p{};
  p.dwCallback = Callback();
  p.dwItem = Item;
  p.dwTrack = Track;
  return Send(MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM | Flags, &p) == 0 ? p.dwReturn : 0;
}

DWORD_PTR TMediaPlayer::Capability(DWORD Item) {
  MCI_GETDEVCAPS_PARMS p{};
  p.dwCallback = Callback();
  p.dwItem = Item;
  return Send(MCI_GETDEVCAPS, MCI_WAIT | MCI_GETDEVCAPS_ITEM, &p) == 0 ? p.dwReturn : 0;
}

bool TMediaPlayer::TrackFormat() { return Status(MCI_STATUS_TIME_FORMAT) == MCI_FORMAT_TMSF; }

void TMediaPlayer::SetAutoButtons(TMPBtnSet Value) {
  if (Value == FAutoButtons) return;
  FAutoButtons = Value;
  Invalidate();
}

// ------------------------------------------------------------ open and close

void TMediaPlayer::Open() {
  // Closing first keeps the pending values for the open itself.
  if (FDevice) CloseDevice(MCI_WAIT);
  DropQueuedNotices();
  DWORD flags = TakeFlags(false);
  MCI_OPEN_PARMSA p{};
  p.dwCallback = Callback();
  p.lpstrDeviceType = DeviceTypeName(DeviceType);
  p.lpstrElementName = FileName.c_str();
  if (DeviceType == TMPDeviceTypes::dtAutoSelect) {
    flags |= MCI_OPEN_ELEMENT;  // the system picks the device from the extension
  } else {
    flags |= MCI_OPEN_TYPE;
    if (!FileName.empty()) flags |= MCI_OPEN_ELEMENT;
  }
  DWORD result = 1;
  if (Shareable) result = mciSendCommandA(0, MCI_OPEN, flags | MCI_OPEN_SHAREABLE, reinterpret_cast<DWORD_PTR>(&p));
  if (result != 0) {
    // Not every device can be shared (the wave and sequencer devices refuse
    // it even for a good file): open the element for ourselves instead. When
    // that fails too, its error is the one that tells what is wrong.
    p.wDeviceID = 0;
    result = mciSendCommandA(0, MCI_OPEN, flags, reinterpret_cast<DWORD_PTR>(&p));
  }
  FError = result;
  if (result != 0) {
    if ((flags & MCI_NOTIFY) != 0) PostFailureNotice();
    throw EMCIDeviceError(ErrorMessage());
  }
  FDevice = TMciDevice(p.wDeviceID);  // frees a device whose close had failed
  FOpen = true;
  if (!FormatPlayable()) {
    // A wave file whose stated format cannot be played (no channel, part
    // of a byte a sample, absurd rates) is refused like any unplayable file.
    CloseDevice(MCI_WAIT);
    FError = MCIERR_INVALID_FILE;
    throw EMCIDeviceError(ErrorMessage());
  }
  QueryDevice();
  FError = 0;
}

void TMediaPlayer::QueryDevice() {
  FStepSize = static_cast<uint32_t>(Length() / 10);
  FCan = TMPAbilities{};
  FCan.CanPlay = Capability(MCI_GETDEVCAPS_CAN_PLAY) != 0;
  FCan.CanRecord = Capability(MCI_GETDEVCAPS_CAN_RECORD) != 0;
  FCan.CanEject = Capability(MCI_GETDEVCAPS_CAN_EJECT) != 0;
  FCan.HasVideo = Capability(MCI_GETDEVCAPS_HAS_VIDEO) != 0;
  DWORD_PTR type = Capability(MCI_GETDEVCAPS_DEVICE_TYPE);
  FCan.CanStep = type == MCI_DEVTYPE_VCR || type == MCI_DEVTYPE_OVERLAY || type == MCI_DEVTYPE_ANIMATION ||
                 type == MCI_DEVTYPE_DIGITAL_VIDEO;
  FSourceRect = RECT{0, 0, 0, 0};
  if (FCan.HasVideo) {
    MCI_ANIM_WINDOW_PARMSA w{};
    w.dwCallback = Callback();
    w.hWnd = Display != nullptr ? Display->Handle() : reinterpret_cast<HWND>(MCI_ANIM_WINDOW_DEFAULT);
    Send(MCI_WINDOW, MCI_WAIT | MCI_ANIM_WINDOW_HWND, &w);
    MCI_ANIM_RECT_PARMS r{};
    r.dwCallback = Callback();
    if (Send(MCI_WHERE, MCI_WAIT | MCI_ANIM_WHERE_SOURCE, &r) == 0) FSourceRect = r.rc;
  }
  if (DeviceType == TMPDeviceTypes::dtCDAudio || DeviceType == TMPDeviceTypes::dtVideodisc) {
    MCI_SET_PARMS s{};
    s.dwCallback = Callback();
    s.dwTimeFormat = MCI_FORMAT_TMSF;
    Send(MCI_SET, MCI_WAIT | MCI_SET_TIME_FORMAT, &s);
  }
  TMPBtnSet buttons = MPOpenedButtons(FCan);
  if (Mode() == TMPModes::mpPlaying) buttons = MPAfterCommand(buttons, TMPBtnType::btPlay, FCan);
  FAutoButtons = buttons;
  Invalidate();
}

void TMediaPlayer::Close() {
  if (!FDevice) return;
  CloseDevice(TakeFlags(false));
}

void TMediaPlayer::CloseDevice(DWORD Flags) {
  MCI_GENERIC_PARMS p{};
  p.dwCallback = Callback();
  if (Send(MCI_CLOSE, Flags, &p) != 0) return;  // still open; the next Open tries again
  DropQueuedNotices();
  FDevice.Release();
  FOpen = false;
  FAutoButtons = TMPBtnSet{};
  Invalidate();
}

void TMediaPlayer::Loaded() {
  TCustomControl::Loaded();
  if (AutoOpen) Open();
}

// ---------------------------------------------------------------- commands

void TMediaPlayer::Play() {
  CheckOpen();
  if (AutoRewind && !FPending.Start && !FPending.End && Position() == Length()) {
    // At the end: start again from the beginning. A seek of our own, so
    // the pending values stay for the play.
    MCI_SEEK_PARMS s{};
    s.dwCallback = Callback();
    Send(MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_START, &s);
  }
  DWORD flags = TakeFlags(true);
  MCI_PLAY_PARMS p{};
  p.dwCallback = Callback();
  TakeRange(p, flags);
  Send(MCI_PLAY, flags, &p);
}

void TMediaPlayer::Record() {
  CheckOpen();
  DWORD flags = TakeFlags(true);
  MCI_RECORD_PARMS p{};
  p.dwCallback = Callback();
  TakeRange(p, flags);
  Send(MCI_RECORD, flags, &p);
}

void TMediaPlayer::Pause() {
  CheckOpen();
  TPending saved = FPending;
  switch (Mode()) {
    case TMPModes::mpPlaying: {
      MCI_GENERIC_PARMS p{};
      p.dwCallback = Callback();
      Send(MCI_PAUSE, TakeFlags(false), &p);
      break;
    }
    case TMPModes::mpPaused:
      Resume(saved);
      break;
    default:
      TakeFlags(false);  // nothing to pause; the pending values are spent all the same
      break;
  }
}

void TMediaPlayer::Resume(const TPending& Saved) {
  MCI_GENERIC_PARMS p{};
  p.dwCallback = Callback();
  if (Send(MCI_RESUME, TakeFlags(true), &p, false) == 0) return;
  // Some devices cannot resume; playing on from the paused position does
  // the same, with the same pending values.
  FPending = Saved;
  Play();
}

void TMediaPlayer::Stop() {
  CheckOpen();
  MCI_GENERIC_PARMS p{};
  p.dwCallback = Callback();
  Send(MCI_STOP, TakeFlags(false), &p);
}

void TMediaPlayer::SeekOrPlayFrom(DWORD Position) {
  if (Mode() == TMPModes::mpPlaying) {
    MCI_PLAY_PARMS p{};
    p.dwCallback = Callback();
    p.dwFrom = Position;
    Send(MCI_PLAY, TakeFlags(true) | MCI_FROM, &p);
  } else {
    MCI_SEEK_PARMS p{};
    p.dwCallback = Callback();
    p.dwTo = Position;
    Send(MCI_SEEK, TakeFlags(false) | MCI_TO, &p);
  }
}

void TMediaPlayer::Next() {
  CheckOpen();
  if (TrackFormat()) {
    DWORD tracks = static_cast<DWORD>(Status(MCI_STATUS_NUMBER_OF_TRACKS));
    DWORD track = static_cast<DWORD>(Status(MCI_STATUS_CURRENT_TRACK));
    if (track < tracks) ++track;  // the last track stays the last
    SeekOrPlayFrom(MCI_MAKE_TMSF(track, 0, 0, 0));
    return;
  }
  MCI_SEEK_PARMS p{};
  p.dwCallback = Callback();
  Send(MCI_SEEK, TakeFlags(false) | MCI_SEEK_TO_END, &p);
}

void TMediaPlayer::Prev() {
  CheckOpen();
  if (TrackFormat()) {
    DWORD position = static_cast<DWORD>(Status(MCI_STATUS_POSITION));
    DWORD track = static_cast<DWORD>(Status(MCI_STATUS_CURRENT_TRACK));
    DWORD start = static_cast<DWORD>(Status(MCI_STATUS_POSITION, MCI_TRACK, track));
    // At the very start of a track, go back one more (never before track 1).
    if (MCI_TMSF_MINUTE(position) == MCI_TMSF_MINUTE(start) && MCI_TMSF_SECOND(position) == MCI_TMSF_SECOND(start) &&
        track > 1)
      --track;
    SeekOrPlayFrom(MCI_MAKE_TMSF(track, 0, 0, 0));
    return;
  }
  MCI_SEEK_PARMS p{};
  p.dwCallback = Callback();
  Send(MCI_SEEK, TakeFlags(false) | MCI_SEEK_TO_START, &p);
}

void TMediaPlayer::Step() {
  CheckOpen();
  if (!FCan.HasVideo) return;
  MCI_ANIM_STEP_PARMS p{};
  p.dwCallback = Callback();
  p.dwFrames = FStepSize;
  Send(MCI_STEP, TakeFlags(false) | MCI_ANIM_STEP_FRAMES, &p);
}

void TMediaPlayer::Back() {
  CheckOpen();
  if (!FCan.HasVideo) return;
  MCI_ANIM_STEP_PARMS p{};
  p.dwCallback = Callback();
  p.dwFrames = FStepSize;
  Send(MCI_STEP, TakeFlags(false) | MCI_ANIM_STEP_FRAMES | MCI_ANIM_STEP_REVERSE, &p);
}

void TMediaPlayer::Eject() {
  CheckOpen();
  if (!FCan.CanEject) return;
  MCI_SET_PARMS p{};
  p.dwCallback = Callback();
  Send(MCI_SET, TakeFlags(false) | MCI_SET_DOOR_OPEN, &p);
}

void TMediaPlayer::Rewind() {
  CheckOpen();
  MCI_SEEK_PARMS p{};
  p.dwCallback = Callback();
  Send(MCI_SEEK, TakeFlags(false) | MCI_SEEK_TO_START, &p);
}

TMPModes TMediaPlayer::Mode() {
  if (!FDevice) return TMPModes::mpNotReady;
  DWORD_PTR mode = Status(MCI_STATUS_MODE);
  if (mode < MCI_MODE_NOT_READY || mode > MCI_MODE_OPEN) return TMPModes::mpNotReady;
  return static_cast<TMPModes>(mode - MCI_MODE_NOT_READY);
}

uint32_t TMediaPlayer::Length() {
  CheckOpen();
  return static_cast<uint32_t>(Status(MCI_STATUS_LENGTH));
}

uint32_t TMediaPlayer::Position() {
  if (!FDevice) return 0;
  return static_cast<uint32_t>(Status(MCI_STATUS_POSITION));
}

// ----------------------------------------------------------------- notices

void TMediaPlayer::DropQueuedNotices() {
  // A close aborts the device's notified command, and the system queues its
  // notice while closing. Device ids are used again at once (the next open
  // gets the same one) and the MP3 and WMA devices name none, so a notice
  // still queued now belongs to a closed device whatever it names: it must
  // not end the wait for the next sound.
  MSG msg;
  while (PeekMessageA(&msg, Handle(), MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) {
  }
}

void TMediaPlayer::Notified(WPARAM Outcome, LPARAM Device) {
  // Where the system names the device, it must be the one open now.
  if (Device != 0 && Device != static_cast<LPARAM>(FDevice.Get())) return;
  if (FAutoEnable && FDevice) {
    unsigned error = FError;  // a notice is no command of the caller's
    if (Mode() == TMPModes::mpStopped) SetAutoButtons(MPAfterStop(FAutoButtons, FCan));
    FError = error;
  }
  FNotifyValue = NotifyValueOf(Outcome);
  if (OnNotify) OnNotify(this);
}

}  // namespace vr
