#include "gif_exercise.h"

#include <vector>

#include "gif/gif_frame_render.h"
#include "gif/gif_image_core.h"
#include "platform/stream.h"
#include "support/first_error.h"

namespace vr {

std::string ExerciseGif(const uint8_t* Data, size_t Size) {
  test::TFirstError first;
  TGIFImageCore image;
  // Smaller caps keep each run fast (rendering a frame of millions of
  // pixels twice made 4-megapixel caps run at about a hundred inputs a
  // second); the limits themselves are tested elsewhere.
  image.MaxFramePixels = size_t{1} << 20;
  image.MaxTotalPixels = size_t{1} << 22;
  image.WarningHandler = [](TObject*, TGIFSeverity, const std::string&) {};
  TMemoryStream stream(std::vector<uint8_t>(Data, Data + Size));
  try {
    image.LoadFromStream(stream);
  } catch (const Exception& e) {
    first.Note(e);  // frames read before the error stay and are drawn below
  }
  for (int i = 0; i < image.Frames().Count() && i < 8; ++i) {
    const TGIFSubImage& frame = image.Frames()[i];
    if (frame.Empty()) continue;
    for (bool dither : {false, true}) {
      TMemoryPixelSink dib;
      try {
        RenderFramePixels(frame, dib, dither, true);
        FrameRectIn(frame, {0, 0, 640, 480});
      } catch (const Exception& e) {
        first.Note(e);
      }
    }
  }
  return first.Class();
}

}  // namespace vr
