#include "pictures/graphic.h"

namespace vr {

bool TGraphicClass::InheritsFrom(const TGraphicClass* Other) const {
  for (const TGraphicClass* c = this; c != nullptr; c = c->Parent)
    if (c == Other) return true;
  return false;
}

const TGraphicClass& TGraphic::StaticClass() {
  static const TGraphicClass info{"TGraphic", nullptr, nullptr};
  return info;
}

void TGraphic::NotifyChange(TObject* Sender) {
  FModified = true;
  if (OnChange) OnChange(this);
}

bool TGraphic::SameImage(const TGraphic* HeldGraphic) {
  bool emptySelf = IsEmpty();
  bool emptyOther = HeldGraphic == nullptr || HeldGraphic->IsEmpty();
  if (emptySelf || emptyOther) return emptySelf && emptyOther;
  if (&HeldGraphic->ClassType() != &ClassType()) return false;
  TMemoryStream mine, theirs;
  WriteStoredImage(mine);
  const_cast<TGraphic*>(HeldGraphic)->WriteStoredImage(theirs);
  return mine.Bytes() == theirs.Bytes();
}

void TGraphic::WriteTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  NotifyChange(this);
}

void TGraphic::LoadFile(const std::string& FileName) {
  TFileStream stream(FileName, TFileMode::fmOpenReadShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveFile(const std::string& FileName) {
  TFileStream stream(FileName, TFileMode::fmCreate);
  SaveToStream(stream);
}

void TGraphic::ReportProgress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                              const RECT& R, const std::string& Msg) {
  if (OnProgress) OnProgress(Sender, Stage, PercentDone, RedrawNow, R, Msg);
}

}  // namespace vr
