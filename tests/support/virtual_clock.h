// A clock for tests: timers tick and scheduled actions run in virtual time,
// whenever the program would otherwise wait for an event. Nothing sleeps.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "platform/application.h"
#include "platform/clock.h"

namespace vr::test {

class TVirtualClock : public TClock {
 public:
  bool RefuseTimers = false;

  bool StartTicks(TTickTarget* Target, unsigned IntervalMs) override {
    if (RefuseTimers) return false;
    FTimers[Target] = Timer{IntervalMs, FNow + IntervalMs};
    return true;
  }
  void StopTicks(TTickTarget* Target) override { FTimers.erase(Target); }
  uint32_t NowMs() override { return static_cast<uint32_t>(FNow); }

  // Runs Action when virtual time reaches Now + DelayMs.
  void After(uint64_t DelayMs, std::function<void()> Action) { FActions.emplace(FNow + DelayMs, std::move(Action)); }
  bool Ticking(TTickTarget* Target) const { return FTimers.count(Target) != 0; }
  uint64_t Now() const { return FNow; }

  // Moves time forward by Ms, firing every tick and action due on the way.
  void Advance(uint64_t Ms) {
    uint64_t end = FNow + Ms;
    while (FireNext(end)) {
    }
    FNow = end;
  }

  void WaitForEvent() override {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) return;
    if (FireNext(UINT64_MAX)) {
      FIdleWaits = 0;
      return;
    }
    // Nothing scheduled: wait for real messages (a sound's end notice, say).
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    if (++FIdleWaits > 600) {
      std::fprintf(stderr, "virtual clock: nothing happened for 30 seconds; the program waits for ever\n");
      std::abort();
    }
  }

 private:
  struct Timer {
    unsigned Interval;
    uint64_t Due;
  };

  bool FireNext(uint64_t Limit) {
    TTickTarget* target = nullptr;
    uint64_t due = UINT64_MAX;
    for (auto& [t, timer] : FTimers)
      if (timer.Due < due) {
        due = timer.Due;
        target = t;
      }
    auto action = FActions.begin();
    bool actionFirst = action != FActions.end() && action->first <= due;
    if (actionFirst) due = action->first;
    if (due == UINT64_MAX || due > Limit) return false;
    FNow = due;
    try {
      if (actionFirst) {
        std::function<void()> run = std::move(action->second);
        FActions.erase(action);
        run();
      } else {
        FTimers[target].Due += FTimers[target].Interval;
        TickOf(target);
      }
    } catch (...) {
      Application->HandleException();
    }
    return true;
  }
  static void TickOf(TTickTarget* Target) { Target->Tick(); }

  uint64_t FNow = 0;
  int FIdleWaits = 0;
  std::map<TTickTarget*, Timer> FTimers;
  std::multimap<uint64_t, std::function<void()>> FActions;
};

}  // namespace vr::test
