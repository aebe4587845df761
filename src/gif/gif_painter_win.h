// The animation painter: plays the frames of a multi-frame GIF onto one
// canvas and rectangle, waiting each frame's delay, composing it by the
// disposal methods and counting passes by the looping extension.
// A threaded painter only keeps time on its own thread; every drawing step
// and every event runs on the main thread through the thread class's
// synchronised calls, so frames appear while the main thread handles
// messages.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

#include "gif/gif_blocks.h"
#include "gif/gif_image_core.h"
#include "pictures/bitmap.h"
#include "platform/canvas.h"
#include "platform/classes.h"
#include "platform/handles.h"
#include "platform/thread.h"

namespace vr {

class TGIFImage;

// Milliseconds per delay unit of a graphic control extension (not 10).
inline constexpr int DelayUnitMs = 12;
// Delay units of a frame without a control extension or with delay 0.
inline constexpr int DefaultFrameDelay = 10;
// Smaller non-zero delays are raised to this.
inline constexpr int MinimumFrameDelay = 3;
// Larger delays are cut to this without a thread of its own; also the
// fallback when a delay cannot be computed.
inline constexpr int MaximumFrameDelay = 1000;
// Animations of more frames keep no frame bitmaps between passes (each
// holds a system bitmap, and the process has only so many).
inline constexpr int MaxCachedFrames = 64;

class TGIFPainter : public TThread {
 public:
  // Use CreatePainter.
  TGIFPainter(TGIFImage& Image, TGIFPainter** OwnerSlot, TCanvas& Canvas, TBitmap* CanvasBitmap, const RECT& Rect,
              uint16_t Flags);
  ~TGIFPainter() override;
  const char* ClassName() const override { return "TGIFPainter"; }

  // Makes a painter for Image that draws onto Canvas within Rect (Canvas
  // being CanvasBitmap's own canvas when that is given, which is then told
  // of every change) and lists it with the image. A one-frame image gets
  // neither thread nor animation. A threaded painter is answered unstarted;
  // any other plays at once and is gone afterwards (none is answered, and
  // its failure is raised here). Empty images and rectangles get none.
  static TGIFPainter* CreatePainter(TGIFImage& Image, TGIFPainter** OwnerSlot, TCanvas& Canvas,
                                    TBitmap* CanvasBitmap, const RECT& Rect, uint16_t Flags);
  void StartPainter();
  // Tells the painter to end; a threaded one leaves its delay at once.
  void StopPainter();

  TCanvas* PainterCanvas() const { return FCanvas; }
  const RECT& PainterRect() const { return FRect; }
  uint16_t DrawFlags() const { return FFlags; }
  bool Threaded() const { return (FFlags & drThreaded) != 0; }
  int PlaySpeed() const { return FPlaySpeed; }
  // The first frame has been drawn.
  bool Started() const { return FStarted; }
  // The painter has ended and let go of its image.
  bool CleanedUp() const { return FCleanedUp; }
  std::exception_ptr CaughtException() const { return FCaughtException; }

  // The frame being shown; -1 when idle. An OnFrameDone handler may set it.
  std::atomic<int> ActiveFrame{-1};
  // The disposal methods of the frame being drawn and of the one before.
  int FrameDisposal = kDisposalLeave;
  int PreviousDisposal = kDisposalLeave;

  TNotifyEvent OnAnimationStart;
  TNotifyEvent OnFrameDue;
  TNotifyEvent OnFrameDone;
  TNotifyEvent OnPassRepeat;
  TNotifyEvent OnAnimationEnd;

  // Painter threads started and not yet ended, in the whole program.
  static int RunningThreads();

  // Plays the animation (on the painter's thread, or in the caller's).
  void ThreadBody();

 protected:
  void Execute() override;

 private:
  friend class TGIFImage;

  // Where a run through the animation stands.
  struct TPlayback {
    int LoopsLeft = 1;        // passes still to play; -1: for ever
    int LoopStart = 0;        // the frame a repeated pass starts from
    bool LoopSeen = false;    // the first looping extension has been read
    int Delay = 0;            // the wait before the next frame, in delay units
    uint32_t LastTime = 0;    // when the last wait began (painter clock)
    int64_t LastDelay = 0;    // what it was to last, in ms
  };

  void RunSynchronised(const std::function<void()>& Step);
  void Fire(const TNotifyEvent& Handler);
  // One run from the first frame to the end of the last pass.
  void PlayAnimation();
  // The frames of one pass, from ActiveFrame on (one without drAnimate).
  void PlayPass(TPlayback& Playback);
  // The frame's disposal method, and the loop count of the first looping
  // extension of the run.
  void ReadFrameExtensions(TGIFSubImage& Frame, int Index, TPlayback& Playback);
  // Draws the frame on the main thread.
  void DrawFrame(TGIFSubImage& Frame, int FrameCount);
  // The wait after the frame, in delay units.
  int FrameDelay(const TGIFSubImage& Frame) const;
  // Renders the frame's bitmap and measures out its delay.
  void WaitForFrame(TGIFSubImage& Frame, int Delay, uint32_t& LastTime, int64_t& LastDelay);
  void ProcessThreadMessages();
  TCanvas& Target();
  void TargetChanged();
  void DrawDirect();
  void DrawComposed();
  void RestoreFrameArea(TGIFSubImage& Frame);
  std::unique_ptr<TBitmap> MakeBuffer(bool CopyCanvas);
  // Runs on the main thread when the painter ends.
  void PainterCleanup();

  TGIFImage* FImage;
  TGIFPainter** FOwnerSlot;
  TCanvas* FCanvas;
  TBitmap* FCanvasBitmap;
  RECT FRect;
  uint16_t FFlags;
  int FPlaySpeed;
  int FPriority = THREAD_PRIORITY_NORMAL;
  TColor FBackground = clWindow;
  std::unique_ptr<TBitmap> FBackupBuffer;
  std::unique_ptr<TBitmap> FFrameBuffer;
  std::unique_ptr<TBitmap> FBackgroundCopy;
  HDC FCheckedDC = nullptr;
  bool FRestartRequested = false;
  bool FStarted = false;
  std::atomic<bool> FCleanedUp{false};
  bool FRunning = false;  // counted in RunningThreads
  TKernelHandle FWakeEvent;
  std::exception_ptr FCaughtException;
};

}  // namespace vr
