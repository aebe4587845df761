// The 216-colour cube that frames are dithered to on palette displays, and
// Floyd-Steinberg error diffusion onto it.
// Pure C++.
#pragma once

#include <vector>

#include "gif/gif_color_map.h"

namespace vr {

// Entry i * 36 + j * 6 + k is red i * 51, green j * 51, blue k * 51.
std::vector<TGIFRGB> CubePalette();

// The cube level (0..5) of a channel value.
inline int CubeLevel(int Value) { return (Value + 3) / 51; }
// The cube entry nearest to a colour.
inline int CubeIndex(TGIFRGB Color) {
  return CubeLevel(Color.Red) * 36 + CubeLevel(Color.Green) * 6 + CubeLevel(Color.Blue);
}

// Serpentine Floyd-Steinberg error diffusion onto the cube, one row at a
// time: the first row runs left to right, each further row the other way.
// Errors are kept in sixteenths in one row per channel that is updated in
// place as the scan moves.
class TFloydSteinbergDitherer {
 public:
  explicit TFloydSteinbergDitherer(int Width);

  // Starts the next row (flipping the direction after the first).
  void NextRow();
  // Columns of the current row in scan order, for 0 <= Step < Width.
  int Column(int Step) const { return FLeftToRight ? Step : FWidth - 1 - Step; }

  // Dithers the pixel at column X, visited in scan order; answers its cube
  // index.
  int Dither(int X, TGIFRGB Color);
  // A pixel that takes no part (a transparent one): it neither takes nor
  // spreads any error.
  void Skip(int X);

 private:
  void Spread(int X, const int (&Error)[3]);

  int FWidth;
  bool FLeftToRight = false;
  bool FStarted = false;
  // Per channel, Width + 2 entries (one spare at each end): for columns not
  // yet visited in this row the error they receive from the row above, for
  // visited ones the error the row below receives.
  std::vector<int> FRow[3];
  int FAhead[3] = {};       // 7/16 of the previous pixel's error, for this pixel
  int FBelowAhead[3] = {};  // 1/16 of the previous pixel's error, for the one below this
};

}  // namespace vr
