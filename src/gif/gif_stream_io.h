// Small bounded reads over a TStream, shared by the GIF reader and decoder.
// Pure C++.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/stream.h"

namespace vr::gifio {

// Reads Count bytes or fails with "Premature end of data".
void ReadExactly(TStream& Stream, void* Buffer, size_t Count);

// Reads one byte; false at the end of the stream.
inline bool TryReadByte(TStream& Stream, uint8_t& Byte) { return Stream.Read(&Byte, 1) == 1; }

// Moves back over bytes just read.
inline void StepBack(TStream& Stream, int64_t Count = 1) { Stream.Seek(-Count, TSeekOrigin::soCurrent); }

// Skips up to Count bytes, never past the end of the stream.
void SkipBounded(TStream& Stream, int64_t Count);

// Skips data sub-blocks up to and including the zero-size terminator, or to
// the end of the stream.
void SkipSubBlocks(TStream& Stream);

}  // namespace vr::gifio
