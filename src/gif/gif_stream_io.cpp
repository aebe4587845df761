#include "gif/gif_stream_io.h"

#include <algorithm>

#include "gif/gif_errors.h"

namespace vr::gifio {

void ReadExactly(TStream& Stream, void* Buffer, size_t Count) {
  if (Count != 0 && Stream.Read(Buffer, Count) != Count) throw GIFException(sGIFPrematureEnd);
}

void SkipBounded(TStream& Stream, int64_t Count) {
  if (Count <= 0) return;
  Stream.Seek(std::min(Count, Stream.Remaining()), TSeekOrigin::soCurrent);
}

void SkipSubBlocks(TStream& Stream) {
  uint8_t size;
  while (TryReadByte(Stream, size) && size != 0) SkipBounded(Stream, size);
}

}  // namespace vr::gifio
