// libFuzzer target: any bytes through the EMF and placeable WMF readers (see reader_exercise.h).
#include <cstddef>
#include <cstdint>

#include "pictures/reader_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  vr::ExerciseMetafile(Data, Size);
  return 0;
}
