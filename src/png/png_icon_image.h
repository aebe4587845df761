// Icon images stored as PNG data, decoded into the icon's pixels with their
// alpha: the decoder the PNG codec hands to the icon class when it
// registers. Pure C++.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pictures/icon/icon_pixels.h"

namespace vr {

// A TPngIconDecoder: any fault of the data, the codec's own errors included,
// and any side above kMaxPngIconSide are EInvalidGraphic "Icon image is not
// valid". Colours are those the PNG class draws, palette entries beyond the
// palette chunk black.
TIconPixels PNGIconPixels(const uint8_t* Data, size_t Size);

}  // namespace vr
