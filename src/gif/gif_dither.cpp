#include "gif/gif_dither.h"

#include <algorithm>

namespace vr {

std::vector<TGIFRGB> CubePalette() {
  std::vector<TGIFRGB> cube;
  cube.reserve(216);
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        cube.push_back(TGIFRGB{static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
                               static_cast<uint8_t>(b * 51)});
  return cube;
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int Width) : FWidth(std::max(Width, 0)) {
  for (auto& row : FRow) row.assign(static_cast<size_t>(FWidth) + 2, 0);
}

void TFloydSteinbergDitherer::NextRow() {
  FLeftToRight = FStarted ? !FLeftToRight : true;
  FStarted = true;
  std::fill(std::begin(FAhead), std::end(FAhead), 0);
  std::fill(std::begin(FBelowAhead), std::end(FBelowAhead), 0);
}

void TFloydSteinbergDitherer::Spread(int X, const int (&Error)[3]) {
  const size_t at = static_cast<size_t>(X) + 1;
  const size_t behind = FLeftToRight ? at - 1 : at + 1;
  for (int c = 0; c < 3; ++c) {
    FRow[c][behind] += 3 * Error[c];          // behind-below (already turned into the next row)
    FRow[c][at] = 5 * Error[c] + FBelowAhead[c];  // below, plus the previous pixel's ahead-below
    FBelowAhead[c] = Error[c];                // ahead-below, added when that column is visited
    FAhead[c] = 7 * Error[c];                 // next in scan direction
  }
}

int TFloydSteinbergDitherer::Dither(int X, TGIFRGB Color) {
  const size_t at = static_cast<size_t>(X) + 1;
  const int value[3] = {Color.Red, Color.Green, Color.Blue};
  int level[3], error[3];
  for (int c = 0; c < 3; ++c) {
    const int corrected = std::clamp(value[c] + (FRow[c][at] + FAhead[c] + 8) / 16, 0, 255);
    level[c] = CubeLevel(corrected);
    error[c] = corrected - level[c] * 51;
  }
  Spread(X, error);
  return level[0] * 36 + level[1] * 6 + level[2];
}

void TFloydSteinbergDitherer::Skip(int X) {
  static constexpr int none[3] = {0, 0, 0};
  Spread(X, none);
}

}  // namespace vr
