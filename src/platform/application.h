// The application object: title, message loop, message processing while
// busy, and the standard error box for exceptions that leave a handler.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/component.h"

namespace vr {

class TCustomForm;

// Something that runs whenever the message queue is empty and the program
// is about to wait for the next event.
class TIdleTarget {
 public:
  virtual ~TIdleTarget() = default;
  virtual void Idle() = 0;
};

// A modal box the program is about to show; tests answer it through
// TApplication::ModalHook instead of a person.
struct TModalRequest {
  std::string Text;
  std::string Caption;
  UINT Flags;  // MessageBoxA flags: buttons and icon
};

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;
  const char* ClassName() const override { return "TApplication"; }

  std::string Title;
  TCustomForm* MainForm = nullptr;

  // Runs the message loop until Terminate (or WM_QUIT).
  void Run();
  // Processes every pending message, then returns.
  void ProcessMessages();
  // Processes one message, or waits for the next event when none is pending.
  void HandleMessage();
  void Terminate();
  bool Terminated() const { return FTerminated; }

  // Call from a catch block: shows the exception in flight in the error box.
  void HandleException() noexcept;
  // The standard error box: the text with the "." rule, the title as
  // caption, an error icon and OK.
  void ShowException(const std::exception& E);
  // Every modal message box of the program goes through here.
  int ModalBox(const std::string& Text, const std::string& Caption, UINT Flags);
  // When set, answers modal boxes instead of showing them (tests).
  std::function<int(const TModalRequest&)> ModalHook;

  void AddIdleTarget(TIdleTarget* Target) { FIdleTargets.push_back(Target); }
  void RemoveIdleTarget(TIdleTarget* Target) { std::erase(FIdleTargets, Target); }

  TClock& Clock() { return *FClock; }
  // Replaces the clock (tests); nullptr restores the system clock.
  void SetClock(TClock* Clock);

  // Runs after every message a window of ours handled (the picture code
  // releases its scarce memory device contexts here).
  void (*AfterWindowMessage)() = nullptr;

 private:
  bool ProcessMessage();
  void RunIdleTargets() noexcept;
  bool FTerminated = false;
  std::vector<TIdleTarget*> FIdleTargets;
  std::unique_ptr<TSystemClock> FSystemClock;
  TClock* FClock = nullptr;
};

// The one application object of the process, created by InitApplication.
extern TApplication* Application;

// Creates the application object (and the common controls) if not there yet.
TApplication& InitApplication();

}  // namespace vr
