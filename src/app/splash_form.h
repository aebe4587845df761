// The splash window: the start picture in the bottom-right corner of the
// screen for a few seconds after start-up.
#pragma once

#include "pictures/image_view.h"
#include "platform/forms.h"
#include "platform/std_controls.h"
#include "platform/timer.h"

namespace vr {

class TSplashForm : public TCustomForm {
 public:
  explicit TSplashForm(TComponent* AOwner);
  ~TSplashForm() override;
  const char* ClassName() const override { return "TSplashForm"; }

  TPanel* Panel1;
  TImage* Image1;
  TTimer* Timer1;

  void FormCreate(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void Panel1Click(TObject* Sender);
  void Image1Click(TObject* Sender);
};

extern TSplashForm* SplashForm;

}  // namespace vr
