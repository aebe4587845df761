// Worker threads, and running code on the main (GUI) thread for them.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

#include "platform/classes.h"

namespace vr {

// A worker thread. Execute runs on the worker; Synchronize runs a function on
// the main thread (through a message to a hidden window) while the worker
// waits. An error in Execute is kept for the main thread (FatalException),
// never shown from the worker.
class TThread : public TObject {
 public:
  TThread() = default;
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
  const char* ClassName() const override { return "TThread"; }

  void Start();
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  // Waits for the end of Execute, running the worker's synchronised calls
  // meanwhile so that the two threads never wait for each other.
  void WaitFor();
  bool Finished() const { return FFinished; }
  std::exception_ptr FatalException() const { return FFatal; }

 protected:
  virtual void Execute() = 0;
  // From the worker: runs Method on the main thread and waits for it. An
  // exception of Method is raised again in the worker.
  void Synchronize(const std::function<void()>& Method);

 private:
  std::thread FThread;
  // Written by one thread and read by the other; FFinished is set after
  // FFatal, so a thread that sees it set also sees the kept error.
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::exception_ptr FFatal;
};

// Runs the pending synchronised calls; the main thread calls it when idle.
// Returns true when there were any.
bool CheckSynchronize();
bool IsMainThread();

}  // namespace vr
