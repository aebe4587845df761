#include <doctest/doctest.h>

#include "support/byte_writer.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include "pictures/bmp/bmp_format.h"
#include "pictures/graphic_errors.h"
#include "platform/byte_order.h"

using namespace vr;

namespace {

using Bytes = vr::test::TByteWriter;

struct BmpShape {
  uint32_t headerSize = 40;
  int32_t width = 3, height = 2;
  uint16_t planes = 1, bits = 24;
  uint32_t compression = 0, sizeImage = 0, clrUsed = 0;
};

// File header + info header of the given size (fields past 40 are zero).
Bytes Headers(const BmpShape& s, uint32_t pixelOffset = 0) {
  Bytes b;
  b.u16(0x4D42).u32(0).u32(0).u32(pixelOffset);
  b.u32(s.headerSize).u32(uint32_t(s.width)).u32(uint32_t(s.height)).u16(s.planes).u16(s.bits);
  b.u32(s.compression).u32(s.sizeImage).u32(2835).u32(2835).u32(s.clrUsed).u32(0);
  if (s.headerSize > 40) b.fill(s.headerSize - 40, 0);
  if (s.headerSize < 40) b.v.resize(14 + s.headerSize);
  return b;
}

TBitmapFileInfo Read(const Bytes& b) {
  TMemoryStream s(b.v);
  return ReadBitmapFileHeaders(s);
}

// A stream of Size bytes of which only the first (the headers) may be read:
// a reader that goes on into the rest fails.
class HeadersOnlyStream : public TStream {
 public:
  HeadersOnlyStream(std::vector<uint8_t> Headers, int64_t Size) : FHeaders(std::move(Headers)), FSize(Size) {}
  size_t Read(void* Buffer, size_t Count) override {
    if (FPosition + static_cast<int64_t>(Count) > static_cast<int64_t>(FHeaders.size()))
      throw std::logic_error("read past the headers");
    std::memcpy(Buffer, FHeaders.data() + FPosition, Count);
    FPosition += static_cast<int64_t>(Count);
    return Count;
  }
  size_t Write(const void*, size_t) override { return 0; }
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
    FPosition = Offset + (Origin == TSeekOrigin::soCurrent ? FPosition : Origin == TSeekOrigin::soEnd ? FSize : 0);
    return FPosition;
  }
  int64_t Size() override { return FSize; }

 private:
  std::vector<uint8_t> FHeaders;
  int64_t FSize;
  int64_t FPosition = 0;
};

#define CHECK_INVALID_BITMAP(expr) CHECK_THROWS_WITH_AS(expr, "Bitmap image is not valid", EInvalidGraphic)
#define CHECK_READ_ERROR(expr) CHECK_THROWS_WITH_AS(expr, "Stream read error", EReadError)

}  // namespace

TEST_CASE("an empty stream is an empty bitmap; a wrong signature is refused") {
  TMemoryStream empty;
  CHECK(ReadBitmapFileHeaders(empty).Empty);

  Bytes b = Headers({});
  b.v[0] = 'B';
  b.v[1] = 'A';
  CHECK_INVALID_BITMAP(Read(b));
  Bytes tiny;
  tiny.u16(0x4D42).u32(0);
  CHECK_READ_ERROR(Read(tiny));  // ends inside the file header
}

TEST_CASE("a 24-bit file reads its pixels straight after the header, whatever its pixel offset says") {
  Bytes b = Headers({}, /*pixelOffset=*/999);
  for (int i = 0; i < 24; ++i) b.u8(uint8_t(i + 1));
  b.u8(0xEE);  // trailing byte beyond the image size
  TMemoryStream s(b.v);
  TBitmapFileInfo info = ReadBitmapFileHeaders(s);
  CHECK_FALSE(info.Empty);
  CHECK_FALSE(info.Compressed());
  CHECK(info.Width() == 3);
  CHECK(info.Height() == 2);
  CHECK_FALSE(info.TopDown());
  CHECK(info.RowSize() == 12);
  CHECK(info.ImageSize == 24);
  CHECK(info.PixelByteCount == 24);
  CHECK(info.ColorTable.empty());
  CHECK(info.BitmapInfo().Bytes().size() == 40);

  std::vector<uint8_t> dib(24, 0);
  TLentPixelSink lent({dib.data(), dib.size()});
  CHECK(ReadBitmapPixels(s, info, lent) == 24);
  CHECK(dib[0] == 1);
  CHECK(dib[23] == 24);
}

TEST_CASE("top-down and bottom-up files report the same size") {
  BmpShape shape;
  shape.height = -2;
  Bytes b = Headers(shape);
  b.fill(24, 0);
  TBitmapFileInfo info = Read(b);
  CHECK(info.Height() == 2);
  CHECK(info.TopDown());
  CHECK(info.PixelByteCount == 24);
}

TEST_CASE("a core header becomes an info header and its 3-byte colours 4-byte ones") {
  Bytes b;
  b.u16(0x4D42).u32(0).u32(0).u32(0);
  b.u32(12).u16(4).u16(2).u16(1).u16(8);
  for (int i = 0; i < 256; ++i) b.u8(uint8_t(i)).u8(uint8_t(255 - i)).u8(7);
  b.fill(8, 0x55);
  TBitmapFileInfo info = Read(b);
  CHECK(info.OS2Format);
  CHECK(info.Header.biSize == 40);
  CHECK(info.Header.biWidth == 4);
  CHECK(info.Header.biHeight == 2);
  CHECK(info.Header.biBitCount == 8);
  CHECK(info.Header.biCompression == 0);
  REQUIRE(info.ColorTable.size() == 256);
  CHECK(info.ColorTable[10] == TRGBQuad{10, 245, 7, 0});
  CHECK(info.PixelByteCount == 8);
  std::vector<uint8_t> bmi = info.BitmapInfo().Bytes();
  REQUIRE(bmi.size() == 40 + 1024);
  CHECK(bmi[40 + 4 * 10] == 10);
  CHECK(bmi[40 + 4 * 10 + 3] == 0);
}

TEST_CASE("colour counts: the depth's default, an explicit count, and more than 256") {
  BmpShape shape;
  shape.bits = 4;
  Bytes four = Headers(shape);
  four.fill(16 * 4, 1).fill(8, 2);
  CHECK(Read(four).ColorTable.size() == 16);

  shape.clrUsed = 3;
  Bytes three = Headers(shape);
  three.fill(3 * 4, 1).fill(8, 2);
  TBitmapFileInfo info3 = Read(three);
  CHECK(info3.ColorTable.size() == 3);
  CHECK(info3.BitmapInfo().Bytes().size() == 40 + 12);

  // A true-colour file with a 300-entry table: 256 kept, the rest stepped
  // over, so the pixels are still found.
  BmpShape big;
  big.clrUsed = 300;
  Bytes b = Headers(big);
  for (int i = 0; i < 300; ++i) b.u8(uint8_t(i)).u8(0).u8(0).u8(0);
  b.fill(24, 0xAB);
  TMemoryStream s(b.v);
  TBitmapFileInfo info = ReadBitmapFileHeaders(s);
  CHECK(info.ColorTable.size() == 256);
  CHECK(info.Header.biClrUsed == 256);
  CHECK(info.PixelByteCount == 24);
  std::vector<uint8_t> dib(24);
  TLentPixelSink lent({dib.data(), dib.size()});
  ReadBitmapPixels(s, info, lent);
  CHECK(dib[0] == 0xAB);

  // A count that claims far more than the file holds ends in a read error.
  BmpShape huge;
  huge.bits = 8;
  huge.clrUsed = 0xFFFFFFFF;
  Bytes h = Headers(huge);
  h.fill(2048, 0);
  CHECK_READ_ERROR(Read(h));
  Bytes cut = Headers(shape);  // three colours declared, one present
  cut.fill(4, 0);
  CHECK_READ_ERROR(Read(cut));
}

TEST_CASE("bit-field masks: after a 40-byte header, or from inside a larger one") {
  BmpShape shape;
  shape.bits = 16;
  shape.compression = 3;
  Bytes b = Headers(shape);
  b.u32(0xF800).u32(0x07E0).u32(0x001F);
  b.fill(16, 0x11);
  TBitmapFileInfo info = Read(b);
  CHECK(info.HasMasks);
  CHECK(info.Masks[1] == 0x07E0);
  CHECK(info.PixelByteCount == 16);  // rows of 8 bytes, masks not counted
  std::vector<uint8_t> bmi = info.BitmapInfo().Bytes();
  REQUIRE(bmi.size() == 52);
  CHECK(bmi[44] == 0xE0);

  BmpShape v4 = shape;
  v4.headerSize = 108;
  Bytes c = Headers(v4);
  c.v[14 + 40] = 0x00; c.v[14 + 41] = 0x7C;  // red 0x7C00
  c.v[14 + 44] = 0xE0; c.v[14 + 45] = 0x03;  // green 0x03E0
  c.v[14 + 48] = 0x1F;                       // blue 0x001F
  c.fill(16, 0x22);
  TBitmapFileInfo i4 = Read(c);
  CHECK(i4.StoredHeaderSize == 108);
  CHECK(i4.HasMasks);
  CHECK(i4.Masks[0] == 0x7C00);
  CHECK(i4.Masks[1] == 0x03E0);
  CHECK(i4.PixelByteCount == 16);
  CHECK(i4.BitmapInfo().Bytes().size() == 52);  // given as 40 bytes + masks

  // A header of 41 to 51 bytes cannot hold the masks: they follow it.
  for (uint32_t size : {44u, 51u}) {
    CAPTURE(size);
    BmpShape odd = shape;
    odd.headerSize = size;
    Bytes e = Headers(odd);
    e.u32(0xF800).u32(0x07E0).u32(0x001F);
    e.fill(16, 0x33);
    TBitmapFileInfo ie = Read(e);
    CHECK(ie.HasMasks);
    CHECK(ie.Masks[0] == 0xF800);
    CHECK(ie.Masks[2] == 0x001F);
    CHECK(ie.PixelByteCount == 16);
    CHECK(ie.BitmapInfo().Bytes().size() == 52);
  }

  // Other depths read no masks, but the system is still handed three (zero)
  // masks with the bit-field header rather than read past its block.
  BmpShape odd = shape;
  odd.bits = 24;
  Bytes d = Headers(odd);
  d.fill(24, 0);
  TBitmapFileInfo id = Read(d);
  CHECK_FALSE(id.HasMasks);
  CHECK(id.PixelByteCount == 24);
  std::vector<uint8_t> bmiOdd = id.BitmapInfo().Bytes();
  REQUIRE(bmiOdd.size() == 52);
  CHECK(GetU32LE(bmiOdd.data() + 40) == 0);
}

TEST_CASE("RLE files are kept compressed with their header, and the system is never told of bytes that are not there") {
  BmpShape shape;
  shape.bits = 8;
  shape.compression = 1;
  shape.width = 4;
  shape.clrUsed = 2;
  shape.sizeImage = 100;  // more than the file holds
  Bytes b = Headers(shape);
  b.u32(0x000000FF).u32(0x00FFFFFF);
  const uint8_t rle[] = {4, 1, 0, 0, 4, 0, 0, 1};
  for (uint8_t x : rle) b.u8(x);
  TBitmapFileInfo info = Read(b);
  REQUIRE(info.Compressed());
  CHECK(info.CompressedData->Size() == 40 + 8 + 8);
  CHECK(info.CompressedData->Memory()[0] == 40);  // starts with the header as stored
  CHECK(info.ColorTable.size() == 2);
  CHECK(info.PixelByteCount == 8);
  CHECK(std::memcmp(info.CompressedPixels(), rle, 8) == 0);
  std::vector<uint8_t> bmi = info.BitmapInfo().Bytes();
  CHECK(GetU32LE(bmi.data() + 20) == 8);  // biSizeImage = bytes present
  std::vector<uint8_t> temp(8);
  TMemoryStream unused;
  TLentPixelSink lent({temp.data(), temp.size()});
  CHECK(ReadBitmapPixels(unused, info, lent) == 8);
  CHECK(temp[4] == 4);

  // Compressed data is copied whole, so a file of more than 1 GiB, or one
  // whose dimensions are absurd, is refused before the copy.
  Bytes head = Headers(shape);
  head.u32(0).u32(0);
  HeadersOnlyStream huge(head.v, int64_t{3} << 29);  // 1.5 GiB
  CHECK_INVALID_BITMAP(ReadBitmapFileHeaders(huge));
  BmpShape absurd = shape;
  absurd.width = absurd.height = 100000;
  HeadersOnlyStream wide(Headers(absurd).v, 1 << 20);
  CHECK_INVALID_BITMAP(ReadBitmapFileHeaders(wide));
  // Exactly 1 GiB of data after the headers is still copied (here: read).
  HeadersOnlyStream atCap(head.v, static_cast<int64_t>(14 + 40 + (uint64_t{1} << 30)));
  CHECK_THROWS_WITH_AS(ReadBitmapFileHeaders(atCap), "read past the headers", std::logic_error);
}

TEST_CASE("a file cut short in its rows loads what is there, and pixels never run past the memory given") {
  Bytes b = Headers({});
  b.fill(18, 0x77);  // one and a half rows of two
  TMemoryStream s(b.v);
  TBitmapFileInfo info = ReadBitmapFileHeaders(s);
  CHECK(info.ImageSize == 24);
  CHECK(info.PixelByteCount == 18);
  std::vector<uint8_t> dib(24, 0xCC);
  TLentPixelSink lent({dib.data(), dib.size()});
  CHECK(ReadBitmapPixels(s, info, lent) == 18);
  CHECK(dib[17] == 0x77);
  CHECK(dib[18] == 0xCC);

  BmpShape lying;
  lying.sizeImage = 1000;  // the image size claims more than the bitmap holds
  Bytes c = Headers(lying);
  c.fill(1000, 0x33);
  TMemoryStream s2(c.v);
  TBitmapFileInfo info2 = ReadBitmapFileHeaders(s2);
  CHECK(info2.PixelByteCount == 1000);
  std::vector<uint8_t> mem(24 + 8, 0xCC);
  TLentPixelSink lent2({mem.data(), 24});
  CHECK(ReadBitmapPixels(s2, info2, lent2) == 24);
  CHECK(mem[24] == 0xCC);
}

TEST_CASE("planes other than 1, impossible headers and absurd dimensions are refused") {
  BmpShape planes;
  planes.planes = 2;
  Bytes p = Headers(planes);
  p.fill(24, 0);
  CHECK_INVALID_BITMAP(Read(p));

  BmpShape tiny;
  tiny.headerSize = 8;
  CHECK_INVALID_BITMAP(Read(Headers(tiny)));

  // A 16-byte header (width, height, planes, depth) loads with the rest 0.
  BmpShape short16;
  short16.headerSize = 16;
  Bytes s16 = Headers(short16);
  s16.fill(24, 0);
  TBitmapFileInfo i16 = Read(s16);
  CHECK(i16.Header.biCompression == 0);
  CHECK(i16.Header.biClrUsed == 0);
  CHECK(i16.PixelByteCount == 24);

  Bytes hh;
  hh.u16(0x4D42).u32(0).u32(0).u32(0).u32(0xFFFFFF00).fill(64, 0);
  CHECK_READ_ERROR(Read(hh));

  BmpShape wide;
  wide.width = 100000;
  wide.height = 100000;
  CHECK_INVALID_BITMAP(Read(Headers(wide)));
  BmpShape negative;
  negative.width = -5;
  CHECK_INVALID_BITMAP(Read(Headers(negative)));
  BmpShape minHeight;
  minHeight.height = INT32_MIN;
  CHECK_INVALID_BITMAP(Read(Headers(minHeight)));
  BmpShape deep;  // 16384 × 16384 pixels at 32 bits: 1 GiB exactly is allowed, 48 bits is not
  deep.width = 16384;
  deep.height = 16384;
  deep.bits = 48;
  CHECK_INVALID_BITMAP(Read(Headers(deep)));
}

TEST_CASE("the bitmap model: row strides, short headers, and masks after every bit-field header") {
  struct TStride {
    int64_t Width;
    uint32_t Bits;
    uint64_t Bytes;
  };
  for (const TStride& s : {TStride{1, 1, 4}, TStride{33, 1, 8}, TStride{3, 24, 12}, TStride{5, 8, 8},
                           TStride{0, 24, 0}, TStride{-4, 8, 0}, TStride{INT64_MAX, 32, UINT64_MAX}}) {
    CAPTURE(s.Width);
    CAPTURE(s.Bits);
    CHECK(DibRowStride(s.Width, s.Bits) == s.Bytes);
  }

  // A 16-byte header gives size, planes and depth; the rest stays 0.
  const std::vector<uint8_t> shortHeader = Bytes().u32(16).u32(7).u32(uint32_t(-3)).u16(1).u16(8).v;
  const TBitmapInfoHeader h = ReadDibHeader(shortHeader.data(), shortHeader.size());
  CHECK((h.biSize == 40 && h.biWidth == 7 && h.biHeight == -3 && h.TopDown() && h.biBitCount == 8));
  CHECK((h.biCompression == 0 && h.biClrUsed == 0));

  TDibInfo dib{.Header = h, .Colors = {TRGBQuad{1, 2, 3, 9}}};
  CHECK(dib.Bytes() == Bytes().u32(40).u32(7).u32(uint32_t(-3)).u16(1).u16(8).fill(24, 0).u8(1).u8(2).u8(3).u8(0).v);
  dib.Header.biCompression = kDibBitFields;  // masks given or not, three of them follow
  dib.Colors.clear();
  REQUIRE(dib.Bytes().size() == 52);
  dib.Masks = {0xF800, 0x07E0, 0x001F};
  CHECK(GetU32LE(dib.Bytes().data() + 44) == 0x07E0);
}
