#include "pictures/icon.h"

namespace vr {

VR_DEFINE_GRAPHIC_CLASS(TIcon, TGraphic)

void TIcon::AssignFrom(const TPersistent* Source) {
  auto* other = dynamic_cast<const TIcon*>(Source);
  if (other == nullptr) {
    TGraphic::AssignFrom(Source);
    return;
  }
  FRequestedWidth = other->FRequestedWidth;
  FRequestedHeight = other->FRequestedHeight;
  NotifyChange(this);
}

void TIcon::LoadFromStream(TStream& Stream) { throw EInvalidGraphic(SInvalidIcon); }

}  // namespace vr
