// The system icon of an icon file: the entry chosen for the display, its
// colour bitmap and mask scaled to the entry's size, and the icon made
// from them.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pictures/bitmap_gdi.h"
#include "pictures/icon/icon_pixels.h"
#include "pictures/icon/icon_win.h"

namespace vr {

POINT SystemIconSize() { return POINT{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)}; }

int DisplayColourBits() {
  TWindowDC screen(nullptr);
  return GetDeviceCaps(screen.Get(), BITSPIXEL) * GetDeviceCaps(screen.Get(), PLANES);
}

namespace {

using bitmap_gdi::TBitmapInfoBlock;

// The system refused a graphics object: its own error text when it gave one.
[[noreturn]] void RaiseGraphicsError() {
  const DWORD code = GetLastError();
  if (code != 0) {
    char* buffer = nullptr;
    const DWORD n =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text(buffer != nullptr ? buffer : "", n);
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    if (!text.empty()) throw EOutOfResources(text);
  }
  RaiseOutOfResources();
}

// The system's bitmap info for a bitmap of that size and depth.
TBitmapInfoBlock Info(int Width, int Height, uint16_t Bits, std::vector<TRGBQuad> Table = {}) {
  TDibInfo dib;
  dib.Colors = std::move(Table);
  dib.Header.biWidth = Width;
  dib.Header.biHeight = Height;
  dib.Header.biPlanes = 1;
  dib.Header.biBitCount = Bits;
  return TBitmapInfoBlock(dib);
}

const std::vector<TRGBQuad> kBlackAndWhite = {TRGBQuad{0, 0, 0, 0}, TRGBQuad{255, 255, 255, 0}};

// Draws a DIB scaled onto a new bitmap: one source pixel per target pixel,
// no blending of neighbours, so that colours and mask stay exact.
void StretchOnto(HBITMAP Target, int Width, int Height, const BITMAPINFO* Info, const void* Bits) {
  TMemoryDC dc(CreateCompatibleDC(nullptr));
  if (!dc) RaiseGraphicsError();
  TSelectObject select(dc.Get(), Target);
  SetStretchBltMode(dc.Get(), COLORONCOLOR);
  StretchDIBits(dc.Get(), 0, 0, Width, Height, 0, 0, Info->bmiHeader.biWidth, std::abs(Info->bmiHeader.biHeight),
                Bits, Info, DIB_RGB_COLORS, SRCCOPY);
  GdiFlush();
}

// A 32-bit DIB section holding the pixels, alpha included.
TBitmapHandle Bitmap32(const TIconPixels& Pixels) {
  const TBitmapInfoBlock info = Info(Pixels.Width, -Pixels.Height, 32);  // rows top-down
  void* bits = nullptr;
  TBitmapHandle bitmap(CreateDIBSection(nullptr, info.Get(), DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) RaiseGraphicsError();
  std::memcpy(bits, Pixels.Bgra.data(), Pixels.Bgra.size() * sizeof(uint32_t));
  GdiFlush();
  return bitmap;
}

// A monochrome bitmap from 1-bit rows, top-down and padded to 4 bytes.
TBitmapHandle MonochromeBitmap(const std::vector<uint8_t>& Rows, int Width, int Height) {
  TBitmapHandle bitmap(CreateBitmap(Width, Height, 1, 1, nullptr));
  if (!bitmap) RaiseGraphicsError();
  const TBitmapInfoBlock info = Info(Width, -Height, 1, kBlackAndWhite);
  TWindowDC screen(nullptr);
  SetDIBits(screen.Get(), bitmap.Get(), 0, static_cast<UINT>(Height), Rows.data(), info.Get(), DIB_RGB_COLORS);
  return bitmap;
}

// The colour pixels of a bitmap image on a bitmap like the screen's.
TBitmapHandle ColourBitmap(const TIconImageParts& Parts, int Width, int Height) {
  TWindowDC screen(nullptr);
  TBitmapHandle bitmap(CreateCompatibleBitmap(screen.Get(), Width, Height));
  if (!bitmap) RaiseGraphicsError();
  const TBitmapInfoBlock info = Info(Parts.Header.biWidth, Parts.Header.biHeight, Parts.Header.biBitCount,
                                     {Parts.ColorTable.begin(), Parts.ColorTable.end()});
  StretchOnto(bitmap.Get(), Width, Height, info.Get(), Parts.ColorBits);
  return bitmap;
}

// The mask of a bitmap image; rows the file cut short count as opaque.
TBitmapHandle MaskBitmap(const TIconImageParts& Parts, int Width, int Height) {
  TBitmapHandle bitmap(CreateBitmap(Width, Height, 1, 1, nullptr));
  if (!bitmap) RaiseGraphicsError();
  std::vector<uint8_t> rows(Parts.MaskRowSize * static_cast<size_t>(Parts.Header.biHeight), 0);
  // Rows are stored bottom-up, so what the file holds is the lower part.
  std::memcpy(rows.data(), Parts.MaskBits, std::min(Parts.MaskBitsSize, rows.size()));
  const TBitmapInfoBlock info = Info(Parts.Header.biWidth, Parts.Header.biHeight, 1, kBlackAndWhite);
  StretchOnto(bitmap.Get(), Width, Height, info.Get(), rows.data());
  return bitmap;
}

}  // namespace

TIconHandle MakeIconHandle(const uint8_t* Data, size_t Size, POINT Target, POINT& IconSize) {
  const TIconDirectory dir = ReadIconDirectory(Data, Size);
  if (dir.Type == 0) {
    // A copy, so that the icon's owner may destroy it like any other.
    SetLastError(0);
    TIconHandle icon(CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32512))));  // the application icon
    if (!icon) RaiseGraphicsError();
    IconSize = SystemIconSize();
    return icon;
  }
  const TIconDirEntry& entry = dir.Entries[ChooseIconEntry(dir, Target.x, Target.y, DisplayColourBits())];
  const int width = entry.Width(), height = entry.Height();

  TBitmapHandle colour, mask;
  if (entry.IsPng) {
    const TIconPixels pixels =
        ScaleIconPixels(DecodePngIconImage(Data + entry.dwImageOffset, entry.dwBytesInRes), width, height);
    colour = Bitmap32(pixels);
    mask = MonochromeBitmap(MaskFromAlpha(pixels), width, height);
  } else {
    const TIconImageParts parts = SplitIconImage(Data, Size, entry);
    // A 32-bit image keeps its fourth byte, which the system takes for alpha.
    colour = parts.Header.biBitCount == 32 ? Bitmap32(ScaleIconPixels(IconImagePixels32(parts), width, height))
                                           : ColourBitmap(parts, width, height);
    mask = MaskBitmap(parts, width, height);
  }

  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmMask = mask.Get();
  info.hbmColor = colour.Get();
  SetLastError(0);
  TIconHandle icon(CreateIconIndirect(&info));
  if (!icon) RaiseGraphicsError();
  IconSize = POINT{width, height};
  return icon;
}

}  // namespace vr
