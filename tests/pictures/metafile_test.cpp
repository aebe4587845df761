// Metafiles made here (EMF recorded by the system, placeable WMF around
// recorded records): sizes in 0.01 mm and pixels, playback into the
// rectangle less one pixel, the palette, sharing and saving, and damaged
// files refused through the picture holder, which keeps its picture.
#include <doctest/doctest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "pictures/icon_metafile_files.h"
#include "pictures/jpeg_test_files.h"
#include "pictures/metafile/metafile_record_types.h"
#include "pictures/metafile/metafile_win.h"
#include "pictures/picture.h"
#include "pictures/picture_test_support.h"
#include "png/png_test_encoder.h"

using namespace vr;
using namespace vr::test;

namespace {

constexpr uint32_t kBack = 0x336699;

void Load(TMetafile& Metafile, const std::vector<uint8_t>& File) {
  TMemoryStream stream(File);
  Metafile.LoadFromStream(stream);
}

bool SameRect(const RECT& A, const RECT& B) { return EqualRect(&A, &B) != 0; }

#define CHECK_INVALID_METAFILE(expr) CHECK_THROWS_WITH_AS(expr, "Metafile is not valid", EInvalidGraphic)

// Logical units 0..1440 × 0..720: red on the left half, green on the right.
std::vector<uint8_t> HalvesWmfRecords() {
  return RecordWmf([](HDC dc) {
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 1440, 720, nullptr);
    FillSolid(dc, RECT{0, 0, 720, 720}, kRed);
    FillSolid(dc, RECT{720, 0, 1440, 720}, kGreen);
  });
}

// A frame of 2 × 1 inches: red on the left half, blue on the right.
const RECT kFrame{0, 0, 5080, 2540};
std::vector<uint8_t> HalvesEmf() {
  const RECT px = FrameInScreenPixels(kFrame);
  return RecordEmf(kFrame, [&](HDC dc) {
    FillSolid(dc, RECT{0, 0, px.right / 2, px.bottom}, kRed);
    FillSolid(dc, RECT{px.right / 2, 0, px.right, px.bottom}, kBlue);
  });
}

// Replaces the end record of an EMF by one carrying Colours as its palette.
std::vector<uint8_t> WithPalette(std::vector<uint8_t> Emf, const std::vector<uint32_t>& Colours) {
  const size_t eof = Emf.size() - GetU32LEAt(Emf, Emf.size() - 4);  // the end record's last field is its size
  REQUIRE(GetU32LEAt(Emf, eof) == 14);
  Emf.resize(eof);
  const uint32_t size = uint32_t(20 + 4 * Colours.size());
  TByteWriter r;
  r.u32(14).u32(size).u32(uint32_t(Colours.size())).u32(16);
  for (uint32_t c : Colours) r.u8(uint8_t(c >> 16)).u8(uint8_t(c >> 8)).u8(uint8_t(c)).u8(0);
  r.u32(size);
  Emf.insert(Emf.end(), r.v.begin(), r.v.end());
  PutU32LEAt(Emf, 48, uint32_t(Emf.size()));              // total size
  PutU32LEAt(Emf, 68, uint32_t(Colours.size()));          // palette entries
  return Emf;
}

// ------------------------------------------- bitmaps and fonts as programs write them

// A bitmap as a program hands it to the system: the header and colour
// table, then the pixels.
struct TDibBlock {
  std::vector<uint8_t> Info, Bits;
  const BITMAPINFO* Header() const { return reinterpret_cast<const BITMAPINFO*>(Info.data()); }
};

// 8 × 4 pixels, red on the left half and blue on the right: indices 1 and 2
// of a full colour table at Bits per pixel, stored plain (compression 0,
// 8 bits) or as run-length codes (1: 8 bits, 2: 4 bits; each row two runs
// and its end, then the end of the bitmap: 26 bytes). UsedColours is the
// header's count of colours used (0: all).
TDibBlock IndexedHalves(uint16_t Bits, uint32_t Compression, uint32_t UsedColours) {
  TDibBlock d;
  for (int y = 0; y < 4; ++y) {
    if (Compression == 0)
      for (int x = 0; x < 8; ++x) d.Bits.push_back(x < 4 ? 1 : 2);
    else if (Compression == 1)
      d.Bits.insert(d.Bits.end(), {4, 1, 4, 2, 0, 0});
    else
      d.Bits.insert(d.Bits.end(), {4, 0x11, 4, 0x22, 0, 0});
  }
  if (Compression != 0) d.Bits.insert(d.Bits.end(), {0, 1});
  TByteWriter b;
  b.u32(40).u32(8).u32(4).u16(1).u16(Bits).u32(Compression).u32(uint32_t(d.Bits.size()));
  b.u32(0).u32(0).u32(UsedColours).u32(0);
  for (uint32_t i = 0; i < (1u << Bits); ++i) b.u32(i == 1 ? kRed : i == 2 ? kBlue : 0);
  d.Info = b.v;
  return d;
}

// The same with its codes padded to whole 32-bit words, as one system's
// recorder of enhanced metafiles needs them.
TDibBlock InWholeWords(TDibBlock Dib) {
  Dib.Bits.resize((Dib.Bits.size() + 3) / 4 * 4, 0);
  PutU32LEAt(Dib.Info, 20, uint32_t(Dib.Bits.size()));
  return Dib;
}

// An 8 × 4 JPEG (compression 4) or PNG (5) file inside a bitmap header,
// as printers take them.
TDibBlock EmbeddedImage(uint32_t Compression) {
  TDibBlock d;
  d.Bits = Compression == 4 ? JPEGFileOf(ColourScene(8, 4)) : pngtest::MakePng(pngtest::TestImage::Random(8, 4, 8, kPNGRGB, 7), false);
  TByteWriter b;
  b.u32(40).u32(8).u32(4).u16(1).u16(0).u32(Compression).u32(uint32_t(d.Bits.size())).u32(0).u32(0).u32(0).u32(0);
  d.Info = b.v;
  return d;
}

// Pictures of 1 × 0.5 inch: green, with something drawn over it.
const RECT kHalfInch{0, 0, 2540, 1270};
std::vector<uint8_t> GreenEmf(const std::function<void(HDC, const RECT&)>& Draw) {
  const RECT px = FrameInScreenPixels(kHalfInch);
  return RecordEmf(kHalfInch, [&](HDC dc) {
    FillSolid(dc, px, kGreen);
    Draw(dc, px);
  });
}
// In logical units 0..800 × 0..400.
std::vector<uint8_t> GreenWmfRecords(const std::function<void(HDC, const RECT&)>& Draw) {
  return RecordWmf([&](HDC dc) {
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 800, 400, nullptr);
    FillSolid(dc, RECT{0, 0, 800, 400}, kGreen);
    Draw(dc, RECT{0, 0, 800, 400});
  });
}
std::vector<uint8_t> Placeable(const std::vector<uint8_t>& Records) { return PlaceableWmf(0, 0, 800, 400, 800, Records); }

void StretchOver(HDC DC, const RECT& R, const TDibBlock& Dib) {
  StretchDIBits(DC, R.left, R.top, R.right - R.left, R.bottom - R.top, 0, 0, 8, 4, Dib.Bits.data(), Dib.Header(),
                DIB_RGB_COLORS, SRCCOPY);
}

// Text in a small font of a short face name at the top left.
void ShortNamedText(HDC DC, const RECT& R, const char* Face) {
  LOGFONTA font{};
  font.lfHeight = -(R.bottom - R.top) / 5;
  std::strcpy(font.lfFaceName, Face);
  TFontHandle handle(CreateFontIndirectA(&font));
  TSelectObject select(DC, handle.Get());
  TextOutA(DC, R.right / 50, R.bottom / 50, "Vr", 2);
}

// An EMF with Record put before its end record.
std::vector<uint8_t> WithEmfRecord(std::vector<uint8_t> Emf, const std::vector<uint8_t>& Record) {
  const size_t eof = Emf.size() - GetU32LEAt(Emf, Emf.size() - 4);
  Emf.insert(Emf.begin() + ptrdiff_t(eof), Record.begin(), Record.end());
  PutU32LEAt(Emf, 48, uint32_t(Emf.size()));
  PutU32LEAt(Emf, 52, GetU32LEAt(Emf, 52) + 1);
  return Emf;
}
// A stretched-DIB record as other recorders write it, onto R.
std::vector<uint8_t> StretchDibRecord(const TDibBlock& Dib, const RECT& R) {
  TByteWriter w;
  const uint32_t offBmi = 80, offBits = offBmi + uint32_t(Dib.Info.size());
  const uint32_t size = (offBits + uint32_t(Dib.Bits.size()) + 3) / 4 * 4;
  w.u32(81).u32(size).u32(uint32_t(R.left)).u32(uint32_t(R.top)).u32(uint32_t(R.right - 1)).u32(uint32_t(R.bottom - 1));
  w.u32(uint32_t(R.left)).u32(uint32_t(R.top)).u32(0).u32(0).u32(8).u32(4);
  w.u32(offBmi).u32(uint32_t(Dib.Info.size())).u32(offBits).u32(uint32_t(Dib.Bits.size()));
  w.u32(DIB_RGB_COLORS).u32(SRCCOPY).u32(uint32_t(R.right - R.left)).u32(uint32_t(R.bottom - R.top));
  w.v.insert(w.v.end(), Dib.Info.begin(), Dib.Info.end());
  w.v.insert(w.v.end(), Dib.Bits.begin(), Dib.Bits.end());
  w.v.resize(size, 0);
  return w.v;
}

// WMF records with Record (function, parameters) put before the end record,
// in a new object slot.
std::vector<uint8_t> WithWmfRecord(std::vector<uint8_t> Records, uint16_t Function, const std::vector<uint8_t>& Params) {
  TByteWriter r;
  r.u32(uint32_t(3 + Params.size() / 2)).u16(Function);
  r.v.insert(r.v.end(), Params.begin(), Params.end());
  Records.insert(Records.end() - 6, r.v.begin(), r.v.end());
  PutU32LEAt(Records, 6, uint32_t(Records.size() / 2));
  Records[10] = uint8_t(Records[10] + 1);
  PutU32LEAt(Records, 12, std::max(GetU32LEAt(Records, 12), uint32_t(r.v.size() / 2)));
  return Records;
}
// The parameters of a stretched DIB onto 0..800 × 0..400.
std::vector<uint8_t> StretchDibParams(const TDibBlock& Dib) {
  TByteWriter p;
  p.u16(LOWORD(SRCCOPY)).u16(HIWORD(SRCCOPY)).u16(DIB_RGB_COLORS).u16(4).u16(8).u16(0).u16(0);
  p.u16(400).u16(800).u16(0).u16(0);
  p.v.insert(p.v.end(), Dib.Info.begin(), Dib.Info.end());
  p.v.insert(p.v.end(), Dib.Bits.begin(), Dib.Bits.end());
  return p.v;
}

}  // namespace

TEST_CASE("metafiles as other programs write them load at their size and play") {
  const TDibBlock rle8 = IndexedHalves(8, 1, 256), rle4 = IndexedHalves(4, 2, 16);
  const TDibBlock jpeg = EmbeddedImage(4), png = EmbeddedImage(5);
  // A run-length bitmap whose header gives the size of its pixels unpacked.
  TDibBlock unpackedSize = IndexedHalves(8, 1, 0);
  PutU32LEAt(unpackedSize.Info, 20, 8 * 4);
  // A font record whose face name, shorter than the 32 bytes read, ends
  // the metafile.
  TByteWriter font;
  font.u16(uint16_t(-12)).fill(16, 0).u8('S').u8('y').u8('m').u8(0);
  std::vector<uint8_t> countingPlaceable = HalvesWmfRecords();
  PutU32LEAt(countingPlaceable, 6, uint32_t(countingPlaceable.size() + 22) / 2);

  struct TCase {
    std::string Name;
    std::vector<uint8_t> File;
    uint32_t Left, Right;  // at a quarter and three quarters of the width, half the height
    bool Text = false;     // something drawn at the top left
  };
  const std::vector<TCase> cases = {
      {"EMF, run-length 8 bits, recorded", GreenEmf([&](HDC dc, const RECT& r) { StretchOver(dc, r, InWholeWords(rle8)); }),
       kRed, kBlue},
      {"EMF, run-length 4 bits, recorded", GreenEmf([&](HDC dc, const RECT& r) { StretchOver(dc, r, InWholeWords(rle4)); }),
       kRed, kBlue},
      {"EMF, run-length with its unpacked size, written",
       WithEmfRecord(GreenEmf([](HDC, const RECT&) {}), StretchDibRecord(unpackedSize, FrameInScreenPixels(kHalfInch))),
       kRed, kBlue},
      {"EMF, JPEG inside, written",
       WithEmfRecord(GreenEmf([](HDC, const RECT&) {}), StretchDibRecord(jpeg, FrameInScreenPixels(kHalfInch))), kGreen,
       kGreen},
      {"EMF, PNG inside, written",
       WithEmfRecord(GreenEmf([](HDC, const RECT&) {}), StretchDibRecord(png, FrameInScreenPixels(kHalfInch))), kGreen,
       kGreen},
      {"EMF, fonts of short face names, recorded", GreenEmf([](HDC dc, const RECT& r) { ShortNamedText(dc, r, "Sym"); }),
       kGreen, kGreen, true},
      {"WMF, run-length 8 bits, recorded", Placeable(GreenWmfRecords([&](HDC dc, const RECT& r) { StretchOver(dc, r, rle8); })),
       kRed, kBlue},
      {"WMF, run-length 4 bits, recorded", Placeable(GreenWmfRecords([&](HDC dc, const RECT& r) { StretchOver(dc, r, rle4); })),
       kRed, kBlue},
      {"WMF, JPEG inside, recorded", Placeable(GreenWmfRecords([&](HDC dc, const RECT& r) { StretchOver(dc, r, jpeg); })),
       kGreen, kGreen},
      {"WMF, PNG inside, recorded", Placeable(GreenWmfRecords([&](HDC dc, const RECT& r) { StretchOver(dc, r, png); })),
       kGreen, kGreen},
      {"WMF, 8 bits with an implied colour count, written",
       Placeable(WithWmfRecord(GreenWmfRecords([](HDC, const RECT&) {}), kMetaStretchDIB, StretchDibParams(IndexedHalves(8, 0, 0)))),
       kRed, kBlue},
      {"WMF, fonts of short face names, recorded",
       Placeable(GreenWmfRecords([](HDC dc, const RECT& r) { ShortNamedText(dc, r, "Sym"); })), kGreen, kGreen, true},
      {"WMF, a short face name at the end, written", PlaceableWmf(0, 0, 1440, 720, 1440, WithWmfRecord(HalvesWmfRecords(), kMetaCreateFontIndirect, font.v)),
       kRed, kGreen},
      {"WMF, a total size that counts the placeable header", PlaceableWmf(0, 0, 1440, 720, 1440, countingPlaceable), kRed,
       kGreen},
  };
  for (const TCase& c : cases) {
    CAPTURE(c.Name);
    const bool enhanced = c.File[0] == 1;
    TMetafile metafile;
    CHECK_NOTHROW(Load(metafile, c.File));
    if (!metafile.Handle()) continue;
    CHECK(metafile.Enhanced() == enhanced);
    CHECK(metafile.MMWidth() == 2540);
    CHECK(metafile.MMHeight() == 1270);
    if (!enhanced) {
      CHECK(metafile.Width() == 96);
      CHECK(metafile.Height() == 48);
    }
    const int w = metafile.Width(), h = metafile.Height();
    REQUIRE(w > 8);
    REQUIRE(h > 8);
    TDrawTarget target(w, h, kBack);
    metafile.DrawInto(target.Canvas(), RECT{0, 0, w, h});
    CHECK(target.Pixel(w / 4, h / 2) == c.Left);
    CHECK(target.Pixel(3 * w / 4, h / 2) == c.Right);
    CHECK((target.Count(c.Left, RECT{0, 0, w / 2, h / 3}) < (w / 2) * (h / 3)) == c.Text);
  }
}

TEST_CASE("a placeable WMF measures its box in 0.01 mm and in screen pixels") {
  TWindowDC screen(nullptr);
  REQUIRE(GetDeviceCaps(screen.Get(), LOGPIXELSY) == 96);
  TMetafile wmf;
  Load(wmf, PlaceableWmf(0, 0, 1440, 720, 1440, HalvesWmfRecords()));
  CHECK_FALSE(wmf.Enhanced());
  CHECK(wmf.Inch() == 1440);
  CHECK(wmf.MMWidth() == 2540);
  CHECK(wmf.MMHeight() == 1270);
  CHECK(wmf.Width() == 96);
  CHECK(wmf.Height() == 48);
  CHECK(wmf.Transparent());
  CHECK_FALSE(wmf.IsEmpty());

  // Inch 0 counts as 96; a box that does not start at 0 measures its extent.
  TMetafile zero;
  Load(zero, PlaceableWmf(100, 50, 196, 98, 0, HalvesWmfRecords()));
  CHECK(zero.MMWidth() == 2540);
  CHECK(zero.MMHeight() == 1270);
  CHECK(zero.Width() == 96);
  CHECK(zero.Height() == 48);

  // Both conversions keep the picture: it fills the rectangle less one pixel.
  TDrawTarget target(120, 80, kBack);
  wmf.DrawInto(target.Canvas(), RECT{10, 10, 110, 60});
  CHECK(SameRect(target.BoundsOfOther(kBack), RECT{10, 10, 109, 59}));
  CHECK(target.Count(kRed, RECT{10, 10, 59, 59}) == 49 * 49);
  CHECK(target.Count(kGreen, RECT{60, 10, 109, 59}) == 49 * 49);
}

TEST_CASE("an EMF recorded with shapes plays them scaled into the rectangle less one pixel") {
  TMetafile emf;
  Load(emf, HalvesEmf());
  CHECK(emf.Enhanced());
  CHECK(emf.Inch() == 0);
  CHECK(emf.MMWidth() == 5080);
  CHECK(emf.MMHeight() == 2540);
  // The size in pixels from the recording device's own pixels and millimetres.
  const TMetafileImage& image = emf.Image();
  CHECK(emf.Width() == MulDiv(5080, image.DevicePixelsX, image.DeviceMillimetersX * 100));
  CHECK(emf.Height() == MulDiv(2540, image.DevicePixelsY, image.DeviceMillimetersY * 100));

  TDrawTarget target(120, 80, kBack);
  emf.DrawInto(target.Canvas(), RECT{10, 10, 110, 60});
  CHECK(SameRect(target.BoundsOfOther(kBack), RECT{10, 10, 109, 59}));
  CHECK(target.Count(kRed, RECT{10, 10, 59, 59}) == 49 * 49);
  CHECK(target.Count(kBlue, RECT{61, 10, 109, 59}) == 48 * 49);
  CHECK(target.Count(kBack, RECT{109, 0, 120, 80}) == 11 * 80);  // the right edge stays
  CHECK(target.Count(kBack, RECT{0, 59, 120, 80}) == 21 * 120);  // and the bottom

  // Scaled the other way: a tall, narrow rectangle.
  target.FillWith(kBack);
  emf.DrawInto(target.Canvas(), RECT{0, 0, 21, 80});
  CHECK(SameRect(target.BoundsOfOther(kBack), RECT{0, 0, 20, 79}));
  CHECK(target.Pixel(2, 40) == kRed);
  CHECK(target.Pixel(17, 40) == kBlue);

  // Another reference device written into the header: 10 pixels a millimetre.
  std::vector<uint8_t> bytes = HalvesEmf();
  PutU32LEAt(bytes, 72, 1000);
  PutU32LEAt(bytes, 76, 1000);
  PutU32LEAt(bytes, 80, 100);
  PutU32LEAt(bytes, 84, 100);
  TMetafile fine;
  Load(fine, bytes);
  CHECK(fine.Width() == 508);
  CHECK(fine.Height() == 254);
}

TEST_CASE("an EMF with a palette gives it to the view, at most 256 entries") {
  TMetafile plain;
  Load(plain, HalvesEmf());
  CHECK(plain.PaletteHandle() == nullptr);
  CHECK_FALSE(plain.PaletteModified());

  TMetafile coloured;
  Load(coloured, WithPalette(HalvesEmf(), {kRed, kGreen, 0x123456}));
  CHECK(coloured.PaletteModified());
  HPALETTE palette = coloured.PaletteHandle();
  REQUIRE(palette != nullptr);
  PALETTEENTRY entries[4]{};
  CHECK(GetPaletteEntries(palette, 0, 4, entries) == 3);
  CHECK(entries[2].peRed == 0x12);
  CHECK(entries[2].peGreen == 0x34);
  CHECK(entries[2].peBlue == 0x56);
  CHECK(coloured.PaletteHandle() == palette);  // built once

  std::vector<uint32_t> many(300);
  for (size_t i = 0; i < many.size(); ++i) many[i] = uint32_t(i);
  TMetafile large;
  Load(large, WithPalette(HalvesEmf(), many));
  REQUIRE(large.PaletteHandle() != nullptr);
  CHECK(GetPaletteEntries(large.PaletteHandle(), 0, 0, nullptr) == 256);

  // Drawing realises it and still plays the picture.
  TDrawTarget target(50, 30, kBack);
  coloured.DrawInto(target.Canvas(), RECT{0, 0, 50, 30});
  CHECK(target.Pixel(5, 5) == kRed);
}

TEST_CASE("damaged metafiles are refused through the picture holder, which keeps its picture") {
  const std::vector<uint8_t> records = HalvesWmfRecords();
  const std::vector<uint8_t> emf = HalvesEmf();
  auto patched = [](std::vector<uint8_t> Bytes, size_t At, uint32_t Value) {
    PutU32LEAt(Bytes, At, Value);
    return Bytes;
  };
  std::vector<uint8_t> tooLong = emf;
  tooLong.resize(emf.size() - 8);
  std::vector<uint8_t> wmfCut = PlaceableWmf(0, 0, 1440, 720, 1440, records);
  wmfCut.resize(wmfCut.size() - 10);
  struct TCase {
    const char* Name;
    const char* Extension;
    std::vector<uint8_t> File;
    const char* Message;
  };
  const std::vector<TCase> cases = {
      {"records without the placeable header", "wmf", records, "Metafile is not valid"},
      {"one wrong checksum bit", "wmf", PlaceableWmf(0, 0, 1440, 720, 1440, records, true), "Metafile is not valid"},
      {"a wrong key", "wmf", PlaceableWmf(0, 0, 1440, 720, 1440, records, false, 0x9AC6CDD6),
       "Metafile is not valid"},
      {"a header cut short", "wmf", std::vector<uint8_t>(wmfCut.begin(), wmfCut.begin() + 10), "Stream read error"},
      {"an empty file", "emf", {}, "Stream read error"},
      {"records cut short", "wmf", wmfCut, "Metafile is not valid"},
      {"a bad EMF signature", "emf", patched(emf, 40, 0x464D4521), "Metafile is not valid"},
      {"an EMF longer than its file", "emf", tooLong, "Stream read error"},
      {"an EMF record past the end", "emf", patched(emf, GetU32LEAt(emf, 4) + 4, 0x10000), "Metafile is not valid"},
      {"an EMF header record too small", "emf", patched(emf, 4, 40), "Metafile is not valid"},
      {"palette counts that disagree", "emf", patched(emf, 68, 5), "Metafile is not valid"},
  };

  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };
  TTempFile first("first.emf", emf);
  picture.LoadFile(first.Path());
  CHECK(changes == 1);
  TGraphic* held = picture.HeldGraphic();
  const int width = picture.Width(), height = picture.Height();
  for (const TCase& c : cases) {
    CAPTURE(c.Name);
    TTempFile bad(std::string("bad.") + c.Extension, c.File);
    CHECK_THROWS_WITH(picture.LoadFile(bad.Path()), c.Message);
    CHECK(picture.HeldGraphic() == held);
    CHECK(picture.Width() == width);
    CHECK(picture.Height() == height);
    CHECK(changes == 1);
  }
  // The content decides, not the extension: an EMF named .wmf loads as one.
  TTempFile named("named.wmf", emf);
  picture.LoadFile(named.Path());
  CHECK(static_cast<TMetafile*>(picture.HeldGraphic())->Enhanced());
}

TEST_CASE("records that would lead the system's player astray are refused or passed over") {
  // An object index far outside the table (once a crash of the player).
  std::vector<uint8_t> bytes = HalvesEmf();
  const size_t eof = bytes.size() - 20;
  std::vector<uint8_t> deleting(bytes.begin(), bytes.begin() + ptrdiff_t(eof));
  TByteWriter r;
  r.u32(40).u32(12).u32(0xFF000001);  // delete object
  deleting.insert(deleting.end(), r.v.begin(), r.v.end());
  deleting.insert(deleting.end(), bytes.begin() + ptrdiff_t(eof), bytes.end());
  PutU32LEAt(deleting, 48, uint32_t(deleting.size()));
  TMetafile refused;
  CHECK_INVALID_METAFILE(Load(refused, deleting));

  // An ellipse millions of pixels wide is skipped; the rest of the picture is drawn.
  const RECT frame{0, 0, 2540, 2540};
  const RECT px = FrameInScreenPixels(frame);
  TMetafile huge;
  Load(huge, RecordEmf(frame, [&](HDC dc) {
         FillSolid(dc, RECT{0, 0, px.right, px.bottom}, kRed);
         TBrushHandle blue(CreateSolidBrush(RGB(0, 0, 255)));
         TSelectObject select(dc, blue.Get());
         Ellipse(dc, -2000000, -2000000, 2000000, 2000000);
         TPenHandle wide(CreatePen(PS_SOLID, 4000000, RGB(0, 255, 0)));
         TSelectObject pen(dc, wide.Get());
         MoveToEx(dc, 0, 0, nullptr);
         LineTo(dc, 10, 10);
       }));
  TDrawTarget target(40, 40, kBack);
  huge.DrawInto(target.Canvas(), RECT{0, 0, 41, 41});
  // The little line is drawn with the pen in force before the wide one.
  CHECK(target.Count(kRed, RECT{0, 0, 40, 40}) + target.Count(kBlack, RECT{0, 0, 40, 40}) == 40 * 40);
  CHECK(target.Count(kRed, RECT{0, 0, 40, 40}) > 40 * 40 - 10);
}

TEST_CASE("copies share the metafile; saved metafiles load back the same") {
  TMetafile emf, copy;
  Load(emf, HalvesEmf());
  copy.AssignFrom(&emf);
  CHECK(copy.Handle() == emf.Handle());
  CHECK(copy.SameImage(&emf));
  // Resizing a shared metafile gives it an image of its own.
  copy.SetWidth(96);
  CHECK(copy.Handle() != emf.Handle());
  CHECK(copy.Width() == 96);
  CHECK(emf.Width() != 96);

  TMemoryStream saved;
  emf.SaveToStream(saved);
  saved.SetPosition(0);
  TMetafile again;
  again.LoadFromStream(saved);
  CHECK(again.Enhanced());
  CHECK(again.MMWidth() == 5080);
  CHECK(again.SameImage(&emf));

  TMetafile wmf;
  Load(wmf, PlaceableWmf(0, 0, 1440, 720, 1440, HalvesWmfRecords()));
  TMemoryStream wmfSaved;
  wmf.SaveToStream(wmfSaved);
  wmfSaved.SetPosition(0);
  TMetafile wmfAgain;
  wmfAgain.LoadFromStream(wmfSaved);
  CHECK_FALSE(wmfAgain.Enhanced());
  CHECK(wmfAgain.MMWidth() == 2540);
  CHECK(wmfAgain.MMHeight() == 1270);
  TDrawTarget target(50, 30, kBack);
  wmfAgain.DrawInto(target.Canvas(), RECT{0, 0, 50, 30});
  CHECK(target.Pixel(5, 15) == kRed);
  CHECK(target.Pixel(44, 15) == kGreen);

  // A metafile that never loaded anything: an image record, no handle, the provisional size.
  TMetafile fresh;
  CHECK_FALSE(fresh.IsEmpty());
  CHECK(fresh.Enhanced());
  CHECK(fresh.Width() == 0);
  fresh.SetWidth(40);
  fresh.SetHeight(30);
  CHECK(fresh.Width() == 40);
  CHECK(fresh.Height() == 30);
  target.FillWith(kBack);
  fresh.DrawInto(target.Canvas(), RECT{0, 0, 50, 30});
  CHECK(target.Count(kBack, RECT{0, 0, 50, 30}) == 50 * 30);
}
