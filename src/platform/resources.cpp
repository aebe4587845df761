#include "platform/resources.h"

namespace vr {

TBitmapHandle LoadBitmapResource(const char* Name) {
  return TBitmapHandle(
      static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), Name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
}

std::vector<uint8_t> LoadDataResource(const char* Name) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceA(module, Name, MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (info == nullptr) return {};
  HGLOBAL data = LoadResource(module, info);
  DWORD size = SizeofResource(module, info);
  const void* bytes = data != nullptr ? LockResource(data) : nullptr;
  if (bytes == nullptr) return {};
  const auto* p = static_cast<const uint8_t*>(bytes);
  return std::vector<uint8_t>(p, p + size);
}

}  // namespace vr
