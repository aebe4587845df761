// Bitmap files of every accepted kind, loaded and drawn into a DIB, and the
// damaged ones refused without disturbing the picture held.
#include <doctest/doctest.h>

#include <chrono>
#include <cstring>

#include "pictures/bitmap.h"
#include "pictures/picture_test_support.h"

// Bitmap layouts name only the fields that matter to each case.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace vr;
using namespace vr::test;

namespace {

// 4 × 3: a distinct colour in each corner, so flips and shifts show.
const std::vector<std::vector<uint32_t>> kPicture = {
    {kRed, kGreen, kBlue, kWhite},
    {kGreen, kBlack, kBlack, kBlue},
    {kBlue, kWhite, kRed, kGreen},
};
const std::vector<uint32_t> kColors = {kBlack, kWhite, kRed, kGreen, kBlue};

void Load(TBitmap& Bmp, const std::vector<uint8_t>& File) {
  TMemoryStream s(File);
  Bmp.LoadFromStream(s);
}

// Draws the bitmap unscaled and returns what came out.
std::vector<std::vector<uint32_t>> Drawn(TBitmap& Bmp) {
  TDrawTarget target(Bmp.Width(), Bmp.Height(), 0x123456);
  Bmp.DrawInto(target.Canvas(), RECT{0, 0, Bmp.Width(), Bmp.Height()});
  std::vector<std::vector<uint32_t>> rows(size_t(Bmp.Height()), std::vector<uint32_t>(size_t(Bmp.Width())));
  for (int y = 0; y < Bmp.Height(); ++y)
    for (int x = 0; x < Bmp.Width(); ++x) rows[size_t(y)][size_t(x)] = target.Pixel(x, y);
  return rows;
}

#define CHECK_INVALID_BITMAP(expr) CHECK_THROWS_WITH_AS(expr, "Bitmap image is not valid", EInvalidGraphic)

}  // namespace

TEST_CASE("bitmap files of every depth draw their pixels, bottom-up and top-down alike") {
  for (uint16_t bits : {1, 4, 8, 24, 32}) {
    for (bool topDown : {false, true}) {
      CAPTURE(bits);
      CAPTURE(topDown);
      // One bit per pixel holds two colours only.
      auto picture = kPicture;
      std::vector<uint32_t> colors = kColors;
      if (bits == 1) {
        for (auto& row : picture)
          for (auto& c : row) c = c == kBlack ? kBlack : kWhite;
        colors = {kBlack, kWhite};
      }
      TBitmap bmp;
      Load(bmp, BmpOfPicture(picture, bits, colors, topDown));
      CHECK(bmp.Width() == 4);
      CHECK(bmp.Height() == 3);
      CHECK_FALSE(bmp.IsEmpty());
      CHECK(Drawn(bmp) == picture);
    }
  }
}

TEST_CASE("16-bit files: 5-5-5 by default, 5-6-5 and other masks through bit-fields") {
  // 5-5-5 without masks: full-intensity channels come back at full intensity.
  TBitmap plain;
  Load(plain, BmpOfPicture(kPicture, 16));
  CHECK(plain.PixelFormat() == TPixelFormat::pf15bit);
  CHECK(Drawn(plain) == kPicture);

  // 5-6-5: red, green, blue, white in one row. The masks follow a 40-byte
  // header, and an odd 44-byte one too short to hold them.
  for (uint32_t header : {40u, 44u}) {
    CAPTURE(header);
    TBmpLayout layout{.Width = 4, .Height = 1, .Bits = 16, .HeaderSize = header, .Compression = 3,
                      .Masks = {0xF800, 0x07E0, 0x001F}};
    TByteWriter px;
    px.u16(0xF800).u16(0x07E0).u16(0x001F).u16(0xFFFF);
    TBitmap b565;
    Load(b565, BmpFile(layout, px.v));
    CHECK(b565.PixelFormat() == TPixelFormat::pf16bit);
    CHECK(Drawn(b565) == std::vector<std::vector<uint32_t>>{{kRed, kGreen, kBlue, kWhite}});
  }

  // 32 bits with masks in an unusual order (blue high, red low).
  TBmpLayout layout32{.Width = 2, .Height = 1, .Bits = 32, .Compression = 3,
                  .Masks = {0x000000FF, 0x0000FF00, 0x00FF0000}};
  TByteWriter px32;
  px32.u32(0x000000FF).u32(0x00FF0000);
  TBitmap b32;
  Load(b32, BmpFile(layout32, px32.v));
  CHECK(b32.PixelFormat() == TPixelFormat::pfCustom);
  CHECK(Drawn(b32) == std::vector<std::vector<uint32_t>>{{kRed, kBlue}});
}

TEST_CASE("core-header files and larger info headers load") {
  // Core header: 3-byte colour-table entries, always 2^depth of them.
  TBmpLayout core{.Width = 2, .Height = 2, .Bits = 8, .HeaderSize = 12, .Colors = {kRed, kGreen, kBlue}};
  core.Colors.resize(256, kBlack);
  std::vector<uint8_t> px = {2, 1, 0, 0, 0, 1, 0, 0};  // bottom row: blue green; top row: red green
  TBitmap bmp;
  Load(bmp, BmpFile(core, px));
  CHECK(bmp.Image().OS2Format);
  CHECK(Drawn(bmp) == std::vector<std::vector<uint32_t>>{{kRed, kGreen}, {kBlue, kGreen}});

  // A 124-byte header: the fields past 40 bytes are skipped.
  TBmpLayout v5{.Width = 1, .Height = 1, .Bits = 24, .HeaderSize = 124};
  TBitmap big;
  Load(big, BmpFile(v5, {0x00, 0x00, 0xFF, 0}));
  CHECK(Drawn(big) == std::vector<std::vector<uint32_t>>{{kRed}});
}

TEST_CASE("the pixel offset of the file header is ignored; rows missing at the end stay black") {
  // A wrong offset changes nothing.
  std::vector<uint8_t> file = BmpOfPicture(kPicture, 24);
  file[10] = 0xFF;
  file[11] = 0x7F;
  TBitmap shifted;
  Load(shifted, file);
  CHECK(Drawn(shifted) == kPicture);

  // Cut in the middle of the second row stored (the middle row of the picture):
  // the bottom row comes from the file, the top row stays as made (black).
  std::vector<uint8_t> cut = BmpOfPicture(kPicture, 24);
  cut.resize(cut.size() - 21);  // 12 + 3 of the 36 pixel bytes remain
  TBitmap truncated;
  Load(truncated, cut);
  auto rows = Drawn(truncated);
  CHECK(rows[2] == kPicture[2]);
  CHECK(rows[1][0] == kGreen);  // the first pixel of that row was still there
  CHECK(rows[0] == std::vector<uint32_t>(4, kBlack));
}

TEST_CASE("RLE8 and RLE4 files are decoded by the system") {
  // RLE8, 4 × 2 bottom-up: bottom row 4 × index 2 (red), top row index 3, 4, 3, 4.
  TByteWriter rle;
  rle.u8(4).u8(2).u8(0).u8(0);                         // run, end of line
  rle.u8(0).u8(4).u8(3).u8(4).u8(3).u8(4).u8(0).u8(0);  // literal of 4, end of line
  rle.u8(0).u8(1);                                      // end of bitmap
  TBmpLayout layout{.Width = 4, .Height = 2, .Bits = 8, .Compression = 1, .Colors = kColors};
  layout.SizeImage = uint32_t(rle.v.size());
  TBitmap bmp;
  Load(bmp, BmpFile(layout, rle.v));
  CHECK(bmp.PixelFormat() == TPixelFormat::pfDevice);
  CHECK(Drawn(bmp) == std::vector<std::vector<uint32_t>>{{kGreen, kBlue, kGreen, kBlue}, {kRed, kRed, kRed, kRed}});

  // RLE4: 4 × 1, a run of 4 pixels alternating indices 1 and 4.
  TByteWriter rle4;
  rle4.u8(4).u8(0x14).u8(0).u8(1);
  TBmpLayout layout4{.Width = 4, .Height = 1, .Bits = 4, .Compression = 2, .Colors = kColors};
  TBitmap bmp4;
  Load(bmp4, BmpFile(layout4, rle4.v));
  CHECK(Drawn(bmp4) == std::vector<std::vector<uint32_t>>{{kWhite, kBlue, kWhite, kBlue}});

  // Garbage after the header: no crash, whatever the system makes of it.
  std::vector<uint8_t> noise(300);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 37 + 11);
  TBmpLayout junk{.Width = 64, .Height = 64, .Bits = 8, .Compression = 1, .Colors = kColors};
  TBitmap damaged;
  try {
    Load(damaged, BmpFile(junk, noise));
  } catch (const Exception&) {
  }
}

TEST_CASE("an empty file is an empty bitmap; damaged headers are refused") {
  TBitmap empty;
  Load(empty, {});
  CHECK(empty.IsEmpty());
  CHECK(empty.Width() == 0);
  CHECK(empty.Height() == 0);

  TBitmap bmp;
  std::vector<uint8_t> good = BmpOfPicture(kPicture, 24);
  auto with = [&](size_t at, uint8_t value) {
    std::vector<uint8_t> f = good;
    f[at] = value;
    return f;
  };
  CHECK_INVALID_BITMAP(Load(bmp, with(0, 'X')));   // not "BM"
  CHECK_INVALID_BITMAP(Load(bmp, with(26, 2)));    // planes 2
  CHECK_THROWS_WITH_AS(Load(bmp, std::vector<uint8_t>(good.begin(), good.begin() + 20)), "Stream read error",
                       EReadError);
  // 300 colours declared: the first 256 are kept and the rest stepped over.
  TBmpLayout many{.Width = 1, .Height = 1, .Bits = 8, .ClrUsed = 300};
  many.Colors.assign(300, kGreen);
  Load(bmp, BmpFile(many, {0, 0, 0, 0}));
  CHECK(Drawn(bmp) == std::vector<std::vector<uint32_t>>{{kGreen}});
  // A header shorter than 40 bytes (but not the core one) is refused.
  TBmpLayout shortHeader{.Width = 1, .Height = 1, .Bits = 24, .HeaderSize = 16};
  CHECK_NOTHROW(Load(bmp, BmpFile(shortHeader, {1, 2, 3, 0})));  // width..depth present: read as 40 with zeros
  TBmpLayout tooShort{.Width = 1, .Height = 1, .Bits = 24, .HeaderSize = 8};
  CHECK_INVALID_BITMAP(Load(bmp, BmpFile(tooShort, {})));
  // Depths the system has no bitmap for, and zero sizes.
  TBmpLayout odd{.Width = 2, .Height = 2, .Bits = 7};
  CHECK_THROWS(Load(bmp, BmpFile(odd, std::vector<uint8_t>(16))));
  TBmpLayout flat{.Width = 0, .Height = 5, .Bits = 24};
  CHECK_INVALID_BITMAP(Load(bmp, BmpFile(flat, {})));
}

TEST_CASE("absurd dimensions are refused quickly, without the memory") {
  auto start = std::chrono::steady_clock::now();
  TBitmap bmp;
  TBmpLayout huge{.Width = 100000, .Height = 100000, .Bits = 32};
  CHECK_INVALID_BITMAP(Load(bmp, BmpFile(huge, std::vector<uint8_t>(64))));
  TBmpLayout wide{.Width = 0x7FFFFFFF, .Height = -0x7FFFFFFF, .Bits = 1};
  CHECK_INVALID_BITMAP(Load(bmp, BmpFile(wide, {})));
  CHECK(bmp.IsEmpty());
  // Only a guard against a runaway: the figure itself is not what is tested.
  CHECK(std::chrono::steady_clock::now() - start < std::chrono::seconds(20));
}

TEST_CASE("a failed load keeps the previous picture") {
  TBitmap bmp;
  Load(bmp, BmpOfPicture(kPicture, 24));
  int changes = 0;
  bmp.OnChange = [&](TObject*) { ++changes; };
  std::vector<uint8_t> bad = BmpOfPicture(kPicture, 24);
  bad[26] = 3;  // planes
  CHECK_THROWS(Load(bmp, bad));
  CHECK(changes == 0);
  CHECK(bmp.Width() == 4);
  CHECK(Drawn(bmp) == kPicture);
  Load(bmp, BmpOfPicture({{kBlue}}, 24));
  CHECK(changes == 1);
  CHECK(Drawn(bmp) == std::vector<std::vector<uint32_t>>{{kBlue}});
}

TEST_CASE("the stored Data block is a byte count and a bitmap file, and reads back the same picture") {
  for (uint16_t bits : {4, 8, 16, 24, 32}) {
    CAPTURE(bits);
    TBitmap bmp;
    Load(bmp, BmpOfPicture(kPicture, bits, kColors));
    TMemoryStream stored;
    bmp.WriteStoredImage(stored);
    CHECK(stored.Size() > 4);
    uint32_t count = 0;
    std::memcpy(&count, stored.Memory(), 4);
    CHECK(count == stored.Size() - 4);
    CHECK(stored.Memory()[4] == 'B');
    stored.SetPosition(0);
    TBitmap back;
    back.ReadStoredImage(stored);
    CHECK(Drawn(back) == Drawn(bmp));
    CHECK(back.PixelFormat() == bmp.PixelFormat());
    CHECK(back.SameImage(&bmp));
  }
  // RLE files keep their compressed bytes.
  TByteWriter rle;
  rle.u8(2).u8(1).u8(0).u8(1);
  TBmpLayout layout{.Width = 2, .Height = 1, .Bits = 8, .Compression = 1, .Colors = kColors};
  TBitmap bmp;
  Load(bmp, BmpFile(layout, rle.v));
  TMemoryStream stored;
  bmp.WriteStoredImage(stored);
  stored.SetPosition(0);
  TBitmap back;
  back.ReadStoredImage(stored);
  CHECK(Drawn(back) == std::vector<std::vector<uint32_t>>{{kWhite, kWhite}});
  // An empty bitmap stores a count of 0; a count beyond the data is a read error.
  TBitmap empty;
  TMemoryStream none;
  empty.WriteStoredImage(none);
  CHECK(none.Bytes() == std::vector<uint8_t>{0, 0, 0, 0});
  TMemoryStream liar(std::vector<uint8_t>{100, 0, 0, 0, 'B', 'M'});
  CHECK_THROWS_WITH_AS(back.ReadStoredImage(liar), "Stream read error", EReadError);
}

TEST_CASE("damaged bitmap files never crash: they load, or fail with an error") {
  TByteWriter rle8;
  rle8.u8(3).u8(1).u8(0).u8(2).u8(1).u8(1).u8(0).u8(3).u8(2).u8(3).u8(4).u8(0).u8(0).u8(0).u8(0).u8(1);
  TByteWriter rle4;
  rle4.u8(5).u8(0x12).u8(0).u8(4).u8(0x34).u8(0x12).u8(0).u8(0).u8(0).u8(1);
  const std::vector<std::vector<uint8_t>> seeds = {
      BmpOfPicture(kPicture, 24),
      BmpOfPicture(kPicture, 8, kColors),
      BmpOfPicture(kPicture, 4, kColors, true),
      BmpOfPicture(kPicture, 16),
      BmpFile({.Width = 7, .Height = 3, .Bits = 8, .Compression = 1, .Colors = kColors}, rle8.v),
      BmpFile({.Width = 9, .Height = 2, .Bits = 4, .Compression = 2, .Colors = kColors}, rle4.v),
      BmpFile({.Width = 2, .Height = 1, .Bits = 16, .Compression = 3, .Masks = {0xF800, 0x07E0, 0x001F}},
              {1, 2, 3, 4}),
  };
  uint32_t state = 12345;
  auto next = [&] {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  int loaded = 0, refused = 0;
  for (const auto& seed : seeds) {
    // Every truncation, then random byte changes.
    std::vector<std::vector<uint8_t>> cases;
    for (size_t n = 0; n < seed.size(); ++n) cases.emplace_back(seed.begin(), seed.begin() + ptrdiff_t(n));
    for (int i = 0; i < 150; ++i) {
      std::vector<uint8_t> f = seed;
      // The size fields stay: huge sizes are refused or merely slow, and have a case of their own.
      for (int k = 1 + int(next() % 4); k > 0; --k) {
        size_t at = next() % f.size();
        if (at < 18 || at >= 26) f[at] = uint8_t(next());
      }
      cases.push_back(std::move(f));
    }
    for (const auto& file : cases) {
      TBitmap bmp;
      try {
        Load(bmp, file);
        TDrawTarget target(16, 16);
        bmp.DrawInto(target.Canvas(), RECT{0, 0, 16, 16});
        bmp.SetTransparent(true);
        bmp.DrawInto(target.Canvas(), RECT{0, 0, 16, 16});
        ++loaded;
      } catch (const Exception&) {
        ++refused;
      }
    }
  }
  CHECK(loaded > 100);
  CHECK(refused > 100);
}
