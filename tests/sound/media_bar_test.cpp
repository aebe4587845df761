// The media player's button bar: size snapping, the glyph drawn for each
// button's state (checked in the control's pixels), mouse and keyboard.
#include <doctest/doctest.h>

#include "sound/sound_media.h"
#include "support/app_fixture.h"

using namespace vr;
using namespace vr::test;
using B = TMPBtnType;

namespace {

const TMPBtnSet kFive{B::btPlay, B::btPause, B::btStop, B::btNext, B::btPrev};

// Whether the button shows the named glyph, centred in its face (moved one
// pixel right and down when pressed), olive showing the face colour.
bool ShowsGlyph(TMediaPlayer& Player, B Button, const char* State, bool Pressed = false) {
  std::string name = std::string(State) + "_" + MPButtonName(Button);
  int w = 0, h = 0;
  std::vector<uint32_t> glyph = ResourcePixels(name.c_str(), w, h);
  if (glyph.empty()) return false;
  // The focus rectangle is drawn over the glyph; look without it.
  HWND focus = GetFocus();
  if (focus == Player.Handle()) SetFocus(nullptr);
  TPlayerPixels pixels(Player);
  if (focus == Player.Handle()) SetFocus(focus);
  RECT r = Player.ButtonRect(Button);
  int shift = Pressed ? 1 : 0;
  int left = r.left + 1 + (r.right - r.left - 2 - w) / 2 + shift;
  int top = r.top + 1 + (r.bottom - r.top - 2 - h) / 2 + shift;
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t v = glyph[static_cast<size_t>(y) * w + x];
      COLORREF expected = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
      if (expected == RGB(128, 128, 0)) expected = face;
      if (pixels.At(left + x, top + y) != expected) return false;
    }
  return true;
}

// The raised edge of an up button: highlight at its top-left inside the frame.
bool LooksUp(TMediaPlayer& Player, B Button) {
  RECT r = Player.ButtonRect(Button);
  TPlayerPixels pixels(Player);
  return pixels.At(r.left, r.top + 5) == GetSysColor(COLOR_WINDOWFRAME) &&
         pixels.At(r.left + 1, r.top + 5) == GetSysColor(COLOR_BTNHIGHLIGHT) &&
         pixels.At(r.right - 2, r.top + 5) == GetSysColor(COLOR_BTNSHADOW);
}

bool LooksPressed(TMediaPlayer& Player, B Button) {
  RECT r = Player.ButtonRect(Button);
  TPlayerPixels pixels(Player);
  return pixels.At(r.left + 1, r.top + 5) == GetSysColor(COLOR_BTNSHADOW) &&
         pixels.At(r.right - 2, r.top + 5) == GetSysColor(COLOR_BTNFACE);
}

LPARAM Point(const RECT& R, int DX = 0, int DY = 0) {
  return MAKELPARAM((R.left + R.right) / 2 + DX, (R.top + R.bottom) / 2 + DY);
}

}  // namespace

TEST_CASE("the bar snaps to whole buttons: five at 141 are 29 wide, 100 grows to 141") {
  TPlayerHost host;
  TMediaPlayer& p = host.Player();
  // A new player: 240 x 30 holds nine buttons only at their smallest, 29 wide.
  CHECK(p.Width() == 253);
  CHECK(p.Height() == 30);
  CHECK(p.ButtonWidth() == 29);
  p.SetVisibleButtons(kFive);
  p.SetBounds(5, 6, 141, 20);
  CHECK(p.Width() == 141);
  CHECK(p.Height() == 20);
  CHECK(p.ButtonWidth() == 29);
  RECT rc;
  GetClientRect(p.Handle(), &rc);
  CHECK(rc.right == 141);
  p.SetBounds(5, 6, 100, 10);
  CHECK(p.Width() == 141);
  CHECK(p.Height() == 20);
  p.SetBounds(5, 6, 250, 24);
  CHECK(p.Width() == 246);
  CHECK(p.ButtonWidth() == 50);
  // Buttons side by side in their order, sharing border lines; hidden ones have no place.
  CHECK(p.ButtonRect(B::btPlay).left == 0);
  CHECK(p.ButtonRect(B::btPause).left == 49);
  CHECK(p.ButtonRect(B::btPrev).left == 4 * 49);
  CHECK(p.ButtonRect(B::btPrev).right == 246);
  RECT eject = p.ButtonRect(B::btEject);
  CHECK(IsRectEmpty(&eject));
  // Fewer buttons: the width snaps again.
  p.SetVisibleButtons({B::btPlay, B::btStop});
  CHECK(p.Width() == 245);
  CHECK(p.ButtonRect(B::btStop).left == 122);
}

TEST_CASE("each button draws the glyph of its state: disabled, coloured or enabled") {
  TScratchTree tree;
  TPlayerHost host;
  TMediaPlayer& p = host.Player();
  p.SetVisibleButtons(TMPBtnSet::All());
  // Closed: nothing is usable, every glyph is the disabled one.
  for (int i = 0; i < MPButtonCount; ++i) {
    CAPTURE(i);
    CHECK(std::string(p.GlyphState(B(i))) == "DI");
    CHECK(ShowsGlyph(p, B(i), "DI"));
    CHECK(LooksUp(p, B(i)));
  }
  p.FileName = tree.File("tone.wav", MakeWav(1));
  p.Open();
  // Open on a wave device: Play, Record, Next and Prev are usable, in colour.
  for (B b : {B::btPlay, B::btRecord, B::btNext, B::btPrev}) CHECK(ShowsGlyph(p, b, "CL"));
  for (B b : {B::btPause, B::btStop, B::btStep, B::btBack, B::btEject}) CHECK(ShowsGlyph(p, b, "DI"));
  p.SetColoredButtons({B::btNext});
  CHECK(ShowsGlyph(p, B::btPlay, "EN"));
  CHECK(ShowsGlyph(p, B::btNext, "CL"));
  // Without AutoEnable the enabled set decides.
  p.SetAutoEnable(false);
  p.SetEnabledButtons({B::btStop});
  CHECK(ShowsGlyph(p, B::btStop, "EN"));
  CHECK(ShowsGlyph(p, B::btPlay, "DI"));
  p.SetAutoEnable(true);
  // A disabled control shows every button disabled.
  p.SetEnabled(false);
  CHECK(ShowsGlyph(p, B::btPlay, "DI"));
  CHECK(ShowsGlyph(p, B::btNext, "DI"));
  p.SetEnabled(true);
  CHECK(ShowsGlyph(p, B::btNext, "CL"));
}

TEST_CASE("clicking Play with the mouse plays; Pause and Stop take over until the notice") {
  TScratchTree tree;
  TPlayerHost host;
  TMediaPlayer& p = host.Player();
  p.SetVisibleButtons(kFive);
  p.SetColoredButtons({});
  p.SetBounds(5, 6, 141, 20);
  HWND wnd = p.Handle();
  RECT play = p.ButtonRect(B::btPlay), pause = p.ButtonRect(B::btPause);
  std::vector<std::string> events;
  p.OnClick = [&](TObject*, B b, bool&) { events.push_back("click " + std::string(MPButtonName(b))); };
  p.OnPostClick = [&](TObject*, B b) { events.push_back("post " + std::string(MPButtonName(b))); };

  // Closed: pressing an unusable button does nothing.
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(play));
  CHECK(GetCapture() == nullptr);
  SendMessageA(wnd, WM_LBUTTONUP, 0, Point(play));
  CHECK(events.empty());

  p.FileName = tree.File("tone.wav", MakeWav(1));
  p.Open();
  CHECK(ShowsGlyph(p, B::btPlay, "EN"));
  CHECK(ShowsGlyph(p, B::btPause, "DI"));

  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(play));
  CHECK(GetCapture() == wnd);
  CHECK(GetFocus() == wnd);
  CHECK(p.FocusedButton() == B::btPlay);
  CHECK(LooksPressed(p, B::btPlay));
  CHECK(ShowsGlyph(p, B::btPlay, "EN", true));
  SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, Point(pause));  // out: up again
  CHECK(LooksUp(p, B::btPlay));
  SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, Point(play, 3, 2));  // back in: pressed
  CHECK(LooksPressed(p, B::btPlay));
  SendMessageA(wnd, WM_LBUTTONUP, 0, Point(play, 3, 2));
  CHECK(GetCapture() == nullptr);
  CHECK(events == std::vector<std::string>{"click MPPLAY", "post MPPLAY"});
  CHECK(p.Mode() == TMPModes::mpPlaying);
  CHECK(LooksUp(p, B::btPlay));
  CHECK(p.Usable(B::btPause));
  CHECK(p.Usable(B::btStop));
  CHECK_FALSE(p.Usable(B::btPlay));
  CHECK(ShowsGlyph(p, B::btPlay, "DI"));
  CHECK(ShowsGlyph(p, B::btPause, "EN"));
  CHECK(ShowsGlyph(p, B::btStop, "EN"));

  REQUIRE(host.WaitForNotices(1));
  CHECK(host.Notices[0] == TMPNotifyValues::nvSuccessful);
  CHECK(p.Usable(B::btPlay));
  CHECK_FALSE(p.Usable(B::btPause));
  CHECK_FALSE(p.Usable(B::btStop));
  CHECK(ShowsGlyph(p, B::btPlay, "EN"));
  CHECK(ShowsGlyph(p, B::btStop, "DI"));

  // Released outside the button: no click.
  events.clear();
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(play));
  SendMessageA(wnd, WM_LBUTTONUP, 0, Point(pause));
  CHECK(events.empty());
  CHECK(p.Mode() == TMPModes::mpStopped);

  // OnClick may keep the command from running; OnPostClick still follows.
  p.OnClick = [&](TObject*, B b, bool& doDefault) {
    events.push_back("click " + std::string(MPButtonName(b)));
    doDefault = false;
  };
  SendMessageA(wnd, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(play));
  SendMessageA(wnd, WM_LBUTTONUP, 0, Point(play));
  CHECK(events == std::vector<std::string>{"click MPPLAY", "post MPPLAY"});
  CHECK(p.Mode() == TMPModes::mpStopped);
}

TEST_CASE("the keyboard moves the focus between visible buttons and Space clicks") {
  TScratchTree tree;
  TPlayerHost host;
  TMediaPlayer& p = host.Player();
  p.SetVisibleButtons(kFive);
  p.SetBounds(5, 6, 141, 20);
  HWND wnd = p.Handle();
  p.FileName = tree.File("long.wav", MakeWav(10));
  p.Open();

  SetFocus(nullptr);
  TPlayerPixels unfocused(p);
  SetFocus(wnd);
  REQUIRE(GetFocus() == wnd);
  CHECK(p.FocusedButton() == B::btPlay);
  // The focus rectangle is drawn 3 pixels inside the focused button.
  {
    TPlayerPixels focused(p);
    RECT r = p.ButtonRect(B::btPlay);
    int changed = 0;
    for (int x = r.left + 3; x < r.right - 3; ++x) changed += focused.At(x, 3) != unfocused.At(x, 3);
    CHECK(changed > 5);
    RECT next = p.ButtonRect(B::btStop);
    for (int x = next.left + 3; x < next.right - 3; ++x) CHECK(focused.At(x, 3) == unfocused.At(x, 3));
  }

  SendMessageA(wnd, WM_KEYDOWN, VK_LEFT, 0);
  CHECK(p.FocusedButton() == B::btPlay);  // stops at the first
  for (B expected : {B::btPause, B::btStop, B::btNext, B::btPrev, B::btPrev}) {
    SendMessageA(wnd, WM_KEYDOWN, VK_RIGHT, 0);
    CHECK(p.FocusedButton() == expected);  // and at the last visible one
  }
  SendMessageA(wnd, WM_KEYDOWN, VK_LEFT, 0);
  SendMessageA(wnd, WM_KEYDOWN, VK_LEFT, 0);
  CHECK(p.FocusedButton() == B::btStop);
  SendMessageA(wnd, WM_KEYDOWN, VK_SPACE, 0);  // Stop is not usable yet
  CHECK(p.Usable(B::btPlay));

  SendMessageA(wnd, WM_KEYDOWN, VK_LEFT, 0);
  SendMessageA(wnd, WM_KEYDOWN, VK_LEFT, 0);
  SendMessageA(wnd, WM_KEYDOWN, VK_SPACE, 0);
  CHECK(p.Mode() == TMPModes::mpPlaying);
  CHECK(p.Usable(B::btStop));
  SendMessageA(wnd, WM_KEYDOWN, VK_RIGHT, 0);
  SendMessageA(wnd, WM_KEYDOWN, VK_SPACE, 0);  // Pause
  CHECK(p.Mode() == TMPModes::mpPaused);
  CHECK(p.Usable(B::btPlay));
  SendMessageA(wnd, WM_KEYDOWN, VK_RIGHT, 0);
  SendMessageA(wnd, WM_KEYDOWN, VK_SPACE, 0);  // Stop
  CHECK(p.Mode() == TMPModes::mpStopped);
  CHECK_FALSE(p.Usable(B::btStop));
  CHECK_FALSE(p.Usable(B::btPause));
}

TEST_CASE("a command that raises from a button reaches the error box") {
  TPlayerHost host;
  TMediaPlayer& p = host.Player();
  p.SetAutoEnable(false);  // every button usable, even with no device
  SendMessageA(p.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(p.ButtonRect(B::btStop)));
  SendMessageA(p.Handle(), WM_LBUTTONUP, 0, Point(p.ButtonRect(B::btStop)));
  CHECK(host.Boxes == std::vector<std::string>{"No MCI device open."});
  CHECK(GetCapture() == nullptr);
}
