// Start-up: the application takes its title, creates the main window, then
// the About and splash windows, and runs the message loop.
#include <windows.h>

#include <memory>

#include "app/main_form.h"
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
    form->Show();
    app.Run();
  }
  UnregisterImageLibraries();
  return 0;
}
