#include "pictures/jpeg/jpeg_progress.h"

#include <chrono>

namespace vr {

uint32_t DefaultTickCount() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

TJPEGProgressThrottle::TJPEGProgressThrottle(TTickSource Clock) : FClock(std::move(Clock)) {
  if (!FClock) FClock = DefaultTickCount;
}

bool TJPEGProgressThrottle::Update(const TJPEGProgressCounters& C, TJPEGProgressReport& Report) {
  const uint32_t now = FClock();
  if (FHaveTime && now - FLastTime < kIntervalMs) return false;
  const bool started = FHaveTime;
  FHaveTime = true;
  FLastTime = now;
  if (!started) return false;
  if (C.TotalPasses <= 0) return false;

  TJPEGRect r{0, FLastRow, static_cast<int>(C.OutputWidth), static_cast<int>(C.OutputScanline)};
  // A new output pass started over at the top: the change runs to the bottom.
  if (r.Bottom < FLastRow) r.Bottom = static_cast<int>(C.OutputHeight);

  double fraction = C.PassLimit > 0 ? static_cast<double>(C.PassCounter) / static_cast<double>(C.PassLimit) : 0.0;
  double percent = 100.0 * (C.CompletedPasses + fraction) / C.TotalPasses;
  int p = percent <= 0 ? 0 : percent >= 100 ? 100 : static_cast<int>(percent);
  if (p == FLastPercent) return false;

  FLastPercent = p;
  FLastRow = static_cast<int>(C.OutputScanline);
  Report.PercentDone = p;
  Report.R = r;
  Report.RedrawNow = r.Bottom - r.Top >= 4;
  return true;
}

}  // namespace vr
