// The record checks of EMF and WMF metafiles: sizes, counts, strings,
// object indices, bitmaps and regions inside the data; pattern brushes
// made solid; the palette of the end record.
#include <doctest/doctest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "pictures/graphic_errors.h"
#include "pictures/metafile/metafile_record_types.h"
#include "pictures/metafile/metafile_records.h"
#include "support/byte_writer.h"

using namespace vr;

namespace {

using Bytes = std::vector<uint8_t>;

using TWriter = test::TByteWriter;


#define CHECK_INVALID_METAFILE(expr) CHECK_THROWS_WITH_AS(expr, "Metafile is not valid", EInvalidGraphic)

// ---------------------------------------------------------------- EMF

constexpr size_t kEmfHeader = 108;

// One record: type, size, then the body (padded to 4 bytes).
Bytes EmfRecord(uint32_t Type, const Bytes& Body) {
  TWriter w;
  Bytes body = Body;
  body.resize((body.size() + 3) / 4 * 4, 0);
  w.u32(Type).u32(uint32_t(8 + body.size())).add(body);
  return w.v;
}
Bytes Words(std::initializer_list<uint32_t> Values) {
  TWriter w;
  for (uint32_t x : Values) w.u32(x);
  return w.v;
}

// A whole EMF: a 108-byte header with Handles object slots, the records,
// an end record carrying Palette (0xRRGGBB), then Trailing records.
Bytes Emf(const std::vector<Bytes>& Records, uint16_t Handles = 4, const std::vector<uint32_t>& Palette = {},
          const std::vector<Bytes>& Trailing = {}) {
  TWriter w;
  w.u32(kEmrHeader).u32(uint32_t(kEmfHeader)).fill(32, 0);
  w.u32(0x464D4520).u32(0x10000).u32(0).u32(0).u16(Handles).u16(0);
  w.u32(0).u32(0).u32(uint32_t(Palette.size()));
  w.u32(1024).u32(768).u32(320).u32(240).fill(kEmfHeader - 88, 0);
  for (const Bytes& r : Records) w.add(r);
  const uint32_t eof = uint32_t(20 + 4 * Palette.size());
  w.u32(kEmrEof).u32(eof).u32(uint32_t(Palette.size())).u32(16);
  for (uint32_t c : Palette) w.u8(uint8_t(c >> 16)).u8(uint8_t(c >> 8)).u8(uint8_t(c)).u8(0);
  w.u32(eof);
  for (const Bytes& r : Trailing) w.add(r);
  test::PutU32LEAt(w.v, 48, uint32_t(w.v.size()));
  return w.v;
}

uint32_t Check(Bytes& File) { return CheckEnhancedMetafileRecords(File.data(), File.size()); }
bool Valid(Bytes File) {
  try {
    Check(File);
    return true;
  } catch (const EInvalidGraphic&) {
    return false;
  }
}

// A 40-byte bitmap header and what follows it.
Bytes DibHeader(int32_t Width, int32_t Height, uint16_t Bits, uint32_t Compression = 0, uint32_t SizeImage = 0,
                uint32_t Used = 0) {
  TWriter w;
  w.u32(40).u32(uint32_t(Width)).u32(uint32_t(Height)).u16(1).u16(Bits).u32(Compression).u32(SizeImage);
  w.u32(0).u32(0).u32(Used).u32(0);
  return w.v;
}

// A stretched-DIB record of the header, Table bytes of colour table and the pixels.
Bytes StretchDib(const Bytes& Header, size_t Table, const Bytes& Pixels) {
  const uint32_t offBmi = 80, cbBmi = uint32_t(Header.size() + Table), offBits = offBmi + cbBmi;
  TWriter w;
  w.fill(16, 0).u32(0).u32(0).u32(0).u32(0).u32(2).u32(2);  // bounds, dest, src
  w.u32(offBmi).u32(cbBmi).u32(offBits).u32(uint32_t(Pixels.size())).u32(0).u32(0x00CC0020).u32(2).u32(2);
  w.add(Header).fill(Table, 0x11).add(Pixels);
  return EmfRecord(kEmrStretchDIBits, w.v);
}
// The same with Pixels bytes of 0x11.
Bytes StretchDib(const Bytes& Header, size_t Table, size_t Pixels) { return StretchDib(Header, Table, Bytes(Pixels, 0x11)); }

// ---------------------------------------------------------------- WMF

// WMF records: header with Objects slots, the records given (function,
// parameter words), the end record.
Bytes Wmf(const std::vector<std::pair<uint16_t, Bytes>>& Records, uint16_t Objects = 2) {
  TWriter w;
  w.u16(1).u16(9).u16(0x300).u32(0).u16(Objects).u32(0).u16(0);
  for (const auto& [function, params] : Records) {
    Bytes p = params;
    if (p.size() % 2 != 0) p.push_back(0);
    w.u32(uint32_t(3 + p.size() / 2)).u16(function).add(p);
  }
  w.u32(3).u16(0);
  test::PutU32LEAt(w.v, 6, uint32_t(w.v.size() / 2));
  return w.v;
}
Bytes Params(std::initializer_list<uint16_t> Values) {
  TWriter w;
  for (uint16_t x : Values) w.u16(x);
  return w.v;
}
Bytes WmfCheck(const Bytes& File) { return CheckWindowsMetafileRecords(File); }
bool WmfValid(const Bytes& File) {
  try {
    WmfCheck(File);
    return true;
  } catch (const EInvalidGraphic&) {
    return false;
  }
}
// The parameter words of a stretched DIB (operation, usage, source and
// destination) before the bitmap.
Bytes StretchDibParams(uint16_t Usage) {
  TWriter w;
  w.u16(0x0020).u16(0x00CC).u16(Usage);
  for (int i = 0; i < 8; ++i) w.u16(2);
  return w.v;
}
// Where the bitmap header of the first record starts.
constexpr size_t kFirstDibHeader = 18 + 6 + 22;

}  // namespace

TEST_CASE("the records of a WMF stay inside the size its header gives, and that is all that is kept") {
  Bytes good = Wmf({{kMetaSetWindowOrg, Params({0, 0})}});
  CHECK(WmfCheck(good) == good);
  Bytes extra = good;
  extra.resize(extra.size() + 7, 0xEE);
  CHECK(WmfCheck(extra) == good);
  Bytes noEnd = good;
  test::PutU32LEAt(noEnd, 6, 14);  // the total ends right after the first record
  CHECK(WmfCheck(noEnd).size() == 28);
  // A total that also counts the 22-byte placeable header, or any more than
  // the file holds: the records present are the metafile, and its header
  // says so.
  for (uint32_t claimed : {uint32_t(good.size() + 22) / 2, 100u, 0xFFFFFFFFu}) {
    CAPTURE(claimed);
    Bytes more = good;
    test::PutU32LEAt(more, 6, claimed);
    CHECK(WmfCheck(more) == good);
  }

  std::vector<Bytes> bad;
  Bytes cutEnd = good;
  test::PutU32LEAt(cutEnd, 6, 100);  // more than the file holds, which ends inside the end record
  cutEnd.resize(cutEnd.size() - 2);
  bad.push_back(cutEnd);
  bad.push_back(Bytes(good.begin(), good.begin() + 17));
  Bytes type3 = good;
  type3[0] = 3;
  bad.push_back(type3);
  Bytes header8 = good;
  header8[2] = 8;
  bad.push_back(header8);
  Bytes zero = good;
  test::PutU32LEAt(zero, 18, 0);  // a record of no size would never advance
  bad.push_back(zero);
  Bytes past = good;
  test::PutU32LEAt(past, 18, 0x10000);
  bad.push_back(past);
  Bytes inside = good;
  test::PutU32LEAt(inside, 6, 16);  // the total ends inside a record header
  bad.push_back(inside);
  for (size_t i = 0; i < bad.size(); ++i) {
    CAPTURE(i);
    CHECK_INVALID_METAFILE(WmfCheck(bad[i]));
  }
}

TEST_CASE("WMF records: counts, strings, object indices, bitmaps and regions stay inside their record") {
  CHECK(WmfValid(Wmf({{kMetaPolygon, Params({2, 0, 0, 5, 5})}})));  // polygon of 2 points
  CHECK_FALSE(WmfValid(Wmf({{kMetaPolygon, Params({3, 0, 0, 5, 5})}})));
  CHECK(WmfValid(Wmf({{kMetaPolyPolygon, Params({2, 1, 1, 0, 0, 5, 5})}})));  // two polygons of one point
  CHECK_FALSE(WmfValid(Wmf({{kMetaPolyPolygon, Params({2, 1, 2, 0, 0, 5, 5})}})));
  CHECK_FALSE(WmfValid(Wmf({{kMetaPolyPolygon, Params({2, 0xFFFF, 3, 0, 0, 5, 5})}})));  // a negative count
  CHECK(WmfValid(Wmf({{kMetaSelectObject, Params({1})}})));   // select object 1 of 2
  CHECK_FALSE(WmfValid(Wmf({{kMetaSelectObject, Params({2})}})));
  CHECK_FALSE(WmfValid(Wmf({{kMetaDeleteObject, Params({7})}})));   // delete
  CHECK_FALSE(WmfValid(Wmf({{kMetaFillRegion, Params({0, 9})}})));  // fill region
  CHECK(WmfValid(Wmf({{kMetaSelectClipRegion, Params({0})}})));           // select no clip region
  CHECK(WmfValid(Wmf({{kMetaTextOut, Params({3, 0x6261, 0x0063, 10, 20})}})));  // text "abc"
  CHECK_FALSE(WmfValid(Wmf({{kMetaTextOut, Params({9, 0x6261, 0x0063, 10, 20})}})));
  CHECK_FALSE(WmfValid(Wmf({{kMetaTextOut, Params({0x8000})}})));
  CHECK(WmfValid(Wmf({{kMetaExtTextOut, Params({0, 0, 3, 0, 0x6261, 0x0063})}})));  // extended text
  CHECK_FALSE(WmfValid(Wmf({{kMetaExtTextOut, Params({0, 0, 3, 6, 0x6261, 0x0063})}})));  // with a rectangle it lacks
  CHECK_FALSE(WmfValid(Wmf({{kMetaEllipse, Params({1, 2, 3})}})));  // an ellipse with 3 of its 4 words

  // A stretched DIB: a 2 × 2 24-bit bitmap has 16 bytes of rows.
  auto stretchDib = [](size_t Pixels, uint16_t Bits) {
    TWriter w;
    w.add(StretchDibParams(0)).add(DibHeader(2, 2, Bits)).fill(Pixels, 0);
    return Wmf({{kMetaStretchDIB, w.v}});
  };
  CHECK(WmfValid(stretchDib(16, 24)));
  CHECK_FALSE(WmfValid(stretchDib(14, 24)));
  CHECK_FALSE(WmfValid(stretchDib(64, 2)));
  // A JPEG or PNG image inside: the screen's player draws none and reads
  // only the header.
  for (uint32_t compression : {4u, 5u}) {
    TWriter w;
    w.add(StretchDibParams(0)).add(DibHeader(2, 2, 0, compression, 9)).add({0xFF, 0xD8, 0xFF, 0xE0, 0, 0});
    CHECK(WmfValid(Wmf({{kMetaStretchDIB, w.v}})));
  }
  // DIB bit-blit: the low word of the operation stands where a colour usage would.
  TWriter blit;
  blit.u16(0x0020).u16(0x00CC);
  for (int i = 0; i < 6; ++i) blit.u16(2);
  blit.add(DibHeader(2, 2, 24)).fill(16, 0);
  CHECK(WmfValid(Wmf({{kMetaDIBBitBlt, blit.v}})));

  // The conversion into an enhanced metafile copies a colour table by its
  // used count: an implied count is written out, and one above 256 cut to
  // the 256 the player takes, so that the table stays where it is.
  auto dibRecord = [](const Bytes& Header, size_t Table, const Bytes& Pixels, uint16_t Usage = 0) {
    TWriter w;
    w.add(StretchDibParams(Usage)).add(Header).fill(Table, 0).add(Pixels);
    return Wmf({{kMetaStretchDIB, w.v}});
  };
  CHECK(test::GetU32LEAt(WmfCheck(dibRecord(DibHeader(3, 1, 8), 1024, Bytes(4, 1))), kFirstDibHeader + 32) == 256);
  CHECK(test::GetU32LEAt(WmfCheck(dibRecord(DibHeader(3, 1, 4, 0, 0, 300), 1024, Bytes(4, 1))), kFirstDibHeader + 32) == 256);
  CHECK(test::GetU32LEAt(WmfCheck(dibRecord(DibHeader(3, 1, 24, 0, 0, 0), 0, Bytes(12, 1))), kFirstDibHeader + 32) == 0);
  // A core header has no count to write out, and an odd number of palette
  // indices makes a record no enhanced metafile can hold: such bitmaps are
  // passed over.
  TWriter core;
  core.u32(12).u16(3).u16(1).u16(1).u16(8);
  CHECK(WmfCheck(dibRecord(core.v, 768, Bytes(4, 1)))[18 + 4] == 0x01);
  CHECK(WmfCheck(dibRecord(DibHeader(3, 1, 8, 0, 0, 3), 6, Bytes(4, 1), 1))[18 + 4] == 0x01);
  CHECK(WmfCheck(dibRecord(DibHeader(3, 1, 8, 0, 0, 4), 8, Bytes(4, 1), 1))[18 + 4] == uint8_t(kMetaStretchDIB));
  // Run-length codes are read up to the end of the bitmap; the conversion
  // copies as many bytes as the header's image size, in whole 32-bit words.
  const Bytes codes = {4, 1, 0, 0, 2, 1, 2, 1, 0, 0, 4, 1, 0, 1};  // three rows, then the end
  for (uint32_t sizeImage : {14u, 16u, 48u, 0x10000u}) {
    CAPTURE(sizeImage);
    CHECK(test::GetU32LEAt(WmfCheck(dibRecord(DibHeader(4, 3, 8, 1, sizeImage), 1024, codes)), kFirstDibHeader + 20) == 12);
  }
  CHECK_FALSE(WmfValid(dibRecord(DibHeader(4, 3, 8, 1, 48), 1024, Bytes(6, 0x11))));  // codes that run past the record

  // An old device bitmap: 32 × 2 at 1 bit is 2 words a row.
  CHECK(WmfValid(Wmf({{kMetaBitBlt, Params({0x0020, 0x00CC, 0, 0, 0, 0, 0, 32, 2, 4, 1, 1, 0xAAAA, 0x5555, 1, 2})}})));
  CHECK_FALSE(WmfValid(Wmf({{kMetaBitBlt, Params({0x0020, 0x00CC, 0, 0, 0, 0, 0, 32, 2, 4, 1, 1, 0xAAAA, 0x5555, 1})}})));
  CHECK_FALSE(WmfValid(Wmf({{kMetaBitBlt, Params({0x0020, 0x00CC, 0, 0, 0, 0, 0, 32, 2, 4, 1, 7, 0xAAAA, 0x5555, 1, 2})}})));

  // Regions: the band count and the delimiters are followed as the system does.
  auto region = [](std::initializer_list<uint16_t> Bands, uint16_t Count) {
    TWriter w;
    w.fill(10, 0).u16(Count).fill(10, 0);
    for (uint16_t x : Bands) w.u16(x);
    return Wmf({{kMetaCreateRegion, w.v}});
  };
  CHECK(WmfValid(region({2, 0, 10, 0, 10, 2}, 1)));
  CHECK(WmfValid(region({3, 0, 10, 0, 10, 2}, 1)));  // an odd delimiter: the system stops
  CHECK_FALSE(WmfValid(region({2, 0, 10, 0, 10, 2}, 2)));  // a second band past the record
  CHECK_FALSE(WmfValid(region({2, 0, 10, 0, 10}, 1)));     // the closing delimiter one word past

  // A font's face name is read in full, 32 bytes, even from a short record:
  // where they reach past the metafile the player is handed zeros.
  TWriter font;
  font.fill(18, 0).add({'A', 'r', 'i', 'a', 'l', 0});
  Bytes fontFile = Wmf({{kMetaCreateFontIndirect, font.v}});  // only the end record follows
  Bytes handed = WmfCheck(fontFile);
  REQUIRE(handed.size() == 18 + 6 + 18 + 32);
  CHECK(Bytes(handed.begin(), handed.begin() + ptrdiff_t(fontFile.size())) == fontFile);
  CHECK(std::all_of(handed.begin() + ptrdiff_t(fontFile.size()), handed.end(), [](uint8_t b) { return b == 0; }));
  fontFile = Wmf({{kMetaCreateFontIndirect, font.v}, {kMetaSetWindowOrg, Bytes(40, 0)}});
  CHECK(WmfCheck(fontFile) == fontFile);
  CHECK_FALSE(WmfValid(Wmf({{kMetaCreateFontIndirect, Bytes(16, 0)}})));  // the fixed fields are not all there

  // Chunks of an enhanced metafile carried in escapes.
  TWriter chunk;
  chunk.u16(kMetaEscapeComment).u16(34 + 4).u32(kWmfCommentIdentifier).u32(1).u32(0x10000).u16(0).u32(0).u32(1).u32(4).u32(0).u32(4);
  chunk.u32(0);
  CHECK(WmfValid(Wmf({{kMetaEscape, chunk.v}})));
  test::PutU32LEAt(chunk.v, 4 + 22, 400);  // more chunk than the record holds
  CHECK_FALSE(WmfValid(Wmf({{kMetaEscape, chunk.v}})));

  // Select palette: one word, the palette; the word after it (here the next
  // record's size) is what one player takes for the index, so the record is
  // passed over when that is no index of the table.
  Bytes select = WmfCheck(Wmf({{kMetaSelectPalette, Params({1})}, {kMetaDeleteObject, Params({1})}}, 5));
  CHECK(select[18 + 4] == uint8_t(kMetaSelectPalette));
  select = WmfCheck(Wmf({{kMetaSelectPalette, Params({1})}, {kMetaDeleteObject, Params({1})}}, 2));
  CHECK(select[18 + 4] == 0x01);
  CHECK_FALSE(WmfValid(Wmf({{kMetaSelectPalette, Params({2})}})));

  // A brush whose pattern would be a memory address becomes solid.
  Bytes brush = WmfCheck(Wmf({{kMetaCreateBrushIndirect, Params({6, 0x00FF, 0, 0x1234})}}));
  CHECK(brush[18 + 6] == 0);
}

TEST_CASE("the records of an EMF stay inside the data; the palette comes from its end record") {
  Bytes plain = Emf({EmfRecord(kEmrSetMapMode, Words({8}))});
  CHECK(Check(plain) == 0);
  CHECK(EnhancedMetafilePalette(plain.data(), plain.size()).empty());

  Bytes coloured = Emf({EmfRecord(kEmrSetMapMode, Words({8}))}, 4, {0xFF0000, 0x123456});
  CHECK(Check(coloured) == 2);
  std::vector<TPaletteEntry> palette = EnhancedMetafilePalette(coloured.data(), coloured.size());
  REQUIRE(palette.size() == 2);
  CHECK(palette[0].Red == 0xFF);
  CHECK(palette[1].Red == 0x12);
  CHECK(palette[1].Green == 0x34);
  CHECK(palette[1].Blue == 0x56);

  const size_t first = kEmfHeader, eof = kEmfHeader + 12;
  std::vector<Bytes> bad;
  auto patched = [&](Bytes v, size_t at, uint32_t x) {
    test::PutU32LEAt(v, at, x);
    bad.push_back(v);
  };
  patched(plain, 4, 80);               // header record too small
  patched(plain, 4, 110);              // not a multiple of 4
  patched(plain, first + 4, 6);        // a record smaller than its own header
  patched(plain, first + 4, 0x1000);   // a record past the end
  patched(plain, 68, 3);               // palette counts disagree
  patched(coloured, eof + 12, 40);     // the palette outside its record
  patched(plain, 60, 10);              // a description outside the data
  test::PutU32LEAt(bad.back(), 64, uint32_t(plain.size()) - 4);
  Bytes noSlots = plain;
  noSlots[56] = 0;  // not even the slot of the metafile itself
  bad.push_back(noSlots);
  Bytes cut = plain;
  cut.resize(cut.size() - 4);
  bad.push_back(cut);
  for (size_t i = 0; i < bad.size(); ++i) {
    CAPTURE(i);
    CHECK_INVALID_METAFILE(Check(bad[i]));
  }
  Bytes outside = coloured;
  test::PutU32LEAt(outside, eof + 8, 1000);
  CHECK(EnhancedMetafilePalette(outside.data(), outside.size()).empty());
}

TEST_CASE("EMF records: points, polygon counts, text, object indices and regions") {
  CHECK(Valid(Emf({EmfRecord(kEmrPolyline, Words({0, 0, 9, 9, 2, 1, 1, 5, 5}))})));  // polyline of 2 points
  CHECK_FALSE(Valid(Emf({EmfRecord(kEmrPolyline, Words({0, 0, 9, 9, 3, 1, 1, 5, 5}))})));
  CHECK(Valid(Emf({EmfRecord(kEmrPolyline16, Words({0, 0, 9, 9, 2, 0x00010001, 0x00050005}))})));  // 16-bit points
  CHECK_FALSE(Valid(Emf({EmfRecord(kEmrPolyline16, Words({0, 0, 9, 9, 3, 0x00010001, 0x00050005}))})));
  // Poly-polygon: 2 polygons, 3 points, counts 1 + 2; counts beyond the points are refused.
  CHECK(Valid(Emf({EmfRecord(kEmrPolyPolygon, Words({0, 0, 9, 9, 2, 3, 1, 2, 0, 0, 1, 1, 2, 2}))})));
  CHECK_FALSE(Valid(Emf({EmfRecord(kEmrPolyPolygon, Words({0, 0, 9, 9, 2, 3, 2, 2, 0, 0, 1, 1, 2, 2}))})));

  CHECK(Valid(Emf({EmfRecord(kEmrSelectObject, Words({3}))})));            // select object 3 of 4
  CHECK(Valid(Emf({EmfRecord(kEmrSelectObject, Words({0x80000005}))})));   // a stock object
  CHECK_FALSE(Valid(Emf({EmfRecord(kEmrSelectObject, Words({4}))})));
  CHECK_FALSE(Valid(Emf({EmfRecord(kEmrSelectObject, Words({0}))})));      // the metafile itself
  CHECK_FALSE(Valid(Emf({EmfRecord(kEmrDeleteObject, Words({0xFF000001}))})));  // delete
  CHECK_FALSE(Valid(Emf({EmfRecord(kEmrCreatePen, Words({9, 0, 1, 0, 0}))})));  // create pen in no slot
  CHECK_FALSE(Valid(Emf({EmfRecord(kEmrEllipse, Words({1, 2, 3}))})));       // an ellipse without its box
  // After the end record the player goes on, and so does the check.
  CHECK_FALSE(Valid(Emf({}, 4, {}, {EmfRecord(kEmrSelectObject, Words({7}))})));

  // Text: 2 characters, with and without spacing, inside and outside the record.
  auto text = [](uint32_t Chars, uint32_t OffString, uint32_t OffDx, uint32_t Options = 0) {
    TWriter w;
    w.fill(16, 0).u32(1).u32(0).u32(0);
    w.u32(0).u32(0).u32(Chars).u32(OffString).u32(Options).fill(16, 0).u32(OffDx);
    w.u32(0x00620061).u32(5).u32(5);  // "ab" at 76, spacing at 80
    return Emf({EmfRecord(kEmrExtTextOutW, w.v)});
  };
  CHECK(Valid(text(2, 76, 80)));
  CHECK(Valid(text(2, 76, 0)));
  CHECK_FALSE(Valid(text(2, 76, 80, 0x2000)));  // pairs of spacing: 16 bytes
  CHECK_FALSE(Valid(text(9, 76, 0)));
  CHECK_FALSE(Valid(text(2, 0xFFFFFFF0, 80)));

  // Regions: the rectangles the header counts must be there, and not too many.
  auto fill = [](uint32_t Count, size_t Present) {
    TWriter w;
    w.fill(16, 0).u32(uint32_t(32 + 16 * Present)).u32(1);
    w.u32(32).u32(1).u32(Count).u32(uint32_t(16 * Count)).fill(16, 0).fill(16 * Present, 0);
    return Emf({EmfRecord(kEmrFillRgn, w.v)});
  };
  CHECK(Valid(fill(2, 2)));
  CHECK_FALSE(Valid(fill(3, 2)));
  CHECK_FALSE(Valid(fill(5000, 5000)));

  // Saved states: a few are fine, endless ones are not.
  CHECK(Valid(Emf(std::vector<Bytes>(100, EmfRecord(kEmrSaveDC, {})))));
  CHECK_FALSE(Valid(Emf(std::vector<Bytes>(65537, EmfRecord(kEmrSaveDC, {})))));

  // Gradient fill: 2 vertices and a rectangle of 2 indices.
  TWriter grad;
  grad.fill(16, 0).u32(2).u32(1).u32(0).fill(32, 0).u32(0).u32(1);
  CHECK(Valid(Emf({EmfRecord(kEmrGradientFill, grad.v)})));
  test::PutU32LEAt(grad.v, 24, 2);  // triangles: 3 indices each
  CHECK_FALSE(Valid(Emf({EmfRecord(kEmrGradientFill, grad.v)})));

  // A colour space's file name must end inside the record.
  Bytes space(332, 'a');
  test::PutU32LEAt(space, 0, 1);
  CHECK_FALSE(Valid(Emf({EmfRecord(kEmrCreateColorSpace, space)})));
  space[200] = 0;
  CHECK(Valid(Emf({EmfRecord(kEmrCreateColorSpace, space)})));
}

TEST_CASE("EMF records: bitmaps are read by their own header, inside the record") {
  CHECK(Valid(Emf({StretchDib(DibHeader(2, 2, 24), 0, 16)})));
  CHECK_FALSE(Valid(Emf({StretchDib(DibHeader(2, 2, 24), 0, 12)})));
  CHECK(Valid(Emf({StretchDib(DibHeader(2, -2, 32), 0, 16)})));   // top-down
  CHECK(Valid(Emf({StretchDib(DibHeader(3, 1, 8), 1024, 4)})));   // a full table of 256
  CHECK_FALSE(Valid(Emf({StretchDib(DibHeader(3, 1, 8), 8, 4)})));  // 256 colours claimed, 2 there
  CHECK(Valid(Emf({StretchDib(DibHeader(3, 1, 8, 0, 0, 2), 8, 4)})));  // a table of 2 used colours
  CHECK_FALSE(Valid(Emf({StretchDib(DibHeader(2, 2, 2), 16, 16)})));  // 2 bits per pixel
  CHECK_FALSE(Valid(Emf({StretchDib(DibHeader(0, 2, 24), 0, 16)})));
  CHECK_FALSE(Valid(Emf({StretchDib(DibHeader(100000, 100000, 24), 0, 16)})));
  CHECK(Valid(Emf({StretchDib(DibHeader(4, 4, 8, 1, 6), 1024, 6)})));   // run-length: its own size
  CHECK_FALSE(Valid(Emf({StretchDib(DibHeader(4, 4, 8, 1, 60), 1024, 6)})));
  CHECK_FALSE(Valid(Emf({StretchDib(DibHeader(4, -4, 8, 1, 6), 1024, 6)})));  // run-length top-down
  // Run-length codes are read up to the end of the bitmap, whatever image
  // size the header gives: the end code, the last row's end, a move below
  // the bitmap.
  for (uint32_t sizeImage : {8u, 16u, 400u, 0xFFFFFFu}) {
    CAPTURE(sizeImage);
    CHECK(Valid(Emf({StretchDib(DibHeader(4, 4, 8, 1, sizeImage), 1024, {4, 1, 0, 0, 4, 1, 0, 1})})));
    CHECK(Valid(Emf({StretchDib(DibHeader(4, 2, 8, 1, sizeImage), 1024, {4, 1, 0, 0, 4, 1, 0, 0})})));
    CHECK(Valid(Emf({StretchDib(DibHeader(4, 4, 8, 1, sizeImage), 1024, {4, 1, 0, 2, 0, 9, 0, 0})})));
    CHECK(Valid(Emf({StretchDib(DibHeader(4, 4, 4, 2, sizeImage), 64, {0, 4, 0x12, 0x30, 0, 0, 4, 0x12, 0, 1, 0, 0})})));
  }
  CHECK_FALSE(Valid(Emf({StretchDib(DibHeader(4, 4, 8, 1, 400), 1024, {4, 1, 0, 0, 4, 1, 0, 0})})));  // rows missing
  CHECK_FALSE(Valid(Emf({StretchDib(DibHeader(4, 4, 8, 1, 400), 1024, {0, 9, 1, 1, 1, 1, 1, 1})})));  // a literal run past it
  CHECK_FALSE(Valid(Emf({StretchDib(DibHeader(4, 4, 4, 2, 400), 64, {4, 0x12, 0, 0, 0, 5, 0x12, 0x30})})));
  // A JPEG or PNG image inside, of any size: the screen's player draws none
  // and reads only the header.
  CHECK(Valid(Emf({StretchDib(DibHeader(2, 2, 0, 4, 4), 0, {0xFF, 0xD8, 0xFF, 0xD9})})));
  CHECK(Valid(Emf({StretchDib(DibHeader(2, 2, 0, 5, 0x7FFFFFFF), 0, Bytes(8, 0x89))})));
  CHECK(Valid(Emf({StretchDib(DibHeader(2, 2, 24, 4, 0), 0, 16)})));
  CHECK_FALSE(Valid(Emf({StretchDib(DibHeader(2, 2, 0, 0), 0, 16)})));  // no bits per pixel and no image inside
  CHECK_FALSE(Valid(Emf({StretchDib(DibHeader(2, 2, 0, 6), 0, 16)})));  // a compression no one knows

  // Alpha blend: the pixels are copied into a bitmap of the header's size,
  // which the player cannot make of a compressed one.
  auto blend = [](const Bytes& Header, size_t Pixels, uint32_t BitsBytes) {
    TWriter w;
    w.fill(16, 0).u32(0).u32(0).u32(2).u32(2).u32(0x00FF0000).u32(0).u32(0).fill(24, 0).u32(0);
    w.u32(0).u32(108).u32(uint32_t(Header.size())).u32(uint32_t(108 + Header.size())).u32(BitsBytes).u32(2).u32(2);
    w.add(Header).fill(Pixels, 0x11);
    return Emf({EmfRecord(kEmrAlphaBlend, w.v)});
  };
  CHECK(Valid(blend(DibHeader(2, 2, 32), 16, 16)));
  CHECK_FALSE(Valid(blend(DibHeader(2, 2, 32), 16, 20)));  // more than the bitmap holds
  CHECK_FALSE(Valid(blend(DibHeader(2, 2, 0, 4, 16), 16, 16)));
  CHECK_FALSE(Valid(blend(DibHeader(2, 2, 8, 1, 16), 1040, 16)));

  // A pattern fill by bit-block transfer has no bitmap at all.
  TWriter patBlt;
  patBlt.fill(92, 0);
  CHECK(Valid(Emf({EmfRecord(kEmrBitBlt, patBlt.v)})));

  // Pattern brush: header and pixels are packed together, so they must
  // hold each other's sizes.
  auto pattern = [](uint32_t BmiBytes, uint32_t BitsBytes, size_t Present) {
    TWriter w;
    w.u32(1).u32(0).u32(32).u32(BmiBytes).u32(32 + BmiBytes).u32(BitsBytes);
    w.add(DibHeader(8, 8, 1)).fill(8, 0).fill(Present, 0x55);
    return Emf({EmfRecord(kEmrCreateDIBPatternBrushPt, w.v)});
  };
  CHECK(Valid(pattern(48, 32, 32)));
  CHECK_FALSE(Valid(pattern(48, 31, 31)));
  CHECK_FALSE(Valid(pattern(48, 64, 32)));

  // Brushes and pens that name a memory address become solid; a pixel
  // format becomes a comment.
  Bytes brush = Emf({EmfRecord(kEmrCreateBrushIndirect, Words({1, 6, 0x00FF00, 0x12345678}))});
  Check(brush);
  CHECK(test::GetU32LEAt(brush, kEmfHeader + 12) == 0);
  Bytes pen = Emf({EmfRecord(kEmrExtCreatePen, Words({1, 0, 0, 0, 0, 0, 1, 5, 0, 0x1234, 0}))});
  Check(pen);
  CHECK(test::GetU32LEAt(pen, kEmfHeader + 36) == 0);
  Bytes format = Emf({EmfRecord(kEmrPixelFormat, Bytes(40, 0))});
  Check(format);
  CHECK(test::GetU32LEAt(format, kEmfHeader) == kEmrGdiComment);
  CHECK(test::GetU32LEAt(format, kEmfHeader + 8) == 36);
}
