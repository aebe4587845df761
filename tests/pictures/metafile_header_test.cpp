#include <doctest/doctest.h>

#include "support/byte_writer.h"

#include <vector>

#include "pictures/graphic_errors.h"
#include "pictures/metafile/metafile_header.h"

using namespace vr;

namespace {

using Bytes = vr::test::TByteWriter;

// A placeable header with a correct checksum, then a few record bytes.
std::vector<uint8_t> Placeable(int16_t right, int16_t bottom, uint16_t inch) {
  Bytes b;
  b.u32(kPlaceableKey).u16(0).u16(0).u16(0).u16(uint16_t(right)).u16(uint16_t(bottom)).u16(inch).u32(0);
  b.u16(PlaceableChecksum(b.v.data()));
  b.u16(1).u16(9).u16(0x300);  // start of the records
  return b.v;
}

// An EMF header of 100 bytes, then records up to Bytes.
std::vector<uint8_t> Emf(int32_t right, int32_t bottom, uint32_t total, uint32_t signature = kEmfSignature) {
  Bytes b;
  b.u32(1).u32(100);
  b.u32(0).u32(0).u32(0).u32(0);                                      // bounds
  b.u32(0).u32(0).u32(uint32_t(right)).u32(uint32_t(bottom));         // frame, 0.01 mm
  b.u32(signature).u32(0x10000).u32(total).u32(2).u16(1).u16(0);      // at 40
  b.u32(0).u32(0).u32(0);                                             // description, palette
  b.u32(1024).u32(768).u32(320).u32(240);                             // at 72: pixels, mm
  b.fill(100 - b.v.size(), 0);
  b.fill(total > 100 ? total - 100 : 8, 0x14);
  return b.v;
}

#define CHECK_INVALID_METAFILE(expr) CHECK_THROWS_WITH_AS(expr, "Metafile is not valid", EInvalidGraphic)

}  // namespace

TEST_CASE("a placeable WMF measures its box in 0.01 mm and in screen pixels") {
  TMemoryStream s(Placeable(1440, 720, 1440));
  TPlaceableHeader h;
  std::vector<uint8_t> records = ReadPlaceableMetafile(s, h);
  CHECK(records.size() == 6);
  CHECK(records[2] == 9);
  TMetafileSize size = PlaceableSize(h);
  CHECK(size.Width == 2540);
  CHECK(size.Height == 1270);
  CHECK(MetafilePixels(size.Width, h.Inch, 0, 0, 96) == 96);
  CHECK(MetafilePixels(size.Height, h.Inch, 0, 0, 96) == 48);

  TMemoryStream z(Placeable(96, 48, 0));  // inch 0 counts as 96
  TPlaceableHeader hz = ReadPlaceableHeader(z);
  CHECK(PlaceableSize(hz).Width == 2540);
  CHECK(PlaceableSize(hz).Height == 1270);

  TMemoryStream r(Placeable(100, 1, 1000));  // 254 and 2.54: rounded to nearest
  TPlaceableHeader hr = ReadPlaceableHeader(r);
  CHECK(PlaceableSize(hr).Width == 254);
  CHECK(PlaceableSize(hr).Height == 3);
}

TEST_CASE("a WMF without a right placeable header is refused") {
  std::vector<uint8_t> good = Placeable(1440, 720, 1440);
  for (size_t bit : {0u, 9u, 8 * 14 + 3u, 8 * 20u}) {  // key, box... inch, checksum
    std::vector<uint8_t> bad = good;
    bad[bit / 8] ^= uint8_t(1 << (bit % 8));
    TMemoryStream s(bad);
    CHECK_INVALID_METAFILE(ReadPlaceableHeader(s));
  }
  std::vector<uint8_t> plain = {1, 0, 9, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  TMemoryStream p(plain);
  CHECK_INVALID_METAFILE(ReadPlaceableHeader(p));
  std::vector<uint8_t> shortHeader(good.begin(), good.begin() + 20);
  TMemoryStream sh(shortHeader);
  CHECK_THROWS_WITH_AS(ReadPlaceableHeader(sh), "Stream read error", EReadError);
}

TEST_CASE("an EMF is recognised from its first 100 bytes and sized from its frame and device") {
  std::vector<uint8_t> emf = Emf(5080, 2540, 140);
  TMemoryStream s(emf);
  s.SetPosition(0);
  CHECK(IsEnhancedMetafileStream(s));
  CHECK(s.Position() == 0);
  TEmfHeaderFields h;
  std::vector<uint8_t> bytes = ReadEnhancedMetafile(s, h);
  CHECK(bytes == emf);
  TMetafileSize size = EmfFrameSize(h);
  CHECK(size.Width == 5080);
  CHECK(size.Height == 2540);
  // 5080 × 1024 ÷ 32000 = 162.56; 2540 × 768 ÷ 24000 = 81.28
  CHECK(MetafilePixels(size.Width, 0, h.DevicePixelsX, h.DeviceMillimetersX, 96) == 163);
  CHECK(MetafilePixels(size.Height, 0, h.DevicePixelsY, h.DeviceMillimetersY, 96) == 81);
  // A header without a reference device size falls back to the screen.
  CHECK(MetafilePixels(size.Width, 0, 1024, 0, 96) == 192);

  // Exactly 100 bytes, a WMF, or a wrong record type: not an EMF.
  std::vector<uint8_t> hundred(emf.begin(), emf.begin() + 100);
  TMemoryStream h100(hundred);
  CHECK_FALSE(IsEnhancedMetafileStream(h100));
  TMemoryStream wmf(Placeable(10, 10, 1440));
  CHECK_FALSE(IsEnhancedMetafileStream(wmf));
  std::vector<uint8_t> type2 = emf;
  type2[0] = 2;
  TMemoryStream t2(type2);
  CHECK_FALSE(IsEnhancedMetafileStream(t2));
}

TEST_CASE("damaged EMF headers") {
  TEmfHeaderFields h;
  TMemoryStream badSig(Emf(10, 10, 140, 0x464D4521));
  CHECK_INVALID_METAFILE(ReadEnhancedMetafile(badSig, h));
  TMemoryStream tooSmall(Emf(10, 10, 60));
  CHECK_INVALID_METAFILE(ReadEnhancedMetafile(tooSmall, h));
  std::vector<uint8_t> claims = Emf(10, 10, 140);
  claims[48] = 0xFF; claims[49] = 0xFF; claims[50] = 0xFF; claims[51] = 0x7F;  // 2 GB claimed
  TMemoryStream big(claims);
  CHECK_THROWS_WITH_AS(ReadEnhancedMetafile(big, h), "Stream read error", EReadError);

  std::vector<uint8_t> wide = Emf(10, 10, 140);
  wide[24] = 0x00; wide[25] = 0x00; wide[26] = 0x00; wide[27] = 0x80;  // left = INT32_MIN
  wide[32] = 0xFF; wide[33] = 0xFF; wide[34] = 0xFF; wide[35] = 0x7F;  // right = INT32_MAX
  TMemoryStream w(wide);
  ReadEnhancedMetafile(w, h);
  CHECK_INVALID_METAFILE(EmfFrameSize(h));
}

TEST_CASE("rounding of the size rules") {
  CHECK(MulDivRound(5, 1, 2) == 3);
  CHECK(MulDivRound(-5, 1, 2) == -3);
  CHECK(MulDivRound(7, 3, -2) == -11);
  CHECK(MulDivRound(1, 1, 0) == 0);
  CHECK(MetafilePixels(-2540, 1440, 0, 0, 96) == -96);
}
