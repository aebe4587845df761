// Frame pixels into DIBs: plain and dithered paths, masks, the writer, and
// the frame's place in a target rectangle.
#include <doctest/doctest.h>

#include <algorithm>

#include "gif/gif_dither.h"
#include "gif/gif_frame_render.h"
#include "gif/gif_test_writer.h"
#include "pictures/graphic_errors.h"
#include "support/byte_writer.h"

using namespace vr;
using namespace giftest;

namespace {

// Loads one frame; Transparent >= 0 gives it a control extension with that index.
TGIFSubImage& Frame(RecordingImage& Image, int Width, int Height, const Bytes& Pixels,
                    const std::vector<TGIFRGB>& Local, int Transparent = -1) {
  GifBuilder b;
  b.Header(Width, Height);
  if (Transparent >= 0) b.Control(kDisposalNone, 0, Transparent);
  Image.Load(b.Frame({.Width = Width, .Height = Height, .Pixels = Pixels, .Local = Local}).Trailer().Data);
  return Image.Frames()[0];
}

// Textbook serpentine Floyd-Steinberg with a current and a next error row.
Bytes ReferenceDither(const TGIFSubImage& F, int Transparent) {
  const int w = F.Width, h = F.Height;
  const auto& table = F.ActiveColorMap().Entries();
  auto color = [&](int i) { return i < static_cast<int>(table.size()) ? table[i] : TGIFRGB{}; };
  std::vector<std::array<int, 3>> cur(w + 2), next(w + 2);
  Bytes out(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const int d = y % 2 == 0 ? 1 : -1;
    std::fill(next.begin(), next.end(), std::array<int, 3>{});
    for (int s = 0; s < w; ++s) {
      const int x = d > 0 ? s : w - 1 - s;
      const int idx = F.PixelData[y * w + x];
      if (idx == Transparent) {
        out[y * w + x] = static_cast<uint8_t>(CubeIndex(color(Transparent)));
        continue;
      }
      const TGIFRGB c = color(idx);
      const int v[3] = {c.Red, c.Green, c.Blue};
      int level[3];
      for (int k = 0; k < 3; ++k) {
        const int corrected = std::clamp(v[k] + (cur[x + 1][k] + 8) / 16, 0, 255);
        level[k] = (corrected + 3) / 51;
        const int e = corrected - level[k] * 51;
        cur[x + 1 + d][k] += 7 * e;
        next[x + 1 - d][k] += 3 * e;
        next[x + 1][k] += 5 * e;
        next[x + 1 + d][k] += e;
      }
      out[y * w + x] = static_cast<uint8_t>(level[0] * 36 + level[1] * 6 + level[2]);
    }
    std::swap(cur, next);
  }
  return out;
}

Bytes Rows(const TMemoryPixelSink& Dib, int Width, int Height) {  // top row first
  Bytes out;
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = Dib.Pixels.data() + (Height - 1 - y) * Dib.Stride;
    out.insert(out.end(), row, row + Width);
  }
  return out;
}

std::vector<TGIFRGB> RandomTable(int Count, uint32_t Seed) {
  std::vector<TGIFRGB> t;
  for (int i = 0; i < Count; ++i) {
    Seed = Seed * 747796405u + 2891336453u;
    t.push_back({static_cast<uint8_t>(Seed >> 24), static_cast<uint8_t>(Seed >> 16), static_cast<uint8_t>(Seed >> 8)});
  }
  return t;
}

}  // namespace

TEST_CASE("a frame becomes a bottom-up 8-bit DIB with its palette and padded rows") {
  RecordingImage image;
  const Bytes pixels = {0, 1, 2, 3, 0, 1, 1, 1, 1, 1, 3, 2, 1, 0, 3};
  TGIFSubImage& f = Frame(image, 5, 3, pixels, {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {1, 2, 3}});
  TMemoryPixelSink dib;
  const TGIFMaskBits mask = RenderFramePixels(f, dib, false, true);
  CHECK_FALSE(mask.Used);  // no control extension: nothing is transparent

  REQUIRE(dib.Info.Bytes().size() == 1064);
  CHECK(test::GetU32LEAt(dib.Info.Bytes(), 0) == 40);
  CHECK(test::GetU32LEAt(dib.Info.Bytes(), 4) == 5);
  CHECK(test::GetU32LEAt(dib.Info.Bytes(), 8) == 3);
  CHECK(test::GetU32LEAt(dib.Info.Bytes(), 12) == (1u | 8u << 16));
  CHECK(test::GetU32LEAt(dib.Info.Bytes(), 16) == 0);
  CHECK(test::GetU32LEAt(dib.Info.Bytes(), 32) == 256);
  CHECK(test::GetU32LEAt(dib.Info.Bytes(), 36) == 4);
  CHECK(test::GetU32LEAt(dib.Info.Bytes(), 40) == 0x000A141Eu);  // blue, green, red, 0 of entry 0: 30, 20, 10
  CHECK(test::GetU32LEAt(dib.Info.Bytes(), 40 + 4 * 3) == 0x00010203u);
  CHECK(test::GetU32LEAt(dib.Info.Bytes(), 40 + 4 * 4) == 0);
  CHECK(dib.Stride == 8);
  REQUIRE(dib.Pixels.size() == 24);
  CHECK(Bytes(dib.Pixels.begin() + 16, dib.Pixels.end()) == Bytes{0, 1, 2, 3, 0, 0, 0, 0});  // top row last
  CHECK(Rows(dib, 5, 3) == pixels);

  TMemoryPixelSink topDown;
  RenderFramePixels(f, topDown, false, false, true);
  CHECK(static_cast<int32_t>(test::GetU32LEAt(topDown.Info.Bytes(), 8)) == -3);
  CHECK(Bytes(topDown.Pixels.begin(), topDown.Pixels.begin() + 5) == Bytes{0, 1, 2, 3, 0});
}

TEST_CASE("transparent pixels set their mask bits in 16-bit aligned rows") {
  RecordingImage image;
  Bytes pixels(17 * 2, 1);
  pixels[0] = pixels[9] = pixels[16] = pixels[17 + 8] = 2;
  TGIFSubImage& f = Frame(image, 17, 2, pixels, Grey(4), 2);
  for (bool dither : {false, true}) {
    CAPTURE(dither);
    TMemoryPixelSink dib;
    const TGIFMaskBits mask = RenderFramePixels(f, dib, dither, true);
    REQUIRE(mask.Used);
    CHECK(mask.Stride == 4);
    CHECK(mask.Bits == Bytes{0x80, 0x40, 0x80, 0, 0, 0x80, 0, 0});
    CHECK(mask.Transparent(8, 1));
    CHECK_FALSE(mask.Transparent(9, 1));
  }
  TMemoryPixelSink dib;
  CHECK(RenderFramePixels(f, dib, false, false).Bits.empty());  // no mask asked for

  // A transparent index that no pixel uses gives no mask.
  RecordingImage other;
  TGIFSubImage& g = Frame(other, 4, 1, {0, 1, 1, 0}, Grey(4), 3);
  CHECK(g.IsTransparent);
  const TGIFMaskBits none = RenderFramePixels(g, dib, false, true);
  CHECK_FALSE(none.Used);
  CHECK(none.Bits.empty());
}

TEST_CASE("dithering diffuses errors serpentine onto the colour cube") {
  const std::vector<TGIFRGB> cube = CubePalette();
  REQUIRE(cube.size() == 216);
  CHECK(cube[1 * 36 + 2 * 6 + 3] == TGIFRGB{51, 102, 153});

  RecordingImage image;
  SUBCASE("against a two-row reference, with and without transparent pixels") {
    const Bytes pixels = TestPixels(23, 9, 16, 11);
    TGIFSubImage& f = Frame(image, 23, 9, pixels, RandomTable(16, 5), 4);
    TMemoryPixelSink dib;
    RenderFramePixels(f, dib, true, false);
    CHECK(test::GetU32LEAt(dib.Info.Bytes(), 36) == 216);
    CHECK(test::GetU32LEAt(dib.Info.Bytes(), 40 + 4 * 215) == 0x00FFFFFFu);
    CHECK(Rows(dib, 23, 9) == ReferenceDither(f, -1));
    TMemoryPixelSink masked;
    const TGIFMaskBits mask = RenderFramePixels(f, masked, true, true);
    CHECK(Rows(masked, 23, 9) == ReferenceDither(f, 4));
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 23; ++x) CHECK(mask.Transparent(x, y) == (pixels[y * 23 + x] == 4));
  }
  SUBCASE("colours on the cube stay exact; a flat grey averages out") {
    TGIFSubImage& f = Frame(image, 40, 4, Bytes(160, 0), {{51, 102, 153}, {128, 128, 128}});
    TMemoryPixelSink dib;
    RenderFramePixels(f, dib, true, false);
    CHECK(std::all_of(dib.Pixels.begin(), dib.Pixels.begin() + 40, [](uint8_t v) { return v == 51; }));

    f.PixelData.assign(160, 1);
    RenderFramePixels(f, dib, true, false);
    int sum = 0;
    for (uint8_t v : Rows(dib, 40, 4)) {
      CHECK((v == 2 * 43 || v == 3 * 43));  // greys 102 and 153
      sum += cube[v].Red;
    }
    CHECK(std::abs(sum / 160 - 128) <= 8);
  }
  SUBCASE("indices outside the table are black; the transparent fill is the nearest cube entry") {
    TGIFSubImage& f = Frame(image, 4, 1, {5, 1, 1, 5}, {{255, 255, 255}, {255, 0, 0}}, 0);
    f.PixelData = {5, 0, 1, 0};
    TMemoryPixelSink dib;
    RenderFramePixels(f, dib, true, true);
    // White fills the transparent pixels (cube entry 215, not past the cube).
    CHECK(Bytes(dib.Pixels.begin(), dib.Pixels.begin() + 4) == Bytes{0, 215, 5 * 36, 215});
  }
}

TEST_CASE("rendering reports progress every 32 rows and needs a colour table when plain") {
  RecordingImage image;
  TGIFSubImage& f = Frame(image, 1, 70, Bytes(70, 0), Grey(2));
  image.Progress.clear();
  TMemoryPixelSink dib;
  RenderFramePixels(f, dib, false, false);
  CHECK(image.Progress == std::vector<std::string>{"running 0 Rendering...", "running 45 Rendering...",
                                                   "running 91 Rendering..."});

  RecordingImage bare;
  TGIFSubImage& g = Frame(bare, 2, 1, {0, 1}, {});
  CHECK_THROWS_WITH_AS(RenderFramePixels(g, dib, false, false), "No global or local color table defined",
                       GIFException);
  RenderFramePixels(g, dib, true, false);  // the cube needs no table: everything is black
  CHECK(dib.Pixels[0] == 0);
  CHECK(dib.Pixels[1] == 0);
}

TEST_CASE("the DIB writer refuses what it cannot make") {
  TMemoryPixelSink dib;
  CHECK_THROWS_WITH_AS(TDIBWriter(dib, {}, 4, 4, 4), "Unsupported PixelFormat", GIFException);
  CHECK_THROWS_WITH_AS(TDIBWriter(dib, {}, 0, 4, 8), "Invalid image dimensions", GIFException);
  CHECK_THROWS_WITH_AS(TDIBWriter(dib, {}, 4, -1, 24), "Invalid image dimensions", GIFException);

  TDIBWriter writer(dib, {}, 3, 2, 24);
  CHECK(writer.Stride() == 12);
  CHECK(writer.ScanLine(0) == dib.Pixels.data() + 12);
  CHECK(dib.Info.Bytes().size() == 40);
  CHECK_THROWS_WITH_AS(writer.ScanLine(2), "Scan line index out of range", EInvalidGraphicOperation);
  writer.Release();
  CHECK_THROWS_WITH_AS(writer.ScanLine(0), "Image has no DIB", GIFException);

  struct NoMemory : IPixelSink {
    TPixelMemory AllocatePixels(const TDibInfo&) override { return {}; }
  } none;
  TDIBWriter starved(none, {}, 2, 2, 8);
  CHECK_THROWS_WITH_AS(starved.ScanLine(0), "Failed to allocate memory for GIF DIB", EOutOfMemory);
  TDIBWriter huge(none, {}, 65535, 65535, 24);
  CHECK_THROWS_WITH_AS(huge.ScanLine(0), "Failed to allocate memory for GIF DIB", EOutOfMemory);
}

TEST_CASE("frames map into a target rectangle, rounded to nearest") {
  RecordingImage image;
  image.Load(GifBuilder().Header(10, 10, Grey(2)).Frame({.Left = 3, .Top = 1, .Width = 4, .Height = 2,
      .Pixels = Bytes(8, 0), .MinCodeSize = 2}).Trailer().Data);
  const TGIFSubImage& f = image.Frames()[0];
  CHECK(FrameRectIn(f, {0, 0, 10, 10}) == TGIFRect{3, 1, 7, 3});
  CHECK(FrameRectIn(f, {100, 50, 115, 65}) == TGIFRect{105, 52, 111, 55});
  CHECK(FrameRectIn(f, {0, 0, 3, 3}) == TGIFRect{1, 0, 2, 1});
}

TEST_CASE("dithering follows the draw flags and the display depth") {
  const bool saved = LowColorDisplay;
  LowColorDisplay = false;
  CHECK_FALSE(ShouldDither(DefaultDrawFlags));
  CHECK(ShouldDither(DefaultDrawFlags & ~drDitherOnPaletteDisplay));
  LowColorDisplay = true;
  CHECK(ShouldDither(DefaultDrawFlags));
  CHECK_FALSE(ShouldDither(DefaultDrawFlags & ~drDither));
  LowColorDisplay = saved;
  CHECK(DefaultDrawFlags == 0x060F);
}
