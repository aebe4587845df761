// The animation painter in virtual time: frame delays, speed, disposal
// methods composed in the render buffer, loop counts, painters without a
// thread, failures, and stopping when the picture goes away.
#include <doctest/doctest.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <thread>
#include <tuple>

#include "gif/gif_wine_support.h"
#include "platform/scope_guard.h"
#include "tools/render_frames.h"

using namespace vr;
using namespace vr::test;
using namespace giftest;

namespace {

constexpr uint32_t kGrey = 0x808080;  // the canvas under the picture

// Draws the image onto a Width x Height canvas of Fill; the first drawing
// of an animation starts its painter and waits for the first frame.
uint32_t DrawAt(TGIFImage& Image, int Width, int Height, uint32_t Fill = kGrey) {
  TDrawTarget target(Width, Height, Fill);
  Image.DrawInto(target.Canvas(), RECT{0, 0, Width, Height});
  return target.Pixel(0, 0);
}

// The render buffer as letters: . grey, R red, g green, B blue, W white,
// Y yellow, C cyan, M magenta, ? anything else.
std::string Composed(TGIFImage& Image) {
  std::string s;
  for (uint32_t p : BufferPixels(Image)) {
    switch (p) {
      case kGrey: s += '.'; break;
      case 0xFF0000: s += 'R'; break;
      case 0x00FF00: s += 'g'; break;
      case 0x0000FF: s += 'B'; break;
      case 0xFFFFFF: s += 'W'; break;
      case 0xFFFF00: s += 'Y'; break;
      case 0x00FFFF: s += 'C'; break;
      case 0xFF00FF: s += 'M'; break;
      default: s += '?'; break;
    }
  }
  return s;
}

// Every disposal method, transparency and undefined methods, 4 x 4 frames
// over a grey canvas, and what the render buffer holds after each frame.
const Bytes kDisposals =
    Animation(4, 4,
              {{.Width = 4, .Height = 4, .Pixels = Solid(4, 4, 1), .Disposal = kDisposalLeave},
               {.Width = 2, .Height = 2, .Pixels = Solid(2, 2, 2), .Disposal = kDisposalBackground},
               {.Left = 2, .Top = 2, .Width = 2, .Height = 2, .Pixels = Solid(2, 2, 3), .Disposal = kDisposalPrevious},
               {.Left = 2, .Width = 2, .Height = 1, .Pixels = {7, 4}, .Disposal = kDisposalLeave, .Transparent = 7},
               {.Width = 1, .Height = 1, .Pixels = {5}, .Disposal = 5},
               {.Left = 3, .Top = 3, .Width = 1, .Height = 1, .Pixels = {6}, .Disposal = kDisposalPrevious},
               {.Top = 3, .Width = 1, .Height = 1, .Pixels = {7}, .Disposal = kDisposalLeave}});
const char* const kComposed[] = {
    "RRRR" "RRRR" "RRRR" "RRRR",
    "ggRR" "ggRR" "RRRR" "RRRR",
    "..RR" "..RR" "RRBB" "RRBB",  // the green area went back to what lay under the picture
    "..RW" "..RR" "RRRR" "RRRR",  // the blue frame's area is as before it; the transparent pixel kept red
    "..RW" "..RR" "RRRR" "RRRR",  // disposal 5 is not drawn,
    "..RW" "..RR" "RRRR" "RRRR",  // nor is a restore-previous frame after it
    "..RW" "..RR" "RRRR" "MRRR",
};

}  // namespace

TEST_CASE("a threaded painter waits each frame's delay in virtual time and ends on the last frame") {
  RegisterOnce();
  TVirtualPainterClock clock;
  TPicture picture;
  LoadInto(picture, "delays.gif",
           Animation(2, 2,
                     {{.Width = 2, .Height = 2, .Pixels = Solid(2, 2, 1), .Delay = 1},
                      {.Width = 2, .Height = 2, .Pixels = Solid(2, 2, 2), .Delay = 0},
                      {.Width = 2, .Height = 2, .Pixels = Solid(2, 2, 3), .Delay = 20}}));
  TGIFImage& image = GIFOf(picture);
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };

  CHECK(DrawAt(image, 2, 2) == kRed);
  TGIFPainter* painter = image.FramePainter();
  REQUIRE(painter != nullptr);
  CHECK(painter->Threaded());
  CHECK(TGIFPainter::RunningThreads() == 1);
  clock.Settle();
  CHECK(clock.Waits() == std::vector<uint32_t>{36});  // delay 1 is raised to 3 units of 12 ms
  clock.Advance(35);
  CHECK(Composed(image) == "RRRR");
  const int changesBefore = changes;
  clock.Advance(1);
  CHECK(Composed(image) == "gggg");
  CHECK(changes > changesBefore);  // each new frame is a change of the picture
  CHECK(clock.Waits() == std::vector<uint32_t>{36, 120});  // delay 0: the default of 10 units

  // Another rectangle shows the same buffer; the painter goes on.
  TDrawTarget larger(6, 4, kWhite);
  image.DrawInto(larger.Canvas(), RECT{0, 0, 6, 4});
  CHECK(larger.Count(kGreen, RECT{0, 0, 6, 4}) == 24);
  CHECK(image.FramePainter() == painter);

  clock.Advance(120);
  CHECK(Composed(image) == "BBBB");
  // No looping extension: one pass, and the last frame stays.
  CHECK(TGIFPainter::RunningThreads() == 0);
  CHECK(image.FramePainter() == nullptr);
  CHECK(image.PainterCount() == 0);
  clock.Advance(100000);
  CHECK(clock.Waits().size() == 2);
  CHECK(DrawAt(image, 2, 2) == kBlue);
}

TEST_CASE("animation speed and long delays") {
  RegisterOnce();
  TVirtualPainterClock clock;
  TPicture picture;
  const Bytes data = Animation(1, 1,
                               {{.Width = 1, .Height = 1, .Pixels = {1}, .Delay = 10},
                                {.Width = 1, .Height = 1, .Pixels = {2}, .Delay = 5000},
                                {.Width = 1, .Height = 1, .Pixels = {3}, .Delay = 10}});
  LoadInto(picture, "speed.gif", data);
  TGIFImage& image = GIFOf(picture);

  SUBCASE("200 percent halves every wait; 5000 units wait a minute in a thread") {
    image.AnimationPercent = 200;
    DrawAt(image, 1, 1);
    clock.Advance(60);
    CHECK(Composed(image) == "g");
    CHECK(clock.Waits() == std::vector<uint32_t>{60, 30000});
    image.AnimationPercent = 100;  // a running painter keeps its own speed
    clock.Advance(29999);
    CHECK(Composed(image) == "g");
    clock.Advance(1);
    CHECK(Composed(image) == "B");
  }
  SUBCASE("0 percent freezes the animation on its frame until it is stopped") {
    image.AnimationPercent = 0;
    DrawAt(image, 1, 1);
    clock.Advance(1000000);
    CHECK(Composed(image) == "R");
    CHECK(clock.Waits() == std::vector<uint32_t>{INFINITE});
    CHECK(TGIFPainter::RunningThreads() == 1);
    image.StopAllPainters();
    CHECK(TGIFPainter::RunningThreads() == 0);
    CHECK(image.RenderBuffer() == nullptr);
  }
  SUBCASE("without a thread: the animation plays inside the drawing, long delays cut to 12 seconds") {
    image.DrawFlags &= static_cast<uint16_t>(~drThreaded);
    std::vector<uint64_t> shown;
    image.OnFrameDone = [&](TObject*) { shown.push_back(clock.Now()); };
    const uint64_t start = clock.Now();
    CHECK(DrawAt(image, 1, 1) == kBlue);
    REQUIRE(shown.size() == 3);
    CHECK(shown[0] - start == 12);      // a first delay of one unit
    CHECK(shown[1] - shown[0] == 120);  // 10 units
    CHECK(shown[2] - shown[1] == 12000);
    const std::vector<uint32_t> sleeps = clock.Sleeps();
    CHECK(*std::max_element(sleeps.begin(), sleeps.end()) == 100);  // slices keep stopping quick
    CHECK(std::accumulate(sleeps.begin(), sleeps.end(), uint64_t{0}) == 12 + 120 + 12000);
    CHECK(clock.Waits().empty());
    CHECK(image.FramePainter() == nullptr);
    CHECK(image.PainterCount() == 0);
    CHECK(TGIFPainter::RunningThreads() == 0);
  }
}

TEST_CASE("loop counts: 1 and 3 passes, 0 without end") {
  RegisterOnce();
  for (int count : {1, 3, 0}) {
    CAPTURE(count);
    TVirtualPainterClock clock;
    TPicture picture;
    LoadInto(picture, "loop.gif",
             Animation(1, 1,
                       {{.Width = 1, .Height = 1, .Pixels = {1}}, {.Width = 1, .Height = 1, .Pixels = {2}}}, count));
    TGIFImage& image = GIFOf(picture);
    int frames = 0, passes = 0;
    image.OnFrameDone = [&](TObject*) { ++frames; };
    image.OnPassRepeat = [&](TObject*) { ++passes; };
    DrawAt(image, 1, 1);
    for (int i = 0; i < 20; ++i) clock.Advance(120);
    if (count == 0) {
      CHECK(frames == 21);
      CHECK(TGIFPainter::RunningThreads() == 1);
      picture.ReplaceGraphic(nullptr);  // the picture goes: the painter stops
    } else {
      CHECK(frames == 2 * count);
      CHECK(passes == count - 1);
      CHECK(Composed(image) == "g");
    }
    CHECK(TGIFPainter::RunningThreads() == 0);
  }
}

TEST_CASE("disposal methods compose the render buffer frame by frame") {
  RegisterOnce();
  TVirtualPainterClock clock;
  TPicture picture;

  SUBCASE("restore to background, restore previous, transparency, undefined methods") {
    LoadInto(picture, "disposal.gif", kDisposals);
    TGIFImage& image = GIFOf(picture);
    DrawAt(image, 4, 4);
    for (size_t i = 0; i < std::size(kComposed); ++i) {
      CAPTURE(i);
      CHECK(Composed(image) == kComposed[i]);
      clock.Advance(120);
    }
  }
  SUBCASE("restore previous after a frame left in place") {
    LoadInto(picture, "previous.gif",
             Animation(4, 4,
                       {{.Width = 4, .Height = 4, .Pixels = Solid(4, 4, 1), .Disposal = kDisposalLeave},
                        {.Left = 1, .Top = 1, .Width = 2, .Height = 2, .Pixels = Solid(2, 2, 2),
                         .Disposal = kDisposalPrevious},
                        {.Width = 1, .Height = 1, .Pixels = {3}, .Disposal = kDisposalLeave}}));
    TGIFImage& image = GIFOf(picture);
    DrawAt(image, 4, 4);
    clock.Advance(120);
    CHECK(Composed(image) == "RRRR" "RggR" "RggR" "RRRR");
    clock.Advance(120);
    CHECK(Composed(image) == "BRRR" "RRRR" "RRRR" "RRRR");
  }
  SUBCASE("restore to background without transparency: the background colour") {
    LoadInto(picture, "background.gif",
             Animation(2, 2,
                       {{.Width = 2, .Height = 2, .Pixels = Solid(2, 2, 1), .Disposal = kDisposalBackground},
                        {.Left = 1, .Top = 1, .Width = 1, .Height = 1, .Pixels = {2}, .Disposal = kDisposalLeave}},
                       -1, 6));
    TGIFImage& image = GIFOf(picture);
    image.DrawFlags &= static_cast<uint16_t>(~drTransparent);
    DrawAt(image, 2, 2);
    CHECK(Composed(image) == "RRRR");
    clock.Advance(120);
    CHECK(Composed(image) == "CC" "Cg");
  }
}

TEST_CASE("the painter stops when its picture is replaced, even inside a long delay or a drawing step") {
  RegisterOnce();
  TVirtualPainterClock clock;
  TPicture picture;
  const Bytes endless = Animation(2, 2,
                                  {{.Width = 2, .Height = 2, .Pixels = Solid(2, 2, 1), .Delay = 5000},
                                   {.Width = 2, .Height = 2, .Pixels = Solid(2, 2, 2)}},
                                  0);
  const Bytes still = GifBuilder().Header(1, 1, Palette).Frame({.Width = 1, .Height = 1, .Pixels = {4}}).Data;

  SUBCASE("waiting a minute") {
    LoadInto(picture, "endless.gif", endless);
    DrawAt(GIFOf(picture), 2, 2);
    clock.Settle();
    CHECK(clock.Waits() == std::vector<uint32_t>{60000});
    CHECK(TGIFPainter::RunningThreads() == 1);
    LoadInto(picture, "still.gif", still);
    CHECK(TGIFPainter::RunningThreads() == 0);
    CHECK(clock.Now() == 1000);  // no time passed
  }
  SUBCASE("waiting for the main thread to draw its frame") {
    LoadInto(picture, "endless.gif", endless);
    DrawAt(GIFOf(picture), 2, 2);
    clock.Settle();
    clock.Jump(60000);  // the painter wakes and asks this thread to draw
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    LoadInto(picture, "still.gif", still);
    CHECK(TGIFPainter::RunningThreads() == 0);
  }
  SUBCASE("the image reloaded in place") {
    LoadInto(picture, "endless.gif", endless);
    TGIFImage& image = GIFOf(picture);
    DrawAt(image, 2, 2);
    TMemoryStream stream(still);
    image.LoadFromStream(stream);
    CHECK(TGIFPainter::RunningThreads() == 0);
    CHECK(image.RenderBuffer() == nullptr);
    CHECK(DrawAt(image, 1, 1) == kWhite);
  }
}

TEST_CASE("a failure inside the animation ends it and is raised once by the next drawing") {
  RegisterOnce();
  TVirtualPainterClock clock;
  TPicture picture;
  LoadInto(picture, "failing.gif",
           Animation(1, 1, {{.Width = 1, .Height = 1, .Pixels = {1}}, {.Width = 1, .Height = 1, .Pixels = {2}}}, 0));
  TGIFImage& image = GIFOf(picture);
  int due = 0, changes = 0;
  image.OnFrameDue = [&](TObject*) {
    if (++due == 2) throw Exception("the frame handler failed");
  };
  picture.OnChange = [&](TObject*) { ++changes; };
  DrawAt(image, 1, 1);
  const int changesBefore = changes;
  clock.Advance(120);
  CHECK(TGIFPainter::RunningThreads() == 0);
  CHECK(changes > changesBefore);  // the view is asked to repaint
  TDrawTarget target(1, 1, kGrey);
  CHECK_THROWS_WITH_AS(image.DrawInto(target.Canvas(), RECT{0, 0, 1, 1}), "the frame handler failed", Exception);
  CHECK_NOTHROW(image.DrawInto(target.Canvas(), RECT{0, 0, 1, 1}));
  CHECK(target.Pixel(0, 0) == kRed);  // the last frame drawn stays
}

TEST_CASE("long animations keep no frame bitmaps between passes; huge screens are not animated") {
  RegisterOnce();
  TVirtualPainterClock clock;
  TPicture picture;
  SUBCASE("seventy frames, every other one with a transparent pixel") {
    std::vector<TFrameDef> frames;
    for (int i = 0; i < 70; ++i)
      frames.push_back({.Width = 2,
                        .Height = 1,
                        .Pixels = {static_cast<uint8_t>(1 + i % 6), static_cast<uint8_t>(i % 2 ? 7 : 4)},
                        .Transparent = i % 2 ? 7 : -1});
    LoadInto(picture, "long.gif", Animation(2, 1, frames, 0));
    TGIFImage& image = GIFOf(picture);
    DrawAt(image, 2, 1);
    std::string shown = Composed(image).substr(0, 1);
    for (int i = 1; i < 80; ++i) {
      clock.Advance(120);
      shown += Composed(image).substr(0, 1);
      CHECK(Composed(image)[1] == 'W');  // the transparent pixels keep the white before them
    }
    const std::string cycle = "RgBWYC";
    for (size_t i = 0; i < shown.size(); ++i) CHECK(shown[i] == cycle[(i % 70) % 6]);
    int cached = 0;
    for (int i = 0; i < image.Frames().Count(); ++i) cached += image.Frames()[i].RenderCache != nullptr;
    CHECK(cached <= 2);
  }
  SUBCASE("a logical screen of 20 million pixels") {
    LoadInto(picture, "huge.gif",
             GifBuilder()
                 .Header(5000, 4000, Palette)
                 .Frame({.Width = 2, .Height = 2, .Pixels = Solid(2, 2, 1)})
                 .Frame({.Width = 2, .Height = 2, .Pixels = Solid(2, 2, 2)})
                 .Data);
    TGIFImage& image = GIFOf(picture);
    DrawAt(image, 50, 40);
    CHECK(image.RenderBuffer() == nullptr);
    CHECK(image.PainterCount() == 0);
    CHECK(TGIFPainter::RunningThreads() == 0);
  }
}

TEST_CASE("frame steps: an animation as it stands after N steps, composed at once") {
  RegisterOnce();
  TScopeGuard restoreClock([] { SetPainterClock(nullptr); });
  TPicture picture;
  for (int steps = 0; steps < 9; ++steps) {
    CAPTURE(steps);
    LoadInto(picture, "disposal.gif", kDisposals);
    TGIFImage& image = GIFOf(picture);
    PrepareFrameSteps(image, steps);
    TDrawn drawn(image, 4, 4, kGrey);
    CHECK(Composed(image) == kComposed[std::min(steps, 6)]);  // the last frame stays
    CHECK(drawn.Pixel(3, 0) == BufferPixels(image)[3]);
    CHECK(TGIFPainter::RunningThreads() == 0);
  }
  const std::vector<TFrameDef> twoFrames = {{.Width = 1, .Height = 1, .Pixels = {1}},
                                            {.Width = 1, .Height = 1, .Pixels = {2}}};
  for (auto [loops, steps, shown] : {std::tuple{0, 5, "g"}, std::tuple{0, 8, "R"}, std::tuple{3, 4, "R"},
                                     std::tuple{3, 10, "g"}, std::tuple{-1, 3, "g"}}) {
    CAPTURE(loops);
    CAPTURE(steps);
    LoadInto(picture, "loops.gif", Animation(1, 1, twoFrames, loops));
    PrepareFrameSteps(GIFOf(picture), steps);
    TDrawn drawn(*picture.HeldGraphic(), 1, 1, kGrey);
    CHECK(Composed(GIFOf(picture)) == shown);
  }
}

TEST_CASE("animations started and replaced again and again leave no system objects behind") {
  RegisterOnce();
  TVirtualPainterClock clock;
  TPicture picture;
  const Bytes data = Animation(8, 8,
                               {{.Width = 8, .Height = 8, .Pixels = Solid(8, 8, 1), .Disposal = kDisposalBackground},
                                {.Width = 4, .Height = 4, .Pixels = Solid(4, 4, 2), .Disposal = kDisposalPrevious,
                                 .Transparent = 7},
                                {.Width = 8, .Height = 8, .Pixels = Solid(8, 8, 3)}},
                               0);
  auto round = [&] {
    LoadInto(picture, "again.gif", data);
    DrawAt(GIFOf(picture), 8, 8);
    clock.Advance(360);
    picture.ReplaceGraphic(nullptr);
  };
  // The first rounds may make objects the system keeps for good (fonts,
  // stock bitmaps); after them, the count stays where it is.
  for (int i = 0; i < 5; ++i) round();
  const int before = GdiObjectCount();
  REQUIRE(before > 0);
  for (int i = 0; i < 30; ++i) round();
  CHECK(GdiObjectCount() == before);
  CHECK(TGIFPainter::RunningThreads() == 0);
}
