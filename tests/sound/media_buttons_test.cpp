// The button bar's values: sets, the rules for usable buttons, the layout.
#include <doctest/doctest.h>

#include <string>

#include "sound/media_buttons.h"
#include "sound/wave_format.h"

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

TEST_CASE("the bar rounds its width down to whole buttons sharing borders") {
  // (The smallest size, 141 for five buttons of 21 x 16 glyphs, is shown on the control.)
  TMPBarSize wide = MPSnapBar(250, 30, 5, 29, 20);
  CHECK(wide.ButtonWidth == 50);
  CHECK(wide.Width == 246);
  CHECK(MPSnapBar(wide.Width, 30, 5, 29, 20).Width == 246);  // stable
  // No visible button: nothing to snap to, and no division by zero.
  TMPBarSize none = MPSnapBar(77, 5, 0, 29, 20);
  CHECK(none.Width == 77);
  CHECK(none.Height == 5);
  CHECK(MPButtonWidth(141, 0) == 0);
  CHECK(MPButtonWidth(0, 5) == 1);
}

TEST_CASE("wave formats that state no channel, part of a byte or absurd sizes are refused") {
  auto pcm = [](uint32_t channels, uint32_t rate, uint32_t bits) {
    return WaveFormatPlayable(TWaveFormatFacts{WaveFormatPcm, channels, rate, bits});
  };
  CHECK(pcm(1, 8000, 8));
  CHECK(pcm(2, 44100, 16));
  CHECK(pcm(6, 48000, 24));
  CHECK(pcm(64, 192000, 32));
  CHECK(pcm(1, 1, 8));
  CHECK_FALSE(pcm(0, 8000, 8));
  CHECK_FALSE(pcm(300, 8000, 8));
  CHECK_FALSE(pcm(1, 0, 8));
  CHECK_FALSE(pcm(1, 4000000000u, 8));
  CHECK_FALSE(pcm(1, 8000, 0));
  CHECK_FALSE(pcm(1, 8000, 4));
  CHECK_FALSE(pcm(1, 8000, 7));
  CHECK_FALSE(pcm(1, 8000, 12));
  CHECK_FALSE(pcm(1, 8000, 72));
  // Compressed data: the sample size is the codec's business.
  CHECK(WaveFormatPlayable(TWaveFormatFacts{2, 1, 22050, 4}));
  CHECK_FALSE(WaveFormatPlayable(TWaveFormatFacts{2, 0, 22050, 4}));
}
