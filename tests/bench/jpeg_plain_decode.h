// The reference of the JPEG benchmark: the same libjpeg decoding a file
// into memory in a plain loop of jpeg_read_scanlines. No <windows.h>.
#pragma once

#include <cstdint>
#include <vector>

namespace vr::bench {

// Decodes File into one buffer of RGB rows, as a program would that only
// wants the pixels; returns the sum of the samples (so nothing is skipped).
uint64_t PlainDecode(const std::vector<uint8_t>& File);

}  // namespace vr::bench
