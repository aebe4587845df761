#include "pictures/builtin_formats.h"

#include "pictures/bitmap.h"
#include "pictures/icon/icon_win.h"
#include "pictures/metafile/metafile_win.h"
#include "pictures/picture.h"

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

}  // namespace vr
