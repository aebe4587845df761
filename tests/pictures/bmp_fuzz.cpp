// libFuzzer target: any bytes through the bitmap file reader (see reader_exercise.h).
#include <cstddef>
#include <cstdint>

#include "pictures/reader_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  vr::ExerciseBitmap(Data, Size);
  return 0;
}
