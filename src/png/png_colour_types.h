// The colour types of a PNG image: the colour type byte of its header
// chunk. Pure C++.
#pragma once

#include <cstdint>

namespace vr {

inline constexpr uint8_t kPNGGray = 0;       // gray levels
inline constexpr uint8_t kPNGRGB = 2;        // red, green and blue samples
inline constexpr uint8_t kPNGPalette = 3;    // indices into the palette chunk
inline constexpr uint8_t kPNGGrayAlpha = 4;  // gray levels with alpha
inline constexpr uint8_t kPNGRGBA = 6;       // red, green, blue and alpha samples

}  // namespace vr
