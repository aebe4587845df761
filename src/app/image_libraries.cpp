#include "app/image_libraries.h"

#include "gif/gif_image_win.h"
#include "pictures/jpeg/jpeg_image_win.h"
#include "png/png_object_win.h"

namespace vr {

void RegisterImageLibraries() {
  RegisterJPEGImage();
  RegisterGIFImage();
  RegisterPNGImage();
}

void UnregisterImageLibraries() {
  UnregisterPNGImage();
  UnregisterGIFImage();
  UnregisterJPEGImage();
}

}  // namespace vr
