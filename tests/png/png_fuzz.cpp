// libFuzzer target: any bytes through the PNG loader, then the queries the
// drawing side makes and a write back. Built with VR_FUZZING, which switches
// chunk CRC comparison off so mutations reach the decoders.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/exceptions.h"
#include "platform/stream.h"
#include "png/png_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  vr::TPNGCore core;
  core.MaxImageBytes = uint64_t{64} << 20;
  core.MaxTextBytes = uint64_t{1} << 20;
  vr::TMemoryStream in(std::vector<uint8_t>(Data, Data + Size));
  try {
    core.LoadFromStream(in);
  } catch (const vr::Exception&) {
  }
  try {
    if (core.HasHeader()) {
      (void)core.TransparencyMode();
      (void)core.KeyColor();
      vr::TPNGCore copy;
      copy.MaxImageBytes = core.MaxImageBytes;  // the copy allocates its own image
      copy.MaxTextBytes = core.MaxTextBytes;
      copy.CopyFromPng(core);
      // Writing is checked on small pictures only: encoding a huge one is
      // slow and has nothing to do with hostile input.
      if (!core.LoadFailed() && uint64_t{core.ImageWidth()} * core.ImageHeight() <= (uint64_t{1} << 20)) {
        vr::TMemoryStream out;
        copy.SaveToStream(out);
      }
    }
  } catch (const vr::Exception&) {
  }
  return 0;
}
