// PNG files through the picture holder: the format is registered, damaged
// files raise their own errors and leave the shown picture alone, and a scan
// run over a folder of PNG files shows each of them.
#include <doctest/doctest.h>

#include <chrono>

#include "pictures/picture.h"
#include "png/png_messages.h"
#include "png_draw_support.h"
#include "png_test_encoder.h"
#include "support/app_fixture.h"

using namespace vr;
using namespace vr::test;
using namespace pngtest;

namespace {

// A picture that counts its change notices.
struct TWatchedPicture {
  TPicture Picture;
  int Changes = 0;
  TWatchedPicture() {
    EnsureImageLibraries();
    Picture.OnChange = [this](TObject*) { ++Changes; };
  }
};

template <class E>
void ChecksFailure(TWatchedPicture& w, const std::string& Path, const std::string& Message) {
  TGraphic* before = w.Picture.HeldGraphic();
  const int width = w.Picture.Width(), changes = w.Changes;
  CAPTURE(Path);
  CHECK_THROWS_WITH_AS(w.Picture.LoadFile(Path), Message.c_str(), E);
  CHECK(w.Picture.HeldGraphic() == before);
  CHECK(w.Picture.Width() == width);
  CHECK(w.Changes == changes);
}

}  // namespace

TEST_CASE("PNG files load through the picture holder by their extension") {
  TScratchTree tree;
  TWatchedPicture w;
  const TGraphicClass* cls = TFileFormatsList::Instance().FindByExtension("PNG");
  REQUIRE(cls != nullptr);
  CHECK(std::string(cls->Name) == "TPNGObject");
  bool described = false;
  for (const auto& f : TFileFormatsList::Instance().Formats())
    if (f->Extension == "png") described = f->Description == "Portable Network Graphics";
  CHECK(described);

  const TestImage img = TestImage::Random(13, 7, 8, kPNGRGBA, 3);
  w.Picture.LoadFile(tree.File("PIC.PNG", MakePng(img, true)));
  REQUIRE(w.Picture.HeldGraphic() != nullptr);
  CHECK(std::string(w.Picture.HeldGraphic()->ClassName()) == "TPNGObject");
  CHECK(w.Picture.Width() == 13);
  CHECK(w.Picture.Height() == 7);
  CHECK(w.Changes == 1);
  CHECK(CompareDecoded(*dynamic_cast<TPNGObject*>(w.Picture.HeldGraphic()), img) == "");
}

TEST_CASE("damaged PNG files raise their own errors and leave the previous picture") {
  TScratchTree tree;
  TWatchedPicture w;
  w.Picture.LoadFile(tree.File("good.png", MakePng(TestImage::Random(5, 4, 8, kPNGRGB, 1), false)));
  REQUIRE(w.Picture.Width() == 5);

  const TestImage img = TestImage::Random(6, 6, 8, kPNGRGB, 2);
  const Bytes good = MakePng(img, false);
  const Bytes idat = Zlib(Scanlines(img, false, Filter(0)));
  const std::string q = "\"Portable Network Graphics\"";

  SUBCASE("a wrong signature") {
    Bytes bad = good;
    bad[1] = 'Q';
    ChecksFailure<EPNGInvalidFileHeader>(w, tree.File("sig.png", bad), PngText(TPngText::InvalidFileHeader));
  }
  SUBCASE("a bad CRC") {
    Bytes bad = good;
    bad[20] ^= 1;  // inside the header's data
    ChecksFailure<EPngInvalidCRC>(
        w, tree.File("crc.png", bad),
        "This " + q + " image is not valid because it contains invalid pieces of data (crc error)");
  }
  SUBCASE("a missing header") {
    PngFile f;
    f.Add("gAMA", {0, 0, 0xB1, 0x8F}).AddIdat(idat).End();
    ChecksFailure<EPNGIHDRNotFirst>(w, tree.File("noihdr.png", f.Data), PngText(TPngText::IHDRNotFirst));
  }
  SUBCASE("truncated image data") {
    PngFile f;
    f.Add("IHDR", IhdrData(6, 6, 8, kPNGRGB));
    f.Data.insert(f.Data.end(), {0, 0, 0, static_cast<uint8_t>(idat.size()), 'I', 'D', 'A', 'T'});
    f.Data.insert(f.Data.end(), idat.begin(), idat.begin() + idat.size() / 2);
    ChecksFailure<EPngInvalidCRC>(w, tree.File("trunc.png", f.Data), PngText(TPngText::InvalidCRC));
  }
  SUBCASE("corrupt compressed data") {
    Bytes broken = idat;
    broken[0] = 0x78, broken[1] = 0x9C, broken[2] = 0xFF;  // a reserved block type
    PngFile f;
    f.Add("IHDR", IhdrData(6, 6, 8, kPNGRGB)).AddIdat(broken).End();
    ChecksFailure<EPNGZLIBError>(w, tree.File("zlib.png", f.Data),
                                 std::string(PngText(TPngText::ZLIBError)) + "data error (-3)");
  }
  SUBCASE("an unknown critical chunk") {
    PngFile f;
    f.Add("IHDR", IhdrData(6, 6, 8, kPNGRGB)).Add("ABCD", {1, 2}).AddIdat(idat).End();
    ChecksFailure<EPNGUnknownCriticalChunk>(w, tree.File("crit.png", f.Data),
                                            PngText(TPngText::UnknownCriticalChunk));
  }
  SUBCASE("no image data, or no end") {
    PngFile none;
    none.Add("IHDR", IhdrData(6, 6, 8, kPNGRGB)).End();
    ChecksFailure<EPNGNoImageData>(w, tree.File("nodata.png", none.Data), PngText(TPngText::NoImageData));
    PngFile open;
    open.Add("IHDR", IhdrData(6, 6, 8, kPNGRGB)).AddIdat(idat);
    ChecksFailure<EPngUnexpectedEnd>(w, tree.File("noend.png", open.Data), PngText(TPngText::UnexpectedEnd));
  }
  SUBCASE("sizes the header allows but memory cannot honour are refused at once") {
    for (uint8_t type : {kPNGRGB, kPNGRGBA}) {
      PngFile f;
      f.Add("IHDR", IhdrData(60000, 60000, 8, type)).AddIdat(Zlib(Bytes(1000, 0))).End();
      const auto start = std::chrono::steady_clock::now();
      ChecksFailure<EPNGOutMemory>(w, tree.File("huge.png", f.Data), PngText(TPngText::OutMemory));
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      MESSAGE("refusing 60000 x 60000 took " << seconds << " s");
    }
    PngFile wide;
    wide.Add("IHDR", IhdrData(65536, 1, 8, kPNGGray)).AddIdat(idat).End();
    ChecksFailure<EPNGSizeExceeds>(w, tree.File("wide.png", wide.Data), PngText(TPngText::SizeExceeds));
  }
  // The picture still draws.
  TDibCanvas dib(5, 4);
  CHECK_NOTHROW(dib.Draw(*w.Picture.HeldGraphic()));
}

TEST_CASE("a scan run shows PNG files: opaque, keyed and blended over the view's background") {
  // Each file's first pixel and what it must look like over black.
  struct Case {
    const char* name;
    Bytes file;
    uint32_t width, height;
    COLORREF topLeft;
  };
  TestImage opaque = TestImage::Random(40, 30, 8, kPNGRGB, 1);
  opaque.At(0, 0, 0) = 200, opaque.At(0, 0, 1) = 100, opaque.At(0, 0, 2) = 50;
  TestImage keyed = TestImage::Random(21, 17, 8, kPNGGray, 2);
  keyed.At(0, 0, 0) = 77;
  TestImage blended = TestImage::Random(33, 9, 8, kPNGRGBA, 3);
  blended.At(0, 0, 0) = 255, blended.At(0, 0, 1) = 255, blended.At(0, 0, 2) = 255, blended.At(0, 0, 3) = 128;
  const Case cases[] = {
      {"opaque.png", MakePng(opaque, false), 40, 30, RGB(200, 100, 50)},
      {"keyed.png", MakePng(keyed, true, Filter(4), {{"tRNS", Be16s({77})}}), 21, 17, RGB(0, 0, 0)},
      {"blended.png", MakePng(blended, false, Filter(3)), 33, 9, RGB(128, 128, 128)},
  };
  EnsureImageLibraries();
  for (const Case& c : cases) {
    CAPTURE(c.name);
    TScratchTree tree;
    tree.File(std::string("pics\\") + c.name, c.file);
    SetCurrentDirectoryA(tree.Folder("pics").c_str());
    TMainWindowFixture app;
    TForm1& f = app.Form();
    TMainWindowFixture::Click(f.SpeedButtonGo1);
    CHECK(app.Log().find("++++ Bad Image File") == std::string::npos);
    CHECK(app.Log().find("Found: 1 Loops: 1") != std::string::npos);
    CHECK(f.EditHeight1->Text() == std::to_string(c.height));
    CHECK(f.EditWidth1->Text() == std::to_string(c.width));
    TGraphic* shown = f.Image1->Picture().HeldGraphic();
    REQUIRE(shown != nullptr);
    CHECK(std::string(shown->ClassName()) == "TPNGObject");

    // The view paints the picture, centred, over what its parent painted.
    TDibCanvas dib(f.Image1->Width(), f.Image1->Height(), RGB(0, 0, 0));
    f.Image1->PaintOn(dib.Canvas());
    const RECT r = f.Image1->DestRect();
    CHECK(r.right - r.left == static_cast<int>(c.width));
    CHECK(dib.Pixel(r.left, r.top) == c.topLeft);
    if (r.left > 0) CHECK(dib.Pixel(r.left - 1, r.top) == RGB(0, 0, 0));
  }
}

TEST_CASE("a scan run logs a damaged PNG file and keeps showing the picture before it") {
  EnsureImageLibraries();
  TScratchTree tree;
  tree.File("a.png", MakePng(TestImage::Random(12, 8, 4, kPNGPalette, 1), false));
  Bytes bad = MakePng(TestImage::Random(30, 30, 8, kPNGRGB, 2), false);
  bad[bad.size() - 20] ^= 0x40;
  const std::string badPath = tree.File("b.png", bad);
  SetCurrentDirectoryA(tree.Root().c_str());
  TMainWindowFixture app;
  TForm1& f = app.Form();
  TMainWindowFixture::Click(f.SpeedButtonGo1);
  std::string upper = badPath;
  for (char& ch : upper) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
  CHECK(app.Log().find("++++ Bad Image File: " + upper) != std::string::npos);
  CHECK(f.EditWidth1->Text() == "12");
  CHECK(f.EditHeight1->Text() == "8");
  CHECK(f.Image1->Picture().Width() == 12);
}

TEST_CASE("the sample pictures load and draw as they were made") {
  EnsureImageLibraries();
  std::string folder = "Z:" VR_SOURCE_DIR "/samples/pictures/";
  for (char& ch : folder)
    if (ch == '/') ch = '\\';
  const COLORREF bg = RGB(48, 96, 160);
  struct Sample {
    const char* name;
    int width, height;
    POINT probe;
    COLORREF colour;
  };
  const Sample samples[] = {
      {"sunset.png", 160, 120, {0, 0}, RGB(30, 40, 140)},
      {"rings_key.png", 96, 96, {0, 0}, bg},                // the key colour
      {"rings_key.png", 96, 96, {48, 48}, RGB(255, 202, 40)},
      {"glow_alpha.png", 80, 80, {0, 0}, bg},               // alpha 0
      {"checker_gray16.png", 64, 48, {1, 1}, bg},           // keyed black squares
      {"checker_gray16.png", 64, 48, {9, 1}, RGB(0x43, 0x43, 0x43)},
  };
  for (const Sample& s : samples) {
    CAPTURE(s.name);
    TPicture picture;
    picture.LoadFile(folder + s.name);
    CHECK(picture.Width() == s.width);
    CHECK(picture.Height() == s.height);
    TDibCanvas dib(s.width, s.height, bg);
    dib.Draw(*picture.HeldGraphic());
    CHECK(dib.Pixel(s.probe.x, s.probe.y) == s.colour);
  }
}
