// The About window and the splash window.
#include <doctest/doctest.h>

#include "app/about_box.h"
#include "app/splash_form.h"
#include "support/app_fixture.h"

using namespace vr;
using namespace vr::test;

TEST_CASE("About shows product, version, rights, comments, user and memory, in one window") {
  TMainWindowFixture app;
  TAboutBox about(nullptr);
  AboutBox = &about;
  CHECK_FALSE(IsWindowVisible(about.Handle()));
  TMainWindowFixture::Click(app.Form().SpeedButtonAbout1);
  CHECK(IsWindowVisible(about.Handle()));
  CHECK(about.Caption() == "ABOUT Vistaroam");
  CHECK(about.ProductName->Caption() == "Vistaroam");
  CHECK(about.Version->Caption() == "Version: Build 107");
  CHECK(about.Copyright->Caption().rfind("Copyright: ", 0) == 0);
  CHECK(about.Comments->Caption() == "Vistaroam Utilities");
  CHECK(about.LabelUser1->Caption() == "User: " + LogonUserText());
  CHECK(LogonUserText() != "na");
  std::string memory = about.LabelRes1->Caption();
  CHECK(memory.rfind("Memory  Total/Free: ", 0) == 0);
  CHECK(memory.size() > 28);
  CHECK(memory.substr(memory.size() - 5) == " kb. ");
  CHECK((GetWindowLongA(about.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);

  about.LabelRes1->SetCaption("stale");
  TMainWindowFixture::Click(app.Form().SpeedButtonAbout1);  // again, while open
  CHECK(about.LabelRes1->Caption().rfind("Memory  Total/Free: ", 0) == 0);
  CHECK(FindWindowA(nullptr, "ABOUT Vistaroam") == about.Handle());

  SendMessageA(about.Handle(), WM_CLOSE, 0, 0);  // the close box only hides it
  CHECK_FALSE(IsWindowVisible(about.Handle()));
  CHECK(IsWindow(about.Handle()));
  MSG msg;
  CHECK_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  AboutBox = nullptr;
}

TEST_CASE("a user name that does not fit 30 characters gives na") {
  struct TRestore {
    ~TRestore() { GetUserNameCall = GetUserNameA; }
  } restore;
  // The system call fails with "buffer too small" for 30 characters or more.
  GetUserNameCall = [](LPSTR Buffer, LPDWORD Size) -> BOOL {
    const char name[] = "abcdefghijklmnopqrstuvwxyz0123";  // 30 characters
    if (*Size < sizeof name) {
      *Size = sizeof name;
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    lstrcpyA(Buffer, name);
    return TRUE;
  };
  CHECK(LogonUserText() == "na");
  GetUserNameCall = [](LPSTR Buffer, LPDWORD Size) -> BOOL {
    const char name[] = "abcdefghijklmnopqrstuvwxyz012";  // 29 characters and the NUL fit
    if (*Size < sizeof name) return FALSE;
    lstrcpyA(Buffer, name);
    *Size = sizeof name;
    return TRUE;
  };
  CHECK(LogonUserText() == "abcdefghijklmnopqrstuvwxyz012");
}

TEST_CASE("the splash shows once at the first activation and hides at its timer or a click") {
  TMainWindowFixture app;
  TSplashForm splash(nullptr);
  SplashForm = &splash;
  app.Form().SplashPending = true;
  app.Form().ShowSplash = [&] { splash.ShowInactive(); };
  CHECK_FALSE(IsWindowVisible(splash.Handle()));
  app.Form().FormActivate(&app.Form());
  CHECK(IsWindowVisible(splash.Handle()));
  CHECK_FALSE(app.Form().SplashPending);

  // The timer counts from creation: 3300 ms after it, the splash goes.
  app.Clock.Advance(3299);
  CHECK(IsWindowVisible(splash.Handle()));
  app.Clock.Advance(1);
  CHECK_FALSE(IsWindowVisible(splash.Handle()));

  // A later activation does not bring it back.
  app.Form().FormActivate(&app.Form());
  CHECK_FALSE(IsWindowVisible(splash.Handle()));

  // It sits in the bottom-right corner of the screen.
  CHECK(splash.Left() + splash.Width() == GetSystemMetrics(SM_CXSCREEN));
  CHECK(splash.Top() + splash.Height() == GetSystemMetrics(SM_CYSCREEN));

  // A click on the panel hides it at once; the main window is unaffected.
  splash.SetBounds(0, 0, 200, 100);
  splash.ShowInactive();
  SendMessageA(splash.Panel1->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  SendMessageA(splash.Panel1->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
  CHECK_FALSE(IsWindowVisible(splash.Handle()));
  CHECK(IsWindowVisible(app.Form().Handle()));

  SplashForm = nullptr;
}
