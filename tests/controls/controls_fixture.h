// A host window for the folder controls and spin edits under Wine: virtual
// time, modal boxes recorded and answered, beeps counted, and the process's
// current folder put back afterwards.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/spin_edit.h"
#include "platform/application.h"
#include "platform/exceptions.h"
#include "platform/forms.h"
#include "platform/handles.h"
#include "support/app_fixture.h"
#include "support/virtual_clock.h"

namespace vr::test {

class TControlsFixture {
 public:
  TControlsFixture() {
    char here[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, here);
    FOldFolder = here;
    InitApplication();
    Application->Title = "Vistaroam";
    Application->SetClock(&Clock);
    Application->ModalHook = [this](const TModalRequest& Request) {
      Boxes.push_back(Request);
      return IDOK;
    };
    TSpinEdit::BeepHook = [this] { ++Beeps; };
    TCustomForm::TParams params;
    params.Caption = "Controls";
    Form = std::make_unique<TCustomForm>(nullptr, params);
    Form->SetBounds(0, 0, 400, 300);
    Form->Show();
    Application->ProcessMessages();
  }
  ~TControlsFixture() {
    Form.reset();
    TSpinEdit::BeepHook = nullptr;
    Application->ModalHook = nullptr;
    Application->SetClock(nullptr);
    SetCurrentDirectoryA(FOldFolder.c_str());
  }
  TControlsFixture(const TControlsFixture&) = delete;
  TControlsFixture& operator=(const TControlsFixture&) = delete;

  // Makes a control on the host window.
  template <typename T>
  T* Make() {
    return Form->Make<T>(Form.get());
  }

  TVirtualClock Clock;
  std::unique_ptr<TCustomForm> Form;
  std::vector<TModalRequest> Boxes;
  int Beeps = 0;

 private:
  std::string FOldFolder;
};

// The scratch trees live on the drive of the temporary folder; tests that
// switch drives go to a folder on the other of Wine's two drives.
inline char OtherDrive(const std::string& Path) { return Path[0] == 'Z' || Path[0] == 'z' ? 'C' : 'Z'; }
inline std::string FolderOnOtherDrive(const std::string& Path) {
  return OtherDrive(Path) == 'C' ? "C:\\windows" : "Z:\\tmp";
}
inline char LowerLetter(char C) { return static_cast<char>(std::tolower(static_cast<unsigned char>(C))); }

// Whether Draw (a control drawing into a bitmap of Size filled with
// Background, Font selected) draws Text as DrawTextW draws it into Rect with
// Format in TextColour: compared pixel by pixel inside Rect. Drawn through
// GDI's A functions, a name outside the system's code page would come out
// as other characters.
inline bool DrawsTextAs(SIZE Size, HFONT Font, COLORREF Background, COLORREF TextColour,
                        const std::function<void(HDC)>& Draw, const std::wstring& Text, RECT Rect, UINT Format) {
  struct TSurface {
    explicit TSurface(SIZE Size, HFONT Font, COLORREF Background) {
      BITMAPINFO info{};
      info.bmiHeader = {sizeof(BITMAPINFOHEADER), Size.cx, -Size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      Dib.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &Bits, nullptr, 0));
      SelectObject(DC.Get(), Dib.Get());
      SelectObject(DC.Get(), Font);
      TBrushHandle brush(CreateSolidBrush(Background));
      RECT all{0, 0, Size.cx, Size.cy};
      FillRect(DC.Get(), &all, brush.Get());
    }
    TMemoryDC DC{CreateCompatibleDC(nullptr)};
    TBitmapHandle Dib;
    void* Bits = nullptr;
  };
  TSurface drawn(Size, Font, Background), expected(Size, Font, Background);
  Draw(drawn.DC.Get());
  SetBkMode(expected.DC.Get(), TRANSPARENT);
  SetTextColor(expected.DC.Get(), TextColour);
  DrawTextW(expected.DC.Get(), Text.c_str(), static_cast<int>(Text.size()), &Rect, Format);
  GdiFlush();
  const auto* a = static_cast<const uint32_t*>(drawn.Bits);
  const auto* b = static_cast<const uint32_t*>(expected.Bits);
  int ink = 0;
  for (int y = std::max<int>(Rect.top, 0); y < std::min<int>(Rect.bottom, Size.cy); ++y)
    for (int x = std::max<int>(Rect.left, 0); x < std::min<int>(Rect.right, Size.cx); ++x) {
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(Size.cx) + static_cast<size_t>(x);
      if (a[i] != b[i]) return false;
      if ((b[i] & 0xFFFFFF) != (b[0] & 0xFFFFFF)) ++ink;
    }
  return ink > 0;  // the text was drawn at all
}

inline std::string ProcessFolder() {
  char here[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, here);
  return here;
}

}  // namespace vr::test
