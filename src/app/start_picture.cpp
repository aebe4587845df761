#include "app/start_picture.h"

#include "platform/resources.h"

namespace vr {

void LoadStartPicture(TPicture& Picture) {
  std::vector<uint8_t> jpeg = LoadDataResource("STARTPICTURE");
  if (jpeg.empty()) return;
  // The block as a window layout stores it: the class name with its length
  // byte, then the JPEG class's own data (a 32-bit count and the file's bytes).
  TMemoryStream stream;
  const std::string name = "TJPEGImage";
  const uint8_t length = static_cast<uint8_t>(name.size());
  stream.WriteBuffer(&length, 1);
  stream.WriteBuffer(name.data(), name.size());
  stream.WriteU32LE(static_cast<uint32_t>(jpeg.size()));
  stream.WriteBuffer(jpeg.data(), jpeg.size());
  stream.SetPosition(0);
  try {
    Picture.ReadStoredImage(stream);
  } catch (const Exception&) {
    // A damaged start picture leaves the view empty rather than stopping start-up.
  }
}

}  // namespace vr
