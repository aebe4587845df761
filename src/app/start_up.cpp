#include "app/start_up.h"

#include <memory>

#include "app/about_box.h"
#include "app/image_libraries.h"
#include "app/main_form.h"
#include "app/splash_form.h"
#include "platform/application.h"

namespace vr {

int RunApplication() {
  TApplication& app = InitApplication();
  app.Title = "Vistaroam";
  int exitCode = 0;
  RegisterImageLibraries();
  {
    // Destroyed last made first, also after a failure half-way.
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TAboutBox> about;
    std::unique_ptr<TSplashForm> splash;
    try {
      form = std::make_unique<TForm1>(nullptr);
      Form1 = form.get();
      app.MainForm = form.get();
      about = std::make_unique<TAboutBox>(nullptr);
      AboutBox = about.get();
      splash = std::make_unique<TSplashForm>(nullptr);
      SplashForm = splash.get();
      form->ShowSplash = [] {
        if (SplashForm != nullptr) SplashForm->ShowInactive();
      };
      form->Show();
      app.Run();
    } catch (...) {
      // A window or timer the system refuses while the windows are made:
      // the user is told in the error box, and the program ends.
      app.HandleException();
      exitCode = 1;
    }
  }
  UnregisterImageLibraries();
  return exitCode;
}

}  // namespace vr
