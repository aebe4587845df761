// Drawing decoded PNG images into a DIB: every colour type and depth, opaque
// stretching, key colours over a background and alpha blending to the exact
// integer formula.
#include <doctest/doctest.h>

#include "png/png_messages.h"
#include "png_draw_support.h"
#include "png_test_encoder.h"

using namespace vr;
using namespace pngtest;

namespace {

// The test encoder's palette: entry i = (i, 255 - i, i * 7).
COLORREF PaletteColour(unsigned i) { return RGB(i, 255 - i, (i * 7) & 0xFF); }

// The colour (without gamma) and alpha the samples of pixel (x, y) stand for.
struct Shade {
  COLORREF Colour;
  unsigned Alpha;
};
Shade Expected(const TestImage& img, uint32_t x, uint32_t y) {
  auto high = [&](unsigned c) -> unsigned {
    const unsigned s = img.At(x, y, c);
    return img.BitDepth == 16 ? s >> 8 : s;
  };
  switch (img.ColorType) {
    case kPNGGray: {
      const unsigned s = img.At(x, y, 0);
      const unsigned g = img.BitDepth >= 8 ? high(0) : s * 255 / ((1u << img.BitDepth) - 1);
      return {RGB(g, g, g), 255};
    }
    case kPNGRGB: return {RGB(high(0), high(1), high(2)), 255};
    case kPNGPalette: return {PaletteColour(img.At(x, y, 0)), 255};
    case kPNGGrayAlpha: return {RGB(high(0), high(0), high(0)), high(1)};
    default: return {RGB(high(0), high(1), high(2)), high(3)};
  }
}

// Checks every pixel of an image drawn at (X0, Y0) over Background.
std::string CompareDrawn(const TDibCanvas& dib, const TestImage& img, int X0, int Y0, COLORREF Background) {
  for (uint32_t y = 0; y < img.Height; ++y)
    for (uint32_t x = 0; x < img.Width; ++x) {
      const Shade s = Expected(img, x, y);
      const COLORREF want = ExpectedBlend(s.Colour, Background, s.Alpha);
      const COLORREF got = dib.Pixel(X0 + static_cast<int>(x), Y0 + static_cast<int>(y));
      if (want != got) {
        char text[128];
        snprintf(text, sizeof text, "(%u, %u): want %06lx, got %06lx", x, y, static_cast<unsigned long>(want),
                 static_cast<unsigned long>(got));
        return text;
      }
    }
  return "";
}

}  // namespace

TEST_CASE("every colour type and bit depth draws its own colours, progressive and interlaced") {
  const COLORREF background = RGB(10, 200, 60);
  for (const PixelFormat& f : AllFormats)
    for (bool interlaced : {false, true})
      for (size_t piece : {size_t{0}, size_t{7}}) {  // one IDAT chunk, or 7-byte pieces
        CAPTURE(int(f.type));
        CAPTURE(int(f.depth));
        CAPTURE(interlaced);
        CAPTURE(piece);
        TestImage img = TestImage::Random(9, 7, f.depth, f.type, f.type * 16u + f.depth);
        auto png = LoadObject(MakePng(img, interlaced, [](size_t row) { return uint8_t(row % 5); }, {}, piece));
        REQUIRE(png->Width() == 9);
        REQUIRE(png->Height() == 7);
        TDibCanvas dib(12, 10, background);
        dib.Draw(*png, 1, 2);
        CHECK(CompareDrawn(dib, img, 1, 2, background) == "");
        CHECK(dib.Pixel(0, 0) == background);
        CHECK(dib.Pixel(10, 9) == background);
        // Pixel access agrees with the drawing (colour without its alpha).
        for (uint32_t y = 0; y < img.Height; y += 3)
          for (uint32_t x = 0; x < img.Width; x += 2) CHECK(png->PixelColor(x, y) == Expected(img, x, y).Colour);
      }
}

TEST_CASE("an opaque image drawn into a larger rectangle is stretched to fill it") {
  TestImage img;
  img.Width = 3, img.Height = 2, img.BitDepth = 8, img.ColorType = kPNGRGB;
  img.Samples = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9, 200, 100, 50, 1, 2, 3};
  auto png = LoadObject(MakePng(img, false));
  TDibCanvas dib(8, 6, RGB(7, 7, 7));
  dib.Draw(*png, RECT{1, 1, 7, 5});  // twice as wide, twice as high
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) CHECK(dib.Pixel(1 + x, 1 + y) == Expected(img, x / 2, y / 2).Colour);
  CHECK(dib.Pixel(0, 0) == RGB(7, 7, 7));
  CHECK(dib.Pixel(7, 5) == RGB(7, 7, 7));
}

TEST_CASE("a key colour lets the background show through exactly the keyed pixels") {
  const COLORREF bg = RGB(1, 99, 201);

  SUBCASE("truecolour, at natural size and stretched") {
    TestImage img;
    img.Width = 3, img.Height = 2, img.BitDepth = 8, img.ColorType = kPNGRGB;
    img.Samples = {16, 32, 48, 16, 32, 49, 255, 255, 255, 0, 0, 0, 16, 32, 48, 17, 32, 48};
    auto png = LoadObject(MakePng(img, false, Filter(0), {{"tRNS", Be16s({16, 32, 48})}}));
    CHECK(png->Transparent());
    CHECK(png->DrawingMode() == tmColorKey);
    CHECK(png->DrawKeyColor() == RGB(16, 32, 48));
    for (int scale : {1, 2}) {
      CAPTURE(scale);
      TDibCanvas dib(8, 6, bg);
      dib.Draw(*png, RECT{1, 1, 1 + 3 * scale, 1 + 2 * scale});
      for (int y = 0; y < 2 * scale; ++y)
        for (int x = 0; x < 3 * scale; ++x) {
          const uint32_t sx = x / scale, sy = y / scale;
          const bool keyed = (sx == 0 && sy == 0) || (sx == 1 && sy == 1);
          CHECK(dib.Pixel(1 + x, 1 + y) == (keyed ? bg : Expected(img, sx, sy).Colour));
        }
      CHECK(dib.Pixel(0, 0) == bg);
    }
  }

  SUBCASE("gray level 0 makes every black pixel transparent") {
    TestImage img;
    img.Width = 4, img.Height = 1, img.BitDepth = 8, img.ColorType = kPNGGray;
    img.Samples = {0, 1, 0, 255};
    auto png = LoadObject(MakePng(img, false, Filter(0), {{"tRNS", Be16s({0})}}));
    TDibCanvas dib(4, 1, bg);
    dib.Draw(*png);
    CHECK(dib.Pixel(0, 0) == bg);
    CHECK(dib.Pixel(1, 0) == RGB(1, 1, 1));
    CHECK(dib.Pixel(2, 0) == bg);
    CHECK(dib.Pixel(3, 0) == RGB(255, 255, 255));
  }

  SUBCASE("the key level is matched at the image's own depth") {
    struct Case {
      uint8_t depth;
      unsigned level;
      std::vector<uint16_t> samples;
      std::vector<bool> keyed;
    };
    const Case cases[] = {
        {1, 1, {0, 1, 1, 0}, {false, true, true, false}},             // white
        {2, 2, {0, 1, 2, 3}, {false, false, true, false}},            // gray 170
        {4, 9, {9, 8, 10, 9}, {true, false, false, true}},            // gray 153
        {16, 0x80FF, {0x8000, 0x80FF, 0x7FFF, 0x8100}, {false, true, false, false}},  // the whole sample
    };
    for (const Case& c : cases)
      for (bool interlaced : {false, true}) {
        CAPTURE(int(c.depth));
        CAPTURE(interlaced);
        TestImage img;
        img.Width = 4, img.Height = 1, img.BitDepth = c.depth, img.ColorType = kPNGGray;
        img.Samples = c.samples;
        auto png = LoadObject(MakePng(img, interlaced, Filter(0), {{"tRNS", Be16s({c.level})}}));
        TDibCanvas dib(4, 1, bg);
        dib.Draw(*png);
        for (int x = 0; x < 4; ++x) CHECK(dib.Pixel(x, 0) == (c.keyed[x] ? bg : Expected(img, x, 0).Colour));
      }
  }

  SUBCASE("16-bit truecolour keys on its whole samples, in copies too") {
    TestImage img;
    img.Width = 3, img.Height = 1, img.BitDepth = 16, img.ColorType = kPNGRGB;
    img.Samples = {0x1234, 0x5678, 0x9ABC, 0x1200, 0x5678, 0x9ABC, 0x1234, 0x5678, 0x9ABD};
    auto png = LoadObject(MakePng(img, false, Filter(0), {{"tRNS", Be16s({0x1234, 0x5678, 0x9ABC})}}));
    TPNGObject copy;
    copy.AssignFrom(png.get());
    for (TPNGObject* drawn : {png.get(), &copy}) {
      TDibCanvas dib(3, 1, bg);
      dib.Draw(*drawn);
      CHECK(dib.Pixel(0, 0) == bg);
      CHECK(dib.Pixel(1, 0) == RGB(0x12, 0x56, 0x9A));  // the same high bytes
      CHECK(dib.Pixel(2, 0) == RGB(0x12, 0x56, 0x9A));
    }
    // A pixel written over shows its new colour.
    png->SetPixelColor(0, 0, RGB(200, 0, 0));
    TDibCanvas dib(3, 1, bg);
    dib.Draw(*png);
    CHECK(dib.Pixel(0, 0) == RGB(200, 0, 0));
  }

  SUBCASE("a gamma-corrected image keys on its stored samples, not on the corrected colour") {
    const Bytes gamma = {0x00, 0x01, 0x86, 0xA0};  // 100000: 127 and 128 both show as 186
    TestImage rgb;
    rgb.Width = 3, rgb.Height = 1, rgb.BitDepth = 8, rgb.ColorType = kPNGRGB;
    rgb.Samples = {128, 128, 128, 0, 128, 128, 127, 128, 128};
    TestImage gray;
    gray.Width = 3, gray.Height = 1, gray.BitDepth = 16, gray.ColorType = kPNGGray;
    gray.Samples = {0x8000, 0x0000, 0x7F00};
    for (bool interlaced : {false, true}) {
      CAPTURE(interlaced);
      auto keyedRgb = LoadObject(MakePng(rgb, interlaced, Filter(0), {{"gAMA", gamma}, {"tRNS", Be16s({128, 128, 128})}}));
      auto keyedGray = LoadObject(MakePng(gray, interlaced, Filter(0), {{"gAMA", gamma}, {"tRNS", Be16s({0x8000})}}));
      CHECK(keyedRgb->DrawKeyColor() == RGB(186, 186, 186));
      for (TPNGObject* png : {keyedRgb.get(), keyedGray.get()}) {
        TDibCanvas dib(3, 1, bg);
        dib.Draw(*png);
        CHECK(dib.Pixel(0, 0) == bg);
        CHECK(dib.Pixel(1, 0) == (png == keyedRgb.get() ? RGB(0, 186, 186) : RGB(0, 0, 0)));
        CHECK(dib.Pixel(2, 0) == RGB(186, 186, 186));
      }
    }
  }

  SUBCASE("a tRNS chunk after the image data keys on the colour the image shows") {
    TestImage img;
    img.Width = 3, img.Height = 1, img.BitDepth = 16, img.ColorType = kPNGGray;
    img.Samples = {0x8000, 0x0000, 0x80FF};
    PngFile f;
    f.Add("IHDR", IhdrData(3, 1, 16, kPNGGray));
    f.AddIdat(Zlib(Scanlines(img, false, Filter(0))));
    f.Add("tRNS", Be16s({0x8000})).End();
    auto png = LoadObject(f.Data);
    TDibCanvas dib(3, 1, bg);
    dib.Draw(*png);
    CHECK(dib.Pixel(0, 0) == bg);
    CHECK(dib.Pixel(1, 0) == RGB(0, 0, 0));
    CHECK(dib.Pixel(2, 0) == bg);  // its high byte is the key's
  }

  SUBCASE("a palette entry keys every pixel of its colour, whatever the index") {
    TestImage img;
    img.Width = 4, img.Height = 1, img.BitDepth = 2, img.ColorType = kPNGPalette;
    img.Samples = {0, 1, 2, 3};
    PngFile f;
    f.Add("IHDR", IhdrData(4, 1, 2, kPNGPalette));
    f.Add("PLTE", {10, 20, 30, 50, 60, 70, 80, 90, 100, 50, 60, 70});  // entries 1 and 3 alike
    f.Add("tRNS", {255, 0});
    f.AddIdat(Zlib(Scanlines(img, false, Filter(0)))).End();
    auto png = LoadObject(f.Data);
    CHECK(png->DrawingMode() == tmColorKey);
    TDibCanvas dib(4, 1, bg);
    dib.Draw(*png);
    CHECK(dib.Pixel(0, 0) == RGB(10, 20, 30));
    CHECK(dib.Pixel(1, 0) == bg);
    CHECK(dib.Pixel(2, 0) == RGB(80, 90, 100));
    CHECK(dib.Pixel(3, 0) == bg);
  }
}

TEST_CASE("alpha blending follows the integer formula exactly") {
  SUBCASE("alpha 0 keeps every background value, alpha 255 gives every source value") {
    TestImage img;
    img.Width = 256, img.Height = 2, img.BitDepth = 8, img.ColorType = kPNGRGBA;
    img.Samples.resize(256 * 2 * 4);
    for (unsigned x = 0; x < 256; ++x) {
      img.At(x, 0, 0) = 255 - x, img.At(x, 0, 1) = x, img.At(x, 0, 2) = 77, img.At(x, 0, 3) = 0;
      img.At(x, 1, 0) = 255 - x, img.At(x, 1, 1) = x, img.At(x, 1, 2) = 77, img.At(x, 1, 3) = 255;
    }
    auto png = LoadObject(MakePng(img, false, Filter(1)));
    TDibCanvas dib(256, 2);
    for (int x = 0; x < 256; ++x) {
      dib.Set(x, 0, RGB(x, 255 - x, 3));
      dib.Set(x, 1, RGB(x, 255 - x, 3));
    }
    dib.Draw(*png);
    for (int x = 0; x < 256; ++x) {
      CHECK(dib.Pixel(x, 0) == RGB(x, 255 - x, 3));
      CHECK(dib.Pixel(x, 1) == RGB(255 - x, x, 77));
    }
  }

  SUBCASE("partial alphas over a varied background") {
    const unsigned alphas[] = {1, 2, 64, 127, 128, 129, 200, 254};
    TestImage img;
    img.Width = 8, img.Height = 8, img.BitDepth = 8, img.ColorType = kPNGRGBA;
    img.Samples.resize(8 * 8 * 4);
    TDibCanvas dib(8, 8);
    for (unsigned y = 0; y < 8; ++y)
      for (unsigned x = 0; x < 8; ++x) {
        img.At(x, y, 0) = (x * 37 + y * 11) & 0xFF;
        img.At(x, y, 1) = (x * 5 + y * 91) & 0xFF;
        img.At(x, y, 2) = (255 - x * 29) & 0xFF;
        img.At(x, y, 3) = alphas[(x + y) % 8];
        dib.Set(x, y, RGB((y * 33) & 0xFF, (x * 70) & 0xFF, 255 - y * 3));
      }
    auto png = LoadObject(MakePng(img, true, [](size_t row) { return uint8_t(4 - row % 5); }));
    dib.Draw(*png);
    for (unsigned y = 0; y < 8; ++y)
      for (unsigned x = 0; x < 8; ++x) {
        const COLORREF d = RGB((y * 33) & 0xFF, (x * 70) & 0xFF, 255 - y * 3);
        CHECK(dib.Pixel(x, y) == ExpectedBlend(Expected(img, x, y).Colour, d, alphas[(x + y) % 8]));
      }
  }

  SUBCASE("gray with alpha blends its stored gray level, whatever the gamma") {
    TestImage img;
    img.Width = 3, img.Height = 1, img.BitDepth = 8, img.ColorType = kPNGGrayAlpha;
    img.Samples = {128, 255, 128, 100, 0, 0};
    const Bytes gamma = {0x00, 0x01, 0x86, 0xA0};  // 100000: the gray table shows 128 as 186
    auto png = LoadObject(MakePng(img, false, Filter(0), {{"gAMA", gamma}}));
    const COLORREF d = RGB(10, 20, 30);
    TDibCanvas dib(3, 1, d);
    dib.Draw(*png);
    CHECK(dib.Pixel(0, 0) == RGB(128, 128, 128));
    CHECK(dib.Pixel(1, 0) == ExpectedBlend(RGB(128, 128, 128), d, 100));
    CHECK(dib.Pixel(2, 0) == d);
  }

  SUBCASE("palette images take each index's alpha from the tRNS chunk, at every depth") {
    for (uint8_t depth : {1, 2, 4, 8}) {
      CAPTURE(int(depth));
      TestImage img = TestImage::Random(11, 3, depth, kPNGPalette, depth);
      Bytes trns;
      for (unsigned i = 0; i < (1u << depth) && i < 200; ++i) trns.push_back(static_cast<uint8_t>(i * 53 + 7));
      auto png = LoadObject(MakePng(img, false, Filter(0), {{"tRNS", trns}}));
      REQUIRE(png->DrawingMode() == tmAlpha);
      const COLORREF bg = RGB(40, 80, 120);
      TDibCanvas dib(11, 3, bg);
      dib.Draw(*png);
      for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 11; ++x) {
          const unsigned index = img.At(x, y, 0);
          const unsigned alpha = index < trns.size() ? trns[index] : 255;
          CHECK(dib.Pixel(x, y) == ExpectedBlend(PaletteColour(index), bg, alpha));
        }
    }
  }
}

TEST_CASE("alpha images are drawn at natural size from the rectangle's corner, only where they show") {
  TestImage img = TestImage::Random(4, 4, 8, kPNGRGBA, 77);
  auto png = LoadObject(MakePng(img, false));
  const COLORREF bg = RGB(200, 10, 10);

  SUBCASE("a rectangle twice the size") {
    TDibCanvas dib(12, 12, bg);
    dib.Draw(*png, RECT{2, 2, 10, 10});
    CHECK(CompareDrawn(dib, img, 2, 2, bg) == "");
    for (int i = 0; i < 12; ++i) {
      CHECK(dib.Pixel(i, 7) == bg);
      CHECK(dib.Pixel(7, i) == bg);
    }
  }

  SUBCASE("partly outside the surface and outside the clip region") {
    TDibCanvas dib(6, 6, bg);
    dib.Draw(*png, RECT{-2, -1, 2, 3});
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 2; ++x) {
        const Shade s = Expected(img, x + 2, y + 1);
        CHECK(dib.Pixel(x, y) == ExpectedBlend(s.Colour, bg, s.Alpha));
      }
    CHECK(dib.Pixel(2, 0) == bg);

    TDibCanvas clipped(8, 8, bg);
    IntersectClipRect(clipped.DC(), 0, 0, 3, 8);
    clipped.Draw(*png, 1, 1);
    CHECK(clipped.Pixel(1, 1) == ExpectedBlend(Expected(img, 0, 0).Colour, bg, Expected(img, 0, 0).Alpha));
    CHECK(clipped.Pixel(2, 4) == ExpectedBlend(Expected(img, 1, 3).Colour, bg, Expected(img, 1, 3).Alpha));
    for (int y = 0; y < 8; ++y) CHECK(clipped.Pixel(3, y) == bg);
  }
}

TEST_CASE("damaged palette images still draw, without raising") {
  const COLORREF bg = RGB(100, 100, 100);

  SUBCASE("indices beyond the palette show black with their alpha") {
    TestImage img;
    img.Width = 3, img.Height = 1, img.BitDepth = 8, img.ColorType = kPNGPalette;
    img.Samples = {0, 1, 5};
    PngFile f;
    f.Add("IHDR", IhdrData(3, 1, 8, kPNGPalette));
    f.Add("PLTE", {250, 0, 0, 0, 250, 0});
    f.Add("tRNS", {128, 0, 255, 255, 255, 64});
    f.AddIdat(Zlib(Scanlines(img, false, Filter(0)))).End();
    auto png = LoadObject(f.Data);
    REQUIRE(png->DrawingMode() == tmAlpha);
    TDibCanvas dib(3, 1, bg);
    CHECK_NOTHROW(dib.Draw(*png));
    CHECK(dib.Pixel(0, 0) == ExpectedBlend(RGB(250, 0, 0), bg, 128));
    CHECK(dib.Pixel(1, 0) == bg);
    CHECK(dib.Pixel(2, 0) == ExpectedBlend(RGB(0, 0, 0), bg, 64));
  }

  SUBCASE("alpha without any palette chunk") {
    TestImage img;
    img.Width = 2, img.Height = 1, img.BitDepth = 8, img.ColorType = kPNGPalette;
    img.Samples = {0, 1};
    PngFile f;
    f.Add("IHDR", IhdrData(2, 1, 8, kPNGPalette));
    f.Add("tRNS", {255, 100});
    f.AddIdat(Zlib(Scanlines(img, false, Filter(0)))).End();
    auto png = LoadObject(f.Data);
    TDibCanvas dib(2, 1, bg);
    CHECK_NOTHROW(dib.Draw(*png));
    CHECK(dib.Pixel(0, 0) == RGB(0, 0, 0));
    CHECK(dib.Pixel(1, 0) == ExpectedBlend(RGB(0, 0, 0), bg, 100));
  }

  SUBCASE("a single partly transparent entry is blended, not keyed on black") {
    TestImage img;
    img.Width = 3, img.Height = 1, img.BitDepth = 8, img.ColorType = kPNGPalette;
    img.Samples = {0, 1, 2};
    PngFile f;
    f.Add("IHDR", IhdrData(3, 1, 8, kPNGPalette));
    f.Add("PLTE", {0, 0, 0, 200, 100, 0, 9, 9, 9});
    f.Add("tRNS", {255, 128});
    f.AddIdat(Zlib(Scanlines(img, false, Filter(0)))).End();
    auto png = LoadObject(f.Data);
    CHECK(png->TransparencyMode() == tmColorKey);
    CHECK(png->DrawingMode() == tmAlpha);
    TDibCanvas dib(3, 1, bg);
    dib.Draw(*png);
    CHECK(dib.Pixel(0, 0) == RGB(0, 0, 0));  // black stays black
    CHECK(dib.Pixel(1, 0) == ExpectedBlend(RGB(200, 100, 0), bg, 128));
    CHECK(dib.Pixel(2, 0) == RGB(9, 9, 9));
  }
}
