// Small value types shared by the byte-level picture readers and the GDI
// side that wraps them, and the limits every reader applies; the bitmap
// model itself is in dib.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pictures/dib.h"

namespace vr {

// Pictures larger than this are refused before anything is allocated for
// them: 2^28 pixels (16384 × 16384) and 1 GiB of pixel memory are far above
// any photograph or scan and still fit a 64-bit process comfortably.
inline constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 28;
inline constexpr uint64_t kMaxPictureBytes = uint64_t{1} << 30;

}  // namespace vr
