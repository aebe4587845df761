#include "gif/gif_dib_writer.h"

#include <algorithm>
#include <limits>
#include <new>

#include "gif/gif_errors.h"
#include "pictures/graphic_errors.h"
#include "platform/byte_order.h"

namespace vr {

namespace {

constexpr size_t InfoHeaderSize = 40;

}  // namespace

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

size_t DIBStride(int Width, int BitsPerPixel) {
  return (static_cast<size_t>(Width) * static_cast<size_t>(BitsPerPixel) + 31) / 32 * 4;
}

std::vector<uint8_t> MakeDIBHeader(int Width, int Height, int BitsPerPixel, bool TopDown,
                                   const std::vector<TGIFRGB>& Palette) {
  const bool indexed = BitsPerPixel == 8;
  std::vector<uint8_t> header(InfoHeaderSize + (indexed ? 256 * 4 : 0), 0);
  PutU32LE(&header[0], InfoHeaderSize);
  PutU32LE(&header[4], static_cast<uint32_t>(Width));
  PutU32LE(&header[8], static_cast<uint32_t>(TopDown ? -Height : Height));
  PutU16LE(&header[12], 1);
  PutU16LE(&header[14], static_cast<uint16_t>(BitsPerPixel));
  // compression, image size and resolution stay 0
  if (indexed) {
    const size_t used = std::min<size_t>(Palette.size(), 256);
    PutU32LE(&header[32], 256);
    PutU32LE(&header[36], static_cast<uint32_t>(used));
    for (size_t i = 0; i < used; ++i) {
      header[InfoHeaderSize + 4 * i] = Palette[i].Blue;
      header[InfoHeaderSize + 4 * i + 1] = Palette[i].Green;
      header[InfoHeaderSize + 4 * i + 2] = Palette[i].Red;
    }
  }
  return header;
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
  FStride = DIBStride(Width, BitsPerPixel);
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
