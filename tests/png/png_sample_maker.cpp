// Writes the PNG pictures of samples/pictures with the test encoder:
//   png_sample_maker OUTPUT_FOLDER
// An opaque truecolour picture, a palette picture with a key colour, a
// blended truecolour-with-alpha picture (interlaced) and a 16-bit gray one
// with a gray key.
#include <cmath>
#include <cstdio>
#include <string>

#include "png_test_encoder.h"

using namespace pngtest;

namespace {

void Save(const std::string& Folder, const char* Name, const Bytes& Data) {
  const std::string path = Folder + "/" + Name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(Data.data(), 1, Data.size(), f) != Data.size()) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  std::fclose(f);
  std::printf("%s: %zu bytes\n", path.c_str(), Data.size());
}

FilterChoice Paeth() { return Filter(4); }

// A sky that runs from deep blue to orange, with a darker hill.
Bytes Sunset() {
  TestImage img;
  img.Width = 160, img.Height = 120, img.BitDepth = 8, img.ColorType = vr::kPNGRGB;
  img.Samples.resize(160 * 120 * 3);
  for (uint32_t y = 0; y < 120; ++y)
    for (uint32_t x = 0; x < 160; ++x) {
      const double t = y / 119.0;
      const bool hill = y > 90 + 12 * std::sin(x / 20.0);
      img.At(x, y, 0) = hill ? 40 : static_cast<uint16_t>(30 + 225 * t);
      img.At(x, y, 1) = hill ? 70 + x / 8 : static_cast<uint16_t>(40 + 110 * t);
      img.At(x, y, 2) = hill ? 30 : static_cast<uint16_t>(140 - 100 * t);
    }
  return MakePng(img, false, Paeth());
}

// Concentric rings in a 4-bit palette; entry 0 is the key colour.
Bytes Rings() {
  TestImage img;
  img.Width = 96, img.Height = 96, img.BitDepth = 4, img.ColorType = vr::kPNGPalette;
  img.Samples.resize(96 * 96);
  for (uint32_t y = 0; y < 96; ++y)
    for (uint32_t x = 0; x < 96; ++x) {
      const double r = std::hypot(x - 47.5, y - 47.5);
      img.At(x, y, 0) = r > 46 ? 0 : static_cast<uint16_t>(1 + static_cast<int>(r / 4) % 15);
    }
  Bytes plte = {255, 0, 255};  // magenta, never shown
  for (int i = 1; i < 16; ++i) {
    if (i % 2 != 0)
      plte.insert(plte.end(), {255, static_cast<uint8_t>(210 - i * 8), 40});
    else
      plte.insert(plte.end(), {40, static_cast<uint8_t>(90 + i * 8), 200});
  }
  PngFile f;
  f.Add("IHDR", IhdrData(96, 96, 4, vr::kPNGPalette));
  f.Add("PLTE", plte);
  f.Add("tRNS", {0});
  f.Add("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'R', 'i', 'n', 'g', 's'});
  f.AddIdat(Zlib(Scanlines(img, false, Filter(1))));
  return f.End().Data;
}

// A soft round glow whose alpha falls off to the edge.
Bytes Glow() {
  TestImage img;
  img.Width = 80, img.Height = 80, img.BitDepth = 8, img.ColorType = vr::kPNGRGBA;
  img.Samples.resize(80 * 80 * 4);
  for (uint32_t y = 0; y < 80; ++y)
    for (uint32_t x = 0; x < 80; ++x) {
      const double r = std::hypot(x - 39.5, y - 39.5) / 40.0;
      const double a = r >= 1 ? 0 : (1 - r) * (1 - r);
      img.At(x, y, 0) = 255;
      img.At(x, y, 1) = static_cast<uint16_t>(200 + 55 * (1 - r > 0 ? 1 - r : 0));
      img.At(x, y, 2) = static_cast<uint16_t>(60 + 150 * a);
      img.At(x, y, 3) = static_cast<uint16_t>(std::lround(255 * a));
    }
  return MakePng(img, true, Paeth());
}

// A 16-bit gray checker board whose darkest squares are keyed out.
Bytes Checker() {
  TestImage img;
  img.Width = 64, img.Height = 48, img.BitDepth = 16, img.ColorType = vr::kPNGGray;
  img.Samples.resize(64 * 48);
  for (uint32_t y = 0; y < 48; ++y)
    for (uint32_t x = 0; x < 64; ++x)
      img.At(x, y, 0) = ((x / 8 + y / 8) % 2 == 0) ? 0x0000 : static_cast<uint16_t>(0x3000 + x * 0x200 + y * 0x100);
  return MakePng(img, false, Filter(2), {{"tRNS", {0, 0}}});
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : ".";
  Save(folder, "sunset.png", Sunset());
  Save(folder, "rings_key.png", Rings());
  Save(folder, "glow_alpha.png", Glow());
  Save(folder, "checker_gray16.png", Checker());
  return 0;
}
