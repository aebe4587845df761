// The scan run driven through the real main window over folder trees the
// tests make, in virtual time.
#include <doctest/doctest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <thread>

#include "pictures/picture.h"
#include "platform/exceptions.h"
#include "platform/handles.h"
#include "support/app_fixture.h"
#include "support/byte_writer.h"

using namespace vr;
using namespace vr::test;

namespace {

using Lines = std::vector<std::string>;

// Points the folder list at Folder and presses Go; returns when the run ends.
void Go(TMainWindowFixture& app, const std::string& Folder) {
  app.Form().DirectoryListBox1->SetDirectory(Folder);
  TMainWindowFixture::Click(app.Form().SpeedButtonGo1);
}

std::string Upper(const std::string& s) { return AsciiUpperCase(s); }

// A RIFF WAVE file of Ms milliseconds of silence.
std::vector<uint8_t> SilentWave(int Ms) {
  const uint32_t rate = 8000, bytes = rate * static_cast<uint32_t>(Ms) / 1000;
  TByteWriter w;
  w.tag("RIFF").u32(36 + bytes).tag("WAVE").tag("fmt ").u32(16);
  w.u16(1).u16(1).u32(rate).u32(rate).u16(1).u16(8);  // PCM, mono, a byte a sample
  w.tag("data").u32(bytes).fill(bytes, 0x80);
  return w.v;
}

// Looks at the main window while a walk runs: a thread of its own posts a
// message, the walk's cycle of message processing after an entry handles it
// on the main thread (the look), and the thread posts the next one. Each
// look advances virtual time by a millisecond, so the status line's frame
// clock runs as the looks go by.
class TWalkProbe {
 public:
  // Runs at every look with the status text as read through WM_GETTEXT;
  // answers whether to go on looking.
  explicit TWalkProbe(TMainWindowFixture& App, std::function<bool(const std::string& Status)> OnLook)
      : FApp(App), FOnLook(std::move(OnLook)) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &TWalkProbe::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VistaroamWalkProbe";
    RegisterClassA(&wc);
    FWindow = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    FPoster = std::thread([this] {
      while (!FStop) {
        ResetEvent(FHandled.Get());
        PostMessageA(FWindow, WM_APP, 0, 0);
        WaitForSingleObject(FHandled.Get(), 50);
      }
    });
  }
  ~TWalkProbe() {
    FStop = true;
    FPoster.join();
    DestroyWindow(FWindow);
  }
  TWalkProbe(const TWalkProbe&) = delete;
  TWalkProbe& operator=(const TWalkProbe&) = delete;
  int Looks() const { return FLooks; }

 private:
  static LRESULT CALLBACK Proc(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TWalkProbe*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
    if (Msg != WM_APP || self == nullptr) return DefWindowProcA(Wnd, Msg, wParam, lParam);
    if (!self->FStop) {
      char text[1024];
      SendMessageA(self->FApp.Form().StatusBar1->Handle(), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
      ++self->FLooks;
      self->FApp.Clock.Advance(1);
      if (!self->FOnLook(text)) self->FStop = true;
    }
    SetEvent(self->FHandled.Get());
    return 0;
  }
  TMainWindowFixture& FApp;
  std::function<bool(const std::string&)> FOnLook;
  HWND FWindow = nullptr;
  TKernelHandle FHandled{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  std::atomic<bool> FStop{false};
  int FLooks = 0;
  std::thread FPoster;
};

// Bitmaps of the test's own: a file that says "fault" fails its load the way
// a programming fault does (a container's index out of range); any other is
// refused as a bad picture.
class TFaultyBitmap : public TGraphic {
  VR_GRAPHIC_CLASS(TFaultyBitmap)

 public:
  void DrawInto(TCanvas&, const RECT&) override {}
  bool ReadEmpty() const override { return true; }
  int ReadHeight() const override { return 0; }
  int ReadWidth() const override { return 0; }
  void WriteHeight(int) override {}
  void WriteWidth(int) override {}
  void LoadFromStream(TStream& Stream) override {
    std::string head(5, '\0');
    head.resize(Stream.Read(head.data(), head.size()));
    if (head == "fault") std::vector<int>().at(5);
    throw EInvalidGraphic("refused by the test format");
  }
  void SaveToStream(TStream&) override {}
};

VR_DEFINE_GRAPHIC_CLASS(TFaultyBitmap, TGraphic)

}  // namespace

TEST_CASE("helpers: trailing blanks, separators and ASCII upper case") {
  CHECK(TrimTrailingBlanks("C:\\Pics  ") == "C:\\Pics");
  CHECK(TrimTrailingBlanks("   ") == "   ");
  CHECK(TrimTrailingBlanks("") == "");
  CHECK(TrimTrailingBlanks("a\t") == "a\t");  // only spaces are blanks
  CHECK(IncludeTrailingSeparator("D:\\Pics ") == "D:\\Pics\\");
  CHECK(IncludeTrailingSeparator("D:\\") == "D:\\");
  CHECK(IncludeTrailingSeparator("") == "");
  CHECK(AsciiUpperCase("pic.jpg \xe9t\xe9") == "PIC.JPG \xe9T\xe9");
}

TEST_CASE("an empty folder gives the pass line, the folder line and a count of 0") {
  TScratchTree tree;
  TMainWindowFixture app;
  Go(app, tree.Root());
  CHECK(app.LogLines() == Lines{" Loop: 1", ">" + tree.Root() + "*.*   ", "Found: 0 Loops: 1"});
  CHECK(app.Form().Labelloop1->Caption() == " Loop: 1");
  CHECK(app.Form().Editpath1->Text() == tree.Root());
  CHECK_FALSE(app.Form().SpeedButtonGo1->Down());
  CHECK(app.Form().StatusBar1->SimpleText() == "Scan: " + tree.Root() + "\\*.*  ..");
}

TEST_CASE("Loops 3 gives three passes, each starting with a cleared log") {
  TScratchTree tree;
  tree.File("A.JPG");
  TMainWindowFixture app;
  app.Form().SpinEditLoop1->SetValue(3);
  std::vector<Lines> seen;
  // Every pass waits once, on A.JPG; look at the log then.
  std::function<void()> look = [&] {
    seen.push_back(app.LogLines());
    if (seen.size() < 3) app.Clock.After(100, look);
  };
  app.Clock.After(50, look);
  Go(app, tree.Root());
  const std::string folder = ">" + tree.Root() + "*.*   ";
  const std::string bad = "++++ Bad Image File: " + Upper(tree.Path("A.JPG"));
  REQUIRE(seen.size() == 3);
  for (int pass = 1; pass <= 3; ++pass)
    CHECK(seen[pass - 1] == Lines{" Loop: " + std::to_string(pass), folder, bad});
  CHECK(app.LogLines() == Lines{" Loop: 3", folder, bad, "Found: 1 Loops: 3"});
  CHECK(app.Form().Labelloop1->Caption() == " Loop: 3");
}

TEST_CASE("files are picked by what their path contains, not by extension") {
  TScratchTree tree;
  tree.File("PHOTO.JPEG");
  tree.File("PIC.JPG.BAK");
  tree.File("PIC.JPG.LNK");
  tree.File("notes.txt");
  tree.Folder("pics.bmp");
  tree.File("pics.bmp\\readme");
  TMainWindowFixture app;
  Go(app, tree.Root());
  CHECK(app.LogLines() == Lines{" Loop: 1", ">" + tree.Root() + "*.*   ",
                                "++++ Bad Image File: " + Upper(tree.Path("PIC.JPG.BAK")),
                                "++++ Bad Image File: " + Upper(tree.Path("pics.bmp\\readme")), "Found: 2 Loops: 1"});
  CHECK(app.Form().StatusBar2->SimpleText() == "Found: " + Upper(tree.Path("pics.bmp\\readme")));
}

TEST_CASE("unticked types are passed over; ticked ones count") {
  TScratchTree tree;
  tree.File("A.GIF");
  tree.File("B.ICO");
  tree.File("C.PNG");
  TMainWindowFixture app;
  TMainWindowFixture::Click(app.Form().CheckBoxGIF1);  // off
  TMainWindowFixture::Click(app.Form().CheckBoxIco1);  // on
  Go(app, tree.Root());
  CHECK(app.LogLines() == Lines{" Loop: 1", ">" + tree.Root() + "*.*   ",
                                "++++ Bad Image File: " + Upper(tree.Path("B.ICO")),
                                "++++ Bad Image File: " + Upper(tree.Path("C.PNG")), "Found: 2 Loops: 1"});
}

TEST_CASE("hidden files are collected and folders starting with a dot are never entered") {
  TScratchTree tree;
  std::string hidden = tree.File("H.JPG");
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  tree.File(".secret\\X.JPG");
  tree.File("sub\\.dotfile.JPG");
  TMainWindowFixture app;
  Go(app, tree.Root());
  CHECK(app.LogLines() == Lines{" Loop: 1", ">" + tree.Root() + "*.*   ",
                                "++++ Bad Image File: " + Upper(tree.Path("H.JPG")),
                                "++++ Bad Image File: " + Upper(tree.Path("sub\\.dotfile.JPG")),
                                "Found: 2 Loops: 1"});
}

TEST_CASE("Abort during a wait three levels deep ends every level") {
  TScratchTree tree;
  tree.File("A\\B\\C\\PIC.JPG");
  tree.File("A\\B\\C\\QUIT.JPG");
  tree.File("A\\B\\Z.JPG");
  tree.File("Z.JPG");
  TMainWindowFixture app;
  app.Form().SpinEditLoop1->SetValue(4);
  app.Clock.After(30, [&] { TMainWindowFixture::Click(app.Form().SpeedButtonAbort1); });
  Go(app, tree.Root());
  CHECK(app.LogLines() == Lines{" Loop: 1", ">" + tree.Root() + "*.*   ",
                                "++++ Bad Image File: " + Upper(tree.Path("A\\B\\C\\PIC.JPG")), ">> ABORTED <<",
                                "Found: 1 Loops: 1"});
  CHECK(app.Form().SpinEditLoop1->Value() == 1);
  CHECK_FALSE(app.Form().SpeedButtonGo1->Down());
}

TEST_CASE("Pause On holds a picture until Pause Off, which moves on at once") {
  TScratchTree tree;
  tree.File("A.JPG");
  tree.File("B.JPG");
  TMainWindowFixture app;
  TForm1& f = app.Form();
  std::string shownAt5000, shownAfterOff;
  uint64_t secondStarted = 0;
  app.Clock.After(10, [&] { TMainWindowFixture::Click(f.SpeedButtonPause2); });
  // Between two ticks of the 100 ms timer, so the next tick is not the reason to move on.
  app.Clock.After(5050, [&] {
    shownAt5000 = f.StatusBar2->SimpleText();
    TMainWindowFixture::Click(f.SpeedButtonPause1);
    app.Clock.After(1, [&] {
      shownAfterOff = f.StatusBar2->SimpleText();
      secondStarted = app.Clock.Now();
    });
  });
  Go(app, tree.Root());
  CHECK(shownAt5000 == "Found: " + Upper(tree.Path("A.JPG")));
  CHECK(shownAfterOff == "Found: " + Upper(tree.Path("B.JPG")));
  CHECK(secondStarted == 5051);
}

TEST_CASE("a second Go during a wait nests a whole run, then the outer run goes on") {
  TScratchTree tree;
  tree.File("A.JPG");
  tree.File("B.JPG");
  TMainWindowFixture app;
  app.Clock.After(50, [&] { TMainWindowFixture::Click(app.Form().SpeedButtonGo1); });
  Go(app, tree.Root());
  const std::string a = "++++ Bad Image File: " + Upper(tree.Path("A.JPG"));
  const std::string b = "++++ Bad Image File: " + Upper(tree.Path("B.JPG"));
  CHECK(app.LogLines() ==
        Lines{" Loop: 1", ">" + tree.Root() + "*.*   ", a, b, "Found: 2 Loops: 1", b, "Found: 3 Loops: 1"});
}

TEST_CASE("a sound that cannot be opened ends the whole run with the error box") {
  TScratchTree tree;
  tree.File("SONGS.MP3\\NOTES.TXT");
  tree.File("Z.JPG");
  TMainWindowFixture app;
  TMainWindowFixture::Click(app.Form().CheckBoxMp3);
  Go(app, tree.Root());
  REQUIRE(app.Boxes.size() == 1);
  CHECK(app.Boxes[0].Caption == "Vistaroam");
  CHECK((app.Boxes[0].Flags & MB_ICONERROR) == MB_ICONERROR);
  CHECK_FALSE(app.Boxes[0].Text.empty());
  CHECK(app.LogLines() == Lines{" Loop: 1", ">" + tree.Root() + "*.*   "});
  CHECK(app.Form().SpeedButtonGo1->Down());
  CHECK(app.Form().FoundCount == 1);
}

TEST_CASE("a file that is a picture and a sound is shown, then played, and counted twice") {
  TScratchTree tree;
  tree.File("TUNE.JPG.WAV", SilentWave(300));
  TMainWindowFixture app;
  TMainWindowFixture::Click(app.Form().CheckBoxWav1);
  Go(app, tree.Root());
  CHECK(app.Boxes.empty());
  CHECK(app.LogLines() == Lines{" Loop: 1", ">" + tree.Root() + "*.*   ",
                                "++++ Bad Image File: " + Upper(tree.Path("TUNE.JPG.WAV")), "Found: 2 Loops: 1"});
  CHECK_FALSE(app.Form().MediaPlayer1->IsOpen());
  CHECK_FALSE(app.Form().Timer1->Enabled());  // stopped after the sound
}

TEST_CASE("a fault in a picture's load is a bad file to the user and counted as a fault; our own error is not") {
  TPicture::RegisterPictureFormat("bmp", "Test", TFaultyBitmap::StaticClass());
  struct TUnregister {
    ~TUnregister() { TPicture::UnregisterPictureClass(TFaultyBitmap::StaticClass()); }
  } unregister;
  TScratchTree tree;
  tree.File("A.BMP", "fault");
  tree.File("B.BMP", "bad");
  TMainWindowFixture app;
  Go(app, tree.Root());
  CHECK(app.LogLines() == Lines{" Loop: 1", ">" + tree.Root() + "*.*   ",
                                "++++ Bad Image File: " + Upper(tree.Path("A.BMP")),
                                "++++ Bad Image File: " + Upper(tree.Path("B.BMP")), "Found: 2 Loops: 1"});
  CHECK(app.Boxes.empty());
  const TFaults faults = TakeFaults();
  CHECK(faults.Count == 1);
  CHECK(faults.First.rfind("std::out_of_range: ", 0) == 0);
}

TEST_CASE("the walk survives links, vanishing folders, long names and deep trees") {
  const char* walkTree = std::getenv("VR_WALK_TREE");
  REQUIRE(walkTree != nullptr);
  const std::string root = walkTree;
  // The tree's .JPG files are empty: empty JPEG pictures, shown without a log
  // line, each raising its JPEG error once if it is drawn at all.
  auto onlyEmptyPictureErrors = [](TMainWindowFixture& app) {
    for (const TModalRequest& box : app.Boxes) CHECK(box.Text.rfind("JPEG error #", 0) == 0);
  };

  SUBCASE("a link back to an ancestor ends at the path-length limit; a dangling link is passed over") {
    TMainWindowFixture app;
    Go(app, root + "\\links");
    std::vector<std::string> lines = app.LogLines();
    REQUIRE(lines.size() >= 3);
    CHECK(lines.back().rfind("Found: ", 0) == 0);
    CHECK(app.Form().FoundCount >= 2);
    onlyEmptyPictureErrors(app);
  }
  SUBCASE("names of 250 characters and trees 100 levels deep") {
    TMainWindowFixture app;
    Go(app, root + "\\long");
    CHECK(app.Form().FoundCount >= 1);
    Go(app, root + "\\deep");
    CHECK(app.Form().FoundCount >= 1);  // at least the top one; the bottom lies past the limit
    CHECK(app.LogLines().back().rfind("Found: ", 0) == 0);
    onlyEmptyPictureErrors(app);
  }
  SUBCASE("names too long for the A functions are passed over, files and folders") {
    TMainWindowFixture app;
    Go(app, root + "\\unfit");
    CHECK(app.LogLines() == Lines{" Loop: 1", ">" + root + "\\unfit*.*   ", "Found: 2 Loops: 1"});
    onlyEmptyPictureErrors(app);
    TDirectoryListBox& list = *app.Form().DirectoryListBox1;
    CHECK(list.ItemText(list.ItemCount() - 1) == "unfit");  // the current folder, and no sub-folder
  }
  SUBCASE("a folder that vanishes during the walk") {
    TScratchTree tree;
    tree.File("A.JPG");
    tree.File("B\\C.JPG");
    tree.File("B\\D\\E.JPG");
    TMainWindowFixture app;
    app.Clock.After(10, [&] { RemoveTree(tree.Path("B")); });
    Go(app, tree.Root());
    CHECK(app.LogLines() == Lines{" Loop: 1", ">" + tree.Root() + "*.*   ",
                                  "++++ Bad Image File: " + Upper(tree.Path("A.JPG")), "Found: 1 Loops: 1"});
  }
}

TEST_CASE("a long walk: the status line holds the entry in hand, follows on screen, and Abort stops it at once") {
  TScratchTree tree;
  const std::string scanning = "Scan: " + tree.Root() + "\\*.*  ";
  Lines expected{scanning + ".", scanning + ".."};
  for (int i = 0; i < 3000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "F%04d.TXT", i);
    tree.File(name);
    expected.push_back(scanning + name);
  }
  tree.File("ZZ.BMP");  // an empty bitmap: the walk waits on it
  expected.push_back(scanning + "ZZ.BMP");
  // Where a look's text stands in the walk's order (-1: nowhere).
  auto entry = [&](const std::string& text) {
    auto it = std::find(expected.begin(), expected.end(), text);
    return it == expected.end() ? -1 : static_cast<int>(it - expected.begin());
  };
  TMainWindowFixture app;
  TStatusBar& status = *app.Form().StatusBar1;

  // Every look reads the entry in hand; the screen follows at most once a
  // frame during the walk, and shows the last entry at once in the wait.
  const unsigned paintsBefore = status.PaintCount();
  std::set<std::string> painted;
  int last = 0;
  bool inOrder = true;
  std::string paintedInWait;
  int looks = 0;
  {
    TWalkProbe probe(app, [&](const std::string& text) {
      const int at = entry(text);
      inOrder = inOrder && at >= last;
      last = at;
      painted.insert(status.PaintedText());
      if (text != expected.back()) return true;
      app.Clock.After(1, [&] { paintedInWait = status.PaintedText(); });
      return false;
    });
    Go(app, tree.Root());
    looks = probe.Looks();
  }
  CHECK(inOrder);
  CHECK(last == static_cast<int>(expected.size()) - 1);
  CHECK(paintedInWait == expected.back());
  // A millisecond of virtual time a look: a frame every kFrameMs, at most
  // one paint each. How many frames get their paint depends on how the
  // probe's messages and the paints interleave (a posted message goes
  // first), so the walk only has to have been painted as it went.
  const unsigned paints = status.PaintCount() - paintsBefore;
  const unsigned frames = static_cast<unsigned>(looks) / TStatusBar::kFrameMs;
  CHECK(paints >= 3);
  CHECK(paints <= frames + 3);
  CHECK(painted.size() >= 3);

  // Abort pressed in the middle of the walk is the walk's last entry.
  std::string pressedAt;
  {
    TWalkProbe probe(app, [&](const std::string& text) {
      if (entry(text) < 1500) return true;
      pressedAt = text;
      TMainWindowFixture::Click(app.Form().SpeedButtonAbort1);
      return false;
    });
    Go(app, tree.Root());
  }
  REQUIRE_FALSE(pressedAt.empty());
  CHECK(status.SimpleText() == pressedAt);
  CHECK(app.LogLines() == Lines{" Loop: 1", ">" + tree.Root() + "*.*   ", ">> ABORTED <<", "Found: 0 Loops: 1"});
}
