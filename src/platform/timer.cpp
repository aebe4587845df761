#include "platform/timer.h"

#include "platform/application.h"
#include "platform/exceptions.h"

namespace vr {

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {}

TTimer::~TTimer() {
  if (FRunning) Application->Clock().StopTicks(this);
}

void TTimer::SetInterval(unsigned Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Handler) {
  FOnTimer = std::move(Handler);
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  TClock& clock = Application->Clock();
  if (FRunning) {
    clock.StopTicks(this);
    FRunning = false;
  }
  if (FInterval != 0 && FEnabled && FOnTimer) {
    if (!clock.StartTicks(this, FInterval)) throw EOutOfResources("Not enough timers available");
    FRunning = true;
  }
}

void TTimer::Tick() {
  if (FOnTimer) FOnTimer(this);
}

}  // namespace vr
