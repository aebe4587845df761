// Which wave formats the player hands on to the wave device. The system's
// wave output divides by the bytes of a sample and sizes buffers from the
// channels and the rate as the file states them; a file that states none,
// a fraction of a byte or absurd numbers is refused when it is opened
// instead of being played.
#pragma once

#include <cstdint>

namespace vr {

struct TWaveFormatFacts {
  uint32_t FormatTag = 0;
  uint32_t Channels = 0;
  uint32_t SamplesPerSec = 0;
  uint32_t BitsPerSample = 0;
};

constexpr uint32_t WaveFormatPcm = 1;
constexpr uint32_t MaxWaveChannels = 64;
constexpr uint32_t MaxWaveSamplesPerSec = 1000000;

bool WaveFormatPlayable(const TWaveFormatFacts& Format);

}  // namespace vr
