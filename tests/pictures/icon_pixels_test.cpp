// Icon images as pixels with alpha: PNG data of every colour type, 32-bit
// bitmap images, scaling, the mask from alpha, and the check made at load.
#include <doctest/doctest.h>

#include <vector>

#include "pictures/graphic_errors.h"
#include "pictures/icon/icon_pixels.h"
#include "png/png_icon_image.h"
#include "png/png_test_encoder.h"
#include "support/byte_writer.h"

using namespace vr;
using pngtest::Bytes;
using pngtest::TestImage;

namespace {

constexpr uint32_t Px(uint32_t R, uint32_t G, uint32_t B, uint32_t A = 255) { return B | G << 8 | R << 16 | A << 24; }

TestImage Image(uint32_t W, uint32_t H, uint8_t Depth, uint8_t ColorType, std::vector<uint16_t> Samples) {
  TestImage img;
  img.Width = W, img.Height = H, img.BitDepth = Depth, img.ColorType = ColorType;
  img.Samples = std::move(Samples);
  return img;
}

TIconPixels Decode(const Bytes& File) { return PNGIconPixels(File.data(), File.size()); }

#define CHECK_INVALID_ICON(expr) CHECK_THROWS_WITH_AS(expr, "Icon image is not valid", EInvalidGraphic)

// The bitmap image of an icon entry (header, table, colour rows bottom-up, mask).
Bytes IconDib(int W, int H, int Bits) {
  test::TByteWriter b;
  b.u32(40).u32(uint32_t(W)).u32(uint32_t(2 * H)).u16(1).u16(uint16_t(Bits)).fill(24, 0);
  if (Bits <= 8) b.fill(size_t{4} << Bits, 0);
  b.fill(((size_t(W) * Bits + 31) / 32) * 4 * H + ((size_t(W) + 31) / 32) * 4 * H, 0);
  return b.v;
}

// An icon file of the images, each given with its directory size.
Bytes Ico(const std::vector<std::pair<int, Bytes>>& Images) {
  test::TByteWriter b;
  b.u16(0).u16(1).u16(uint16_t(Images.size()));
  uint32_t offset = uint32_t(6 + 16 * Images.size());
  for (const auto& [size, data] : Images) {
    b.u8(uint8_t(size)).u8(uint8_t(size)).u8(0).u8(0).u16(1).u16(32).u32(uint32_t(data.size())).u32(offset);
    offset += uint32_t(data.size());
  }
  for (const auto& [size, data] : Images) b.add(data);
  return b.v;
}

}  // namespace

TEST_CASE("PNG data of every colour type becomes pixels with straight alpha, rows top-down") {
  // Truecolour with alpha, progressive and interlaced alike.
  TestImage rgba = Image(3, 2, 8, kPNGRGBA, {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0,  //
                                      1, 2, 3, 4, 10, 20, 30, 40, 200, 100, 50, 255});
  const std::vector<uint32_t> expected = {Px(255, 0, 0), Px(0, 255, 0, 128), Px(0, 0, 255, 0),
                                          Px(1, 2, 3, 4), Px(10, 20, 30, 40), Px(200, 100, 50)};
  for (bool interlaced : {false, true}) {
    CAPTURE(interlaced);
    TIconPixels p = Decode(pngtest::MakePng(rgba, interlaced));
    CHECK(p.Width == 3);
    CHECK(p.Height == 2);
    CHECK(p.Bgra == expected);
  }

  // 16-bit truecolour with a key colour: the key is clear, the rest opaque.
  TestImage rgb16 = Image(2, 1, 16, kPNGRGB, {0x1234, 0x5678, 0x9ABC, 0xFF00, 0x0000, 0x1100});
  Bytes key16 = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
  TIconPixels k16 = Decode(pngtest::MakePng(rgb16, false, pngtest::Filter(0), {{"tRNS", key16}}));
  CHECK(k16.Bgra == std::vector<uint32_t>{Px(0x12, 0x56, 0x9A, 0), Px(0xFF, 0x00, 0x11)});

  // Gray with a key level, at 8 and at 2 bits (2-bit levels widen to 0, 85, 170, 255).
  TIconPixels g8 = Decode(pngtest::MakePng(Image(3, 1, 8, kPNGGray, {0, 100, 255}), false, pngtest::Filter(0),
                                           {{"tRNS", Bytes{0, 100}}}));
  CHECK(g8.Bgra == std::vector<uint32_t>{Px(0, 0, 0), Px(100, 100, 100, 0), Px(255, 255, 255)});
  TIconPixels g2 = Decode(pngtest::MakePng(Image(4, 1, 2, kPNGGray, {0, 1, 2, 3}), false, pngtest::Filter(0),
                                           {{"tRNS", Bytes{0, 2}}}));
  CHECK(g2.Bgra == std::vector<uint32_t>{Px(0, 0, 0), Px(85, 85, 85), Px(170, 170, 170, 0), Px(255, 255, 255)});

  // Gray with alpha.
  TIconPixels ga = Decode(pngtest::MakePng(Image(2, 1, 8, kPNGGrayAlpha, {40, 0, 200, 99}), false));
  CHECK(ga.Bgra == std::vector<uint32_t>{Px(40, 40, 40, 0), Px(200, 200, 200, 99)});

  // Palette at 4 bits with per-entry alphas (entries past the transparency chunk opaque).
  // The test encoder's palette entry i is (i, 255 - i, 7i).
  TIconPixels pal = Decode(pngtest::MakePng(Image(3, 1, 4, kPNGPalette, {0, 1, 5}), false, pngtest::Filter(0),
                                            {{"tRNS", Bytes{0, 128}}}));
  CHECK(pal.Bgra == std::vector<uint32_t>{Px(0, 255, 0, 0), Px(1, 254, 7, 128), Px(5, 250, 35)});
}

TEST_CASE("damaged, oversized or foreign PNG data is the icon's error") {
  Bytes good = pngtest::MakePng(TestImage::Random(8, 8, 8, kPNGRGBA, 7), false);
  CHECK(Decode(good).Bgra.size() == 64);
  Bytes crc = good;
  crc[crc.size() - 20] ^= 1;
  CHECK_INVALID_ICON(Decode(crc));
  Bytes cut(good.begin(), good.begin() + 40);
  CHECK_INVALID_ICON(Decode(cut));
  Bytes huge = pngtest::PngFile().Add("IHDR", pngtest::IhdrData(5000, 5000, 8, kPNGRGBA)).End().Data;
  CHECK_INVALID_ICON(Decode(huge));
  Bytes wide = pngtest::MakePng(TestImage::Random(4097, 1, 8, kPNGGray, 3), false);
  CHECK_INVALID_ICON(Decode(wide));
  CHECK_INVALID_ICON(Decode(Bytes{1, 2, 3}));
}

TEST_CASE("32-bit images, scaling and the mask from alpha") {
  TIconImageParts parts;
  parts.Header.biWidth = 2;
  parts.Header.biHeight = 2;
  parts.Header.biBitCount = 32;
  const uint8_t rows[16] = {1, 2, 3, 4, 5, 6, 7, 8,          // bottom row
                            9, 10, 11, 0, 13, 14, 15, 16};   // top row
  parts.ColorBits = rows;
  parts.ColorBitsSize = sizeof rows;
  TIconPixels p = IconImagePixels32(parts);
  CHECK(p.Bgra == std::vector<uint32_t>{Px(11, 10, 9, 0), Px(15, 14, 13, 16), Px(3, 2, 1, 4), Px(7, 6, 5, 8)});

  TIconPixels big = ScaleIconPixels(p, 4, 3);
  CHECK(big.Width == 4);
  CHECK(big.Height == 3);
  CHECK(big.Bgra[0] == p.Bgra[0]);
  CHECK(big.Bgra[1] == p.Bgra[0]);
  CHECK(big.Bgra[2] == p.Bgra[1]);
  CHECK(big.Bgra[4 * 2 + 3] == p.Bgra[3]);
  TIconPixels small = ScaleIconPixels(big, 1, 1);
  CHECK(small.Bgra == std::vector<uint32_t>{p.Bgra[0]});

  // Bit set where alpha is 0; rows padded to 4 bytes.
  TIconPixels strip;
  strip.Width = 10;
  strip.Height = 2;
  strip.Bgra.assign(20, Px(1, 1, 1));
  strip.Bgra[0] = 0;
  strip.Bgra[9] = 0;
  strip.Bgra[10 + 8] = Px(1, 1, 1, 0);
  const std::vector<uint8_t> mask = MaskFromAlpha(strip);
  CHECK(mask == std::vector<uint8_t>{0x80, 0x40, 0, 0, 0x00, 0x80, 0, 0});
}

TEST_CASE("the check made at load: the header, the directory and the image the first draw would choose") {
  const Bytes png = pngtest::MakePng(TestImage::Random(32, 32, 8, kPNGRGBA, 1), false);
  const Bytes two = Ico({{16, IconDib(16, 16, 4)}, {32, IconDib(32, 32, 8)}});
  CHECK(CheckIconData(two.data(), two.size(), 32, 32, 32) == 1);
  const Bytes type0 = {0, 0, 0, 0, 0, 0};
  CHECK(CheckIconData(type0.data(), type0.size(), 32, 32, 32) == 0);
  const Bytes cursor = {0, 0, 2, 0, 1, 0};
  CHECK_INVALID_ICON(CheckIconData(cursor.data(), cursor.size(), 32, 32, 32));
  const Bytes none = {0, 0, 1, 0, 0, 0};
  CHECK_INVALID_ICON(CheckIconData(none.data(), none.size(), 32, 32, 32));
  CHECK_THROWS_WITH_AS(CheckIconData(none.data(), 5, 32, 32, 32), "Stream read error", EReadError);

  // A broken image the draw would not choose is let through; the chosen one is not.
  Bytes broken = IconDib(16, 16, 4);
  broken[14] = 3;
  const Bytes mixed = Ico({{16, broken}, {32, IconDib(32, 32, 8)}});
  CHECK_NOTHROW(CheckIconData(mixed.data(), mixed.size(), 32, 32, 32));
  CHECK_INVALID_ICON(CheckIconData(mixed.data(), mixed.size(), 16, 16, 32));

  // PNG data is decoded to be checked, by the decoder the PNG codec hands
  // over when it registers; with none it is refused.
  const Bytes withPng = Ico({{16, IconDib(16, 16, 4)}, {32, png}});
  SetPngIconDecoder(nullptr);
  CHECK_INVALID_ICON(CheckIconData(withPng.data(), withPng.size(), 32, 32, 32));
  SetPngIconDecoder(PNGIconPixels);
  CHECK_NOTHROW(CheckIconData(withPng.data(), withPng.size(), 32, 32, 32));
  Bytes spoiled = withPng;
  spoiled[spoiled.size() - 20] ^= 1;
  CHECK_INVALID_ICON(CheckIconData(spoiled.data(), spoiled.size(), 32, 32, 32));
}
