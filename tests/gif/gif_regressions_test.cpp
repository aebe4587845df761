// Replays every file of tests/gif/regressions: each must load or fail with
// the codec's own error.
#include <doctest/doctest.h>

#include "gif_exercise.h"
#include "support/regression_files.h"

TEST_CASE("every GIF regression file loads or fails cleanly") {
  for (const regressions::File& file : regressions::Load(VR_GIF_REGRESSIONS)) {
    CAPTURE(file.Name);
    vr::ExerciseGif(file.Bytes.data(), file.Bytes.size());
  }
}
