// A status line showing one simple text, made for a text that changes
// thousands of times a second (the folder walk writes one per entry).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/application.h"
#include "platform/clock.h"
#include "platform/controls.h"

namespace vr {

// The text lives in the object: setting it is a memory write, and whoever
// reads it (the program, or anyone through WM_GETTEXT) gets the latest text
// at once. The line on screen follows at display pace: the first change
// after a quiet spell is painted in the next message cycle, later ones at
// the next frame tick, and the latest text is shown at once whenever the
// program goes idle (a walk that waits for a picture or ends).
class TStatusBar : public TCustomControl, private TTickTarget, private TIdleTarget {
 public:
  // Frames of the line on screen: at most one paint a tick, under 60 a second.
  static constexpr unsigned kFrameMs = 17;

  TStatusBar(TComponent* AOwner, TWinControl* AParent);
  ~TStatusBar() override;
  const char* ClassName() const override { return "TStatusBar"; }

  const std::string& SimpleText() const { return FText; }
  void SetSimpleText(std::string_view Value);
  std::string Caption() const override { return FText; }
  void SetCaption(const std::string& Value) override { SetSimpleText(Value); }

  // The text last painted, and how often the line was painted.
  const std::string& PaintedText() const { return FPainted; }
  unsigned PaintCount() const { return FPaintCount; }

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(TCanvas& Canvas) override;

 private:
  void Tick() override;
  void Idle() override;
  void RequestPaint();
  void StopTicking();

  std::string FText;
  std::string FPainted;
  bool FChanged = false;    // the text differs from what was painted
  bool FRequested = false;  // a paint is on its way
  bool FTicking = false;    // the frame clock runs
  unsigned FPaintCount = 0;
};

}  // namespace vr
