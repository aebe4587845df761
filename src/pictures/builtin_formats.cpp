// The formats every picture holder knows from the start, and the start-up
// registration of the image libraries.
#include "pictures/builtin_formats.h"

#include "gif/gif_image_win.h"
#include "pictures/bitmap.h"
#include "pictures/icon/icon_win.h"
#include "pictures/jpeg/jpeg_image_win.h"
#include "pictures/metafile/metafile_win.h"
#include "pictures/picture.h"
#include "png/png_object_win.h"

namespace vr {

void RegisterBuiltInFormats(TFileFormatsList& List) {
  List.Add("wmf", "Metafiles", 0, &TMetafile::StaticClass());
  List.Add("emf", "Enhanced Metafiles", 0, &TMetafile::StaticClass());
  List.Add("ico", "Icons", 0, &TIcon::StaticClass());
  List.Add("bmp", "Bitmaps", 0, &TBitmap::StaticClass());
}

void RegisterBuiltInClipboardFormats(TClipboardFormats& Formats) {
  Formats.Add(CF_METAFILEPICT, &TMetafile::StaticClass());
  Formats.Add(CF_ENHMETAFILE, &TMetafile::StaticClass());
  Formats.Add(CF_BITMAP, &TBitmap::StaticClass());
}

// The image libraries, in the order of their start-up code: JPEG, GIF, PNG.
void RegisterImageLibraries() {
  RegisterJPEGImage();  // "jpeg", then "jpg"
  InitGIFDrawing();
  TPicture::RegisterPictureFormat("GIF", "GIF Image", TGIFImage::StaticClass());
  TPicture::RegisterClipboardClass(static_cast<uint16_t>(GIFClipboardFormat()), TGIFImage::StaticClass());
  TPicture::RegisterPictureFormat("PNG", "Portable Network Graphics", TPNGObject::StaticClass());
}

// Last registered, first removed.
void UnregisterImageLibraries() {
  TPicture::UnregisterPictureClass(TPNGObject::StaticClass());
  TPicture::UnregisterPictureClass(TGIFImage::StaticClass());
  UnregisterJPEGImage();
}

}  // namespace vr
