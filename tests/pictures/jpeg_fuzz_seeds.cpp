// The starting corpus of jpeg_fuzz, written by the library itself: colour at
// two subsamplings, grey, progressive, restart markers, CMYK, arithmetic
// coding and an odd size.
#include <cstdlib>
#include <string>
#include <vector>

#include "support/jpeg_compress.h"
#include "support/seed_writer.h"

namespace {

struct Kind {
  int w, h, components;
  bool progressive = false, cmyk = false, arithmetic = false, h1v1 = false;
  int restartRows = 0;
};

std::vector<uint8_t> Compress(const Kind& k) {
  std::vector<uint8_t> samples(size_t(k.w) * k.h * k.components);
  for (int y = 0; y < k.h; ++y)
    for (size_t i = 0; i < size_t(k.w) * k.components; ++i)
      samples[size_t(y) * k.w * k.components + i] = uint8_t((i * 7 + size_t(y) * 5) & 0xFF);
  vr::test::TJPEGCompressSettings settings;
  settings.Quality = 75;
  settings.Progressive = k.progressive;
  settings.Cmyk = k.cmyk;
  settings.Arithmetic = k.arithmetic;
  settings.FullChroma = k.h1v1;
  settings.RestartRows = k.restartRows;
  return vr::test::CompressJPEG(samples.data(), k.w, k.h, k.components, settings);
}

}  // namespace

int main(int argc, char** argv) {
  seeds::Start(argc, argv);
  seeds::Write("colour420.jpg", Compress({32, 24, 3}));
  Kind k444{24, 16, 3};
  k444.h1v1 = true;
  seeds::Write("colour444.jpg", Compress(k444));
  seeds::Write("grey.jpg", Compress({19, 13, 1}));
  Kind progressive{40, 24, 3};
  progressive.progressive = true;
  seeds::Write("progressive.jpg", Compress(progressive));
  Kind restarts{48, 32, 3};
  restarts.restartRows = 1;
  seeds::Write("restarts.jpg", Compress(restarts));
  Kind cmyk{16, 16, 4};
  cmyk.cmyk = true;
  seeds::Write("cmyk.jpg", Compress(cmyk));
  Kind arithmetic{16, 8, 3};
  arithmetic.arithmetic = true;
  seeds::Write("arithmetic.jpg", Compress(arithmetic));
  return 0;
}
