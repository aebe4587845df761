#include "sound/media_buttons.h"

#include <algorithm>
#include <bit>

namespace vr {

const char* MPButtonName(TMPBtnType Button) {
  static const char* const names[MPButtonCount] = {"MPPLAY", "MPPAUSE", "MPSTOP",   "MPNEXT",  "MPPREV",
                                                    "MPSTEP", "MPBACK",  "MPRECORD", "MPEJECT"};
  int i = static_cast<int>(Button);
  return i >= 0 && i < MPButtonCount ? names[i] : "";
}

int TMPBtnSet::Count() const { return std::popcount(FBits); }

namespace {

TMPBtnSet PlayAndRecord(const TMPAbilities& Can) {
  TMPBtnSet s;
  if (Can.CanPlay) s = s + TMPBtnSet{TMPBtnType::btPlay};
  if (Can.CanRecord) s = s + TMPBtnSet{TMPBtnType::btRecord};
  return s;
}

}  // namespace

TMPBtnSet MPOpenedButtons(const TMPAbilities& Can) {
  TMPBtnSet s{TMPBtnType::btNext, TMPBtnType::btPrev};
  if (Can.CanStep) s = s + TMPBtnSet{TMPBtnType::btStep, TMPBtnType::btBack};
  if (Can.CanEject) s = s + TMPBtnSet{TMPBtnType::btEject};
  return s + PlayAndRecord(Can);
}

TMPBtnSet MPAfterCommand(TMPBtnSet Usable, TMPBtnType Button, const TMPAbilities& Can) {
  const TMPBtnSet running{TMPBtnType::btPause, TMPBtnType::btStop};
  switch (Button) {
    case TMPBtnType::btPlay:
    case TMPBtnType::btRecord:
      return Usable - TMPBtnSet{TMPBtnType::btPlay, TMPBtnType::btRecord} + running;
    case TMPBtnType::btPause:
      return Usable + PlayAndRecord(Can);
    default:
      return Usable + PlayAndRecord(Can) - running;
  }
}

TMPBtnSet MPAfterStop(TMPBtnSet Usable, const TMPAbilities& Can) {
  return Usable + PlayAndRecord(Can) - TMPBtnSet{TMPBtnType::btPause, TMPBtnType::btStop};
}

int MPButtonWidth(int Width, int VisibleCount) {
  if (VisibleCount <= 0) return 0;
  return (std::max(Width, 1) - 1) / VisibleCount + 1;
}

TMPBarSize MPSnapBar(int Width, int Height, int VisibleCount, int MinButtonWidth, int MinButtonHeight) {
  if (VisibleCount <= 0) return TMPBarSize{0, Width, Height};
  int width = VisibleCount * (MPButtonWidth(Width, VisibleCount) - 1) + 1;
  width = std::max(width, VisibleCount * (MinButtonWidth - 1) + 1);
  return TMPBarSize{MPButtonWidth(width, VisibleCount), width, std::max(Height, MinButtonHeight)};
}

}  // namespace vr
