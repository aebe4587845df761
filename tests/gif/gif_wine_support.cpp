#include "gif/gif_wine_support.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/image_libraries.h"
#include "platform/application.h"
#include "platform/thread.h"

using namespace vr;

namespace giftest {

void RegisterOnce() {
  static const bool done = [] {
    InitApplication();
    RegisterImageLibraries();
    return true;
  }();
  (void)done;
}

// ---------------------------------------------------------- virtual time

TVirtualPainterClock::TVirtualPainterClock() { SetPainterClock(this); }

TVirtualPainterClock::~TVirtualPainterClock() {
  SetPainterClock(nullptr);
  // A painter still waiting here would wait for ever: wake it and let it go.
  std::unique_lock<std::mutex> lock(FLock);
  for (TWaiter* w : FWaiters) w->Woken = true;
  FChanged.notify_all();
  FChanged.wait_for(lock, std::chrono::seconds(10), [&] { return FWaiters.empty(); });
}

uint32_t TVirtualPainterClock::NowMs() {
  std::lock_guard<std::mutex> lock(FLock);
  return static_cast<uint32_t>(FNow);
}

uint64_t TVirtualPainterClock::Now() {
  std::lock_guard<std::mutex> lock(FLock);
  return FNow;
}

bool TVirtualPainterClock::WaitForWake(HANDLE Wake, uint32_t TimeoutMs) {
  std::unique_lock<std::mutex> lock(FLock);
  FWaits.push_back(TimeoutMs);
  if (FSignalled.erase(Wake) > 0) return true;  // an auto-reset event already set
  TWaiter waiter{TimeoutMs == INFINITE ? UINT64_MAX : FNow + TimeoutMs, Wake, false};
  FWaiters.push_back(&waiter);
  FChanged.wait(lock, [&] { return waiter.Woken || FNow >= waiter.Due; });
  FWaiters.erase(std::find(FWaiters.begin(), FWaiters.end(), &waiter));
  FChanged.notify_all();
  return waiter.Woken;
}

void TVirtualPainterClock::Signal(HANDLE Wake) {
  std::lock_guard<std::mutex> lock(FLock);
  bool taken = false;
  for (TWaiter* w : FWaiters)
    if (w->Wake == Wake && !w->Woken && !taken) taken = w->Woken = true;
  if (!taken) FSignalled.insert(Wake);
  FChanged.notify_all();
}

void TVirtualPainterClock::Sleep(uint32_t Ms) {
  std::lock_guard<std::mutex> lock(FLock);
  FSleeps.push_back(Ms);
  FNow += Ms;
  FChanged.notify_all();
}

bool TVirtualPainterClock::SettledLocked() const {
  const auto waiting = std::count_if(FWaiters.begin(), FWaiters.end(),
                                     [&](const TWaiter* w) { return !w->Woken && w->Due > FNow; });
  return waiting == TGIFPainter::RunningThreads();
}

void TVirtualPainterClock::Settle() {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(FLock);
      if (SettledLocked()) return;
    }
    if (!CheckSynchronize()) std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (std::chrono::steady_clock::now() > limit) {
      FAIL("painters did not settle within 10 seconds");
      return;
    }
  }
}

void TVirtualPainterClock::Advance(uint64_t Ms) {
  Settle();
  uint64_t target;
  {
    std::lock_guard<std::mutex> lock(FLock);
    target = FNow + Ms;
  }
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(FLock);
      uint64_t next = target;
      for (const TWaiter* w : FWaiters)
        if (!w->Woken && w->Due > FNow) next = std::min(next, w->Due);
      FNow = next;
      FChanged.notify_all();
    }
    Settle();
    std::lock_guard<std::mutex> lock(FLock);
    if (FNow >= target) return;
  }
}

void TVirtualPainterClock::Jump(uint64_t Ms) {
  std::lock_guard<std::mutex> lock(FLock);
  FNow += Ms;
  FChanged.notify_all();
}

std::vector<uint32_t> TVirtualPainterClock::Waits() {
  std::lock_guard<std::mutex> lock(FLock);
  return FWaits;
}

std::vector<uint32_t> TVirtualPainterClock::Sleeps() {
  std::lock_guard<std::mutex> lock(FLock);
  return FSleeps;
}

void TVirtualPainterClock::ClearRecords() {
  std::lock_guard<std::mutex> lock(FLock);
  FWaits.clear();
  FSleeps.clear();
}

// --------------------------------------------------------------- pictures

Bytes Animation(int Width, int Height, const std::vector<TFrameDef>& Frames, int LoopCount, int Background) {
  GifBuilder b;
  b.Header(Width, Height, Palette, Background);
  if (LoopCount >= 0) b.Loop(LoopCount);
  for (const TFrameDef& f : Frames)
    b.Control(f.Disposal, f.Delay, f.Transparent)
        .Frame({.Left = f.Left, .Top = f.Top, .Width = f.Width, .Height = f.Height, .Pixels = f.Pixels});
  return b.Trailer().Data;
}

void LoadInto(TPicture& Picture, const std::string& Name, const Bytes& Data) {
  test::TTempFile file(Name, Data);
  Picture.LoadFile(file.Path());
}

TGIFImage& GIFOf(TPicture& Picture) {
  auto* image = dynamic_cast<TGIFImage*>(Picture.HeldGraphic());
  REQUIRE(image != nullptr);
  return *image;
}

TDrawn::TDrawn(TGraphic& Graphic, int Width, int Height, uint32_t Fill) : Target(Width, Height, Fill) {
  Graphic.DrawInto(Target.Canvas(), RECT{0, 0, Width, Height});
}

std::vector<uint32_t> BufferPixels(TGIFImage& Image) {
  std::vector<uint32_t> pixels;
  TBitmap* buffer = Image.RenderBuffer();
  if (buffer == nullptr) return pixels;
  test::TDrawTarget target(buffer->Width(), buffer->Height(), test::kBlack);
  buffer->DrawInto(target.Canvas(), RECT{0, 0, buffer->Width(), buffer->Height()});
  for (int y = 0; y < buffer->Height(); ++y)
    for (int x = 0; x < buffer->Width(); ++x) pixels.push_back(target.Pixel(x, y));
  return pixels;
}

}  // namespace giftest
