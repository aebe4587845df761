#include "png/png_dib_section_win.h"

#include "pictures/bitmap_gdi.h"

namespace vr {

std::unique_ptr<TPNGPixelStore> TDibSectionAllocator::AllocatePixels(const TPNGPixelRequest& Request) {
  if (OnAllocate) OnAllocate();
  const TRGBQuad* colors = Request.Info->Colors;
  const bitmap_gdi::TBitmapInfoBlock info(
      TDibInfo{.Header = Request.Info->Header, .Colors = {colors, colors + Request.PaletteSize}});
  void* bits = nullptr;
  // No device context is needed for a section with an RGB colour table.
  TBitmapHandle section(CreateDIBSection(nullptr, info.Get(), DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!section || bits == nullptr) return nullptr;
  return std::make_unique<TPNGDibSection>(std::move(section), static_cast<uint8_t*>(bits));
}

}  // namespace vr
