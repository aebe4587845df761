// The first draw of a 24-megapixel JPEG (decoding into the image's bitmap)
// against the same libjpeg decoding the same file into memory in a plain
// loop. Writes the file for a native decoder to be timed on it too.
// Usage: jpeg_decode_bench.exe [FILE-TO-WRITE]
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "bench/jpeg_plain_decode.h"
#include "pictures/jpeg/jpeg_image_win.h"
#include "pictures/jpeg_test_files.h"

using namespace vr;

namespace {

double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return double(now.QuadPart) / double(frequency.QuadPart);
}

// Processor time of this thread so far: what the machine's other work
// cannot stretch, unlike the clock on the wall.
double ThreadSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) { return (double(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7; };
  return seconds(kernel) + seconds(user);
}

// The best of Runs timings of Body.
template <class F>
double Best(int Runs, F&& Body) {
  double best = 1e9;
  for (int i = 0; i < Runs; ++i) {
    const double start = Seconds();
    Body();
    best = std::min(best, Seconds() - start);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int width = 6000, height = 4000;  // 24 megapixels
  // Gradients and shapes with grain on top, so that the file holds as much
  // detail per block as a photograph does.
  test::TTestImage scene = test::ColourScene(width, height);
  uint32_t grain = 12345;
  for (uint8_t& sample : scene.Samples) {
    grain = grain * 1103515245u + 12345u;
    sample = static_cast<uint8_t>(std::clamp(int(sample) + int((grain >> 16) % 25) - 12, 0, 255));
  }
  const std::vector<uint8_t> file = test::JPEGFileOf(scene, {90, false});
  if (argc > 1) {
    if (FILE* out = std::fopen(argv[1], "wb")) {
      std::fwrite(file.data(), 1, file.size(), out);
      std::fclose(out);
    }
  }
  std::printf("jpeg_decode_24mp: %dx%d, %zu bytes\n", width, height, file.size());

  // The two take turns, so that whatever else the machine does weighs on
  // both alike. Each counts its best time on the wall and its processor
  // time over all rounds; loading (reading the header) is not part of the
  // first draw.
  const int rounds = 7;
  uint64_t sink = 0;
  double plain = 1e9, ours = 1e9, plainCpu = 0, oursCpu = 0;
  for (int round = 0; round < rounds; ++round) {
    double cpu = ThreadSeconds();
    plain = std::min(plain, Best(1, [&] { sink += bench::PlainDecode(file); }));
    plainCpu += ThreadSeconds() - cpu;
    TJPEGImage jpeg;
    TMemoryStream stream(file);
    jpeg.LoadFromStream(stream);
    cpu = ThreadSeconds();
    ours = std::min(ours, Best(1, [&] { sink += jpeg.Bitmap().RowPointer(height / 2)[width]; }));
    oursCpu += ThreadSeconds() - cpu;
  }
  // The whole first draw: decoding and showing it shrunk into a 600 x 400 view.
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP view = CreateCompatibleBitmap(screen, 600, 400);
  HGDIOBJ old = SelectObject(dc, view);
  const double draw = Best(3, [&] {
    TJPEGImage jpeg;
    TMemoryStream stream(file);
    jpeg.LoadFromStream(stream);
    TCanvas canvas(dc);
    jpeg.DrawInto(canvas, RECT{0, 0, 600, 400});
  });
  SelectObject(dc, old);
  DeleteObject(view);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);

  std::printf("jpeg_decode_24mp: plain libjpeg loop: best %.3f s, processor %.3f s a run\n", plain, plainCpu / rounds);
  std::printf("jpeg_decode_24mp: first draw into the bitmap: best %.3f s, processor %.3f s a run\n", ours, oursCpu / rounds);
  std::printf("jpeg_decode_24mp: ratio ours / plain: processor %.3f, best on the wall %.3f (target at most 1.10)\n",
              oursCpu / plainCpu, ours / plain);
  std::printf("jpeg_decode_24mp: whole first draw into a 600x400 view %.3f s, ratio %.3f\n", draw, draw / plain);
  std::printf("(checksum %llu)\n", static_cast<unsigned long long>(sink));
  return 0;
}
