#include "support/app_fixture.h"

#include <cstdio>

#include "app/image_libraries.h"
#include "pictures/picture.h"

namespace vr::test {

void RemoveTree(const std::string& Path) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((Path + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = Path + "\\" + name;
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
          (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        RemoveTree(full);
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileA(full.c_str())) RemoveDirectoryA(full.c_str());
      }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(Path.c_str());
}

std::wstring Wide(const std::string& Utf8) {
  std::wstring w(Utf8.size(), L'\0');
  int n = MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), w.data(), static_cast<int>(w.size()));
  w.resize(static_cast<size_t>(n));
  return w;
}

std::string Utf8(const std::wstring& Wide) {
  std::string s(Wide.size() * 3, '\0');
  int n = WideCharToMultiByte(CP_UTF8, 0, Wide.data(), static_cast<int>(Wide.size()), s.data(), static_cast<int>(s.size()),
                              nullptr, nullptr);
  s.resize(static_cast<size_t>(n));
  return s;
}

std::wstring WindowTextW(HWND Window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(Window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(Window, text.data(), static_cast<int>(text.size()))));
  return text;
}

TScratchTree::TScratchTree() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  static int counter = 0;
  FRoot = std::string(temp) + "vrtest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
  RemoveTree(FRoot);
  CreateDirectoryA(FRoot.c_str(), nullptr);
  // Without a trailing separator, as the folder list reports folders.
  char full[MAX_PATH];
  GetFullPathNameA(FRoot.c_str(), MAX_PATH, full, nullptr);
  FRoot = full;
  if (FRoot.size() > 3 && FRoot.back() == '\\') FRoot.pop_back();
}

TScratchTree::~TScratchTree() {
  char here[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, here);
  if (std::string(here).rfind(FRoot, 0) == 0) SetCurrentDirectoryA("C:\\");
  RemoveTree(FRoot);
}

std::string TScratchTree::Folder(const std::string& Relative) {
  std::string path = FRoot;
  size_t start = 0;
  while (start <= Relative.size()) {
    size_t end = Relative.find('\\', start);
    if (end == std::string::npos) end = Relative.size();
    path += "\\" + Relative.substr(start, end - start);
    CreateDirectoryA(path.c_str(), nullptr);
    start = end + 1;
  }
  return path;
}

std::string TScratchTree::File(const std::string& Relative, const std::string& Content) {
  return File(Relative, std::vector<uint8_t>(Content.begin(), Content.end()));
}

std::string TScratchTree::File(const std::string& Relative, const std::vector<uint8_t>& Content) {
  size_t slash = Relative.rfind('\\');
  if (slash != std::string::npos) Folder(Relative.substr(0, slash));
  std::string path = Path(Relative);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  if (!Content.empty()) WriteFile(file, Content.data(), static_cast<DWORD>(Content.size()), &written, nullptr);
  CloseHandle(file);
  return path;
}

TMainWindowFixture::TMainWindowFixture(std::function<void()> BeforeStart) {
  char here[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, here);
  FOldFolder = here;
  // Every test starts as a first start: no saved settings.
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvane");
  InitApplication();
  // As at the program's start: the image libraries are there before any
  // window (the main and splash windows show the JPEG start picture).
  if (TFileFormatsList::Instance().FindByExtension("jpg") == nullptr) RegisterImageLibraries();
  Application->Title = "Vistaroam";
  Application->SetClock(&Clock);
  Application->ModalHook = [this](const TModalRequest& request) {
    Boxes.push_back(request);
    if (!Answers.empty()) {
      int answer = Answers.front();
      Answers.pop_front();
      return answer;
    }
    return (request.Flags & MB_YESNO) == MB_YESNO ? IDNO : IDOK;
  };
  if (BeforeStart) BeforeStart();
  FForm = std::make_unique<TForm1>(nullptr);
  Form1 = FForm.get();
  Application->MainForm = FForm.get();
  FForm->Show();
  Application->ProcessMessages();
}

TMainWindowFixture::~TMainWindowFixture() {
  FForm.reset();
  Application->MainForm = nullptr;
  Application->ModalHook = nullptr;
  Application->SetClock(nullptr);
  // A confirmed Quit leaves a quit message behind; the next test starts clean.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  SetCurrentDirectoryA(FOldFolder.c_str());
}

void TMainWindowFixture::Click(TWinControl* Control) { SendMessageA(Control->Handle(), BM_CLICK, 0, 0); }

void TMainWindowFixture::Type(TWinControl* Edit, const std::string& Text) {
  SendMessageA(Edit->Handle(), EM_SETSEL, 0, -1);
  SendMessageA(Edit->Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Text.c_str()));
}

std::string TMainWindowFixture::Log() const { return FForm->Memo1->Text(); }

std::vector<std::string> TMainWindowFixture::LogLines() const {
  std::vector<std::string> lines;
  std::string text = Log();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace vr::test
