// The time an animation is paced by: the millisecond system timer, waiting
// for a frame's delay (cut short by a wake-up event) and sleeping. Tests
// install a clock of their own so that frames are stepped, not waited for.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vr {

class TGIFPainterClock {
 public:
  virtual ~TGIFPainterClock() = default;
  // Milliseconds of the system timer (wraps around after 49 days).
  virtual uint32_t NowMs() = 0;
  // Waits at most TimeoutMs (INFINITE: without limit) for Wake; true when
  // Wake ended the wait, false on the time-out. Runs on a painter thread.
  virtual bool WaitForWake(HANDLE Wake, uint32_t TimeoutMs) = 0;
  // Signals Wake so that a painter waiting for it leaves its delay.
  virtual void Signal(HANDLE Wake) = 0;
  // Sleeps Ms milliseconds (a painter without a thread of its own).
  virtual void Sleep(uint32_t Ms) = 0;
};

// The clock every painter uses: the system's unless one was installed.
TGIFPainterClock& PainterClock();
// Installs Clock (nullptr: the system clock again). Only while no painter runs.
void SetPainterClock(TGIFPainterClock* Clock);

}  // namespace vr
