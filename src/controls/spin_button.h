// The arrow pair of the spin edit: two push buttons, up and down, that
// repeat while held.
#pragma once

#include <memory>

#include "platform/controls.h"
#include "platform/handles.h"
#include "platform/timer.h"

namespace vr {

// A push button drawn by its parent window. While allowed to repeat, a
// press starts a repeat timer (created on the first press): the first tick
// comes after 400 ms, then one every 100 ms, and each tick clicks while the
// button is shown pressed and holds the mouse. The release over the button
// is a click as well, as with any push button.
class TTimerSpeedButton : public TGraphicControl {
 public:
  TTimerSpeedButton(TComponent* AOwner, TWinControl* AParent);
  ~TTimerSpeedButton() override;
  const char* ClassName() const override { return "TTimerSpeedButton"; }

  static constexpr unsigned kFirstRepeatMs = 400;
  static constexpr unsigned kRepeatMs = 100;

  bool AllowTimer = true;
  HBITMAP Glyph() const { return FGlyph.Get(); }
  void SetGlyph(TBitmapHandle Value);
  // Shown pressed: the mouse went down on it and is still over it.
  bool ShownPressed() const { return FShownPressed; }
  // Draws the dotted focus rectangle (the arrow pair has the focus and this
  // is its focused button).
  void SetShowFocus(bool Value);
  // The repeat timer; nullptr until the first press.
  TTimer* RepeatTimer() const { return FRepeatTimer.get(); }

  bool IsOpaque() const override { return true; }
  void PaintOn(TCanvas& Canvas) override;
  void MouseDown(TMouseButton Button, int X, int Y) override;
  void MouseUp(TMouseButton Button, int X, int Y) override;
  // The pointer moved while the mouse button is held (control coordinates).
  void MouseMove(int X, int Y);
  // The parent lost the mouse capture: the press ends without a click.
  void CaptureLost();

 private:
  void RepeatTick();
  void StopRepeat();
  bool HoldsMouse() const;

  TBitmapHandle FGlyph;
  std::unique_ptr<TTimer> FRepeatTimer;
  bool FHeld = false;          // the left button went down on it and is not released
  bool FShownPressed = false;  // held and the pointer over it
  bool FShowFocus = false;
};

// Two repeating arrow buttons, the up button over the down button.
class TSpinButton : public TCustomControl {
 public:
  TSpinButton(TComponent* AOwner, TWinControl* AParent);
  const char* ClassName() const override { return "TSpinButton"; }

  static constexpr int kMinWidth = 15;

  TTimerSpeedButton* UpButton() const { return FUpButton; }
  TTimerSpeedButton* DownButton() const { return FDownButton; }
  // The button that shows the focus rectangle; the up button at first.
  TTimerSpeedButton* FocusedButton() const { return FFocusedButton; }
  // The arrow pictures; "SpinUp" and "SpinDown" from the resources by default.
  void SetUpGlyph(TBitmapHandle Value) { FUpButton->SetGlyph(std::move(Value)); }
  void SetDownGlyph(TBitmapHandle Value) { FDownButton->SetGlyph(std::move(Value)); }
  void SetEnabled(bool Value) override;

  // Takes the focus when an arrow is pressed (the spin edit).
  TWinControl* FocusControl = nullptr;
  TNotifyEvent OnUpClick;
  TNotifyEvent OnDownClick;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
  void BoundsChanged() override;
  void ScaleChanged() override { LayoutButtons(); }

 private:
  void SetFocusedButton(TTimerSpeedButton* Button);
  void UpdateFocusShown();
  void LayoutButtons();

  TTimerSpeedButton* FUpButton;
  TTimerSpeedButton* FDownButton;
  TTimerSpeedButton* FFocusedButton;
};

}  // namespace vr
