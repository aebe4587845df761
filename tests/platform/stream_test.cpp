#include <doctest/doctest.h>

#include <stdexcept>

#include "platform/byte_order.h"
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
  s.SetPosition(1);
  s.WriteU16LE(0x5958);
  s.WriteU32LE(0x31323334u);
  CHECK(std::string(reinterpret_cast<const char*>(s.Memory()), 7) == "aXY4321");
}

TEST_CASE("values keep their byte order through loads and stores, and the reader stops at the end") {
  constexpr uint8_t bytes[6] = {0x01, 0x02, 0x03, 0x84, 0x05, 0x06};
  static_assert(GetU32LE(bytes) == 0x84030201u && GetU32BE(bytes) == 0x01020384u);
  CHECK(GetU16LE(bytes + 3) == 0x0584);
  CHECK(GetU16BE(bytes + 3) == 0x8405);
  CHECK(GetS16LE(bytes + 2) == int16_t(0x8403));
  CHECK(GetS32LE(bytes) == int32_t(0x84030201u));
  uint8_t out[8] = {};
  PutU32LE(out, 0x11223344u);
  PutU32BE(out + 4, 0x11223344u);
  CHECK(GetU32BE(out) == 0x44332211u);
  CHECK(GetU32LE(out + 4) == 0x44332211u);
  PutU16LE(out, 0xA1B2);
  PutU16BE(out + 2, 0xA1B2);
  CHECK((out[0] == 0xB2 && out[1] == 0xA1 && out[2] == 0xA1 && out[3] == 0xB2));

  // Without a handler a short read gives 0 and the reader stays failed.
  TByteReader r(bytes, sizeof bytes);
  CHECK(r.U8() == 0x01);
  CHECK(r.U16BE() == 0x0203);
  CHECK(r.Has(3));
  CHECK_FALSE(r.Has(4));
  CHECK(r.U32LE() == 0);
  CHECK(r.Failed());
  CHECK(r.Remaining() == 0);
  CHECK(r.U8() == 0);
  // With one, the short read raises the caller's error.
  TByteReader s(bytes, sizeof bytes, [] { throw std::length_error("short"); });
  CHECK(s.U32LE() == 0x84030201u);
  CHECK(s.Bytes(2) == bytes + 4);
  CHECK_THROWS_WITH_AS(s.U8(), "short", std::length_error);

  // Fields read in turn, each as wide as its type.
  uint8_t tag = 0;
  uint16_t word = 0;
  int32_t value = 0;
  CHECK(TByteReader(bytes, sizeof bytes).ReadBE(tag, word, tag));
  CHECK((tag == 0x84 && word == 0x0203));
  CHECK(TByteReader(bytes, sizeof bytes).ReadLE(word, value));
  CHECK((word == 0x0201 && value == 0x06058403));
  CHECK_FALSE(TByteReader(bytes, sizeof bytes).ReadLE(value, value));
  CHECK(value == 0);
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
