// The button bar's values: sets, the rules for usable buttons, the layout.
#include <doctest/doctest.h>

#include "sound/media_buttons.h"

using namespace vr;
using B = TMPBtnType;

TEST_CASE("button sets hold the button kinds as bits in their order") {
  CHECK(TMPBtnSet::All().Count() == 9);
  CHECK(TMPBtnSet::All().Bits() == 0x1FF);
  TMPBtnSet s{B::btPlay, B::btEject};
  CHECK(s.Bits() == 0x101);
  CHECK(s.Contains(B::btEject));
  CHECK_FALSE(s.Contains(B::btStop));
  CHECK((s - TMPBtnSet{B::btPlay}) == TMPBtnSet{B::btEject});
  CHECK(TMPBtnSet::FromBits(0xFFFF) == TMPBtnSet::All());  // no bits beyond the ninth
  CHECK(std::string(MPButtonName(B::btPlay)) == "MPPLAY");
  CHECK(std::string(MPButtonName(B::btRecord)) == "MPRECORD");
  CHECK(std::string(MPButtonName(B::btEject)) == "MPEJECT");
}

TEST_CASE("the usable buttons follow the device's abilities and the commands") {
  TMPAbilities wave;
  wave.CanPlay = wave.CanRecord = true;
  TMPBtnSet opened = MPOpenedButtons(wave);
  CHECK(opened == TMPBtnSet{B::btPlay, B::btRecord, B::btNext, B::btPrev});

  TMPAbilities video;
  video.CanPlay = video.HasVideo = video.CanStep = video.CanEject = true;
  CHECK(MPOpenedButtons(video) == TMPBtnSet{B::btPlay, B::btNext, B::btPrev, B::btStep, B::btBack, B::btEject});

  TMPBtnSet playing = MPAfterCommand(opened, B::btPlay, wave);
  CHECK(playing == TMPBtnSet{B::btPause, B::btStop, B::btNext, B::btPrev});
  CHECK(MPAfterCommand(opened, B::btRecord, wave) == playing);
  // Pause gives Play and Record back but keeps Pause (to resume) and Stop.
  CHECK(MPAfterCommand(playing, B::btPause, wave) == playing + TMPBtnSet{B::btPlay, B::btRecord});
  // Any other command ends the playing state.
  for (B other : {B::btStop, B::btNext, B::btPrev, B::btStep, B::btBack, B::btEject})
    CHECK(MPAfterCommand(playing, other, wave) == opened);
  CHECK(MPAfterStop(playing, wave) == opened);

  // A device that cannot play or record never gets those back.
  TMPAbilities mute;
  CHECK(MPAfterStop(TMPBtnSet{B::btPause, B::btStop, B::btNext}, mute) == TMPBtnSet{B::btNext});
}

TEST_CASE("the bar snaps its width to whole buttons and never below the smallest") {
  // Glyphs of 21 x 16 make buttons of at least 29 x 20.
  TMPBarSize five = MPSnapBar(141, 20, 5, 29, 20);
  CHECK(five.ButtonWidth == 29);
  CHECK(five.Width == 141);
  CHECK(five.Height == 20);

  TMPBarSize small = MPSnapBar(100, 10, 5, 29, 20);
  CHECK(small.Width == 141);
  CHECK(small.ButtonWidth == 29);
  CHECK(small.Height == 20);

  // Wider than the smallest: rounded down to whole buttons sharing borders.
  TMPBarSize wide = MPSnapBar(250, 30, 5, 29, 20);
  CHECK(wide.ButtonWidth == 50);
  CHECK(wide.Width == 246);
  CHECK(MPSnapBar(wide.Width, 30, 5, 29, 20).Width == 246);  // stable

  // A new player: 240 wide with all nine buttons grows to nine smallest ones.
  CHECK(MPSnapBar(240, 30, 9, 29, 20).Width == 253);
  // No visible button: nothing to snap to.
  TMPBarSize none = MPSnapBar(77, 5, 0, 29, 20);
  CHECK(none.Width == 77);
  CHECK(none.Height == 5);
  CHECK(MPButtonWidth(141, 0) == 0);
  CHECK(MPButtonWidth(0, 5) == 1);
}
