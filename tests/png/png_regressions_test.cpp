// Replays every file of tests/png/regressions (their chunk CRCs are made
// right so that they get as far here as in the fuzz build): each must load,
// or fail with the error its name gives.
#include <doctest/doctest.h>

#include "png_exercise.h"
#include "support/regression_files.h"

TEST_CASE("every PNG regression file loads or fails with its own error") {
  regressions::Replay(VR_PNG_REGRESSIONS,
                      [](const regressions::File& F) { return vr::ExercisePng(F.Bytes.data(), F.Bytes.size()); });
}
