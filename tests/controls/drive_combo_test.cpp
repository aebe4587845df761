// The drive selector: Wine's own drives, drive kinds the test machine lacks
// (through the selector's system seam), text case, a drive that cannot be
// entered, the link to the folder list, and Refresh on the main window.
#include <doctest/doctest.h>

#include <map>

#include "controls/directory_list_box.h"
#include "controls/drive_combo_box.h"
#include "controls/owner_draw.h"
#include "controls/controls_fixture.h"
#include "platform/resources.h"

using namespace vr;
using namespace vr::test;

namespace {

std::vector<std::string> Items(const TDriveComboBox& Combo) {
  std::vector<std::string> items;
  for (int i = 0; i < Combo.ItemCount(); ++i) items.push_back(Combo.ItemText(i));
  return items;
}

// A machine with one drive of every kind.
class TFakeDrives : public TDriveComboBox {
 public:
  using TDriveComboBox::TDriveComboBox;
  struct TFake {
    UINT Type;
    const char* Label;   // nullptr: no medium
    const char* Remote;  // nullptr: not connected
  };
  std::map<char, TFake> Drives;
  std::vector<std::string> LabelsRead;
  std::vector<std::string> RemotesAsked;

 protected:
  DWORD SystemDriveMask() override {
    DWORD mask = 0;
    for (auto& [letter, drive] : Drives) mask |= 1u << (letter - 'a');
    return mask;
  }
  UINT SystemDriveType(const std::string& Root) override {
    auto it = Drives.find(static_cast<char>(std::tolower(static_cast<unsigned char>(Root[0]))));
    return it == Drives.end() ? DRIVE_NO_ROOT_DIR : it->second.Type;
  }
  bool SystemVolumeLabel(const std::string& Root, std::string& Label) override {
    LabelsRead.push_back(Root);
    const TFake& d = Drives.at(static_cast<char>(std::tolower(static_cast<unsigned char>(Root[0]))));
    if (d.Label == nullptr) return false;
    Label = d.Label;
    return true;
  }
  bool SystemRemoteName(const std::string& DriveName, std::string& Name) override {
    RemotesAsked.push_back(DriveName);
    const TFake& d = Drives.at(static_cast<char>(std::tolower(static_cast<unsigned char>(DriveName[0]))));
    if (d.Remote == nullptr) return false;
    Name = d.Remote;
    return true;
  }
};

void UserPicks(TControlsFixture& Host, TDriveComboBox& Combo, int Index) {
  SendMessageA(Combo.Handle(), CB_SETCURSEL, static_cast<WPARAM>(Index), 0);
  SendMessageA(Host.Form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Combo.Handle()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(Combo.Handle()));
}

}  // namespace

TEST_CASE("Wine's drives C: and Z: are listed as fixed drives with empty labels") {
  TFontHandle tall(CreateFontA(20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"));
  TScratchTree tree;
  TControlsFixture host;
  SetCurrentDirectoryA(tree.Root().c_str());
  auto* combo = host.Make<TDriveComboBox>();

  CHECK(Items(*combo) == std::vector<std::string>{"c: []", "z: []"});
  CHECK(combo->ItemPicture(0) == TDrivePicture::dpHard);
  CHECK(combo->ItemPicture(1) == TDrivePicture::dpHard);
  // The drive of the current folder, selected, in the letter case shown.
  const char here = LowerLetter(tree.Root()[0]);
  const int hereIndex = here == 'c' ? 0 : 1;
  CHECK(combo->Drive() == here);
  CHECK(combo->ItemIndex() == hereIndex);
  // The "FLOPPY" picture is 14 pixels high, the form's font 13; a font of
  // 20 pixels makes the items 20 high.
  CHECK(combo->ItemHeight() == 14);
  HFONT formFont = combo->Font();
  combo->SetFont(tall.Get());
  CHECK(combo->ItemHeight() == 20);
  combo->SetFont(formFont);
  CHECK(combo->ItemHeight() == 14);

  int changes = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  combo->SetTextCase(TTextCase::tcUpperCase);
  CHECK(Items(*combo) == std::vector<std::string>{"C: []", "Z: []"});
  CHECK(combo->Drive() == std::toupper(here));
  CHECK(combo->ItemIndex() == hereIndex);
  CHECK(changes == 1);

  combo->SelectDrive(here);  // the selected drive again: nothing happens
  CHECK(changes == 1);
  combo->SelectDrive('z');
  combo->SelectDrive('c');
  CHECK(combo->Drive() == 'C');
  CHECK(combo->ItemIndex() == 0);
  CHECK(changes == (here == 'c' ? 3 : 2));
  combo->SelectDrive('\0');
  CHECK(combo->Drive() == '\0');
  CHECK(combo->ItemIndex() == -1);
}

TEST_CASE("every drive kind has its picture and text; removable media are not touched") {
  TControlsFixture host;
  auto* combo = host.Make<TFakeDrives>();
  combo->Drives = {{'a', {DRIVE_REMOVABLE, "FLOPPY1", nullptr}},
                   {'b', {DRIVE_UNKNOWN, "X", nullptr}},
                   {'c', {DRIVE_FIXED, "DATA", nullptr}},
                   {'d', {DRIVE_CDROM, nullptr, nullptr}},
                   {'e', {DRIVE_NO_ROOT_DIR, "X", nullptr}},
                   {'f', {DRIVE_FIXED, "Ⱥrchiv ФОТО", nullptr}},  // only A to Z change case
                   {'n', {DRIVE_REMOTE, "NET", "\\\\Server\\Share"}},
                   {'o', {DRIVE_REMOTE, "OFFLINE", nullptr}},
                   {'r', {DRIVE_RAMDISK, "Ram Disk", nullptr}}};
  combo->RefreshDrives();

  CHECK(Items(*combo) ==
        std::vector<std::string>{"a:", "c: [data]", "d: []", "f: [Ⱥrchiv ФОТО]", "n: \\\\server\\share", "o: [offline]",
                                 "r: [ram disk]"});
  using P = TDrivePicture;
  std::vector<P> pictures;
  for (int i = 0; i < combo->ItemCount(); ++i) pictures.push_back(combo->ItemPicture(i));
  CHECK(pictures ==
        std::vector<P>{P::dpFloppy, P::dpHard, P::dpCDROM, P::dpHard, P::dpNetwork, P::dpNetwork, P::dpRAM});
  CHECK(std::find(combo->LabelsRead.begin(), combo->LabelsRead.end(), "a:\\") == combo->LabelsRead.end());
  CHECK(combo->RemotesAsked == std::vector<std::string>{"N:", "O:"});

  // The label is drawn as it reads (GDI's A functions would read its bytes
  // in the system's code page).
  const int f = 3;
  REQUIRE(Items(*combo)[f] == "f: [Ⱥrchiv ФОТО]");
  const SIZE item{200, combo->ItemHeight()};
  const int x = PictureSize(LoadBitmapResource("HARD").Get()).cx + 6;
  CHECK(DrawsTextAs(
      item, combo->Font(), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT),
      [&](HDC DC) { combo->DrawItem(DC, f, RECT{0, 0, item.cx, item.cy}, 0); }, L"f: [Ⱥrchiv ФОТО]",
      RECT{x, 0, item.cx, item.cy}, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX));

  combo->SetTextCase(TTextCase::tcUpperCase);
  CHECK(Items(*combo) ==
        std::vector<std::string>{"A:", "C: [DATA]", "D: []", "F: [ȺRCHIV ФОТО]", "N: \\\\SERVER\\SHARE", "O: [OFFLINE]",
                                 "R: [RAM DISK]"});
}

TEST_CASE("a drive that cannot be entered shows the error; the list keeps its folder") {
  TScratchTree tree;
  TControlsFixture host;
  SetCurrentDirectoryA(tree.Root().c_str());
  auto* combo = host.Make<TFakeDrives>();
  auto* list = host.Make<TDirectoryListBox>();
  combo->SetDirList(list);
  const char here = LowerLetter(tree.Root()[0]);
  combo->Drives = {{'q', {DRIVE_FIXED, "", nullptr}}, {here, {DRIVE_FIXED, "", nullptr}}};
  combo->RefreshDrives();
  combo->SelectDrive(here);
  int changes = 0;
  list->OnChange = [&](TObject*) { ++changes; };
  const int items = list->ItemCount();

  const int q = here < 'q' ? 1 : 0;
  UserPicks(host, *combo, q);  // q: is listed but not there

  REQUIRE(host.Boxes.size() == 1);
  CHECK(host.Boxes[0].Text == "Invalid filename.");
  CHECK(combo->Drive() == 'q');
  CHECK(combo->ItemIndex() == q);
  CHECK(list->Directory() == tree.Root());
  CHECK(ProcessFolder() == tree.Root());
  CHECK(list->ItemCount() == items);
  CHECK(changes == 0);
}

TEST_CASE("selector and folder list forget each other when one goes") {
  TControlsFixture host;
  auto* combo = host.Make<TDriveComboBox>();
  {
    TDirectoryListBox list(nullptr, host.Form.get());
    combo->SetDirList(&list);
    CHECK(list.DriveCombo() == combo);
  }
  CHECK(combo->DirList() == nullptr);
  combo->SelectDrive('c');  // no list to pass it on to
  CHECK(combo->Drive() == 'c');

  TDirectoryListBox list(nullptr, host.Form.get());
  {
    TDriveComboBox other(nullptr, host.Form.get());
    other.SetDirList(&list);
    combo->SetDirList(&list);  // the list has one selector at a time
    CHECK(other.DirList() == nullptr);
    CHECK(list.DriveCombo() == combo);
  }
  CHECK(list.DriveCombo() == combo);
  combo->SetDirList(nullptr);
  CHECK(list.DriveCombo() == nullptr);
}

TEST_CASE("the main window links selector and list; Refresh keeps the selected drive") {
  TScratchTree tree;
  const std::string folder = tree.Folder("Holiday\\Beach");
  SetCurrentDirectoryA(folder.c_str());
  TMainWindowFixture app;
  TForm1& f = app.Form();
  CHECK(f.DriveComboBox1->DirList() == f.DirectoryListBox1);
  CHECK(f.DirectoryListBox1->ItemHeight() == 16);
  CHECK(f.DirectoryListBox1->Directory() == folder);
  CHECK(f.Editpath1->Text() == folder);

  const std::string elsewhere = FolderOnOtherDrive(folder);
  const char other = LowerLetter(elsewhere[0]);
  f.DirectoryListBox1->SetDirectory(elsewhere);
  CHECK(f.Editpath1->Text() == elsewhere);
  CHECK(f.DriveComboBox1->Drive() == other);

  TMainWindowFixture::Click(f.SpeedButtonRefresh1);
  CHECK(f.DriveComboBox1->Drive() == other);
  CHECK(f.DriveComboBox1->ItemText(f.DriveComboBox1->ItemIndex()) == std::string(1, other) + ": []");
  CHECK(f.DirectoryListBox1->Directory() == elsewhere);
  CHECK(f.Editpath1->Text() == elsewhere);
  CHECK(app.Boxes.empty());

  f.DriveComboBox1->SelectDrive(folder[0]);
  CHECK(f.DirectoryListBox1->Directory() == folder);  // the drive's last folder
  CHECK(f.Editpath1->Text() == folder);
}
