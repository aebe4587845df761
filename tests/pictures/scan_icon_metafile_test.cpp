// Icons and metafiles through the real main window: with Get ICO, Get WMF
// and Get EMF ticked, a scan shows each file centred in Image1 with its size
// in the edits, and logs the damaged ones; the sample pictures load and draw.
#include <doctest/doctest.h>

#include <map>

#include "pictures/icon_metafile_files.h"
#include "pictures/jpeg_support.h"
#include "pictures/metafile/metafile_win.h"
#include "pictures/picture.h"
#include "pictures/picture_test_support.h"
#include "support/app_fixture.h"

using namespace vr;
using namespace vr::test;

namespace {

constexpr uint32_t kClear = 0xFEFEFE;

// What the window showed while one file was up.
struct TSeen {
  std::string Width, Height, Class;
  RECT Drawn{};                 // everything that is not the black background
  uint32_t Centre = 0, Left = 0, Right = 0;  // pixels in the middle, left and right of it
};

bool SameRect(const RECT& A, const RECT& B) { return EqualRect(&A, &B) != 0; }

}  // namespace

TEST_CASE("a scan with icons and metafiles ticked shows each of them and logs the damaged ones") {
  TScratchTree tree;
  tree.File("a.ico", IcoFile({TIconEntry{32, 32, 0, 24, IconImage(Framed(32, 32, kRed, kClear, 2), 24, {}, kClear)}}));
  tree.File("b.wmf", PlaceableWmf(0, 0, 1440, 720, 1440, RecordWmf([](HDC dc) {
                                    SetMapMode(dc, MM_ANISOTROPIC);
                                    SetWindowExtEx(dc, 1440, 720, nullptr);
                                    FillSolid(dc, RECT{0, 0, 720, 720}, kRed);
                                    FillSolid(dc, RECT{720, 0, 1440, 720}, kGreen);
                                  })));
  const RECT frame{0, 0, 5080, 2540};
  const RECT px = FrameInScreenPixels(frame);
  tree.File("c.emf", RecordEmf(frame, [&](HDC dc) {
              FillSolid(dc, RECT{0, 0, px.right / 2, px.bottom}, kBlue);
              FillSolid(dc, RECT{px.right / 2, 0, px.right, px.bottom}, kWhite);
            }));
  tree.File("d.ico", std::string("\0\0\1\0\0\0", 6));                         // no images
  tree.File("e.wmf", PlaceableWmf(0, 0, 10, 10, 96, {1, 0, 9, 0}, true));     // wrong checksum
  tree.File("f.emf", std::string(200, '\x01'));                                // neither EMF nor WMF

  TMainWindowFixture app;
  TForm1& f = app.Form();
  f.CheckBoxIco1->SetChecked(true);
  f.CheckBoxWmf1->SetChecked(true);
  f.CheckBoxEmf1->SetChecked(true);
  f.DirectoryListBox1->SetDirectory(tree.Root());
  TImage& view = *f.Image1;
  const int vw = view.Width(), vh = view.Height();
  REQUIRE(vw > 200);
  REQUIRE(vh > 100);

  // Looks every 10 ms; the first look at each file is kept.
  std::map<std::string, TSeen> seen;
  std::function<void()> look = [&] {
    const std::string found = f.StatusBar2->SimpleText();
    if (!found.empty() && seen.count(found) == 0 && view.Picture().HeldGraphic() != nullptr) {
      TSeen s;
      s.Width = f.EditWidth1->Text();
      s.Height = f.EditHeight1->Text();
      s.Class = view.Picture().HeldGraphic()->ClassName();
      TDrawTarget target(vw, vh, kBlack);
      view.PaintOn(target.Canvas());
      s.Drawn = target.BoundsOfOther(kBlack);
      const int cy = (s.Drawn.top + s.Drawn.bottom) / 2;
      s.Centre = target.Pixel((s.Drawn.left + s.Drawn.right) / 2, cy);
      s.Left = target.Pixel(s.Drawn.left + 3, cy);
      s.Right = target.Pixel(s.Drawn.right - 4, cy);
      seen[found] = s;
    }
    app.Clock.After(10, look);
  };
  app.Clock.After(1, look);
  TMainWindowFixture::Click(f.SpeedButtonGo1);

  const std::string root = AsciiUpperCase(tree.Root());
  const TSeen& ico = seen["Found: " + root + "\\A.ICO"];
  CHECK(ico.Class == "TIcon");
  CHECK(ico.Width == "32");
  CHECK(ico.Height == "32");
  // Centred; the clear border shows the background.
  const int il = (vw - 32) / 2, it = (vh - 32) / 2;
  CHECK(SameRect(ico.Drawn, RECT{il + 2, it + 2, il + 30, it + 30}));
  CHECK(ico.Centre == kRed);

  const TSeen& wmf = seen["Found: " + root + "\\B.WMF"];
  CHECK(wmf.Class == "TMetafile");
  CHECK(wmf.Width == "96");
  CHECK(wmf.Height == "48");
  const int wl = (vw - 96) / 2, wt = (vh - 48) / 2;
  CHECK(SameRect(wmf.Drawn, RECT{wl, wt, wl + 95, wt + 47}));
  CHECK(wmf.Left == kRed);
  CHECK(wmf.Right == kGreen);

  const TSeen& emf = seen["Found: " + root + "\\C.EMF"];
  CHECK(emf.Class == "TMetafile");
  CHECK(emf.Width == "192");
  CHECK(emf.Height == "96");
  const int el = (vw - 192) / 2, et = (vh - 96) / 2;
  CHECK(SameRect(emf.Drawn, RECT{el, et, el + 191, et + 95}));
  CHECK(emf.Left == kBlue);
  CHECK(emf.Right == kWhite);

  std::vector<std::string> bad;
  const std::vector<std::string> lines = app.LogLines();
  for (const std::string& line : lines)
    if (line.rfind("++++ Bad Image File: ", 0) == 0) bad.push_back(line.substr(21));
  CHECK(bad == std::vector<std::string>{root + "\\D.ICO", root + "\\E.WMF", root + "\\F.EMF"});
  REQUIRE_FALSE(lines.empty());
  CHECK(lines.back() == "Found: 6 Loops: 1");
  CHECK(app.Boxes.empty());
}

TEST_CASE("the sample icon and metafiles load through the picture holder and draw") {
  TImageLibraries libraries;  // the sample icon holds an image stored as PNG data
  auto sample = [](const char* Name) {
    std::string path = std::string("Z:") + VR_SOURCE_DIR + "/samples/pictures/" + Name;
    for (char& c : path)
      if (c == '/') c = '\\';
    return path;
  };
  TPicture picture;
  picture.LoadFile(sample("traffic_light.ico"));
  CHECK(picture.Width() == 32);
  TDrawTarget icon(80, 80, kWhite);
  picture.HeldGraphic()->DrawInto(icon.Canvas(), RECT{0, 0, 80, 80});
  CHECK(icon.Pixel(16, 16) == 0xFFB000);  // the amber lamp of the 32-pixel image
  CHECK(icon.Pixel(2, 2) == kWhite);
  CHECK(SameRect(icon.BoundsOfOther(kWhite), RECT{8, 0, 24, 32}));
  // Asked for 64 pixels, the image stored as PNG data: a round glow.
  picture.LoadFile(sample("traffic_light.ico"));
  picture.HeldGraphic()->SetWidth(64);
  picture.HeldGraphic()->SetHeight(64);
  icon.FillWith(kWhite);
  picture.HeldGraphic()->DrawInto(icon.Canvas(), RECT{0, 0, 80, 80});
  CHECK(picture.Width() == 64);
  CHECK(icon.Pixel(1, 1) == kWhite);
  const uint32_t centre = icon.Pixel(32, 32);
  CHECK((centre >> 8 & 0xFF) > 0xB0);
  CHECK((centre >> 16) < 0x40);

  picture.LoadFile(sample("house.emf"));
  auto* house = static_cast<TMetafile*>(picture.HeldGraphic());
  CHECK(house->Enhanced());
  CHECK(house->MMWidth() == 7620);
  CHECK(house->MMHeight() == 5080);
  TDrawTarget scene(300, 200, kBlack);
  house->DrawInto(scene.Canvas(), RECT{0, 0, 300, 200});
  CHECK(scene.Pixel(5, 5) == 0x87CEEB);
  CHECK(scene.Pixel(5, 195) == 0x3C9A3C);

  picture.LoadFile(sample("bars.wmf"));
  auto* bars = static_cast<TMetafile*>(picture.HeldGraphic());
  CHECK_FALSE(bars->Enhanced());
  CHECK(picture.Width() == 192);
  CHECK(picture.Height() == 96);
  TDrawTarget chart(200, 100, kBlack);
  bars->DrawInto(chart.Canvas(), RECT{0, 0, 200, 100});
  CHECK(chart.Pixel(36, 90) == 0x3366CC);
  CHECK(chart.Pixel(5, 5) == kWhite);
}
