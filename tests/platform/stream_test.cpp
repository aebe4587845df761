#include <doctest/doctest.h>

#include "platform/exceptions.h"
#include "platform/stream.h"

using namespace vr;

TEST_CASE("memory stream reads what was written and stops at the end") {
  TMemoryStream s;
  const char text[] = "abcdef";
  s.WriteBuffer(text, 6);
  CHECK(s.Size() == 6);
  s.SetPosition(2);
  char out[8] = {};
  CHECK(s.Read(out, 8) == 4);
  CHECK(std::string(out) == "cdef");
  CHECK(s.Remaining() == 0);
  s.SetPosition(4);
  CHECK_THROWS_WITH_AS(s.ReadBuffer(out, 3), "Stream read error", EReadError);
  s.SetPosition(0);
  CHECK(s.ReadU16LE() == 0x6261);
  CHECK(s.ReadU32LE() == 0x66656463u);
}

TEST_CASE("a missing file raises the open error with its name") {
  CHECK_THROWS_WITH_AS(TFileStream("no-such-dir/none.bin", TFileMode::fmOpenReadShareDenyWrite),
                       "Cannot open file no-such-dir/none.bin", EFOpenError);
}

TEST_CASE("the error box appends a full stop only after characters that sort after it") {
  CHECK(ErrorBoxText("Stream read error") == "Stream read error.");
  CHECK(ErrorBoxText("Done.") == "Done.");
  CHECK(ErrorBoxText("Really!") == "Really!");
  CHECK(ErrorBoxText("Code 5") == "Code 5.");
  CHECK(ErrorBoxText("(a,b)") == "(a,b)");  // ')' sorts before '.'
  CHECK(ErrorBoxText("") == "");
  CHECK(ErrorBoxText("caf\xE9") == "caf\xE9.");  // bytes above 127 sort after '.'
}

TEST_CASE("assigning between unrelated classes names both") {
  TPersistent a, b;
  CHECK_THROWS_WITH_AS(a.AssignFrom(&b), "Cannot assign a TPersistent to a TPersistent", EConvertError);
  CHECK_THROWS_WITH_AS(a.AssignFrom(nullptr), "Cannot assign a nil to a TPersistent", EConvertError);
}
