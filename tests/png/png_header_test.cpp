// Header validation and the bitmap it sets up; palette, transparency, gamma
// and the text chunks.
#include <doctest/doctest.h>

#include <algorithm>
#include <cstring>

#include "png/png_core.h"
#include "png/png_messages.h"
#include "png/png_zlib.h"
#include "png_test_encoder.h"

using namespace vr;
using namespace pngtest;

namespace {

// Counts the sinks' requests and hands out dirty std::vector memory, or refuses.
class TVectorAllocator {
 public:
  class Store : public IPixelSink {
   public:
    explicit Store(TVectorAllocator& Log) : FLog(Log) {}
    TPixelMemory AllocatePixels(const TDibInfo& Info) override {
      FLog.Requests.push_back(Info);
      if (FLog.Refuse) return {};
      Bytes.assign(Info.Stride() * Info.Rows(), 0xCD);
      FLog.Last = this;
      return {Bytes.data(), Bytes.size(), static_cast<size_t>(Info.Stride())};
    }
    std::vector<uint8_t> Bytes;

   private:
    TVectorAllocator& FLog;
  };
  void AttachTo(TPNGCore& Core) {
    Core.PixelSinks = [this] { return std::make_unique<Store>(*this); };
  }
  std::vector<TDibInfo> Requests;
  bool Refuse = false;
  Store* Last = nullptr;
};

Bytes WithHeader(const Bytes& ihdr, const std::vector<std::pair<std::string, Bytes>>& before = {},
                 const std::vector<std::pair<std::string, Bytes>>& after = {}) {
  PngFile f;
  f.Add("IHDR", ihdr);
  for (const auto& [t, d] : before) f.Add(t, d);
  f.AddIdat(Zlib(Bytes(4, 0)));
  for (const auto& [t, d] : after) f.Add(t, d);
  return f.End().Data;
}

Bytes Palette(std::initializer_list<uint8_t> rgb) { return Bytes(rgb); }

}  // namespace

TEST_CASE("header validation raises the header's own errors, leaving the header without a bitmap") {
  TPNGCore core;
  auto fails = [&](const Bytes& ihdr) {
    PngFile f;
    f.Add("IHDR", ihdr);
    return f.AddIdat(Zlib(Bytes(4, 0))).End().Data;
  };
  Bytes shortHeader = IhdrData(1, 1, 8, kPNGGray);
  shortHeader.pop_back();
  CHECK_THROWS_WITH_AS(Load(core, fails(shortHeader)), PngText(TPngText::InvalidIHDR), EPngInvalidIHDR);
  CHECK_THROWS_WITH_AS(Load(core, fails(IhdrData(65536, 1, 1, kPNGGray))), PngText(TPngText::SizeExceeds), EPNGSizeExceeds);
  REQUIRE(core.HasHeader());
  CHECK(core.RequireHeader().PixelBits == nullptr);
  CHECK_THROWS_AS(Load(core, fails(IhdrData(1, 0xFFFFFFFFu, 1, kPNGGray))), EPNGSizeExceeds);
  CHECK_THROWS_WITH_AS(Load(core, fails(IhdrData(1, 1, 8, kPNGGray, 0, 1))), PngText(TPngText::UnknownCompression),
                       EPNGUnknownCompression);
  CHECK_THROWS_WITH_AS(Load(core, fails(IhdrData(1, 1, 8, kPNGGray, 2))), PngText(TPngText::UnknownInterlace),
                       EPNGUnknownInterlace);
  // Formats without a row decoder, and empty images, are refused as bad headers.
  for (auto format : {std::pair<uint8_t, uint8_t>{8, 1}, {8, 5}, {8, 7}, {4, 2}, {1, 6}, {2, 4}, {16, 3},
                            {3, 0}, {32, 2}}) {
    CAPTURE(int(format.first));
    CAPTURE(int(format.second));
    CHECK_THROWS_AS(Load(core, fails(IhdrData(2, 2, format.first, format.second))), EPngInvalidIHDR);
  }
  CHECK_THROWS_AS(Load(core, fails(IhdrData(0, 5, 8, kPNGGray))), EPngInvalidIHDR);
  CHECK_THROWS_AS(Load(core, fails(IhdrData(5, 0, 8, kPNGRGB))), EPngInvalidIHDR);
  // The filter method is stored, not tested.
  CHECK_NOTHROW(Load(core, WithHeader(IhdrData(1, 1, 8, kPNGGray, 0, 0, 9))));
  CHECK(core.RequireHeader().FilterMethod == 9);
}

TEST_CASE("the header sets up a bitmap in the format its colour type and depth call for") {
  struct Case {
    uint8_t type, depth;
    uint16_t bits;
    bool palette, alpha;
  };
  const Case cases[] = {{kPNGGray, 1, 1, true, false},       {kPNGGray, 2, 4, true, false},
                        {kPNGGray, 4, 4, true, false},       {kPNGGray, 8, 8, true, false},
                        {kPNGGray, 16, 8, true, false},      {kPNGPalette, 1, 1, true, false},
                        {kPNGPalette, 2, 4, true, false},    {kPNGPalette, 4, 4, true, false},
                        {kPNGPalette, 8, 8, true, false},    {kPNGGrayAlpha, 8, 8, true, true},
                        {kPNGGrayAlpha, 16, 8, true, true},  {kPNGRGB, 8, 24, false, false},
                        {kPNGRGB, 16, 24, false, false},     {kPNGRGBA, 8, 24, false, true},
                        {kPNGRGBA, 16, 24, false, true}};
  for (const Case& c : cases) {
    CAPTURE(int(c.type));
    CAPTURE(int(c.depth));
    TVectorAllocator allocator;
    TPNGCore core;
    allocator.AttachTo(core);
    Load(core, WithHeader(IhdrData(37, 5, c.depth, c.type, 1)));
    const TChunkIHDR& h = core.RequireHeader();
    CHECK(h.DibInfo.Header.biSize == 40);
    CHECK(h.DibInfo.Header.biWidth == 37);
    CHECK(h.DibInfo.Header.biHeight == 5);
    CHECK(h.DibInfo.Header.biPlanes == 1);
    CHECK(h.DibInfo.Header.biBitCount == c.bits);
    CHECK(h.DibInfo.Header.biCompression == 0);
    CHECK(h.UsesPalette == c.palette);
    CHECK((h.AlphaPlane != nullptr) == c.alpha);
    CHECK(h.RowStride == (c.bits * 37u + 31) / 32 * 4);
    CHECK(core.Interlacing == 1);
    REQUIRE(allocator.Requests.size() == 1);
    const TDibInfo& r = allocator.Requests[0];
    CHECK(std::memcmp(&r.Header, &h.DibInfo.Header, sizeof r.Header) == 0);
    CHECK(r.Header.biBitCount == c.bits);
    CHECK(r.Colors.size() == (c.bits <= 8 ? 1u << c.bits : 0u));
    CHECK(r.Stride() == h.RowStride);
    CHECK(r.Stride() * r.Rows() == h.RowStride * 5);
    // The store arrives dirty and is cleared (the decoder ORs samples in).
    const TVectorAllocator::Store* store = allocator.Last;
    REQUIRE(store != nullptr);
    CHECK(h.PixelBits == store->Bytes.data());
    CHECK(std::all_of(store->Bytes.begin(), store->Bytes.end(), [](uint8_t b) { return b == 0; }));
    CHECK(h.RowAddress(4) == h.PixelBits);
    CHECK(h.RowAddress(0) == h.PixelBits + 4 * h.RowStride);
  }
}

TEST_CASE("a wide header loads; sizes past the memory cap or a refusing allocator fail before decoding") {
  TPNGCore core;
  CHECK_NOTHROW(Load(core, WithHeader(IhdrData(65535, 1, 1, kPNGGray))));
  CHECK(core.ImageWidth() == 65535);

  TVectorAllocator allocator;
  allocator.AttachTo(core);
  core.MaxImageBytes = 1000;
  CHECK_THROWS_WITH_AS(Load(core, WithHeader(IhdrData(65535, 65535, 16, kPNGRGBA))), PngText(TPngText::OutMemory),
                       EPNGOutMemory);
  CHECK(allocator.Requests.empty());
  CHECK(core.RequireHeader().PixelBits == nullptr);
  CHECK(core.RequireHeader().AlphaPlane == nullptr);
  // The cap counts every header of the image: a second one cannot double it.
  core.MaxImageBytes = 600;
  Bytes twoHeaders = WithHeader(IhdrData(20, 20, 8, kPNGGray), {{"IHDR", IhdrData(20, 20, 8, kPNGGray)}});
  CHECK_THROWS_AS(Load(core, twoHeaders), EPNGOutMemory);
  core.MaxImageBytes = 1000;
  CHECK_NOTHROW(Load(core, twoHeaders));

  allocator.Refuse = true;
  CHECK_THROWS_AS(Load(core, WithHeader(IhdrData(4, 4, 8, kPNGGray))), EPNGOutMemory);
  CHECK(allocator.Requests.size() == 4);
}

TEST_CASE("palette colours fill the header's colour table through the gamma map in force") {
  TPNGCore core;
  Bytes plte = Palette({10, 20, 30, 128, 0, 255});
  Load(core, WithHeader(IhdrData(2, 2, 1, kPNGPalette), {{"PLTE", plte}}));
  const TChunkIHDR& h = core.RequireHeader();
  auto* palette = core.ChunkList.FindChunk<TChunkPLTE>();
  REQUIRE(palette != nullptr);
  CHECK(palette->EntryCount == 2);
  CHECK(h.DibInfo.Colors[0].rgbRed == 10);
  CHECK(h.DibInfo.Colors[0].rgbGreen == 20);
  CHECK(h.DibInfo.Colors[0].rgbBlue == 30);
  CHECK(palette->Entry(1) == (128u << 16 | 0u << 8 | 255u));
  CHECK_THROWS_WITH_AS(palette->Entry(2), PngText(TPngText::UnknownPaletteEntry), EPngError);

  // gAMA first corrects the palette; gAMA after it does not.
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGPalette), {{"gAMA", Be32(100000)}, {"PLTE", Palette({128, 0, 255})}}));
  CHECK(core.RequireHeader().DibInfo.Colors[0].rgbRed == 186);
  CHECK(core.RequireHeader().DibInfo.Colors[0].rgbBlue == 255);
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGPalette), {{"PLTE", Palette({128, 0, 255})}, {"gAMA", Be32(100000)}}));
  CHECK(core.RequireHeader().DibInfo.Colors[0].rgbRed == 128);

  // An empty palette loads; bad lengths do not.
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGPalette), {{"PLTE", {}}}));
  CHECK(core.ChunkList.FindChunk<TChunkPLTE>()->EntryCount == 0);
  CHECK_THROWS_AS(core.ChunkList.FindChunk<TChunkPLTE>()->Entry(0), EPngError);
  CHECK_THROWS_WITH_AS(Load(core, WithHeader(IhdrData(2, 2, 8, kPNGPalette), {{"PLTE", Bytes(769, 1)}})),
                       PngText(TPngText::InvalidPalette), EPNGInvalidPalette);
  CHECK_THROWS_AS(Load(core, WithHeader(IhdrData(2, 2, 8, kPNGPalette), {{"PLTE", Bytes(771, 1)}})), EPNGInvalidPalette);
  CHECK_NOTHROW(Load(core, WithHeader(IhdrData(2, 2, 8, kPNGPalette), {{"PLTE", Bytes(768, 1)}})));
}

TEST_CASE("transparency: single keys, alpha tables, key colours and the mode they give") {
  TPNGCore core;
  const Bytes plte = Palette({1, 2, 3, 40, 50, 60, 7, 8, 9});
  auto trns = [&] { return core.ChunkList.FindChunk<TChunktRNS>(); };

  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGPalette), {{"PLTE", plte}, {"tRNS", {255, 0}}}));
  CHECK(trns()->SingleKey);
  CHECK(trns()->AlphaTable[1] == 0);
  CHECK(trns()->AlphaTable[2] == 255);
  CHECK(core.TransparencyMode() == tmColorKey);
  CHECK(core.KeyColor() == (40u | 50u << 8 | 60u << 16));

  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGPalette), {{"PLTE", plte}, {"tRNS", {0, 128, 255}}}));
  CHECK_FALSE(trns()->SingleKey);
  CHECK(core.TransparencyMode() == tmAlpha);

  // One partly transparent entry is a single key without a zero alpha: black.
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGPalette), {{"PLTE", plte}, {"tRNS", {255, 100}}}));
  CHECK(trns()->SingleKey);
  CHECK(core.KeyColor() == 0);

  // A key beyond the palette, and a key with no palette at all.
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGPalette), {{"PLTE", plte}, {"tRNS", {255, 255, 255, 0}}}));
  CHECK_THROWS_AS(core.KeyColor(), EPngError);
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGPalette), {{"tRNS", {0}}}));
  CHECK(core.KeyColor() == 0);

  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGGray), {{"tRNS", {0, 255}}}));
  CHECK(trns()->SingleKey);
  CHECK(core.TransparencyMode() == tmColorKey);
  CHECK(core.KeyColor() == 0xFFFFFFu);

  Load(core, WithHeader(IhdrData(2, 2, 16, kPNGRGB), {{"tRNS", {1, 10, 2, 20, 3, 30}}}));
  CHECK(core.KeyColor() == (10u | 20u << 8 | 30u << 16));

  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGRGB)));
  CHECK(core.TransparencyMode() == tmOpaque);
  CHECK(core.KeyColor() == 0);
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGRGBA)));
  CHECK(core.TransparencyMode() == tmAlpha);
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGGrayAlpha), {{"tRNS", {0, 1}}}));
  CHECK(core.TransparencyMode() == tmAlpha);
  CHECK_FALSE(trns()->SingleKey);

  CHECK_THROWS_WITH_AS(Load(core, WithHeader(IhdrData(2, 2, 8, kPNGPalette), {{"tRNS", Bytes(257, 0)}})),
                       PngText(TPngText::InvalidPalette), EPNGInvalidPalette);
}

TEST_CASE("setting a key colour writes the tRNS form of the colour type") {
  TPNGCore core;
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGPalette), {{"PLTE", Palette({1, 2, 3, 40, 50, 60, 7, 8, 9})}, {"tRNS", {0}}}));
  TChunktRNS* t = core.ChunkList.FindChunk<TChunktRNS>();
  t->SetKeyColor(7 | 8 << 8 | 9 << 16);
  CHECK(t->PayloadSize() == 3);
  CHECK(t->AlphaTable[0] == 255);
  CHECK(t->AlphaTable[2] == 0);
  CHECK(t->KeyColor() == (7u | 8u << 8 | 9u << 16));
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGRGB), {{"tRNS", Bytes(6, 0)}}));
  t = core.ChunkList.FindChunk<TChunktRNS>();
  t->SetKeyColor(0x030201);
  CHECK(t->PayloadSize() == 6);
  CHECK(t->KeyColor() == 0x030201u);
}

TEST_CASE("gamma maps: identity for 45455, brighter for 100000, nearly black for a broken value") {
  TPNGCore core;
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGRGB), {{"gAMA", Be32(45455)}}));
  for (int i = 0; i < 256; ++i) REQUIRE(core.GammaMap[i] == i);
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGRGB), {{"gAMA", Be32(100000)}}));
  CHECK(core.GammaMap[0] == 0);
  CHECK(core.GammaMap[128] == 186);
  CHECK(core.GammaMap[255] == 255);
  CHECK(core.InverseGammaMap[186] == 128);
  CHECK(core.InverseGammaMap[1] == 1);  // no sample maps to 1: left as it was
  // A gAMA of the wrong length reads as 1.
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGRGB), {{"gAMA", {1, 2}}}));
  CHECK(core.ChunkList.FindChunk<TChunkgAMA>()->GammaValue() == 1);
  CHECK(core.ChunkList.FindChunk<TChunkgAMA>()->PayloadSize() == 4);
  CHECK(core.GammaMap[254] == 0);
  CHECK(core.GammaMap[255] == 255);
  CHECK(core.InverseGammaMap[0] == 254);
  // Zero changes nothing; every load starts from the identity.
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGRGB), {{"gAMA", Be32(0)}}));
  CHECK(core.GammaMap[128] == 128);
}

TEST_CASE("time and text chunks keep their fields") {
  TPNGCore core;
  Bytes longText(700, 'x');
  for (size_t i = 0; i < longText.size(); ++i) longText[i] = static_cast<uint8_t>('a' + i % 26);
  Bytes ztxt = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
  Bytes packed = Zlib(longText);
  ztxt.insert(ztxt.end(), packed.begin(), packed.end());
  Bytes damaged = ztxt;
  damaged.resize(damaged.size() - 30);

  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGGray), {{"tIME", {0x07, 0xE8, 2, 29, 23, 59, 58}}, {"tEXt", {'T', 0, 'h', 'i'}}},
                        {{"zTXt", ztxt}, {"zTXt", damaged}, {"tEXt", {'k', 'e', 'y'}}, {"tEXt", {'a', 0}}}));
  auto* time = core.ChunkList.FindChunk<TChunktIME>();
  CHECK(time->Year == 2024);
  CHECK(time->Month == 2);
  CHECK(time->Day == 29);
  CHECK(time->Second == 58);
  std::vector<TChunktEXt*> texts;
  for (uint32_t i = 0; i < core.ChunkList.Count(); ++i)
    if (auto* t = dynamic_cast<TChunktEXt*>(core.ChunkList.Item(i))) texts.push_back(t);
  REQUIRE(texts.size() == 5);
  CHECK(texts[0]->Keyword == "T");
  CHECK(texts[0]->Text == "hi");
  CHECK(texts[1]->Keyword == "Comment");
  CHECK(texts[1]->Text == std::string(longText.begin(), longText.end()));
  CHECK(texts[2]->Keyword == "Comment");
  CHECK(texts[2]->Text.empty());
  CHECK(texts[3]->Keyword == "key");  // no zero byte: no text
  CHECK(texts[3]->Text.empty());
  CHECK(texts[4]->Keyword.empty());  // two bytes or fewer: nothing
}

TEST_CASE("compressed text is held to the text budget and never inflates without bound") {
  TPNGCore core;
  core.MaxTextBytes = 1000;
  Bytes ztxt = {'k', 0, 0};
  Bytes packed = Zlib(Bytes(600, 'z'));
  ztxt.insert(ztxt.end(), packed.begin(), packed.end());
  Load(core, WithHeader(IhdrData(2, 2, 8, kPNGGray), {{"zTXt", ztxt}, {"zTXt", ztxt}}));
  auto* first = core.ChunkList.FindChunk<TChunktEXt>();
  auto* second = dynamic_cast<TChunktEXt*>(core.ChunkList.Item(2));
  CHECK(first->Text.size() == 600);
  CHECK(second->Text.empty());

  std::string out, error;
  Bytes bomb = Zlib(Bytes(1 << 20, 0));
  CHECK_FALSE(InflateText(bomb.data(), bomb.size(), 4096, out, error));
  CHECK(out.empty());
  CHECK(InflateText(bomb.data(), bomb.size(), 1 << 20, out, error));
  CHECK(out.size() == (1u << 20));
  CHECK(InflateResultText(-3) == "data error (-3)");
  CHECK(InflateResultText(2) == "need dictionary (2)");
  CHECK(InflateResultText(-6) == "incompatible version (-6)");
}

TEST_CASE("copying an image copies its chunks, pixels, colours and transparency") {
  TPNGCore source;
  TestImage img = TestImage::Random(9, 4, 8, kPNGRGBA, 3);
  Load(source, MakePng(img, false, Filter(1), {{"tRNS", {0, 1}}, {"tEXt", {'a', 0, 'b'}}, {"gAMA", Be32(45455)}}));
  TPNGCore copy;
  copy.CopyFromPng(source);
  REQUIRE(copy.ChunkList.Count() == source.ChunkList.Count());
  for (uint32_t i = 0; i < copy.ChunkList.Count(); ++i)
    CHECK(std::string(copy.ChunkList.Item(i)->ClassName()) == source.ChunkList.Item(i)->ClassName());
  CHECK(CompareDecoded(copy, img) == "");
  CHECK(copy.RequireHeader().PixelBits != source.RequireHeader().PixelBits);
  CHECK(copy.ChunkList.FindChunk<TChunktEXt>()->Text == "b");
  CHECK(copy.ChunkList.FindChunk<TChunkgAMA>()->GammaValue() == 45455);

  TPNGCore palette;
  Load(palette, MakePng(TestImage::Random(3, 3, 4, kPNGPalette, 1), true));
  copy.CopyFromPng(palette);
  CHECK(copy.Interlacing == 1);
  CHECK(copy.RequireHeader().DibInfo.Colors[5].rgbGreen == 250);
  CHECK(copy.ChunkList.FindChunk<TChunkPLTE>()->Entry(15) == palette.ChunkList.FindChunk<TChunkPLTE>()->Entry(15));

  CHECK_THROWS_WITH_AS(copy.RequireHeader().CopyFrom(*copy.ChunkList.Item(1)), PngText(TPngText::CannotAssignChunk),
                       EPngError);
  CHECK_THROWS_AS(copy.ChunkList.FindChunk<TChunkPLTE>()->CopyFrom(copy.RequireHeader()), EPngError);
}
