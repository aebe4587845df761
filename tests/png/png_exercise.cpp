#include "png_exercise.h"

#include <vector>

#include "platform/exceptions.h"
#include "platform/stream.h"
#include "png/png_core.h"
#include "support/first_error.h"

namespace vr {

std::string ExercisePng(const uint8_t* Data, size_t Size) {
  test::TFirstError first;
  TPNGCore core;
  core.MaxImageBytes = uint64_t{64} << 20;
  core.MaxTextBytes = uint64_t{1} << 20;
  TMemoryStream in(std::vector<uint8_t>(Data, Data + Size));
  try {
    core.LoadFromStream(in);
  } catch (const Exception& e) {
    first.Note(e);
  }
  try {
    if (core.HasHeader()) {
      (void)core.TransparencyMode();
      (void)core.KeyColor();
      TPNGCore copy;
      copy.MaxImageBytes = core.MaxImageBytes;  // the copy allocates its own image
      copy.MaxTextBytes = core.MaxTextBytes;
      copy.CopyFromPng(core);
      // Writing is checked on small pictures only: encoding a huge one is
      // slow and has nothing to do with hostile input.
      if (!core.LoadFailed() && uint64_t{core.ImageWidth()} * core.ImageHeight() <= (uint64_t{1} << 20)) {
        TMemoryStream out;
        copy.SaveToStream(out);
      }
    }
  } catch (const Exception& e) {
    first.Note(e);
  }
  return first.Class();
}

}  // namespace vr
