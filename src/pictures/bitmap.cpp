// The bitmap class: its shared picture, reading and writing bitmap files,
// the stored "Data" block, and sharing between copies.
#include "pictures/bitmap.h"

#include <cstdlib>
#include <cstring>

#include "pictures/bitmap_gdi.h"
#include "pictures/bmp/bmp_format.h"

namespace vr {

using namespace bitmap_gdi;

// ------------------------------------------------------------------ palettes

HPALETTE SystemPalette16() {
  static const HPALETTE palette = [] {
    // The sixteen colours of the standard 4-bit palette, in their usual order.
    static const uint8_t rgb[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                       {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                       {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                       {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    struct {
      LOGPALETTE head;
      PALETTEENTRY more[15];
    } pal{};
    pal.head.palVersion = 0x300;
    pal.head.palNumEntries = 16;
    PALETTEENTRY* e = pal.head.palPalEntry;
    for (int i = 0; i < 16; ++i) e[i] = PALETTEENTRY{rgb[i][0], rgb[i][1], rgb[i][2], 0};
    return CreatePalette(&pal.head);  // shared for the whole run, never deleted
  }();
  return palette;
}

void TBitmapPaletteTraits::Free(HPALETTE h) noexcept {
  if (h != SystemPalette16()) DeleteObject(h);
}

TBitmapPalette PaletteFromColorTable(std::span<const TRGBQuad> Table) {
  if (Table.empty()) return {};
  size_t n = std::min<size_t>(Table.size(), 256);
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
  auto* pal = reinterpret_cast<LOGPALETTE*>(block.data());
  pal->palVersion = 0x300;
  pal->palNumEntries = static_cast<WORD>(n);
  for (size_t i = 0; i < n; ++i)
    pal->palPalEntry[i] = PALETTEENTRY{Table[i].rgbRed, Table[i].rgbGreen, Table[i].rgbBlue, 0};
  return TBitmapPalette(CreatePalette(pal));
}

int PixelFormatBits(TPixelFormat Format) {
  switch (Format) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit: return 16;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pf32bit: return 32;
    default: return 0;
  }
}

// ------------------------------------------------------------- TBitmapImage

TBitmapImage::TBitmapImage() : DIB{} {}

TBitmapImage::~TBitmapImage() { ReleaseHandles(); }

void TBitmapImage::ReleaseHandles() {
  // A bitmap still selected into a canvas cannot be deleted.
  TBitmapCanvas::DeselectBitmap(Handle.Get());
  TBitmapCanvas::DeselectBitmap(MaskHandle.Get());
  Handle.Reset();
  MaskHandle.Reset();
  Palette.Reset();
  DIBHandle = nullptr;
}

// ------------------------------------------------------------------ TBitmap

VR_DEFINE_GRAPHIC_CLASS(TBitmap, TGraphic)

TBitmap::TBitmap() : FImage(TSharedRef<TBitmapImage>::Make()) {}

TBitmap::~TBitmap() {
  FCanvas.reset();  // the canvas lets the picture go before the picture goes
}

void TBitmap::NewImage(TBitmapHandle Handle, TBitmapPalette Palette, const DIBSECTION& DIB, bool OS2Format,
                       std::shared_ptr<TMemoryStream> SaveStream, size_t SavePixelOffset) {
  auto image = TSharedRef<TBitmapImage>::Make();
  bool isDIB = false;
  DescribeBitmap(Handle.Get(), isDIB);
  image->DIBHandle = isDIB ? Handle.Get() : nullptr;
  image->Handle = std::move(Handle);
  image->Palette = std::move(Palette);
  image->DIB = DIB;
  image->OS2Format = OS2Format;
  image->SaveStream = std::move(SaveStream);
  image->SavePixelOffset = SavePixelOffset;
  if (FCanvas) FCanvas->FreeContext();
  FImage = std::move(image);
  FMaskValid = false;
}

void TBitmap::CopyImage(HBITMAP Source, TBitmapPalette Palette, const DIBSECTION& DIB) {
  DIBSECTION dib = DIB;
  TColor fill = FCanvas ? FCanvas->BrushColor : clWhite;
  TBitmapHandle copy = CopyBitmap(Source, FImage->Palette.Get(), Palette.Get(), dib, fill);
  NewImage(std::move(copy), std::move(Palette), dib, FImage->OS2Format);
}

void TBitmap::Unshare() {
  if (FImage.Unique()) return;
  TBitmapPalette palette;
  if (FImage->Palette && !FImage->Halftone) palette = CopyOfPalette(FImage->Palette.Get());
  HBITMAP source = FImage->Handle.Get();
  CopyImage(source, std::move(palette), FImage->DIB);
}

void TBitmap::Changing() {
  Unshare();
  FImage->SaveStream.reset();  // the pixels no longer match the file's bytes
  FMaskValid = false;
}

TBitmapCanvas& TBitmap::OwnCanvas() {
  if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(*this);
  return *FCanvas;
}

HDC TBitmap::SourceDC() { return OwnCanvas().Handle(); }

TBitmapCanvas& TBitmap::Canvas() {
  Changing();
  return OwnCanvas();
}

void TBitmap::NotifyChange(TObject* Sender) {
  FMaskValid = false;
  TGraphic::NotifyChange(Sender);
}

void TBitmap::AssignFrom(const TPersistent* Source) {
  if (Source == nullptr) {
    NewImage({}, {}, DIBSECTION{});
  } else if (auto* other = dynamic_cast<const TBitmap*>(Source)) {
    if (other == this) return;
    if (FCanvas) FCanvas->FreeContext();
    FImage = other->FImage;
    FMaskValid = false;
    FTransparent = other->FTransparent;
    FTransparentColor = other->FTransparentColor;
    FTransparentMode = other->FTransparentMode;
    FIgnorePalette = other->FIgnorePalette;
  } else {
    TGraphic::AssignFrom(Source);
    return;
  }
  SetPaletteModified(FImage->Palette.Get() != nullptr);
  NotifyChange(this);
}

// -------------------------------------------------------------- properties

bool TBitmap::ReadEmpty() const { return FImage->Handle.Get() == nullptr && FImage->DIBHandle == nullptr; }

int TBitmap::ReadWidth() const { return FImage->DIB.dsBm.bmWidth; }

int TBitmap::ReadHeight() const { return std::abs(FImage->DIB.dsBm.bmHeight); }

bool TBitmap::Monochrome() const { return FImage->DIB.dsBm.bmPlanes == 1 && FImage->DIB.dsBm.bmBitsPixel == 1; }

TBitmapHandleType TBitmap::HandleType() const {
  if (FImage->Handle.Get() == nullptr || FImage->Handle.Get() == FImage->DIBHandle) {
    if (FImage->DIBHandle == nullptr && FImage->DIB.dsBmih.biSize == 0) return TBitmapHandleType::bmDDB;
    return TBitmapHandleType::bmDIB;
  }
  return TBitmapHandleType::bmDDB;
}

HBITMAP TBitmap::ReadHandle() { return FImage->Handle.Get(); }

// ----------------------------------------------------------- reading files

void TBitmap::LoadFromStream(TStream& Stream) {
  if (FCanvas) FCanvas->FreeContext();
  TBitmapFileInfo info = ReadBitmapFileHeaders(Stream);
  if (info.Empty) {
    NewImage({}, {}, DIBSECTION{});
    return;
  }
  LoadFromInfo(Stream, info);
}

void TBitmap::LoadFromInfo(TStream& Stream, const TBitmapFileInfo& Info) {
  // A bitmap without pixels cannot be created; refuse it here rather than
  // let the system decide what an empty bitmap is.
  if (Info.Width() <= 0 || Info.Height() <= 0) throw EInvalidGraphic(SInvalidBitmap);

  TWindowDC screen(nullptr);
  TBitmapHandle handle;
  if (!Info.Compressed()) {
    TDibSectionSink section;
    ReadBitmapPixels(Stream, Info, section);
    if (!section.Handle()) RaiseBitmapCreateError();
    handle = section.TakeSection();
  } else {
    // The system decodes the compression into a device bitmap, through a
    // context in which the file's colours are realised.
    const TBitmapInfoBlock block(Info.BitmapInfo());
    TMemoryDC memory(CreateCompatibleDC(screen.Get()));
    if (!memory) RaiseOutOfResources();
    TBitmapPalette tablePalette = PaletteFromColorTable(Info.ColorTable);
    TSelectPalette selectPalette(memory.Get(), tablePalette.Get(), false);
    if (tablePalette) RealizePalette(memory.Get());
    SetLastError(0);
    handle.Reset(CreateCompatibleBitmap(screen.Get(), Info.Width(), Info.Height()));
    if (!handle) RaiseBitmapCreateError();
    const uint8_t* pixels = Info.CompressedPixels();
    static const uint8_t kEndOfBitmap[2] = {0, 1};
    if (Info.PixelByteCount == 0) pixels = kEndOfBitmap;  // nothing to decode
    SetLastError(0);
    if (SetDIBits(memory.Get(), handle.Get(), 0, static_cast<UINT>(Info.Height()), pixels, block.Get(), DIB_RGB_COLORS) == 0 &&
        Info.PixelByteCount != 0)
      RaiseBitmapCreateError();
  }

  TBitmapPalette palette;
  if (Info.Header.biBitCount > 8 && !Info.ColorTable.empty()) palette = PaletteFromColorTable(Info.ColorTable);

  bool isDIB = false;
  DIBSECTION dib = DescribeBitmap(handle.Get(), isDIB);
  if (!isDIB) {
    // A device bitmap keeps the file's header as its description.
    const TBitmapInfoHeader& h = Info.Header;
    dib.dsBmih.biSize = 0;
    dib.dsBmih.biWidth = h.biWidth;
    dib.dsBmih.biHeight = h.biHeight;
    dib.dsBmih.biPlanes = h.biPlanes;
    dib.dsBmih.biBitCount = h.biBitCount;
    dib.dsBmih.biCompression = h.biCompression;
  }
  dib.dsBmih.biXPelsPerMeter = Info.Header.biXPelsPerMeter;
  dib.dsBmih.biYPelsPerMeter = Info.Header.biYPelsPerMeter;
  dib.dsBmih.biClrUsed = Info.Header.biClrUsed;
  dib.dsBmih.biClrImportant = Info.Header.biClrImportant;
  NewImage(std::move(handle), std::move(palette), dib, Info.OS2Format, Info.CompressedData,
           Info.CompressedPixelOffset);
  SetPaletteModified(FImage->Palette.Get() != nullptr);
  NotifyChange(this);
}

void TBitmap::ReadStoredImage(TStream& Stream) {
  uint32_t count = Stream.ReadU32LE();
  if (count > static_cast<uint64_t>(Stream.Remaining())) throw EReadError("Stream read error");
  std::vector<uint8_t> bytes(count);
  if (count > 0) Stream.ReadBuffer(bytes.data(), count);
  TMemoryStream block(std::move(bytes));
  LoadFromStream(block);
}

// ----------------------------------------------------------- writing files

namespace {

void WriteFileHeader(TStream& s, uint64_t fileSize, uint64_t pixelOffset) {
  s.WriteU16LE(kBitmapFileType);
  s.WriteU32LE(static_cast<uint32_t>(fileSize));
  s.WriteU32LE(0);
  s.WriteU32LE(static_cast<uint32_t>(pixelOffset));
}

}  // namespace

void TBitmap::SaveToStream(TStream& Stream) {
  if (ReadEmpty()) return;
  if (FImage->SaveStream) {
    // The file's own compressed bytes, behind a new file header.
    const TMemoryStream& data = *FImage->SaveStream;
    WriteFileHeader(Stream, 14 + data.Bytes().size(), 14 + FImage->SavePixelOffset);
    Stream.WriteBuffer(data.Memory(), data.Bytes().size());
    return;
  }
  const int width = ReadWidth(), height = ReadHeight();
  TDibInfo dib;
  TBitmapInfoHeader& header = dib.Header;
  std::vector<uint8_t> pixels;
  if (HandleType() == TBitmapHandleType::bmDIB) {
    header = ModelHeader(FImage->DIB.dsBmih);
    dib.Colors = ReadDIBColorTable(FImage->Handle.Get());
    std::copy(std::begin(FImage->DIB.dsBitfields), std::end(FImage->DIB.dsBitfields), dib.Masks.begin());
    GdiFlush();
    size_t size = static_cast<size_t>(FImage->DIB.dsBm.bmWidthBytes) * static_cast<size_t>(height);
    auto* bits = static_cast<const uint8_t*>(FImage->DIB.dsBm.bmBits);
    pixels.assign(bits, bits + size);
  } else {
    // A device bitmap is written as the DIB the system gives for it.
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = Monochrome() ? 1 : 24;
    header.biCompression = kDibRgb;
    if (Monochrome()) dib.Colors = DefaultColorTable(1);
    header.biClrUsed = static_cast<uint32_t>(dib.Colors.size());
    const TBitmapInfoBlock info(dib);
    pixels.resize(static_cast<size_t>(DibRowStride(width, header.biBitCount)) * static_cast<size_t>(height));
    TBitmapCanvas::DeselectBitmap(FImage->Handle.Get());
    TWindowDC screen(nullptr);
    GetDIBits(screen.Get(), FImage->Handle.Get(), 0, static_cast<UINT>(height), pixels.data(),
              const_cast<BITMAPINFO*>(info.Get()), DIB_RGB_COLORS);
  }
  header.biSize = kDibHeaderSize;
  header.biSizeImage = static_cast<uint32_t>(pixels.size());
  header.biClrUsed = static_cast<uint32_t>(dib.Colors.size());
  header.biClrImportant = 0;
  const std::vector<uint8_t> headers = dib.Bytes();
  WriteFileHeader(Stream, 14 + headers.size() + pixels.size(), 14 + headers.size());
  Stream.WriteBuffer(headers.data(), headers.size());
  if (!pixels.empty()) Stream.WriteBuffer(pixels.data(), pixels.size());
}

void TBitmap::WriteStoredImage(TStream& Stream) {
  TMemoryStream block;
  SaveToStream(block);
  Stream.WriteU32LE(static_cast<uint32_t>(block.Bytes().size()));
  if (!block.Bytes().empty()) Stream.WriteBuffer(block.Memory(), block.Bytes().size());
}

}  // namespace vr
