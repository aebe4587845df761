// The headers of enhanced (EMF) and placeable Windows (WMF) metafiles and
// the size rules that need no device context. Pure C++: the GDI side makes
// the metafile handle from the bytes these return and plays it back.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/stream.h"

namespace vr {

inline constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
inline constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
inline constexpr size_t kEmfHeaderPeek = 100;
inline constexpr size_t kPlaceableHeaderSize = 22;

// Where the EMF header record keeps its fields (after its type and size).
inline constexpr size_t kEmfFrame = 24;  // left, top, right, bottom in 0.01 mm
inline constexpr size_t kEmfSignatureField = 40;
inline constexpr size_t kEmfBytesField = 48;  // the metafile's size
inline constexpr size_t kEmfHandles = 56;     // 16 bits: the size of the object table
inline constexpr size_t kEmfDescriptionChars = 60, kEmfDescriptionOffset = 64;
inline constexpr size_t kEmfPaletteEntries = 68;
inline constexpr size_t kEmfDevicePixels = 72, kEmfDeviceMillimeters = 80;  // x, then y
inline constexpr size_t kEmfHeaderMinSize = 88;

// Where the placeable header keeps its fields (16 bits each but the key).
inline constexpr size_t kPlaceableHandle = 4;
inline constexpr size_t kPlaceableBox = 6;  // left, top, right, bottom
inline constexpr size_t kPlaceableInch = 14;
inline constexpr size_t kPlaceableReserved = 16;  // 32 bits
inline constexpr size_t kPlaceableChecksum = 20;  // of the ten words before it

// The fields of the EMF header that are used.
struct TEmfHeaderFields {
  uint32_t RecordType = 0;                              // 1
  int32_t FrameLeft = 0, FrameTop = 0, FrameRight = 0, FrameBottom = 0;  // 0.01 mm
  uint32_t Signature = 0;                               // kEmfSignature
  uint32_t Bytes = 0;                                   // total byte size
  int32_t DevicePixelsX = 0, DevicePixelsY = 0;         // reference device, pixels
  int32_t DeviceMillimetersX = 0, DeviceMillimetersY = 0;
};

struct TPlaceableHeader {
  uint32_t Key = 0;
  uint16_t Handle = 0;
  int16_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  uint16_t Inch = 0;
  uint32_t Reserved = 0;
  uint16_t Checksum = 0;
};

// A size in units of 0.01 mm.
struct TMetafileSize {
  int32_t Width = 0;
  int32_t Height = 0;
};

// Parses the first 100 bytes of an EMF file (no checks).
TEmfHeaderFields ParseEmfHeader(const uint8_t* Header100);

// Whether the stream holds an EMF: more than 100 bytes remain and the first
// 100 have record type 1 and the EMF signature. The position is restored.
bool IsEnhancedMetafileStream(TStream& Stream);

// Reads a whole EMF from the current position: the 100-byte header, then
// the rest up to the header's total byte size. A wrong signature or a total
// size below 100 is EInvalidGraphic "Metafile is not valid"; a stream that
// ends before the total size is "Stream read error" (nothing is allocated
// for a size the stream does not hold). Returns all the bytes.
std::vector<uint8_t> ReadEnhancedMetafile(TStream& Stream, TEmfHeaderFields& Header);

// The XOR of the ten 16-bit words before the checksum field.
uint16_t PlaceableChecksum(const uint8_t* Header22);

// Reads the 22-byte placeable header; unless its key and checksum are right,
// "Metafile is not valid".
TPlaceableHeader ReadPlaceableHeader(TStream& Stream);

// Reads a placeable WMF: the header, then every remaining byte as the
// metafile records (returned).
std::vector<uint8_t> ReadPlaceableMetafile(TStream& Stream, TPlaceableHeader& Header);

// Size in 0.01 mm: the frame of an EMF (right − left, bottom − top), and the
// bounding box of a placeable WMF scaled by 2540 ÷ inch (inch 0 counts as
// 96), rounded to nearest. A frame whose size does not fit 32 bits is
// "Metafile is not valid".
TMetafileSize EmfFrameSize(const TEmfHeaderFields& Header);
TMetafileSize PlaceableSize(const TPlaceableHeader& Header);

// One dimension in pixels from its size in 0.01 mm. With an inch value
// (placeable WMF): Size × ScreenPixelsPerInch ÷ 2540. Without (EMF): Size ×
// DevicePixels ÷ (DeviceMillimeters × 100), from the metafile's header; a
// header without a usable reference device falls back to the screen rule.
// Rounded to nearest, saturated to 32 bits.
int32_t MetafilePixels(int32_t Size, uint16_t Inch, int32_t DevicePixels, int32_t DeviceMillimeters,
                       int ScreenPixelsPerInch);

// Number × Numerator ÷ Denominator in 64 bits, rounded to nearest (halves
// away from zero); 0 for a zero denominator.
int64_t MulDivRound(int64_t Number, int64_t Numerator, int64_t Denominator);

}  // namespace vr
