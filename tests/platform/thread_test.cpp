// Worker threads hand their drawing steps to the main thread and keep their
// errors for it.
#include <doctest/doctest.h>

#include <atomic>
#include <stdexcept>

#include "platform/application.h"
#include "platform/exceptions.h"
#include "platform/thread.h"

using namespace vr;

namespace {

class TCounter : public TThread {
 public:
  int Steps = 0;
  std::atomic<int> OnMain{0};
  std::atomic<bool> Failed{false};

 protected:
  void Execute() override {
    for (int i = 0; i < 20 && !Terminated(); ++i)
      Synchronize([this] {
        ++Steps;  // no lock needed: runs on the main thread
        if (IsMainThread()) ++OnMain;
      });
    try {
      Synchronize([] { throw Exception("raised on the main thread"); });
    } catch (const Exception& e) {
      Failed = e.Message() == "raised on the main thread";
    }
  }
};

class TFailing : public TThread {
 protected:
  void Execute() override { throw Exception("worker failed"); }
};

}  // namespace

TEST_CASE("synchronised calls run on the main thread while it waits for the worker") {
  InitApplication();
  TCounter worker;
  worker.Start();
  worker.WaitFor();  // pumps the worker's calls; never deadlocks
  CHECK(worker.Steps == 20);
  CHECK(worker.OnMain == 20);
  CHECK(worker.Failed);
  CHECK(worker.Finished());
}

TEST_CASE("an error in the worker is kept for the main thread, not shown") {
  InitApplication();
  bool shown = false;
  Application->ModalHook = [&](const TModalRequest&) {
    shown = true;
    return IDOK;
  };
  TFailing worker;
  worker.Start();
  worker.WaitFor();
  REQUIRE(worker.FatalException() != nullptr);
  CHECK_THROWS_WITH(std::rethrow_exception(worker.FatalException()), "worker failed");
  CHECK_FALSE(shown);
  Application->ModalHook = nullptr;
}

TEST_CASE("synchronised calls also run from the message loop") {
  InitApplication();
  TCounter worker;
  worker.Start();
  while (!worker.Finished()) Application->HandleMessage();
  worker.WaitFor();
  CHECK(worker.Steps == 20);
}
