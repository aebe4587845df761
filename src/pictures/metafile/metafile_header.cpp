#include "pictures/metafile/metafile_header.h"

#include <algorithm>
#include <limits>

#include "pictures/graphic_errors.h"
#include "pictures/metafile/metafile_record_types.h"
#include "pictures/picture_types.h"
#include "platform/byte_order.h"

namespace vr {

namespace {

[[noreturn]] void InvalidMetafile() { throw EInvalidGraphic(SInvalidMetafile); }

int32_t Saturate32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

int32_t Checked32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min()) InvalidMetafile();
  return static_cast<int32_t>(v);
}

}  // namespace

int64_t MulDivRound(int64_t Number, int64_t Numerator, int64_t Denominator) {
  if (Denominator == 0) return 0;
  // The operands here are at most 32 bits wide, so the product fits.
  int64_t product = Number * Numerator;
  bool negative = (product < 0) != (Denominator < 0);
  uint64_t p = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
  uint64_t d = Denominator < 0 ? 0 - static_cast<uint64_t>(Denominator) : static_cast<uint64_t>(Denominator);
  uint64_t q = (p + d / 2) / d;
  return negative ? -static_cast<int64_t>(q) : static_cast<int64_t>(q);
}

TEmfHeaderFields ParseEmfHeader(const uint8_t* h) {
  TEmfHeaderFields f;
  f.RecordType = GetU32LE(h);
  f.FrameLeft = GetS32LE(h + kEmfFrame);
  f.FrameTop = GetS32LE(h + kEmfFrame + 4);
  f.FrameRight = GetS32LE(h + kEmfFrame + 8);
  f.FrameBottom = GetS32LE(h + kEmfFrame + 12);
  f.Signature = GetU32LE(h + kEmfSignatureField);
  f.Bytes = GetU32LE(h + kEmfBytesField);
  f.DevicePixelsX = GetS32LE(h + kEmfDevicePixels);
  f.DevicePixelsY = GetS32LE(h + kEmfDevicePixels + 4);
  f.DeviceMillimetersX = GetS32LE(h + kEmfDeviceMillimeters);
  f.DeviceMillimetersY = GetS32LE(h + kEmfDeviceMillimeters + 4);
  return f;
}

bool IsEnhancedMetafileStream(TStream& Stream) {
  if (Stream.Remaining() <= static_cast<int64_t>(kEmfHeaderPeek)) return false;
  int64_t start = Stream.Position();
  uint8_t header[kEmfHeaderPeek];
  Stream.ReadBuffer(header, sizeof header);
  Stream.SetPosition(start);
  TEmfHeaderFields f = ParseEmfHeader(header);
  return f.RecordType == kEmrHeader && f.Signature == kEmfSignature;
}

std::vector<uint8_t> ReadEnhancedMetafile(TStream& Stream, TEmfHeaderFields& Header) {
  uint8_t head[kEmfHeaderPeek];
  Stream.ReadBuffer(head, sizeof head);
  Header = ParseEmfHeader(head);
  if (Header.Signature != kEmfSignature || Header.Bytes < kEmfHeaderPeek) InvalidMetafile();
  const uint64_t rest = Header.Bytes - kEmfHeaderPeek;
  if (rest > static_cast<uint64_t>(Stream.Remaining())) throw EReadError("Stream read error");
  std::vector<uint8_t> bytes(Header.Bytes);
  std::copy(head, head + kEmfHeaderPeek, bytes.begin());
  Stream.ReadBuffer(bytes.data() + kEmfHeaderPeek, static_cast<size_t>(rest));
  return bytes;
}

uint16_t PlaceableChecksum(const uint8_t* h) {
  uint16_t sum = 0;
  for (size_t at = 0; at < kPlaceableChecksum; at += 2) sum ^= GetU16LE(h + at);
  return sum;
}

TPlaceableHeader ReadPlaceableHeader(TStream& Stream) {
  uint8_t h[kPlaceableHeaderSize];
  Stream.ReadBuffer(h, sizeof h);
  TPlaceableHeader p;
  p.Key = GetU32LE(h);
  p.Handle = GetU16LE(h + kPlaceableHandle);
  p.Left = GetS16LE(h + kPlaceableBox);
  p.Top = GetS16LE(h + kPlaceableBox + 2);
  p.Right = GetS16LE(h + kPlaceableBox + 4);
  p.Bottom = GetS16LE(h + kPlaceableBox + 6);
  p.Inch = GetU16LE(h + kPlaceableInch);
  p.Reserved = GetU32LE(h + kPlaceableReserved);
  p.Checksum = GetU16LE(h + kPlaceableChecksum);
  if (p.Key != kPlaceableKey || p.Checksum != PlaceableChecksum(h)) InvalidMetafile();
  return p;
}

std::vector<uint8_t> ReadPlaceableMetafile(TStream& Stream, TPlaceableHeader& Header) {
  Header = ReadPlaceableHeader(Stream);
  std::vector<uint8_t> records(static_cast<size_t>(Stream.Remaining()));
  Stream.ReadBuffer(records.data(), records.size());
  return records;
}

TMetafileSize EmfFrameSize(const TEmfHeaderFields& h) {
  return {Checked32(int64_t{h.FrameRight} - h.FrameLeft), Checked32(int64_t{h.FrameBottom} - h.FrameTop)};
}

TMetafileSize PlaceableSize(const TPlaceableHeader& h) {
  const int64_t inch = h.Inch == 0 ? 96 : h.Inch;
  return {static_cast<int32_t>(MulDivRound(int64_t{h.Right} - h.Left, 2540, inch)),
          static_cast<int32_t>(MulDivRound(int64_t{h.Bottom} - h.Top, 2540, inch))};
}

int32_t MetafilePixels(int32_t Size, uint16_t Inch, int32_t DevicePixels, int32_t DeviceMillimeters,
                       int ScreenPixelsPerInch) {
  if (Inch == 0 && DevicePixels > 0 && DeviceMillimeters > 0)
    return Saturate32(MulDivRound(Size, DevicePixels, int64_t{DeviceMillimeters} * 100));
  // A placeable WMF, or a header whose reference device has no size (which
  // would divide by zero): the screen's resolution.
  return Saturate32(MulDivRound(Size, ScreenPixelsPerInch, 2540));
}

}  // namespace vr
