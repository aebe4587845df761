// System-bitmap helpers shared by the bitmap's files: BITMAPINFO blocks,
// colour tables, the copy of a bitmap into a new description, and the
// errors of the system's bitmap calls.
#pragma once

#include <windows.h>

#include <span>
#include <vector>

#include "pictures/bitmap.h"
#include "pictures/dib.h"

namespace vr::bitmap_gdi {

// Bits per pixel of the screen.
int ScreenBitsPerPixel();
// True when the screen is a palette device with at least 16 entries.
bool ScreenHasPalette16();

// The model's header as the system's, and back: the same 40 bytes.
BITMAPINFOHEADER SystemHeader(const TBitmapInfoHeader& Header);
TBitmapInfoHeader ModelHeader(const BITMAPINFOHEADER& Header);

// The system's BITMAPINFO for a bitmap model: the 40-byte header, the three
// colour masks of every bit-field bitmap, then the colour table, aligned,
// with room after it for the masks and colour the system may write back.
class TBitmapInfoBlock {
 public:
  explicit TBitmapInfoBlock(const TDibInfo& Info);
  BITMAPINFO* Get() { return reinterpret_cast<BITMAPINFO*>(FBytes.data()); }
  const BITMAPINFO* Get() const { return reinterpret_cast<const BITMAPINFO*>(FBytes.data()); }

 private:
  std::vector<uint32_t> FBytes;  // 32-bit units keep the block aligned
};

// A pixel sink that makes a DIB section of the description asked for and
// keeps it (until asked again, or until the caller takes it). The section's
// rows are the memory lent; a new section reads zero.
class TDibSectionSink final : public IPixelSink {
 public:
  TPixelMemory AllocatePixels(const TDibInfo& Info) override;
  HBITMAP Handle() const { return FSection.Get(); }
  TBitmapHandle TakeSection() { return std::move(FSection); }

 private:
  TBitmapHandle FSection;
};

// A pixel sink that gives Bitmap a new DIB of the description asked for
// (1, 4, 8 or 24 bits, bottom-up, with the colour table given) and lends
// its rows, which read zero. The bitmap owns the memory. A top-down or other
// description gets no memory; the bitmap's own errors pass out.
class TBitmapPixelSink final : public IPixelSink {
 public:
  explicit TBitmapPixelSink(TBitmap& Bitmap) : FBitmap(Bitmap) {}
  TPixelMemory AllocatePixels(const TDibInfo& Info) override;

 private:
  TBitmap& FBitmap;
};

// A memory device context with a bitmap selected, after every bitmap
// canvas holding that bitmap let go of it.
class TSelectedBitmap {
 public:
  TSelectedBitmap(HBITMAP Bitmap, HPALETTE Palette = nullptr);
  ~TSelectedBitmap();
  TSelectedBitmap(const TSelectedBitmap&) = delete;
  TSelectedBitmap& operator=(const TSelectedBitmap&) = delete;
  HDC DC() const { return FDC.Get(); }

 private:
  TMemoryDC FDC;
  HGDIOBJ FOldBitmap = nullptr;
  HPALETTE FOldPalette = nullptr;
};

// A copy of Palette (nothing for none; the shared 16-colour palette is shared).
TBitmapPalette CopyOfPalette(HPALETTE Palette);

// The colour table of a DIB section of up to 8 bits (2^depth entries);
// empty for other bitmaps.
std::vector<TRGBQuad> ReadDIBColorTable(HBITMAP Bitmap);
// The entries of a palette as colour-table entries (at most Count).
std::vector<TRGBQuad> PaletteEntriesAsTable(HPALETTE Palette, size_t Count);
// Black and white; the system's 16 colours; a halftone table of 256.
std::vector<TRGBQuad> DefaultColorTable(int BitsPerPixel);

// The description of a system bitmap: a DIB section's own, or a device
// bitmap's size and depth with no header (biSize 0).
DIBSECTION DescribeBitmap(HBITMAP Bitmap, bool& IsDIB);

// Makes a system bitmap for the description Dib and copies Source into it
// at (0, 0) unscaled, after filling it with Fill. Dib's header (biSize 40)
// asks for a DIB section, its absence for a device bitmap (monochrome when
// the description says 1 plane of 1 bit). The colour table of a DIB up to
// 8 bits comes from NewPalette, else from Source's table, else the default
// table. Returns nothing for a zero width or height. Dib is updated to
// describe the result. Raises EOutOfResources when the system refuses.
// A Fill of clNone leaves a new DIB section without Source as the system
// made it, every pixel 0.
TBitmapHandle CopyBitmap(HBITMAP Source, HPALETTE OldPalette, HPALETTE NewPalette, DIBSECTION& Dib, TColor Fill);

// Draws Source (Width × Height, selected in a device context) into Rect of
// Target, scaled, leaving the target unchanged where Mask has a 1 bit. The
// scaled path copies the source into a bitmap of its own first; Palette,
// when given, is selected into that copy (a source drawn through its own
// palette), else the copy keeps the device context's default palette.
void MaskedStretch(HDC Target, const RECT& Rect, HDC Source, int Width, int Height, HBITMAP Mask,
                   HPALETTE Palette = nullptr);

// Raises the error of a failed creation of a bitmap from a file:
// EWin32Error with the system's code and text when there is one, else
// EInvalidGraphic "Bitmap image is not valid".
[[noreturn]] void RaiseBitmapCreateError();

}  // namespace vr::bitmap_gdi
