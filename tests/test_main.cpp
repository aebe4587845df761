// The tests' common main: doctest's own, and a watch on faults. A block of
// the program that carries on after any failure counts an error that is no
// Exception of ours (platform/exceptions.h); a test case that leaves such a
// fault behind fails the run, with the fault's text and the case's name.
// A test that provokes a fault on purpose takes it with TakeFaults.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest/doctest.h>

#include <cstdio>
#include <string>

#include "platform/exceptions.h"

namespace {

int FaultsLeft = 0;

// Where: "test case \"...\"" or "outside the test cases".
void ReportFaults(const std::string& Where) {
  const vr::TFaults faults = vr::TakeFaults();
  if (faults.Count == 0) return;
  ++FaultsLeft;
  std::fprintf(stderr, "FAULT in %s: %u error(s) of no exception class of ours caught and carried on; the first: %s\n",
               Where.c_str(), faults.Count, faults.First.c_str());
  std::fflush(stderr);
}

// Looks at the faults after every test case.
class TFaultWatch : public doctest::IReporter {
 public:
  explicit TFaultWatch(const doctest::ContextOptions&) {}
  void report_query(const doctest::QueryData&) override {}
  void test_run_start() override {}
  void test_run_end(const doctest::TestRunStats&) override {}
  void test_case_start(const doctest::TestCaseData& Test) override { FTest = &Test; }
  void test_case_reenter(const doctest::TestCaseData&) override {}
  void test_case_end(const doctest::CurrentTestCaseStats&) override {
    ReportFaults(std::string("test case \"") + (FTest != nullptr ? FTest->m_name : "?") + "\"");
  }
  void test_case_exception(const doctest::TestCaseException&) override {}
  void subcase_start(const doctest::SubcaseSignature&) override {}
  void subcase_end() override {}
  void log_assert(const doctest::AssertData&) override {}
  void log_message(const doctest::MessageData&) override {}
  void test_case_skipped(const doctest::TestCaseData&) override {}

 private:
  const doctest::TestCaseData* FTest = nullptr;
};

REGISTER_LISTENER("faults", 1, TFaultWatch);

}  // namespace

int main(int argc, char** argv) {
  doctest::Context context(argc, argv);
  const int result = context.run();
  if (context.shouldExit()) return result;
  ReportFaults("outside the test cases");
  if (FaultsLeft == 0) return result;
  std::fprintf(stderr, "FAULT: %d place(s) left a fault behind: the run fails\n", FaultsLeft);
  return result != 0 ? result : 1;
}
