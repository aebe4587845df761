// Icons and metafiles spoiled at random (a fixed seed, so every run is the
// same): each one is refused with an error or loads and draws; none crashes
// the program or makes it hang.
#include <doctest/doctest.h>

#include <cstdint>

#include "pictures/icon/icon_win.h"
#include "pictures/icon_metafile_files.h"
#include "pictures/jpeg_support.h"
#include "pictures/metafile/metafile_win.h"
#include "pictures/picture_test_support.h"
#include "png/png_test_encoder.h"

using namespace vr;
using namespace vr::test;

namespace {

struct TRandom {
  uint64_t State;
  uint32_t Next() {
    State = State * 6364136223846793005ULL + 1442695040888963407ULL;
    return uint32_t(State >> 33);
  }
};

// Flips, sets or clears a few bytes; now and then cuts the end off.
std::vector<uint8_t> Spoiled(std::vector<uint8_t> Bytes, TRandom& Random) {
  const int changes = 1 + int(Random.Next() % 4);
  for (int i = 0; i < changes; ++i) {
    const size_t at = Random.Next() % Bytes.size();
    switch (Random.Next() % 3) {
      case 0: Bytes[at] ^= uint8_t(1 << (Random.Next() % 8)); break;
      case 1: Bytes[at] = 0xFF; break;
      default: Bytes[at] = 0; break;
    }
  }
  if (Random.Next() % 8 == 0) Bytes.resize(Random.Next() % Bytes.size());
  return Bytes;
}

template <class TPictureClass>
void LoadAndDraw(const std::vector<uint8_t>& File, int& Loaded, int& Refused) {
  TPictureClass picture;
  try {
    TMemoryStream stream(File);
    picture.LoadFromStream(stream);
  } catch (const Exception&) {
    ++Refused;
    return;
  }
  ++Loaded;
  TDrawTarget target(64, 64);
  for (int i = 0; i < 2; ++i) {
    try {
      picture.DrawInto(target.Canvas(), RECT{0, 0, 64, 64});
    } catch (const Exception&) {
    }
  }
  (void)picture.Width();
  (void)picture.Height();
}

}  // namespace

TEST_CASE("spoiled icons and metafiles are refused or drawn, never a crash") {
  TImageLibraries libraries;  // the PNG codec hands the icon class its decoder
  pngtest::TestImage img = pngtest::TestImage::Random(16, 16, 8, kPNGRGBA, 5);
  TIconEntry png{16, 16, 0, 32, pngtest::MakePng(img, false)};
  const std::vector<uint8_t> icon =
      IcoFile({TIconEntry{8, 8, 16, 4, IconImage(Framed(8, 8, kRed, kBlue), 4, {kBlack, kRed, kBlue})},
               TIconEntry{32, 32, 0, 32, IconImage(Framed(32, 32, 0xFF00FF00u, 0x80FF0000u), 32)}, png});
  const std::vector<uint8_t> emf = RecordEmf(RECT{0, 0, 2000, 1000}, [](HDC dc) {
    FillSolid(dc, RECT{0, 0, 40, 20}, kRed);
    const POINT line[3] = {{0, 0}, {30, 15}, {5, 18}};
    Polyline(dc, line, 3);
    Ellipse(dc, 2, 2, 30, 15);
    TextOutA(dc, 1, 1, "Vr", 2);
  });
  // 4 × 2 pixels of run-length codes (two rows and the end: 10 bytes) with
  // a table of 16 colours, which the conversion into an enhanced metafile
  // records again.
  TByteWriter rle;
  rle.u32(40).u32(4).u32(2).u16(1).u16(8).u32(1).u32(10).u32(0).u32(0).u32(16).u32(0);
  for (uint32_t i = 0; i < 16; ++i) rle.u32(i * 0x0F0F0F);
  rle.u8(4).u8(3).u8(0).u8(0).u8(2).u8(9).u8(2).u8(5).u8(0).u8(1);
  const std::vector<uint8_t> wmf = PlaceableWmf(0, 0, 400, 200, 1440, RecordWmf([&](HDC dc) {
                                                  SetWindowExtEx(dc, 400, 200, nullptr);
                                                  FillSolid(dc, RECT{0, 0, 200, 200}, kGreen);
                                                  const POINT line[3] = {{0, 0}, {300, 150}, {50, 180}};
                                                  Polygon(dc, line, 3);
                                                  TextOutA(dc, 10, 10, "Vr", 2);
                                                  StretchDIBits(dc, 200, 0, 200, 100, 0, 0, 4, 2, rle.v.data() + 40 + 64,
                                                                reinterpret_cast<const BITMAPINFO*>(rle.v.data()),
                                                                DIB_RGB_COLORS, SRCCOPY);
                                                }));

  TRandom random{20240611};
  int loaded = 0, refused = 0;
  for (int i = 0; i < 300; ++i) {
    LoadAndDraw<TIcon>(Spoiled(icon, random), loaded, refused);
    LoadAndDraw<TMetafile>(Spoiled(emf, random), loaded, refused);
    LoadAndDraw<TMetafile>(Spoiled(wmf, random), loaded, refused);
  }
  CHECK(loaded + refused == 900);
  CHECK(loaded > 100);
  CHECK(refused > 100);
}
