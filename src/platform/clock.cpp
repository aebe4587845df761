#include "platform/clock.h"

#include "platform/application.h"

namespace vr {

namespace {
const char kClockClass[] = "VistaroamClockWindow";
}

TSystemClock::TSystemClock() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kClockClass;
  RegisterClassA(&wc);  // fails harmlessly when already registered
  FWindow = CreateWindowExA(0, kClockClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TSystemClock::~TSystemClock() {
  for (auto& [target, id] : FIds) KillTimer(FWindow, id);
  DestroyWindow(FWindow);
}

bool TSystemClock::StartTicks(TTickTarget* Target, unsigned IntervalMs) {
  StopTicks(Target);
  UINT_PTR id = FNextId++;
  if (SetTimer(FWindow, id, IntervalMs, nullptr) == 0) return false;
  FIds[Target] = id;
  FTargets[id] = Target;
  return true;
}

void TSystemClock::StopTicks(TTickTarget* Target) {
  auto it = FIds.find(Target);
  if (it == FIds.end()) return;
  KillTimer(FWindow, it->second);
  FTargets.erase(it->second);
  FIds.erase(it);
}

void TSystemClock::WaitForEvent() { WaitMessage(); }

uint32_t TSystemClock::NowMs() { return GetTickCount(); }

LRESULT CALLBACK TSystemClock::WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER) {
    auto* self = reinterpret_cast<TSystemClock*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (self != nullptr) {
      auto it = self->FTargets.find(wParam);
      if (it != self->FTargets.end()) {
        try {
          it->second->Tick();
        } catch (...) {
          Application->HandleException();
        }
      }
    }
    return 0;
  }
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

}  // namespace vr
