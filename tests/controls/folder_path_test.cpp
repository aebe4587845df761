// Opening folders by path: the forms of path the folder list resolves, the
// input/output errors, and the folder test helpers.
#include <doctest/doctest.h>

#include "controls/current_folder.h"
#include "controls/directory_list_box.h"
#include "controls/folder_resolution.h"
#include "controls/folder_test.h"
#include "controls/controls_fixture.h"

using namespace vr;
using namespace vr::test;

TEST_CASE("FolderExists and FolderLevel") {
  TScratchTree tree;
  const std::string folder = tree.Folder("sub");
  const std::string file = tree.File("file.txt");
  CHECK(FolderExists(folder));
  CHECK(FolderExists("Z:\\"));
  CHECK(FolderExists("C:\\"));
  CHECK_FALSE(FolderExists(file));
  CHECK_FALSE(FolderExists(tree.Path("missing")));
  CHECK_FALSE(FolderExists(""));

  CHECK(FolderLevel("C:\\") == 1);
  CHECK(FolderLevel("C:\\A\\B") == 2);
  CHECK(FolderLevel("\\\\server\\share\\dir") == 4);
  CHECK(FolderLevel("name") == 0);
  CHECK(FolderLevel("C:\\Фото\\写真\\🌄 view") == 3);  // UTF-8: no byte of a longer character is a backslash
}

TEST_CASE("the drive part of a path") {
  CHECK(DrivePart("C:\\A\\B") == "C:");
  CHECK(DrivePart("c:name") == "c:");
  CHECK(DrivePart("\\\\server\\share\\dir\\x") == "\\\\server\\share");
  CHECK(DrivePart("\\\\server\\share") == "\\\\server\\share");
  CHECK(DrivePart("\\\\server") == "");
  CHECK(DrivePart("\\A\\B") == "");
  CHECK(DrivePart("") == "");
}

TEST_CASE("paths are resolved from the current folder, which stays as it was") {
  TScratchTree tree;
  const std::string sub = tree.Folder("sub");
  tree.Folder("sub\\inner");
  tree.File("sub\\pic.jpg");
  SetCurrentDirectoryA(sub.c_str());
  const std::string subPart = sub.substr(2);  // without the drive

  TResolvedFolder r = ResolveFolderPath("inner");
  CHECK(r.Drive == sub[0]);
  CHECK(r.FolderPart == subPart + "\\inner");
  CHECK(r.FilePart == "");
  CHECK(ProcessFolder() == sub);

  r = ResolveFolderPath(sub + "\\pic.jpg");  // an existing file stays a file
  CHECK(r.FolderPart == subPart);
  CHECK(r.FilePart == "pic.jpg");

  r = ResolveFolderPath(sub + "\\*.jpg");  // so does a pattern
  CHECK(r.FolderPart == subPart);
  CHECK(r.FilePart == "*.jpg");

  r = ResolveFolderPath("[inner]");
  CHECK(r.FolderPart == subPart + "\\inner");

  r = ResolveFolderPath("c:\\windows\\");
  CHECK(r.Drive == 'c');
  CHECK(r.FolderPart == "\\windows");
  r = ResolveFolderPath("z:\\tmp");
  CHECK(r.Drive == 'z');
  CHECK(r.FolderPart == "\\tmp");

  r = ResolveFolderPath(sub.substr(0, 3));
  CHECK(r.FolderPart == "\\");
  CHECK(ProcessFolder() == sub);
}

TEST_CASE("folders that cannot be entered raise the input/output errors") {
  TScratchTree tree;
  tree.Folder("sub");
  const std::string file = tree.File("sub\\file.txt");
  TControlsFixture host;
  SetCurrentDirectoryA(tree.Root().c_str());
  auto* list = host.Make<TDirectoryListBox>();
  int changes = 0;
  list->OnChange = [&](TObject*) { ++changes; };

  struct Case {
    std::string Path;
    const char* Text;
    int Code;
  };
  for (const Case& c : {Case{tree.Path("missing"), "File not found", 2},
                        Case{tree.Path("missing\\deeper"), "File not found", 2},
                        Case{"Q:\\", "Invalid filename", 3},  // no such drive
                        Case{file + "\\inside", "I/O error 267", 267}}) {
    CAPTURE(c.Path);
    try {
      list->SetDirectory(c.Path);
      FAIL("no error");
    } catch (const EInOutError& e) {
      CHECK(e.Message() == c.Text);
      CHECK(e.ErrorCode == c.Code);
    }
    CHECK(list->Directory() == tree.Root());
    CHECK(ProcessFolder() == tree.Root());
  }
  CHECK(changes == 0);

  // The other texts of the family.
  CHECK_THROWS_WITH_AS(RaiseInOutError(4), "Too many open files", EInOutError);
  CHECK_THROWS_WITH_AS(RaiseInOutError(5), "File access denied", EInOutError);
  CHECK_THROWS_WITH_AS(RaiseInOutError(21), "I/O error 21", EInOutError);
}

TEST_CASE("the folder list opens relative paths, parents, and the folder of a file") {
  TScratchTree tree;
  const std::string sub = tree.Folder("sub");
  tree.Folder("sub\\inner");
  const std::string pic = tree.File("sub\\pic.jpg");
  TControlsFixture host;
  SetCurrentDirectoryA(sub.c_str());
  auto* list = host.Make<TDirectoryListBox>();
  std::vector<std::string> seen;
  list->OnChange = [&](TObject*) { seen.push_back(list->Directory()); };

  list->SetDirectory("inner");
  list->SetDirectory("..");
  list->SetDirectory(tree.Path("sub\\inner\\"));  // a trailing "\" is dropped
  list->SetDirectory(pic);                          // a file opens its folder
  const std::string root = sub.substr(0, 3);
  list->SetDirectory(root);
  CHECK(seen == std::vector<std::string>{sub + "\\inner", sub, sub + "\\inner", sub, root});
  CHECK(ProcessFolder() == root);
  CHECK(host.Boxes.empty());
}
