// Icon images as 32-bit pixels with alpha: images stored as PNG data
// (decoded by the decoder the PNG codec hands over), 32-bit bitmap images,
// their scaling to the icon's size and the mask their alpha gives. Also the
// check made when an icon file is loaded. Pure C++: the GDI side makes the
// icon handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictures/icon/icon_directory.h"

namespace vr {

// Pixels as blue, green, red, alpha bytes (alpha not premultiplied), rows
// top-down, Width × Height entries.
struct TIconPixels {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Bgra;
};

// Icon images stored as PNG data larger than this are refused: icons are
// at most 256 × 256, and 4096 × 4096 leaves room for odd files.
inline constexpr uint32_t kMaxPngIconSide = 4096;

// Decodes an image stored as PNG data, refusing any fault of the data (the
// PNG codec's own errors included) and any side above kMaxPngIconSide with
// EInvalidGraphic "Icon image is not valid".
using TPngIconDecoder = TIconPixels (*)(const uint8_t* Data, size_t Size);

// The PNG codec hands its decoder over when it registers and takes it back
// (nullptr) when it unregisters.
void SetPngIconDecoder(TPngIconDecoder Decoder);

// Decodes an image stored as PNG data with the decoder handed over. Without
// one the image is refused as damaged data is: "Icon image is not valid".
TIconPixels DecodePngIconImage(const uint8_t* Data, size_t Size);

// The colour pixels of a 32-bit bitmap image, its fourth byte as alpha.
TIconPixels IconImagePixels32(const TIconImageParts& Parts);

// Nearest-neighbour scaling to Width × Height (both above 0).
TIconPixels ScaleIconPixels(const TIconPixels& Source, int Width, int Height);

// A 1-bit mask of the pixels' size, rows top-down and padded to 4 bytes:
// bit set (transparent) where alpha is 0.
std::vector<uint8_t> MaskFromAlpha(const TIconPixels& Pixels);

// The check made when an icon file is loaded: the header ("Stream read
// error" under 6 bytes, "Icon image is not valid" for a type above 1), and
// for type 1 the directory and the image the first draw would choose for
// this target size and display (decoded when it is PNG data), so that a
// damaged icon is refused at once. Returns the type.
uint16_t CheckIconData(const uint8_t* Data, size_t Size, int TargetWidth, int TargetHeight,
                       int DisplayBitsPerPixel);

}  // namespace vr
