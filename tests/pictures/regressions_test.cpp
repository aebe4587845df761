// Replays every file of tests/pictures/regressions (inputs that once broke
// a reader, named after the fault) through the same steps as the fuzz
// targets: each must load or fail with the reader's own error.
#include <doctest/doctest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "pictures/reader_exercise.h"

using namespace vr;
namespace fs = std::filesystem;

TEST_CASE("every regression file of the picture readers loads or fails cleanly") {
  const fs::path folder = VR_PICTURES_REGRESSIONS;
  if (!fs::is_directory(folder)) return;
  int replayed = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string ext = entry.path().extension().string();
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CAPTURE(entry.path().filename().string());
    if (ext == ".bmp")
      ExerciseBitmap(bytes.data(), bytes.size());
    else if (ext == ".ico")
      ExerciseIcon(bytes.data(), bytes.size());
    else if (ext == ".emf" || ext == ".wmf")
      ExerciseMetafile(bytes.data(), bytes.size());
    else if (ext == ".jpg")
      ExerciseJpeg(bytes.data(), bytes.size());
    else
      FAIL("a regression file of an unknown kind");
    ++replayed;
  }
  MESSAGE(replayed << " regression files replayed");
}
