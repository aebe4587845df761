// Drives the real main window under Wine: a fresh TForm1 per test, virtual
// time, modal boxes answered by the test, and a scratch folder tree.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "platform/application.h"
#include "support/virtual_clock.h"

namespace vr::test {

// A folder tree made for one test under the temporary folder, removed after.
class TScratchTree {
 public:
  TScratchTree();
  ~TScratchTree();
  TScratchTree(const TScratchTree&) = delete;
  TScratchTree& operator=(const TScratchTree&) = delete;
  const std::string& Root() const { return FRoot; }
  // Paths are relative to the root, with "\" separators.
  std::string Folder(const std::string& Relative);
  std::string File(const std::string& Relative, const std::string& Content = "x");
  std::string File(const std::string& Relative, const std::vector<uint8_t>& Content);
  std::string Path(const std::string& Relative) const { return FRoot + "\\" + Relative; }

 private:
  std::string FRoot;
};

// Deletes a folder and everything below it.
void RemoveTree(const std::string& Path);

// Between UTF-8 and UTF-16, made without the ANSI code page, so that a test
// can say what a name is independently of the program's byte strings.
std::wstring Wide(const std::string& Utf8);
std::string Utf8(const std::wstring& Wide);
// A window's text as the system reads it out for a Unicode caller.
std::wstring WindowTextW(HWND Window);

class TMainWindowFixture {
 public:
  // BeforeStart runs after the settings are cleared and before the window
  // is made (to store settings, say).
  explicit TMainWindowFixture(std::function<void()> BeforeStart = nullptr);
  ~TMainWindowFixture();

  TForm1& Form() { return *FForm; }
  TVirtualClock Clock;
  // Every modal box the program asked for, in order.
  std::vector<TModalRequest> Boxes;
  // Answers for the coming boxes; IDOK (or IDNO for a question) when empty.
  std::deque<int> Answers;

  // Presses a button or check box the way a user's click does.
  static void Click(TWinControl* Control);
  // Types a text into an edit (replacing its content).
  static void Type(TWinControl* Edit, const std::string& Text);
  std::string Log() const;
  std::vector<std::string> LogLines() const;

 private:
  std::unique_ptr<TForm1> FForm;
  std::string FOldFolder;
};

}  // namespace vr::test
