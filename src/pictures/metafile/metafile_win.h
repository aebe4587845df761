// The metafile image class of the picture registry (".wmf" and ".emf").
//
// An enhanced metafile (EMF) is taken as it is; a Windows metafile (WMF)
// needs its placeable header and is converted into an enhanced one. Either
// way the picture is an enhanced-metafile handle that the system plays back
// scaled into the target rectangle. Sizes are kept in 0.01 mm and reported
// in pixels. The view never pushes its transparency into a metafile.
//
// The record structure is checked at load (sizes inside the data, the end
// record's palette inside its record), so the system never reads past a
// damaged file's bytes when it plays it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "pictures/graphic.h"
#include "platform/handles.h"

namespace vr {

// The data of a metafile, shared by reference count between copies.
class TMetafileImage : public TSharedImage {
 public:
  TEnhMetafileHandle Handle;
  int32_t Width = 0;   // 0.01 mm
  int32_t Height = 0;  // 0.01 mm
  TPaletteHandle Palette;  // built on first need
  uint16_t Inch = 0;       // of a placeable WMF header; 0 for EMF
  // The size in pixels while there is no handle.
  int ProvisionalWidth = 0;
  int ProvisionalHeight = 0;
  // From the handle's header: the reference device and the palette size.
  int32_t DevicePixelsX = 0, DevicePixelsY = 0;
  int32_t DeviceMillimetersX = 0, DeviceMillimetersY = 0;
  uint32_t PaletteEntries = 0;

 protected:
  void ReleaseHandles() override;
};

class TMetafile : public TGraphic {
  VR_GRAPHIC_CLASS(TMetafile)

 public:
  // A new metafile is enhanced and transparent, with an image record and no
  // handle; setting Transparent has no effect.
  TMetafile();

  // True when the data came from an EMF file.
  bool Enhanced() const { return FEnhanced; }
  HENHMETAFILE Handle() const { return FImage->Handle.Get(); }
  // The size in 0.01 mm.
  int32_t MMWidth() const { return FImage->Width; }
  int32_t MMHeight() const { return FImage->Height; }
  uint16_t Inch() const { return FImage->Inch; }
  const TMetafileImage& Image() const { return *FImage; }

  // From another TMetafile: shares its image.
  void AssignFrom(const TPersistent* Source) override;
  // Plays the metafile into the rectangle less one pixel on the right and
  // bottom, with its palette realised in the background.
  void DrawInto(TCanvas& Canvas, const RECT& Rect) override;
  // A metafile always holds an image record, so it is never empty.
  bool ReadEmpty() const override { return false; }
  int ReadHeight() const override;
  int ReadWidth() const override;
  HPALETTE ReadPalette() override;
  void WriteTransparent(bool Value) override {}
  // Without a handle the provisional size; with one the size in 0.01 mm
  // that gives this many pixels.
  void WriteHeight(int Value) override;
  void WriteWidth(int Value) override;
  void LoadFromStream(TStream& Stream) override;
  // An EMF as it is, or a placeable WMF converted back.
  void SaveToStream(TStream& Stream) override;

 private:
  void NewImage();
  // Takes a private copy of a shared image.
  void Unshare();
  int PixelsOf(int32_t Size, int32_t DevicePixels, int32_t DeviceMillimeters) const;
  int32_t SizeOf(int Pixels, int32_t DevicePixels, int32_t DeviceMillimeters) const;

  TSharedRef<TMetafileImage> FImage;
  bool FEnhanced = true;
};

}  // namespace vr
