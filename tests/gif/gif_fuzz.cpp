// libFuzzer target: any bytes read as a GIF stream, then every frame it
// kept rendered (see gif_exercise.h).
#include <cstddef>
#include <cstdint>

#include "gif_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  vr::ExerciseGif(Data, Size);
  return 0;
}
