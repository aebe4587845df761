// The media player's device side under Wine with ALSA's null device: open
// and its errors, play to the end with one notice, the pending Notify and
// Wait values, every outcome of a notice, pause, seeking and closing.
#include <doctest/doctest.h>

#include "sound/sound_media.h"

#include <mmsystem.h>

#include "support/app_fixture.h"

using namespace vr;
using namespace vr::test;

namespace {

const char kNoDevice[] = "No MCI device open";

// How many devices the process has open.
DWORD OpenDevices() {
  DWORD count = 0;
  MCI_SYSINFO_PARMSA p{};
  p.lpstrReturn = reinterpret_cast<LPSTR>(&count);
  p.dwRetSize = sizeof count;
  mciSendCommandA(MCI_ALL_DEVICE_ID, MCI_SYSINFO, MCI_SYSINFO_QUANTITY | MCI_SYSINFO_OPEN, reinterpret_cast<DWORD_PTR>(&p));
  return count;
}

}  // namespace

TEST_CASE("a player that was never opened: Close is quiet, commands raise") {
  TPlayerHost host;
  TMediaPlayer& p = host.Player();
  CHECK_FALSE(p.IsOpen());
  CHECK_NOTHROW(p.Close());
  CHECK(p.Error() == 0);
  CHECK(p.Mode() == TMPModes::mpNotReady);
  CHECK(p.Position() == 0);
  CHECK_THROWS_WITH_AS(p.Play(), kNoDevice, EMCIDeviceError);
  CHECK_THROWS_WITH_AS(p.Pause(), kNoDevice, EMCIDeviceError);
  CHECK_THROWS_WITH_AS(p.Stop(), kNoDevice, EMCIDeviceError);
  CHECK_THROWS_WITH_AS(p.Next(), kNoDevice, EMCIDeviceError);
  CHECK_THROWS_WITH_AS(p.Prev(), kNoDevice, EMCIDeviceError);
  CHECK_THROWS_WITH_AS(p.Step(), kNoDevice, EMCIDeviceError);
  CHECK_THROWS_WITH_AS(p.Back(), kNoDevice, EMCIDeviceError);
  CHECK_THROWS_WITH_AS(p.Record(), kNoDevice, EMCIDeviceError);
  CHECK_THROWS_WITH_AS(p.Eject(), kNoDevice, EMCIDeviceError);
  CHECK_THROWS_WITH_AS(p.Rewind(), kNoDevice, EMCIDeviceError);
  CHECK_THROWS_WITH_AS(p.Length(), kNoDevice, EMCIDeviceError);
  CHECK(p.AutoButtons().Empty());
  CHECK(host.Notices.empty());
}

TEST_CASE("a shareable open falls back to a private one where sharing is refused") {
  TScratchTree tree;
  std::string wav = tree.File("tone.wav", MakeWav(1));
  std::string mid = tree.File("tune.mid", MakeMidi(4));
  std::string mp3 = tree.File("chime.mp3", ReadWholeFile(SamplePath("chime.mp3")));
  std::string wma = tree.File("chime.wma", ReadWholeFile(SamplePath("chime.wma")));
  TPlayerHost host;
  TMediaPlayer& p = host.Player();
  p.Shareable = true;

  // The wave and sequencer devices refuse sharing; the files open anyway.
  for (const std::string& file : {wav, mid, mp3, wma}) {
    CAPTURE(file);
    p.FileName = file;
    REQUIRE_NOTHROW(p.Open());
    CHECK(p.IsOpen());
    CHECK(p.DeviceID() != 0);
    CHECK(p.Error() == 0);
    CHECK(p.Mode() == TMPModes::mpStopped);
    CHECK(p.Abilities().CanPlay);
    CHECK(p.AutoButtons().Contains(TMPBtnType::btPlay));
  }
  // Each open closed the previous device first: one device is open.
  CHECK(OpenDevices() == 1);
  // A notified open sends one notice, though its shared attempt was refused.
  p.FileName = wav;
  p.SetNotify(true);
  p.Open();
  REQUIRE(host.WaitForNotices(1));
  PumpFor(200);
  CHECK(Outcomes(host.Notices) == "successful");
  host.Notices.clear();

  // When the private open fails too, its error is the one reported: a
  // missing file is "not found", not "unsupported command".
  p.FileName = tree.Path("missing.wav");
  CHECK_THROWS_WITH_AS(p.Open(), MciErrorText(MCIERR_FILE_NOT_FOUND).c_str(), EMCIDeviceError);
  CHECK(p.Error() == MCIERR_FILE_NOT_FOUND);
  CHECK_FALSE(p.IsOpen());
  CHECK(p.ErrorMessage() == MciErrorText(MCIERR_FILE_NOT_FOUND));
  p.FileName = tree.File("notes.txt", "not a sound");
  CHECK_THROWS_WITH_AS(p.Open(), "Cannot determine the device type from the given filename extension.",
                       EMCIDeviceError);
  p.Shareable = false;
  CHECK_THROWS_WITH_AS(p.Open(), "Cannot determine the device type from the given filename extension.",
                       EMCIDeviceError);
  CHECK_THROWS_WITH_AS(p.Play(), kNoDevice, EMCIDeviceError);
  CHECK(OpenDevices() == 0);
  CHECK(host.Notices.empty());
}

TEST_CASE("a WAV file whose format cannot be played is refused at Open") {
  TScratchTree tree;
  TPlayerHost host;
  TMediaPlayer& p = host.Player();
  p.Shareable = true;
  auto patched = [](size_t Offset, std::initializer_list<uint8_t> Bytes) {
    std::vector<uint8_t> wav = MakeWav(1);
    for (uint8_t b : Bytes) wav[Offset++] = b;
    return wav;
  };
  // No channel, 7 bits a sample, four billion samples a second: the
  // system's wave output would crash the program on these.
  for (const auto& [name, bytes] : {std::pair{"mute.wav", patched(22, {0, 0})},
                                    std::pair{"seven.wav", patched(34, {7, 0})},
                                    std::pair{"fast.wav", patched(24, {0, 0x28, 0x6B, 0xEE})}}) {
    CAPTURE(name);
    p.FileName = tree.File(name, bytes);
    CHECK_THROWS_WITH_AS(p.Open(), MciErrorText(MCIERR_INVALID_FILE).c_str(), EMCIDeviceError);
    CHECK(p.Error() == MCIERR_INVALID_FILE);
    CHECK_FALSE(p.IsOpen());
    CHECK(OpenDevices() == 0);
  }
  CHECK_THROWS_WITH_AS(p.Play(), kNoDevice, EMCIDeviceError);
  // A wide, deep file is fine.
  p.FileName = tree.File("stereo.wav", patched(22, {2, 0, 0x40, 0x1F, 0, 0, 0, 0x7D, 0, 0, 4, 0, 16, 0}));
  CHECK_NOTHROW(p.Open());
  CHECK(p.IsOpen());
}

TEST_CASE("WAV, MP3 and WMA play to their end and send one successful notice") {
  TScratchTree tree;
  for (const std::string& file : {tree.File("tone.wav", MakeWav(1)), SamplePath("chime.mp3"), SamplePath("chime.wma")}) {
    CAPTURE(file);
    TPlayerHost host;
    TMediaPlayer& p = host.Player();
    p.FileName = file;
    p.Open();
    TMPBtnSet opened = p.AutoButtons();
    p.Play();
    CHECK(p.Error() == 0);
    REQUIRE(host.WaitForNotices(1));
    CHECK(Outcomes(host.Notices) == "successful");
    CHECK(p.NotifyValue() == TMPNotifyValues::nvSuccessful);
    CHECK(p.Mode() == TMPModes::mpStopped);
    CHECK(p.AutoButtons() == opened);  // stopped: the opened set again
    PumpFor(300);
    CHECK(host.Notices.size() == 1);  // one notice for one command
    p.Close();
    CHECK_FALSE(p.IsOpen());
    CHECK(p.AutoButtons().Empty());
    CHECK(host.Notices.size() == 1);  // closing after the end aborts nothing
  }
}

TEST_CASE("Notify false holds for one Play; Play at the end starts again from the beginning") {
  TScratchTree tree;
  TPlayerHost host;
  TMediaPlayer& p = host.Player();
  p.FileName = tree.File("tone.wav", MakeWav(1));
  p.Open();
  CHECK(p.Length() == 1000);  // milliseconds
  CHECK(p.StepSize() == 100);

  p.SetNotify(false);
  p.Play();
  REQUIRE(PumpUntil([&] { return p.Mode() == TMPModes::mpStopped; }));
  PumpFor(300);
  CHECK(host.Notices.empty());
  CHECK(p.Position() == p.Length());

  p.Play();  // notifies again, and rewinds first
  CHECK(p.Mode() == TMPModes::mpPlaying);
  CHECK(p.Position() < p.Length());
  REQUIRE(host.WaitForNotices(1));
  CHECK(host.Notices[0] == TMPNotifyValues::nvSuccessful);

  // Wait true: Play returns at the end; without notice when asked so.
  p.SetWait(true);
  p.SetNotify(false);
  p.Play();
  CHECK(p.Mode() == TMPModes::mpStopped);
  CHECK(p.Position() == p.Length());
  PumpFor(200);
  CHECK(host.Notices.size() == 1);

  // With AutoRewind off, a pending start position plays from there.
  p.AutoRewind = false;
  p.SetStartPos(500);
  p.SetWait(true);
  p.Play();
  CHECK(p.Position() == p.Length());
  REQUIRE(host.WaitForNotices(2));
  CHECK(host.Notices[1] == TMPNotifyValues::nvSuccessful);
}

TEST_CASE("stopped, replaced, closed and resumed commands notify too, once each") {
  TScratchTree tree;
  TPlayerHost host;
  TMediaPlayer& p = host.Player();
  p.FileName = tree.File("long.wav", MakeWav(10));  // 2.5 s of real time
  p.Open();
  p.Play();
  p.Stop();
  CHECK(p.Mode() == TMPModes::mpStopped);
  REQUIRE(host.WaitForNotices(1));
  CHECK(Outcomes(host.Notices) == "aborted");

  // A second play ends the first (the wave device calls it aborted).
  p.Play();
  p.Play();
  CHECK(p.Mode() == TMPModes::mpPlaying);
  REQUIRE(host.WaitForNotices(2));
  // Closing a playing device aborts its play; that notice is of a device
  // no longer open and is not taken.
  p.Close();
  CHECK_FALSE(p.IsOpen());
  PumpFor(300);
  CHECK(Outcomes(host.Notices) == "aborted aborted");

  // Pause, then Pause again resumes: the resume supersedes the play.
  p.Open();
  p.Play();
  p.Pause();
  CHECK(p.Mode() == TMPModes::mpPaused);
  CHECK(p.Usable(TMPBtnType::btPlay));  // commands outside the bar leave the buttons alone
  p.Pause();
  CHECK(p.Mode() == TMPModes::mpPlaying);
  REQUIRE(host.WaitForNotices(3));
  CHECK(host.Notices[2] == TMPNotifyValues::nvSuperseded);
  p.Stop();
  REQUIRE(host.WaitForNotices(4));  // and the resume has its own notice
  PumpFor(200);
  CHECK(host.Notices.size() == 4);
  p.Pause();  // stopped: nothing to pause or resume
  CHECK(p.Mode() == TMPModes::mpStopped);
}

TEST_CASE("only notices of the device open now count: a closed device's abort does not end the next wait") {
  TScratchTree tree;
  std::string next = tree.File("next.wav", MakeWav(1));
  // The wave device names itself in its notices; the MP3 device gives 0.
  for (const std::string& first : {tree.File("long.wav", MakeWav(10)), SamplePath("chime.mp3")}) {
    CAPTURE(first);
    TPlayerHost host;
    TMediaPlayer& p = host.Player();
    p.FileName = first;
    p.Open();
    p.Play();
    p.Close();  // aborts the play
    p.FileName = next;
    p.Open();
    p.Play();
    // The first notice is the new sound's own, at its end.
    REQUIRE(host.WaitForNotices(1));
    CHECK(Outcomes(host.Notices) == "successful");
    CHECK(p.Position() == p.Length());
    PumpFor(200);
    CHECK(host.Notices.size() == 1);
    // A notice naming another device is not taken either.
    PostMessageA(p.Handle(), MM_MCINOTIFY, MCI_NOTIFY_ABORTED, p.DeviceID() + 1);
    PumpFor(100);
    CHECK(host.Notices.size() == 1);
    CHECK(p.NotifyValue() == TMPNotifyValues::nvSuccessful);
  }
}

TEST_CASE("a notified command that fails at once still sends its one notice") {
  TScratchTree tree;
  TPlayerHost host;
  TMediaPlayer& p = host.Player();
  p.FileName = tree.File("tone.wav", MakeWav(1));
  p.Open();
  p.SetStartPos(5000);  // beyond the end
  p.Play();
  CHECK(p.Error() != 0);
  REQUIRE(host.WaitForNotices(1, 3000));
  PumpFor(300);
  CHECK(Outcomes(host.Notices) == "failure");
  CHECK(p.NotifyValue() == TMPNotifyValues::nvFailure);
  // Without notice asked for, a failure stays in Error only.
  p.SetStartPos(5000);
  p.SetNotify(false);
  p.Play();
  CHECK(p.Error() != 0);
  PumpFor(300);
  CHECK(host.Notices.size() == 1);
}

TEST_CASE("seeking: Next to the end, Rewind and Prev to the start; Step needs video") {
  TScratchTree tree;
  TPlayerHost host;
  TMediaPlayer& p = host.Player();
  p.FileName = tree.File("tone.wav", MakeWav(2));
  p.Open();
  CHECK_FALSE(p.Abilities().HasVideo);
  CHECK(p.Abilities().CanRecord);
  p.Next();
  CHECK(p.Error() == 0);
  CHECK(p.Position() == 2000);
  p.Rewind();
  CHECK(p.Position() == 0);
  p.Next();
  p.Prev();
  CHECK(p.Position() == 0);
  p.Step();  // a wave device has no frames: nothing is sent
  p.Back();
  CHECK(p.Position() == 0);
  p.Eject();  // nor a door
  CHECK(p.Error() == 0);
  CHECK(host.Notices.empty());
}

TEST_CASE("AutoOpen opens the device once its form's layout has been loaded") {
  TScratchTree tree;
  TPlayerHost host;
  TMediaPlayer& automatic = host.Player();
  TMediaPlayer& manual = *host.Form().Make<TMediaPlayer>(&host.Form());
  automatic.FileName = manual.FileName = tree.File("tone.wav", MakeWav(1));
  automatic.AutoOpen = true;
  CHECK_FALSE(automatic.IsOpen());  // setting it opens nothing by itself
  host.Form().Loaded();
  CHECK(automatic.IsOpen());
  CHECK(automatic.Mode() == TMPModes::mpStopped);
  CHECK_FALSE(manual.IsOpen());
  CHECK(OpenDevices() == 1);
}

TEST_CASE("destroying an open player closes its device; MIDI plays but is closed at once") {
  TScratchTree tree;
  MCIDEVICEID id = 0;
  {
    TPlayerHost host;
    host.Player().FileName = tree.File("tune.mid", MakeMidi(8));
    host.Player().Shareable = true;
    host.Player().Open();
    id = host.Player().DeviceID();
    host.Player().Play();
    CHECK(host.Player().Mode() == TMPModes::mpPlaying);
  }
  CHECK(id != 0);
  CHECK(OpenDevices() == 0);
}
