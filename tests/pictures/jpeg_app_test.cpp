// JPEG pictures in the program's windows: the start picture of the main
// and splash windows, the About logo, JPEG files shown by a scan, and a
// damaged JPEG whose error reaches the error box when the view paints.
#include <doctest/doctest.h>

#include "app/about_box.h"
#include "app/splash_form.h"
#include "pictures/jpeg_support.h"
#include "pictures/picture_test_support.h"
#include "support/app_fixture.h"

using namespace vr;
using namespace vr::test;

namespace {

// What a view shows: painted into a memory DC of its size over Fill.
struct TShown {
  TShown(TImage& View, uint32_t Fill) : Target(View.Width(), View.Height(), Fill) { View.PaintOn(Target.Canvas()); }
  TDrawTarget Target;
};

// The middle of the view in the picture's own coordinates.
POINT ViewMiddleInPicture(TImage& View) {
  const RECT d = View.DestRect();
  return POINT{View.Width() / 2 - d.left, View.Height() / 2 - d.top};
}

}  // namespace

TEST_CASE("the main window opens showing the start picture, a 336 x 200 JPEG") {
  TImageLibraries libraries;
  TMainWindowFixture app;
  TImage& view = *app.Form().Image1;
  auto* jpeg = dynamic_cast<TJPEGImage*>(view.Picture().HeldGraphic());
  REQUIRE(jpeg != nullptr);
  CHECK(view.Picture().Width() == 336);
  CHECK(view.Picture().Height() == 200);
  // Nothing was loaded yet: the size edits keep their design texts.
  CHECK(app.Form().EditHeight1->Text() == "Height");
  CHECK(app.Form().EditWidth1->Text() == "Width");

  TShown shown(view, 0xFF00FF);
  const POINT p = ViewMiddleInPicture(view);
  REQUIRE(p.x >= 0);
  REQUIRE(p.x < 336);
  REQUIRE(p.y >= 0);
  REQUIRE(p.y < 200);
  CHECK(shown.Target.Pixel(view.Width() / 2, view.Height() / 2) == TBitmapPixels(jpeg->Bitmap()).At(p.x, p.y));
}

TEST_CASE("the splash window shows the start picture and is sized from its view; About shows its logo") {
  TImageLibraries libraries;
  TMainWindowFixture app;
  TSplashForm splash(nullptr);
  CHECK(dynamic_cast<TJPEGImage*>(splash.Image1->Picture().HeldGraphic()) != nullptr);
  // The view fills the panel inside the 5-pixel border and the panel's
  // bevel: 304 x 192 in the design size, which makes the window 314 x 196.
  CHECK(splash.Width() == 304 + 10);
  CHECK(splash.Height() == 192 + 4);
  CHECK(splash.Image1->Width() == 314 - 10 - 2);
  CHECK(splash.Image1->Height() == 196 - 10 - 2);

  TAboutBox about(nullptr);
  auto* logo = dynamic_cast<TBitmap*>(about.Image1->Picture().HeldGraphic());
  REQUIRE(logo != nullptr);
  CHECK(logo->Width() == 157);
  CHECK(logo->Height() == 78);
  TShown shown(*about.Image1, 0xFF00FF);
  CHECK(shown.Target.Count(0xFF00FF, RECT{0, 0, 157, 78}) == 0);
}

TEST_CASE("a scan shows JPEG files: their size in the edits, their pixels in the picture area") {
  TImageLibraries libraries;
  TScratchTree tree;
  const std::vector<uint8_t> photo = JPEGFileOf(ColourScene(640, 480));
  tree.File("A.JPG", photo);
  tree.File("B.JPG", JPEGFileOf(GreyScene(120, 90), {80, true}));
  TMainWindowFixture app;
  TForm1& form = app.Form();
  std::vector<std::string> sizes;
  uint32_t middle = 0, expected = 0;
  std::function<void()> look = [&] {
    sizes.push_back(form.EditWidth1->Text() + "x" + form.EditHeight1->Text());
    if (sizes.size() == 1) {
      TShown shown(*form.Image1, 0xFF00FF);
      auto* jpeg = dynamic_cast<TJPEGImage*>(form.Image1->Picture().HeldGraphic());
      REQUIRE(jpeg != nullptr);
      const POINT p = ViewMiddleInPicture(*form.Image1);
      middle = shown.Target.Pixel(form.Image1->Width() / 2, form.Image1->Height() / 2);
      expected = ReferenceDecode(photo).Rgb(p.x, p.y);
    }
    if (sizes.size() < 2) app.Clock.After(form.SpinEditFast1->Value() + 10, look);
  };
  app.Clock.After(50, look);
  form.DirectoryListBox1->SetDirectory(tree.Root());
  TMainWindowFixture::Click(form.SpeedButtonGo1);
  CHECK(sizes == std::vector<std::string>{"640x480", "120x90"});
  CHECK(middle == expected);
  CHECK(app.Log().find("Bad Image File") == std::string::npos);
  CHECK(app.Boxes.empty());
}

TEST_CASE("a damaged or empty JPEG loads in a scan, and its error reaches the error box once, when the view paints") {
  TImageLibraries libraries;
  struct Case {
    std::string Name;
    std::vector<uint8_t> Data;
    int Code;
    const char* Width;
  };
  for (const Case& c : {Case{"D.JPG", WithSecondFrameHeader(JPEGFileOf(ColourScene(96, 64))), JPEGCodeTwoFrames(), "96"},
                        Case{"E.JPG", {}, JPEGCodeEmptyInput(), "0"}}) {
    CAPTURE(c.Name);
    TScratchTree tree;
    tree.File(c.Name, c.Data);
    TMainWindowFixture app;
    TForm1& form = app.Form();
    auto repaint = [&] { RedrawWindow(form.Panel3->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); };
    app.Clock.After(50, [&] {
      repaint();
      repaint();
    });
    form.DirectoryListBox1->SetDirectory(tree.Root());
    TMainWindowFixture::Click(form.SpeedButtonGo1);
    CHECK(form.EditWidth1->Text() == c.Width);
    CHECK(app.Log().find("Bad Image File") == std::string::npos);
    REQUIRE(app.Boxes.size() == 1);
    CHECK(app.Boxes[0].Text == Format("JPEG error #%d.", c.Code));
    CHECK(app.Boxes[0].Caption == "Vistaroam");
    CHECK((app.Boxes[0].Flags & MB_ICONERROR) == MB_ICONERROR);
    // Later paints show what was decoded without raising again.
    repaint();
    CHECK(app.Boxes.size() == 1);
    auto* jpeg = dynamic_cast<TJPEGImage*>(form.Image1->Picture().HeldGraphic());
    REQUIRE(jpeg != nullptr);
    CHECK(jpeg->Decoded());
  }
}
