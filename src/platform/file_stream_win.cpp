// TFileStream over the Win32 file API.
#include <windows.h>

#include <algorithm>

#include "platform/exceptions.h"
#include "platform/stream.h"

namespace vr {

struct TFileStream::Impl {
  HANDLE File = INVALID_HANDLE_VALUE;
};

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FImpl(std::make_unique<Impl>()) {
  if (Mode == TFileMode::fmCreate) {
    FImpl->File = CreateFileA(FileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (FImpl->File == INVALID_HANDLE_VALUE) throw EFCreateError(Format("Cannot create file %s", FileName.c_str()));
  } else {
    FImpl->File = CreateFileA(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (FImpl->File == INVALID_HANDLE_VALUE) throw EFOpenError(Format("Cannot open file %s", FileName.c_str()));
  }
}

TFileStream::~TFileStream() {
  if (FImpl->File != INVALID_HANDLE_VALUE) CloseHandle(FImpl->File);
}

size_t TFileStream::Read(void* Buffer, size_t Count) {
  size_t total = 0;
  auto* out = static_cast<char*>(Buffer);
  while (total < Count) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(Count - total, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(FImpl->File, out + total, chunk, &got, nullptr) || got == 0) break;
    total += got;
  }
  return total;
}

size_t TFileStream::Write(const void* Buffer, size_t Count) {
  size_t total = 0;
  auto* in = static_cast<const char*>(Buffer);
  while (total < Count) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(Count - total, 1u << 30));
    DWORD put = 0;
    if (!WriteFile(FImpl->File, in + total, chunk, &put, nullptr) || put == 0) break;
    total += put;
  }
  return total;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  LARGE_INTEGER distance, result;
  distance.QuadPart = Offset;
  DWORD method = Origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                 : Origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                    : FILE_END;
  if (!SetFilePointerEx(FImpl->File, distance, &result, method)) return -1;
  return result.QuadPart;
}

}  // namespace vr
