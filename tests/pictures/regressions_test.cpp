// Replays every file of tests/pictures/regressions through the same steps
// as the fuzz targets, chosen by extension: each must load, or fail with the
// error its name gives.
#include <doctest/doctest.h>

#include "pictures/reader_exercise.h"
#include "support/regression_files.h"

using namespace vr;

TEST_CASE("every regression file of the picture readers loads or fails with its own error") {
  regressions::Replay(VR_PICTURES_REGRESSIONS, [](const regressions::File& F) -> std::string {
    const uint8_t* data = F.Bytes.data();
    const size_t size = F.Bytes.size();
    if (F.Extension == ".bmp") return ExerciseBitmap(data, size);
    if (F.Extension == ".ico") return ExerciseIcon(data, size);
    if (F.Extension == ".emf" || F.Extension == ".wmf") return ExerciseMetafile(data, size);
    if (F.Extension == ".jpg") return ExerciseJpeg(data, size);
    return "a file of an unknown kind";
  });
}
