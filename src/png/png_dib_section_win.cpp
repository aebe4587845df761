#include "png/png_dib_section_win.h"

namespace vr {

std::unique_ptr<TPNGPixelStore> TDibSectionAllocator::AllocatePixels(const TPNGPixelRequest& Request) {
  if (OnAllocate) OnAllocate();
  // The info block is laid out exactly like BITMAPINFO with 256 colours.
  static_assert(sizeof(BITMAPINFOHEADER) == sizeof(TBitmapInfoHeader));
  static_assert(sizeof(RGBQUAD) == sizeof(TRGBQuad));
  const auto* info = reinterpret_cast<const BITMAPINFO*>(Request.Info);
  void* bits = nullptr;
  // No device context is needed for a section with an RGB colour table.
  TBitmapHandle section(CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!section || bits == nullptr) return nullptr;
  return std::make_unique<TPNGDibSection>(std::move(section), static_cast<uint8_t*>(bits));
}

}  // namespace vr
