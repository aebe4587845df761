// Reading the headers, colour table and pixel bytes of a bitmap file.
// Pure C++: the GDI side creates the DIB section (or, for compressed files,
// the device bitmap) from what this returns.
//
// Use:
//   TBitmapFileInfo info = ReadBitmapFileHeaders(stream);
//   if (info.Empty) -> install an empty 0 × 0 image
//   TDibInfo bmi = info.BitmapInfo();   // for CreateDIBSection
//   uncompressed: ReadBitmapPixels(stream, info, sink);  // the sink makes the DIB section
//   compressed:   CreateDIBitmap(..., info.CompressedPixels(), ...) and keep
//                 info.CompressedData with the image.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "pictures/picture_types.h"
#include "platform/stream.h"

namespace vr {

inline constexpr uint16_t kBitmapFileType = 0x4D42;  // "BM"
inline constexpr uint32_t kCoreHeaderSize = 12;
inline constexpr uint32_t kInfoHeaderSize = kDibHeaderSize;

// biCompression values the reader tells apart; every other value (RLE and
// the rest) is kept compressed and left to the system to decode.
inline constexpr uint32_t kBmpCompressionNone = kDibRgb;
inline constexpr uint32_t kBmpCompressionBitFields = kDibBitFields;

struct TBitmapFileInfo {
  // The stream held no bytes: the bitmap becomes empty (0 × 0).
  bool Empty = false;
  // The file used the 12-byte core header (converted into Header).
  bool OS2Format = false;
  // Header size as stored in the file.
  uint32_t StoredHeaderSize = 0;
  // The header as a 40-byte info header. biClrUsed is the number of entries
  // in ColorTable when the file declared more than the table can hold.
  TBitmapInfoHeader Header;
  // Red, green and blue masks of a bit-field file: read after a header
  // shorter than 52 bytes (16- and 32-bit files only), or taken from inside
  // a larger one.
  bool HasMasks = false;
  uint32_t Masks[3] = {0, 0, 0};
  // At most 256 entries; core-header tables converted to 4-byte entries.
  std::vector<TRGBQuad> ColorTable;
  // For files compressed with RLE or another encoding: the header and every
  // byte after it, kept with the image. Null for uncompressed files.
  std::shared_ptr<TMemoryStream> CompressedData;
  // Where the pixel bytes start in CompressedData.
  size_t CompressedPixelOffset = 0;
  // The image size: as declared, or computed from the dimensions when 0.
  uint64_t ImageSize = 0;
  // Pixel bytes to read: the smaller of ImageSize and the bytes left after
  // the colour table, so a file cut short in its rows still loads.
  uint64_t PixelByteCount = 0;

  bool Compressed() const { return CompressedData != nullptr; }
  int32_t Width() const { return Header.biWidth; }
  // The height without its sign (a negative stored height means top-down).
  int32_t Height() const { return Header.biHeight < 0 ? -Header.biHeight : Header.biHeight; }
  bool TopDown() const { return Header.biHeight < 0; }
  // Bytes per pixel row and the whole uncompressed pixel array.
  uint64_t RowSize() const { return DibRowStride(Header.biWidth, Header.biBitCount); }
  uint64_t DibSize() const { return RowSize() * static_cast<uint64_t>(Height()); }
  // A BITMAPINFO block: the 40-byte header, the three masks for every
  // bit-field file (zeros when the file gave none), then the colour table.
  // Larger stored headers are given as 40 bytes (their masks moved after
  // it), so the system never looks for fields, such as an embedded colour
  // profile, outside this block.
  TDibInfo BitmapInfo() const;
  // The compressed pixel bytes (PixelByteCount of them); null when not compressed.
  const uint8_t* CompressedPixels() const;
};

// Reads the file header, the bitmap header, the masks and the colour table
// from the current position of Stream; leaves Stream at the first pixel byte
// (for compressed files the rest of Stream has been copied to
// CompressedData). Raises EInvalidGraphic "Bitmap image is not valid" for a
// wrong signature, planes other than 1, a header too short to hold the
// dimensions, absurd dimensions, or a compressed file of more than 1 GiB
// (before anything is copied); "Stream read error" when the stream ends
// inside the headers or the colour table.
TBitmapFileInfo ReadBitmapFileHeaders(TStream& Stream);

// Asks Sink for the memory of the bitmap Info.BitmapInfo() describes and
// reads the pixel bytes of an uncompressed file from Stream (positioned by
// ReadBitmapFileHeaders) into it: min(PixelByteCount, memory size) bytes.
// Returns the count read (0 when the sink had no memory); the rest of the
// memory is left as it was.
uint64_t ReadBitmapPixels(TStream& Stream, const TBitmapFileInfo& Info, IPixelSink& Sink);

}  // namespace vr
