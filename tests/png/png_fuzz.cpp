// libFuzzer target: any bytes through the PNG loader and what follows it
// (see png_exercise.h). Built with VR_FUZZING, which switches chunk CRC
// comparison off so mutations reach the decoders.
#include <cstddef>
#include <cstdint>

#include "png_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  vr::ExercisePng(Data, Size);
  return 0;
}
