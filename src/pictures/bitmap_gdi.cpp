#include "pictures/bitmap_gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "pictures/graphic_errors.h"

namespace vr::bitmap_gdi {

int ScreenBitsPerPixel() {
  TWindowDC screen(nullptr);
  return GetDeviceCaps(screen.Get(), BITSPIXEL) * GetDeviceCaps(screen.Get(), PLANES);
}

bool ScreenHasPalette16() {
  TWindowDC screen(nullptr);
  return (GetDeviceCaps(screen.Get(), RASTERCAPS) & RC_PALETTE) != 0 && GetDeviceCaps(screen.Get(), SIZEPALETTE) >= 16;
}

static_assert(sizeof(BITMAPINFOHEADER) == sizeof(TBitmapInfoHeader) && sizeof(RGBQUAD) == sizeof(TRGBQuad));

BITMAPINFOHEADER SystemHeader(const TBitmapInfoHeader& Header) {
  BITMAPINFOHEADER h;
  std::memcpy(&h, &Header, sizeof h);
  return h;
}

TBitmapInfoHeader ModelHeader(const BITMAPINFOHEADER& Header) {
  TBitmapInfoHeader h;
  std::memcpy(static_cast<void*>(&h), &Header, sizeof h);
  return h;
}

TBitmapInfoBlock::TBitmapInfoBlock(const TDibInfo& Info) {
  const std::vector<uint8_t> bytes = Info.Bytes();
  FBytes.assign((bytes.size() + 3 * sizeof(DWORD) + sizeof(RGBQUAD) + 3) / 4, 0);
  std::memcpy(FBytes.data(), bytes.data(), bytes.size());
}

TPixelMemory TDibSectionSink::AllocatePixels(const TDibInfo& Info) {
  // Cleared so that a failure's reason is the section's.
  SetLastError(0);
  FSection.Reset();
  const uint64_t stride = Info.Stride(), rows = Info.Rows();
  if (rows == 0 || stride > SIZE_MAX / rows) return {};
  const TBitmapInfoBlock block(Info);
  void* bits = nullptr;
  // No device context is needed for a section with an RGB colour table.
  FSection.Reset(CreateDIBSection(nullptr, block.Get(), DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!FSection || bits == nullptr) {
    FSection.Reset();
    return {};
  }
  return {static_cast<uint8_t*>(bits), static_cast<size_t>(stride * rows), static_cast<size_t>(stride)};
}

TPixelMemory TBitmapPixelSink::AllocatePixels(const TDibInfo& Info) {
  const TBitmapInfoHeader& h = Info.Header;
  TPixelFormat format = TPixelFormat::pfCustom;
  switch (h.biBitCount) {
    case 1: format = TPixelFormat::pf1bit; break;
    case 4: format = TPixelFormat::pf4bit; break;
    case 8: format = TPixelFormat::pf8bit; break;
    case 24: format = TPixelFormat::pf24bit; break;
    default: return {};
  }
  if (h.TopDown() || h.biCompression != kDibRgb || Info.Rows() == 0 || Info.Rows() > INT32_MAX) return {};
  const int rows = static_cast<int>(Info.Rows());
  FBitmap.NewDIB(h.biWidth, rows, format, Info.Colors);
  const size_t stride = static_cast<size_t>(Info.Stride());
  if (FBitmap.ReadEmpty() || FBitmap.RowStep() != -static_cast<ptrdiff_t>(stride)) return {};
  // Bottom-up: the picture's last row is stored first.
  return {FBitmap.RowPointer(rows - 1), stride * static_cast<size_t>(rows), stride};
}

TSelectedBitmap::TSelectedBitmap(HBITMAP Bitmap, HPALETTE Palette) {
  TBitmapCanvas::DeselectBitmap(Bitmap);
  FDC.Reset(CreateCompatibleDC(nullptr));
  if (!FDC) RaiseOutOfResources();
  if (Bitmap != nullptr) FOldBitmap = SelectObject(FDC.Get(), Bitmap);
  if (Palette != nullptr) {
    FOldPalette = SelectPalette(FDC.Get(), Palette, TRUE);
    RealizePalette(FDC.Get());
  }
}

TSelectedBitmap::~TSelectedBitmap() {
  if (FOldPalette != nullptr) SelectPalette(FDC.Get(), FOldPalette, TRUE);
  if (FOldBitmap != nullptr) SelectObject(FDC.Get(), FOldBitmap);
}

// A palette that is a copy of Palette (nothing for none).
TBitmapPalette CopyOfPalette(HPALETTE Palette) {
  if (Palette == nullptr) return {};
  if (Palette == SystemPalette16()) return TBitmapPalette(Palette);
  WORD count = 0;
  if (GetObjectA(Palette, sizeof count, &count) == 0 || count == 0) return {};
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  auto* pal = reinterpret_cast<LOGPALETTE*>(block.data());
  pal->palVersion = 0x300;
  pal->palNumEntries = count;
  GetPaletteEntries(Palette, 0, count, pal->palPalEntry);
  return TBitmapPalette(CreatePalette(pal));
}

std::vector<TRGBQuad> ReadDIBColorTable(HBITMAP Bitmap) {
  bool isDIB = false;
  DIBSECTION ds = DescribeBitmap(Bitmap, isDIB);
  if (!isDIB || ds.dsBmih.biBitCount > 8 || ds.dsBmih.biBitCount == 0) return {};
  std::vector<TRGBQuad> table(size_t{1} << ds.dsBmih.biBitCount);
  TSelectedBitmap selected(Bitmap);
  UINT n = GetDIBColorTable(selected.DC(), 0, static_cast<UINT>(table.size()),
                            reinterpret_cast<RGBQUAD*>(table.data()));
  table.resize(n);
  table.resize(size_t{1} << ds.dsBmih.biBitCount);  // missing entries are black
  return table;
}

std::vector<TRGBQuad> PaletteEntriesAsTable(HPALETTE Palette, size_t Count) {
  if (Palette == nullptr) return {};
  std::vector<PALETTEENTRY> entries(std::max<size_t>(Count, 1));
  UINT n = GetPaletteEntries(Palette, 0, static_cast<UINT>(Count), entries.data());
  std::vector<TRGBQuad> table(Count);
  for (UINT i = 0; i < n && i < Count; ++i)
    table[i] = TRGBQuad{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
  return table;
}

std::vector<TRGBQuad> DefaultColorTable(int BitsPerPixel) {
  switch (BitsPerPixel) {
    case 1:
      return {TRGBQuad{0, 0, 0, 0}, TRGBQuad{255, 255, 255, 0}};
    case 4:
      return PaletteEntriesAsTable(SystemPalette16(), 16);
    case 8: {
      TWindowDC screen(nullptr);
      TBitmapPalette halftone(CreateHalftonePalette(screen.Get()));
      return PaletteEntriesAsTable(halftone.Get(), 256);
    }
    default:
      return {};
  }
}

DIBSECTION DescribeBitmap(HBITMAP Bitmap, bool& IsDIB) {
  DIBSECTION ds{};
  IsDIB = false;
  if (Bitmap == nullptr) return ds;
  int n = GetObjectA(Bitmap, sizeof ds, &ds);
  if (n == static_cast<int>(sizeof ds)) {
    IsDIB = true;
  } else {
    ds = DIBSECTION{};
    GetObjectA(Bitmap, sizeof ds.dsBm, &ds.dsBm);
  }
  ds.dsBm.bmHeight = std::abs(ds.dsBm.bmHeight);
  return ds;
}

namespace {

bool SameMasks(const DIBSECTION& a, const DIBSECTION& b) {
  if (a.dsBmih.biCompression != BI_BITFIELDS) return true;
  return std::equal(std::begin(a.dsBitfields), std::end(a.dsBitfields), std::begin(b.dsBitfields));
}

// The header of the DIB section the description Dib asks for, Width × Height.
BITMAPINFOHEADER DIBHeaderFor(const DIBSECTION& Dib, int Width, int Height) {
  BITMAPINFOHEADER header = Dib.dsBmih;
  header.biSize = sizeof header;
  header.biWidth = Width;
  header.biHeight = Dib.dsBmih.biHeight < 0 ? -Height : Height;
  header.biPlanes = 1;
  if (header.biBitCount == 0) header.biBitCount = static_cast<WORD>(ScreenBitsPerPixel());
  if (header.biCompression != BI_BITFIELDS) header.biCompression = BI_RGB;
  header.biSizeImage = 0;
  return header;
}

// The colour table of a new DIB of Bits per pixel (none above 8): from
// NewPalette, else Source's own when it fits without loss, else the default.
std::vector<TRGBQuad> NewColorTable(int Bits, HPALETTE NewPalette, HBITMAP Source, const DIBSECTION& Old,
                                    bool OldIsDIB) {
  std::vector<TRGBQuad> table;
  if (Bits > 8) return table;
  const size_t count = size_t{1} << Bits;
  if (NewPalette != nullptr) table = PaletteEntriesAsTable(NewPalette, count);
  else if (OldIsDIB && Old.dsBmih.biBitCount <= Bits) table = ReadDIBColorTable(Source);
  if (table.empty()) table = DefaultColorTable(Bits);
  table.resize(count);
  return table;
}

// Copies Source's pixel bytes (palette indices too) into the new DIB's
// Pixels when they carry over as they are: the same size, layout and
// colours. False when they do not.
bool CopyPixelsAsTheyAre(HBITMAP Source, const DIBSECTION& Old, bool OldIsDIB, const DIBSECTION& Dib,
                         const BITMAPINFOHEADER& Header, const std::vector<TRGBQuad>& Table, void* Pixels) {
  const int height = std::abs(Header.biHeight);
  if (Source == nullptr || Old.dsBm.bmWidth != Header.biWidth || Old.dsBm.bmHeight != height) return false;
  GdiFlush();
  const int bits = Header.biBitCount;
  if (!OldIsDIB || Old.dsBm.bmBits == nullptr || Old.dsBmih.biBitCount != bits ||
      Old.dsBmih.biCompression != Header.biCompression || !SameMasks(Old, Dib) ||
      (Old.dsBmih.biHeight < 0) != (Header.biHeight < 0) || (bits <= 8 && ReadDIBColorTable(Source) != Table))
    return false;
  std::memcpy(Pixels, Old.dsBm.bmBits, static_cast<size_t>(Old.dsBm.bmWidthBytes) * height);
  return true;
}

// Draws Source into Target at (0, 0) unscaled, through the palettes, after
// filling with Fill what Source does not cover.
void DrawCopy(HBITMAP Target, HPALETTE NewPalette, HBITMAP Source, HPALETTE OldPalette, const DIBSECTION& Old,
              int Width, int Height, TColor Fill) {
  TSelectedBitmap target(Target, NewPalette);
  if (Source == nullptr || Old.dsBm.bmWidth < Width || Old.dsBm.bmHeight < Height) {
    TBrushHandle brush(CreateSolidBrush(ColorToRGB(Fill)));
    RECT all{0, 0, Width, Height};
    FillRect(target.DC(), &all, brush.Get());
  }
  if (Source != nullptr) {
    TSelectedBitmap source(Source, OldPalette);
    BitBlt(target.DC(), 0, 0, Width, Height, source.DC(), 0, 0, SRCCOPY);
  }
}

}  // namespace

TBitmapHandle CopyBitmap(HBITMAP Source, HPALETTE OldPalette, HPALETTE NewPalette, DIBSECTION& Dib, TColor Fill) {
  const int width = Dib.dsBm.bmWidth;
  const int height = std::abs(Dib.dsBm.bmHeight);
  if (width <= 0 || height <= 0) return {};
  if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxPicturePixels) RaiseOutOfResources();

  TWindowDC screen(nullptr);
  bool oldIsDIB = false;
  const DIBSECTION old = DescribeBitmap(Source, oldIsDIB);
  TBitmapHandle result;
  bool copied = false;
  if (Dib.dsBmih.biSize != 0) {
    const BITMAPINFOHEADER header = DIBHeaderFor(Dib, width, height);
    const std::vector<TRGBQuad> table = NewColorTable(header.biBitCount, NewPalette, Source, old, oldIsDIB);
    TDibInfo model{.Header = ModelHeader(header), .Colors = table};
    model.Header.biClrUsed = static_cast<uint32_t>(table.size());
    model.Header.biClrImportant = 0;
    std::copy(std::begin(Dib.dsBitfields), std::end(Dib.dsBitfields), model.Masks.begin());
    const TBitmapInfoBlock info(model);
    void* pixels = nullptr;
    result.Reset(CreateDIBSection(screen.Get(), info.Get(), DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!result || pixels == nullptr) RaiseOutOfResources();
    copied = CopyPixelsAsTheyAre(Source, old, oldIsDIB, Dib, header, table, pixels);
  } else if (Dib.dsBm.bmPlanes == 1 && Dib.dsBm.bmBitsPixel == 1) {
    result.Reset(CreateBitmap(width, height, 1, 1, nullptr));
  } else {
    result.Reset(CreateCompatibleBitmap(screen.Get(), width, height));
  }
  if (!result) RaiseOutOfResources();

  // A DIB section's memory comes from the system zeroed: with no fill
  // colour and nothing to copy it is left so, every pixel 0.
  const bool leaveZeroed = Fill == clNone && Source == nullptr && Dib.dsBmih.biSize != 0;
  if (!copied && !leaveZeroed) DrawCopy(result.Get(), NewPalette, Source, OldPalette, old, width, height, Fill);
  GdiFlush();
  bool isDIB = false;
  Dib = DescribeBitmap(result.Get(), isDIB);
  return result;
}

void MaskedStretch(HDC Target, const RECT& Rect, HDC Source, int Width, int Height, HBITMAP Mask, HPALETTE Palette) {
  constexpr DWORD kDstCopy = 0x00AA0029;       // the target stays as it is
  constexpr DWORD kDstAndNotSrc = 0x00220326;  // target AND NOT source
  const int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
  // One masked transfer when nothing is scaled; mask bit 1 keeps the target.
  if (w == Width && h == Height &&
      MaskBlt(Target, Rect.left, Rect.top, w, h, Source, 0, 0, Mask, 0, 0, MAKEROP4(kDstCopy, SRCCOPY)))
    return;

  // Otherwise: the target ANDed with the mask (its transparent pixels kept,
  // the others cleared), then ORed with a copy of the source whose
  // transparent pixels were made black.
  TMemoryDC copyDC(CreateCompatibleDC(Target));
  TBitmapHandle copy(CreateCompatibleBitmap(Target, Width, Height));
  TMemoryDC maskDC(CreateCompatibleDC(Target));
  if (!copyDC || !copy || !maskDC) RaiseOutOfResources();
  TSelectObject selectCopy(copyDC.Get(), copy.Get());
  TSelectPalette selectPalette(copyDC.Get(), Palette);
  if (Palette != nullptr) RealizePalette(copyDC.Get());
  TSelectObject selectMask(maskDC.Get(), Mask);
  BitBlt(copyDC.Get(), 0, 0, Width, Height, Source, 0, 0, SRCCOPY);
  // Monochrome to colour: 1 bits become the background colour, 0 bits the text colour.
  SetTextColor(copyDC.Get(), RGB(0, 0, 0));
  SetBkColor(copyDC.Get(), RGB(255, 255, 255));
  BitBlt(copyDC.Get(), 0, 0, Width, Height, maskDC.Get(), 0, 0, kDstAndNotSrc);

  const COLORREF oldText = SetTextColor(Target, RGB(0, 0, 0));
  const COLORREF oldBack = SetBkColor(Target, RGB(255, 255, 255));
  StretchBlt(Target, Rect.left, Rect.top, w, h, maskDC.Get(), 0, 0, Width, Height, SRCAND);
  StretchBlt(Target, Rect.left, Rect.top, w, h, copyDC.Get(), 0, 0, Width, Height, SRCPAINT);
  SetTextColor(Target, oldText);
  SetBkColor(Target, oldBack);
}

void RaiseBitmapCreateError() {
  DWORD code = GetLastError();
  if (code == 0) throw EInvalidGraphic(SInvalidBitmap);
  char* buffer = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text(buffer != nullptr ? buffer : "", n);
  if (buffer != nullptr) LocalFree(buffer);
  // The system's texts end in a full stop and a line break; the message has its own.
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
  throw EWin32Error(Format("Win32 Error.  Code: %d.\n%s", static_cast<int>(code), text.c_str()), code);
}

}  // namespace vr::bitmap_gdi
