// What the fuzz targets of the picture readers do with any bytes, shared
// with the test that replays the regression files: each reader is driven
// the way the picture classes drive it, every byte it hands out is read
// (so a read past the data shows under AddressSanitizer), and errors of the
// reader's own classes are caught. Anything else escaping is a fault. Each
// answers the class of the first error caught, or an empty string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vr {

// The JPEG decoder's targets refuse pictures above this many pixels, so a
// tiny file claiming a huge size does not make a run slow.
inline constexpr uint64_t kExerciseMaxJpegPixels = uint64_t{1} << 22;

std::string ExerciseBitmap(const uint8_t* Data, size_t Size);
std::string ExerciseIcon(const uint8_t* Data, size_t Size);
std::string ExerciseMetafile(const uint8_t* Data, size_t Size);
std::string ExerciseJpeg(const uint8_t* Data, size_t Size);

}  // namespace vr
