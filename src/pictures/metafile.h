// The metafile image class of the picture registry (".wmf" and ".emf").
//
// For now it knows metafiles by name only and refuses every file with
// "Metafile is not valid"; the view never pushes its transparency into a
// metafile.
#pragma once

#include "pictures/graphic.h"

namespace vr {

class TMetafile : public TGraphic {
  VR_GRAPHIC_CLASS(TMetafile)

 public:
  // A new metafile is enhanced and transparent; setting Transparent has no effect.
  TMetafile() { FTransparent = true; }

  bool Enhanced() const { return FEnhanced; }

  // From another TMetafile: copies its state; others as for every persistent object.
  void AssignFrom(const TPersistent* Source) override;
  void DrawInto(TCanvas& Canvas, const RECT& Rect) override {}
  // A metafile always holds an image record, so it is never empty.
  bool ReadEmpty() const override { return false; }
  int ReadHeight() const override { return FHeight; }
  int ReadWidth() const override { return FWidth; }
  void WriteTransparent(bool Value) override {}
  void WriteHeight(int Value) override { FHeight = Value; }
  void WriteWidth(int Value) override { FWidth = Value; }
  void LoadFromStream(TStream& Stream) override;
  void SaveToStream(TStream& Stream) override {}

 private:
  bool FEnhanced = true;
  int FWidth = 0;   // pixels, while there is no metafile handle
  int FHeight = 0;
};

}  // namespace vr
