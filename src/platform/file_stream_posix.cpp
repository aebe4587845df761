// TFileStream over stdio, for the native builds (tests, fuzzing, benchmarks).
#include <cstdio>

#include "platform/exceptions.h"
#include "platform/stream.h"

namespace vr {

struct TFileStream::Impl {
  std::FILE* File = nullptr;
};

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FImpl(std::make_unique<Impl>()) {
  if (Mode == TFileMode::fmCreate) {
    FImpl->File = std::fopen(FileName.c_str(), "w+b");
    if (FImpl->File == nullptr) throw EFCreateError(Format("Cannot create file %s", FileName.c_str()));
  } else {
    FImpl->File = std::fopen(FileName.c_str(), "rb");
    if (FImpl->File == nullptr) throw EFOpenError(Format("Cannot open file %s", FileName.c_str()));
  }
}

TFileStream::~TFileStream() {
  if (FImpl->File != nullptr) std::fclose(FImpl->File);
}

size_t TFileStream::Read(void* Buffer, size_t Count) { return std::fread(Buffer, 1, Count, FImpl->File); }

size_t TFileStream::Write(const void* Buffer, size_t Count) { return std::fwrite(Buffer, 1, Count, FImpl->File); }

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int whence = Origin == TSeekOrigin::soBeginning ? SEEK_SET : Origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  if (fseeko(FImpl->File, Offset, whence) != 0) return -1;
  return ftello(FImpl->File);
}

}  // namespace vr
