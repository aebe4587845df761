// When the JPEG decoder reports its progress: at most once per 500 ms and
// only when the percentage changed. Pure C++ and free of libjpeg, so the
// rule is tested with a clock the test steps.
#pragma once

#include <cstdint>
#include <functional>

namespace vr {

// Milliseconds from an arbitrary start (the system tick count); wraps.
using TTickSource = std::function<uint32_t()>;

// The steady clock of the process, in milliseconds.
uint32_t DefaultTickCount();

enum class TJPEGProgressStage { Starting, Running, Ending };

struct TJPEGRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const TJPEGRect&, const TJPEGRect&) = default;
};

// The library's progress counters at one call of its progress monitor.
struct TJPEGProgressCounters {
  long PassCounter = 0;     // work units done in the current pass
  long PassLimit = 0;       // work units of the current pass
  int CompletedPasses = 0;  // passes completed
  int TotalPasses = 0;      // passes expected
  unsigned OutputScanline = 0;
  unsigned OutputWidth = 0;
  unsigned OutputHeight = 0;
};

struct TJPEGProgressReport {
  int PercentDone = 0;
  bool RedrawNow = false;  // the changed area is at least 4 rows high
  TJPEGRect R;             // the rows output since the last report
};

class TJPEGProgressThrottle {
 public:
  static constexpr uint32_t kIntervalMs = 500;

  explicit TJPEGProgressThrottle(TTickSource Clock = {});
  // One call of the library's progress monitor. Returns true and fills
  // Report when a report is due. The first call only starts the clock.
  bool Update(const TJPEGProgressCounters& C, TJPEGProgressReport& Report);

 private:
  TTickSource FClock;
  bool FHaveTime = false;
  uint32_t FLastTime = 0;
  int FLastPercent = -1;
  int FLastRow = 0;
};

}  // namespace vr
