// The LZW decoder: round trips, code stream quirks, damaged and hostile data.
#include <doctest/doctest.h>

#include <algorithm>

#include "gif/gif_test_writer.h"

using namespace vr;
using namespace giftest;

namespace {

using Strings = std::vector<std::string>;

// Loads a stream of one frame (Width x Height, optionally transparent with
// index 9) whose image data is Data, followed by After.
RecordingImage& LoadFrame(RecordingImage& Image, int Width, int Height, const Bytes& Data,
                          const Bytes& After = {kGIFTrailer}, bool Interlaced = false, bool Transparent = false) {
  GifBuilder b;
  b.Header(Width, Height, Grey(16));
  if (Transparent) b.Control(kDisposalNone, 0, 9);
  Image.Load(b.Descriptor(0, 0, Width, Height, Interlaced ? 0x40 : 0).Raw(Data).Raw(After).Data);
  return Image;
}

Bytes Data(const std::vector<int>& Codes, int MinCodeSize, size_t BlockSize = 255) {
  Bytes d = {static_cast<uint8_t>(MinCodeSize)};
  const Bytes blocks = SubBlocks(PackCodes(Codes, MinCodeSize), BlockSize);
  d.insert(d.end(), blocks.begin(), blocks.end());
  return d;
}

const Bytes NextFrame = GifBuilder().Frame({.Width = 2, .Height = 1, .Pixels = {5, 6}, .MinCodeSize = 4})
                            .Trailer().Data;

}  // namespace

TEST_CASE("pixels survive encoding at every code size and sub-block size") {
  for (int minCodeSize : {2, 4, 8}) {
    for (size_t blockSize : {size_t{1}, size_t{7}, size_t{255}}) {
      CAPTURE(minCodeSize);
      CAPTURE(blockSize);
      const Bytes pixels = TestPixels(97, 61, 1 << minCodeSize, static_cast<uint32_t>(minCodeSize));
      RecordingImage image;
      LoadFrame(image, 97, 61, Data(LzwCodes(pixels, minCodeSize), minCodeSize, blockSize));
      CHECK(image.Frames()[0].PixelData == pixels);
      CHECK(image.Warnings.empty());
    }
  }
}

TEST_CASE("a full table: cleared and rebuilt, or kept with 12-bit codes until a clear") {
  const Bytes pixels = TestPixels(200, 150, 256, 3);
  const std::vector<int> cleared = LzwCodes(pixels, 8);
  REQUIRE(std::count(cleared.begin(), cleared.end(), 256) > 2);  // the table really filled
  for (bool deferred : {false, true}) {
    CAPTURE(deferred);
    RecordingImage image;
    LoadFrame(image, 200, 150, Data(LzwCodes(pixels, 8, {.DeferredClear = deferred}), 8));
    CHECK(image.Frames()[0].PixelData == pixels);
    CHECK(image.Warnings.empty());
  }
}

TEST_CASE("code stream forms: no leading clear, repeated clears, a code naming the next entry") {
  const Bytes pixels = TestPixels(20, 10, 16);
  RecordingImage image;
  LoadFrame(image, 20, 10, Data(LzwCodes(pixels, 4, {.LeadingClear = false}), 4));
  CHECK(image.Frames()[0].PixelData == pixels);
  LoadFrame(image, 20, 10, Data(LzwCodes(pixels, 4, {.ExtraClears = 3}), 4));
  CHECK(image.Frames()[0].PixelData == pixels);
  // 1, then code 6 (not yet in the table): "1" followed by its own first pixel.
  LoadFrame(image, 3, 1, Data({4, 1, 6, 5}, 2));
  CHECK(image.Frames()[0].PixelData == Bytes{1, 1, 1});
  // Code 12 beyond the next entry (10) also reads as "1" and its first
  // pixel, and entry 11 = 12 + 2 is made while 12 is free; once 12 = 2 + 3
  // exists, 11 reads "2 3 2", not what was written for code 12. The rest of
  // the row keeps the fill.
  LoadFrame(image, 30, 1, Data({8, 1, 12, 2, 3, 11, 9}, 3));
  Bytes expected(30, 0);
  std::copy_n(Bytes{1, 1, 1, 2, 3, 2, 3, 2}.begin(), 8, expected.begin());
  CHECK(image.Frames()[0].PixelData == expected);
  CHECK(image.Warnings.empty());
}

TEST_CASE("interlaced frames of any height get every row once") {
  for (int height : {1, 2, 3, 5, 8, 9, 17}) {
    CAPTURE(height);
    Bytes pixels;
    for (int y = 0; y < height; ++y) pixels.insert(pixels.end(), {uint8_t(y), uint8_t(y), uint8_t(y)});
    RecordingImage image;
    image.Load(GifBuilder().Header(3, height).Frame({.Width = 3, .Height = height, .Pixels = pixels,
        .Interlaced = true, .MinCodeSize = 5}).Trailer().Data);
    CHECK(image.Frames()[0].PixelData == pixels);
  }
  // Few colours: strings longer than a row, strings that end where a row
  // ends, and strings of the last row (read in the first pass when the
  // height is 8n + 1) that come back in later passes.
  for (int width : {3, 16, 37}) {
    for (int height : {9, 33}) {
      CAPTURE(width);
      CAPTURE(height);
      const Bytes pixels = TestPixels(width, height, 3, static_cast<uint32_t>(width));
      RecordingImage image;
      image.Load(GifBuilder().Header(width, height, Grey(4)).Frame({.Width = width, .Height = height,
          .Pixels = pixels, .Interlaced = true, .MinCodeSize = 2}).Trailer().Data);
      CHECK(image.Frames()[0].PixelData == pixels);
    }
  }
}

TEST_CASE("too little data leaves the fill value and the next frame intact") {
  RecordingImage image;
  const Bytes five = Data(LzwCodes({1, 2, 3, 4, 5}, 4), 4);

  LoadFrame(image, 3, 3, five, NextFrame);
  CHECK(image.Frames()[0].PixelData == Bytes{1, 2, 3, 4, 5, 0, 0, 0, 0});
  // The end code came early: what follows the data is the next frame, not
  // more codes.
  REQUIRE(image.Frames().Count() == 2);
  CHECK(image.Frames()[1].PixelData == Bytes{5, 6});
  CHECK(image.Warnings.empty());

  LoadFrame(image, 3, 3, five, NextFrame, false, true);
  CHECK(image.Frames()[0].PixelData == Bytes{1, 2, 3, 4, 5, 9, 9, 9, 9});

  // No end code, but the terminator: quiet.
  LoadFrame(image, 3, 3, Data(LzwCodes({1, 2, 3, 4, 5}, 4, {.EndCode = false}), 4), NextFrame);
  CHECK(image.Frames()[0].PixelData == Bytes{1, 2, 3, 4, 5, 0, 0, 0, 0});
  CHECK(image.Frames().Count() == 2);
  CHECK(image.Warnings.empty());

  // Only the terminator.
  LoadFrame(image, 2, 2, {2, 0}, NextFrame, false, true);
  CHECK(image.Frames()[0].PixelData == Bytes{9, 9, 9, 9});
  CHECK(image.Frames().Count() == 2);
  CHECK(image.Warnings == Strings{"Decoder bit buffer under-run"});
}

TEST_CASE("data cut inside a sub-block keeps what arrived") {
  const Bytes pixels = TestPixels(40, 40, 16);
  Bytes data = Data(LzwCodes(pixels, 4), 4);
  data.resize(data.size() / 2);
  RecordingImage image;
  LoadFrame(image, 40, 40, data, {});
  const Bytes& got = image.Frames()[0].PixelData;
  // A decoded prefix, then the fill.
  const auto differ = std::mismatch(got.begin(), got.end(), pixels.begin()).first;
  CHECK(differ - got.begin() > 300);
  CHECK(differ != got.end());
  CHECK(std::all_of(differ, got.end(), [](uint8_t v) { return v == 0; }));
  CHECK(image.Warnings == Strings{"Premature end of data"});
}

TEST_CASE("more codes than pixels") {
  const Bytes pixels = TestPixels(12, 12, 16);
  const std::vector<int> codes = LzwCodes(pixels, 4);
  REQUIRE(PackCodes(codes, 4).size() < 255);
  RecordingImage image;

  // In one sub-block: the extra codes go with it.
  LoadFrame(image, 4, 1, Data(codes, 4), NextFrame);
  CHECK(image.Frames().Count() == 2);
  CHECK(image.Warnings.empty());

  // Over several: the next sub-block stands where a block was expected.
  LoadFrame(image, 4, 1, Data(codes, 4, 20), NextFrame);
  CHECK(image.Frames().Count() == 1);
  CHECK(image.Frames()[0].PixelData == Bytes(pixels.begin(), pixels.begin() + 4));
  CHECK(image.Warnings == Strings{"Unknown GIF block type", "Invalid Image trailer"});
}

TEST_CASE("a table chained into a loop fails instead of overflowing") {
  RecordingImage image;
  // Min code size 2: clear 4, end 5. Code 7 first is taken as a literal;
  // then 6 (not in the table) makes entry 6 = 7 + 0, the next code makes
  // entry 7 = 6 + 0, and code 6 walks 6 -> 7 -> 6 -> ...
  CHECK_THROWS_WITH_AS(LoadFrame(image, 4, 4, Data({7, 6, 0, 6}, 2)), "Circular decoder table entry",
                       GIFException);
  // An entry that names itself: 7 = 7 + 0.
  CHECK_THROWS_WITH_AS(LoadFrame(image, 4, 4, Data({0, 7, 7, 7}, 2)), "Circular decoder table entry",
                       GIFException);
  // Min code size 3: entries 10 = 12 + 0, 11 = 10 + 0, 12 = 11 + 0.
  CHECK_THROWS_WITH_AS(LoadFrame(image, 8, 8, Data({12, 10, 11, 0, 10}, 3)), "Circular decoder table entry",
                       GIFException);
}

TEST_CASE("a minimum code size beyond the tables skips the frame's data") {
  RecordingImage image;
  LoadFrame(image, 2, 2, {12, 3, 0xFF, 0xFF, 0xFF, 0}, NextFrame);
  CHECK(image.Frames()[0].PixelData == Bytes{0, 0, 0, 0});
  REQUIRE(image.Frames().Count() == 2);
  CHECK(image.Frames()[1].PixelData == Bytes{5, 6});
}
