#include "png_draw_support.h"

#include "app/image_libraries.h"
#include "pictures/picture.h"

namespace pngtest {

void EnsureImageLibraries() {
  static const bool registered = [] {
    if (vr::TFileFormatsList::Instance().FindByExtension("png") == nullptr) vr::RegisterImageLibraries();
    return true;
  }();
  (void)registered;
}

}  // namespace pngtest
