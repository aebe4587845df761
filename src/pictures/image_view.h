// The image view: a window-less control that shows its picture at natural
// size, centred or stretched.
#pragma once

#include <memory>

#include "pictures/picture.h"
#include "platform/controls.h"

namespace vr {

class TImage : public TGraphicControl {
 public:
  TImage(TComponent* AOwner, TWinControl* AParent);
  ~TImage() override;
  const char* ClassName() const override { return "TImage"; }

  TPicture& Picture() { return *FPicture; }
  void SetPicture(const TPicture& Value) { FPicture->AssignFrom(&Value); }

  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool Center() const { return FCenter; }
  void SetCenter(bool Value);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  bool IncrementalDisplay = false;
  TProgressEvent OnProgress;

  // Where the picture is drawn, in the view's coordinates.
  RECT DestRect() const;
  // Whether the parent paints the background under the view.
  bool IsOpaque() const override { return FOpaque; }
  HPALETTE ReadPalette();
  // The size the view takes when AutoSize is on: the picture's width unless
  // the alignment fixes the width, the same for the height.
  bool QueryAutoSize(int& NewWidth, int& NewHeight) const;
  void PaintOn(TCanvas& Canvas) override;
  void ReportProgress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow, const RECT& R,
                      const std::string& Msg);

 private:
  void PictureChanged(TObject* Sender);
  bool DoPaletteChange();
  void PaintNow();

  std::unique_ptr<TPicture> FPicture;
  bool FAutoSize = false;
  bool FCenter = false;
  bool FStretch = false;
  bool FTransparent = false;
  bool FDrawing = false;
  bool FOpaque = false;
};

}  // namespace vr
