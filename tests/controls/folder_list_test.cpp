// The folder list over folder trees made by the tests: the items, pictures
// and indents, what is listed, opening items by mouse and keyboard, the
// no-op of assigning the same folder, and folders that vanish.
#include <doctest/doctest.h>

#include "controls/directory_list_box.h"
#include "controls/drive_combo_box.h"
#include "controls/folder_test.h"
#include "controls/owner_draw.h"
#include "controls/controls_fixture.h"
#include "platform/resources.h"
#include "platform/status_bar.h"

using namespace vr;
using namespace vr::test;

namespace {

// A folder tree directly under C:\, so that its paths are as short as X:\A\B.
class TDriveRootTree {
 public:
  TDriveRootTree() : FRoot("C:\\vrA" + std::to_string(GetCurrentProcessId())) {
    RemoveTree(FRoot);
    CreateDirectoryA(FRoot.c_str(), nullptr);
  }
  ~TDriveRootTree() {
    SetCurrentDirectoryA("C:\\");
    RemoveTree(FRoot);
  }
  const std::string& Root() const { return FRoot; }
  std::string Folder(const std::string& Relative) const {
    std::string path = FRoot + "\\" + Relative;
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
  }

 private:
  std::string FRoot;
};

std::vector<std::string> Items(const TDirectoryListBox& List) {
  std::vector<std::string> items;
  for (int i = 0; i < List.ItemCount(); ++i) items.push_back(List.ItemText(i));
  return items;
}

std::vector<TFolderPicture> Pictures(const TDirectoryListBox& List) {
  std::vector<TFolderPicture> pictures;
  for (int i = 0; i < List.ItemCount(); ++i) pictures.push_back(List.ItemPicture(i));
  return pictures;
}

// Draws an item into a white bitmap and returns the first column with any
// ink in it: where the item's picture starts.
int FirstInkColumn(TDirectoryListBox& List, int Index) {
  const int width = 185, height = 16;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  TBitmapHandle dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  TMemoryDC dc(CreateCompatibleDC(nullptr));
  TSelectObject select(dc.Get(), dib.Get());
  List.DrawItem(dc.Get(), Index, RECT{0, 0, width, height}, 0);
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  const uint32_t background = pixels[width - 1];  // the far right stays empty
  for (int x = 0; x < width; ++x)
    for (int y = 0; y < height; ++y)
      if (pixels[y * width + x] != background) return x;
  return -1;
}

POINT ItemCentre(const TDirectoryListBox& List, int Index) {
  RECT r{};
  SendMessageA(List.Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r));
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A user's double click on an item: press, release, double click, release.
void DoubleClick(TDirectoryListBox& List, int Index) {
  SendMessageA(List.Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(Index), 0);
  POINT p = ItemCentre(List, Index);
  LPARAM at = MAKELPARAM(p.x, p.y);
  SendMessageA(List.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(List.Handle(), WM_LBUTTONUP, 0, at);
  SendMessageA(List.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageA(List.Handle(), WM_LBUTTONUP, 0, at);
}

}  // namespace

TEST_CASE("a folder two levels below the root lists its path, then its sub-folders") {
  TDriveRootTree tree;
  const std::string a = tree.Root();
  const std::string b = tree.Folder("B");
  tree.Folder("B\\zeta");
  tree.Folder("B\\Alpha");
  tree.Folder("B\\beta");
  TControlsFixture host;
  SetCurrentDirectoryA(b.c_str());
  auto* list = host.Make<TDirectoryListBox>();
  list->SetBounds(8, 40, 185, 65);

  const std::string aName = a.substr(3);
  CHECK(list->Directory() == b);
  CHECK(Items(*list) == std::vector<std::string>{"C:\\", aName, "B", "Alpha", "beta", "zeta"});
  using P = TFolderPicture;
  CHECK(Pictures(*list) == std::vector<P>{P::fpOpen, P::fpOpen, P::fpCurrent, P::fpClosed, P::fpClosed, P::fpClosed});
  CHECK(list->ItemIndex() == 2);  // the current folder is selected
  // Indents: 4 more at each level of the path; the sub-folders one level
  // below the current folder.
  for (int i : {0, 1, 2}) CHECK(list->ItemIndent(i) == i * 4 + 2);
  for (int i : {3, 4, 5}) CHECK(list->ItemIndent(i) == 14);
  // The pictures are drawn where the indents say.
  CHECK(FirstInkColumn(*list, 0) == 2);
  CHECK(FirstInkColumn(*list, 2) == 10);
  CHECK(FirstInkColumn(*list, 4) == 14);

  CHECK(list->FolderOfItem(0) == "C:\\");
  CHECK(list->FolderOfItem(1) == a);
  CHECK(list->FolderOfItem(2) == b);
  CHECK(list->FolderOfItem(4) == b + "\\beta");
  CHECK(list->FolderOfItem(6) == "");
  CHECK(list->FolderOfItem(-1) == "");
}

TEST_CASE("a list filled before it has its size shows the path from the top; later resizes keep the scroll") {
  TScratchTree tree;
  for (char c = 'a'; c <= 'l'; ++c) tree.Folder(std::string("sub ") + c);
  TControlsFixture host;
  SetCurrentDirectoryA(tree.Root().c_str());
  auto* list = host.Make<TDirectoryListBox>();
  list->SetBounds(8, 40, 185, 200);
  REQUIRE(list->ItemCount() * list->ItemHeight() > 200);
  CHECK(SendMessageA(list->Handle(), LB_GETTOPINDEX, 0, 0) == 0);
  CHECK(list->ItemIndex() == FolderLevel(tree.Root()));

  // The user scrolls down and moves the selection, then the list is resized.
  SendMessageA(list->Handle(), LB_SETTOPINDEX, 3, 0);
  list->SetItemIndex(8);
  list->SetBounds(8, 40, 185, 150);
  CHECK(SendMessageA(list->Handle(), LB_GETTOPINDEX, 0, 0) == 3);
  CHECK(list->ItemIndex() == 8);
  list->SetBounds(8, 40, 200, 180);
  CHECK(SendMessageA(list->Handle(), LB_GETTOPINDEX, 0, 0) == 3);
  CHECK(list->ItemIndex() == 8);
  CHECK(list->Directory() == tree.Root());
}

TEST_CASE("item heights: measured from the picture and the font; taller items keep the selected folder in view") {
  TFontHandle tall(CreateFontA(20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"));
  TScratchTree tree;
  const std::string deep = tree.Folder("a\\b\\c\\d");
  TControlsFixture host;
  SetCurrentDirectoryA(deep.c_str());
  auto* list = host.Make<TDirectoryListBox>();
  // The "OPENFOLDER" picture is 14 pixels high, the form's font 13.
  CHECK(list->ItemHeight() == 15);
  HFONT formFont = list->Font();
  list->SetFont(tall.Get());
  CHECK(list->ItemHeight() == 20);
  list->SetFont(formFont);

  // The main window's 16 pixels: fewer rows fit.
  list->SetBounds(8, 40, 185, 65);
  list->SetItemHeight(16);
  const int top = static_cast<int>(SendMessageA(list->Handle(), LB_GETTOPINDEX, 0, 0));
  const int rows = list->ClientHeight() / list->ItemHeight();
  REQUIRE(rows >= 1);
  CHECK(list->ItemIndex() == FolderLevel(deep));
  CHECK(list->ItemIndex() >= top);
  CHECK(list->ItemIndex() < top + rows);
}

TEST_CASE("a root lists itself as the current folder and its sub-folders at indent 10") {
  TDriveRootTree tree;
  TControlsFixture host;
  SetCurrentDirectoryA("C:\\");
  auto* list = host.Make<TDirectoryListBox>();

  CHECK(list->Directory() == "C:\\");
  REQUIRE(list->ItemCount() > 2);
  CHECK(list->ItemText(0) == "C:\\");
  CHECK(list->ItemPicture(0) == TFolderPicture::fpCurrent);
  CHECK(list->ItemIndent(0) == 2);
  std::vector<std::string> subs;
  for (int i = 1; i < list->ItemCount(); ++i) {
    CHECK(list->ItemPicture(i) == TFolderPicture::fpClosed);
    CHECK(list->ItemIndent(i) == 10);
    subs.push_back(list->ItemText(i));
  }
  CHECK(std::find(subs.begin(), subs.end(), tree.Root().substr(3)) != subs.end());
  CHECK(std::find(subs.begin(), subs.end(), "windows") != subs.end());
  CHECK(FirstInkColumn(*list, 1) == 10);
  CHECK(list->FolderOfItem(1) == "C:\\" + subs[0]);
}

TEST_CASE("hidden and system sub-folders, \".\" and \"..\" and files are not listed; names sort case-blind") {
  TScratchTree tree;
  tree.Folder("Mango");
  tree.Folder("apple");
  tree.Folder("Banana");
  tree.Folder("Ёлка");  // names outside ASCII sort by the locale too
  tree.Folder("ábaco");
  tree.Folder("ёж");
  tree.Folder("Альфа");
  tree.Folder(".dot");  // dot-folders are hidden
  SetFileAttributesA(tree.Folder("secret").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesA(tree.Folder("system").c_str(), FILE_ATTRIBUTE_SYSTEM);
  tree.File("cherry.txt");
  TControlsFixture host;
  SetCurrentDirectoryA(tree.Root().c_str());
  auto* list = host.Make<TDirectoryListBox>();

  std::vector<std::string> subs;
  for (int i = 0; i < list->ItemCount(); ++i)
    if (list->ItemPicture(i) == TFolderPicture::fpClosed) subs.push_back(list->ItemText(i));
  CHECK(subs == std::vector<std::string>{"ábaco", "apple", "Banana", "Mango", "Альфа", "ёж", "Ёлка"});
}

TEST_CASE("double-clicking items opens them: an ancestor, the root, a sub-folder") {
  TScratchTree tree;
  const std::string deep = tree.Folder("one\\two\\three");
  tree.Folder("one\\two\\three\\four");
  TControlsFixture host;
  SetCurrentDirectoryA(deep.c_str());
  auto* list = host.Make<TDirectoryListBox>();
  list->SetBounds(8, 40, 185, 65);
  int changes = 0;
  list->OnChange = [&](TObject*) { ++changes; };

  // The ancestor "one", two items above the current folder.
  const int current = list->ItemIndex();
  REQUIRE(list->ItemText(current) == "three");
  DoubleClick(*list, current - 2);
  CHECK(list->Directory() == tree.Path("one"));
  CHECK(ProcessFolder() == list->Directory());
  CHECK(changes == 1);
  CHECK(list->ItemText(list->ItemIndex()) == "one");
  CHECK(list->ItemText(list->ItemIndex() + 1) == "two");

  // A sub-folder, by the keyboard: select it and press Enter.
  list->SetItemIndex(list->ItemIndex() + 1);
  SendMessageA(list->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  CHECK(list->Directory() == tree.Path("one\\two"));
  CHECK(changes == 2);

  // The first item is the drive's root.
  const std::string root = tree.Root().substr(0, 3);
  DoubleClick(*list, 0);
  CHECK(list->Directory() == root);
  CHECK(ProcessFolder() == root);
  CHECK(changes == 3);
  CHECK(host.Boxes.empty());
}

TEST_CASE("assigning the folder the list already shows does nothing, in any letter case") {
  TScratchTree tree;
  const std::string folder = tree.Folder("Pictures");
  TControlsFixture host;
  SetCurrentDirectoryA(folder.c_str());
  auto* list = host.Make<TDirectoryListBox>();
  int changes = 0;
  list->OnChange = [&](TObject*) { ++changes; };

  list->SetDirectory(folder);
  CHECK(changes == 0);

  // Wine's drives keep the case of names but search without regard to it
  // (case-preserved, not case-sensitive), so another letter case is the same
  // folder: nothing happens either, and the list keeps its own spelling.
  CHECK(list->PreserveCase());
  CHECK_FALSE(list->CaseSensitive());
  std::string upper = folder;
  CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  REQUIRE(upper != folder);
  list->SetDirectory(upper);
  CHECK(changes == 0);
  CHECK(list->Directory() == folder);
  CHECK(ProcessFolder() == folder);

  list->SetDirectory("");  // an empty path is ignored too
  CHECK(changes == 0);

  // Letter case outside ASCII too.
  const std::string photos = tree.Folder("Фото");
  list->SetDirectory(photos);
  CHECK(changes == 1);
  list->SetDirectory(tree.Path("фОТО"));
  CHECK(changes == 1);
  CHECK(list->Directory() == photos);
}

TEST_CASE("a folder that vanished before it is opened gives the error box and leaves the list alone") {
  TScratchTree tree;
  tree.Folder("stays");
  const std::string gone = tree.Folder("vanishes");
  TControlsFixture host;
  SetCurrentDirectoryA(tree.Root().c_str());
  auto* list = host.Make<TDirectoryListBox>();
  list->SetBounds(8, 40, 185, 200);
  int changes = 0;
  list->OnChange = [&](TObject*) { ++changes; };
  const std::vector<std::string> before = Items(*list);
  int index = -1;
  for (int i = 0; i < list->ItemCount(); ++i)
    if (list->ItemText(i) == "vanishes") index = i;
  REQUIRE(index > 0);

  RemoveDirectoryA(gone.c_str());
  DoubleClick(*list, index);

  REQUIRE(host.Boxes.size() == 1);
  CHECK(host.Boxes[0].Text == "File not found.");
  CHECK(host.Boxes[0].Caption == "Vistaroam");
  CHECK(host.Boxes[0].Flags == (MB_OK | MB_ICONERROR));
  CHECK(Items(*list) == before);
  CHECK(list->Directory() == tree.Root());
  CHECK(ProcessFolder() == tree.Root());
  CHECK(changes == 0);
}

TEST_CASE("the folder list and the drive selector follow each other") {
  TScratchTree tree;
  TControlsFixture host;
  SetCurrentDirectoryA(tree.Root().c_str());
  auto* combo = host.Make<TDriveComboBox>();
  auto* list = host.Make<TDirectoryListBox>();
  combo->SetDirList(list);
  CHECK(list->DriveCombo() == combo);
  const char here = LowerLetter(tree.Root()[0]);
  const std::string elsewhere = FolderOnOtherDrive(tree.Root());
  CHECK(combo->Drive() == here);
  int listChanges = 0, comboChanges = 0;
  bool flagSeen = false;
  list->OnChange = [&](TObject*) { ++listChanges; };
  combo->OnChange = [&](TObject*) {
    ++comboChanges;
    flagSeen = list->InSetFolder();
  };

  // Another drive through the list: the selector follows without making
  // the list rebuild and report twice.
  list->SetDirectory(elsewhere);
  CHECK(list->Directory() == elsewhere);
  CHECK(ProcessFolder() == elsewhere);
  CHECK(combo->Drive() == LowerLetter(elsewhere[0]));
  CHECK(combo->ItemText(combo->ItemIndex())[0] == LowerLetter(elsewhere[0]));
  CHECK(comboChanges == 1);
  CHECK(flagSeen);
  CHECK_FALSE(list->InSetFolder());
  CHECK(listChanges == 1);

  // Picking a drive in the selector (as the user does) goes to that
  // drive's current folder, which is where the list left it.
  int index = -1;
  for (int i = 0; i < combo->ItemCount(); ++i)
    if (combo->ItemText(i)[0] == here) index = i;
  REQUIRE(index >= 0);
  SendMessageA(combo->Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(host.Form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo->Handle()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo->Handle()));
  CHECK(list->Directory() == tree.Root());
  CHECK(ProcessFolder() == tree.Root());
  CHECK(listChanges == 2);
  CHECK(comboChanges == 2);

  // And back on the other drive, the list returns to the folder it had there.
  combo->SelectDrive(OtherDrive(tree.Root()));
  CHECK(list->Directory() == elsewhere);
  CHECK(listChanges == 3);

  // Also to a folder named in another script, longer than MAX_PATH bytes
  // in UTF-8 (and far shorter in characters).
  std::string name;
  for (int i = 0; i < 60; ++i) name += "Ж";
  const std::string longer = tree.Folder("Фото\\" + name + "\\" + name);
  REQUIRE(longer.size() > MAX_PATH);
  list->SetDirectory(longer);
  CHECK(list->Directory() == longer);
  combo->SelectDrive(OtherDrive(tree.Root()));
  combo->SelectDrive(here);
  CHECK(list->Directory() == longer);
  CHECK(host.Boxes.empty());
}

namespace {

// A status line whose painting a test can call.
class TOpenStatusBar : public TStatusBar {
 public:
  using TStatusBar::Paint;
  using TStatusBar::TStatusBar;
};

}  // namespace

TEST_CASE("names in any script are drawn as they read: a folder list item and a status line") {
  TScratchTree tree;
  const std::wstring name = L"Ёлка Ελλάδα صور";
  tree.Folder("Фото\\" + Utf8(name));
  TControlsFixture host;
  SetCurrentDirectoryA(tree.Path("Фото").c_str());
  auto* list = host.Make<TDirectoryListBox>();
  const int last = list->ItemCount() - 1;
  REQUIRE(list->ItemText(last) == Utf8(name));
  const int x = PictureSize(LoadBitmapResource("CLOSEDFOLDER").Get()).cx + list->ItemIndent(last) + 4;
  const SIZE item{300, list->ItemHeight()};
  CHECK(DrawsTextAs(
      item, list->Font(), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT),
      [&](HDC DC) { list->DrawItem(DC, last, RECT{0, 0, item.cx, item.cy}, 0); }, name,
      RECT{x, 0, item.cx, item.cy}, DT_SINGLELINE | DT_NOPREFIX));

  auto* status = host.Make<TOpenStatusBar>();
  status->SetBounds(0, 0, 300, 19);
  status->SetSimpleText("Found: " + Utf8(name));
  HFONT font = status->Font() != nullptr ? status->Font() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  CHECK(DrawsTextAs(
      SIZE{300, 19}, font, ColorToRGB(status->Color), GetSysColor(COLOR_BTNTEXT),
      [&](HDC DC) {
        TCanvas canvas(DC);
        status->Paint(canvas);
      },
      L"Found: " + name, RECT{4, 1, 296, 18}, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX));
}
