#include "pictures/bmp/bmp_format.h"

#include <algorithm>
#include <cstring>

#include "pictures/graphic_errors.h"
#include "platform/byte_order.h"

namespace vr {

namespace {

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic(SInvalidBitmap); }

// Refuses dimensions no real bitmap has before any pixel memory exists.
void CheckDimensions(const TBitmapFileInfo& info) {
  const TBitmapInfoHeader& h = info.Header;
  if (h.biWidth < 0 || h.biHeight == INT32_MIN) InvalidBitmap();
  uint64_t pixels = static_cast<uint64_t>(h.biWidth) * static_cast<uint64_t>(info.Height());
  if (pixels > kMaxPicturePixels) InvalidBitmap();
  if (info.DibSize() > kMaxPictureBytes) InvalidBitmap();
}

}  // namespace

TBitmapFileInfo ReadBitmapFileHeaders(TStream& Stream) {
  TBitmapFileInfo info;
  if (Stream.Remaining() == 0) {
    info.Empty = true;
    return info;
  }

  uint8_t fileHeader[14];
  Stream.ReadBuffer(fileHeader, sizeof fileHeader);
  if (GetU16LE(fileHeader) != kBitmapFileType) InvalidBitmap();
  // File size, reserved words and pixel offset are not used: the pixels are
  // read straight after the colour table.

  const uint32_t headerSize = Stream.ReadU32LE();
  info.StoredHeaderSize = headerSize;
  std::vector<uint8_t> stored;  // the header as stored, size field included
  if (headerSize == kCoreHeaderSize) {
    uint8_t core[8];
    Stream.ReadBuffer(core, sizeof core);
    info.OS2Format = true;
    info.Header.biWidth = GetU16LE(core);
    info.Header.biHeight = GetU16LE(core + 2);
    info.Header.biPlanes = GetU16LE(core + 4);
    info.Header.biBitCount = GetU16LE(core + 6);
  } else {
    // Width, height, planes and depth need 16 bytes; a shorter header (other
    // than the core one) cannot describe a bitmap.
    if (headerSize < 16) InvalidBitmap();
    if (headerSize - 4 > static_cast<uint64_t>(Stream.Remaining())) throw EReadError("Stream read error");
    stored.resize(headerSize);
    PutU32LE(stored.data(), headerSize);
    Stream.ReadBuffer(stored.data() + 4, headerSize - 4);
    info.Header = ReadDibHeader(stored.data(), stored.size());
    // Version 2 and later headers carry the masks inside, right after the
    // 40 bytes of the info header.
    if (headerSize >= kInfoHeaderSize + 12 && info.Header.biCompression == kBmpCompressionBitFields) {
      info.HasMasks = true;
      for (int i = 0; i < 3; ++i) info.Masks[i] = GetU32LE(stored.data() + kInfoHeaderSize + 4 * i);
    }
  }

  if (info.Header.biPlanes != 1) InvalidBitmap();
  CheckDimensions(info);

  TStream* source = &Stream;
  const uint32_t compression = info.Header.biCompression;
  if (compression != kBmpCompressionNone && compression != kBmpCompressionBitFields) {
    // RLE and other encodings: the system decodes them; keep the header and
    // everything after it, and go on reading from that copy. Far beyond any
    // bitmap's data: refused before anything is copied.
    const int64_t rest = Stream.Remaining();
    if (static_cast<uint64_t>(rest) > kMaxPictureBytes) InvalidBitmap();
    info.CompressedData = std::make_shared<TMemoryStream>();
    info.CompressedData->WriteBuffer(stored.data(), stored.size());
    if (rest > 0) info.CompressedData->CopyFrom(Stream, rest);
    info.CompressedData->SetPosition(static_cast<int64_t>(stored.size()));
    source = info.CompressedData.get();
  }

  const uint16_t depth = info.Header.biBitCount;
  // A header too short to hold the masks (the 40-byte one, or a shorter or
  // odd-sized one) is followed by them.
  if (headerSize < kInfoHeaderSize + 12 && (depth == 16 || depth == 32) && compression == kBmpCompressionBitFields) {
    uint8_t masks[12];
    source->ReadBuffer(masks, sizeof masks);
    info.HasMasks = true;
    for (int i = 0; i < 3; ++i) info.Masks[i] = GetU32LE(masks + 4 * i);
  }

  uint64_t count = info.Header.biClrUsed;
  if (count == 0 && (depth == 1 || depth == 4 || depth == 8)) count = uint64_t{1} << depth;
  const uint64_t entrySize = info.OS2Format ? 3 : 4;
  const uint64_t kept = std::min<uint64_t>(count, 256);
  if (kept > 0) {
    uint8_t table[256 * 4];
    source->ReadBuffer(table, static_cast<size_t>(kept * entrySize));
    info.ColorTable.resize(static_cast<size_t>(kept));
    for (size_t i = 0; i < kept; ++i) {
      const uint8_t* e = table + i * entrySize;
      info.ColorTable[i] = TRGBQuad{e[0], e[1], e[2], 0};
    }
  }
  if (count > kept) {
    // A table longer than 256 entries (an optimisation palette of a
    // true-colour file): keep the first 256 and step over the rest, so the
    // pixels are found where the file has them.
    uint64_t skip = (count - kept) * entrySize;
    if (skip > static_cast<uint64_t>(source->Remaining())) throw EReadError("Stream read error");
    source->Seek(static_cast<int64_t>(skip), TSeekOrigin::soCurrent);
    info.Header.biClrUsed = static_cast<uint32_t>(kept);
    info.Header.biClrImportant = std::min<uint32_t>(info.Header.biClrImportant, static_cast<uint32_t>(kept));
  }

  info.ImageSize = info.Header.biSizeImage != 0 ? info.Header.biSizeImage : info.DibSize();
  info.PixelByteCount = std::min<uint64_t>(info.ImageSize, static_cast<uint64_t>(source->Remaining()));
  if (info.Compressed()) info.CompressedPixelOffset = static_cast<size_t>(source->Position());
  return info;
}

TDibInfo TBitmapFileInfo::BitmapInfo() const {
  TDibInfo dib{.Header = Header, .HasMasks = HasMasks, .Colors = ColorTable};
  dib.Header.biSize = kInfoHeaderSize;
  // The system decodes compressed pixels up to the image size: give it the
  // count of bytes actually present, never more.
  if (Compressed()) dib.Header.biSizeImage = static_cast<uint32_t>(PixelByteCount);
  std::copy(std::begin(Masks), std::end(Masks), dib.Masks.begin());
  return dib;
}

const uint8_t* TBitmapFileInfo::CompressedPixels() const {
  if (!CompressedData) return nullptr;
  return CompressedData->Memory() + CompressedPixelOffset;
}

uint64_t ReadBitmapPixels(TStream& Stream, const TBitmapFileInfo& Info, IPixelSink& Sink) {
  const TPixelMemory Target = Sink.AllocatePixels(Info.BitmapInfo());
  uint64_t n = std::min<uint64_t>(Info.PixelByteCount, Target.Size);
  if (n == 0 || Target.Base == nullptr) return 0;
  if (Info.Compressed())
    std::memcpy(Target.Base, Info.CompressedPixels(), static_cast<size_t>(n));
  else
    Stream.ReadBuffer(Target.Base, static_cast<size_t>(n));
  return n;
}

}  // namespace vr
