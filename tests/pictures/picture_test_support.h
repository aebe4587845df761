// Helpers of the picture tests: bitmap files built byte by byte, and a
// 32-bit drawing target whose pixels the tests read back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/handles.h"
#include "support/byte_writer.h"

namespace vr::test {

// Colours as 0xRRGGBB.
constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

struct TBmpLayout {
  int32_t Width = 0, Height = 0;  // negative height: top-down
  uint16_t Bits = 24;
  uint32_t HeaderSize = 40;  // 12: core header
  uint32_t Compression = 0;
  uint32_t PixelOffset = 0;  // 0: computed
  uint16_t Planes = 1;
  uint32_t ClrUsed = 0;  // 0: the number of Colors
  uint32_t SizeImage = 0;
  std::vector<uint32_t> Masks;   // written after a 40-byte header
  std::vector<uint32_t> Colors;  // colour table, 0xRRGGBB
};

// Headers (file header, info or core header, masks, colour table) and then
// Pixels as given.
std::vector<uint8_t> BmpFile(const TBmpLayout& Layout, const std::vector<uint8_t>& Pixels);

// A bitmap file of the picture Rows (top row first, 0xRRGGBB per pixel)
// in Bits per pixel (1, 4, 8: through Colors, each pixel the index of its
// colour; 16: 5-5-5; 24; 32), bottom-up unless TopDown.
std::vector<uint8_t> BmpOfPicture(const std::vector<std::vector<uint32_t>>& Rows, uint16_t Bits,
                                  const std::vector<uint32_t>& Colors = {}, bool TopDown = false);

// A 32-bit top-down DIB section in a memory device context, filled with
// one colour, with a canvas over it.
class TDrawTarget {
 public:
  TDrawTarget(int Width, int Height, uint32_t Fill = kBlack);
  ~TDrawTarget();
  TDrawTarget(const TDrawTarget&) = delete;
  TDrawTarget& operator=(const TDrawTarget&) = delete;
  TCanvas& Canvas() { return FCanvas; }
  HDC DC() const { return FDC.Get(); }
  uint32_t Pixel(int X, int Y) const;
  void FillWith(uint32_t Colour);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Counts the pixels of Colour in the rectangle.
  int Count(uint32_t Colour, const RECT& R) const;
  // The smallest rectangle holding every pixel that differs from Colour.
  RECT BoundsOfOther(uint32_t Colour) const;

 private:
  int FWidth, FHeight;
  TMemoryDC FDC;
  TBitmapHandle FBitmap;
  HGDIOBJ FOld = nullptr;
  uint32_t* FBits = nullptr;
  TCanvas FCanvas;
};

// The GDI objects this process holds: the system's own count, or where the
// system keeps none (Wine's GetGuiResources is a stub), the used entries of
// the process's GDI handle table.
int GdiObjectCount();

// A file of the temporary folder, removed at the end of the test.
class TTempFile {
 public:
  TTempFile(const std::string& Name, const std::vector<uint8_t>& Content);
  ~TTempFile();
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  const std::string& Path() const { return FPath; }

 private:
  std::string FPath;
};

}  // namespace vr::test
