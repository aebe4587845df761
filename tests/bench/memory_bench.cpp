// The peak working set of the process while it shows one picture: loaded
// through the picture holder of an image view like the main window's, then
// drawn stretched onto a 1024 x 768 surface.
//   memory_bench FILE
//     a large picture: prints ROW|group|measure|peak MB|limit MB|ratio|target,
//     the limit being twice width x height x 4 bytes plus 50 MB
//   memory_bench --hostile FILE
//     a file that claims sizes or counts no real picture has: it must be
//     refused or shown within 20 s and 512 MB; prints the outcome, the time
//     of the load and draw, the peak, and the larger share of the two limits
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/image_libraries.h"
#include "pictures/image_view.h"
#include "platform/application.h"
#include "platform/exceptions.h"
#include "platform/forms.h"
#include "platform/handles.h"

using namespace vr;

int main(int argc, char** argv) {
  const bool hostile = argc == 3 && std::strcmp(argv[1], "--hostile") == 0;
  if (argc != 2 && !hostile) {
    std::fprintf(stderr, "usage: memory_bench [--hostile] FILE\n");
    return 2;
  }
  const std::string file = argv[argc - 1];
  std::string name = file.substr(file.find_last_of("\\/") + 1);
  TApplication& app = InitApplication();
  app.Title = "Vistaroam";
  RegisterImageLibraries();
  std::string failure;
  app.ModalHook = [&](const TModalRequest& r) {
    if (failure.empty()) failure = r.Text;
    return IDOK;
  };
  int width = 0, height = 0;
  const auto start = std::chrono::steady_clock::now();
  {
    TCustomForm::TParams params;
    params.BorderStyle = TBorderStyle::bsNone;
    TCustomForm host(nullptr, params);
    TImage* view = host.Make<TImage>(&host);
    view->SetStretch(true);
    view->SetBounds(0, 0, 1024, 768);
    try {
      view->Picture().LoadFile(file);
      width = view->Picture().Width();
      height = view->Picture().Height();
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = 1024;
      info.bmiHeader.biHeight = -768;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 24;
      void* bits = nullptr;
      TMemoryDC dc(CreateCompatibleDC(nullptr));
      TBitmapHandle surface(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
      TSelectObject selected(dc.Get(), surface.Get());
      TCanvas canvas(dc.Get());
      view->PaintOn(canvas);
      GdiFlush();
    } catch (const Exception& e) {
      failure = std::string(e.ClassName()) + ": " + e.Message();
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  UnregisterImageLibraries();
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  const double peak = static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
  if (hostile) {
    const std::string outcome =
        failure.empty() ? "loaded " + std::to_string(width) + "x" + std::to_string(height) : "refused (" + failure + ")";
    std::printf("ROW|Hostile file|%s: %s|%.2f s, %.0f MB|-|%.2f|<= 20 s, <= 512 MB\n", name.c_str(), outcome.c_str(),
                seconds, peak, std::max(seconds / 20.0, peak / 512.0));
    return 0;
  }
  const double limit = 2.0 * width * height * 4 / (1024.0 * 1024.0) + 50.0;
  if (!failure.empty()) {
    std::printf("ROW|Peak working set|%s: %s|-|-|-|-\n", name.c_str(), failure.c_str());
    return 1;
  }
  std::printf("ROW|Peak working set|%s %dx%d (MB)|%.0f|%.0f|%.2f|<= 1.00\n", name.c_str(), width, height, peak, limit,
              peak / limit);
  return 0;
}
