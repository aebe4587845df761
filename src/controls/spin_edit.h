// The spin edit: a one-line edit for whole numbers with an arrow pair at its
// right edge. The arrows and the cursor keys step the value by Increment,
// clamped to MinValue..MaxValue; typing is free until the box is left.
#pragma once

#include <functional>
#include <string>

#include "controls/spin_button.h"
#include "platform/std_controls.h"

namespace vr {

class TSpinEdit : public TCustomEdit {
 public:
  TSpinEdit(TComponent* AOwner, TWinControl* AParent);
  const char* ClassName() const override { return "TSpinEdit"; }

  // With MinValue equal to MaxValue there are no limits at all.
  int MinValue = 0;
  int MaxValue = 0;
  int Increment = 1;
  // When false, only the arrows and cursor keys change the value: typed
  // characters, Backspace, Delete, cut and paste are refused.
  bool EditorEnabled = true;
  // Selects the whole text when the box gets the focus other than by a
  // left mouse button press.
  bool AutoSelect = true;

  // The text as a whole number, or MinValue when it is not one. Not clamped.
  int Value() const;
  // The text becomes the clamped value; OnChange fires if the text changed.
  void SetValue(int NewValue);
  int ClampValue(int NewValue) const;
  // Value + Increment (- Increment); a read-only box only beeps.
  void StepUp();
  void StepDown();
  // Whether a typed character goes into the box: "+", "-", digits, the
  // decimal separator, control characters but Enter and Ctrl+Enter.
  bool IsAcceptedKey(char Key) const;

  TSpinButton* Button() const { return FButton; }
  // The smallest height the box takes; a smaller one is raised to it.
  int MinHeight() const;
  // The rectangle the text is laid out in, left of the arrows.
  RECT TextRect() const;
  // Writing the text fires OnChange when it changes; an error from the
  // handler goes to the writer.
  void SetCaption(const std::string& Value) override;
  void SetEnabled(bool Value) override;

  // Every refusal beep of the spin edits goes through here; by default
  // MessageBeep(0). Tests count the beeps.
  static std::function<void()> BeepHook;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;
  void BoundsChanged() override;
  void ScaleChanged() override { FollowFont(); }

 private:
  static void Beep();
  // At least as high as the font needs, the arrows and text fitted in.
  void FollowFont();
  // Pastes the clipboard's text up to its first line break.
  void PasteFirstLine();
  void UpdateGeometry();
  TSpinButton* FButton = nullptr;
  bool FWritingText = false;
};

}  // namespace vr
