#include "sound/wave_format.h"

namespace vr {

bool WaveFormatPlayable(const TWaveFormatFacts& Format) {
  if (Format.Channels < 1 || Format.Channels > MaxWaveChannels) return false;
  if (Format.SamplesPerSec < 1 || Format.SamplesPerSec > MaxWaveSamplesPerSec) return false;
  // Plain samples take whole bytes; compressed formats state their own sizes.
  if (Format.FormatTag == WaveFormatPcm)
    return Format.BitsPerSample >= 8 && Format.BitsPerSample <= 64 && Format.BitsPerSample % 8 == 0;
  return true;
}

}  // namespace vr
