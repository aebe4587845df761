#include "pictures/jpeg_support.h"

#include <algorithm>
#include <cstdlib>

#include "app/image_libraries.h"
#include "pictures/picture.h"
#include "platform/application.h"

namespace vr::test {

TBitmapPixels::TBitmapPixels(TBitmap& Bitmap)
    : FWidth(Bitmap.Width()), FHeight(Bitmap.Height()), FIndexed(Bitmap.PixelFormat() == TPixelFormat::pf8bit) {
  for (int y = 0; y < FHeight; ++y) FRows.push_back(Bitmap.RowPointer(y));
  if (FIndexed) FTable = Bitmap.ColorTable();
}

uint32_t TBitmapPixels::At(int X, int Y) const {
  const uint8_t* row = FRows[size_t(Y)];
  if (FIndexed) {
    const TRGBQuad q = FTable[row[X]];
    return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue;
  }
  const uint8_t* p = row + size_t(X) * 3;
  return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

namespace {

int ChannelDifference(uint32_t A, uint32_t B) {
  int most = 0;
  for (int shift = 0; shift < 24; shift += 8)
    most = std::max(most, std::abs(int((A >> shift) & 0xFF) - int((B >> shift) & 0xFF)));
  return most;
}

}  // namespace

int MaxDifference(TBitmap& Bitmap, const TTestImage& Reference, int First, int Last) {
  if (Bitmap.Width() != Reference.Width || Bitmap.Height() != Reference.Height) return 255;
  TBitmapPixels pixels(Bitmap);
  if (Last < 0) Last = Reference.Height;
  int most = 0;
  for (int y = First; y < Last; ++y)
    for (int x = 0; x < Reference.Width; ++x) most = std::max(most, ChannelDifference(pixels.At(x, y), Reference.Rgb(x, y)));
  return most;
}

double MeanDifference(TBitmap& Bitmap, const TTestImage& Reference) {
  if (Bitmap.Width() != Reference.Width || Bitmap.Height() != Reference.Height) return 255;
  TBitmapPixels pixels(Bitmap);
  double sum = 0;
  for (int y = 0; y < Reference.Height; ++y)
    for (int x = 0; x < Reference.Width; ++x) {
      const uint32_t a = pixels.At(x, y), b = Reference.Rgb(x, y);
      for (int shift = 0; shift < 24; shift += 8) sum += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
    }
  return sum / (3.0 * Reference.Width * Reference.Height);
}

std::unique_ptr<TJPEGImage> LoadedJPEG(const std::vector<uint8_t>& File) {
  auto jpeg = std::make_unique<TJPEGImage>();
  TMemoryStream stream(File);
  jpeg->LoadFromStream(stream);
  return jpeg;
}

TImageLibraries::TImageLibraries() {
  if (TFileFormatsList::Instance().FindByExtension("jpg") != nullptr) return;
  RegisterImageLibraries();
  FRegistered = true;
}

TImageLibraries::~TImageLibraries() {
  if (FRegistered) UnregisterImageLibraries();
}

TSteppingClock::TSteppingClock(uint32_t StepMs) : FStep(StepMs) {
  InitApplication();
  Application->SetClock(this);
}

TSteppingClock::~TSteppingClock() { Application->SetClock(nullptr); }

}  // namespace vr::test
