// Byte streams: the abstract stream, memory streams and file streams.
// Pure C++ (the file stream has a Win32 and a POSIX body).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes.h"

namespace vr {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
 public:
  const char* ClassName() const override { return "TStream"; }
  // Reads up to Count bytes; returns how many were read (0 at the end).
  virtual size_t Read(void* Buffer, size_t Count) = 0;
  // Writes up to Count bytes; returns how many were written.
  virtual size_t Write(const void* Buffer, size_t Count) = 0;
  // Moves the position; returns the new position.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }
  virtual int64_t Size();
  // Bytes from the position to the end (never negative).
  int64_t Remaining();

  // Read or write exactly Count bytes, else "Stream read error" /
  // "Stream write error".
  void ReadBuffer(void* Buffer, size_t Count);
  void WriteBuffer(const void* Buffer, size_t Count);
  // Copies Count bytes (all from the start when Count is 0) from Source.
  int64_t CopyFrom(TStream& Source, int64_t Count);

  // Little-endian values ("Stream read error" / "Stream write error" as above).
  uint8_t ReadByte();
  uint16_t ReadU16LE();
  uint32_t ReadU32LE();
  void WriteU16LE(uint16_t Value);
  void WriteU32LE(uint32_t Value);
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> data) : FData(std::move(data)) {}
  const char* ClassName() const override { return "TMemoryStream"; }
  size_t Read(void* Buffer, size_t Count) override;
  size_t Write(const void* Buffer, size_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }

  void Clear();
  void SetSize(size_t NewSize);
  const uint8_t* Memory() const { return FData.data(); }
  uint8_t* Memory() { return FData.data(); }
  const std::vector<uint8_t>& Bytes() const { return FData; }
  // Replaces the content with all of Source from its start.
  void LoadFromStream(TStream& Source);

 private:
  std::vector<uint8_t> FData;
  size_t FPosition = 0;
};

// Open modes of a file stream.
enum class TFileMode {
  fmOpenReadShareDenyWrite,  // read; other writers denied
  fmCreate,                  // create or truncate for writing
};

class TFileStream : public TStream {
 public:
  // Raises EFOpenError "Cannot open file %s" or EFCreateError "Cannot create file %s".
  TFileStream(const std::string& FileName, TFileMode Mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  const char* ClassName() const override { return "TFileStream"; }
  size_t Read(void* Buffer, size_t Count) override;
  size_t Write(const void* Buffer, size_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};

}  // namespace vr
