// Encoding a picture as a JPEG file, for a JPEG image that was given a
// bitmap and is asked for its bytes. Pure C++ over libjpeg; the library's
// header stays in the .cpp file.
#pragma once

#include <cstdint>
#include <functional>

#include "pictures/jpeg/jpeg_errors.h"
#include "platform/stream.h"

namespace vr {

struct TJPEGEncodeOptions {
  int Quality = 90;          // 1..100
  bool Grayscale = false;    // write one grey component
  bool Progressive = false;  // several scans
};

// The memory of row Row (0 = top) of the picture: Width pixels of blue,
// green, red. May raise; the error passes out of EncodeJPEG unchanged.
using TJPEGRowSource = std::function<const uint8_t*(int Row)>;

// Writes a JPEG file of Width × Height pixels to Stream. Errors of the
// library raise EJPEG "JPEG error #%d".
void EncodeJPEG(TStream& Stream, int Width, int Height, const TJPEGRowSource& Rows, const TJPEGEncodeOptions& Options);

}  // namespace vr
