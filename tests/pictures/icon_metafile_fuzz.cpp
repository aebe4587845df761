// libFuzzer target: any bytes as an icon file, an EMF or a placeable WMF,
// through everything the pure readers do with them before the system gets
// them. The first byte picks the reader.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictures/icon_pixels.h"
#include "pictures/metafile_header.h"
#include "pictures/metafile_records.h"
#include "platform/exceptions.h"
#include "platform/stream.h"

namespace {

void Icon(const uint8_t* Data, size_t Size) {
  for (int target : {16, 32, 48}) {
    try {
      if (vr::CheckIconData(Data, Size, target, target, 32) == 0) return;
      const vr::TIconDirectory dir = vr::ReadIconDirectory(Data, Size);
      const vr::TIconDirEntry& e = dir.Entries[vr::ChooseIconEntry(dir, target, target, 32)];
      vr::TIconPixels pixels;
      if (e.IsPng) {
        pixels = vr::DecodePngIconImage(Data + e.dwImageOffset, e.dwBytesInRes);
      } else {
        const vr::TIconImageParts parts = vr::SplitIconImage(Data, Size, e);
        if (parts.Header.biBitCount != 32) continue;
        pixels = vr::IconImagePixels32(parts);
      }
      (void)vr::MaskFromAlpha(vr::ScaleIconPixels(pixels, e.Width(), e.Height()));
    } catch (const vr::Exception&) {
    }
  }
}

void Metafile(const uint8_t* Data, size_t Size) {
  vr::TMemoryStream stream(std::vector<uint8_t>(Data, Data + Size));
  try {
    if (vr::IsEnhancedMetafileStream(stream)) {
      vr::TEmfHeaderFields header;
      std::vector<uint8_t> bytes = vr::ReadEnhancedMetafile(stream, header);
      (void)vr::EmfFrameSize(header);
      (void)vr::CheckEnhancedMetafileRecords(bytes.data(), bytes.size());
      (void)vr::EnhancedMetafilePalette(bytes.data(), bytes.size());
    } else {
      vr::TPlaceableHeader header;
      std::vector<uint8_t> records = vr::ReadPlaceableMetafile(stream, header);
      (void)vr::PlaceableSize(header);
      records.resize(vr::CheckWindowsMetafileRecords(records.data(), records.size()));
    }
  } catch (const vr::Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0) return 0;
  if (Data[0] & 1)
    Icon(Data + 1, Size - 1);
  else
    Metafile(Data + 1, Size - 1);
  return 0;
}
