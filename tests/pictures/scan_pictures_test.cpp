// Pictures through the real main window: a scan over a folder shows each
// bitmap file in Image1 (size in the edits, pixels in the picture area,
// white dropped by the view's transparency) and logs the picture files
// whose format is not there yet.
#include <doctest/doctest.h>

#include "pictures/bitmap.h"
#include "pictures/picture_test_support.h"
#include "support/app_fixture.h"

using namespace vr;
using namespace vr::test;

namespace {

// Width × Height of white with a Colour block from (2, 2) to the far edges less 2.
std::vector<uint8_t> FramedBmp(int Width, int Height, uint32_t Colour, uint16_t Bits) {
  std::vector<std::vector<uint32_t>> rows(size_t(Height), std::vector<uint32_t>(size_t(Width), kWhite));
  for (int y = 2; y < Height - 2; ++y)
    for (int x = 2; x < Width - 2; ++x) rows[size_t(y)][size_t(x)] = Colour;
  return BmpOfPicture(rows, Bits, {kWhite, Colour});
}

// What Image1 shows: the view drawn into a memory DC of its size over black.
struct TShown {
  explicit TShown(TImage& View) : Target(View.Width(), View.Height(), kBlack) { View.PaintOn(Target.Canvas()); }
  TDrawTarget Target;
};

}  // namespace

TEST_CASE("a scan shows every bitmap file and logs the picture files it cannot read yet") {
  TScratchTree tree;
  tree.File("a.bmp", FramedBmp(30, 20, kRed, 24));
  tree.File("b.gif", std::string("GIF89a"));
  tree.File("c.png", std::string("\x89PNG"));
  tree.File("d.jpg", std::string("\xFF\xD8\xFF"));
  tree.File("e.ico", std::string("\0\0\1\0", 4));
  tree.File("sub\\f.bmp", FramedBmp(12, 40, kBlue, 8));
  tree.File("sub\\g.bmp", std::string("BMnot a bitmap"));

  TMainWindowFixture app;
  TForm1& f = app.Form();
  f.CheckBoxIco1->SetChecked(true);
  f.DirectoryListBox1->SetDirectory(tree.Root());
  TImage& view = *f.Image1;
  const int viewWidth = view.Width(), viewHeight = view.Height();
  REQUIRE(viewWidth > 40);
  REQUIRE(viewHeight > 40);

  // While a.bmp is up: its size in the edits, its red block centred, white
  // dropped by the view's transparency (bottom-left is white).
  std::string widthDuring, heightDuring;
  RECT redDuring{};
  int whiteDuring = -1;
  app.Clock.After(1, [&] {
    widthDuring = f.EditWidth1->Text();
    heightDuring = f.EditHeight1->Text();
    TShown shown(view);
    redDuring = shown.Target.BoundsOfOther(kBlack);
    whiteDuring = shown.Target.Count(kWhite, RECT{0, 0, viewWidth, viewHeight});
  });
  TMainWindowFixture::Click(f.SpeedButtonGo1);

  CHECK(widthDuring == "30");
  CHECK(heightDuring == "20");
  const int left = (viewWidth - 30) / 2, top = (viewHeight - 20) / 2;
  CHECK(redDuring.left == left + 2);
  CHECK(redDuring.top == top + 2);
  CHECK(redDuring.right == left + 28);
  CHECK(redDuring.bottom == top + 18);
  CHECK(whiteDuring == 0);

  const std::string root = AsciiUpperCase(tree.Root());
  std::vector<std::string> lines = app.LogLines();
  std::vector<std::string> bad;
  for (const std::string& line : lines)
    if (line.rfind("++++ Bad Image File: ", 0) == 0) bad.push_back(line.substr(21));
  CHECK(bad == std::vector<std::string>{root + "\\B.GIF", root + "\\C.PNG", root + "\\D.JPG", root + "\\E.ICO",
                                        root + "\\SUB\\G.BMP"});
  REQUIRE_FALSE(lines.empty());
  CHECK(lines.back() == "Found: 7 Loops: 1");

  // The last good picture stays: f.bmp, 12 × 40, its blue block centred.
  CHECK(f.EditWidth1->Text() == "12");
  CHECK(f.EditHeight1->Text() == "40");
  CHECK(view.Picture().Width() == 12);
  CHECK(view.Width() == viewWidth);  // AutoSize, but the view fills its panel
  TShown after(view);
  const RECT blue = after.Target.BoundsOfOther(kBlack);
  CHECK(blue.left == (viewWidth - 12) / 2 + 2);
  CHECK(blue.top == (viewHeight - 40) / 2 + 2);
  CHECK(after.Target.Pixel((blue.left + blue.right) / 2, (blue.top + blue.bottom) / 2) == kBlue);

  // Transparent off and Stretch on: the white frame shows and fills the view.
  TMainWindowFixture::Click(f.CheckBoxTransParent1);
  CHECK_FALSE(view.Transparent());
  TMainWindowFixture::Click(f.SpeedButtonStretch1);
  CHECK(view.Stretch());
  TShown stretched(view);
  CHECK(stretched.Target.Pixel(0, 0) == kWhite);
  CHECK(stretched.Target.Pixel(viewWidth - 1, viewHeight - 1) == kWhite);
  CHECK(stretched.Target.Pixel(viewWidth / 2, viewHeight / 2) == kBlue);
  CHECK(app.Boxes.empty());
}
