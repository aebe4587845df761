// Image data decoding: every colour type and depth, progressive and Adam7,
// the five filters, IDAT splitting, damaged data, and writing back.
#include <doctest/doctest.h>

#include <zlib.h>

#include <cstring>

#include "png/png_core.h"
#include "png/png_messages.h"
#include "png_test_encoder.h"
#include "support/byte_writer.h"
#include "platform/byte_order.h"

using namespace vr;
using namespace pngtest;

namespace {

FilterChoice Cycling() {
  return [](size_t row) { return static_cast<uint8_t>(row % 5); };
}

// A zlib stream of one stored block (no compression), so its byte layout is known.
Bytes StoredZlib(const Bytes& raw) {
  const uint16_t len = static_cast<uint16_t>(raw.size());
  vr::test::TByteWriter out;
  out.add({0x78, 0x01, 0x01}).u16(len).u16(static_cast<uint16_t>(~len)).add(raw);
  const uLong adler = adler32(adler32(0, nullptr, 0), raw.data(), static_cast<uInt>(raw.size()));
  return out.u32be(static_cast<uint32_t>(adler)).v;
}

Bytes ImageFile(const TestImage& img, const Bytes& compressed, size_t piece = 0, bool interlaced = false) {
  PngFile f;
  f.Add("IHDR", IhdrData(img.Width, img.Height, img.BitDepth, img.ColorType, interlaced ? 1 : 0));
  return f.AddIdat(compressed, piece).End().Data;
}

std::string ZlibMessage(const char* text) { return std::string(PngText(TPngText::ZLIBError)) + text; }

}  // namespace

TEST_CASE("every colour type and bit depth decodes into the bitmap's layout, progressive and Adam7") {
  const uint32_t sizes[][2] = {{1, 1}, {3, 3}, {9, 7}, {17, 5}, {2, 11}};
  for (const PixelFormat& f : AllFormats) {
    for (bool interlaced : {false, true}) {
      for (const auto& size : sizes) {
        CAPTURE(int(f.type));
        CAPTURE(int(f.depth));
        CAPTURE(interlaced);
        CAPTURE(size[0]);
        CAPTURE(size[1]);
        TestImage img = TestImage::Random(size[0], size[1], f.depth, f.type, size[0] * 31 + f.depth);
        TPNGCore core;
        Load(core, MakePng(img, interlaced, Cycling()));
        CHECK(CompareDecoded(core, img) == "");
      }
    }
  }
}

TEST_CASE("each filter alone treats the bytes left of the first pixel as zero for every pixel size") {
  // Pixel sizes 1 (also below a byte), 2, 3, 4, 6 and 8 bytes.
  const PixelFormat formats[] = {{0, 1}, {0, 8}, {4, 8}, {2, 8}, {6, 8}, {2, 16}, {6, 16}};
  for (const PixelFormat& f : formats) {
    for (uint8_t filter = 0; filter <= 4; ++filter) {
      for (bool interlaced : {false, true}) {
        CAPTURE(int(f.type));
        CAPTURE(int(f.depth));
        CAPTURE(int(filter));
        CAPTURE(interlaced);
        TestImage img = TestImage::Random(13, 6, f.depth, f.type, filter + 100u);
        TPNGCore core;
        Load(core, MakePng(img, interlaced, Filter(filter)));
        CHECK(CompareDecoded(core, img) == "");
      }
    }
  }
}

TEST_CASE("Paeth prefers left, then above, then upper-left") {
  CHECK(PredictPaeth(10, 10, 10) == 10);
  CHECK(PredictPaeth(80, 110, 100) == 80);  // left and upper-left both 10 away: left
  CHECK(PredictPaeth(0, 30, 10) == 30);     // above and upper-left both 10 away: above
  CHECK(PredictPaeth(20, 30, 25) == 25);
  CHECK(PredictPaeth(100, 10, 60) == 60);
  CHECK(PredictPaeth(1, 200, 0) == 200);
  CHECK(PredictPaeth(200, 1, 255) == 1);  // distances beyond a byte
}

TEST_CASE("one IDAT, many one-byte IDATs, or an empty IDAT between them decode alike") {
  TestImage img = TestImage::Random(23, 9, 8, kPNGRGBA, 5);
  for (bool interlaced : {false, true}) {
    Bytes compressed = Zlib(Scanlines(img, interlaced, Cycling()));
    PngFile withEmpty;
    withEmpty.Add("IHDR", IhdrData(23, 9, 8, kPNGRGBA, interlaced ? 1 : 0));
    withEmpty.Add("IDAT", Bytes(compressed.begin(), compressed.begin() + 7)).Add("IDAT");
    withEmpty.Add("IDAT", Bytes(compressed.begin() + 7, compressed.end())).End();
    for (const Bytes& file : {ImageFile(img, compressed, 0, interlaced), ImageFile(img, compressed, 1, interlaced),
                              withEmpty.Data}) {
      TPNGCore core;
      Load(core, file);
      CHECK(CompareDecoded(core, img) == "");
      CHECK(core.ChunkList.Count() == 3);
    }
  }
}

TEST_CASE("image data inflated at once and a row at a time decode alike") {
  // A wrong zlib checksum alone in the last chunk (which the rows never
  // need) or a 16 KB window leaves a file to the streaming inflate; the
  // others are inflated at once.
  auto withWindow14 = [](const Bytes& raw) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 14, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&z, static_cast<uLong>(raw.size())));
    z.next_in = const_cast<Bytef*>(raw.data());
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
  };
  const PixelFormat formats[] = {{0, 8}, {3, 8}, {2, 8}, {4, 8}, {6, 8}, {2, 16}, {6, 16}};
  for (const PixelFormat& f : formats) {
    for (bool interlaced : {false, true}) {
      CAPTURE(int(f.type));
      CAPTURE(int(f.depth));
      CAPTURE(interlaced);
      TestImage img = TestImage::Random(37, 19, f.depth, f.type, f.type * 7u + f.depth);
      const Bytes raw = Scanlines(img, interlaced, Cycling());
      const Bytes whole = Zlib(raw), window14 = withWindow14(raw);
      REQUIRE(window14[0] == 0x68);
      for (int variant = 0; variant < 3; ++variant) {
        CAPTURE(variant);
        const Bytes& compressed = variant == 2 ? window14 : whole;
        const size_t checksumAt = variant == 1 ? compressed.size() - 4 : compressed.size();
        PngFile file;
        file.Add("IHDR", IhdrData(img.Width, img.Height, img.BitDepth, img.ColorType, interlaced ? 1 : 0));
        if (img.ColorType == 3) file.Add("PLTE", Bytes(768, 9));
        file.AddIdat(Bytes(compressed.begin(), compressed.begin() + checksumAt), 100);
        if (variant == 1) file.Add("IDAT", {compressed[checksumAt], 0, 0, 0});
        TPNGCore core;
        CHECK_NOTHROW(Load(core, file.End().Data));
        CHECK(CompareDecoded(core, img) == "");
      }
    }
  }
}

TEST_CASE("an unknown filter type leaves the row as stored") {
  TestImage img = TestImage::Random(6, 2, 8, kPNGGray, 9);
  Bytes raw = Scanlines(img, false, Filter(0));
  raw[0] = 7;
  raw[7] = 200;  // filter bytes of both rows
  TPNGCore core;
  Load(core, ImageFile(img, Zlib(raw)));
  CHECK(CompareDecoded(core, img) == "");
}

TEST_CASE("small Adam7 images use only the passes that have pixels") {
  // 1x1: pass 1 only. 3x3: no pass 2 (column 4) and no pass 3 rows (row 4).
  for (uint32_t side : {1u, 3u}) {
    TestImage img = TestImage::Random(side, side, 8, kPNGRGB, side);
    Bytes raw = Scanlines(img, true, Filter(4));
    CHECK(raw.size() == (side == 1 ? 4u : (1 + 3) + (1 + 3) + (1 + 6) + 2 * (1 + 3) + (1 + 9u)));
    TPNGCore core;
    Load(core, ImageFile(img, Zlib(raw), 0, true));
    CHECK(CompareDecoded(core, img) == "");
  }
}

TEST_CASE("2-bit gray shows the levels 0, 85, 170 and 255 through the gray table") {
  TestImage img;
  img.Width = 4;
  img.Height = 1;
  img.BitDepth = 2;
  img.ColorType = kPNGGray;
  img.Samples = {0, 1, 2, 3};
  for (bool interlaced : {false, true}) {
    TPNGCore core;
    Load(core, MakePng(img, interlaced));
    const TChunkIHDR& h = core.RequireHeader();
    CHECK(h.PixelBits[0] == 0x05);
    CHECK(h.PixelBits[1] == 0xAF);
    for (int k = 0; k < 4; ++k) {
      const TRGBQuad& q = h.DibInfo.Colors[h.PixelBits[k / 2] >> (k % 2 == 0 ? 4 : 0) & 15];
      CHECK(q.rgbRed == 85 * k);
      CHECK(q.rgbGreen == 85 * k);
      CHECK(q.rgbBlue == 85 * k);
    }
  }
}

TEST_CASE("gray tables and truecolour samples pass through gamma; indices, gray bytes and alpha do not") {
  const Bytes gama = {0x00, 0x01, 0x86, 0xA0};  // 100000
  TestImage rgb = TestImage::Random(5, 5, 16, kPNGRGBA, 77);
  rgb.At(0, 0, 0) = 128 << 8 | 0xFF;  // the low byte has no effect
  TPNGCore core;
  Load(core, MakePng(rgb, false, Filter(3), {{"gAMA", gama}}));
  CHECK(CompareDecoded(core, rgb, core.GammaMap) == "");
  CHECK(core.RequireHeader().RowAddress(0)[2] == 186);

  TestImage gray = TestImage::Random(5, 5, 4, kPNGGray, 78);
  Load(core, MakePng(gray, true, Filter(2), {{"gAMA", gama}}));
  CHECK(CompareDecoded(core, gray) == "");
  const TChunkIHDR& h = core.RequireHeader();
  CHECK(h.DibInfo.Colors[0].rgbRed == 0);
  CHECK(h.DibInfo.Colors[8].rgbRed == core.GammaMap[136]);
  CHECK(h.DibInfo.Colors[15].rgbBlue == 255);
  CHECK(h.DibInfo.Colors[16].rgbBlue == 0);

  TestImage one = TestImage::Random(9, 2, 1, kPNGGray, 79);
  Load(core, MakePng(one, false));
  CHECK(core.RequireHeader().DibInfo.Colors[1].rgbGreen == 255);
  CHECK(core.RequireHeader().DibInfo.Colors[2].rgbGreen == 0);
}

TEST_CASE("damaged image data fails with the image data's own errors") {
  TestImage img = TestImage::Random(40, 30, 8, kPNGRGB, 11);
  const Bytes compressed = Zlib(Scanlines(img, false, Cycling()));
  TPNGCore core;

  SUBCASE("a file that ends inside the data keeps the rows decoded so far") {
    Bytes f = ImageFile(img, compressed);
    f.resize(8 + 25 + 8 + compressed.size() / 2);
    CHECK_THROWS_WITH_AS(Load(core, f), PngText(TPngText::InvalidCRC), EPngInvalidCRC);
    const TChunkIHDR& h = core.RequireHeader();
    CHECK(h.RowAddress(0)[2] == img.At(0, 0, 0));
    CHECK(h.RowAddress(29)[0] == 0);
  }
  SUBCASE("corrupt compressed data") {
    Bytes bad = compressed;
    bad[0] = 0x79;  // a header whose check bits fail
    CHECK_THROWS_WITH_AS(Load(core, ImageFile(img, bad)), ZlibMessage("data error (-3)").c_str(), EPNGZLIBError);
  }
  SUBCASE("the image data stops before the image does") {
    PngFile f;
    f.Add("IHDR", IhdrData(40, 30, 8, kPNGRGB)).AddIdat(Bytes(compressed.begin(), compressed.begin() + 50)).End();
    CHECK_THROWS_WITH_AS(Load(core, f.Data), PngText(TPngText::MissingMultipleIDAT), EPNGMissingMultipleIDAT);
    PngFile g;
    g.Add("IHDR", IhdrData(40, 30, 8, kPNGRGB)).Add("IDAT").Add("tEXt", {'a', 0, 'b'});
    CHECK_THROWS_AS(Load(core, g.Data), EPNGMissingMultipleIDAT);
  }
  SUBCASE("a compressed stream shorter than the image leaves the rest zero") {
    Bytes part = Scanlines(img, false, Cycling());
    part.resize(part.size() / 3);
    Bytes shortStream = Zlib(part);
    shortStream.insert(shortStream.end(), {1, 2, 3, 4, 5});  // input left over after the stream's end
    CHECK_NOTHROW(Load(core, ImageFile(img, shortStream)));
    const TChunkIHDR& h = core.RequireHeader();
    CHECK(h.RowAddress(0)[2] == img.At(0, 0, 0));
    CHECK(h.RowAddress(29)[0] == 0);
  }
  SUBCASE("a stream that asks for a dictionary") {
    z_stream z{};
    deflateInit(&z, 6);
    const Bytes dict = {1, 2, 3};
    deflateSetDictionary(&z, dict.data(), 3);
    Bytes raw = Scanlines(img, false, Filter(0)), out(raw.size() + 100);
    z.next_in = raw.data();
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    CHECK_THROWS_WITH_AS(Load(core, ImageFile(img, out)), ZlibMessage("need dictionary (2)").c_str(), EPNGZLIBError);
  }
}

TEST_CASE("a chunk whose last block holds only the zlib checksum still passes its CRC") {
  // 8190 x 8 gray rows make 65528 raw bytes; as one stored block the chunk is
  // 65539 bytes, so the first 65535-byte block completes the image and the
  // last 4 bytes (the checksum) are never needed by inflate.
  TestImage img = TestImage::Random(8190, 8, 8, kPNGGray, 3);
  Bytes raw = Scanlines(img, false, Cycling());
  REQUIRE(raw.size() == 65528);
  Bytes stored = StoredZlib(raw);
  REQUIRE(stored.size() == 65539);
  TPNGCore core;
  CHECK_NOTHROW(Load(core, ImageFile(img, stored)));
  CHECK(CompareDecoded(core, img) == "");
  // A damaged checksum block is still caught by the chunk CRC.
  Bytes f = ImageFile(img, stored);
  f[f.size() - 12 - 4 - 2] ^= 1;
  CHECK_THROWS_AS(Load(core, f), EPngInvalidCRC);
}

TEST_CASE("written images read back with the same pixels") {
  for (const PixelFormat& f : AllFormats) {
    for (bool interlaced : {false, true}) {
      CAPTURE(int(f.type));
      CAPTURE(int(f.depth));
      CAPTURE(interlaced);
      TestImage img = TestImage::Random(11, 7, f.depth, f.type, 500u + f.depth);
      TPNGCore core;
      Load(core, MakePng(img, interlaced, Cycling(), {{"tEXt", {'k', 0, 'v'}}, {"zTXt", {'z', 0, 0, 0x78, 0x9C, 3, 0, 0, 0, 0, 1}}}));
      core.RowFilters = AllRowFilters;
      TMemoryStream out;
      core.SaveToStream(out);
      TPNGCore again;
      TMemoryStream in(out.Bytes());
      again.LoadFromStream(in);
      CHECK(again.Interlacing == (interlaced ? 1 : 0));
      CHECK(again.RequireHeader().BitDepth == (f.depth == 2 ? 4 : f.depth));
      if (f.depth == 2) {
        // Written as 4-bit: the bitmap bytes are unchanged.
        CHECK(std::memcmp(again.RequireHeader().PixelBits, core.RequireHeader().PixelBits,
                          core.RequireHeader().RowStride * 7) == 0);
      } else {
        CHECK(CompareDecoded(again, img) == "");
      }
      if (f.type == kPNGPalette) CHECK(again.ChunkList.FindChunk<TChunkPLTE>()->Entry(1) == core.ChunkList.FindChunk<TChunkPLTE>()->Entry(1));
      CHECK(again.ChunkList.FindChunk<TChunkzTXt>()->Keyword == "z");
      CHECK(again.ChunkList.FindChunk<TChunkzTXt>()->Text == " ");
    }
  }
}

TEST_CASE("written image data is split at the chunk limit") {
  TestImage img = TestImage::Random(300, 300, 8, kPNGRGB, 1);
  TPNGCore core;
  Load(core, MakePng(img, false));
  core.DeflateLevel = 0;
  core.RowFilters = RowFilterSet(rfNone);
  TMemoryStream out;
  core.SaveToStream(out);
  size_t idats = 0;
  const Bytes& b = out.Bytes();
  for (size_t at = 8; at + 8 <= b.size();) {
    const uint32_t len = GetU32BE(&b[at]);
    if (std::memcmp(&b[at + 4], "IDAT", 4) == 0) {
      ++idats;
      CHECK(len <= 65535);
    }
    at += 12 + len;
  }
  CHECK(idats == 5);  // 270300 bytes stored
  TPNGCore again;
  TMemoryStream in(b);
  again.LoadFromStream(in);
  CHECK(CompareDecoded(again, img) == "");
}
