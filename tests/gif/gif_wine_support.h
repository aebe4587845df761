// Helpers of the GIF tests under Wine: the format registered once, a
// painter clock that steps virtual time, and small GIF pictures of solid
// colours.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "gif/gif_image_win.h"
#include "gif/gif_painter_clock_win.h"
#include "gif/gif_painter_win.h"
#include "gif/gif_test_writer.h"
#include "pictures/picture.h"
#include "pictures/picture_test_support.h"

namespace giftest {

// The image libraries registered as at start-up, once per test program.
void RegisterOnce();

// The colours of the test pictures, as table entries and as 0xRRGGBB.
inline const std::vector<vr::TGIFRGB> Palette = {{0, 0, 0},       {255, 0, 0},   {0, 255, 0}, {0, 0, 255},
                                                 {255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
inline uint32_t Rgb(int Index) {
  const vr::TGIFRGB c = Palette[static_cast<size_t>(Index)];
  return uint32_t{c.Red} << 16 | uint32_t{c.Green} << 8 | c.Blue;
}
inline Bytes Solid(int Width, int Height, int Index) {
  return Bytes(static_cast<size_t>(Width) * static_cast<size_t>(Height), static_cast<uint8_t>(Index));
}

// Painter time that only moves when the test says so. Installed for its
// lifetime. Waits of painter threads block until virtual time reaches
// their end (or they are woken); the test steps time with Advance, which
// also runs the painters' drawing steps until every painter thread waits
// again or has ended.
class TVirtualPainterClock : public vr::TGIFPainterClock {
 public:
  TVirtualPainterClock();
  ~TVirtualPainterClock() override;

  uint32_t NowMs() override;
  bool WaitForWake(HANDLE Wake, uint32_t TimeoutMs) override;
  void Signal(HANDLE Wake) override;
  void Sleep(uint32_t Ms) override;

  uint64_t Now();
  // Runs synchronised steps until every running painter thread waits for
  // a time still to come (fails the test after 10 seconds of real time).
  void Settle();
  // Moves virtual time on by Ms, waking each waiting painter when its time
  // comes and settling after each.
  void Advance(uint64_t Ms);
  // Moves virtual time on by Ms without running anything: waiting painter
  // threads wake and then wait for the main thread in their drawing step.
  void Jump(uint64_t Ms);
  // The waits painters asked for (threaded: timeouts; unthreaded: sleeps).
  std::vector<uint32_t> Waits();
  std::vector<uint32_t> Sleeps();
  void ClearRecords();

 private:
  struct TWaiter {
    uint64_t Due;
    HANDLE Wake;
    bool Woken;
  };
  bool SettledLocked() const;

  std::mutex FLock;
  std::condition_variable FChanged;
  uint64_t FNow = 1000;
  std::vector<TWaiter*> FWaiters;
  std::set<HANDLE> FSignalled;
  std::vector<uint32_t> FWaits;
  std::vector<uint32_t> FSleeps;
};

// One frame of a test animation: a rectangle of the logical screen, its
// pixels, its graphic control extension.
struct TFrameDef {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  Bytes Pixels;
  int Disposal = vr::kDisposalLeave;
  int Delay = 10;
  int Transparent = -1;
};
// An animation over the test palette; LoopCount < 0: no looping extension.
Bytes Animation(int Width, int Height, const std::vector<TFrameDef>& Frames, int LoopCount = -1, int Background = 0);

// Loads Bytes into a new image through a file, as the picture holder does.
void LoadInto(vr::TPicture& Picture, const std::string& Name, const Bytes& Data);

// The GIF image the picture holds (fails the test when it holds none).
vr::TGIFImage& GIFOf(vr::TPicture& Picture);

// The picture drawn into a target of its own size (or Width x Height) over Fill.
struct TDrawn {
  TDrawn(vr::TGraphic& Graphic, int Width, int Height, uint32_t Fill = vr::test::kBlack);
  TDrawn(vr::TGraphic& Graphic, uint32_t Fill = vr::test::kBlack)
      : TDrawn(Graphic, Graphic.Width(), Graphic.Height(), Fill) {}
  vr::test::TDrawTarget Target;
  uint32_t Pixel(int X, int Y) const { return Target.Pixel(X, Y); }
};

// The colour of every pixel of the render buffer, top row first.
std::vector<uint32_t> BufferPixels(vr::TGIFImage& Image);

}  // namespace giftest
