// The icon image class of the picture registry (".ico").
//
// Loading keeps the file's bytes; the system icon is made at the first draw
// (or SystemHandle) from the directory entry that suits the display and the
// target size best, and is drawn at its own size from the rectangle's
// top-left corner, never stretched. The view never pushes its transparency
// into an icon.
//
// Damaged files are refused at load: besides the type, the directory and
// the image the first draw would choose are checked then, so that the scan
// run logs them. What can still fail while drawing (the system refusing the
// icon, a size asked for later) raises once; later repaints of the same
// picture draw nothing and raise nothing.
//
// Images stored as PNG data inside the icon are decoded by the decoder the
// PNG codec hands over when it registers, and made into an icon with alpha;
// damaged PNG data, or PNG data with no decoder, is "Icon image is not valid".
#pragma once

#include <windows.h>

#include <memory>

#include "pictures/graphic.h"
#include "platform/handles.h"

namespace vr {

// The data of an icon, shared by reference count between copies.
class TIconImage : public TSharedImage {
 public:
  TIconHandle Handle;                   // none until first needed
  std::unique_ptr<TMemoryStream> Data;  // the icon file's bytes
  POINT Size{0, 0};                     // of the chosen image; 0 × 0 until the handle is made
  bool DrawFailed = false;              // making the handle for a draw raised once already

 protected:
  void ReleaseHandles() override { Handle.Reset(); }
};

class TIcon : public TGraphic {
  VR_GRAPHIC_CLASS(TIcon)

 public:
  // An icon is transparent from creation; setting Transparent has no effect.
  TIcon();

  // From another TIcon: shares its image and copies the requested size.
  void AssignFrom(const TPersistent* Source) override;
  // The icon at its own size from the rectangle's top-left corner.
  void DrawInto(TCanvas& Canvas, const RECT& Rect) override;
  // Neither a handle nor file bytes.
  bool ReadEmpty() const override;
  // The chosen image's size once the handle exists, else the system's
  // standard icon size.
  int ReadHeight() const override;
  int ReadWidth() const override;
  void WriteTransparent(bool Value) override {}
  // The size asked for while there is no handle; with one, "Cannot change
  // the size of an icon".
  void WriteHeight(int Value) override;
  void WriteWidth(int Value) override;
  // Copies the rest of the stream and checks it (see above).
  void LoadFromStream(TStream& Stream) override;
  // Writes the icon file's bytes.
  void SaveToStream(TStream& Stream) override;

  // The system icon, made on first use (the errors of a bad image pass out).
  HICON SystemHandle();
  const TIconImage& Image() const { return *FImage; }

 private:
  void NewImage(std::unique_ptr<TMemoryStream> Data);
  void HandleNeeded();

  TSharedRef<TIconImage> FImage;
  POINT FRequestedSize{0, 0};
};

// The target size of an icon with no size requested, and the colour depth
// of the display (bits per pixel × planes).
POINT SystemIconSize();
int DisplayColourBits();

// Makes the system icon of the icon file Data for a target size: the best
// entry for the display, its colour and mask (or PNG data), scaled to the
// entry's size. Size receives the icon's size. Type 0 gives a copy of the
// system's application icon. Raises "Icon image is not valid" for bad data
// and the system's graphics error when it refuses the icon.
TIconHandle MakeIconHandle(const uint8_t* Data, size_t Size, POINT Target, POINT& IconSize);

}  // namespace vr
