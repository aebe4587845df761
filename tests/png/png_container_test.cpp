// The container: signature, chunk framing and CRC, the chunk registry and
// list, the load loop and its errors.
#include <doctest/doctest.h>

#include <cstring>

#include "platform/byte_order.h"
#include "png/png_core.h"
#include "png/png_crc.h"
#include "png/png_messages.h"
#include "png_test_encoder.h"

using namespace vr;
using namespace pngtest;

namespace {

const std::string Pngq = "\"Portable Network Graphics\"";

// A valid 2x2 gray image, chunk by chunk.
PngFile Start(uint8_t depth = 8, uint8_t colorType = kPNGGray) {
  PngFile f;
  f.Add("IHDR", IhdrData(2, 2, depth, colorType));
  return f;
}
Bytes GrayIdat() { return Zlib(Scanlines(TestImage::Random(2, 2, 8, kPNGGray, 1), false, Filter(0))); }

}  // namespace

TEST_CASE("every message text is the program's own, byte for byte") {
  CHECK(std::string(PngText(TPngText::InvalidFileHeader)) ==
        "The file being readed is not a valid " + Pngq +
            " image because it contains an invalid header. This file may be corruped, try obtaining it again.");
  CHECK(std::string(PngText(65265)) == "This " + Pngq +
                                           " image is invalid because the decoder found an unexpected end of the file.");
  CHECK(std::string(PngText(65290)) ==
        "This " + Pngq + " image is not supported or it might be invalid.\r\n(IHDR chunk is not the first)");
  CHECK(std::string(PngText(65293)) ==
        "This " + Pngq + " image contains an unknown critical part which could not be decoded.");
  CHECK(std::string(PngText(65266)) == "This " + Pngq + " image contains no data.");
  CHECK(std::string(PngText(65284)) ==
        "This " + Pngq + " image is not valid because it contains invalid pieces of data (crc error)");
  CHECK(std::string(PngText(65285)) == "The " + Pngq +
                                           " image could not be loaded because one of its main piece of data (ihdr) "
                                           "might be corrupted");
  CHECK(std::string(PngText(65291)) ==
        "This " + Pngq +
            " image is not supported because either it's width or height exceeds the maximum size, which is 65535 "
            "pixels length.");
  CHECK(std::string(PngText(65294)) ==
        "This " + Pngq + " image is encoded with an unknown compression scheme which could not be decoded.");
  CHECK(std::string(PngText(65295)) ==
        "This " + Pngq + " image uses an unknown interlace scheme which could not be decoded.");
  CHECK(std::string(PngText(65288)) == "The " + Pngq + " image contains an invalid palette.");
  CHECK(std::string(PngText(65286)) == "This " + Pngq + " image is invalid because it has missing image parts.");
  CHECK(std::string(PngText(65287)) ==
        "Could not decompress the image because it contains invalid compressed data.\r\n Description: ");
  CHECK(std::string(PngText(65268)) == "Some operation could not be performed because the system is out of "
                                       "resources. Close some windows and try again.");
  CHECK(std::string(PngText(65269)) ==
        "This operation is not valid because the current image contains no valid header.");
  CHECK(std::string(PngText(65264)) == "The chunks must be compatible to be assigned.");
  CHECK(std::string(PngText(65292)) == "There is no such palette entry.");
  CHECK(std::string(PngText(65267)) == "The " + Pngq +
                                           " image can not be resize by changing width and height properties. Try "
                                           "assigning the image from a bitmap.");
  CHECK(std::string(PngText(1)) == "");
}

TEST_CASE("the exception classes are siblings under Exception and name themselves") {
  EPNGSizeExceeds e(PngText(TPngText::SizeExceeds));
  const Exception& base = e;
  CHECK(std::string(base.ClassName()) == "EPNGSizeExceeds");
  CHECK(dynamic_cast<const EPngError*>(&base) == nullptr);
  CHECK(std::string(EPngInvalidCRC("x").ClassName()) == "EPngInvalidCRC");
}

TEST_CASE("chunk CRC is the standard CRC-32 over type and data") {
  CHECK(ChunkCrc("IEND", nullptr, 0) == 0xAE426082u);
  const uint8_t data[] = {1, 2, 3, 4, 5};
  CHECK(ChunkCrc("abCD", data, 5) == ~UpdateChunkCrc(UpdateChunkCrc(0xFFFFFFFFu, "abCD", 4), data, 5));
  CHECK(SwapBytes32(0x11223344u) == 0x44332211u);
  CHECK(SwapBytes16(0x1122) == 0x2211);
}

TEST_CASE("the registry picks classes by exact type and keeps unknown types") {
  TPNGCore core;
  CHECK(std::string(MakeChunkForType(&core, MakeChunkType("IHDR"))->ClassName()) == "TChunkIHDR");
  CHECK(std::string(MakeChunkForType(&core, MakeChunkType("zTXt"))->ClassName()) == "TChunkzTXt");
  auto unknown = MakeChunkForType(&core, MakeChunkType("Idat"));
  CHECK(std::string(unknown->ClassName()) == "TChunk");
  CHECK(ChunkTypeIs(unknown->ChunkType, "Idat"));
  CHECK(TChunkIHDR::Class.ChunkTypeName() == "IHDR");
  CHECK(TChunk::Class.ChunkTypeName().empty());
  // A type with a zero byte is compared only up to it.
  TChunkType cut = {'I', 'E', 0, 'D'};
  CHECK(std::string(MakeChunkForType(&core, cut)->ClassName()) == "TChunk");
}

TEST_CASE("pointer list keeps the count as its size and removes the last match") {
  int a, b;
  TPNGPointerList list;
  list.Add(&a);
  list.Add(&b);
  list.Add(&a);
  CHECK(list.GetItem(3) == nullptr);
  CHECK(list.GetItem(static_cast<uint32_t>(-1)) == nullptr);
  CHECK(list.Remove(&a) == &a);
  CHECK(list.Count() == 2);
  CHECK(list.GetItem(1) == &b);
  CHECK(list.Remove(&list) == nullptr);
  list.SetItem(5, &a);  // outside: nothing
  list.SetSize(4);
  CHECK(list.Count() == 4);
  CHECK(list.GetItem(3) == nullptr);
}

TEST_CASE("a valid file loads into one chunk per kind, with later IDAT chunks folded in") {
  TPNGCore core;
  TestImage img = TestImage::Random(5, 3, 8, kPNGRGB, 7);
  Load(core, MakePng(img, false, Filter(0), {{"cHRM", Bytes(32, 1)}, {"abCD", {9, 8}}}, 5));
  REQUIRE(core.ChunkList.Count() == 4);
  CHECK(std::string(core.ChunkList.Item(0)->ClassName()) == "TChunkIHDR");
  CHECK(std::string(core.ChunkList.Item(1)->ClassName()) == "TChunk");  // abCD; cHRM is skipped
  CHECK(core.ChunkList.Item(1)->PayloadSize() == 2);
  CHECK(core.ChunkList.Item(1)->Payload()[0] == 9);
  CHECK(std::string(core.ChunkList.Item(2)->ClassName()) == "TChunkIDAT");
  CHECK(core.ChunkList.Item(2)->PayloadSize() == 0);
  CHECK(std::string(core.ChunkList.Item(3)->ClassName()) == "TChunkIEND");
  CHECK(core.ImageWidth() == 5);
  CHECK(core.ImageHeight() == 3);
  CHECK(CompareDecoded(core, img) == "");
  CHECK_FALSE(core.LoadFailed());
}

TEST_CASE("container errors carry their class and exact text") {
  TPNGCore core;
  const std::string idat = "IDAT";

  SUBCASE("bad signature, before any chunk") {
    Bytes f = Start().Data;
    f[1] = 'Q';
    CHECK_THROWS_WITH_AS(Load(core, f), PngText(TPngText::InvalidFileHeader), EPNGInvalidFileHeader);
    CHECK(core.ChunkList.Count() == 0);
    CHECK_THROWS_AS(Load(core, Bytes{137, 80, 78}), EPNGInvalidFileHeader);
    CHECK_THROWS_AS(Load(core, Bytes{}), EPNGInvalidFileHeader);  // an empty file
    CHECK(core.LoadFailed());
  }
  SUBCASE("first chunk not IHDR leaves the list empty") {
    PngFile f;
    f.Add("gAMA", {0, 0, 177, 143});
    CHECK_THROWS_WITH_AS(Load(core, f.Data), PngText(TPngText::IHDRNotFirst), EPNGIHDRNotFirst);
    CHECK(core.ChunkList.Count() == 0);
    PngFile g;
    g.Add("cHRM", Bytes(32, 0)).Add("IHDR", IhdrData(2, 2, 8, kPNGGray));
    CHECK_THROWS_AS(Load(core, g.Data), EPNGIHDRNotFirst);
  }
  SUBCASE("end after a complete chunk keeps what was read") {
    Bytes f = Start().Add("tEXt", {'a', 0, 'b'}).Data;
    CHECK_THROWS_WITH_AS(Load(core, f), PngText(TPngText::UnexpectedEnd), EPngUnexpectedEnd);
    CHECK(core.ChunkList.Count() == 2);
  }
  SUBCASE("a complete image without IEND") {
    Bytes f = Start().AddIdat(GrayIdat()).Data;
    CHECK_THROWS_AS(Load(core, f), EPngUnexpectedEnd);
    CHECK(core.ChunkList.Count() == 2);
  }
  SUBCASE("a chunk longer than the file is refused before its data is read") {
    Bytes f = Start().Data;
    const uint8_t huge[8] = {0x7F, 0xFF, 0xFF, 0xF0, 't', 'E', 'X', 't'};
    f.insert(f.end(), huge, huge + 8);
    f.resize(f.size() + 40, 0);
    CHECK_THROWS_AS(Load(core, f), EPngUnexpectedEnd);
    CHECK(core.ChunkList.Count() == 2);
  }
  SUBCASE("unknown critical chunk; ancillary ones load") {
    CHECK_THROWS_WITH_AS(Load(core, Start().Add("ABCD", {1}).Data), PngText(TPngText::UnknownCriticalChunk),
                         EPNGUnknownCriticalChunk);
    CHECK(core.ChunkList.Count() == 2);
    CHECK_THROWS_AS(Load(core, Start().Add("Idat", {1}).Data), EPNGUnknownCriticalChunk);
    // A type whose first byte is zero is not critical.
    Bytes zero = Start().Add(std::string("\0BCD", 4), {1}).AddIdat(GrayIdat()).End().Data;
    CHECK_NOTHROW(Load(core, zero));
    CHECK(core.ChunkList.Count() == 4);
  }
  SUBCASE("a CRC error in any loaded chunk is fatal") {
    Bytes f = Start().Add("abCD", {1, 2, 3}).AddIdat(GrayIdat()).End().Data;
    f[8 + 25 + 8 + 1] ^= 1;  // inside abCD's data
    CHECK_THROWS_WITH_AS(Load(core, f), PngText(TPngText::InvalidCRC), EPngInvalidCRC);
    Bytes g = Start().AddIdat(GrayIdat()).End().Data;
    g[g.size() - 12 - 2] ^= 0x40;  // the image data's stored CRC
    CHECK_THROWS_AS(Load(core, g), EPngInvalidCRC);
  }
  SUBCASE("damage in skipped chunks goes unnoticed") {
    Bytes idat = GrayIdat();
    Bytes f = Start().Add("cHRM", Bytes(32, 5)).AddIdat(idat).Add("IDAT", {1, 2, 3}).End().Data;
    f[8 + 25 + 12] ^= 0xFF;                      // cHRM data
    f[f.size() - 12 - 4 - 2] ^= 0xFF;            // the trailing IDAT's data
    CHECK_NOTHROW(Load(core, f));
    CHECK(core.ChunkList.Count() == 3);
  }
  SUBCASE("IHDR straight to IEND has no image data") {
    CHECK_THROWS_WITH_AS(Load(core, Start().End().Data), PngText(TPngText::NoImageData), EPNGNoImageData);
    CHECK(core.ChunkList.Count() == 2);
  }
  SUBCASE("a later load starts afresh") {
    CHECK_THROWS(Load(core, Start().End().Data));
    CHECK(core.LoadFailed());
    Load(core, Start().AddIdat(GrayIdat()).End().Data);
    CHECK_FALSE(core.LoadFailed());
    CHECK(core.ChunkList.Count() == 3);
  }
}

TEST_CASE("chunks beyond the cap are skipped; the image data and the end still count") {
  TPNGCore core;
  core.MaxChunkEntries = 3;
  PngFile f = Start();
  for (int i = 0; i < 10; ++i) f.Add(i % 2 == 0 ? "abCD" : "PLTE", {static_cast<uint8_t>(i), 0, 0});
  Load(core, f.Add("ABCD").AddIdat(GrayIdat()).End().Data);
  CHECK(core.ChunkList.Count() == 5);  // IHDR, abCD, PLTE, IDAT, IEND
  CHECK(core.ChunkList.Item(2)->Payload()[0] == 1);
}

TEST_CASE("the list finds chunks by class or descendant and owns them") {
  TPNGCore core;
  Load(core, Start().Add("zTXt", Bytes{'k', 0, 0}).AddIdat(GrayIdat()).End().Data);
  TChunktEXt* text = core.ChunkList.FindChunk<TChunktEXt>();
  REQUIRE(text != nullptr);
  CHECK(std::string(text->ClassName()) == "TChunkzTXt");
  CHECK(core.ChunkList.FindChunk<TChunkPLTE>() == nullptr);
  std::unique_ptr<TChunk> taken = core.ChunkList.Remove(text);
  CHECK(taken.get() == text);
  CHECK(core.ChunkList.Count() == 3);
  CHECK(core.ChunkList.Remove(text) == nullptr);
  core.ClearChunks();
  CHECK(core.IsEmpty());
  CHECK_FALSE(core.HasHeader());
  CHECK(core.ImageWidth() == 0);
  CHECK_THROWS_WITH_AS(core.RequireHeader(), PngText(TPngText::HeaderNotPresent), EPNGHeaderNotPresent);
  CHECK_THROWS_AS(core.TransparencyMode(), EPNGHeaderNotPresent);
  uint32_t length = 9, stride = 9;
  core.RowGeometry(length, stride);
  CHECK(length == 0);
  CHECK(stride == 0);
}

TEST_CASE("chunks written back make the same file") {
  TPNGCore core;
  core.SetIdatChunkLimit(10);
  CHECK(core.IdatChunkLimit() == 65535);
  Bytes file = Start().Add("abCD", {1, 2}).Add("tEXt", {'k', 0, 'v'}).AddIdat(GrayIdat()).End().Data;
  Load(core, file);
  TMemoryStream out;
  core.SaveToStream(out);
  TPNGCore again;
  TMemoryStream in(out.Bytes());
  again.LoadFromStream(in);
  CHECK(again.ChunkList.Count() == 5);
  CHECK(std::memcmp(out.Memory(), file.data(), 8 + 25 + 14 + 15) == 0);  // up to the image data
  CHECK(CompareDecoded(again, TestImage::Random(2, 2, 8, kPNGGray, 1)) == "");
}
