// Runs a piece of clean-up when a scope ends, however it ends.
//
//   HDC dc = BeginPaint(Wnd, &ps);
//   TScopeGuard endPaint([&] { EndPaint(Wnd, &ps); });
//   ... drawing that may throw ...
//
// The guard is move-only: a moved-from guard runs nothing. The clean-up
// must not throw (it runs from a destructor). Pure C++.
#pragma once

#include <type_traits>
#include <utility>

namespace vr {

template <typename F>
class TScopeGuard {
 public:
  explicit TScopeGuard(F CleanUp) noexcept(std::is_nothrow_move_constructible_v<F>) : FCleanUp(std::move(CleanUp)) {}
  ~TScopeGuard() {
    if (FArmed) FCleanUp();
  }
  TScopeGuard(TScopeGuard&& Other) noexcept(std::is_nothrow_move_constructible_v<F>)
      : FCleanUp(std::move(Other.FCleanUp)), FArmed(std::exchange(Other.FArmed, false)) {}
  TScopeGuard(const TScopeGuard&) = delete;
  TScopeGuard& operator=(const TScopeGuard&) = delete;
  TScopeGuard& operator=(TScopeGuard&&) = delete;

 private:
  F FCleanUp;
  bool FArmed = true;
};

}  // namespace vr
