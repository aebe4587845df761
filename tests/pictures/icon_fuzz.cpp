// libFuzzer target: any bytes through the icon directory, entry choice and image split (see reader_exercise.h).
#include <cstddef>
#include <cstdint>

#include "pictures/reader_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  vr::ExerciseIcon(Data, Size);
  return 0;
}
