// The JPEG image class: the file's bytes and header at load, decoding into
// a bitmap at first need, the settings of the decoding, palettes, copies,
// the stored "Data" block and encoding a bitmap on demand.
#include "pictures/jpeg/jpeg_image_win.h"

#include <algorithm>

#include "pictures/bitmap_gdi.h"
#include "pictures/jpeg/jpeg_encoder.h"
#include "pictures/picture.h"
#include "platform/application.h"

namespace vr {

TJPEGDefaults JPEGDefaults;

void RegisterJPEGImage() {
  // On a palette screen an 8-bit picture with its own palette looks better
  // than a 24-bit one the system dithers.
  if (bitmap_gdi::ScreenBitsPerPixel() <= 8) JPEGDefaults.PixelFormat = TJPEGPixelFormat::jf8Bit;
  TPicture::RegisterPictureFormat("jpeg", "JPEG Image File", TJPEGImage::StaticClass());
  TPicture::RegisterPictureFormat("jpg", "JPEG Image File", TJPEGImage::StaticClass());
}

void UnregisterJPEGImage() { TPicture::UnregisterPictureClass(TJPEGImage::StaticClass()); }

namespace {

// Progress reports are paced by the application's clock (tests step it).
uint32_t JPEGTicks() { return Application != nullptr ? Application->Clock().NowMs() : DefaultTickCount(); }

TProgressStage StageOf(TJPEGProgressStage Stage) {
  switch (Stage) {
    case TJPEGProgressStage::Starting: return TProgressStage::psStarting;
    case TJPEGProgressStage::Running: return TProgressStage::psRunning;
    default: return TProgressStage::psEnding;
  }
}

// New, empty bytes of an image's own.
TSharedRef<TJPEGData> NewData() { return TSharedRef<TJPEGData>::Make(); }

}  // namespace

// ------------------------------------------------------------ decode target

// Gives the image's bitmap a new DIB whose rows the decoder writes into, and
// takes the decoder's reports to the image.
class TJPEGImage::TDecodeTarget final : public IPixelSink, public IJPEGDecodeEvents {
 public:
  TDecodeTarget(TJPEGImage& Owner, TBitmap& Bitmap) : FOwner(Owner), FBitmap(Bitmap), FSink(Bitmap) {}
  bool PaletteChanged = false;

  TPixelMemory AllocatePixels(const TDibInfo& Info) override {
    FMemory = FSink.AllocatePixels(Info);
    FRows = static_cast<int>(Info.Rows());
    if (FMemory && !Info.Colors.empty()) PaletteChanged = true;
    return FMemory;
  }
  void SetPalette(const std::vector<TRGBQuad>& Colors) override {
    FBitmap.SetColorTable(Colors);
    PaletteChanged = true;
    // A bitmap shared meanwhile (a progress handler copied it) has now got
    // rows of its own; the decoder must not write on into the other's.
    if (FMemory && FBitmap.RowPointer(FRows - 1) != FMemory.Base) throw EAbort(std::string());
  }
  void Progress(TJPEGProgressStage Stage, int PercentDone, bool RedrawNow, const TJPEGRect& R) override {
    FOwner.ReportProgress(&FOwner, StageOf(Stage), static_cast<uint8_t>(std::clamp(PercentDone, 0, 100)), RedrawNow,
                          RECT{R.Left, R.Top, R.Right, R.Bottom}, std::string());
  }

 private:
  TJPEGImage& FOwner;
  TBitmap& FBitmap;
  bitmap_gdi::TBitmapPixelSink FSink;
  TPixelMemory FMemory;
  int FRows = 0;
};

// -------------------------------------------------------------- TJPEGImage

VR_DEFINE_GRAPHIC_CLASS(TJPEGImage, TGraphic)

TJPEGImage::TJPEGImage()
    : FSmoothing(JPEGDefaults.SmoothUpsampling),
      FGrayScale(JPEGDefaults.GrayOutput),
      FPixelFormat(JPEGDefaults.PixelFormat),
      FQuality(JPEGDefaults.CompressionQuality),
      FProgressiveDisplay(JPEGDefaults.ShowProgressively),
      FProgressiveEncoding(JPEGDefaults.EncodeProgressively),
      FPerformance(JPEGDefaults.DecodeSpeed),
      FScale(JPEGDefaults.ReduceScale) {
  ReplaceData(NewData());
}

TJPEGImage::~TJPEGImage() {
  FBitmap.reset();  // before the bytes it was decoded from
}

void TJPEGImage::ReplaceData(TSharedRef<TJPEGData> Data) {
  FImage = std::move(Data);
  FNeedRecalc = true;
}

// ------------------------------------------------------------------ loading

void TJPEGImage::LoadFromStream(TStream& Stream) {
  const int64_t size = Stream.Remaining();
  CheckJPEGFileSize(static_cast<uint64_t>(size));
  ReadStream(static_cast<size_t>(size), Stream);
}

void TJPEGImage::ReadStream(size_t Size, TStream& Stream) {
  // The new bytes and their header are complete before anything of the
  // image changes, so a failed load leaves it as it was.
  TSharedRef<TJPEGData> data = NewData();
  data->Data.SetSize(Size);
  if (Size > 0) Stream.ReadBuffer(data->Data.Memory(), Size);
  bool progressive = false;
  if (Size > 0) {
    TJPEGHeaderInfo header = ReadJPEGHeader(data->Data);
    data->Width = header.Width;
    data->Height = header.Height;
    data->Grayscale = header.Grayscale;
    progressive = header.MultipleScans;
  }
  ReplaceData(std::move(data));
  FBitmap.reset();
  FProgressiveEncoding = progressive;
  SetPaletteModified(true);
  NotifyChange(this);
}

void TJPEGImage::ReadStoredImage(TStream& Stream) {
  const uint32_t count = Stream.ReadU32LE();
  if (count > static_cast<uint64_t>(Stream.Remaining())) throw EReadError("Stream read error");
  ReadStream(count, Stream);
}

void TJPEGImage::WriteStoredImage(TStream& Stream) {
  JPEGNeeded();
  const std::vector<uint8_t>& bytes = FImage->Data.Bytes();
  Stream.WriteU32LE(static_cast<uint32_t>(bytes.size()));
  if (!bytes.empty()) Stream.WriteBuffer(bytes.data(), bytes.size());
}

void TJPEGImage::SaveToStream(TStream& Stream) {
  JPEGNeeded();
  const std::vector<uint8_t>& bytes = FImage->Data.Bytes();
  if (!bytes.empty()) Stream.WriteBuffer(bytes.data(), bytes.size());
}

// ------------------------------------------------------------------- sizes

bool TJPEGImage::ReadEmpty() const { return !HasData() && (FBitmap == nullptr || FBitmap->IsEmpty()); }

void TJPEGImage::CalcOutputDimensions() const {
  if (!FNeedRecalc) return;
  FNeedRecalc = false;
  FScaledWidth = FImage->Width;
  FScaledHeight = FImage->Height;
  if (FScale == TJPEGScale::jsFullSize || !HasData()) return;
  try {
    TJPEGSize size = JPEGOutputSize(FImage->Data, DecodeOptions());
    FScaledWidth = size.Width;
    FScaledHeight = size.Height;
  } catch (const Exception&) {
    // The header read at load; only a setting the library refuses gets
    // here, and the first draw reports that. Until then: rounded up.
    const int32_t divisor = 1 << static_cast<int>(FScale);
    FScaledWidth = (FImage->Width + divisor - 1) / divisor;
    FScaledHeight = (FImage->Height + divisor - 1) / divisor;
  }
}

int TJPEGImage::ReadWidth() const {
  if (FBitmap != nullptr) return FBitmap->Width();
  if (FScale == TJPEGScale::jsFullSize) return FImage->Width;
  CalcOutputDimensions();
  return FScaledWidth;
}

int TJPEGImage::ReadHeight() const {
  if (FBitmap != nullptr) return FBitmap->Height();
  if (FScale == TJPEGScale::jsFullSize) return FImage->Height;
  CalcOutputDimensions();
  return FScaledHeight;
}

void TJPEGImage::WriteWidth(int Value) { throw EInvalidGraphicOperation(SChangeJPEGSize); }

void TJPEGImage::WriteHeight(int Value) { throw EInvalidGraphicOperation(SChangeJPEGSize); }

// ----------------------------------------------------------------- palette

HPALETTE TJPEGImage::ReadPalette() {
  if (FBitmap != nullptr) return FBitmap->PaletteHandle();
  if (!FTempPal && FPixelFormat == TJPEGPixelFormat::jf24Bit && bitmap_gdi::ScreenBitsPerPixel() <= 8) {
    TWindowDC screen(nullptr);
    FTempPal.Reset(CreateHalftonePalette(screen.Get()));
  }
  return FTempPal.Get();
}

void TJPEGImage::WritePalette(HPALETTE Value) {
  if (Value == FTempPal.Get()) return;
  const HPALETTE bitmapPalette = FBitmap != nullptr ? FBitmap->Image().Palette.Get() : nullptr;
  const bool differs = FBitmap != nullptr && Value != bitmapPalette;
  // The bitmap's own palette stays the bitmap's: it gets no second owner.
  FTempPal.Reset(Value != nullptr && Value == bitmapPalette ? nullptr : Value);
  if (differs) {
    FreeBitmap();
    SetPaletteModified(true);
    NotifyChange(this);
  }
}

// ---------------------------------------------------------------- decoding

TJPEGDecodeOptions TJPEGImage::DecodeOptions() const {
  TJPEGDecodeOptions o;
  o.Scale = FScale;
  o.SmoothUpsampling = FSmoothing;
  o.GrayOutput = FGrayScale;
  o.PixelFormat = FPixelFormat;
  o.DecodeSpeed = FPerformance;
  o.ShowProgressively = FProgressiveDisplay;
  return o;
}

TBitmap& TJPEGImage::Bitmap() {
  // A progress handler may drop the bitmap being decoded (new bytes, new
  // settings): then the image is decoded again, as it now stands.
  for (int attempt = 0; FBitmap == nullptr && attempt < 2; ++attempt) Decode();
  if (FBitmap == nullptr) FBitmap = std::make_shared<TBitmap>();
  return *FBitmap;
}

void TJPEGImage::Decode() {
  // The bitmap exists before the first row is decoded and stays whatever
  // happens, so a picture is decoded once and a draw from inside a progress
  // report shows the rows so far.
  auto bitmap = std::make_shared<TBitmap>();
  FBitmap = bitmap;
  // The bytes stay too while they are read, whatever a progress handler loads.
  const TSharedRef<TJPEGData> data = FImage;
  TJPEGDecodeOptions options = DecodeOptions();
  if (FTempPal) {
    if (FPixelFormat == TJPEGPixelFormat::jf8Bit) {
      const UINT count = std::min<UINT>(GetPaletteEntries(FTempPal.Get(), 0, 0, nullptr), 256);
      options.TargetPalette = bitmap_gdi::PaletteEntriesAsTable(FTempPal.Get(), count);
    } else {
      FTempPal.Reset();
    }
  }
  TDecodeTarget target(*this, *bitmap);
  try {
    DecodeJPEG(data->Data, options, target, target, JPEGTicks);
  } catch (const EAbort&) {
    // A progress handler stopped the decoding: what was decoded stays.
  } catch (...) {
    if (target.PaletteChanged) SetPaletteModified(true);
    throw;
  }
  if (target.PaletteChanged) {
    SetPaletteModified(true);
    NotifyChange(this);
  }
}

void TJPEGImage::DrawInto(TCanvas& Canvas, const RECT& Rect) {
  // The bitmap never takes the image's Transparent flag: JPEG pictures are
  // always drawn opaque.
  Bitmap().DrawInto(Canvas, Rect);
}

void TJPEGImage::FreeBitmap() {
  if (FBitmap == nullptr) return;
  JPEGNeeded();  // a picture that exists only as a bitmap must not be lost
  FBitmap.reset();
}

// ---------------------------------------------------------------- settings

void TJPEGImage::SetReduceScale(TJPEGScale Value) {
  if (Value == FScale) return;
  FreeBitmap();
  FScale = Value;
  FNeedRecalc = true;
}

void TJPEGImage::SetSmoothUpsampling(bool Value) {
  if (Value == FSmoothing) return;
  FreeBitmap();
  FSmoothing = Value;
  NotifyChange(this);
}

void TJPEGImage::SetGrayOutput(bool Value) {
  if (Value == FGrayScale) return;
  FreeBitmap();
  FGrayScale = Value;
  SetPaletteModified(true);
  NotifyChange(this);
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat Value) {
  if (Value == FPixelFormat) return;
  FreeBitmap();
  FPixelFormat = Value;
  SetPaletteModified(true);
  NotifyChange(this);
}

void TJPEGImage::SetDecodeSpeed(TJPEGPerformance Value) {
  if (Value == FPerformance) return;
  FreeBitmap();
  FPerformance = Value;
  SetPaletteModified(true);
  NotifyChange(this);
}

// ---------------------------------------------------------------- encoding

void TJPEGImage::JPEGNeeded() {
  if (HasData() || FBitmap == nullptr || FBitmap->IsEmpty()) return;
  // A private 24-bit copy to read rows from; the image's bitmap stays as it is.
  TBitmap rows;
  rows.AssignFrom(FBitmap.get());
  rows.SetPixelFormat(TPixelFormat::pf24bit);
  const int width = rows.Width(), height = rows.Height();
  TSharedRef<TJPEGData> data = NewData();
  TJPEGEncodeOptions options;
  options.Quality = FQuality;
  options.Grayscale = FGrayScale;
  options.Progressive = FProgressiveEncoding;
  EncodeJPEG(data->Data, width, height, [&rows](int Row) -> const uint8_t* { return rows.RowPointer(Row); },
             options);
  data->Width = width;
  data->Height = height;
  data->Grayscale = FGrayScale;
  const int32_t scaledWidth = FScaledWidth, scaledHeight = FScaledHeight;
  ReplaceData(std::move(data));
  // The bitmap is the picture at the current scale.
  FScaledWidth = scaledWidth;
  FScaledHeight = scaledHeight;
}

// ------------------------------------------------------------------ copies

void TJPEGImage::AssignFrom(const TPersistent* Source) {
  if (Source == this) return;
  if (Source == nullptr) {
    ReplaceData(NewData());
    FBitmap.reset();
  } else if (auto* other = dynamic_cast<const TJPEGImage*>(Source)) {
    ReplaceData(other->FImage);
    FSmoothing = other->FSmoothing;
    FGrayScale = other->FGrayScale;
    FPixelFormat = other->FPixelFormat;
    FQuality = other->FQuality;
    FProgressiveDisplay = other->FProgressiveDisplay;
    FProgressiveEncoding = other->FProgressiveEncoding;
    FPerformance = other->FPerformance;
    FScale = other->FScale;
    if (other->FBitmap != nullptr) {
      auto copy = std::make_shared<TBitmap>();
      copy->AssignFrom(other->FBitmap.get());
      FBitmap = std::move(copy);
    } else {
      FBitmap.reset();
    }
  } else if (auto* bitmap = dynamic_cast<const TBitmap*>(Source)) {
    auto copy = std::make_shared<TBitmap>();
    copy->AssignFrom(bitmap);
    ReplaceData(NewData());
    FBitmap = std::move(copy);
  } else {
    TGraphic::AssignFrom(Source);
    return;
  }
  SetPaletteModified(true);
  NotifyChange(this);
}

bool TJPEGImage::AssignInto(TPersistent* Dest) const {
  if (auto* bitmap = dynamic_cast<TBitmap*>(Dest)) {
    // Decoding fills the image's own bitmap; the image's bytes stay as they are.
    bitmap->AssignFrom(&const_cast<TJPEGImage*>(this)->Bitmap());
    return true;
  }
  return TGraphic::AssignInto(Dest);
}

}  // namespace vr
