#include "gif/gif_dib_writer.h"

#include <algorithm>
#include <limits>
#include <exception>

#include "gif/gif_errors.h"
#include "pictures/graphic_errors.h"

namespace vr {

TDibInfo MakeDIBInfo(int Width, int Height, int BitsPerPixel, bool TopDown, const std::vector<TGIFRGB>& Palette) {
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
  return dib;
}

TDIBWriter::TDIBWriter(IPixelSink& Sink, std::vector<TGIFRGB> Palette, int Width, int Height, int BitsPerPixel,
                       bool TopDown)
    : FSink(Sink),
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
  if (!FPixels && !FReleased) {
    // A DIB's size must fit its 32-bit fields.
    if (FStride > static_cast<size_t>(std::numeric_limits<int32_t>::max()) / static_cast<size_t>(FHeight))
      throw EOutOfMemory(sGIFDIBAllocFailed);
    TPixelMemory memory;
    try {
      memory = FSink.AllocatePixels(MakeDIBInfo(FWidth, FHeight, FBits, FTopDown, FPalette));
    } catch (const std::exception&) {
      // reported as the writer's own allocation failure
    }
    if (!memory || memory.Stride != FStride || memory.Size < FStride * static_cast<size_t>(FHeight))
      throw EOutOfMemory(sGIFDIBAllocFailed);
    FPixels = memory;
  }
  if (!FPixels) throw GIFException(sGIFNoDIB);
  if (Row < 0 || Row >= FHeight) throw EInvalidGraphicOperation(SScanLine);
  return FPixels.Row(static_cast<size_t>(Row), static_cast<size_t>(FHeight), FTopDown);
}

}  // namespace vr
