// The icon image class of the picture registry (".ico").
//
// For now it knows icon files by name only and refuses every one of them
// with "Icon image is not valid"; the view never pushes its transparency
// into an icon, and an icon is drawn at its own size.
#pragma once

#include "pictures/graphic.h"

namespace vr {

class TIcon : public TGraphic {
  VR_GRAPHIC_CLASS(TIcon)

 public:
  // An icon is transparent from creation; setting Transparent has no effect.
  TIcon() { FTransparent = true; }

  // From another TIcon: copies its state; others as for every persistent object.
  void AssignFrom(const TPersistent* Source) override;
  void DrawInto(TCanvas& Canvas, const RECT& Rect) override {}
  bool ReadEmpty() const override { return true; }
  int ReadHeight() const override { return FRequestedHeight; }
  int ReadWidth() const override { return FRequestedWidth; }
  void WriteTransparent(bool Value) override {}
  // The size asked for while the icon has no system handle.
  void WriteHeight(int Value) override { FRequestedHeight = Value; }
  void WriteWidth(int Value) override { FRequestedWidth = Value; }
  void LoadFromStream(TStream& Stream) override;
  void SaveToStream(TStream& Stream) override {}

 private:
  int FRequestedWidth = 0;
  int FRequestedHeight = 0;
};

}  // namespace vr
