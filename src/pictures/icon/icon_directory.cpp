#include "pictures/icon/icon_directory.h"

#include <algorithm>
#include <cstdlib>

#include "pictures/graphic_errors.h"
#include "platform/byte_order.h"
#include "platform/exceptions.h"
#include "platform/stream.h"

namespace vr {

namespace {

constexpr size_t kIconHeaderSize = 6;
constexpr size_t kIconEntrySize = 16;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic(SInvalidIcon); }

// Colours an entry or a display can show; 0 in an entry and displays above
// 8 bits per pixel count as unlimited.
constexpr uint64_t kUnlimitedColours = uint64_t{1} << 32;

uint64_t EntryColours(const TIconDirEntry& e) { return e.bColorCount == 0 ? kUnlimitedColours : e.bColorCount; }

uint64_t DisplayColours(int bitsPerPixel) {
  if (bitsPerPixel < 0) return 1;
  if (bitsPerPixel <= 8) return uint64_t{1} << bitsPerPixel;
  return kUnlimitedColours;
}

// Whether a size difference d fits at least as well as the best's b: no
// farther from the target, and not growing past it where the best did not.
bool FitsAsWell(int d, int b) { return std::abs(d) <= std::abs(b) && (d <= 0 || d <= b); }

}  // namespace

uint16_t CheckIconFile(const uint8_t* Data, size_t Size) {
  if (Size < kIconHeaderSize) throw EReadError("Stream read error");
  uint16_t type = GetU16LE(Data + 2);
  if (type > 1) InvalidIcon();
  return type;
}

bool HasPngSignature(const uint8_t* Data, size_t Size) {
  return Size >= sizeof kPngSignature && std::equal(kPngSignature, kPngSignature + sizeof kPngSignature, Data);
}

TIconDirectory ReadIconDirectory(const uint8_t* Data, size_t Size) {
  if (Size < kIconHeaderSize) throw EReadError("Stream read error");
  TIconDirectory dir;
  dir.Type = GetU16LE(Data + 2);
  if (dir.Type == 0) return dir;
  if (dir.Type != 1) InvalidIcon();
  const size_t count = GetU16LE(Data + 4);
  if (count == 0 || kIconHeaderSize + count * kIconEntrySize > Size) InvalidIcon();
  dir.Entries.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = Data + kIconHeaderSize + i * kIconEntrySize;
    TIconDirEntry& e = dir.Entries[i];
    e.bWidth = p[0];
    e.bHeight = p[1];
    e.bColorCount = p[2];
    e.bReserved = p[3];
    e.wPlanes = GetU16LE(p + 4);
    e.wBitCount = GetU16LE(p + 6);
    e.dwBytesInRes = GetU32LE(p + 8);
    e.dwImageOffset = GetU32LE(p + 12);
    uint64_t end = uint64_t{e.dwImageOffset} + e.dwBytesInRes;
    e.InBounds = e.dwBytesInRes > 0 && end <= Size;
    e.IsPng = e.InBounds && HasPngSignature(Data + e.dwImageOffset, e.dwBytesInRes);
  }
  return dir;
}

size_t ChooseIconEntry(const TIconDirectory& Dir, int TargetWidth, int TargetHeight, int DisplayBitsPerPixel) {
  const uint64_t display = DisplayColours(DisplayBitsPerPixel);
  size_t best = Dir.Entries.size();
  for (size_t i = 0; i < Dir.Entries.size(); ++i) {
    const TIconDirEntry& e = Dir.Entries[i];
    if (!e.InBounds) continue;
    if (best == Dir.Entries.size()) {
      best = i;
      continue;
    }
    const TIconDirEntry& b = Dir.Entries[best];
    int dw = e.Width() - TargetWidth, dh = e.Height() - TargetHeight;
    int bw = b.Width() - TargetWidth, bh = b.Height() - TargetHeight;
    if (EntryColours(e) <= display && EntryColours(e) >= EntryColours(b) && FitsAsWell(dw, bw) && FitsAsWell(dh, bh))
      best = i;
  }
  if (best == Dir.Entries.size()) InvalidIcon();
  return best;
}

TIconImageParts SplitIconImage(const uint8_t* Data, size_t Size, const TIconDirEntry& Entry) {
  const uint64_t end = uint64_t{Entry.dwImageOffset} + Entry.dwBytesInRes;
  if (end > Size || Entry.IsPng) InvalidIcon();
  const uint8_t* image = Data + Entry.dwImageOffset;
  const size_t size = Entry.dwBytesInRes;
  if (size < 40) InvalidIcon();
  const uint32_t headerSize = GetU32LE(image);
  if (headerSize < 40 || headerSize > size) InvalidIcon();

  TIconImageParts parts;
  TBitmapInfoHeader& h = parts.Header;
  // The stored height counts the colour rows and the mask rows; the sizes
  // and colour counts are the reader's own.
  h = ReadDibHeader(image, size);
  h.biHeight /= 2;
  h.biSizeImage = 0;
  h.biClrUsed = 0;
  h.biClrImportant = 0;
  if (h.biWidth <= 0 || h.biHeight <= 0) InvalidIcon();
  // Icon images are uncompressed, in one of the depths bitmaps have; other
  // values would have the system read colour masks or tables that are not there.
  switch (h.biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: InvalidIcon();
  }
  if (h.biCompression != 0) InvalidIcon();
  const uint64_t pixels = uint64_t(h.biWidth) * uint64_t(h.biHeight);
  if (pixels > kMaxPicturePixels) InvalidIcon();

  size_t pos = headerSize;
  const uint16_t depth = h.biBitCount;
  const size_t colours = (depth == 1 || depth == 4 || depth == 8) ? size_t{1} << depth : 0;
  if (colours * 4 > size - pos) InvalidIcon();
  parts.ColorTable.resize(colours);
  for (size_t i = 0; i < colours; ++i) {
    const uint8_t* q = image + pos + i * 4;
    parts.ColorTable[i] = TRGBQuad{q[0], q[1], q[2], 0};
  }
  pos += colours * 4;

  const uint64_t colourBytes = DibRowStride(h.biWidth, depth) * uint64_t(h.biHeight);
  if (colourBytes > kMaxPictureBytes || colourBytes > size - pos) InvalidIcon();
  parts.ColorBits = image + pos;
  parts.ColorBitsSize = static_cast<size_t>(colourBytes);
  pos += parts.ColorBitsSize;

  parts.MaskRowSize = static_cast<size_t>(DibRowStride(h.biWidth, 1));
  const uint64_t maskBytes = uint64_t(parts.MaskRowSize) * uint64_t(h.biHeight);
  parts.MaskBits = image + pos;
  parts.MaskBitsSize = static_cast<size_t>(std::min<uint64_t>(maskBytes, size - pos));
  h.biSizeImage = static_cast<uint32_t>(colourBytes);
  return parts;
}

}  // namespace vr
