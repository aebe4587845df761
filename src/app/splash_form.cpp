#include "app/splash_form.h"

#include "app/start_picture.h"

namespace vr {

TSplashForm* SplashForm = nullptr;

namespace {

TCustomForm::TParams SplashParams() {
  TCustomForm::TParams p;
  p.BorderStyle = TBorderStyle::bsNone;
  p.StayOnTop = true;
  p.BorderWidth = 5;
  return p;
}

}  // namespace

TSplashForm::TSplashForm(TComponent* AOwner) : TCustomForm(AOwner, SplashParams()) {
  Name = "SplashForm";
  Color = clHighlightText;
  SetClientSize(316, 204);
  Panel1 = Make<TPanel>(this);
  Panel1->Name = "Panel1";
  Panel1->SetAlign(TAlign::alClient);
  Panel1->OnClick = [this](TObject* s) { Panel1Click(s); };
  Image1 = Make<TImage>(Panel1);
  Image1->Name = "Image1";
  Image1->SetAutoSize(true);
  Image1->SetCenter(true);
  Image1->SetAlign(TAlign::alClient);
  LoadStartPicture(Image1->Picture());
  Image1->OnClick = [this](TObject* s) { Image1Click(s); };
  Timer1 = Make<TTimer>();
  Timer1->Name = "Timer1";
  Timer1->SetInterval(3300);  // counts from creation, not from showing
  Timer1->SetOnTimer([this](TObject* s) { Timer1Timer(s); });
  ScaleToScreen();
  Loaded();
  FormCreate(this);
}

TSplashForm::~TSplashForm() {
  if (SplashForm == this) SplashForm = nullptr;
}

void TSplashForm::FormCreate(TObject* Sender) {
  int width = Image1->Width() + Scaled(10), height = Image1->Height() + Scaled(4);
  int left = GetSystemMetrics(SM_CXSCREEN) - width, top = GetSystemMetrics(SM_CYSCREEN) - height;
  SetBounds(left, top, width, height);
}

void TSplashForm::Timer1Timer(TObject* Sender) { Close(); }

void TSplashForm::Panel1Click(TObject* Sender) { Close(); }

void TSplashForm::Image1Click(TObject* Sender) { Close(); }

}  // namespace vr
