#include "tools/render_frames.h"

#include "gif/gif_extensions.h"
#include "gif/gif_painter_clock_win.h"
#include "gif/gif_painter_win.h"

namespace vr {

namespace {

// Time passes only by sleeping, and instantly.
class TInstantClock : public TGIFPainterClock {
 public:
  uint32_t NowMs() override { return FNow; }
  bool WaitForWake(HANDLE, uint32_t TimeoutMs) override {
    FNow += TimeoutMs == INFINITE ? 0 : TimeoutMs;
    return false;
  }
  void Signal(HANDLE) override {}
  void Sleep(uint32_t Ms) override { FNow += Ms; }

 private:
  uint32_t FNow = 0;
};

// The loop count of the first looping extension; -1 without one.
int LoopCountOf(const TGIFImage& Image) {
  for (int i = 0; i < Image.Frames().Count(); ++i) {
    const TGIFExtensionList& extensions = Image.Frames()[i].Extensions;
    for (int j = 0; j < extensions.Count(); ++j)
      if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(&extensions[j])) return loop->LoopCount;
  }
  return -1;
}

}  // namespace

void PrepareFrameSteps(TGIFImage& Image, int Steps) {
  static TInstantClock clock;
  SetPainterClock(&clock);
  Image.ReleaseRenderBuffer();
  // A painter without a thread plays inside the drawing; one of an endless
  // animation would stop after its first pass, so it is told to loop.
  Image.DrawFlags &= static_cast<uint16_t>(~drThreaded);
  if (LoopCountOf(Image) == 0) Image.DrawFlags |= drLoopForever;
  auto done = std::make_shared<int>(0);
  Image.OnFrameDone = [done, Steps](TObject* Sender) {
    if ((*done)++ >= Steps) static_cast<TGIFPainter*>(Sender)->StopPainter();
  };
}

void StepFrames(TImage& View, int Steps) {
  // An animation is composed as its painter would have it after Steps steps.
  if (auto* gif = dynamic_cast<TGIFImage*>(View.Picture().HeldGraphic())) PrepareFrameSteps(*gif, Steps);
}

}  // namespace vr
