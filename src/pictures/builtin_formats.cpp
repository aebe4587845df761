// The formats every picture holder knows from the start, and the start-up
// registration of the image libraries.
#include "pictures/builtin_formats.h"

#include "pictures/picture.h"
#include "png/png_object.h"

namespace vr {

void RegisterBuiltInFormats(TFileFormatsList& List) {}

void RegisterBuiltInClipboardFormats(TClipboardFormats& Formats) {}

void RegisterImageLibraries() {
  TPicture::RegisterPictureFormat("PNG", "Portable Network Graphics", TPNGObject::StaticClass());
}

void UnregisterImageLibraries() {
  TPicture::UnregisterPictureClass(TPNGObject::StaticClass());
}

}  // namespace vr
