// Frame pacing in real time: a 100-frame animation with delays of 5 units
// (60 ms) played by a threaded painter through the program's own message
// loop; prints the measured frame intervals against the nominal 60 ms.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <vector>

#include "gif/gif_image_win.h"
#include "gif/gif_painter_win.h"
#include "gif/gif_test_writer.h"
#include "platform/application.h"
#include "platform/handles.h"

using namespace vr;
using namespace giftest;

int main() {
  InitApplication();
  GifBuilder b;
  b.Header(32, 32, Grey(8)).Loop(1);
  for (int i = 0; i < 100; ++i)
    b.Control(kDisposalLeave, 5).Frame({.Width = 32, .Height = 32, .Pixels = TestPixels(32, 32, 8, uint32_t(i + 1))});
  TGIFImage image;
  TMemoryStream stream(b.Trailer().Data);
  image.LoadFromStream(stream);

  std::vector<DWORD> shown;
  image.OnFrameDone = [&](TObject*) { shown.push_back(timeGetTime()); };
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  TMemoryDC dc(CreateCompatibleDC(nullptr));
  void* bits = nullptr;
  TBitmapHandle bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  TSelectObject select(dc.Get(), bitmap.Get());
  TCanvas canvas(dc.Get());
  image.DrawInto(canvas, RECT{0, 0, 32, 32});
  const DWORD start = GetTickCount();
  while (TGIFPainter::RunningThreads() > 0 && GetTickCount() - start < 30000) Application->HandleMessage();

  std::vector<double> intervals;
  for (size_t i = 1; i < shown.size(); ++i) intervals.push_back(double(shown[i] - shown[i - 1]));
  if (intervals.empty()) {
    std::printf("gif_frame_interval: no frames shown\n");
    return 1;
  }
  const double mean = std::accumulate(intervals.begin(), intervals.end(), 0.0) / double(intervals.size());
  double spread = 0;
  for (double d : intervals) spread += (d - mean) * (d - mean);
  spread = std::sqrt(spread / double(intervals.size()));
  std::printf("gif_frame_interval: %zu frames, mean %.2f ms against nominal %d ms (sd %.2f, min %.0f, max %.0f)\n",
              shown.size(), mean, 5 * DelayUnitMs, spread, *std::min_element(intervals.begin(), intervals.end()),
              *std::max_element(intervals.begin(), intervals.end()));
  return 0;
}
