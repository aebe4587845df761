// The GIF picture as an image class of the picture holder: loading through
// the reader core, drawing single frames or handing animations to a
// painter that composes them in a render buffer, palettes, and the
// start-up registration of the format.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "gif/gif_image_core.h"
#include "pictures/bitmap.h"
#include "pictures/graphic.h"
#include "platform/handles.h"

namespace vr {

class TGIFPainter;

class TGIFImage : public TGraphic, public TGIFImageCore {
  VR_GRAPHIC_CLASS(TGIFImage)

 public:
  // A logical screen above this many pixels is not animated (its buffers
  // would take more memory than a slideshow should): only the first frame
  // is drawn.
  static constexpr int64_t MaxAnimationPixels = int64_t{1} << 24;

  TGIFImage();
  ~TGIFImage() override;

  // ---- the image-class contract
  // From another GIF image: reads the same bytes again. nullptr empties.
  void AssignFrom(const TPersistent* Source) override;
  // Draws the first frame, or the animation composed so far (starting its
  // painter). With drDirect the painter draws onto Canvas itself, which
  // must then outlive it; the image view never asks for that.
  void DrawInto(TCanvas& Canvas, const RECT& Rect) override;
  // Only the same object is the same image.
  bool SameImage(const TGraphic* HeldGraphic) override { return HeldGraphic == this; }
  bool ReadEmpty() const override { return Frames().Empty(); }
  int ReadHeight() const override { return ScreenHeight(); }
  int ReadWidth() const override { return ScreenWidth(); }
  HPALETTE ReadPalette() override;
  // Installs a palette; the image owns it from then on.
  void WritePalette(HPALETTE Value) override;
  void WriteHeight(int Value) override;
  void WriteWidth(int Value) override;
  // Reads a GIF stream from the position (the stream is left after the
  // trailer, or where it was on failure).
  void LoadFromStream(TStream& Stream) override;
  // Writes the bytes the image was read from (nothing for an empty image).
  void SaveToStream(TStream& Stream) override;

  void GIFProgress(TGIFProgressStage Stage, int PercentDone, bool RedrawNow, const std::string& Msg) override;

  // ---- animation
  TColor BackdropColor = clNone;  // behind the animation; clNone: the background colour
  int PainterPriority = THREAD_PRIORITY_NORMAL;
  TNotifyEvent OnAnimationStart;
  TNotifyEvent OnFrameDue;
  TNotifyEvent OnFrameDone;
  TNotifyEvent OnPassRepeat;
  TNotifyEvent OnAnimationEnd;

  // The composed animation (logical screen size), or none before the
  // first animated drawing.
  TBitmap* RenderBuffer() const { return FRenderBuffer.get(); }
  // The painter drawing into the render buffer, or none.
  TGIFPainter* FramePainter() const { return FFramePainter; }
  // Painters of this image that have not ended yet.
  int PainterCount() const;
  // Stops the frame painter and frees the render buffer.
  void ReleaseRenderBuffer();
  // Stops the frame painter, waits until it has ended and frees the render
  // buffer.
  void StopFramePainter();
  // Stops every painter of the image, waits for them, frees the render buffer.
  void StopAllPainters();

 protected:
  void ReleaseDrawingState() override;

 private:
  friend class TGIFPainter;

  void DrawFrames(TCanvas& Canvas, const RECT& Rect);
  void ShowBuffer(TCanvas& Canvas, const RECT& Rect);
  void MakeRenderBuffer();
  // Frees painters whose threads have ended.
  void ReapPainters();
  void StopPainters(bool All);

  std::unique_ptr<TBitmap> FRenderBuffer;
  TGIFPainter* FFramePainter = nullptr;
  // Every painter of the image until its thread has ended (PainterList).
  std::vector<std::unique_ptr<TGIFPainter>> FPainters;
  mutable std::recursive_mutex FPainterLock;
  TPaletteHandle FGlobalPalette;
  bool FDrawingNow = false;
  bool FInGetPalette = false;
  bool FStopping = false;
  // A drawing error has reached the caller once; later ones are dropped.
  bool FDrawErrorShown = false;
  std::exception_ptr FPainterError;  // kept by a painter thread for the next drawing
  // The bytes the image was read from, shared by copies.
  std::shared_ptr<const std::vector<uint8_t>> FStoredBytes;
};

// The system's clipboard format "GIF Image".
UINT GIFClipboardFormat();
// Registers the GIF image class at the program's start: the drawing state
// (whether the screen is a palette display, LowColorDisplay), the extension
// "GIF" and the clipboard format "GIF Image".
void RegisterGIFImage();
// Removes the class from the registry and the clipboard formats again.
void UnregisterGIFImage();

}  // namespace vr
