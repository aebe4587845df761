// libFuzzer target: any bytes through the JPEG header read, a full decode and
// one with the settings the last byte picks (see reader_exercise.h).
#include <cstddef>
#include <cstdint>

#include "pictures/reader_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  vr::ExerciseJpeg(Data, Size);
  return 0;
}
