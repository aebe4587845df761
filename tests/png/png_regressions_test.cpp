// Replays every file of tests/png/regressions (their chunk CRCs are made
// right so that they get as far here as in the fuzz build): each must load
// or fail with the codec's own error.
#include <doctest/doctest.h>

#include "png_exercise.h"
#include "support/regression_files.h"

TEST_CASE("every PNG regression file loads or fails cleanly") {
  for (const regressions::File& file : regressions::Load(VR_PNG_REGRESSIONS)) {
    CAPTURE(file.Name);
    vr::ExercisePng(file.Bytes.data(), file.Bytes.size());
  }
}
