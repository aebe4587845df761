// GIF pictures through the real main window: a scan shows them with their
// logical screen size in the edits, an animated one plays during its wait
// and stops when the next picture comes, a damaged one is logged, and Quit
// in the middle of an animation ends its painter.
#include <doctest/doctest.h>

#include <set>

#include "gif/gif_wine_support.h"
#include "support/app_fixture.h"

using namespace vr;
using namespace vr::test;
using namespace giftest;

namespace {

Bytes StillGIF(int Width, int Height, int Index) {
  return GifBuilder()
      .Header(Width, Height, Palette)
      .Frame({.Width = Width, .Height = Height, .Pixels = Solid(Width, Height, Index)})
      .Trailer()
      .Data;
}

// Three solid frames, red, green, blue, 120 ms each, looping without end.
Bytes AnimatedGIF(int Width, int Height) {
  std::vector<TFrameDef> frames;
  for (int index : {1, 2, 3})
    frames.push_back({.Width = Width, .Height = Height, .Pixels = Solid(Width, Height, index)});
  return Animation(Width, Height, frames, 0);
}

// Painter time that follows the program's virtual time, 12 ms at a step.
class TFollowingClock {
 public:
  TFollowingClock(TVirtualClock& Clock, std::function<void()> OnStep) : FClock(Clock), FOnStep(std::move(OnStep)) {
    Schedule();
  }
  ~TFollowingClock() { *FAlive = false; }
  TVirtualPainterClock Painters;

 private:
  void Schedule() {
    std::shared_ptr<bool> alive = FAlive;
    FClock.After(12, [this, alive] {
      if (!*alive) return;
      Painters.Advance(12);
      FOnStep();
      Schedule();
    });
  }
  TVirtualClock& FClock;
  std::function<void()> FOnStep;
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

}  // namespace

TEST_CASE("a scan shows GIF pictures and animates an animated one until the next picture replaces it") {
  RegisterOnce();
  TScratchTree tree;
  tree.File("a.gif", StillGIF(30, 20, 5));
  tree.File("b.gif", AnimatedGIF(40, 30));
  tree.File("c.gif", StillGIF(12, 8, 6));
  const Bytes damaged = AnimatedGIF(40, 30);
  tree.File("d.gif", Bytes(damaged.begin(), damaged.begin() + 30));

  TMainWindowFixture app;
  TForm1& f = app.Form();
  f.DirectoryListBox1->SetDirectory(tree.Root());
  f.SpinEditFast1->SetValue(1000);
  REQUIRE(f.DisplayInterval == 1000);

  std::set<uint32_t> colours;  // what the animated picture showed
  std::set<std::string> sizes;
  int runningDuring = 0;
  TFollowingClock time(app.Clock, [&] {
    auto* gif = dynamic_cast<TGIFImage*>(f.Image1->Picture().HeldGraphic());
    if (gif == nullptr) return;
    sizes.insert(f.EditWidth1->Text() + "x" + f.EditHeight1->Text());
    if (gif->Frames().Count() == 3 && gif->RenderBuffer() != nullptr) {
      colours.insert(BufferPixels(*gif)[40 * 15 + 20]);
      runningDuring = std::max(runningDuring, TGIFPainter::RunningThreads());
    }
  });
  TMainWindowFixture::Click(f.SpeedButtonGo1);

  CHECK(colours == std::set<uint32_t>{kRed, kGreen, kBlue});
  CHECK(runningDuring == 1);
  CHECK(sizes == std::set<std::string>{"30x20", "40x30", "12x8"});
  CHECK(TGIFPainter::RunningThreads() == 0);  // stopped when c.gif came

  std::vector<std::string> bad;
  for (const std::string& line : app.LogLines())
    if (line.rfind("++++ Bad Image File: ", 0) == 0) bad.push_back(line.substr(21));
  CHECK(bad == std::vector<std::string>{AsciiUpperCase(tree.Root()) + "\\D.GIF"});

  // c.gif stays: its colour in the middle of the view.
  CHECK(f.EditWidth1->Text() == "12");
  CHECK(f.EditHeight1->Text() == "8");
  TImage& view = *f.Image1;
  TDrawTarget shown(view.Width(), view.Height(), kBlack);
  view.PaintOn(shown.Canvas());
  CHECK(shown.Pixel(view.Width() / 2, view.Height() / 2) == Rgb(6));
  CHECK(app.Boxes.empty());
}

TEST_CASE("Quit during an animation ends its painter with the window") {
  RegisterOnce();
  TScratchTree tree;
  const std::string path = tree.File("anim.gif", AnimatedGIF(8, 8));
  TVirtualPainterClock clock;
  {
    TMainWindowFixture app;
    TForm1& f = app.Form();
    f.Image1->Picture().LoadFile(path);
    TDrawTarget shown(f.Image1->Width(), f.Image1->Height(), kBlack);
    f.Image1->PaintOn(shown.Canvas());
    CHECK(TGIFPainter::RunningThreads() == 1);
    clock.Advance(240);
    CHECK(TGIFPainter::RunningThreads() == 1);
    app.Answers.push_back(IDYES);
    TMainWindowFixture::Click(f.SpeedButtonQuit1);
    REQUIRE(app.Boxes.size() == 1);
    CHECK(app.Boxes[0].Text == "Are you sure you want to Quit ?");
  }
  CHECK(TGIFPainter::RunningThreads() == 0);
}
