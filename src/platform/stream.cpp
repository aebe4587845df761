#include "platform/stream.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"
#include "platform/exceptions.h"

namespace vr {

int64_t TStream::Size() {
  int64_t pos = Seek(0, TSeekOrigin::soCurrent);
  int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return end;
}

int64_t TStream::Remaining() {
  int64_t pos = Position();
  int64_t size = Size();
  return size > pos ? size - pos : 0;
}

void TStream::ReadBuffer(void* Buffer, size_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, size_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  int64_t left = Count;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(left, 61440)));
  while (left > 0) {
    size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(buffer.size())));
    Source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= static_cast<int64_t>(n);
  }
  return Count;
}

uint8_t TStream::ReadByte() {
  uint8_t b;
  ReadBuffer(&b, 1);
  return b;
}

uint16_t TStream::ReadU16LE() {
  uint8_t b[2];
  ReadBuffer(b, 2);
  return GetU16LE(b);
}

uint32_t TStream::ReadU32LE() {
  uint8_t b[4];
  ReadBuffer(b, 4);
  return GetU32LE(b);
}

void TStream::WriteU16LE(uint16_t Value) {
  uint8_t b[2];
  PutU16LE(b, Value);
  WriteBuffer(b, 2);
}

void TStream::WriteU32LE(uint32_t Value) {
  uint8_t b[4];
  PutU32LE(b, Value);
  WriteBuffer(b, 4);
}

size_t TMemoryStream::Read(void* Buffer, size_t Count) {
  if (FPosition >= FData.size()) return 0;
  size_t n = std::min(Count, FData.size() - FPosition);
  std::memcpy(Buffer, FData.data() + FPosition, n);
  FPosition += n;
  return n;
}

size_t TMemoryStream::Write(const void* Buffer, size_t Count) {
  if (Count == 0) return 0;
  if (FPosition + Count > FData.size()) FData.resize(FPosition + Count);
  std::memcpy(FData.data() + FPosition, Buffer, Count);
  FPosition += Count;
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = Origin == TSeekOrigin::soBeginning ? 0
                 : Origin == TSeekOrigin::soCurrent ? static_cast<int64_t>(FPosition)
                                                    : static_cast<int64_t>(FData.size());
  int64_t pos = base + Offset;
  FPosition = pos < 0 ? 0 : static_cast<size_t>(pos);
  return static_cast<int64_t>(FPosition);
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::SetSize(size_t NewSize) {
  FData.resize(NewSize);
  FPosition = std::min(FPosition, NewSize);
}

void TMemoryStream::LoadFromStream(TStream& Source) {
  Source.SetPosition(0);
  int64_t size = Source.Size();
  std::vector<uint8_t> data(static_cast<size_t>(size));
  Source.ReadBuffer(data.data(), data.size());
  FData = std::move(data);
  FPosition = 0;
}

}  // namespace vr
