// The periodic window timer.
#pragma once

#include "platform/clock.h"
#include "platform/component.h"

namespace vr {

// Ticks every Interval milliseconds while Enabled. Assigning Interval or
// Enabled the value it already has leaves the running countdown alone; a
// different value stops the system timer and, when the timer is then enabled
// with a non-zero interval, starts a fresh countdown.
class TTimer : public TComponent, public TTickTarget {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  const char* ClassName() const override { return "TTimer"; }

  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned Value);  // raises "Not enough timers available"
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent Handler);

 private:
  void Tick() override;
  void UpdateTimer();

  unsigned FInterval = 1000;
  bool FEnabled = true;
  bool FRunning = false;
  TNotifyEvent FOnTimer;
};

}  // namespace vr
