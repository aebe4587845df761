// The spin edit: a one-line edit for whole numbers within a range.
#pragma once

#include "platform/std_controls.h"

namespace vr {

class TSpinEdit : public TCustomEdit {
 public:
  TSpinEdit(TComponent* AOwner, TWinControl* AParent);
  const char* ClassName() const override { return "TSpinEdit"; }

  int MinValue = 0;
  int MaxValue = 0;
  int Increment = 1;
  // The number in the box; a text that is not a number reads as MinValue.
  // Not clamped on reading.
  int Value() const;
  // Stores the value clamped to MinValue..MaxValue (no clamping when the two
  // are equal); OnChange fires when the text changes.
  void SetValue(int NewValue);
  int CheckValue(int NewValue) const;
};

}  // namespace vr
