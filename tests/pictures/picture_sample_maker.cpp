// Writes the icon and metafile pictures of samples/pictures (run under Wine):
//   picture_sample_maker OUTPUT_FOLDER
// An icon with 16, 32 and 48 pixel images (4 bits with a mask, 8 bits with
// a mask, 32 bits with alpha) and a 64 × 64 image stored as PNG data; an
// EMF recorded by the system; a placeable WMF around recorded records.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "pictures/icon_metafile_files.h"
#include "platform/handles.h"
#include "png/png_test_encoder.h"

using namespace vr;
using namespace vr::test;

namespace {

void Save(const std::string& Folder, const char* Name, const std::vector<uint8_t>& Data) {
  const std::string path = Folder + "\\" + Name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(Data.data(), 1, Data.size(), f) != Data.size()) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  std::fclose(f);
  std::printf("%s: %zu bytes\n", path.c_str(), Data.size());
}

constexpr uint32_t kClear = 0xFEFEFE;

// A traffic light of Size pixels: a dark body with red, amber and green lamps,
// clear around the body.
TPixelRows TrafficLight(int Size, bool Alpha) {
  TPixelRows rows(size_t(Size), std::vector<uint32_t>(size_t(Size), kClear));
  const double w = Size * 0.5, left = (Size - w) / 2, r = w * 0.32;
  const uint32_t lamps[3] = {0xFF2020, 0xFFB000, 0x20C040};
  for (int y = 0; y < Size; ++y)
    for (int x = 0; x < Size; ++x) {
      if (x < left || x >= left + w) continue;
      uint32_t c = 0x303030;
      for (int i = 0; i < 3; ++i) {
        const double cx = Size / 2.0, cy = Size * (0.2 + 0.3 * i) + 0.5;
        if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) < r) c = lamps[i];
      }
      rows[size_t(y)][size_t(x)] = Alpha ? (0xFF000000u | c) : c;
    }
  if (Alpha)
    for (auto& row : rows)
      for (auto& c : row)
        if (c == kClear) c = 0;  // clear: alpha 0
  return rows;
}

std::vector<uint32_t> ColoursOf(const TPixelRows& Rows) {
  std::vector<uint32_t> colours = {0x000000};
  for (const auto& row : Rows)
    for (uint32_t c : row)
      if (c != kClear && std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
  return colours;
}

std::vector<uint8_t> Icon() {
  const TPixelRows small = TrafficLight(16, false), medium = TrafficLight(32, false);
  TIconEntry e16{16, 16, 16, 4, IconImage(small, 4, ColoursOf(small), kClear)};
  TIconEntry e32{32, 32, 0, 8, IconImage(medium, 8, ColoursOf(medium), kClear)};
  TIconEntry e48{48, 48, 0, 32, IconImage(TrafficLight(48, true), 32)};
  // 64 × 64 as PNG data: a soft round glow of the green lamp's colour.
  pngtest::TestImage img;
  img.Width = 64, img.Height = 64, img.BitDepth = 8, img.ColorType = vr::kPNGRGBA;
  img.Samples.resize(64 * 64 * 4);
  for (uint32_t y = 0; y < 64; ++y)
    for (uint32_t x = 0; x < 64; ++x) {
      const double d = std::hypot(x - 31.5, y - 31.5) / 32.0;
      img.At(x, y, 0) = 0x20, img.At(x, y, 1) = 0xC0, img.At(x, y, 2) = 0x40;
      img.At(x, y, 3) = d >= 1 ? 0 : static_cast<uint16_t>(255 * (1 - d * d));
    }
  TIconEntry e64{64, 64, 0, 32, pngtest::MakePng(img, false, pngtest::Filter(4))};
  return IcoFile({e16, e32, e48, e64});
}

// An EMF of 3 × 2 inches: a sky, a sun, a house with a roof and a door.
std::vector<uint8_t> Emf() {
  const RECT frame{0, 0, 7620, 5080};
  const RECT px = FrameInScreenPixels(frame);
  return RecordEmf(frame, [&](HDC dc) {
    const int w = px.right, h = px.bottom;
    FillSolid(dc, RECT{0, 0, w, h * 2 / 3}, 0x87CEEB);
    FillSolid(dc, RECT{0, h * 2 / 3, w, h}, 0x3C9A3C);
    TBrushHandle sun(CreateSolidBrush(RGB(255, 210, 0)));
    TSelectObject s1(dc, sun.Get());
    Ellipse(dc, w * 3 / 4, h / 10, w * 3 / 4 + h / 5, h / 10 + h / 5);
    FillSolid(dc, RECT{w / 4, h / 2, w / 2, h * 5 / 6}, 0xC8A070);
    TBrushHandle roof(CreateSolidBrush(RGB(170, 40, 30)));
    TSelectObject s2(dc, roof.Get());
    const POINT top[3] = {{w / 4 - 8, h / 2}, {w * 3 / 8, h / 4}, {w / 2 + 8, h / 2}};
    Polygon(dc, top, 3);
    FillSolid(dc, RECT{w * 5 / 16, h * 2 / 3, w * 7 / 16, h * 5 / 6}, 0x6B4226);  // the door
  });
}

// A placeable WMF of 2 × 1 inches: four bars on a white ground with an axis.
std::vector<uint8_t> Wmf() {
  const std::vector<uint8_t> records = RecordWmf([](HDC dc) {
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 2000, 1000, nullptr);
    FillSolid(dc, RECT{0, 0, 2000, 1000}, 0xFFFFFF);
    const uint32_t colours[4] = {0x3366CC, 0xDC3912, 0xFF9900, 0x109618};
    const int heights[4] = {600, 850, 400, 700};
    for (int i = 0; i < 4; ++i) FillSolid(dc, RECT{200 + i * 420, 950 - heights[i], 520 + i * 420, 950}, colours[i]);
    MoveToEx(dc, 100, 950, nullptr);
    LineTo(dc, 1950, 950);
  });
  return PlaceableWmf(0, 0, 2000, 1000, 1000, records);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: picture_sample_maker OUTPUT_FOLDER\n");
    return 2;
  }
  Save(argv[1], "traffic_light.ico", Icon());
  Save(argv[1], "house.emf", Emf());
  Save(argv[1], "bars.wmf", Wmf());
  return 0;
}
