// Shows the main window in a given folder with the drive selector dropped
// down for the first half of the given time and closed for the second, for
// screenshots of the folder controls (tests/controls/screenshot.sh).
// Usage: controls_screen.exe FOLDER [SECONDS]
#include <windows.h>

#include <cstdlib>
#include <memory>

#include "app/image_libraries.h"
#include "app/main_form.h"
#include "platform/application.h"

int main(int argc, char** argv) {
  using namespace vr;
  if (argc > 1) SetCurrentDirectoryA(argv[1]);
  const DWORD seconds = argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 10;
  TApplication& app = InitApplication();
  app.Title = "Vistaroam";
  RegisterImageLibraries();
  {
    auto form = std::make_unique<TForm1>(nullptr);
    Form1 = form.get();
    app.MainForm = form.get();
    form->Show();
    app.ProcessMessages();
    HWND combo = form->DriveComboBox1->Handle();
    SetFocus(combo);
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    const DWORD start = GetTickCount();
    bool open = true;
    while (GetTickCount() - start < seconds * 1000 && !app.Terminated()) {
      if (open && GetTickCount() - start >= seconds * 500) {
        SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
        open = false;
      }
      app.ProcessMessages();
      Sleep(20);
    }
  }
  UnregisterImageLibraries();
  return 0;
}
