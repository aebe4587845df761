// libFuzzer target: reads any bytes as a GIF stream, then renders every
// frame it kept, plain and dithered, with masks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gif/gif_frame_render.h"
#include "gif/gif_image_core.h"
#include "platform/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  vr::TGIFImageCore image;
  // Smaller caps keep each run fast; the limits themselves are tested elsewhere.
  image.MaxFramePixels = size_t{1} << 22;
  image.MaxTotalPixels = size_t{1} << 24;
  image.WarningHandler = [](vr::TObject*, vr::TGIFSeverity, const std::string&) {};
  vr::TMemoryStream stream(std::vector<uint8_t>(Data, Data + Size));
  try {
    image.LoadFromStream(stream);
  } catch (const vr::Exception&) {
    // frames read before the error stay and are drawn below
  }
  for (int i = 0; i < image.Frames().Count() && i < 8; ++i) {
    const vr::TGIFSubImage& frame = image.Frames()[i];
    if (frame.Empty()) continue;
    for (bool dither : {false, true}) {
      vr::TMemoryDIB dib;
      try {
        vr::RenderFramePixels(frame, dib, dither, true);
        vr::FrameRectIn(frame, {0, 0, 640, 480});
      } catch (const vr::Exception&) {
      }
    }
  }
  return 0;
}
