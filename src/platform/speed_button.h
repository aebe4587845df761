// Speed buttons: push buttons that can stay down, in groups.
#pragma once

#include "platform/controls.h"
#include "platform/handles.h"

namespace vr {

// Buttons of one parent with the same non-zero GroupIndex form a group:
// pressing one puts it down and raises the others. In a group that allows all
// up, pressing the button that is down raises it; otherwise it stays down.
// The click handler runs in every case.
class TSpeedButton : public TWinControl {
 public:
  TSpeedButton(TComponent* AOwner, TWinControl* AParent, const std::string& ACaption);
  const char* ClassName() const override { return "TSpeedButton"; }

  int GroupIndex = 0;
  bool AllowAllUp = false;
  bool Down() const { return FDown; }
  // Putting a grouped button down raises the others of its group; a button
  // without a group cannot stay down.
  void SetDown(bool Value);
  // A glyph from the resources; with NumGlyphs 2 the bitmap holds the up
  // and the down picture side by side. Olive is transparent.
  void SetGlyph(const char* ResourceName, int NumGlyphs = 1);
  void Click() override;

 protected:
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void Draw(const DRAWITEMSTRUCT& Item);
  bool FDown = false;
  TBitmapHandle FGlyph;
  int FNumGlyphs = 1;
};

}  // namespace vr
