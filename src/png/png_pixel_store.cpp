#include "png/png_pixel_store.h"

#include <new>

namespace vr {

namespace {

class TPNGMemoryPixelStore : public TPNGPixelStore {
 public:
  explicit TPNGMemoryPixelStore(std::unique_ptr<uint8_t[]> Bytes) : FBytes(std::move(Bytes)) {}
  uint8_t* Bits() override { return FBytes.get(); }

 private:
  std::unique_ptr<uint8_t[]> FBytes;
};

}  // namespace

std::unique_ptr<TPNGPixelStore> TPNGMemoryPixelAllocator::AllocatePixels(const TPNGPixelRequest& Request) {
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[Request.ByteCount]);
  if (!bytes) return nullptr;
  return std::make_unique<TPNGMemoryPixelStore>(std::move(bytes));
}

TPNGMemoryPixelAllocator& TPNGMemoryPixelAllocator::Instance() {
  static TPNGMemoryPixelAllocator allocator;
  return allocator;
}

}  // namespace vr
