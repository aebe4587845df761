// Start-up: the application takes its title, creates the main window, then
// the About and splash windows (hidden), and runs the message loop.
#include <windows.h>

#include <memory>

#include "app/about_box.h"
#include "app/main_form.h"
#include "app/splash_form.h"
#include "pictures/builtin_formats.h"
#include "platform/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace vr;
  TApplication& app = InitApplication();
  app.Title = "Vistaroam";
  RegisterImageLibraries();
  {
    auto form = std::make_unique<TForm1>(nullptr);
    Form1 = form.get();
    app.MainForm = form.get();
    auto about = std::make_unique<TAboutBox>(nullptr);
    AboutBox = about.get();
    auto splash = std::make_unique<TSplashForm>(nullptr);
    SplashForm = splash.get();
    form->ShowSplash = [] {
      if (SplashForm != nullptr) SplashForm->ShowInactive();
    };
    form->Show();
    app.Run();
  }
  UnregisterImageLibraries();
  return 0;
}
