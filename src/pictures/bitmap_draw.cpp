// Drawing a bitmap: its palette, stretching, and transparent drawing
// through a mask made from the transparent colour.
#include "pictures/bitmap.h"
#include "pictures/bitmap_gdi.h"

namespace vr {

using namespace bitmap_gdi;

namespace {

constexpr TColor kPaletteRelative = 0x02000000;

}  // namespace

void TBitmap::PaletteNeeded() {
  if (FIgnorePalette || FImage->Palette || !FImage->Handle) return;
  const DIBSECTION& dib = FImage->DIB;
  const int bits = dib.dsBm.bmBitsPixel * dib.dsBm.bmPlanes;
  if (HandleType() == TBitmapHandleType::bmDIB && bits <= 8) {
    std::vector<TRGBQuad> table = ReadDIBColorTable(FImage->Handle.Get());
    if (table.size() == 16 && ScreenHasPalette16()) FImage->Palette.Reset(SystemPalette16());
    else FImage->Palette = PaletteFromColorTable(table);
  } else if (ScreenBitsPerPixel() < bits) {
    TWindowDC screen(nullptr);
    FImage->Palette.Reset(CreateHalftonePalette(screen.Get()));
    FImage->Halftone = FImage->Palette.Get() != nullptr;
  }
  if (!FImage->Palette) FIgnorePalette = true;
}

HPALETTE TBitmap::ReadPalette() {
  PaletteNeeded();
  return FImage->Palette.Get();
}

TColor TBitmap::TransparentKey() {
  if (FTransparentMode == TTransparentMode::tmFixed) return FTransparentColor;
  if (Monochrome() || ReadEmpty()) return clWhite | kPaletteRelative;
  COLORREF bottomLeft = GetPixel(SourceDC(), 0, ReadHeight() - 1);
  if (bottomLeft == CLR_INVALID) bottomLeft = clWhite;
  return (bottomLeft & 0x00FFFFFF) | kPaletteRelative;
}

void TBitmap::SetTransparentKey(TColor Value) {
  if (Value == FTransparentColor && (Value == clDefault) == (FTransparentMode == TTransparentMode::tmAuto)) return;
  FTransparentColor = Value;
  FTransparentMode = Value == clDefault ? TTransparentMode::tmAuto : TTransparentMode::tmFixed;
  Unshare();
  NotifyChange(this);
}

void TBitmap::MaskNeeded() {
  const TColor key = ColorToRGB(TransparentKey() & ~kPaletteRelative);
  if (FMaskValid && FImage->MaskHandle && FImage->MaskColor == key) return;
  const int width = ReadWidth(), height = ReadHeight();
  TBitmapHandle mask(CreateBitmap(width, height, 1, 1, nullptr));
  if (!mask) RaiseOutOfResources();
  {
    // Copying onto a monochrome surface turns exactly the pixels of the
    // source's background colour into 1 bits.
    TMemoryDC maskDC(CreateCompatibleDC(nullptr));
    if (!maskDC) RaiseOutOfResources();
    TSelectObject selectMask(maskDC.Get(), mask.Get());
    HDC source = SourceDC();
    COLORREF oldBack = SetBkColor(source, key);
    BitBlt(maskDC.Get(), 0, 0, width, height, source, 0, 0, SRCCOPY);
    SetBkColor(source, oldBack);
  }
  TBitmapCanvas::DeselectBitmap(FImage->MaskHandle.Get());
  FImage->MaskHandle = std::move(mask);
  FImage->MaskColor = key;
  FMaskValid = true;
}

HBITMAP TBitmap::ReadMaskHandle() {
  if (ReadEmpty()) return nullptr;
  MaskNeeded();
  return FImage->MaskHandle.Get();
}

void TBitmap::DrawInto(TCanvas& Canvas, const RECT& Rect) {
  if (ReadEmpty()) return;
  HDC target = Canvas.Handle();
  PaletteNeeded();
  if (Transparent()) MaskNeeded();
  TBitmapCanvas& own = OwnCanvas();
  TCanvasLock lock(own);  // keeps the source context through nested messages
  HDC source = own.Handle();
  const int width = ReadWidth(), height = ReadHeight();

  HPALETTE palette = FImage->Palette.Get();
  TSelectPalette selectPalette(target, palette, true);
  if (palette != nullptr) RealizePalette(target);

  const int targetBits = GetDeviceCaps(target, BITSPIXEL) * GetDeviceCaps(target, PLANES);
  const int bits = FImage->DIB.dsBm.bmBitsPixel * FImage->DIB.dsBm.bmPlanes;
  int oldMode = 0;
  if (targetBits <= 8 && targetBits < bits) {
    POINT origin{};
    GetBrushOrgEx(target, &origin);
    oldMode = SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, origin.x, origin.y, nullptr);
  } else if (!Monochrome()) {
    oldMode = SetStretchBltMode(target, STRETCH_DELETESCANS);
  }

  if (!Transparent()) {
    StretchBlt(target, Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top, source, 0, 0, width,
               height, Canvas.CopyMode);
  } else {
    MaskedStretch(target, Rect, source, width, height, FImage->MaskHandle.Get());
  }
  if (oldMode != 0) SetStretchBltMode(target, oldMode);
}

}  // namespace vr
