// The About window and the splash window.
#include <doctest/doctest.h>

#include <cstdlib>

#include "app/about_box.h"
#include "app/splash_form.h"
#include "platform/scope_guard.h"
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

  // A click on the web address hides it too: the mouse lands on the label,
  // not on the panel behind it, and the label reports the click.
  TMainWindowFixture::Click(app.Form().SpeedButtonAbout1);
  REQUIRE(IsWindowVisible(about.Handle()));
  RECT label;
  GetWindowRect(about.Label1->Handle(), &label);
  CHECK(SendMessageA(about.Label1->Handle(), WM_NCHITTEST, 0, MAKELPARAM(label.left + 2, label.top + 2)) == HTCLIENT);
  SendMessageA(about.Label1->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageA(about.Label1->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  CHECK_FALSE(IsWindowVisible(about.Handle()));
  AboutBox = nullptr;
}

TEST_CASE("an About window grown to fit its texts is centred on the screen again") {
  TMainWindowFixture app;
  TAboutBox about(nullptr);
  const int designWidth = about.Width();
  about.ShowAbout("Vistaroam", "Build 107", "a notice far longer than the window was made for, to be read whole",
                  "Vistaroam Utilities");
  REQUIRE(about.Width() > designWidth);
  RECT copyright;
  GetWindowRect(about.Copyright->Handle(), &copyright);
  CHECK(copyright.right <= about.Left() + about.Width());  // nothing cut
  CHECK(std::abs(2 * about.Left() + about.Width() - GetSystemMetrics(SM_CXSCREEN)) <= 1);
  CHECK(std::abs(2 * about.Top() + about.Height() - GetSystemMetrics(SM_CYSCREEN)) <= 1);
}

TEST_CASE("a user name that does not fit 30 characters gives na") {
  TScopeGuard restore([] { GetUserNameCall = GetUserNameA; });
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
  // Characters, not bytes: 29 Cyrillic letters take 58 bytes in UTF-8.
  GetUserNameCall = [](LPSTR Buffer, LPDWORD Size) -> BOOL {
    const char name[] = "Александра Константиновна Ива";  // 29 characters
    if (*Size < sizeof name) return FALSE;
    lstrcpyA(Buffer, name);
    *Size = sizeof name;
    return TRUE;
  };
  CHECK(LogonUserText() == "Александра Константиновна Ива");
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

  // The picture view fills the panel, inside its bevel.
  RECT inside = splash.Panel1->AlignRect();
  RECT view = splash.Image1->BoundsRect();
  CHECK(EqualRect(&view, &inside));

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

TEST_CASE("the About window shows the program's logo and icon") {
  TMainWindowFixture app;
  TAboutBox about(nullptr);
  REQUIRE(about.Image1->Picture().HeldGraphic() != nullptr);
  CHECK(about.Image1->Picture().Width() == 157);
  REQUIRE(about.Image2->Picture().HeldGraphic() != nullptr);
  CHECK(std::string(about.Image2->Picture().HeldGraphic()->ClassName()) == "TIcon");
}
