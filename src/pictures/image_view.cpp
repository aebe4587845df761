#include "pictures/image_view.h"

#include "pictures/icon/icon_win.h"
#include "pictures/metafile/metafile_win.h"
#include "platform/forms.h"
#include "platform/handles.h"

namespace vr {

namespace {

// Icons and metafiles keep their own transparency whatever the view says.
bool KeepsOwnTransparency(const TGraphic& Graphic) {
  const TGraphicClass& cls = Graphic.ClassType();
  return cls.InheritsFrom(&TMetafile::StaticClass()) || cls.InheritsFrom(&TIcon::StaticClass());
}

}  // namespace

TImage::TImage(TComponent* AOwner, TWinControl* AParent)
    : TGraphicControl(AOwner, AParent), FPicture(std::make_unique<TPicture>()) {
  SetBounds(0, 0, 105, 105);
  FPicture->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
  FPicture->OnProgress = [this](TObject* Sender, TProgressStage Stage, uint8_t Percent, bool Redraw, const RECT& R,
                                const std::string& Msg) { ReportProgress(Sender, Stage, Percent, Redraw, R, Msg); };
}

TImage::~TImage() = default;

void TImage::SetAutoSize(bool Value) {
  if (Value == FAutoSize) return;
  FAutoSize = Value;
  int width = Width(), height = Height();
  if (FAutoSize && QueryAutoSize(width, height)) SetBounds(Left(), Top(), width, height);
}

bool TImage::QueryAutoSize(int& NewWidth, int& NewHeight) const {
  const TAlign align = Align();
  if (align == TAlign::alNone || align == TAlign::alLeft || align == TAlign::alRight) NewWidth = FPicture->Width();
  if (align == TAlign::alNone || align == TAlign::alTop || align == TAlign::alBottom) NewHeight = FPicture->Height();
  return true;
}

void TImage::SetCenter(bool Value) {
  if (Value == FCenter) return;
  FCenter = Value;
  PictureChanged(this);
}

void TImage::SetStretch(bool Value) {
  if (Value == FStretch) return;
  FStretch = Value;
  PictureChanged(this);
}

void TImage::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  PictureChanged(this);
}

RECT TImage::DestRect() const {
  if (FStretch) return RECT{0, 0, Width(), Height()};
  int w = FPicture->Width(), h = FPicture->Height();
  if (FCenter) {
    int left = (Width() - w) / 2, top = (Height() - h) / 2;  // truncates toward zero
    return RECT{left, top, left + w, top + h};
  }
  return RECT{0, 0, w, h};
}

HPALETTE TImage::ReadPalette() {
  TGraphic* g = FPicture->HeldGraphic();
  return g != nullptr ? g->PaletteHandle() : nullptr;
}

void TImage::PaintOn(TCanvas& Canvas) {
  bool wasDrawing = FDrawing;
  FDrawing = true;
  struct Restore {
    bool& Flag;
    bool Value;
    ~Restore() { Flag = Value; }
  } restore{FDrawing, wasDrawing};
  // Only a picture without a graphic draws nothing here: an empty graphic
  // still draws, as an empty JPEG must raise its error at its first draw.
  TGraphic* g = FPicture->HeldGraphic();
  if (g == nullptr) return;
  g->DrawInto(Canvas, DestRect());
}

void TImage::PaintNow() {
  if (Parent() == nullptr || Parent()->Handle() == nullptr || !Visible()) return;
  TWindowDC dc(Parent()->Handle());
  int saved = SaveDC(dc.Get());
  RECT r = BoundsRect();
  IntersectClipRect(dc.Get(), r.left, r.top, r.right, r.bottom);
  SetViewportOrgEx(dc.Get(), r.left, r.top, nullptr);
  TCanvas canvas(dc.Get());
  PaintOn(canvas);
  RestoreDC(dc.Get(), saved);
}

void TImage::PictureChanged(TObject* Sender) {
  if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
    SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
  if (TGraphic* g = FPicture->HeldGraphic()) {
    if (!KeepsOwnTransparency(*g)) g->SetTransparent(FTransparent);
    FOpaque = !(g->Transparent() || (!FStretch && (g->Width() < Width() || g->Height() < Height())));
    if (DoPaletteChange() && FDrawing && Parent() != nullptr) UpdateWindow(Parent()->Handle());
  } else {
    FOpaque = false;
  }
  if (!FDrawing) Invalidate();
}

bool TImage::DoPaletteChange() {
  TGraphic* g = FPicture->HeldGraphic();
  if (!Visible() || g == nullptr || !g->PaletteModified()) return false;
  if (g->PaletteHandle() == nullptr) {
    g->SetPaletteModified(false);
    return false;
  }
  HWND form = Parent() != nullptr && Parent()->Handle() != nullptr ? GetAncestor(Parent()->Handle(), GA_ROOT) : nullptr;
  if (form == nullptr || GetActiveWindow() != form) return false;
  if (FDrawing) SendMessageA(form, WM_QUERYNEWPALETTE, 0, 0);
  else PostMessageA(form, WM_QUERYNEWPALETTE, 0, 0);
  g->SetPaletteModified(false);
  return true;
}

void TImage::ReportProgress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                            const RECT& R, const std::string& Msg) {
  if (RedrawNow && IncrementalDisplay) {
    if (DoPaletteChange()) {
      if (Parent() != nullptr) UpdateWindow(Parent()->Handle());
    } else {
      PaintNow();
    }
  }
  if (OnProgress) OnProgress(Sender, Stage, PercentDone, RedrawNow, R, Msg);
}

}  // namespace vr
