#include "app/start_picture.h"

#include "platform/resources.h"

namespace vr {

void LoadStartPicture(TPicture& Picture) {
  std::vector<uint8_t> block = LoadDataResource("STARTPICTURE");
  if (block.empty()) return;
  TMemoryStream stream(std::move(block));
  try {
    Picture.ReadStoredImage(stream);
  } catch (const Exception&) {
    // A damaged start picture leaves the view empty rather than stopping start-up.
  }
}

}  // namespace vr
