#include "gif/gif_painter_clock_win.h"

#include <mmsystem.h>

#include <atomic>

namespace vr {

namespace {

// timeGetTime is the millisecond timer animations have always been paced by.
class TSystemPainterClock : public TGIFPainterClock {
 public:
  uint32_t NowMs() override { return timeGetTime(); }
  bool WaitForWake(HANDLE Wake, uint32_t TimeoutMs) override {
    return WaitForSingleObject(Wake, TimeoutMs) == WAIT_OBJECT_0;
  }
  void Signal(HANDLE Wake) override { SetEvent(Wake); }
  void Sleep(uint32_t Ms) override { ::Sleep(Ms); }
};

TSystemPainterClock gSystemClock;
std::atomic<TGIFPainterClock*> gClock{&gSystemClock};

}  // namespace

TGIFPainterClock& PainterClock() { return *gClock.load(); }

void SetPainterClock(TGIFPainterClock* Clock) { gClock.store(Clock != nullptr ? Clock : &gSystemClock); }

}  // namespace vr
