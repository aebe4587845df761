// Decoding speed of large GIF pictures, ours against giflib on the same
// bytes, in megapixels per second. Build without sanitizers:
//   cmake -S . -B build-bench -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
//         -DCMAKE_BUILD_TYPE=Release -DVR_SANITIZE=OFF && ninja -C build-bench gif_decode_bench
#include <gif_lib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "gif/gif_test_writer.h"

using namespace giftest;

namespace {

// A picture with smooth areas, edges and noise, as scanned artwork has.
Bytes Picture(int Width, int Height, uint32_t Seed) {
  Bytes p(static_cast<size_t>(Width) * Height);
  uint32_t s = Seed;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      s = s * 1103515245u + 12345u;
      int v = ((x / 3 + y / 5) % 160) + ((x * x + y * 7) / 4096) % 64;
      if ((s >> 16) % 8 == 0) v += (s >> 8) % 24;
      p[static_cast<size_t>(y) * Width + x] = static_cast<uint8_t>(v & 0xFF);
    }
  return p;
}

struct TMemoryInput {
  const Bytes* Data;
  size_t Position;
};

int ReadMemory(GifFileType* File, GifByteType* Buffer, int Count) {
  auto* in = static_cast<TMemoryInput*>(File->UserData);
  const size_t n = std::min(static_cast<size_t>(Count), in->Data->size() - in->Position);
  std::memcpy(Buffer, in->Data->data() + in->Position, n);
  in->Position += n;
  return static_cast<int>(n);
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Runs Decode until a second has passed; answers decodes per second.
template <class F>
double Rate(F Decode) {
  Decode();  // warm up
  int runs = 0;
  const auto start = std::chrono::steady_clock::now();
  do {
    Decode();
    ++runs;
  } while (Seconds(std::chrono::steady_clock::now() - start) < 1.0);
  return runs / Seconds(std::chrono::steady_clock::now() - start);
}

void Compare(const std::string& Name, const Bytes& Data, double Megapixels) {
  const double ours = Rate([&] {
    vr::TGIFImageCore image;
    vr::TMemoryStream stream(Data);
    image.LoadFromStream(stream);
    if (image.Frames().Empty()) std::abort();
  });
  const double theirs = Rate([&] {
    TMemoryInput input{&Data, 0};
    int error = 0;
    GifFileType* file = DGifOpen(&input, ReadMemory, &error);
    if (file == nullptr || DGifSlurp(file) != GIF_OK || file->ImageCount == 0) std::abort();
    DGifCloseFile(file, &error);
  });
  std::printf("gif_decode %-26s %6.2f MP: ours %7.1f MP/s, giflib %7.1f MP/s, ratio %.2f\n", Name.c_str(), Megapixels,
              ours * Megapixels, theirs * Megapixels, ours / theirs);
}

}  // namespace

int main() {
  std::vector<vr::TGIFRGB> table;
  for (int i = 0; i < 256; ++i) table.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});

  const int w = 2400, h = 1800;
  GifBuilder single;
  single.Header(w, h, table).Frame({.Width = w, .Height = h, .Pixels = Picture(w, h, 1)}).Trailer();
  Compare("single_2400x1800", single.Data, w * h / 1e6);

  const int fw = 800, fh = 600, frames = 10;
  GifBuilder multi;
  multi.Header(fw, fh, table).Loop(0);
  for (int i = 0; i < frames; ++i)
    multi.Control(1, 5).Frame(
        {.Width = fw, .Height = fh, .Pixels = Picture(fw, fh, uint32_t(i + 2)), .Interlaced = i % 2 == 1});
  multi.Trailer();
  Compare("10_frames_800x600", multi.Data, double(fw) * fh * frames / 1e6);
  return 0;
}
