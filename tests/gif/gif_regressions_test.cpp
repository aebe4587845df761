// Replays every file of tests/gif/regressions: each must load, or fail with
// the error its name gives.
#include <doctest/doctest.h>

#include "gif_exercise.h"
#include "support/regression_files.h"

TEST_CASE("every GIF regression file loads or fails with its own error") {
  regressions::Replay(VR_GIF_REGRESSIONS,
                      [](const regressions::File& F) { return vr::ExerciseGif(F.Bytes.data(), F.Bytes.size()); });
}
