#include "gif/gif_dib_writer.h"

#include <algorithm>
#include <limits>
#include <new>

#include "gif/gif_errors.h"
#include "pictures/graphic_errors.h"

namespace vr {

uint8_t* TMemoryDIB::AllocatePixels(const std::vector<uint8_t>& NewHeader, size_t NewStride, int NewHeight) {
  Header = NewHeader;
  Stride = NewStride;
  Height = NewHeight;
  try {
    Pixels.assign(NewStride * static_cast<size_t>(NewHeight), 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return Pixels.data();
}

std::vector<uint8_t> MakeDIBHeader(int Width, int Height, int BitsPerPixel, bool TopDown,
                                   const std::vector<TGIFRGB>& Palette) {
  TDibInfo dib;
  dib.Header.biWidth = Width;
  dib.Header.biHeight = TopDown ? -Height : Height;
  dib.Header.biPlanes = 1;
  dib.Header.biBitCount = static_cast<uint16_t>(BitsPerPixel);
  // compression, image size and resolution stay 0
  if (BitsPerPixel == 8) {
    const size_t used = std::min<size_t>(Palette.size(), 256);
    dib.Header.biClrUsed = 256;
    dib.Header.biClrImportant = static_cast<uint32_t>(used);
    dib.Colors.resize(256);
    for (size_t i = 0; i < used; ++i) dib.Colors[i] = TRGBQuad{Palette[i].Blue, Palette[i].Green, Palette[i].Red, 0};
  }
  return dib.Bytes();
}

TDIBWriter::TDIBWriter(TDIBAllocator& Allocator, std::vector<TGIFRGB> Palette, int Width, int Height,
                       int BitsPerPixel, bool TopDown)
    : FAllocator(Allocator),
      FPalette(std::move(Palette)),
      FWidth(Width),
      FHeight(Height),
      FBits(BitsPerPixel),
      FTopDown(TopDown) {
  if (BitsPerPixel != 8 && BitsPerPixel != 24) throw GIFException(sGIFUnsupportedPixelFormat);
  if (Width <= 0 || Height <= 0) throw GIFException(sGIFInvalidDimensions);
  FStride = static_cast<size_t>(DibRowStride(Width, static_cast<uint32_t>(BitsPerPixel)));
}

uint8_t* TDIBWriter::ScanLine(int Row) {
  if (FPixels == nullptr && !FReleased) {
    // A DIB's size must fit its 32-bit fields.
    if (FStride > static_cast<size_t>(std::numeric_limits<int32_t>::max()) / static_cast<size_t>(FHeight))
      throw EOutOfMemory(sGIFDIBAllocFailed);
    FPixels = FAllocator.AllocatePixels(MakeDIBHeader(FWidth, FHeight, FBits, FTopDown, FPalette), FStride,
                                        FHeight);
    if (FPixels == nullptr) throw EOutOfMemory(sGIFDIBAllocFailed);
  }
  if (FPixels == nullptr) throw GIFException(sGIFNoDIB);
  if (Row < 0 || Row >= FHeight) throw EInvalidGraphicOperation(SScanLine);
  const size_t stored = FTopDown ? static_cast<size_t>(Row) : static_cast<size_t>(FHeight - Row - 1);
  return FPixels + stored * FStride;
}

}  // namespace vr
