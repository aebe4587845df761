// The folder walk of the scan run over a large tree, and where its time
// goes. The real main window walks the tree with every picture and sound
// type unticked (nothing is shown; the status line and the message cycle
// after every entry stay), against the system's enumeration alone over the
// same tree in the same process. Four variants of the same walk, built from
// the same calls, measure the parts over a tenth of the tree:
//   A  the system's enumeration alone (FindFirstFile / FindNextFile),
//   B  A + the status line text after every entry,
//   C  B + the message cycle after every entry (with the status line's
//      repaints at display pace),
//   D  C + the type tests' reads of the eleven check boxes for every file,
// and the real run minus D is our own work (paths, upper case, matching).
//   walk_bench TREE_FOLDER ENTRIES FIND_SECONDS DRIVER
// DRIVER names Wine's graphics driver of the run for the table ("null",
// "X11"). Prints ROW|group|measure|value|reference|ratio|target lines.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "app/main_form.h"
#include "platform/application.h"
#include "platform/handles.h"

using namespace vr;

namespace {

double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The walk of ScanRun with what happens after every entry given by Step;
// answers the entries seen (".", ".." and every file and folder).
using TStep = std::function<void(const std::string& Pattern, const std::string& Name, bool IsFolder)>;

long Walk(const std::string& Folder, const TStep& Step) {
  const std::string base = Folder.back() == '\\' ? Folder : Folder + "\\";
  const std::string pattern = base + "*.*";
  WIN32_FIND_DATAA entry;
  long seen = 0;
  TFindHandle find(FindFirstFileA(pattern.c_str(), &entry));
  bool have = static_cast<bool>(find);
  while (have) {
    ++seen;
    const std::string name = entry.cFileName;
    const bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    Step(pattern, name, folder);
    if (folder && (name.empty() || name[0] != '.')) seen += Walk(base + name, Step);
    have = FindNextFileA(find.Get(), &entry) != 0;
  }
  return seen;
}

double Timed(const std::function<void()>& Run) {
  const double start = Now();
  Run();
  return Now() - start;
}

void Row(const char* Measure, const std::string& Value, const std::string& Reference, const std::string& Ratio,
         const char* Target) {
  std::printf("ROW|Folder walk|%s|%s|%s|%s|%s\n", Measure, Value.c_str(), Reference.c_str(), Ratio.c_str(), Target);
}

std::string Fixed(double Value, int Digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", Digits, Value);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: walk_bench TREE_FOLDER ENTRIES FIND_SECONDS DRIVER\n");
    return 2;
  }
  const std::string tree = argv[1];
  const double entries = std::atof(argv[2]);
  const double findSeconds = std::atof(argv[3]);
  const std::string driver = argv[4];

  TApplication& app = InitApplication();
  app.Title = "Vistaroam";
  app.ModalHook = [](const TModalRequest&) { return IDOK; };
  TForm1 form(nullptr);
  Form1 = &form;
  app.MainForm = &form;
  form.Show();
  for (TCheckBox* box : {form.CheckBoxJpg1, form.CheckBoxBMP1, form.CheckBoxGIF1, form.CheckBoxPNG1, form.CheckBoxIco1,
                         form.CheckBoxWmf1, form.CheckBoxEmf1, form.CheckBoxWav1, form.CheckBoxMid1, form.CheckBoxMp3,
                         form.CheckBoxWma})
    box->SetChecked(false);
  form.SpinEditLoop1->SetValue(1);
  app.ProcessMessages();

  const TCheckBox* boxes[] = {form.CheckBoxBMP1, form.CheckBoxJpg1, form.CheckBoxIco1, form.CheckBoxWmf1,
                              form.CheckBoxEmf1, form.CheckBoxGIF1, form.CheckBoxPNG1, form.CheckBoxWav1,
                              form.CheckBoxMid1, form.CheckBoxWma, form.CheckBoxMp3};
  auto none = [](const std::string&, const std::string&, bool) {};
  auto status = [&](const std::string& pattern, const std::string& name, bool) {
    form.StatusBar1->SetSimpleText("Scan: " + pattern + "  " + name);
  };
  auto statusAndMessages = [&](const std::string& pattern, const std::string& name, bool) {
    form.StatusBar1->SetSimpleText("Scan: " + pattern + "  " + name);
    app.ProcessMessages();
  };
  int ticked = 0;
  auto withBoxes = [&](const std::string& pattern, const std::string& name, bool folder) {
    if (!folder)
      for (const TCheckBox* box : boxes) ticked += box->Checked() ? 1 : 0;
    form.StatusBar1->SetSimpleText("Scan: " + pattern + "  " + name);
    app.ProcessMessages();
  };
  // Go over a folder; the folder list is pointed at it first, untimed.
  auto scanRun = [&](const std::string& folder) {
    form.DirectoryListBox1->SetDirectory(folder);
    app.ProcessMessages();
    return Timed([&] { SendMessageA(form.SpeedButtonGo1->Handle(), BM_CLICK, 0, 0); });
  };

  // The whole tree: the enumeration alone and the scan run take turns,
  // twice, and the best time of each counts.
  long seen = Walk(tree, none);  // also warms the system's caches
  double alone = 1e30, real = 1e30;
  unsigned paints = 0;
  for (int round = 0; round < 2; ++round) {
    alone = std::min(alone, Timed([&] { Walk(tree, none); }));
    const unsigned before = form.StatusBar1->PaintCount();
    const double took = scanRun(tree);
    if (took < real) real = took, paints = form.StatusBar1->PaintCount() - before;
  }
  // The parts, over the first five top folders (a tenth of the tree): on
  // each folder the five walks take turns, three times, and the best time
  // of each counts, so that a change in the machine's load touches them alike.
  const char* parts[] = {"\\D01", "\\D02", "\\D03", "\\D04", "\\D05"};
  double a = 0, b = 0, c = 0, d = 0, e = 0;
  for (const char* part : parts) {
    const std::string folder = tree + part;
    double best[5] = {1e30, 1e30, 1e30, 1e30, 1e30};
    for (int round = 0; round < 3; ++round) {
      best[0] = std::min(best[0], Timed([&] { Walk(folder, none); }));
      best[1] = std::min(best[1], Timed([&] { Walk(folder, status); }));
      best[2] = std::min(best[2], Timed([&] { Walk(folder, statusAndMessages); }));
      best[3] = std::min(best[3], Timed([&] { Walk(folder, withBoxes); }));
      best[4] = std::min(best[4], scanRun(folder));
    }
    a += best[0], b += best[1], c += best[2], d += best[3], e += best[4];
  }
  const double statusPart = std::max(0.0, b - a), messagePart = std::max(0.0, c - b);
  const double boxPart = std::max(0.0, d - c), oursPart = std::max(0.0, e - d);
  auto share = [&](double part) { return Fixed(100.0 * part / e, 1) + " %"; };
  const std::string title = "entries/s: scan run vs system enumeration alone (" + driver + " driver)";
  Row(title.c_str(), Fixed(entries / real, 0), Fixed(entries / alone, 0), Fixed(alone / real, 2) + "x", ">= 0.25x");
  std::printf("ROW|Folder walk|  %.0f entries (%ld seen with . and ..): scan run %.2f s, enumeration alone %.2f s|-|-|-|-\n",
              entries, seen, real, alone);
  Row("  entries/s: scan run vs find (native)", Fixed(entries / real, 0), Fixed(entries / findSeconds, 0),
      Fixed(findSeconds / real, 4) + "x", "-");
  Row("  status line repaints a second during the scan run", Fixed(paints / real, 0), "-", "-", "20 .. 60");
  std::printf("ROW|Folder walk|  breakdown over a tenth of the tree, best of 3: scan run %.2f s|-|-|-|-\n", e);
  Row("  system enumeration alone (s, share)", Fixed(a, 2), "-", share(a), "-");
  Row("  status line text (s, share)", Fixed(statusPart, 2), "-", share(statusPart), "-");
  Row("  message cycle after every entry (s, share)", Fixed(messagePart, 2), "-", share(messagePart), "-");
  Row("  type tests: 11 check box reads per file (s, share)", Fixed(boxPart, 2), "-", share(boxPart), "-");
  Row("  ours: paths, upper case, matching (s, share)", Fixed(oursPart, 2), "-", share(oursPart), "-");
  Row("  ours with the check box reads (share)", "-", "-", share(boxPart + oursPart), "< 50 %");
  if (ticked != 0) std::printf("ROW|Folder walk|  (a type was ticked: %d)|-|-|-|-\n", ticked);
  std::fflush(stdout);
  return 0;
}
