// The bitmap as a drawing surface: size, pixel format, rows, colour table,
// palette, and the system handle going in and out.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "pictures/bitmap.h"
#include "pictures/bitmap_gdi.h"

namespace vr {

using namespace bitmap_gdi;

namespace {

// A 40-byte header description of Width × Height at Bits per pixel.
DIBSECTION DibDescription(int Width, int Height, int Bits) {
  DIBSECTION dib{};
  dib.dsBm.bmWidth = Width;
  dib.dsBm.bmHeight = Height;
  dib.dsBm.bmPlanes = 1;
  dib.dsBm.bmBitsPixel = static_cast<WORD>(Bits);
  dib.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
  dib.dsBmih.biWidth = Width;
  dib.dsBmih.biHeight = Height;
  dib.dsBmih.biPlanes = 1;
  dib.dsBmih.biBitCount = static_cast<WORD>(Bits);
  dib.dsBmih.biCompression = BI_RGB;
  return dib;
}

void Set565Masks(DIBSECTION& Dib) {
  Dib.dsBmih.biCompression = BI_BITFIELDS;
  Dib.dsBitfields[0] = 0xF800;
  Dib.dsBitfields[1] = 0x07E0;
  Dib.dsBitfields[2] = 0x001F;
}

}  // namespace

// -------------------------------------------------------------------- size

void TBitmap::SetSize(int Width, int Height) {
  Width = std::max(Width, 0);
  Height = std::max(Height, 0);
  if (Width == ReadWidth() && Height == ReadHeight()) return;
  DIBSECTION dib = FImage->DIB;
  dib.dsBm.bmWidth = Width;
  dib.dsBm.bmHeight = Height;
  if (dib.dsBmih.biSize != 0) {
    dib.dsBmih.biWidth = Width;
    dib.dsBmih.biHeight = dib.dsBmih.biHeight < 0 ? -Height : Height;
  }
  CopyImage(FImage->Handle.Get(), CopyOfPalette(FImage->Palette.Get()), dib);
  NotifyChange(this);
}

void TBitmap::WriteWidth(int Value) { SetSize(Value, ReadHeight()); }

void TBitmap::WriteHeight(int Value) { SetSize(ReadWidth(), Value); }

void TBitmap::NewDIB(int Width, int Height, TPixelFormat Format, std::span<const TRGBQuad> ColorTable) {
  const int bits = PixelFormatBits(Format);
  if (bits == 0) throw EInvalidGraphic(SInvalidPixelFormat);
  Width = std::max(Width, 0);
  Height = std::max(Height, 0);
  DIBSECTION dib = DibDescription(Width, Height, bits);
  if (Format == TPixelFormat::pf16bit) Set565Masks(dib);
  TBitmapPalette palette;
  if (bits <= 8) {
    std::vector<TRGBQuad> table(ColorTable.begin(), ColorTable.end());
    if (table.empty()) table = DefaultColorTable(bits);
    table.resize(size_t{1} << bits);
    palette = PaletteFromColorTable(table);
  }
  // A DIB section starts with every pixel 0 (colour-table entry 0), as the
  // system made it: a picture decoded into it writes each byte once.
  TBitmapHandle handle = CopyBitmap(nullptr, nullptr, palette.Get(), dib, clNone);
  NewImage(std::move(handle), std::move(palette), dib);
  FIgnorePalette = false;
  SetPaletteModified(FImage->Palette.Get() != nullptr);
  NotifyChange(this);
}

// ------------------------------------------------------------ pixel format

TPixelFormat TBitmap::PixelFormat() const {
  if (HandleType() == TBitmapHandleType::bmDDB) return TPixelFormat::pfDevice;
  const BITMAPINFOHEADER& h = FImage->DIB.dsBmih;
  const DWORD* masks = FImage->DIB.dsBitfields;
  // The system may report the masks of the plain 16- and 32-bit layouts
  // too; those are the plain formats.
  const bool hasMasks = h.biCompression == BI_BITFIELDS;
  switch (h.biBitCount) {
    case 1: return TPixelFormat::pf1bit;
    case 4: return TPixelFormat::pf4bit;
    case 8: return TPixelFormat::pf8bit;
    case 16:
      if (!hasMasks || (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F)) return TPixelFormat::pf15bit;
      return masks[1] == 0x07E0 ? TPixelFormat::pf16bit : TPixelFormat::pfCustom;
    case 24: return TPixelFormat::pf24bit;
    case 32:
      if (!hasMasks || (masks[0] == 0xFF0000 && masks[1] == 0x00FF00 && masks[2] == 0x0000FF)) return TPixelFormat::pf32bit;
      return TPixelFormat::pfCustom;
    default: return TPixelFormat::pfCustom;
  }
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == PixelFormat()) return;
  if (Value == TPixelFormat::pfDevice) {
    WriteHandleType(TBitmapHandleType::bmDDB);
    return;
  }
  if (Value == TPixelFormat::pfCustom) throw EInvalidGraphic(SInvalidPixelFormat);
  DIBSECTION dib = DibDescription(ReadWidth(), ReadHeight(), PixelFormatBits(Value));
  TBitmapPalette palette;
  switch (Value) {
    case TPixelFormat::pf1bit:
      break;  // black and white: no other palette has two fitting colours
    case TPixelFormat::pf4bit:
      palette.Reset(SystemPalette16());
      break;
    case TPixelFormat::pf8bit: {
      TWindowDC screen(nullptr);
      palette.Reset(CreateHalftonePalette(screen.Get()));
      break;
    }
    case TPixelFormat::pf16bit:
      Set565Masks(dib);
      palette = CopyOfPalette(FImage->Palette.Get());
      break;
    default:
      palette = CopyOfPalette(FImage->Palette.Get());
      break;
  }
  const bool hasPalette = palette.Get() != nullptr;
  CopyImage(FImage->Handle.Get(), std::move(palette), dib);
  if (hasPalette) SetPaletteModified(true);
  NotifyChange(this);
}

void TBitmap::WriteHandleType(TBitmapHandleType Value) {
  if (Value == HandleType()) return;
  DIBSECTION dib = FImage->DIB;
  if (Value == TBitmapHandleType::bmDIB) {
    int bits = dib.dsBm.bmBitsPixel * dib.dsBm.bmPlanes;
    if (bits == 0) bits = ScreenBitsPerPixel();
    dib = DibDescription(ReadWidth(), ReadHeight(), bits);
  } else {
    dib.dsBmih = BITMAPINFOHEADER{};
    if (!Monochrome()) {
      dib.dsBm.bmPlanes = 0;  // a device bitmap in the screen's format
      dib.dsBm.bmBitsPixel = 0;
    }
  }
  CopyImage(FImage->Handle.Get(), CopyOfPalette(FImage->Palette.Get()), dib);
  NotifyChange(this);
}

// -------------------------------------------------------------------- rows

uint8_t* TBitmap::RowPointer(int Row) {
  Changing();
  if (HandleType() == TBitmapHandleType::bmDDB && !ReadEmpty()) WriteHandleType(TBitmapHandleType::bmDIB);
  const DIBSECTION& dib = FImage->DIB;
  if (Row < 0 || Row >= ReadHeight() || dib.dsBm.bmBits == nullptr)
    throw EInvalidGraphicOperation(SScanLine);
  GdiFlush();  // drawing the system still owes lands before the caller looks
  auto* bits = static_cast<uint8_t*>(dib.dsBm.bmBits);
  const size_t stride = static_cast<size_t>(dib.dsBm.bmWidthBytes);
  const size_t index = dib.dsBmih.biHeight < 0 ? static_cast<size_t>(Row) : static_cast<size_t>(ReadHeight() - 1 - Row);
  return bits + index * stride;
}

ptrdiff_t TBitmap::RowStep() const {
  const DIBSECTION& dib = FImage->DIB;
  ptrdiff_t stride = dib.dsBm.bmWidthBytes;
  return dib.dsBmih.biHeight < 0 ? stride : -stride;
}

// ----------------------------------------------------- colours and palette

std::vector<TRGBQuad> TBitmap::ColorTable() {
  if (FImage->DIBHandle == nullptr) return {};
  return ReadDIBColorTable(FImage->DIBHandle);
}

void TBitmap::SetColorTable(std::span<const TRGBQuad> Table) {
  if (FImage->DIBHandle == nullptr || FImage->DIB.dsBmih.biBitCount > 8) return;
  Changing();
  const size_t count = size_t{1} << FImage->DIB.dsBmih.biBitCount;
  std::vector<TRGBQuad> table(Table.begin(), Table.end());
  table.resize(count);
  {
    TSelectedBitmap selected(FImage->DIBHandle);
    SetDIBColorTable(selected.DC(), 0, static_cast<UINT>(count), reinterpret_cast<const RGBQUAD*>(table.data()));
  }
  // The palette follows the table.
  FImage->Palette = PaletteFromColorTable(table);
  FImage->Halftone = false;
  FIgnorePalette = false;
  if (FCanvas) FCanvas->FreeContext();
  SetPaletteModified(true);
  NotifyChange(this);
}

void TBitmap::SetPalette(TBitmapPalette Palette) {
  if (Palette.Get() == FImage->Palette.Get()) {
    Palette.Release();  // already ours
    return;
  }
  if (Palette || !FImage.Unique()) {
    CopyImage(FImage->Handle.Get(), std::move(Palette), FImage->DIB);
  } else {
    if (FCanvas) FCanvas->FreeContext();
    FImage->Palette.Reset();
    FImage->Halftone = false;
  }
  // An 8-bit or smaller DIB takes its colour table from the palette.
  if (FImage->DIBHandle != nullptr && FImage->DIB.dsBmih.biBitCount <= 8 && FImage->Palette) {
    const size_t count = size_t{1} << FImage->DIB.dsBmih.biBitCount;
    std::vector<TRGBQuad> table = PaletteEntriesAsTable(FImage->Palette.Get(), count);
    if (FCanvas) FCanvas->FreeContext();
    TSelectedBitmap selected(FImage->DIBHandle);
    SetDIBColorTable(selected.DC(), 0, static_cast<UINT>(count), reinterpret_cast<const RGBQUAD*>(table.data()));
  }
  SetPaletteModified(true);
  NotifyChange(this);
}

void TBitmap::WritePalette(HPALETTE Value) { SetPalette(TBitmapPalette(Value)); }

// ----------------------------------------------------------- system handle

void TBitmap::SetSystemHandle(HBITMAP Value) {
  if (Value == FImage->Handle.Get() && Value != nullptr) return;
  bool isDIB = false;
  DIBSECTION dib = DescribeBitmap(Value, isDIB);
  NewImage(TBitmapHandle(Value), TBitmapPalette(), dib);
  FIgnorePalette = false;
  SetPaletteModified(false);
  NotifyChange(this);
}

HBITMAP TBitmap::DetachHandle() {
  Changing();
  if (FCanvas) FCanvas->FreeContext();
  TBitmapCanvas::DeselectBitmap(FImage->Handle.Get());
  HBITMAP handle = FImage->Handle.Release();
  FImage->DIBHandle = nullptr;
  NewImage(TBitmapHandle(), TBitmapPalette(), DIBSECTION{});
  return handle;
}

}  // namespace vr
