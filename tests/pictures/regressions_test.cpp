// Replays every file of tests/pictures/regressions through the same steps
// as the fuzz targets, chosen by extension: each must load or fail with
// the reader's own error.
#include <doctest/doctest.h>

#include "pictures/reader_exercise.h"
#include "support/regression_files.h"

using namespace vr;

TEST_CASE("every regression file of the picture readers loads or fails cleanly") {
  for (const regressions::File& file : regressions::Load(VR_PICTURES_REGRESSIONS)) {
    CAPTURE(file.Name);
    const uint8_t* data = file.Bytes.data();
    const size_t size = file.Bytes.size();
    if (file.Extension == ".bmp")
      ExerciseBitmap(data, size);
    else if (file.Extension == ".ico")
      ExerciseIcon(data, size);
    else if (file.Extension == ".emf" || file.Extension == ".wmf")
      ExerciseMetafile(data, size);
    else if (file.Extension == ".jpg")
      ExerciseJpeg(data, size);
    else
      FAIL("a regression file of an unknown kind");
  }
}
