// The JPEG image class under Wine: header-only loading, decoding at the
// first draw compared with libjpeg's own decoding, the decoding settings,
// damaged, cut and hostile files, palettes, copies and the stored block.
#include <doctest/doctest.h>

#include <random>

#include "pictures/jpeg_support.h"
#include "pictures/picture.h"
#include "pictures/picture_test_support.h"
#include "platform/application.h"
#include "platform/byte_order.h"

using namespace vr;
using namespace vr::test;

namespace {

struct TReport {
  TProgressStage Stage;
  int Percent;
  bool Redraw;
  RECT R;
};

// Records every progress report of the image.
void Record(TGraphic& Graphic, std::vector<TReport>& Reports) {
  Graphic.OnProgress = [&Reports](TObject*, TProgressStage Stage, uint8_t Percent, bool Redraw, const RECT& R,
                                  const std::string& Msg) {
    Reports.push_back({Stage, Percent, Redraw, R});
  };
}

std::string JPEGError(int Code) { return Format("JPEG error #%d", Code); }

void Draw(TJPEGImage& Jpeg, TDrawTarget& Target) {
  Jpeg.DrawInto(Target.Canvas(), RECT{0, 0, Target.Width(), Target.Height()});
}

// The bytes of File up to the end of its scan header: a valid header and no data.
std::vector<uint8_t> HeaderOnly(const std::vector<uint8_t>& File) {
  size_t i = 2;
  while (i + 4 <= File.size() && File[i] == 0xFF) {
    const size_t length = GetU16BE(&File[i + 2]);
    if (File[i + 1] == 0xDA) return std::vector<uint8_t>(File.begin(), File.begin() + long(i + 2 + length));
    i += 2 + length;
  }
  return {};
}

}  // namespace

TEST_CASE("a JPEG tells its size at load and is decoded at its first draw, as libjpeg decodes it") {
  const std::vector<uint8_t> file = JPEGFileOf(ColourScene(640, 480));
  auto jpeg = LoadedJPEG(file);
  CHECK(jpeg->Width() == 640);
  CHECK(jpeg->Height() == 480);
  CHECK_FALSE(jpeg->Decoded());
  CHECK_FALSE(jpeg->IsEmpty());
  CHECK_FALSE(jpeg->Grayscale());
  CHECK_FALSE(jpeg->EncodeProgressively());
  CHECK(jpeg->Data() == file);

  std::vector<TReport> reports;
  Record(*jpeg, reports);
  TDrawTarget target(640, 480, kBlack);
  Draw(*jpeg, target);
  REQUIRE(jpeg->Decoded());
  CHECK(jpeg->Bitmap().PixelFormat() == TPixelFormat::pf24bit);
  const TTestImage reference = ReferenceDecode(file);
  CHECK(MaxDifference(jpeg->Bitmap(), reference) == 0);
  for (auto [x, y] : {std::pair{0, 0}, {639, 479}, {213, 240}, {500, 100}}) CHECK(target.Pixel(x, y) == reference.Rgb(x, y));
  REQUIRE(reports.size() >= 2);
  CHECK(reports.front().Stage == TProgressStage::psStarting);
  CHECK(reports.front().Percent == 0);
  CHECK(reports.back().Stage == TProgressStage::psEnding);
  CHECK(reports.back().Percent == 100);

  // Decoded once: later draws report nothing.
  reports.clear();
  Draw(*jpeg, target);
  CHECK(reports.empty());
}

TEST_CASE("the holder loads .jpg and .jpeg files as JPEG; a bitmap named .jpg fails at load with code 53") {
  TImageLibraries libraries;
  const std::vector<uint8_t> file = JPEGFileOf(ColourScene(64, 48));
  TTempFile upper("PHOTO.JPG", file), jpeg("photo2.jpeg", file);
  TTempFile bitmap("notjpeg.jpg", BmpOfPicture({{kRed, kGreen}, {kBlue, kWhite}}, 24));
  TPicture picture;
  picture.LoadFile(upper.Path());
  REQUIRE(dynamic_cast<TJPEGImage*>(picture.HeldGraphic()) != nullptr);
  picture.LoadFile(jpeg.Path());
  TGraphic* shown = picture.HeldGraphic();
  REQUIRE(dynamic_cast<TJPEGImage*>(shown) != nullptr);
  CHECK(picture.Width() == 64);

  CHECK_THROWS_WITH_AS(picture.LoadFile(bitmap.Path()), JPEGError(53).c_str(), EJPEG);
  CHECK(JPEGCodeNotAJPEG() == 53);
  CHECK(picture.HeldGraphic() == shown);
  CHECK(picture.Height() == 48);

  // A header cut short fails at load too.
  const std::vector<uint8_t> cutHeader(file.begin(), file.begin() + 40);
  TJPEGImage image;
  TMemoryStream stream(cutHeader);
  CHECK_THROWS_AS(image.LoadFromStream(stream), EJPEG);
  CHECK(image.IsEmpty());
}

TEST_CASE("an empty file loads as 0 x 0 and fails at its first draw with the empty-input code 42") {
  auto jpeg = LoadedJPEG({});
  CHECK(jpeg->Width() == 0);
  CHECK(jpeg->Height() == 0);
  CHECK(jpeg->IsEmpty());
  TDrawTarget target(4, 4, kGreen);
  CHECK_THROWS_WITH_AS(Draw(*jpeg, target), JPEGError(42).c_str(), EJPEG);
  CHECK(JPEGCodeEmptyInput() == 42);
  CHECK_NOTHROW(Draw(*jpeg, target));
  CHECK(target.Pixel(1, 1) == kGreen);
}

TEST_CASE("a damaged JPEG loads, fails once at its first draw, then shows what was decoded") {
  const std::vector<uint8_t> good = JPEGFileOf(ColourScene(96, 64));
  auto jpeg = LoadedJPEG(WithSecondFrameHeader(good));
  CHECK(jpeg->Width() == 96);
  std::vector<TReport> reports;
  Record(*jpeg, reports);
  TDrawTarget target(96, 64, kBlack);
  CHECK_THROWS_WITH_AS(Draw(*jpeg, target), JPEGError(JPEGCodeTwoFrames()).c_str(), EJPEG);
  REQUIRE_FALSE(reports.empty());
  CHECK(reports.back().Stage == TProgressStage::psEnding);
  CHECK(reports.back().Percent == 0);

  CHECK_NOTHROW(Draw(*jpeg, target));
  CHECK(MaxDifference(jpeg->Bitmap(), ReferenceDecode(good)) == 0);
  CHECK(target.Pixel(50, 30) == ReferenceDecode(good).Rgb(50, 30));
}

TEST_CASE("a JPEG cut in the middle of its data draws at full size without an error") {
  const std::vector<uint8_t> file = JPEGFileOf(ColourScene(320, 240));
  const std::vector<uint8_t> cut(file.begin(), file.begin() + long(file.size() / 2));
  auto jpeg = LoadedJPEG(cut);
  TDrawTarget target(320, 240, kBlack);
  CHECK_NOTHROW(Draw(*jpeg, target));
  CHECK(jpeg->Width() == 320);
  CHECK(jpeg->Height() == 240);
  // The rows the half file holds are the picture's own.
  CHECK(MaxDifference(jpeg->Bitmap(), ReferenceDecode(file), 0, 16) == 0);
}

TEST_CASE("ReduceScale: the size rounds up before decoding, and the pixels are libjpeg's") {
  const std::vector<uint8_t> file = JPEGFileOf(ColourScene(641, 481));
  struct TCase {
    TJPEGScale Scale;
    int Denom, Width, Height;
  };
  for (TCase c : {TCase{TJPEGScale::jsHalf, 2, 321, 241}, TCase{TJPEGScale::jsQuarter, 4, 161, 121},
                  TCase{TJPEGScale::jsEighth, 8, 81, 61}}) {
    CAPTURE(c.Denom);
    auto jpeg = LoadedJPEG(file);
    jpeg->SetReduceScale(c.Scale);
    CHECK(jpeg->Width() == c.Width);
    CHECK(jpeg->Height() == c.Height);
    CHECK_FALSE(jpeg->Decoded());
    CHECK(MaxDifference(jpeg->Bitmap(), ReferenceDecode(file, {c.Denom})) == 0);
    CHECK(jpeg->Width() == c.Width);
    // Back to full size: the picture is decoded again at its own size.
    jpeg->SetReduceScale(TJPEGScale::jsFullSize);
    CHECK_FALSE(jpeg->Decoded());
    CHECK(jpeg->Width() == 641);
  }
}

TEST_CASE("grey files and GrayOutput give 8-bit pictures with a grey palette") {
  auto greyPalette = [](const std::vector<TRGBQuad>& Table) {
    for (const TRGBQuad& q : Table)
      if (q.rgbRed != q.rgbGreen || q.rgbGreen != q.rgbBlue) return false;
    return true;
  };
  SUBCASE("a grey file") {
    const std::vector<uint8_t> file = JPEGFileOf(GreyScene(200, 150));
    auto jpeg = LoadedJPEG(file);
    CHECK(jpeg->Grayscale());
    REQUIRE(jpeg->Bitmap().PixelFormat() == TPixelFormat::pf8bit);
    CHECK(greyPalette(jpeg->Bitmap().ColorTable()));
    CHECK(MaxDifference(jpeg->Bitmap(), ReferenceDecode(file)) <= 2);
  }
  SUBCASE("a colour file decoded as grey") {
    const std::vector<uint8_t> file = JPEGFileOf(ColourScene(200, 150));
    auto jpeg = LoadedJPEG(file);
    CHECK_FALSE(jpeg->Grayscale());
    jpeg->SetGrayOutput(true);
    REQUIRE(jpeg->Bitmap().PixelFormat() == TPixelFormat::pf8bit);
    CHECK(greyPalette(jpeg->Bitmap().ColorTable()));
    CHECK(MaxDifference(jpeg->Bitmap(), ReferenceDecode(file, {1, true})) <= 2);
  }
}

TEST_CASE("8-bit output is quantized to a palette of its own, or to the palette it was given") {
  const std::vector<uint8_t> file = JPEGFileOf(ColourScene(160, 120));
  SUBCASE("its own: at most 236 colours, close to the picture") {
    auto jpeg = LoadedJPEG(file);
    jpeg->SetPixelFormat(TJPEGPixelFormat::jf8Bit);
    TBitmap& bitmap = jpeg->Bitmap();
    REQUIRE(bitmap.PixelFormat() == TPixelFormat::pf8bit);
    TBitmapPixels pixels(bitmap);
    int highest = 0;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 160; ++x) highest = std::max<int>(highest, bitmap.RowPointer(y)[x]);
    CHECK(highest < 236);
    CHECK(MeanDifference(bitmap, ReferenceDecode(file)) < 8);
    CHECK(jpeg->PaletteModified());
    CHECK(jpeg->PaletteHandle() != nullptr);
  }
  SUBCASE("a given palette") {
    const std::vector<TRGBQuad> colours = {{0, 0, 0, 0}, {255, 255, 255, 0}, {40, 200, 240, 0}, {160, 40, 20, 0}};
    auto jpeg = LoadedJPEG(file);
    jpeg->SetPixelFormat(TJPEGPixelFormat::jf8Bit);
    jpeg->WritePalette(PaletteFromColorTable(colours).Release());
    TBitmap& bitmap = jpeg->Bitmap();
    REQUIRE(bitmap.PixelFormat() == TPixelFormat::pf8bit);
    const std::vector<TRGBQuad> table = bitmap.ColorTable();
    CHECK(table[2] == TRGBQuad{40, 200, 240, 0});
    int highest = 0;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 160; ++x) highest = std::max<int>(highest, bitmap.RowPointer(y)[x]);
    CHECK(highest < 4);
    // Inside the disc the given yellow is used.
    CHECK(TBitmapPixels(bitmap).At(53, 60) == 0xF0C828);
  }
}

TEST_CASE("DecodeSpeed best speed decodes within 8 levels of best quality") {
  const std::vector<uint8_t> file = JPEGFileOf(ColourScene(200, 150));
  auto jpeg = LoadedJPEG(file);
  jpeg->SetDecodeSpeed(TJPEGPerformance::jpBestSpeed);
  CHECK(jpeg->Bitmap().PixelFormat() == TPixelFormat::pf24bit);
  CHECK(MaxDifference(jpeg->Bitmap(), ReferenceDecode(file)) <= 8);
}

TEST_CASE("a progressive JPEG decodes in one go, or pass by pass with ShowProgressively") {
  const std::vector<uint8_t> file = JPEGFileOf(ColourScene(256, 192), {90, true});
  const TTestImage reference = ReferenceDecode(file);
  TSteppingClock clock(600);  // every call of the progress monitor may report
  auto decode = [&](bool Progressively, std::vector<TReport>& Reports) {
    auto jpeg = LoadedJPEG(file);
    CHECK(jpeg->EncodeProgressively());
    jpeg->SetShowProgressively(Progressively);
    Record(*jpeg, Reports);
    CHECK(MaxDifference(jpeg->Bitmap(), reference) == 0);
  };
  std::vector<TReport> once, passes;
  decode(false, once);
  decode(true, passes);
  // A redraw report whose area runs to the bottom after a report further
  // down started a new pass of the whole picture.
  auto newPasses = [](const std::vector<TReport>& Reports) {
    int n = 0;
    for (const TReport& r : Reports)
      if (r.Stage == TProgressStage::psRunning && r.Redraw && r.R.bottom == 192 && r.R.top > 0) ++n;
    return n;
  };
  auto redraws = [](const std::vector<TReport>& Reports) {
    return std::count_if(Reports.begin(), Reports.end(), [](const TReport& r) { return r.Redraw; });
  };
  CHECK(newPasses(once) == 0);
  CHECK(newPasses(passes) >= 2);
  CHECK(redraws(passes) > redraws(once));
}

TEST_CASE("progress reports wait 500 ms between them and a handler's EAbort ends the decoding quietly") {
  const std::vector<uint8_t> file = JPEGFileOf(ColourScene(320, 240));
  SUBCASE("no report within 500 ms of the last") {
    TSteppingClock clock(100);
    auto jpeg = LoadedJPEG(file);
    std::vector<TReport> reports;
    Record(*jpeg, reports);
    jpeg->Bitmap();
    const auto running = std::count_if(reports.begin(), reports.end(),
                                       [](const TReport& r) { return r.Stage == TProgressStage::psRunning; });
    CHECK(running >= 1);
    // Each report needs at least five looks at the clock after the last.
    TSteppingClock fast(600);
    auto again = LoadedJPEG(file);
    std::vector<TReport> more;
    Record(*again, more);
    again->Bitmap();
    CHECK(std::count_if(more.begin(), more.end(), [](const TReport& r) { return r.Stage == TProgressStage::psRunning; }) >
          running);
  }
  SUBCASE("EAbort") {
    TSteppingClock clock(600);
    auto jpeg = LoadedJPEG(file);
    int running = 0;
    jpeg->OnProgress = [&](TObject*, TProgressStage Stage, uint8_t, bool, const RECT&, const std::string&) {
      if (Stage == TProgressStage::psRunning && ++running == 3) throw EAbort("stop");
    };
    TDrawTarget target(320, 240);
    CHECK_NOTHROW(Draw(*jpeg, target));
    CHECK(jpeg->Decoded());
    CHECK(jpeg->Width() == 320);
    CHECK(running == 3);
    CHECK_NOTHROW(Draw(*jpeg, target));
    CHECK(running == 3);  // not decoded again
  }
  SUBCASE("a handler that loads other bytes while the picture decodes") {
    TSteppingClock clock(600);
    auto jpeg = LoadedJPEG(file);
    const std::vector<uint8_t> other = JPEGFileOf(GreyScene(40, 30));
    int running = 0;
    jpeg->OnProgress = [&](TObject*, TProgressStage Stage, uint8_t, bool, const RECT&, const std::string&) {
      if (Stage == TProgressStage::psRunning && ++running == 2) {
        TMemoryStream stream(other);
        jpeg->LoadFromStream(stream);
      }
    };
    TDrawTarget target(320, 240);
    CHECK_NOTHROW(Draw(*jpeg, target));
    CHECK(jpeg->Width() == 40);
    CHECK(MaxDifference(jpeg->Bitmap(), ReferenceDecode(other)) <= 2);
  }
}

TEST_CASE("the size of a JPEG cannot be changed") {
  auto jpeg = LoadedJPEG(JPEGFileOf(ColourScene(32, 16)));
  CHECK_THROWS_WITH_AS(jpeg->SetWidth(10), "Cannot change the size of a JPEG image", EInvalidGraphicOperation);
  CHECK_THROWS_WITH_AS(jpeg->SetHeight(10), "Cannot change the size of a JPEG image", EInvalidGraphicOperation);
  CHECK(jpeg->Width() == 32);
  CHECK(jpeg->Height() == 16);
}

TEST_CASE("a JPEG is drawn opaque even with Transparent on") {
  // White all over but a dark block: the bottom-left pixel is white, which
  // a transparent bitmap would leave out.
  TTestImage white{48, 32, 3, std::vector<uint8_t>(48 * 32 * 3, 255)};
  for (int y = 8; y < 24; ++y)
    for (int x = 16; x < 32; ++x) white.Samples[(size_t(y) * 48 + x) * 3 + 1] = 0;
  auto jpeg = LoadedJPEG(JPEGFileOf(white));
  jpeg->SetTransparent(true);
  CHECK(jpeg->Transparent());
  TDrawTarget target(48, 32, kBlue);
  Draw(*jpeg, target);
  CHECK(target.Count(kBlue, RECT{0, 0, 48, 32}) == 0);
  CHECK((target.Pixel(0, 31) & 0xF0F0F0) == 0xF0F0F0);
}

TEST_CASE("palettes: a new one drops the decoded picture, which is decoded to it") {
  auto jpeg = LoadedJPEG(JPEGFileOf(ColourScene(64, 48)));
  CHECK(jpeg->PaletteHandle() == nullptr);  // 24 bits on a screen of more than 8
  jpeg->SetPixelFormat(TJPEGPixelFormat::jf8Bit);
  jpeg->Bitmap();
  REQUIRE(jpeg->Decoded());
  HPALETTE own = jpeg->PaletteHandle();
  CHECK(own != nullptr);
  jpeg->WritePalette(own);  // its own palette: nothing changes
  CHECK(jpeg->Decoded());

  int changes = 0;
  jpeg->OnChange = [&](TObject*) { ++changes; };
  jpeg->SetPaletteModified(false);
  std::vector<TRGBQuad> grey(16);
  for (int i = 0; i < 16; ++i) grey[size_t(i)] = TRGBQuad{uint8_t(i * 17), uint8_t(i * 17), uint8_t(i * 17), 0};
  jpeg->WritePalette(PaletteFromColorTable(grey).Release());
  CHECK_FALSE(jpeg->Decoded());
  CHECK(jpeg->PaletteModified());
  CHECK(changes == 1);
  const std::vector<TRGBQuad> table = jpeg->Bitmap().ColorTable();
  CHECK(table[15] == TRGBQuad{255, 255, 255, 0});
}

TEST_CASE("copies share the file's bytes and the decoded picture; bitmaps go in and out") {
  const std::vector<uint8_t> file = JPEGFileOf(ColourScene(80, 60));
  auto source = LoadedJPEG(file);
  source->SetReduceScale(TJPEGScale::jsHalf);
  source->Bitmap();

  TJPEGImage copy;
  copy.AssignFrom(source.get());
  CHECK(copy.Data().data() == source->Data().data());
  CHECK(copy.Decoded());
  CHECK(copy.ReduceScale() == TJPEGScale::jsHalf);
  CHECK(copy.Width() == 40);
  // New bytes in the source leave the copy as it was.
  TMemoryStream other(JPEGFileOf(ColourScene(10, 10)));
  source->LoadFromStream(other);
  CHECK(copy.Data() == file);
  CHECK(copy.Width() == 40);

  SUBCASE("into a bitmap: the decoded picture") {
    TBitmap out;
    out.AssignFrom(&copy);
    CHECK(out.Width() == 40);
    CHECK(TBitmapPixels(out).At(5, 5) == TBitmapPixels(copy.Bitmap()).At(5, 5));
  }
  SUBCASE("from a bitmap: drawn as it is, encoded when its bytes are asked for") {
    TBitmap bitmap;
    bitmap.NewDIB(24, 16, TPixelFormat::pf24bit);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 24; ++x) {
        uint8_t* p = bitmap.RowPointer(y) + x * 3;
        p[0] = 200, p[1] = uint8_t(x < 12 ? 30 : 220), p[2] = 10;
      }
    TJPEGImage fromBitmap;
    fromBitmap.AssignFrom(&bitmap);
    CHECK(fromBitmap.Data().empty());
    CHECK(fromBitmap.Width() == 24);
    TDrawTarget target(24, 16);
    Draw(fromBitmap, target);
    CHECK(target.Pixel(3, 3) == 0x0A1EC8);
    TMemoryStream saved;
    fromBitmap.SaveToStream(saved);
    CHECK_FALSE(fromBitmap.Data().empty());
    auto back = LoadedJPEG(saved.Bytes());
    CHECK(back->Width() == 24);
    CHECK(back->Height() == 16);
    const uint32_t p = TBitmapPixels(back->Bitmap()).At(3, 3);
    CHECK(std::abs(int(p >> 16) - 10) <= 12);
    CHECK(std::abs(int((p >> 8) & 0xFF) - 30) <= 12);
    CHECK(std::abs(int(p & 0xFF) - 200) <= 12);
    // Settings that decode again keep the picture: it now has its bytes.
    fromBitmap.SetGrayOutput(true);
    CHECK(fromBitmap.Width() == 24);
  }
}

TEST_CASE("the stored Data block: class name, byte count and the file, read back the same") {
  TImageLibraries libraries;
  const std::vector<uint8_t> file = JPEGFileOf(ColourScene(36, 20));
  auto jpeg = LoadedJPEG(file);
  TPicture picture;
  picture.AssignFrom(jpeg.get());
  TMemoryStream block;
  picture.WriteStoredImage(block);
  std::vector<uint8_t> expected = {10, 'T', 'J', 'P', 'E', 'G', 'I', 'm', 'a', 'g', 'e'};
  expected.resize(expected.size() + 4);
  PutU32LE(&expected[expected.size() - 4], uint32_t(file.size()));
  expected.insert(expected.end(), file.begin(), file.end());
  CHECK(block.Bytes() == expected);

  TPicture back;
  block.SetPosition(0);
  back.ReadStoredImage(block);
  auto* read = dynamic_cast<TJPEGImage*>(back.HeldGraphic());
  REQUIRE(read != nullptr);
  CHECK(read->Data() == file);
  CHECK(back.Width() == 36);
  CHECK(read->SameImage(jpeg.get()));

  // A count beyond the block's end: the stream's error, the picture kept.
  std::vector<uint8_t> cut(expected.begin(), expected.end() - 1);
  TMemoryStream short_(cut);
  CHECK_THROWS_WITH_AS(back.ReadStoredImage(short_), "Stream read error", EReadError);
  CHECK(back.HeldGraphic() == read);

  // An empty image stores a count of 0 and reads back empty.
  TJPEGImage empty;
  TMemoryStream emptyBlock;
  empty.WriteStoredImage(emptyBlock);
  CHECK(emptyBlock.Bytes() == std::vector<uint8_t>{0, 0, 0, 0});
  emptyBlock.SetPosition(0);
  TJPEGImage emptyBack;
  emptyBack.ReadStoredImage(emptyBlock);
  CHECK(emptyBack.IsEmpty());
}

TEST_CASE("hostile files: an error or a partial picture, never a crash or a hang") {
  const std::vector<uint8_t> file = JPEGFileOf(ColourScene(128, 96));
  const std::vector<uint8_t> header = HeaderOnly(file);
  REQUIRE_FALSE(header.empty());
  TDrawTarget target(128, 96);
  auto drawsOrFails = [&](const std::vector<uint8_t>& Bytes) {
    auto jpeg = LoadedJPEG(Bytes);
    CHECK(jpeg->Width() == 128);
    try {
      Draw(*jpeg, target);
    } catch (const EJPEG&) {
    }
    CHECK_NOTHROW(Draw(*jpeg, target));
  };
  SUBCASE("random bytes after a valid header") {
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
      std::vector<uint8_t> bytes = header;
      for (int i = 0; i < 6000; ++i) bytes.push_back(uint8_t(random()));
      drawsOrFails(bytes);
    }
  }
  SUBCASE("endless restart markers") {
    std::vector<uint8_t> bytes = header;
    for (int i = 0; i < 400000; ++i) {
      bytes.push_back(0xFF);
      bytes.push_back(uint8_t(0xD0 + i % 8));
    }
    drawsOrFails(bytes);
  }
  SUBCASE("absurd dimensions are refused at load") {
    std::vector<uint8_t> bytes = file;
    size_t i = 2;
    while (bytes[i + 1] != 0xC0) i += 2 + size_t{GetU16BE(&bytes[i + 2])};
    bytes[i + 5] = 0xEA, bytes[i + 6] = 0x60;  // height 60000
    bytes[i + 7] = 0xEA, bytes[i + 8] = 0x60;  // width 60000
    CHECK_THROWS_AS(LoadedJPEG(bytes), EJPEG);
  }
}
