#include "pictures/metafile.h"

namespace vr {

VR_DEFINE_GRAPHIC_CLASS(TMetafile, TGraphic)

void TMetafile::AssignFrom(const TPersistent* Source) {
  auto* other = dynamic_cast<const TMetafile*>(Source);
  if (other == nullptr) {
    TGraphic::AssignFrom(Source);
    return;
  }
  FEnhanced = other->FEnhanced;
  FWidth = other->FWidth;
  FHeight = other->FHeight;
  NotifyChange(this);
}

void TMetafile::LoadFromStream(TStream& Stream) { throw EInvalidGraphic(SInvalidMetafile); }

}  // namespace vr
