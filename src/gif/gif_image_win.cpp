#include "gif/gif_image_win.h"

#include <algorithm>
#include <thread>

#include "gif/gif_frame_bitmap_win.h"
#include "gif/gif_painter_win.h"
#include "pictures/bitmap_gdi.h"
#include "pictures/graphic_errors.h"
#include "pictures/picture.h"
#include "platform/scope_guard.h"
#include "platform/thread.h"

namespace vr {

namespace {

// Files up to this size are read into memory once and parsed from there
// (the file stream reads without a buffer); larger ones are parsed from
// the stream itself.
constexpr int64_t kMaxBufferedFile = int64_t{64} << 20;

// A read-only stream over bytes owned elsewhere.
class TByteStream : public TStream {
 public:
  explicit TByteStream(const std::vector<uint8_t>& Bytes) : FBytes(Bytes) {}
  size_t Read(void* Buffer, size_t Count) override {
    const size_t n = FPosition < FBytes.size() ? std::min(Count, FBytes.size() - FPosition) : 0;
    if (n > 0) std::copy_n(FBytes.data() + FPosition, n, static_cast<uint8_t*>(Buffer));
    FPosition += n;
    return n;
  }
  size_t Write(const void*, size_t) override { return 0; }
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
    const int64_t base = Origin == TSeekOrigin::soBeginning ? 0
                         : Origin == TSeekOrigin::soCurrent ? static_cast<int64_t>(FPosition)
                                                             : static_cast<int64_t>(FBytes.size());
    FPosition = static_cast<size_t>(std::max<int64_t>(base + Offset, 0));
    return static_cast<int64_t>(FPosition);
  }
  int64_t Size() override { return static_cast<int64_t>(FBytes.size()); }

 private:
  const std::vector<uint8_t>& FBytes;
  size_t FPosition = 0;
};

TProgressStage StageOf(TGIFProgressStage Stage) {
  switch (Stage) {
    case TGIFProgressStage::psStarting: return TProgressStage::psStarting;
    case TGIFProgressStage::psRunning: return TProgressStage::psRunning;
    default: return TProgressStage::psEnding;
  }
}

}  // namespace

VR_DEFINE_GRAPHIC_CLASS(TGIFImage, TGraphic)

UINT GIFClipboardFormat() {
  static const UINT format = RegisterClipboardFormatA("GIF Image");
  return format;
}

void RegisterGIFImage() {
  const TWindowDC screen(nullptr);
  LowColorDisplay = GetDeviceCaps(screen.Get(), BITSPIXEL) * GetDeviceCaps(screen.Get(), PLANES) < 9;
  TPicture::RegisterPictureFormat("GIF", "GIF Image", TGIFImage::StaticClass());
  TPicture::RegisterClipboardClass(static_cast<uint16_t>(GIFClipboardFormat()), TGIFImage::StaticClass());
}

void UnregisterGIFImage() { TPicture::UnregisterPictureClass(TGIFImage::StaticClass()); }

TGIFImage::TGIFImage() = default;

TGIFImage::~TGIFImage() {
  // Nobody hears of the changes made while the image goes away.
  OnChange = nullptr;
  OnProgress = nullptr;
  StopAllPainters();
}

// ------------------------------------------------------------- loading

void TGIFImage::LoadFromStream(TStream& Stream) {
  const int64_t start = Stream.Position();
  const int64_t size = Stream.Remaining();
  if (size > kMaxBufferedFile) {
    FStoredBytes.reset();
    TGIFImageCore::LoadFromStream(Stream);
  } else {
    auto bytes = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(size));
    size_t got = 0;
    while (got < bytes->size()) {
      const size_t n = Stream.Read(bytes->data() + got, bytes->size() - got);
      if (n == 0) break;
      got += n;
    }
    bytes->resize(got);
    TByteStream memory(*bytes);
    try {
      TGIFImageCore::LoadFromStream(memory);
    } catch (...) {
      Stream.SetPosition(start);
      throw;
    }
    const int64_t used = memory.Position();
    bytes->resize(static_cast<size_t>(used));
    bytes->shrink_to_fit();
    FStoredBytes = std::move(bytes);
    Stream.SetPosition(start + used);
  }
  NotifyChange(this);
}

void TGIFImage::SaveToStream(TStream& Stream) {
  if (FStoredBytes && !FStoredBytes->empty()) Stream.WriteBuffer(FStoredBytes->data(), FStoredBytes->size());
}

void TGIFImage::AssignFrom(const TPersistent* Source) {
  if (Source == this) return;
  if (Source == nullptr) {
    Clear();
    FStoredBytes.reset();
    NotifyChange(this);
    return;
  }
  const auto* other = dynamic_cast<const TGIFImage*>(Source);
  if (other == nullptr || (!other->Frames().Empty() && !other->FStoredBytes)) {
    TGraphic::AssignFrom(Source);  // "Cannot assign a ... to a ..."
    return;
  }
  if (other->FStoredBytes) {
    std::shared_ptr<const std::vector<uint8_t>> bytes = other->FStoredBytes;
    TByteStream stream(*bytes);
    TGIFImageCore::LoadFromStream(stream);
    FStoredBytes = std::move(bytes);
  } else {
    Clear();
    FStoredBytes.reset();
  }
  DrawFlags = other->DrawFlags;
  AnimationPercent = other->AnimationPercent;
  BackdropColor = other->BackdropColor;
  PainterPriority = other->PainterPriority;
  NotifyChange(this);
}

void TGIFImage::GIFProgress(TGIFProgressStage Stage, int PercentDone, bool RedrawNow, const std::string& Msg) {
  const RECT none{0, 0, 0, 0};
  ReportProgress(this, StageOf(Stage), static_cast<uint8_t>(std::clamp(PercentDone, 0, 100)), RedrawNow, none, Msg);
}

void TGIFImage::ReleaseDrawingState() {
  StopAllPainters();
  FGlobalPalette.Reset();
  FDrawErrorShown = false;
  FPainterError = nullptr;
}

// --------------------------------------------------------- size, palette

void TGIFImage::WriteWidth(int Value) {
  SetScreenWidth(Value);
  ReleaseRenderBuffer();
  NotifyChange(this);
}

void TGIFImage::WriteHeight(int Value) {
  SetScreenHeight(Value);
  ReleaseRenderBuffer();
  NotifyChange(this);
}

HPALETTE TGIFImage::ReadPalette() {
  // Asked again while making it: no frame and no header has a table.
  if (FInGetPalette) throw GIFException(sGIFNoColorTable);
  FInGetPalette = true;
  TScopeGuard done([this] { FInGetPalette = false; });
  if (FRenderBuffer)
    if (HPALETTE own = FRenderBuffer->PaletteHandle()) return own;
  if (FGlobalPalette) return FGlobalPalette.Get();
  if (ShouldDither()) {
    FGlobalPalette = MakeCubePalette();
  } else if (Header().ColorMap.Empty()) {
    return Frames().Empty() ? nullptr : FramePalette(Frames()[0]);
  } else {
    FGlobalPalette = MakeColorPalette(Header().ColorMap.Entries());
  }
  return FGlobalPalette.Get();
}

void TGIFImage::WritePalette(HPALETTE Value) {
  if (Value == FGlobalPalette.Get()) return;
  FGlobalPalette.Reset(Value);
  if (FRenderBuffer && FRenderBuffer->PaletteHandle() != Value) {
    StopFramePainter();
    FRenderBuffer.reset();
    SetPaletteModified(true);
    NotifyChange(this);
  }
}

// -------------------------------------------------------------- drawing

void TGIFImage::DrawInto(TCanvas& Canvas, const RECT& Rect) {
  if (FDrawingNow || Frames().Empty()) return;
  FDrawingNow = true;
  TScopeGuard done([this] { FDrawingNow = false; });
  try {
    ReapPainters();
    DrawFrames(Canvas, Rect);
    if (FPainterError) std::rethrow_exception(std::exchange(FPainterError, nullptr));
  } catch (...) {
    // Shown once: an unattended slideshow must not pile up error boxes at
    // every repaint of the same picture.
    if (FDrawErrorShown) return;
    FDrawErrorShown = true;
    throw;
  }
}

void TGIFImage::DrawFrames(TCanvas& Canvas, const RECT& Rect) {
  const bool transparent = (DrawFlags & drTransparent) != 0;
  const bool tile = (DrawFlags & drTile) != 0;
  const bool tooLarge = static_cast<int64_t>(ScreenWidth()) * ScreenHeight() > MaxAnimationPixels;
  if (Frames().Count() == 1 || (DrawFlags & drAnimate) == 0 || tooLarge) {
    DrawScaled(Frames()[0], Canvas, Rect, transparent, tile);
    return;
  }
  const bool direct = (DrawFlags & drDirect) != 0;
  if (FRenderBuffer && !direct) {
    ShowBuffer(Canvas, Rect);
    return;
  }
  std::lock_guard<std::recursive_mutex> lock(FPainterLock);
  TGIFPainter* painter = FFramePainter;
  if (painter != nullptr && painter->PainterCanvas() == &Canvas && EqualRect(&painter->PainterRect(), &Rect)) {
    if (!direct) ShowBuffer(Canvas, Rect);
    return;
  }
  StopFramePainter();
  if (direct) {
    painter = TGIFPainter::CreatePainter(*this, &FFramePainter, Canvas, nullptr, Rect, DrawFlags);
    if (painter != nullptr) painter->StartPainter();
    return;
  }
  // What the canvas shows under the picture becomes the backdrop behind
  // its transparent pixels.
  MakeRenderBuffer();
  {
    TBitmapCanvas& buffer = FRenderBuffer->Canvas();
    TCanvasLock hold(buffer);
    StretchBlt(buffer.Handle(), 0, 0, ScreenWidth(), ScreenHeight(), Canvas.Handle(), Rect.left, Rect.top,
               Rect.right - Rect.left, Rect.bottom - Rect.top, SRCCOPY);
  }
  TBitmap* buffer = FRenderBuffer.get();
  const RECT bufferRect{0, 0, ScreenWidth(), ScreenHeight()};
  painter = TGIFPainter::CreatePainter(*this, &FFramePainter, buffer->Canvas(), buffer, bufferRect, DrawFlags);
  if (painter != nullptr) {
    painter->StartPainter();
    // The painter's first drawing step waits for this thread.
    while (FFramePainter == painter && !painter->Started() && !painter->Terminated())
      if (!CheckSynchronize()) std::this_thread::yield();
  }
  ShowBuffer(Canvas, Rect);
}

void TGIFImage::MakeRenderBuffer() {
  auto buffer = std::make_unique<TBitmap>();
  buffer->NewDIB(ScreenWidth(), ScreenHeight(), TPixelFormat::pf24bit);
  if (HPALETTE palette = ReadPalette()) buffer->SetPalette(bitmap_gdi::CopyOfPalette(palette));
  // Every drawing into the buffer is a change of the image.
  buffer->OnChange = [this](TObject*) { NotifyChange(this); };
  FRenderBuffer = std::move(buffer);
}

void TGIFImage::ShowBuffer(TCanvas& Canvas, const RECT& Rect) {
  if (!FRenderBuffer) {
    TGIFSubImage& first = Frames()[0];
    if (first.Left == 0 && first.Top == 0 && first.Width == ScreenWidth() && first.Height == ScreenHeight()) {
      auto buffer = std::make_unique<TBitmap>();
      if (TBitmap* bitmap = RenderedBitmap(first)) buffer->AssignFrom(bitmap);
      buffer->OnChange = [this](TObject*) { NotifyChange(this); };
      FRenderBuffer = std::move(buffer);
    } else {
      MakeRenderBuffer();
      TBitmapCanvas& canvas = FRenderBuffer->Canvas();
      TCanvasLock hold(canvas);
      DrawScaled(first, canvas, RECT{0, 0, ScreenWidth(), ScreenHeight()}, false, false);
    }
  }
  if (FRenderBuffer->ReadEmpty()) return;
  if ((DrawFlags & drTile) != 0) {
    const int w = ScreenWidth(), h = ScreenHeight();
    ForEachTile(Rect, 0, 0, w, h, [&](int x, int y) { FRenderBuffer->DrawInto(Canvas, RECT{x, y, x + w, y + h}); });
  } else {
    FRenderBuffer->DrawInto(Canvas, Rect);
  }
}

// ------------------------------------------------------------- painters

int TGIFImage::PainterCount() const {
  std::lock_guard<std::recursive_mutex> lock(FPainterLock);
  return static_cast<int>(
      std::count_if(FPainters.begin(), FPainters.end(), [](const auto& p) { return !p->CleanedUp(); }));
}

void TGIFImage::ReapPainters() {
  std::lock_guard<std::recursive_mutex> lock(FPainterLock);
  // A painter thread ends right after its clean-up; joining it is quick.
  std::erase_if(FPainters, [](const std::unique_ptr<TGIFPainter>& p) { return p->CleanedUp() && p->Finished(); });
}

void TGIFImage::StopPainters(bool All) {
  std::lock_guard<std::recursive_mutex> lock(FPainterLock);
  const bool wasStopping = FStopping;
  FStopping = true;
  std::vector<TGIFPainter*> stopping;
  for (auto& p : FPainters)
    if (All || p.get() == FFramePainter) stopping.push_back(p.get());
  for (TGIFPainter* p : stopping) p->StopPainter();
  // Waiting runs the painters' pending drawing steps (skipped, as they are
  // stopped) and their clean-ups on this thread.
  for (TGIFPainter* p : stopping)
    if (p->FRunning) p->WaitFor();
  std::erase_if(FPainters, [&](const std::unique_ptr<TGIFPainter>& p) {
    return std::find(stopping.begin(), stopping.end(), p.get()) != stopping.end();
  });
  FFramePainter = nullptr;
  FStopping = wasStopping;
  ReapPainters();
}

void TGIFImage::StopFramePainter() {
  StopPainters(false);
  FRenderBuffer.reset();
}

void TGIFImage::StopAllPainters() {
  StopPainters(true);
  FRenderBuffer.reset();
}

void TGIFImage::ReleaseRenderBuffer() { StopFramePainter(); }

}  // namespace vr
