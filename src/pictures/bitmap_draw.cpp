// Drawing a bitmap: its palette, stretching, and transparent drawing
// through a mask made from the transparent colour.
#include "pictures/bitmap.h"
#include "pictures/bitmap_gdi.h"

namespace vr {

using namespace bitmap_gdi;

namespace {

constexpr DWORD kDstCopy = 0x00AA0029;  // the target stays as it is
constexpr DWORD kDstAndNotSrc = 0x00220326;
constexpr TColor kPaletteRelative = 0x02000000;

// Draws Source (Width × Height) into Rect of Target, leaving the target
// unchanged where Mask has a 1 bit.
void MaskedStretch(HDC Target, const RECT& Rect, HDC Source, int Width, int Height, HBITMAP Mask) {
  const int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
  // One masked transfer when nothing is scaled.
  if (w == Width && h == Height &&
      MaskBlt(Target, Rect.left, Rect.top, w, h, Source, 0, 0, Mask, 0, 0, MAKEROP4(kDstCopy, SRCCOPY)))
    return;

  // Otherwise: the target ANDed with the mask (its transparent pixels kept,
  // the others cleared), then XORed with the source whose transparent
  // pixels were cleared.
  TMemoryDC sourceCopy(CreateCompatibleDC(Target));
  TBitmapHandle copy(CreateCompatibleBitmap(Target, Width, Height));
  TMemoryDC maskDC(CreateCompatibleDC(Target));
  if (!sourceCopy || !copy || !maskDC) RaiseOutOfResources();
  TSelectObject selectCopy(sourceCopy.Get(), copy.Get());
  TSelectObject selectMask(maskDC.Get(), Mask);
  BitBlt(sourceCopy.Get(), 0, 0, Width, Height, Source, 0, 0, SRCCOPY);
  // Monochrome to colour: 1 bits become the background colour, 0 bits the text colour.
  SetTextColor(sourceCopy.Get(), RGB(0, 0, 0));
  SetBkColor(sourceCopy.Get(), RGB(255, 255, 255));
  BitBlt(sourceCopy.Get(), 0, 0, Width, Height, maskDC.Get(), 0, 0, kDstAndNotSrc);

  COLORREF oldText = SetTextColor(Target, RGB(0, 0, 0));
  COLORREF oldBack = SetBkColor(Target, RGB(255, 255, 255));
  StretchBlt(Target, Rect.left, Rect.top, w, h, maskDC.Get(), 0, 0, Width, Height, SRCAND);
  StretchBlt(Target, Rect.left, Rect.top, w, h, sourceCopy.Get(), 0, 0, Width, Height, SRCINVERT);
  SetTextColor(Target, oldText);
  SetBkColor(Target, oldBack);
}

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
