#include "gif/gif_color_map.h"

#include "gif/gif_errors.h"
#include "gif/gif_image_core.h"
#include "gif/gif_stream_io.h"

namespace vr {

void TGIFColorMap::Clear() {
  FEntries.clear();
  FEntries.shrink_to_fit();
  Sorted = false;
}

void TGIFColorMap::Add(TGIFRGB Color) {
  if (FEntries.size() >= 256) return;  // a table never holds more than 256 entries
  // Grow to 16 entries at first, then in steps of 32.
  if (FEntries.size() == FEntries.capacity())
    FEntries.reserve(FEntries.size() < 16 ? 16 : (FEntries.size() + 32) / 32 * 32);
  FEntries.push_back(Color);
}

void TGIFColorMap::LoadFromStream(TStream& Stream, int Count) {
  Clear();
  if (Count <= 0) return;
  if (Count > 256) Count = 256;
  uint8_t bytes[3 * 256];
  gifio::ReadExactly(Stream, bytes, 3 * static_cast<size_t>(Count));
  FEntries.resize(static_cast<size_t>(Count));
  for (int i = 0; i < Count; ++i) FEntries[i] = TGIFRGB{bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
}

uint32_t TGIFColorMap::GetColor(int Index) const {
  if (FEntries.empty()) throw GIFException(sGIFColorTableEmpty);
  if (Index < 0 || Index >= Count()) {
    if (FOwner != nullptr) FOwner->ReportWarning(gsWarning, sGIFInvalidColorIndex);
    Index = 0;
  }
  return RGBToColor(FEntries[static_cast<size_t>(Index)]);
}

TGIFGlobalColorMap::TGIFGlobalColorMap(TGIFHeader* Header) : TGIFColorMap(Header), FHeader(Header) {}

TGIFLocalColorMap::TGIFLocalColorMap(TGIFSubImage* SubImage)
    : TGIFColorMap(SubImage), FSubImage(SubImage) {}

}  // namespace vr
