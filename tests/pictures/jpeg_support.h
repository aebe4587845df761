// Helpers of the JPEG tests that need the system: reading a decoded
// bitmap's pixels, comparing them with libjpeg's own decoding, the image
// libraries registered for a test, and a clock that moves at every look.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "pictures/bitmap.h"
#include "pictures/jpeg/jpeg_image_win.h"
#include "pictures/jpeg_test_files.h"
#include "support/virtual_clock.h"

namespace vr::test {

// The pixels of a bitmap (24-bit or 8-bit through its colour table) as 0xRRGGBB.
class TBitmapPixels {
 public:
  explicit TBitmapPixels(TBitmap& Bitmap);
  uint32_t At(int X, int Y) const;
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  const std::vector<TRGBQuad>& Table() const { return FTable; }

 private:
  int FWidth, FHeight;
  bool FIndexed;
  std::vector<const uint8_t*> FRows;
  std::vector<TRGBQuad> FTable;
};

// The largest difference of one channel between the bitmap and the
// reference, over rows First..Last-1 (all rows by default); 255 when the
// sizes differ.
int MaxDifference(TBitmap& Bitmap, const TTestImage& Reference, int First = 0, int Last = -1);
// The mean difference per channel.
double MeanDifference(TBitmap& Bitmap, const TTestImage& Reference);

// A JPEG image loaded from File.
std::unique_ptr<TJPEGImage> LoadedJPEG(const std::vector<uint8_t>& File);

// Registers the image libraries for the test when nobody has yet, and
// removes them again at the end.
class TImageLibraries {
 public:
  TImageLibraries();
  ~TImageLibraries();
  TImageLibraries(const TImageLibraries&) = delete;
  TImageLibraries& operator=(const TImageLibraries&) = delete;

 private:
  bool FRegistered = false;
};

// The application's clock for the test: every look at it is StepMs later,
// so every progress call of the decoder may report.
class TSteppingClock : public TVirtualClock {
 public:
  explicit TSteppingClock(uint32_t StepMs);
  ~TSteppingClock() override;
  uint32_t NowMs() override { return FTime += FStep; }

 private:
  uint32_t FStep;
  uint32_t FTime = 0;
};

}  // namespace vr::test
