// The scan run over sounds on the real main window: each ticked sound plays
// through MediaPlayer1 until its completion notice or its time limit, and a
// sound that cannot be opened ends the run with the error box.
#include <doctest/doctest.h>

#include "sound/sound_media.h"
#include "support/app_fixture.h"

using namespace vr;
using namespace vr::test;
using B = TMPBtnType;

namespace {

std::string Upper(std::string Text) {
  for (char& c : Text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return Text;
}

// Watches MediaPlayer1 during a run: its notices, and its mode whenever the
// display timer ticks.
struct TSoundWatch {
  explicit TSoundWatch(TForm1& Form) : F(Form) {
    TNotifyEvent notify = F.MediaPlayer1->OnNotify;
    F.MediaPlayer1->OnNotify = [this, notify](TObject* Sender) {
      Notices.push_back(F.MediaPlayer1->NotifyValue());
      notify(Sender);
    };
    TNotifyEvent tick = F.Timer1->OnTimer();
    F.Timer1->SetOnTimer([this, tick](TObject* Sender) {
      ModesAtTick.push_back(F.MediaPlayer1->Mode());
      tick(Sender);
    });
  }
  TForm1& F;
  std::vector<TMPNotifyValues> Notices;
  std::vector<TMPModes> ModesAtTick;
};

// Lets real time pass inside virtual time: the sound plays (in real time)
// while the virtual clock stands still, until its notice has come.
void HoldVirtualTimeForNotice(TMainWindowFixture& App, TSoundWatch& Watch) {
  App.Clock.After(1, [&App, &Watch] {
    size_t before = Watch.Notices.size();
    if (App.Form().MediaPlayer1->Mode() == TMPModes::mpPlaying)
      PumpUntil([&] { return Watch.Notices.size() > before; });
  });
}

std::vector<std::string> RunLog(const std::string& Root, int Found) {
  return {" Loop: 1", ">" + Root + "*.*   ", "Found: " + std::to_string(Found) + " Loops: 1"};
}

}  // namespace

TEST_CASE("MediaPlayer1: five plain buttons, shareable, 141 x 20") {
  TMainWindowFixture app;
  TMediaPlayer& p = *app.Form().MediaPlayer1;
  CHECK(p.VisibleButtons() == TMPBtnSet{B::btPlay, B::btPause, B::btStop, B::btNext, B::btPrev});
  CHECK(p.ColoredButtons().Empty());
  CHECK(p.EnabledButtons() == TMPBtnSet::All());
  CHECK(p.AutoEnable());
  CHECK(p.AutoRewind);
  CHECK(p.Shareable);
  CHECK(p.DeviceType == TMPDeviceTypes::dtAutoSelect);
  CHECK(p.Left() == 14);
  CHECK(p.Top() == 107);
  CHECK(p.Width() == 141);
  CHECK(p.Height() == 20);
  CHECK(p.ButtonWidth() == 29);
  CHECK_FALSE(p.IsOpen());
  CHECK(std::string(p.GlyphState(B::btPlay)) == "DI");
}

TEST_CASE("a sound's completion notice ends its wait before a longer limit") {
  TScratchTree tree;
  std::vector<std::pair<std::string, std::vector<uint8_t>>> sounds = {
      {"tone.wav", MakeWav(1)},
      {"chime.mp3", ReadWholeFile(SamplePath("chime.mp3"))},
      {"chime.wma", ReadWholeFile(SamplePath("chime.wma"))}};
  for (const auto& [name, bytes] : sounds) {
    CAPTURE(name);
    TScratchTree tree;
    std::string path = tree.File(name, bytes);
    SetCurrentDirectoryA(tree.Root().c_str());
    TMainWindowFixture app;
    TForm1& f = app.Form();
    TSoundWatch watch(f);
    for (TCheckBox* box : {f.CheckBoxWav1, f.CheckBoxMp3, f.CheckBoxWma}) TMainWindowFixture::Click(box);
    f.SpinEditSound0->SetValue(60);
    f.SpinEditSound1->SetValue(60);
    HoldVirtualTimeForNotice(app, watch);
    uint64_t start = app.Clock.Now();
    TMainWindowFixture::Click(f.SpeedButtonGo1);

    CHECK(app.Boxes.empty());
    CHECK(app.LogLines() == RunLog(tree.Root(), 1));
    CHECK(f.StatusBar2->SimpleText() == "Found: " + Upper(path));
    CHECK(Outcomes(watch.Notices) == "successful");
    CHECK(watch.ModesAtTick.empty());  // the limit never came
    CHECK(app.Clock.Now() - start < 60000);
    CHECK(f.Timer1->Interval() == 60000);
    CHECK_FALSE(f.Timer1->Enabled());
    CHECK_FALSE(f.MediaPlayer1->IsOpen());
  }
}

TEST_CASE("a limit shorter than the sound cuts it when the player is closed") {
  TScratchTree tree;
  tree.File("long.wav", MakeWav(10));  // 2.5 s of real time on the null device
  SetCurrentDirectoryA(tree.Root().c_str());
  TMainWindowFixture app;
  TForm1& f = app.Form();
  TSoundWatch watch(f);
  TMainWindowFixture::Click(f.CheckBoxWav1);
  f.SpinEditSound0->SetValue(1);
  TMainWindowFixture::Click(f.SpeedButtonGo1);

  CHECK(app.LogLines() == RunLog(tree.Root(), 1));
  REQUIRE(watch.ModesAtTick.size() >= 1);
  CHECK(watch.ModesAtTick[0] == TMPModes::mpPlaying);  // still playing at its limit
  CHECK_FALSE(f.MediaPlayer1->IsOpen());
  // Closing aborted the play; the notice of the closed device is not taken.
  PumpFor(500);
  CHECK(watch.Notices.empty());
}

TEST_CASE("a limit of 0 waits for the end of the sound") {
  TScratchTree tree;
  tree.File("tone.wav", MakeWav(1));
  SetCurrentDirectoryA(tree.Root().c_str());
  TMainWindowFixture app;
  TForm1& f = app.Form();
  TSoundWatch watch(f);
  TMainWindowFixture::Click(f.CheckBoxWav1);
  f.SpinEditSound0->SetValue(0);
  uint64_t start = app.Clock.Now();
  TMainWindowFixture::Click(f.SpeedButtonGo1);

  CHECK(app.LogLines() == RunLog(tree.Root(), 1));
  CHECK(Outcomes(watch.Notices) == "successful");
  CHECK(watch.ModesAtTick.empty());
  CHECK(app.Clock.Now() == start);  // no timer ran: only the notice ended the wait
  CHECK(f.Timer1->Interval() == 0);
}

TEST_CASE("a MID file opens through the shareable player and is cut at its limit") {
  TScratchTree tree;
  tree.File("tune.mid", MakeMidi(16));
  tree.File("skip.wav", MakeWav(1));  // Get Wav is not ticked
  SetCurrentDirectoryA(tree.Root().c_str());
  TMainWindowFixture app;
  TForm1& f = app.Form();
  TSoundWatch watch(f);
  TMainWindowFixture::Click(f.CheckBoxMid1);
  f.SpinEditSound0->SetValue(1);
  f.SpinEditSound1->SetValue(7);
  TMainWindowFixture::Click(f.SpeedButtonGo1);

  CHECK(app.Boxes.empty());
  CHECK(app.LogLines() == RunLog(tree.Root(), 1));
  CHECK(f.StatusBar2->SimpleText() == "Found: " + Upper(tree.Path("tune.mid")));
  REQUIRE(watch.ModesAtTick.size() >= 1);
  CHECK(watch.ModesAtTick[0] == TMPModes::mpPlaying);
  CHECK(f.Timer1->Interval() == 1000);  // a MID's limit is the sound limit
  CHECK_FALSE(f.MediaPlayer1->IsOpen());

  // A typed limit is not clamped while the box has the focus; 4,294,968 s
  // is more than a 32-bit count of milliseconds holds, and the longest
  // the system timer waits is what it gets (no wrap to 0.7 s).
  TMainWindowFixture::Type(f.SpinEditSound0, "4294968");
  REQUIRE(f.SoundInterval == 4294968);
  uint64_t start = app.Clock.Now();
  TMainWindowFixture::Click(f.SpeedButtonGo1);
  CHECK(f.Timer1->Interval() == USER_TIMER_MAXIMUM);
  CHECK(app.Clock.Now() - start >= USER_TIMER_MAXIMUM);
  // A negative one is no limit: the timer stays off, as for 0.
  TMainWindowFixture::Type(f.SpinEditSound0, "-3");
  REQUIRE(f.SoundInterval == -3);
  tree.File("end.wav", MakeWav(0.5));
  TMainWindowFixture::Click(f.CheckBoxMid1);
  TMainWindowFixture::Click(f.CheckBoxWav1);
  start = app.Clock.Now();
  TMainWindowFixture::Click(f.SpeedButtonGo1);
  CHECK(f.Timer1->Interval() == 0);
  CHECK(app.Clock.Now() == start);  // only the sound's end ended the wait
}

TEST_CASE("a file that is no sound in a folder SONGS.MP3 ends the run with the error box") {
  TScratchTree tree;
  tree.File("SONGS.MP3\\NOTES.TXT", "shopping list");
  SetCurrentDirectoryA(tree.Root().c_str());
  TMainWindowFixture app;
  TForm1& f = app.Form();
  TMainWindowFixture::Click(f.CheckBoxMp3);
  TMainWindowFixture::Click(f.SpeedButtonGo1);

  REQUIRE(app.Boxes.size() == 1);
  CHECK(app.Boxes[0].Text == "Cannot determine the device type from the given filename extension.");
  CHECK(app.Boxes[0].Caption == "Vistaroam");
  CHECK((app.Boxes[0].Flags & MB_ICONERROR) == MB_ICONERROR);
  // No "Found: " line for the pass: the run ended at the open.
  CHECK(app.LogLines() == std::vector<std::string>{" Loop: 1", ">" + tree.Root() + "*.*   "});
  CHECK(f.StatusBar2->SimpleText() == "Found: " + Upper(tree.Path("SONGS.MP3\\NOTES.TXT")));
  CHECK_FALSE(f.MediaPlayer1->IsOpen());
}
