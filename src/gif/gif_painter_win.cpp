#include "gif/gif_painter_win.h"

#include <algorithm>
#include <thread>

#include "gif/gif_extensions.h"
#include "gif/gif_frame_bitmap_win.h"
#include "gif/gif_image_win.h"
#include "gif/gif_painter_clock_win.h"
#include "platform/scope_guard.h"

namespace vr {

namespace {

std::atomic<int> gRunningThreads{0};

// N / D rounded to nearest, halves away from zero (D > 0).
int64_t RoundedDiv(int64_t N, int64_t D) { return N >= 0 ? (N + D / 2) / D : -((-N + D / 2) / D); }

}  // namespace

int TGIFPainter::RunningThreads() { return gRunningThreads.load(); }

TGIFPainter::TGIFPainter(TGIFImage& Image, TGIFPainter** OwnerSlot, TCanvas& Canvas, TBitmap* CanvasBitmap,
                         const RECT& Rect, uint16_t Flags)
    : FImage(&Image),
      FOwnerSlot(OwnerSlot),
      FCanvas(&Canvas),
      FCanvasBitmap(CanvasBitmap),
      FRect(Rect),
      FFlags(Flags),
      FPlaySpeed(Image.AnimationPercent),
      FPriority(Image.PainterPriority) {
  if ((FFlags & drThreaded) != 0 && (FFlags & drAnimate) != 0 && Image.Frames().Count() > 1 && FPlaySpeed >= 0) {
    FWakeEvent.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!FWakeEvent) RaiseOutOfResources();
  }
  if ((FFlags & drCheckCanvas) != 0) FCheckedDC = Target().Handle();
  if (Image.BackdropColor != clNone) FBackground = Image.BackdropColor;
  else if (Image.Header().ColorMap.Empty()) FBackground = clWindow;
  else FBackground = Image.BackgroundColor();

  // The disposal methods that occur decide which buffers composing needs.
  bool restoreBackground = (FFlags & drClearAtPassStart) != 0;
  bool restorePrevious = false;
  for (int i = 0; i < Image.Frames().Count(); ++i)
    if (const TGIFGraphicControlExtension* control = Image.Frames()[i].ControlExtension) {
      restoreBackground = restoreBackground || control->Disposal() == kDisposalBackground;
      restorePrevious = restorePrevious || control->Disposal() == kDisposalPrevious;
    }
  if (restoreBackground && (FFlags & drTransparent) != 0) FBackgroundCopy = MakeBuffer(true);
  if (restoreBackground || restorePrevious) {
    FBackupBuffer = MakeBuffer(true);
    FFrameBuffer = MakeBuffer(false);
  }
}

TGIFPainter::~TGIFPainter() = default;

std::unique_ptr<TBitmap> TGIFPainter::MakeBuffer(bool CopyCanvas) {
  const int width = FRect.right - FRect.left, height = FRect.bottom - FRect.top;
  auto buffer = std::make_unique<TBitmap>();
  buffer->NewDIB(width, height, TPixelFormat::pf24bit);
  TBitmapCanvas& canvas = buffer->Canvas();
  canvas.BrushColor = FBackground;
  if (CopyCanvas) {
    TCanvasLock hold(canvas);
    BitBlt(canvas.Handle(), 0, 0, width, height, Target().Handle(), FRect.left, FRect.top, SRCCOPY);
  }
  return buffer;
}

TGIFPainter* TGIFPainter::CreatePainter(TGIFImage& Image, TGIFPainter** OwnerSlot, TCanvas& Canvas,
                                        TBitmap* CanvasBitmap, const RECT& Rect, uint16_t Flags) {
  if (Image.Frames().Empty() || IsRectEmpty(&Rect)) return nullptr;
  if (Image.Frames().Count() == 1) Flags &= static_cast<uint16_t>(~(drThreaded | drAnimate));
  auto owned = std::make_unique<TGIFPainter>(Image, OwnerSlot, Canvas, CanvasBitmap, Rect, Flags);
  TGIFPainter* painter = owned.get();
  {
    std::lock_guard<std::recursive_mutex> lock(Image.FPainterLock);
    Image.FPainters.push_back(std::move(owned));
  }
  if (OwnerSlot != nullptr) *OwnerSlot = painter;
  painter->OnAnimationStart = Image.OnAnimationStart;
  painter->OnFrameDue = Image.OnFrameDue;
  painter->OnFrameDone = Image.OnFrameDone;
  painter->OnPassRepeat = Image.OnPassRepeat;
  painter->OnAnimationEnd = Image.OnAnimationEnd;
  if (painter->Threaded()) return painter;

  // Without a thread: the whole animation plays now, in this call.
  painter->ThreadBody();
  painter->PainterCleanup();
  const std::exception_ptr failure = painter->FCaughtException;
  {
    std::lock_guard<std::recursive_mutex> lock(Image.FPainterLock);
    std::erase_if(Image.FPainters, [&](const std::unique_ptr<TGIFPainter>& p) { return p.get() == painter; });
  }
  if (failure) std::rethrow_exception(failure);
  return nullptr;
}

void TGIFPainter::StartPainter() {
  if (!Threaded() || FRunning) return;
  FRunning = true;
  ++gRunningThreads;
  Start();
}

void TGIFPainter::StopPainter() {
  Terminate();
  if (Threaded() && FWakeEvent) PainterClock().Signal(FWakeEvent.Get());
}

void TGIFPainter::Execute() {
  TScopeGuard count([] { --gRunningThreads; });
  SetThreadPriority(GetCurrentThread(), FPriority);
  ThreadBody();
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
  // The clean-up touches the image and the buffers: the main thread's work.
  Synchronize([this] {
    try {
      PainterCleanup();
    } catch (...) {
      // a change notice that failed; the painter is gone all the same
    }
  });
}

void TGIFPainter::PainterCleanup() {
  TGIFImage* image = FImage;
  if (image == nullptr) return;
  std::lock_guard<std::recursive_mutex> lock(image->FPainterLock);
  if (FOwnerSlot != nullptr && *FOwnerSlot == this) *FOwnerSlot = nullptr;
  FImage = nullptr;
  FBackupBuffer.reset();
  FFrameBuffer.reset();
  FBackgroundCopy.reset();
  FWakeEvent.Reset();
  FCleanedUp = true;
  // A failure of the animation reaches whoever draws the picture next.
  if (Threaded() && FCaughtException && !image->FStopping) {
    image->FPainterError = FCaughtException;
    image->NotifyChange(image);
  }
}

// ------------------------------------------------------------ the animation

void TGIFPainter::RunSynchronised(const std::function<void()>& Step) {
  if (Terminated()) return;
  if (!Threaded()) {
    Step();
    return;
  }
  // A painter stopped while the step waited for the main thread does not draw.
  Synchronize([&] {
    if (!Terminated()) Step();
  });
}

void TGIFPainter::Fire(const TNotifyEvent& Handler) {
  if (Handler) RunSynchronised([&] { Handler(this); });
}

void TGIFPainter::ThreadBody() {
  try {
    do {
      PlayAnimation();
    } while (FRestartRequested && !Terminated());
  } catch (...) {
    Terminate();
    FCaughtException = std::current_exception();
  }
}

void TGIFPainter::PlayAnimation() {
  ActiveFrame = 0;
  Fire(OnAnimationStart);
  FStarted = false;
  FRestartRequested = false;
  TPlayback playback;
  playback.Delay = Threaded() ? 0 : 1;
  playback.LastTime = PainterClock().NowMs();
  PreviousDisposal = kDisposalLeave;
  const bool animate = (FFlags & drAnimate) != 0;
  while (playback.LoopsLeft != 0 || (FFlags & drLoopForever) != 0) {
    if (Terminated() || FRestartRequested) break;
    ActiveFrame = playback.LoopStart;
    if (FStarted) Fire(OnPassRepeat);
    PlayPass(playback);
    if (playback.LoopsLeft > 0) --playback.LoopsLeft;
    if (!animate || (FFlags & drLoop) == 0) break;
  }
  ActiveFrame = -1;
  Fire(OnAnimationEnd);
}

void TGIFPainter::PlayPass(TPlayback& Playback) {
  TGIFImage& image = *FImage;
  const int frameCount = image.Frames().Count();
  for (;;) {
    const int index = ActiveFrame;
    if (index < 0 || index >= frameCount || Terminated() || FRestartRequested) break;
    TGIFSubImage& frame = image.Frames()[index];
    if (frame.Empty()) break;
    WaitForFrame(frame, Playback.Delay, Playback.LastTime, Playback.LastDelay);
    if (Terminated()) break;
    Fire(OnFrameDue);
    if (Terminated()) break;
    ReadFrameExtensions(frame, index, Playback);
    DrawFrame(frame, frameCount);
    PreviousDisposal = FrameDisposal;
    if (Terminated()) break;
    Playback.Delay = FrameDelay(frame);
    Fire(OnFrameDone);
    if (Terminated()) break;
    if (ActiveFrame == index) ActiveFrame = index + 1;
    if ((FFlags & drAnimate) == 0) break;
  }
}

void TGIFPainter::ReadFrameExtensions(TGIFSubImage& Frame, int Index, TPlayback& Playback) {
  FrameDisposal = kDisposalLeave;
  for (int i = 0; i < Frame.Extensions.Count(); ++i) {
    TGIFExtension& extension = Frame.Extensions[i];
    if (auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(&extension)) {
      if (!Playback.LoopSeen) {
        Playback.LoopSeen = true;
        Playback.LoopsLeft =
            Threaded() && (loop->LoopCount == 0 || (FFlags & drLoopForever) != 0) ? -1 : loop->LoopCount;
        Playback.LoopStart = Index;
      }
    } else if (auto* control = dynamic_cast<TGIFGraphicControlExtension*>(&extension)) {
      FrameDisposal = control->Disposal();  // the last one wins
    }
  }
}

void TGIFPainter::DrawFrame(TGIFSubImage& Frame, int FrameCount) {
  RunSynchronised([&] {
    if (FBackupBuffer) DrawComposed();
    else DrawDirect();
    // Every frame's bitmap holds system handles; a long animation makes
    // them again at each pass rather than keep them all.
    if (FrameCount > MaxCachedFrames) {
      Frame.RenderCache.reset();
      Frame.MaskPending = true;
    }
  });
}

int TGIFPainter::FrameDelay(const TGIFSubImage& Frame) const {
  if (Frame.ControlExtension == nullptr || Frame.ControlExtension->Delay == 0) return DefaultFrameDelay;
  const int delay = std::max<int>(Frame.ControlExtension->Delay, MinimumFrameDelay);
  return Threaded() ? delay : std::min(delay, MaximumFrameDelay);
}

void TGIFPainter::WaitForFrame(TGIFSubImage& Frame, int Delay, uint32_t& LastTime, int64_t& LastDelay) {
  TGIFPainterClock& clock = PainterClock();
  if (Delay < 1) {
    std::this_thread::yield();
    return;
  }
  // The next frame's bitmap is made before its delay is measured out, so
  // that making it does not stretch the delay.
  RunSynchronised([&] { RenderedBitmap(Frame); });
  const uint32_t now = clock.NowMs();
  const bool threaded = Threaded();
  const int64_t longest = int64_t{MaximumFrameDelay} * DelayUnitMs;
  bool infinite = false;
  int64_t wait = longest;
  if (FPlaySpeed < 1) {
    infinite = threaded;
  } else {
    // Half the time this frame is late comes off its wait.
    const int64_t late = (static_cast<int64_t>(static_cast<int32_t>(now - LastTime)) - LastDelay) / 2;
    wait = RoundedDiv((int64_t{Delay} * DelayUnitMs - late) * 100, FPlaySpeed);
    LastDelay = wait;
  }
  LastTime = now;

  if (threaded) {
    if (FPlaySpeed < 0) return;  // no waiting at all
    if (!infinite && wait <= 0) return;
    const uint32_t timeout = infinite ? INFINITE : static_cast<uint32_t>(std::min<int64_t>(wait, INFINITE - 1));
    if (FWakeEvent && clock.WaitForWake(FWakeEvent.Get(), timeout)) {
      LastDelay = 0;
      LastTime = clock.NowMs();
    }
    return;
  }
  // Without a thread: sleep in slices of at most 100 ms so that stopping
  // stays responsive.
  wait = std::max<int64_t>(wait, 1);
  while (wait > 0 && !Terminated() && !FRestartRequested) {
    const uint32_t before = clock.NowMs();
    clock.Sleep(static_cast<uint32_t>(wait > 99 ? 100 : wait));
    wait -= static_cast<int32_t>(clock.NowMs() - before);
    ProcessThreadMessages();
  }
}

void TGIFPainter::ProcessThreadMessages() {
  // A painter without a thread runs inside a drawing of the main thread;
  // it runs the other painters' synchronised steps and honours a quit
  // request, but dispatches no other messages (a handler could free the
  // image it is drawing).
  CheckSynchronize();
  MSG msg;
  if (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    PostQuitMessage(static_cast<int>(msg.wParam));
    Terminate();
  }
}

// ---------------------------------------------------------------- drawing

TCanvas& TGIFPainter::Target() {
  // A bitmap's canvas is asked for before each drawing: that keeps its
  // picture private to it.
  if (FCanvasBitmap != nullptr) return FCanvasBitmap->Canvas();
  return *FCanvas;
}

void TGIFPainter::TargetChanged() {
  if (FCanvasBitmap != nullptr) FCanvasBitmap->NotifyChange(FCanvasBitmap);
}

void TGIFPainter::DrawDirect() {
  TGIFSubImage& frame = FImage->Frames()[ActiveFrame];
  DrawScaled(frame, Target(), FRect, (FFlags & drTransparent) != 0, (FFlags & drTile) != 0);
  FStarted = true;
  TargetChanged();
}

void TGIFPainter::DrawComposed() {
  if ((FFlags & drCheckCanvas) != 0 && GetObjectType(FCheckedDC) == 0) {
    Terminate();  // the canvas has gone away
    return;
  }
  TGIFSubImage& frame = FImage->Frames()[ActiveFrame];
  enum class TTarget { Backup, Canvas, FrameBuffer, None } target = TTarget::None;
  switch (FrameDisposal) {
    case kDisposalNone:
    case kDisposalLeave:
    case kDisposalBackground: target = TTarget::Backup; break;
    case kDisposalPrevious:
      if (PreviousDisposal == kDisposalNone || PreviousDisposal == kDisposalLeave) target = TTarget::Canvas;
      else if (PreviousDisposal == kDisposalBackground || PreviousDisposal == kDisposalPrevious)
        target = TTarget::FrameBuffer;
      break;
    default: break;  // undefined methods are not drawn
  }
  if (target != TTarget::None) {
    TCanvas& painterCanvas = Target();
    const int width = FRect.right - FRect.left, height = FRect.bottom - FRect.top;
    TCanvas& canvas = target == TTarget::Backup        ? FBackupBuffer->Canvas()
                      : target == TTarget::FrameBuffer ? FFrameBuffer->Canvas()
                                                       : painterCanvas;
    const RECT rect = target == TTarget::Canvas ? FRect : RECT{0, 0, width, height};
    HPALETTE palette = FramePalette(frame);
    HDC dc = canvas.Handle();
    TSelectPalette selectPalette(dc, palette != nullptr ? palette : SystemPalette16());
    RealizePalette(dc);
    if ((FFlags & drClearAtPassStart) != 0 && ActiveFrame == 0) RestoreFrameArea(frame);
    if (target == TTarget::FrameBuffer)
      BitBlt(dc, 0, 0, width, height, FBackupBuffer->Canvas().Handle(), 0, 0, SRCCOPY);
    DrawScaled(frame, canvas, rect, (FFlags & drTransparent) != 0, (FFlags & drTile) != 0);
    if (target != TTarget::Canvas)
      BitBlt(painterCanvas.Handle(), FRect.left, FRect.top, width, height, dc, 0, 0, SRCCOPY);
  }
  if (FrameDisposal == kDisposalBackground) RestoreFrameArea(frame);
  FStarted = true;
  TargetChanged();
}

void TGIFPainter::RestoreFrameArea(TGIFSubImage& Frame) {
  TBitmapCanvas& backup = FBackupBuffer->Canvas();
  const RECT whole{0, 0, FRect.right - FRect.left, FRect.bottom - FRect.top};
  const bool transparent = (FFlags & drTransparent) != 0 && FBackgroundCopy;
  auto restore = [&](const RECT& r, TColor fill) {
    if (transparent) {
      BitBlt(backup.Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, FBackgroundCopy->Canvas().Handle(),
             r.left, r.top, SRCCOPY);
    } else {
      backup.BrushColor = fill;
      backup.FillRect(r);
      backup.BrushColor = FBackground;
    }
  };
  if ((FFlags & drTile) == 0) {
    restore(FrameRectIn(Frame, whole), FBackground);
    return;
  }
  const int screenWidth = FImage->ScreenWidth(), screenHeight = FImage->ScreenHeight();
  // A tiled fill only where the frame leaves gaps in the tiling.
  if (!transparent && (Frame.Width == screenWidth || Frame.Height == screenHeight)) return;
  const TColor fill = FImage->BackdropColor != clNone ? FImage->BackdropColor : FBackground;
  ForEachTile(whole, Frame.Left, Frame.Top, screenWidth, screenHeight, [&](int x, int y) {
    restore(RECT{x, y, x + Frame.Width, y + Frame.Height}, fill);
  });
}

}  // namespace vr
