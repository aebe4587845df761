// What the PNG fuzz target does with any bytes, shared with the test that
// replays the regression files: the loader under small caps, then the
// queries the drawing side makes, a copy, and a write back of small
// pictures. Errors of the codec's own classes are caught; anything else
// escaping is a fault. Answers the class of the first error caught, or an
// empty string when there was none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vr {

std::string ExercisePng(const uint8_t* Data, size_t Size);

}  // namespace vr
