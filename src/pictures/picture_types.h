// Small value types shared by the byte-level picture readers and the GDI
// side that wraps them, and the limits every reader applies.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vr {

// One colour-table entry in the order bitmap files store it (blue, green,
// red, reserved); layout-compatible with the system's RGBQUAD.
struct TRGBQuad {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};
static_assert(sizeof(TRGBQuad) == 4);

// Memory the caller owns and lends to a reader to fill (a DIB section's
// pixels, a temporary buffer). A reader never writes past Size bytes.
struct TPixelMemory {
  uint8_t* Base = nullptr;
  size_t Size = 0;
};

// The fields of a 40-byte device-independent bitmap info header, named as
// the system names them so the GDI side can copy them one to one.
struct TBitmapInfoHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

// Pictures larger than this are refused before anything is allocated for
// them: 2^28 pixels (16384 × 16384) and 1 GiB of pixel memory are far above
// any photograph or scan and still fit a 64-bit process comfortably.
inline constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 28;
inline constexpr uint64_t kMaxPictureBytes = uint64_t{1} << 30;

// Bytes in one pixel row of a DIB: Width × BitsPerPixel rounded up to a
// multiple of 32 bits. Returns 0 for a negative width; never overflows for
// 32-bit widths and 16-bit depths (the result fits 64 bits).
inline uint64_t DibRowSize(int64_t Width, uint32_t BitsPerPixel) {
  if (Width <= 0) return 0;
  return ((static_cast<uint64_t>(Width) * BitsPerPixel + 31) / 32) * 4;
}

}  // namespace vr
