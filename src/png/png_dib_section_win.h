// The pixel store of a PNG image on Windows: a device-independent bitmap
// section made from the header chunk's bitmap info, so that the decoded rows
// are a system bitmap the moment they are written.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "platform/handles.h"
#include "png/png_pixel_store.h"

namespace vr {

// One DIB section; the section owns the pixel memory.
class TPNGDibSection : public TPNGPixelStore {
 public:
  TPNGDibSection(TBitmapHandle Section, uint8_t* Bits) : FSection(std::move(Section)), FBits(Bits) {}
  uint8_t* Bits() override { return FBits; }
  HBITMAP Handle() const { return FSection.Get(); }

 private:
  TBitmapHandle FSection;
  uint8_t* FBits;
};

// Makes a TPNGDibSection for every bitmap a header chunk allocates. OnAllocate
// runs first, each time, so that the image can drop what it derived from the
// previous bitmap (its logical palette).
class TDibSectionAllocator : public IPNGPixelAllocator {
 public:
  std::unique_ptr<TPNGPixelStore> AllocatePixels(const TPNGPixelRequest& Request) override;
  std::function<void()> OnAllocate;
};

}  // namespace vr
