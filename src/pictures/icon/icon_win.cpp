// The icon class: its shared data, loading and the checks made then,
// sizes, sharing, and drawing through the system icon.
#include "pictures/icon/icon_win.h"

#include "pictures/icon/icon_pixels.h"
#include "pictures/picture_types.h"

namespace vr {

VR_DEFINE_GRAPHIC_CLASS(TIcon, TGraphic)

TIcon::TIcon() {
  FTransparent = true;
  NewImage(nullptr);
}

void TIcon::NewImage(std::unique_ptr<TMemoryStream> Data) {
  auto image = TSharedRef<TIconImage>::Make();
  image->Data = std::move(Data);
  FImage = std::move(image);
}

void TIcon::AssignFrom(const TPersistent* Source) {
  if (Source == nullptr) {
    NewImage(nullptr);
  } else if (auto* other = dynamic_cast<const TIcon*>(Source)) {
    if (other == this) return;
    FImage = other->FImage;
    FRequestedSize = other->FRequestedSize;
  } else {
    TGraphic::AssignFrom(Source);
    return;
  }
  NotifyChange(this);
}

bool TIcon::ReadEmpty() const { return !FImage->Handle && !FImage->Data; }

int TIcon::ReadWidth() const { return FImage->Size.x != 0 ? FImage->Size.x : SystemIconSize().x; }

int TIcon::ReadHeight() const { return FImage->Size.y != 0 ? FImage->Size.y : SystemIconSize().y; }

void TIcon::WriteWidth(int Value) {
  if (FImage->Handle) throw EInvalidGraphicOperation(SChangeIconSize);
  FRequestedSize.x = Value;
}

void TIcon::WriteHeight(int Value) {
  if (FImage->Handle) throw EInvalidGraphicOperation(SChangeIconSize);
  FRequestedSize.y = Value;
}

namespace {

POINT TargetSize(POINT Requested) {
  return Requested.x == 0 && Requested.y == 0 ? SystemIconSize() : Requested;
}

}  // namespace

void TIcon::LoadFromStream(TStream& Stream) {
  const int64_t count = Stream.Remaining();
  // Far beyond any icon; refused before anything is read into memory.
  if (static_cast<uint64_t>(count) > kMaxPictureBytes) throw EInvalidGraphic(SInvalidIcon);
  auto data = std::make_unique<TMemoryStream>();
  if (count > 0) data->CopyFrom(Stream, count);
  const POINT target = TargetSize(FRequestedSize);
  CheckIconData(data->Memory(), data->Bytes().size(), target.x, target.y, DisplayColourBits());
  NewImage(std::move(data));
  NotifyChange(this);
}

void TIcon::SaveToStream(TStream& Stream) {
  if (FImage->Data && !FImage->Data->Bytes().empty())
    Stream.WriteBuffer(FImage->Data->Memory(), FImage->Data->Bytes().size());
}

void TIcon::HandleNeeded() {
  if (FImage->Handle || !FImage->Data) return;
  POINT size{0, 0};
  TIconHandle handle = MakeIconHandle(FImage->Data->Memory(), FImage->Data->Bytes().size(),
                                      TargetSize(FRequestedSize), size);
  FImage->Handle = std::move(handle);
  FImage->Size = size;
}

HICON TIcon::SystemHandle() {
  HandleNeeded();
  return FImage->Handle.Get();
}

void TIcon::DrawInto(TCanvas& Canvas, const RECT& Rect) {
  if (FImage->DrawFailed) return;
  if (!FImage->Handle) {
    try {
      HandleNeeded();
    } catch (...) {
      // Shown once: the repaints of an unattended slideshow would raise it again and again.
      FImage->DrawFailed = true;
      throw;
    }
    if (!FImage->Handle) return;
  }
  DrawIconEx(Canvas.Handle(), Rect.left, Rect.top, FImage->Handle.Get(), FImage->Size.x, FImage->Size.y, 0,
             nullptr, DI_NORMAL);
}

}  // namespace vr
