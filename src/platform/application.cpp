#include "platform/application.h"

#include <commctrl.h>

#include "platform/exceptions.h"
#include "platform/forms.h"
#include "platform/thread.h"

namespace vr {

TApplication* Application = nullptr;

TApplication& InitApplication() {
  if (Application == nullptr) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    Application = new TApplication();  // lives until process exit
  }
  return *Application;
}

TApplication::TApplication() : TComponent(nullptr), FSystemClock(std::make_unique<TSystemClock>()) {
  FClock = FSystemClock.get();
}

TApplication::~TApplication() = default;

void TApplication::SetClock(TClock* Clock) { FClock = Clock != nullptr ? Clock : FSystemClock.get(); }

bool TApplication::ProcessMessage() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && MainForm != nullptr) {
    // Tab and Shift+Tab move the focus between the controls of a form.
    HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    if (top != nullptr && IsDialogMessageA(top, &msg)) return true;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

void TApplication::ProcessMessages() {
  // The walk processes messages after every entry, and nearly always there
  // are none: asking the queue is one call to the window system, while a
  // PeekMessage that finds nothing is several under Wine.
  if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) return;
  while (ProcessMessage()) {
  }
}

void TApplication::HandleMessage() {
  if (!ProcessMessage()) {
    CheckSynchronize();
    RunIdleTargets();
    FClock->WaitForEvent();
  }
}

void TApplication::RunIdleTargets() noexcept {
  for (size_t i = 0; i < FIdleTargets.size(); ++i) {
    try {
      FIdleTargets[i]->Idle();
    } catch (...) {
      HandleException();
    }
  }
}

void TApplication::Run() {
  while (!FTerminated) HandleMessage();
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::HandleException() noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    try {
      ShowException(e);
    } catch (...) {
    }
  } catch (...) {
    try {
      ShowException(Exception("Unknown exception"));
    } catch (...) {
    }
  }
}

void TApplication::ShowException(const std::exception& E) {
  ModalBox(ErrorBoxText(E.what()), Title, MB_OK | MB_ICONERROR);
}

int TApplication::ModalBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  if (ModalHook) return ModalHook(TModalRequest{Text, Caption, Flags});
  HWND owner = GetActiveWindow();
  if (owner == nullptr && MainForm != nullptr) owner = MainForm->Handle();
  return ::MessageBoxA(owner, Text.c_str(), Caption.c_str(), Flags);
}

}  // namespace vr
