// The media player's buttons as plain values: the button kinds, sets of
// them, the layout of the button bar and the rules that keep the set of
// usable buttons in step with the device. No window code here.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace vr {

// In the order the buttons appear from the left.
enum class TMPBtnType { btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject };
constexpr int MPButtonCount = 9;

// The resource names of the glyphs are "<state>_<name>", e.g. "EN_MPPLAY".
const char* MPButtonName(TMPBtnType Button);
const char* const MPGlyphEnabled = "EN";
const char* const MPGlyphDisabled = "DI";
const char* const MPGlyphColoured = "CL";

// A set of buttons: bit n stands for the n-th button kind.
class TMPBtnSet {
 public:
  constexpr TMPBtnSet() = default;
  constexpr TMPBtnSet(std::initializer_list<TMPBtnType> Buttons) {
    for (TMPBtnType b : Buttons) FBits |= Bit(b);
  }
  static constexpr TMPBtnSet All() { return FromBits((1u << MPButtonCount) - 1); }
  static constexpr TMPBtnSet FromBits(uint32_t Bits) {
    TMPBtnSet s;
    s.FBits = static_cast<uint16_t>(Bits & ((1u << MPButtonCount) - 1));
    return s;
  }
  constexpr uint32_t Bits() const { return FBits; }
  constexpr bool Contains(TMPBtnType Button) const { return (FBits & Bit(Button)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  int Count() const;
  constexpr TMPBtnSet operator+(TMPBtnSet Other) const { return FromBits(FBits | Other.FBits); }
  constexpr TMPBtnSet operator-(TMPBtnSet Other) const { return FromBits(FBits & ~Other.FBits); }
  constexpr bool operator==(const TMPBtnSet&) const = default;

 private:
  static constexpr uint16_t Bit(TMPBtnType Button) { return static_cast<uint16_t>(1u << static_cast<int>(Button)); }
  uint16_t FBits = 0;
};

// What the open device said it can do.
struct TMPAbilities {
  bool CanPlay = false;
  bool CanRecord = false;
  bool CanEject = false;
  bool HasVideo = false;
  bool CanStep = false;
};

// The buttons usable right after a device was opened.
TMPBtnSet MPOpenedButtons(const TMPAbilities& Can);
// After a button's command ran: Play or Record make Pause and Stop usable
// instead of themselves; Pause gives Play and Record back; any other command
// gives Play and Record back and takes Pause and Stop away.
TMPBtnSet MPAfterCommand(TMPBtnSet Usable, TMPBtnType Button, const TMPAbilities& Can);
// When a notified command ended and the device is stopped.
TMPBtnSet MPAfterStop(TMPBtnSet Usable, const TMPAbilities& Can);

// The button bar: every visible button is ButtonWidth wide, neighbours share
// their border line, and the control's size snaps to whole buttons.
struct TMPBarSize {
  int ButtonWidth = 0;
  int Width = 0;
  int Height = 0;
};
int MPButtonWidth(int Width, int VisibleCount);
// The size a control of Width x Height takes with VisibleCount buttons whose
// smallest size is MinButtonWidth x MinButtonHeight. With no visible button
// the size stays as it is.
TMPBarSize MPSnapBar(int Width, int Height, int VisibleCount, int MinButtonWidth, int MinButtonHeight);

}  // namespace vr
