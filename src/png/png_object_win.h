// The PNG picture class: the decoded image of TPNGCore (chunks, header
// bitmap, alpha plane) as a TGraphic that the picture holder loads by the
// extension "png" and the image view draws, opaque, with a key colour, or
// blended by its alpha over what the canvas already shows.
#pragma once

#include <windows.h>

#include "pictures/graphic.h"
#include "platform/handles.h"
#include "png/png_core.h"

namespace vr {

// Registers the PNG image class at the program's start (the extension
// "PNG") and hands the icon class its decoder of images stored as PNG data;
// UnregisterPNGImage takes both back.
void RegisterPNGImage();
void UnregisterPNGImage();

class TPNGObject : public TGraphic, public TPNGCore {
  VR_GRAPHIC_CLASS(TPNGObject)

 public:
  TPNGObject();
  ~TPNGObject() override;

  using TGraphic::IsEmpty;

  void DrawInto(TCanvas& Canvas, const RECT& Rect) override;
  bool ReadEmpty() const override { return ChunkList.Count() == 0; }
  int ReadWidth() const override { return static_cast<int>(ImageWidth()); }
  int ReadHeight() const override { return static_cast<int>(ImageHeight()); }
  // A logical palette of the 256 colour-table entries for gray and palette
  // images, made on first use; none for the other colour types.
  HPALETTE ReadPalette() override;
  // True when the file implies transparency (a tRNS chunk or an alpha
  // channel); the Transparent flag the view writes plays no part.
  bool ReadTransparent() const override;
  // A PNG cannot be resized: both raise EPngError.
  void WriteWidth(int Value) override;
  void WriteHeight(int Value) override;
  void LoadFromStream(TStream& Stream) override;
  void SaveToStream(TStream& Stream) override;
  // From another PNG (a copy of its chunks) or a bitmap.
  void AssignFrom(const TPersistent* Source) override;

  // The colour of pixel (X, Y), 0 outside the image. Gray images read through
  // the gamma map; palette images give their palette colour.
  virtual TColor ReadPixelColor(int X, int Y) const;
  // Gray and palette images store the nearest colour of their table;
  // truecolour images store the colour itself. Outside the image: nothing.
  virtual void WritePixelColor(int X, int Y, TColor Value);
  TColor PixelColor(int X, int Y) const { return ReadPixelColor(X, Y); }
  void SetPixelColor(int X, int Y, TColor Value) { WritePixelColor(X, Y, Value); }

  void CopyFromPng(const TPNGObject& Source);
  // Makes this image a copy of a system bitmap: up to 8 bits per pixel a
  // palette image of that depth, else 8-bit truecolour; with Transparent, a
  // tRNS chunk keyed on TransparentKey. An empty or invalid handle leaves the
  // image empty.
  void ImportBitmapHandle(HBITMAP Bitmap, bool Transparent, TColor TransparentKey);

  // How DrawInto shows the image (needs the header).
  TPNGTransparencyMode DrawingMode() const;
  // The colour that pixels keyed by the tRNS chunk have in the decoded
  // bitmap: the key level at the image's depth, as the image's own colour
  // table or gamma map shows it. Drawing keys on it where the decoder made no
  // key mask: palette images, and a tRNS chunk that came after the image data.
  TColor DrawKeyColor() const;

 protected:
  // Into another PNG, or into a bitmap: a DIB of the decoded depth and
  // colours, transparent with the key colour when the image is keyed; the
  // alpha of alpha images is not carried over.
  bool AssignInto(TPersistent* Dest) const override;

 private:
  void DrawOpaque(HDC DC, const RECT& Rect) const;
  // False when the system could not make the bitmaps for it.
  bool DrawWithColorKey(HDC DC, COLORREF KeyColour, const RECT& Rect) const;
  void DrawWithAlpha(HDC DC, const RECT& Rect) const;

  TPaletteHandle FPalette;
};

}  // namespace vr
