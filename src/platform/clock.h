// The clock seam: everything that waits in real time (window timers, the
// idle wait of the message loop) goes through a TClock, so tests can step
// time instead of sleeping.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>

namespace vr {

// Something that receives periodic ticks.
class TTickTarget {
 public:
  virtual ~TTickTarget() = default;
  virtual void Tick() = 0;
};

class TClock {
 public:
  virtual ~TClock() = default;
  // Starts (or restarts with a fresh countdown) periodic ticks every
  // IntervalMs for Target; returns false when the system refuses a timer.
  virtual bool StartTicks(TTickTarget* Target, unsigned IntervalMs) = 0;
  virtual void StopTicks(TTickTarget* Target) = 0;
  // Blocks until a window message or a tick may be due.
  virtual void WaitForEvent() = 0;
  // Milliseconds on a monotonic clock.
  virtual uint32_t NowMs() = 0;
};

// The real clock: system window timers on a hidden window, WaitMessage.
class TSystemClock : public TClock {
 public:
  TSystemClock();
  ~TSystemClock() override;
  TSystemClock(const TSystemClock&) = delete;
  TSystemClock& operator=(const TSystemClock&) = delete;
  bool StartTicks(TTickTarget* Target, unsigned IntervalMs) override;
  void StopTicks(TTickTarget* Target) override;
  void WaitForEvent() override;
  uint32_t NowMs() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND FWindow = nullptr;
  UINT_PTR FNextId = 1;
  std::map<TTickTarget*, UINT_PTR> FIds;
  std::map<UINT_PTR, TTickTarget*> FTargets;
};

}  // namespace vr
