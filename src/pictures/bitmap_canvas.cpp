// The bitmaps' own canvases and the process-wide list of those that hold a
// device context. A bitmap can be selected into one device context at a
// time, and memory device contexts are scarce: the list lets a bitmap be
// released from every other context before it is selected, and lets the
// program give idle contexts back after every window message.
#include <algorithm>
#include <vector>

#include "pictures/bitmap.h"
#include "platform/application.h"

namespace vr {

namespace {

std::recursive_mutex& ListLock() {
  static auto* lock = new std::recursive_mutex();  // lives until process exit
  return *lock;
}

std::vector<TBitmapCanvas*>& CanvasList() {
  static auto* list = new std::vector<TBitmapCanvas*>();  // lives until process exit
  return *list;
}

std::vector<TBitmapCanvas*> ListSnapshot() {
  std::lock_guard<std::recursive_mutex> guard(ListLock());
  return CanvasList();
}

void AfterWindowMessage() { TBitmapCanvas::FreeMemoryContexts(); }

}  // namespace

TBitmapCanvas::TBitmapCanvas(TBitmap& Owner) : FBitmap(Owner) {}

TBitmapCanvas::~TBitmapCanvas() { FreeContext(); }

void TBitmapCanvas::Lock() {
  FMutex.lock();
  ++FLockCount;
}

void TBitmapCanvas::Unlock() {
  --FLockCount;
  FMutex.unlock();
}

bool TBitmapCanvas::TryLock() {
  if (!FMutex.try_lock()) return false;
  if (FLockCount > 0) {  // held further up this thread's own stack
    FMutex.unlock();
    return false;
  }
  ++FLockCount;
  return true;
}

HDC TBitmapCanvas::Handle() {
  if (FDC == nullptr) {
    TCanvasLock lock(*this);
    if (FDC == nullptr) CreateContext();
  }
  return FDC;
}

void TBitmapCanvas::CreateContext() {
  FBitmap.PaletteNeeded();
  HBITMAP bitmap = FBitmap.FImage->Handle.Get();
  HPALETTE palette = FBitmap.FImage->Palette.Get();
  if (bitmap != nullptr) DeselectBitmap(bitmap);
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) RaiseOutOfResources();
  FOldBitmap = bitmap != nullptr ? SelectObject(dc, bitmap) : nullptr;
  FSelected = bitmap;
  if (palette != nullptr) {
    FOldPalette = SelectPalette(dc, palette, TRUE);
    RealizePalette(dc);
  } else {
    FOldPalette = nullptr;
  }
  FDC = dc;
  {
    std::lock_guard<std::recursive_mutex> guard(ListLock());
    CanvasList().push_back(this);
  }
  // Idle contexts are given back after every window message of the program.
  if (Application != nullptr && Application->AfterWindowMessage == nullptr)
    Application->AfterWindowMessage = &AfterWindowMessage;
}

void TBitmapCanvas::ReleaseContext() {
  if (FDC == nullptr) return;
  if (FOldBitmap != nullptr) SelectObject(FDC, FOldBitmap);
  if (FOldPalette != nullptr) SelectPalette(FDC, FOldPalette, TRUE);
  DeleteDC(FDC);
  FDC = nullptr;
  FSelected = nullptr;
  FOldBitmap = nullptr;
  FOldPalette = nullptr;
  std::lock_guard<std::recursive_mutex> guard(ListLock());
  auto& list = CanvasList();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TBitmapCanvas::FreeContext() {
  if (FDC == nullptr) return;
  TCanvasLock lock(*this);
  ReleaseContext();
}

void TBitmapCanvas::FreeMemoryContexts() {
  std::lock_guard<std::recursive_mutex> guard(ListLock());
  for (TBitmapCanvas* canvas : ListSnapshot()) {
    if (!canvas->TryLock()) continue;  // a drawing in progress keeps its context
    canvas->ReleaseContext();
    canvas->Unlock();
  }
}

void TBitmapCanvas::DeselectBitmap(HBITMAP Bitmap) {
  if (Bitmap == nullptr) return;
  std::lock_guard<std::recursive_mutex> guard(ListLock());
  for (TBitmapCanvas* canvas : ListSnapshot())
    if (canvas->FSelected == Bitmap) canvas->FreeContext();
}

size_t TBitmapCanvas::ContextCount() {
  std::lock_guard<std::recursive_mutex> guard(ListLock());
  return CanvasList().size();
}

}  // namespace vr
