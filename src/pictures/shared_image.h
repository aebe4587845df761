// Decoded image data shared between copies of an image, and the reference
// through which every image holds it.
//
// An image class keeps its data in a descendant of TSharedImage and holds
// it through a TSharedRef: copying the reference shares the data, the last
// reference to go releases its handles and destroys it. Before changing
// shared data an image takes a private copy (copy before change):
//
//   if (!FImage.Unique()) FImage = CopyOf(*FImage);
//   FImage->Width = ...;
#pragma once

#include <utility>

namespace vr {

template <typename T>
class TSharedRef;

// Decoded image data shared by reference count between copies of an image.
class TSharedImage {
 public:
  TSharedImage() = default;
  virtual ~TSharedImage() = default;
  TSharedImage(const TSharedImage&) = delete;
  TSharedImage& operator=(const TSharedImage&) = delete;

  int RefCount() const { return FRefCount; }

 protected:
  virtual void ReleaseHandles() = 0;

 private:
  template <typename T>
  friend class TSharedRef;

  void AddReference() { ++FRefCount; }
  // Drops one reference; the last one releases the handles and destroys the
  // holder. Safe on a null holder.
  static void DropReference(TSharedImage* Image) {
    if (Image == nullptr) return;
    if (Image->FRefCount <= 1) {
      Image->ReleaseHandles();
      delete Image;  // the holder owns itself through its count
      return;
    }
    --Image->FRefCount;
  }

  int FRefCount = 0;
};

// One counted reference to shared image data T (a TSharedImage): a copy
// adds a reference, destruction drops it, a move hands it over.
template <typename T>
class TSharedRef {
 public:
  TSharedRef() noexcept = default;
  TSharedRef(const TSharedRef& Other) noexcept : FImage(Other.FImage) {
    if (FImage != nullptr) FImage->AddReference();
  }
  TSharedRef(TSharedRef&& Other) noexcept : FImage(std::exchange(Other.FImage, nullptr)) {}
  ~TSharedRef() { TSharedImage::DropReference(FImage); }

  TSharedRef& operator=(const TSharedRef& Other) noexcept {
    TSharedRef(Other).Swap(*this);
    return *this;
  }
  TSharedRef& operator=(TSharedRef&& Other) noexcept {
    TSharedRef(std::move(Other)).Swap(*this);
    return *this;
  }

  // New data of its own, with this one reference.
  static TSharedRef Make() { return TSharedRef(new T()); }

  T* Get() const noexcept { return FImage; }
  T* operator->() const noexcept { return FImage; }
  T& operator*() const noexcept { return *FImage; }
  explicit operator bool() const noexcept { return FImage != nullptr; }
  // No other reference shares the data: it may be changed in place.
  bool Unique() const noexcept { return FImage == nullptr || FImage->RefCount() <= 1; }

  void Swap(TSharedRef& Other) noexcept { std::swap(FImage, Other.FImage); }

 private:
  explicit TSharedRef(T* Image) noexcept : FImage(Image) { FImage->AddReference(); }

  T* FImage = nullptr;
};

}  // namespace vr
