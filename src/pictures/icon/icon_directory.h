// The directory of an icon file, the choice of the image to show, and the
// parts of a chosen image. Pure C++: the GDI side makes the icon handle.
//
// Use (icon bytes kept in memory as loaded):
//   at load:         CheckIconFile(data, size);
//   at first draw:   TIconDirectory dir = ReadIconDirectory(data, size);
//                    if (dir.Type == 0) -> the system's application icon
//                    size_t i = ChooseIconEntry(dir, w, h, bitsPerPixel * planes);
//                    if (dir.Entries[i].IsPng) -> PNG data (DecodePngIconImage)
//                    else TIconImageParts parts = SplitIconImage(data, size, dir.Entries[i]);
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictures/picture_types.h"

namespace vr {

struct TIconDirEntry {
  uint8_t bWidth = 0;       // 0 means 256
  uint8_t bHeight = 0;      // 0 means 256
  uint8_t bColorCount = 0;  // 0 means many (unlimited)
  uint8_t bReserved = 0;
  uint16_t wPlanes = 0;
  uint16_t wBitCount = 0;
  uint32_t dwBytesInRes = 0;
  uint32_t dwImageOffset = 0;
  // The entry's bytes lie inside the file.
  bool InBounds = false;
  // The entry's bytes begin with the PNG signature.
  bool IsPng = false;

  int Width() const { return bWidth == 0 ? 256 : bWidth; }
  int Height() const { return bHeight == 0 ? 256 : bHeight; }
};

struct TIconDirectory {
  uint16_t Type = 0;  // 0: show the system's standard application icon; 1: icon
  std::vector<TIconDirEntry> Entries;
};

// The load-time check of the 6-byte header: "Stream read error" when fewer
// than 6 bytes exist, EInvalidGraphic "Icon image is not valid" for a type
// above 1. Returns the type.
uint16_t CheckIconFile(const uint8_t* Data, size_t Size);

// Reads the header and the directory. Type 0 returns no entries. A type
// other than 0 and 1, no images, or a directory running past the data are
// "Icon image is not valid". Each entry is marked InBounds and IsPng.
TIconDirectory ReadIconDirectory(const uint8_t* Data, size_t Size);

// The entry to show for a target size and a display of DisplayBitsPerPixel
// (bits per pixel × planes; at most 8 means 2^bits colours, else unlimited).
// The first entry is the start; a later one replaces the best when its
// colour count fits the display, is at least the best's, and its size fits
// the target at least as well in both directions (ties keep the later one).
// Entries whose bytes lie outside the file are passed over; if none is
// left, "Icon image is not valid".
size_t ChooseIconEntry(const TIconDirectory& Dir, int TargetWidth, int TargetHeight, int DisplayBitsPerPixel);

// Whether the bytes begin with the 8-byte PNG signature.
bool HasPngSignature(const uint8_t* Data, size_t Size);

// A device-independent bitmap image of an icon, split into its parts.
struct TIconImageParts {
  // The bitmap header with the height halved (it counts colour and mask).
  TBitmapInfoHeader Header;
  // 2^bits entries for 1, 4 and 8 bits per pixel, none above.
  std::vector<TRGBQuad> ColorTable;
  // The colour (XOR) pixels: RowSize × height bytes, all present.
  const uint8_t* ColorBits = nullptr;
  size_t ColorBitsSize = 0;
  // The 1-bit mask (AND) pixels. A mask the file cut short is given as far
  // as it goes (MaskBitsSize < MaskRowSize × height); missing rows count
  // as opaque (0).
  const uint8_t* MaskBits = nullptr;
  size_t MaskBitsSize = 0;
  size_t MaskRowSize = 0;
};

// Splits the image of Entry (which must be InBounds and not PNG). A bitmap
// header shorter than 40 bytes or longer than the image, dimensions that are
// not positive or are absurd, a depth other than 1, 4, 8, 16, 24 or 32 bits,
// compression, or colour pixels cut short are "Icon image is not valid".
TIconImageParts SplitIconImage(const uint8_t* Data, size_t Size, const TIconDirEntry& Entry);

}  // namespace vr
