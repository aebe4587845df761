#include "platform/thread.h"

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace vr {

namespace {

struct TSyncCall {
  const std::function<void()>* Method;
  std::exception_ptr Error;
  bool Done = false;
};

std::mutex gSyncLock;
std::condition_variable gSyncDone;
std::deque<TSyncCall*> gSyncQueue;
DWORD gMainThreadId = GetCurrentThreadId();
HWND gThreadWindow = nullptr;
constexpr UINT kSyncMessage = WM_APP + 0x300;

LRESULT CALLBACK ThreadWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kSyncMessage) {
    CheckSynchronize();
    return 0;
  }
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

// The hidden window whose messages wake the main thread for synchronised calls.
HWND ThreadWindow() {
  if (gThreadWindow == nullptr) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ThreadWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TThreadWindow";
    RegisterClassA(&wc);
    gThreadWindow = CreateWindowExA(0, "TThreadWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  }
  return gThreadWindow;
}

}  // namespace

bool IsMainThread() { return GetCurrentThreadId() == gMainThreadId; }

bool CheckSynchronize() {
  if (!IsMainThread()) return false;
  bool any = false;
  for (;;) {
    TSyncCall* call;
    {
      std::lock_guard<std::mutex> lock(gSyncLock);
      if (gSyncQueue.empty()) break;
      call = gSyncQueue.front();
      gSyncQueue.pop_front();
    }
    any = true;
    try {
      (*call->Method)();
    } catch (...) {
      call->Error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(gSyncLock);
      call->Done = true;
    }
    gSyncDone.notify_all();
  }
  return any;
}

TThread::~TThread() {
  if (FThread.joinable()) {
    Terminate();
    WaitFor();
  }
}

void TThread::Start() {
  ThreadWindow();  // made on the main thread, before the worker needs it
  FThread = std::thread([this] {
    try {
      Execute();
    } catch (...) {
      FFatal = std::current_exception();
    }
    FFinished = true;
    PostMessageA(gThreadWindow, kSyncMessage, 0, 0);  // wakes a waiting main thread
  });
}

void TThread::WaitFor() {
  if (!FThread.joinable()) return;
  if (IsMainThread()) {
    while (!FFinished) {
      if (!CheckSynchronize()) {
        std::unique_lock<std::mutex> lock(gSyncLock);
        gSyncDone.wait_for(lock, std::chrono::milliseconds(5), [] { return !gSyncQueue.empty(); });
      }
    }
  }
  FThread.join();
}

void TThread::Synchronize(const std::function<void()>& Method) {
  if (IsMainThread()) {
    Method();
    return;
  }
  TSyncCall call{&Method, nullptr, false};
  {
    std::lock_guard<std::mutex> lock(gSyncLock);
    gSyncQueue.push_back(&call);
  }
  PostMessageA(gThreadWindow, kSyncMessage, 0, 0);
  {
    std::unique_lock<std::mutex> lock(gSyncLock);
    gSyncDone.wait(lock, [&] { return call.Done; });
  }
  if (call.Error) std::rethrow_exception(call.Error);
}

}  // namespace vr
