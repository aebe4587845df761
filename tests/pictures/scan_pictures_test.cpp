// Pictures through the real main window: a scan over a folder shows each
// bitmap file in Image1 (size in the edits, pixels in the picture area,
// white dropped by the view's transparency) and logs the picture files
// whose format is not there yet; pictures named in any script.
#include <doctest/doctest.h>

#include <algorithm>
#include <functional>

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

TEST_CASE("pictures named in any script are shown and counted; every line shows their names as they are") {
  // The tree is made through the wide functions, so that what a name is
  // does not depend on the program's byte strings.
  TScratchTree tree;
  const std::wstring top = Wide(tree.Root()) + L"\\Карты мира";
  const struct {
    const wchar_t* Folder;  // below top; empty: top itself
    const wchar_t* Name;
    const char* Sample;
    const char* Width;
    const char* Height;
    const char* Class;
  } named[] = {{L"Фото", L"Ёлка.bmp", "hills_24.bmp", "168", "100", "TBitmap"},
               {L"Фото", L"ромб.gif", "bars_interlaced.gif", "120", "80", "TGIFImage"},
               {L"写真", L"山.bmp", "hills_8.bmp", "168", "100", "TBitmap"},
               {L"🌄 view", L"Ελλάδα.png", "sunset.png", "160", "120", "TPNGObject"},
               {L"🌄 view", L"🌅.png", "checker_gray16.png", "64", "48", "TPNGObject"},
               {L"صور", L"ميناء.jpg", "harbour_dusk.jpg", "320", "200", "TJPEGImage"},
               {L"", L"plain.bmp", "badge_white_key.bmp", "96", "96", "TBitmap"}};
  REQUIRE(CreateDirectoryW(top.c_str(), nullptr));
  for (const auto& n : named) {
    const std::wstring folder = *n.Folder != L'\0' ? top + L"\\" + n.Folder : top;
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring sample = Wide(std::string("Z:") + VR_SOURCE_DIR + "/samples/pictures/" + n.Sample);
    REQUIRE(CopyFileW(sample.c_str(), (folder + L"\\" + n.Name).c_str(), TRUE));
  }

  TMainWindowFixture app;
  TForm1& f = app.Form();
  f.DirectoryListBox1->SetDirectory(Utf8(top));
  // The folder list: the scanned folder, then its sub-folders.
  std::vector<std::wstring> items;
  for (int i = 0; i < f.DirectoryListBox1->ItemCount(); ++i) {
    const LRESULT length = SendMessageW(f.DirectoryListBox1->Handle(), LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring item(static_cast<size_t>(length) + 1, L'\0');
    item.resize(static_cast<size_t>(SendMessageW(f.DirectoryListBox1->Handle(), LB_GETTEXT, static_cast<WPARAM>(i),
                                                 reinterpret_cast<LPARAM>(item.data()))));
    items.push_back(item);
  }
  REQUIRE(items.size() >= 5);
  std::sort(items.end() - 4, items.end());
  CHECK(std::vector<std::wstring>(items.end() - 5, items.end()) ==
        std::vector<std::wstring>{L"Карты мира", L"Фото", L"صور", L"写真", L"🌄 view"});

  // What each picture's wait showed: the picture, its size, both status lines.
  struct TSeen {
    std::wstring Scanning, Found;
    std::string Width, Height, Class;
  };
  std::vector<TSeen> seen;
  std::function<void()> look = [&] {
    const TGraphic* shown = f.Image1->Picture().HeldGraphic();
    seen.push_back({WindowTextW(f.StatusBar1->Handle()), WindowTextW(f.StatusBar2->Handle()), f.EditWidth1->Text(),
                    f.EditHeight1->Text(), shown != nullptr ? shown->ClassName() : ""});
    if (seen.size() < std::size(named)) app.Clock.After(100, look);
  };
  app.Clock.After(50, look);  // the display timer ticks every 100 ms: in the middle of each wait
  TMainWindowFixture::Click(f.SpeedButtonGo1);

  CHECK(app.Boxes.empty());
  CHECK(WindowTextW(f.Memo1->Handle()) == L" Loop: 1\r\n>" + top + L"*.*   \r\nFound: 7 Loops: 1\r\n");
  CHECK(WindowTextW(f.Editpath1->Handle()) == top);
  REQUIRE(seen.size() == std::size(named));
  for (const auto& n : named) {
    const std::wstring folder = *n.Folder != L'\0' ? top + L"\\" + n.Folder : top;
    std::wstring full = folder + L"\\" + n.Name;  // upper-cased, the letters a to z only
    for (wchar_t& c : full)
      if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    const std::wstring found = L"Found: " + full;
    CAPTURE(std::string(n.Sample));
    auto it = std::find_if(seen.begin(), seen.end(), [&](const TSeen& s) { return s.Found.rfind(found, 0) == 0; });
    REQUIRE(it != seen.end());
    CHECK(it->Found == found);
    CHECK(it->Scanning == L"Scan: " + folder + L"\\*.*  " + n.Name);
    CHECK(it->Width == n.Width);
    CHECK(it->Height == n.Height);
    CHECK(it->Class == n.Class);
  }
}
