// What the GIF fuzz target does with any bytes, shared with the test that
// replays the regression files: the reader under small caps, then every
// kept frame (at most 8) rendered plain and dithered, with masks. Errors of
// the codec's own classes are caught; anything else escaping is a fault.
// Answers the class of the first error caught, or an empty string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vr {

std::string ExerciseGif(const uint8_t* Data, size_t Size);

}  // namespace vr
