// The main window as a user meets it: its controls at start, the tool bar
// groups, the timing rules, abort, quit, the side panel and the error box.
#include <doctest/doctest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/image_libraries.h"
#include "app/start_up.h"
#include "pictures/picture.h"
#include "platform/exceptions.h"
#include "platform/scope_guard.h"
#include "support/app_fixture.h"
#include "support/byte_writer.h"

using namespace vr;
using namespace vr::test;

namespace {

std::string CurrentFolder() {
  char here[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, here);
  return here;
}

}  // namespace

TEST_CASE("the program's manifest: code page UTF-8, aware of the system dpi, Windows 7 to 11") {
  // Every executable that links the program's resources has it, these tests too.
  CHECK(GetACP() == CP_UTF8);
  auto setting = [](const wchar_t* Namespace, const wchar_t* Name) {
    wchar_t value[32] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, nullptr, Namespace, Name, value, 32, &written)) return std::wstring(L"(none)");
    return std::wstring(value);
  };
  CHECK(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware") == L"true");
  CHECK(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness") == L"system");

  // The compatibility section names Windows 7, 8, 8.1 and 10 (which is 11 too).
  std::vector<uint8_t> info(4096);
  SIZE_T size = 0;
  REQUIRE(QueryActCtxW(0, nullptr, nullptr, CompatibilityInformationInActivationContext, info.data(), info.size(),
                       &size));
  REQUIRE(size <= info.size());
  const GUID versions[] = {{0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}},
                           {0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}},
                           {0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}},
                           {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}}};
  for (const GUID& version : versions) {
    const auto* id = reinterpret_cast<const uint8_t*>(&version);
    CHECK(std::search(info.begin(), info.begin() + static_cast<ptrdiff_t>(size), id, id + sizeof version) !=
          info.begin() + static_cast<ptrdiff_t>(size));
  }
}

TEST_CASE("a fresh start shows the design values and the current folder") {
  TScratchTree tree;
  SetCurrentDirectoryA(tree.Root().c_str());
  TMainWindowFixture app;
  TForm1& f = app.Form();

  CHECK(f.Caption() == "Vistaroam");
  CHECK(f.SpeedButtonFast1->Down());
  CHECK_FALSE(f.SpeedButtonSlow1->Down());
  CHECK(f.SpeedButtonPause1->Down());
  CHECK(f.SpeedButtonNormal1->Down());
  CHECK(f.DisplayInterval == 100);
  CHECK(f.SoundInterval == 2);
  CHECK(f.MediaInterval == 2);
  CHECK(f.Timer1->Interval() == 100);
  CHECK(f.Timer1->Enabled());
  CHECK(f.SpinEditLoop1->Value() == 1);
  CHECK(f.Editpath1->Text() == CurrentFolder());
  CHECK(f.Editpath1->Text() == tree.Root());
  CHECK(f.StatusBar1->SimpleText() == "Test");
  CHECK(f.StatusBar2->SimpleText() == "");
  CHECK(app.Log() == "");
  CHECK(f.EditHeight1->Text() == "Height");
  CHECK(f.EditWidth1->Text() == "Width");
  CHECK(f.Image1->AutoSize());
  CHECK(f.Image1->Center());
  CHECK(f.Image1->Transparent());
  CHECK_FALSE(f.Image1->Stretch());
  CHECK(app.Boxes.empty());

  // Captions are the controls' window texts, so automation finds them by name.
  struct Expect {
    TControl* Control;
    const char* Caption;
    const char* Hint;
  };
  for (const Expect& e : {Expect{f.SpeedButtonQuit1, "Quit", "Quit program"},
                          Expect{f.SpeedButtonGo1, "Go ", "Go scan images"},
                          Expect{f.SpeedButtonAbort1, "Abort", "Abort scan"},
                          Expect{f.SpeedButtonPause1, "Pause Off", "Pause Scanning"},
                          Expect{f.SpeedButtonPause2, "Pause On", "Pause Scanning"},
                          Expect{f.SpeedButtonNormal1, "Normal", "Normal display ( no stretch)"},
                          Expect{f.SpeedButtonStretch1, "Stretch", "Stretch to fit screen"},
                          Expect{f.SpeedButtonScreen1, "Screen", "Toggle full screen"},
                          Expect{f.SpeedButtonFast1, "Fast", "Fast Scan"},
                          Expect{f.SpeedButtonSlow1, "Slow", "Slow scan"},
                          Expect{f.SpinEditSlow1, nullptr, "Time on Display in milli.sec"},
                          Expect{f.SpinEditSound0, nullptr, "Time for Sound in sec."},
                          Expect{f.SpinEditSound1, nullptr, "Time for Sound in secs"}}) {
    if (e.Caption != nullptr) CHECK(e.Control->Caption() == e.Caption);
    CHECK(e.Control->Hint() == e.Hint);
  }
  CHECK(f.GroupBox1->Caption() == "Control Image");
  CHECK(f.GroupBox2->Caption() == "Sound");
  CHECK(f.Label13->Caption() == "zero is auto");
  CHECK(f.CheckBoxJpg1->Checked());
  CHECK(f.CheckBoxBMP1->Checked());
  CHECK(f.CheckBoxGIF1->Checked());
  CHECK(f.CheckBoxPNG1->Checked());
  CHECK_FALSE(f.CheckBoxIco1->Checked());
  CHECK_FALSE(f.CheckBoxWmf1->Checked());
  CHECK_FALSE(f.CheckBoxEmf1->Checked());
  CHECK_FALSE(f.CheckBoxWav1->Checked());
  CHECK_FALSE(f.CheckBoxMp3->Checked());
  CHECK(f.SpinEditSlow1->MinValue == 200);
  CHECK(f.SpinEditSlow1->MaxValue == 10000);
  CHECK(f.SpinEditSlow1->Increment == 200);
  CHECK(f.SpinEditSound1->MaxValue == 500);
  CHECK(f.SpinEditSound0->Tag == 2);
  CHECK(f.SpinEditSound1->Tag == 3);
  CHECK(f.SpeedButtonSlow1->Tag == 1);
  CHECK(f.Image1->Tag == 1);

  // Layout: the tool bar on top, the status lines at the bottom with
  // StatusBar1 above StatusBar2, the side panel left of the picture area.
  CHECK(f.ToolBar1->Top() == 0);
  CHECK(f.ToolBar1->Height() == 29);
  CHECK(f.StatusBar1->Top() + 19 == f.StatusBar2->Top());
  CHECK(f.StatusBar2->Top() + 19 == f.ClientHeight());
  CHECK(f.PanelSide1->Width() == 313);
  CHECK(f.Panel3->Left() == 313);
  CHECK(f.SpeedButtonGo1->Left() > f.SpeedButtonQuit1->Left());
  CHECK(f.SpeedButtonAbout1->Left() > f.SpeedButtonSlow1->Left());
}

TEST_CASE("tool bar groups") {
  TMainWindowFixture app;
  TForm1& f = app.Form();

  SUBCASE("Quit, Go and Abort: at most one down, and a second press raises it") {
    TMainWindowFixture::Click(f.SpeedButtonAbort1);
    CHECK(f.SpeedButtonAbort1->Down());
    TMainWindowFixture::Click(f.SpeedButtonQuit1);  // answered No
    CHECK(f.SpeedButtonQuit1->Down());
    CHECK_FALSE(f.SpeedButtonAbort1->Down());
    TMainWindowFixture::Click(f.SpeedButtonQuit1);
    CHECK_FALSE(f.SpeedButtonQuit1->Down());
    CHECK_FALSE(f.SpeedButtonGo1->Down());
  }
  SUBCASE("the two Pause buttons are a two-way switch") {
    TMainWindowFixture::Click(f.SpeedButtonPause2);
    CHECK(f.SpeedButtonPause2->Down());
    CHECK_FALSE(f.SpeedButtonPause1->Down());
    TMainWindowFixture::Click(f.SpeedButtonPause2);
    CHECK(f.SpeedButtonPause2->Down());
    TMainWindowFixture::Click(f.SpeedButtonPause1);
    CHECK(f.SpeedButtonPause1->Down());
    CHECK_FALSE(f.SpeedButtonPause2->Down());
  }
  SUBCASE("Normal and Stretch may both be up, which means no stretching") {
    TMainWindowFixture::Click(f.SpeedButtonStretch1);
    CHECK(f.SpeedButtonStretch1->Down());
    CHECK_FALSE(f.SpeedButtonNormal1->Down());
    CHECK(f.Image1->Stretch());
    TMainWindowFixture::Click(f.SpeedButtonStretch1);
    CHECK_FALSE(f.SpeedButtonStretch1->Down());
    CHECK_FALSE(f.SpeedButtonNormal1->Down());
    CHECK_FALSE(f.Image1->Stretch());
    TMainWindowFixture::Click(f.SpeedButtonStretch1);
    TMainWindowFixture::Click(f.SpeedButtonNormal1);
    CHECK(f.SpeedButtonNormal1->Down());
    CHECK_FALSE(f.Image1->Stretch());
  }
  SUBCASE("the view options follow their check boxes") {
    TMainWindowFixture::Click(f.CheckBoxAutoSize1);
    CHECK_FALSE(f.Image1->AutoSize());
    TMainWindowFixture::Click(f.CheckBoxTransParent1);
    CHECK_FALSE(f.Image1->Transparent());
    TMainWindowFixture::Click(f.CheckBoxTransParent1);
    CHECK(f.Image1->Transparent());
  }
}

TEST_CASE("the timing handler follows the tag of the control that fired it") {
  TMainWindowFixture app;
  TForm1& f = app.Form();

  TMainWindowFixture::Click(f.SpeedButtonSlow1);
  CHECK(f.SpeedButtonSlow1->Down());
  CHECK(f.DisplayInterval == 1000);
  CHECK(f.Timer1->Interval() == 1000);

  // The Slow spin edit carries the Fast controls' tag: its change applies
  // the Fast value while Slow stays down.
  f.SpinEditSlow1->SetValue(2000);
  CHECK(f.SpeedButtonSlow1->Down());
  CHECK(f.DisplayInterval == 100);
  CHECK(f.Timer1->Interval() == 100);

  TMainWindowFixture::Click(f.SpeedButtonSlow1);
  CHECK(f.DisplayInterval == 2000);

  // The sound limits follow every timing change, typed keystroke by keystroke.
  TMainWindowFixture::Type(f.SpinEditSound0, "7");
  CHECK(f.SoundInterval == 7);
  CHECK(f.DisplayInterval == 2000);  // tag 2 leaves the display time alone
  TMainWindowFixture::Type(f.SpinEditSound1, "45");
  CHECK(f.MediaInterval == 45);
  TMainWindowFixture::Type(f.SpinEditFast1, "30");
  CHECK(f.DisplayInterval == 30);
}

TEST_CASE("the display timer keeps its countdown when given the value it has") {
  TMainWindowFixture app;
  TForm1& f = app.Form();
  f.Timer1->SetInterval(100);
  app.Clock.Advance(100);  // line up with a tick
  f.TimerElapsed = false;

  app.Clock.Advance(60);
  f.Timer1->SetInterval(100);
  f.Timer1->SetEnabled(true);
  app.Clock.Advance(39);
  CHECK_FALSE(f.TimerElapsed);
  app.Clock.Advance(1);
  CHECK(f.TimerElapsed);  // not restarted: 100 ms after the previous tick

  f.TimerElapsed = false;
  app.Clock.Advance(50);
  f.Timer1->SetInterval(200);  // a new value restarts the countdown
  app.Clock.Advance(199);
  CHECK_FALSE(f.TimerElapsed);
  app.Clock.Advance(1);
  CHECK(f.TimerElapsed);

  f.TimerElapsed = false;
  f.Timer1->SetInterval(0);  // 0 stops it
  CHECK_FALSE(app.Clock.Ticking(f.Timer1));
  app.Clock.Advance(1000);
  CHECK_FALSE(f.TimerElapsed);

  app.Clock.RefuseTimers = true;
  CHECK_THROWS_WITH_AS(f.Timer1->SetInterval(300), "Not enough timers available", EOutOfResources);
  app.Clock.RefuseTimers = false;
}

TEST_CASE("Abort without a run logs the abort and sets Loops to 1") {
  TMainWindowFixture app;
  TForm1& f = app.Form();
  f.SpinEditLoop1->SetValue(5);
  TMainWindowFixture::Click(f.SpeedButtonAbort1);
  CHECK(f.AbortRequested);
  CHECK(f.SpinEditLoop1->Value() == 1);
  CHECK(app.LogLines() == std::vector<std::string>{">> ABORTED <<"});
}

TEST_CASE("Quit asks first; No keeps the program running with Quit down") {
  TMainWindowFixture app;
  TForm1& f = app.Form();
  TMainWindowFixture::Click(f.SpeedButtonQuit1);
  REQUIRE(app.Boxes.size() == 1);
  CHECK(app.Boxes[0].Text == "Are you sure you want to Quit ?");
  CHECK(app.Boxes[0].Caption == "Confirm");
  CHECK((app.Boxes[0].Flags & MB_YESNO) == MB_YESNO);
  CHECK((app.Boxes[0].Flags & MB_ICONQUESTION) == MB_ICONQUESTION);
  CHECK(f.SpeedButtonQuit1->Down());
  CHECK(app.Log() == "");
  MSG msg;
  CHECK_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));

  app.Answers.push_back(IDYES);
  TMainWindowFixture::Click(f.SpeedButtonQuit1);  // raises it again: still asks
  CHECK(app.LogLines() == std::vector<std::string>{">> ABORTED <<"});
  CHECK(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_CASE("closing by the title bar ends the program without saving or aborting") {
  TMainWindowFixture app;  // a first start: nothing saved yet
  TForm1& f = app.Form();
  SendMessageA(f.Handle(), WM_CLOSE, 0, 0);
  MSG msg;
  CHECK(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  CHECK(app.Boxes.empty());
  CHECK(app.Log() == "");
  CHECK_FALSE(f.AbortRequested);
  HKEY key = nullptr;
  CHECK(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quorvane", 0, KEY_READ, &key) == ERROR_FILE_NOT_FOUND);
  if (key != nullptr) RegCloseKey(key);
}

TEST_CASE("Screen hides the side panel and the picture area takes its width") {
  TMainWindowFixture app;
  TForm1& f = app.Form();
  int full = f.Panel3->Width();
  TMainWindowFixture::Click(f.SpeedButtonScreen1);
  CHECK_FALSE(f.PanelSide1->Visible());
  CHECK_FALSE(IsWindowVisible(f.PanelSide1->Handle()));
  CHECK(f.Panel3->Left() == 0);
  CHECK(f.Panel3->Width() == full + 313);
  TMainWindowFixture::Click(f.SpeedButtonScreen1);
  CHECK(f.PanelSide1->Visible());
  CHECK(f.Panel3->Left() == 313);
  CHECK(f.Panel3->Width() == full);
}

TEST_CASE("an error in a handler reaches the error box and the program goes on") {
  TMainWindowFixture app;
  TForm1& f = app.Form();
  f.SpeedButtonScreen1->OnClick = [](TObject*) { throw EInOutError("File not found", 2); };
  TMainWindowFixture::Click(f.SpeedButtonScreen1);
  f.SpeedButtonScreen1->OnClick = [](TObject*) { throw Exception("Nothing to add!"); };
  TMainWindowFixture::Click(f.SpeedButtonScreen1);
  REQUIRE(app.Boxes.size() == 2);
  CHECK(app.Boxes[0].Text == "File not found.");
  CHECK(app.Boxes[0].Caption == "Vistaroam");
  CHECK((app.Boxes[0].Flags & MB_ICONERROR) == MB_ICONERROR);
  CHECK((app.Boxes[0].Flags & 0xF) == MB_OK);
  CHECK(app.Boxes[1].Text == "Nothing to add!");
  // Still alive: the next click works.
  TMainWindowFixture::Click(f.SpeedButtonAbort1);
  CHECK(f.SpeedButtonAbort1->Down());
}

TEST_CASE("a timer refused while the windows are made at start-up is shown, and the program ends") {
  // As a fresh process starts: no image libraries, no settings, no window.
  const bool registered = TFileFormatsList::Instance().FindByExtension("jpg") != nullptr;
  if (registered) UnregisterImageLibraries();
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvane");
  InitApplication();
  TVirtualClock clock;
  clock.RefuseTimers = true;
  Application->SetClock(&clock);
  std::vector<TModalRequest> boxes;
  Application->ModalHook = [&](const TModalRequest& Request) {
    boxes.push_back(Request);
    return IDOK;
  };
  int code = 0;
  CHECK_NOTHROW(code = RunApplication());
  CHECK(code == 1);
  REQUIRE(boxes.size() == 1);
  CHECK(boxes[0].Text == "Not enough timers available.");
  CHECK(boxes[0].Caption == "Vistaroam");
  CHECK(boxes[0].Flags == (MB_OK | MB_ICONERROR));
  // Nothing is left behind: no window, no main form, no registered formats.
  CHECK(Form1 == nullptr);
  CHECK(Application->MainForm == nullptr);
  CHECK(FindWindowA(nullptr, "Vistaroam") == nullptr);
  CHECK(TFileFormatsList::Instance().FindByExtension("jpg") == nullptr);

  Application->ModalHook = nullptr;
  Application->SetClock(nullptr);
  if (registered) RegisterImageLibraries();
}

TEST_CASE("a drawing that fails shows one error box and is not repeated for ever") {
  TMainWindowFixture app;
  TForm1& f = app.Form();
  struct TFailingView : TGraphicControl {
    using TGraphicControl::TGraphicControl;
    int Paints = 0;
    void PaintOn(TCanvas&) override {
      ++Paints;
      throw Exception("Drawing failed");
    }
  };
  auto* view = f.Make<TFailingView>(f.Panel3);
  view->SetBounds(10, 10, 50, 50);
  view->Invalidate();
  UpdateWindow(f.Panel3->Handle());
  Application->ProcessMessages();
  Application->ProcessMessages();
  CHECK(view->Paints == 1);
  REQUIRE(app.Boxes.size() == 1);
  CHECK(app.Boxes[0].Text == "Drawing failed.");
}

// ------------------------------------------------------------ dots per inch

namespace {

// The design rectangles at 96 dpi, in their parents' coordinates; -1 where
// the control's own rule or its alignment decides (a drop-down's height,
// the width of an aligned panel).
struct TDesignRect {
  const char* Name;
  int Left, Top, Width, Height;
};

TControl* ControlNamed(TWinControl& Parent, const std::string& Name) {
  for (TControl* c : Parent.Controls()) {
    if (c->Name == Name) return c;
    if (c->IsWindowed())
      if (TControl* below = ControlNamed(*static_cast<TWinControl*>(c), Name)) return below;
  }
  return nullptr;
}

// Every control of the table measures its design value × Dpi / 96, within
// two pixels (MulDiv rounding, and fonts that do not scale in whole pixels).
void CheckLayoutFor(TForm1& f, int Dpi) {
  const TDesignRect design[] = {
      {"ToolBar1", 0, 0, -1, 29},
      {"SpeedButtonQuit1", 0, 2, 45, 22},
      {"SpeedButtonAbout1", -1, 2, 25, 22},
      {"StatusBar1", 0, -1, -1, 19},
      {"StatusBar2", 0, -1, -1, 19},
      {"PanelSide1", 0, -1, 313, -1},
      {"Panel2", -1, -1, -1, 328},
      {"DriveComboBox1", 8, 16, 169, -1},
      {"SpeedButtonRefresh1", 176, 16, 17, 19},
      {"DirectoryListBox1", 8, 40, 185, 65},
      {"Editpath1", 8, 112, 185, 21},
      {"Labelloop1", 16, 144, -1, -1},
      {"SpinEditLoop1", 72, 141, 81, 21},
      {"Label13", 66, 163, -1, -1},
      {"GroupBox1", 198, 5, 105, 312},
      {"CheckBoxAutoSize1", 8, 16, 90, 17},
      {"SpinEditSlow1", 36, 69, 61, 21},
      {"CheckBoxEmf1", 8, 220, 90, 17},
      {"EditHeight1", 46, 241, 51, 21},
      {"EditWidth1", 46, 267, 51, 21},
      {"GroupBox2", 16, 176, 175, 137},
      {"CheckBoxWma", 92, 33, 75, 17},
      {"SpinEditSound1", 92, 68, 65, 21},
      {"MediaPlayer1", 14, 107, -1, 20},
  };
  for (const TDesignRect& d : design) {
    const std::string name = d.Name;
    CAPTURE(name);
    TControl* c = ControlNamed(f, name);
    REQUIRE(c != nullptr);
    const std::string measured = std::to_string(c->Left()) + "," + std::to_string(c->Top()) + " " +
                                 std::to_string(c->Width()) + " x " + std::to_string(c->Height());
    CAPTURE(measured);
    auto fits = [Dpi](int Measured, int Design) {
      return Design < 0 || std::abs(Measured - MulDiv(Design, Dpi, 96)) <= 2;
    };
    CHECK(fits(c->Left(), d.Left));
    CHECK(fits(c->Top(), d.Top));
    CHECK(fits(c->Width(), d.Width));
    CHECK(fits(c->Height(), d.Height));
  }
  // Texts measured in the scaled font still fit: the tool bar's captions
  // set its buttons' widths, the labels are as wide as their captions.
  CHECK(f.SpeedButtonPause1->Width() >= f.SpeedButtonPause1->TextWidth() + MulDiv(12, Dpi, 96) - 1);
  CHECK(f.Label9->Width() >= f.Label9->TextWidth());
  CHECK(f.Label9->Left() + f.Label9->Width() <= f.Label8->Left());
  // The folder list's rows grow with the dpi.
  CHECK(f.DirectoryListBox1->ItemHeight() >= MulDiv(16, Dpi, 96) - 2);
}

// A 640 × 480 bitmap in the picture area covers 640 × 480 device pixels,
// whatever the dpi: pictures are never blown up.
void CheckPictureAtNaturalSize(TForm1& f) {
  TScratchTree tree;
  const int w = 640, h = 480, stride = w * 3;
  TByteWriter bmp;
  bmp.u8('B').u8('M').u32(54 + stride * h).u32(0).u32(54);
  bmp.u32(40).u32(w).u32(h).u16(1).u16(24).u32(0).u32(stride * h).u32(0).u32(0).u32(0).u32(0);
  // Red, stored blue-green-red, but for the first pixel (bottom left): the
  // view draws transparently, and that pixel's colour is the one left out.
  bmp.u8(255).u8(0).u8(0);
  for (int i = 1; i < w * h; ++i) bmp.u8(0).u8(0).u8(255);
  f.Image1->Picture().LoadFile(tree.File("wide.bmp", bmp.v));
  const RECT dest = f.Image1->DestRect();
  CHECK(dest.right - dest.left == w);
  CHECK(dest.bottom - dest.top == h);

  // Drawn into a canvas with room round it, the red pixels span 640 × 480.
  const int cw = w + 100, ch = h + 100;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), cw, -ch, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  TMemoryDC dc(CreateCompatibleDC(nullptr));
  TBitmapHandle target(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  REQUIRE(bits != nullptr);
  TSelectObject selected(dc.Get(), target.Get());
  SetViewportOrgEx(dc.Get(), 50 - dest.left, 50 - dest.top, nullptr);
  TCanvas canvas(dc.Get());
  f.Image1->PaintOn(canvas);
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  int left = cw, top = ch, right = 0, bottom = 0, red = 0;
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x)
      if ((pixels[y * cw + x] & 0xFFFFFF) == 0xFF0000) {
        ++red;
        left = std::min(left, x), top = std::min(top, y);
        right = std::max(right, x + 1), bottom = std::max(bottom, y + 1);
      }
  CHECK(red == w * h - 1);
  CHECK(right - left == w);
  CHECK(bottom - top == h);
}

}  // namespace

TEST_CASE("the scaling pass lays the main window out for the dpi it is given") {
  for (int dpi : {96, 120, 144, 192}) {
    CAPTURE(dpi);
    TMainWindowFixture app;
    app.Form().ChangeScale(dpi);
    CHECK(app.Form().PixelsPerInch() == dpi);
    CheckLayoutFor(app.Form(), dpi);
  }
}

// Run by the case below in a child process, after the prefix's dpi was set.
TEST_CASE("the program scales for the screen's dpi") {
  const char* expected = std::getenv("VR_EXPECT_DPI");
  const int dpi = expected != nullptr ? std::atoi(expected) : 96;
  REQUIRE(ScreenPixelsPerInch() == dpi);
  TMainWindowFixture app;
  CHECK(app.Form().PixelsPerInch() == dpi);
  CheckLayoutFor(app.Form(), dpi);
  CheckPictureAtNaturalSize(app.Form());
}

TEST_CASE("the real program follows the prefix's LogPixels") {
  // Wine takes the dpi from HKCU\Control Panel\Desktop when a process
  // starts; each child runs the case above under a new value.
  HKEY desktop = nullptr;
  REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &desktop, nullptr) == ERROR_SUCCESS);
  TScopeGuard restore([desktop] {
    RegDeleteValueA(desktop, "LogPixels");
    RegCloseKey(desktop);
  });
  char self[MAX_PATH];
  REQUIRE(GetModuleFileNameA(nullptr, self, MAX_PATH) > 0);
  for (int dpi : {120, 144, 192}) {
    CAPTURE(dpi);
    const DWORD value = static_cast<DWORD>(dpi);
    REQUIRE(RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
            ERROR_SUCCESS);
    SetEnvironmentVariableA("VR_EXPECT_DPI", std::to_string(dpi).c_str());
    std::string command = std::string("\"") + self + "\" -tc=\"the program scales for the screen's dpi\"";
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION child{};
    const BOOL started =
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child);
    SetEnvironmentVariableA("VR_EXPECT_DPI", nullptr);
    REQUIRE(started);
    TKernelHandle process(child.hProcess), thread(child.hThread);
    REQUIRE(WaitForSingleObject(child.hProcess, 120000) == WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CHECK(code == 0);
  }
}
