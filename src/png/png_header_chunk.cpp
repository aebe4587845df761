// The header chunk: validation of the image description and the bitmap it
// sets up for the image data decoder.
#include <algorithm>
#include <cstring>
#include <new>

#include "pictures/picture_types.h"
#include "platform/byte_order.h"
#include "png/png_chunks.h"
#include "png/png_core.h"
#include "png/png_messages.h"

namespace vr {

TChunkIHDR::TChunkIHDR(TPNGCore* Owner) : TChunk(Owner, "IHDR") {}

TChunkIHDR::~TChunkIHDR() { ReleaseImage(); }

uint16_t TChunkIHDR::BitmapBits() const {
  switch (ColorType) {
    case kPNGGray:
      // Gray: every depth the format has; 2-bit samples widen to 4 bits and
      // 16-bit samples keep their high byte.
      switch (BitDepth) {
        case 1: return 1;
        case 2:
        case 4: return 4;
        case 8:
        case 16: return 8;
        default: return 0;
      }
    case kPNGPalette:
      // Palette: up to 8 bits (16-bit palette images do not exist).
      switch (BitDepth) {
        case 1: return 1;
        case 2:
        case 4: return 4;
        case 8: return 8;
        default: return 0;
      }
    case kPNGGrayAlpha: return BitDepth == 8 || BitDepth == 16 ? 8 : 0;
    case kPNGRGB:
    case kPNGRGBA: return BitDepth == 8 || BitDepth == 16 ? 24 : 0;
    default: return 0;
  }
}

void TChunkIHDR::ReleaseImage() {
  FSink.reset();
  FAlpha.reset();
  FKeyMask.reset();
  PixelBits = nullptr;
  AlphaPlane = nullptr;
  KeyMask = nullptr;
  KeyMaskStride = 0;
  if (FReserved != 0) OwnerImage()->ReleaseImageBytes(FReserved);
  FReserved = 0;
}

void TChunkIHDR::AllocateImage() {
  DibInfo = {};
  ReleaseImage();
  RowStride = 0;
  UsesPalette = ColorType == kPNGGray || ColorType == kPNGPalette || ColorType == kPNGGrayAlpha;

  // Header values without a row decoder, and empty images, never get a
  // bitmap: no row can be decoded for them.
  const uint16_t bits = BitmapBits();
  if (bits == 0 || Width == 0 || Height == 0 || Width > 65535 || Height > 65535)
    RaisePng<EPngInvalidIHDR>(TPngText::InvalidIHDR);

  DibInfo.Header.biWidth = static_cast<int32_t>(Width);
  DibInfo.Header.biHeight = static_cast<int32_t>(Height);
  DibInfo.Header.biPlanes = 1;
  DibInfo.Header.biBitCount = bits;

  // Width and Height are at most 65535, so none of these can overflow.
  const uint64_t stride = DibRowStride(Width, bits);
  const uint64_t pixelBytes = stride * Height;
  const bool hasAlpha = ColorType == kPNGGrayAlpha || ColorType == kPNGRGBA;
  const uint64_t alphaBytes = hasAlpha ? static_cast<uint64_t>(Width) * Height : 0;
  // The same cap as every picture reader's, before anything is allocated.
  if (static_cast<uint64_t>(Width) * Height > kMaxPicturePixels ||
      !OwnerImage()->ReserveImageBytes(pixelBytes + alphaBytes))
    RaisePng<EPNGOutMemory>(TPngText::OutMemory);
  FReserved = pixelBytes + alphaBytes;

  if (hasAlpha) {
    FAlpha.reset(new (std::nothrow) uint8_t[alphaBytes]);
    if (!FAlpha) {
      ReleaseImage();
      RaisePng<EPNGOutMemory>(TPngText::OutMemory);
    }
    std::memset(FAlpha.get(), 0, alphaBytes);
    AlphaPlane = FAlpha.get();
  }

  // The colour table is still zero; the palette chunk sets it later.
  TPixelMemory memory;
  try {
    FSink = OwnerImage()->NewPixelSink();
    memory = FSink->AllocatePixels(
        TDibInfo{.Header = DibInfo.Header, .Colors = {DibInfo.Colors, DibInfo.Colors + (bits <= 8 ? 1u << bits : 0)}});
  } catch (const std::bad_alloc&) {
    memory = {};
  }
  if (!memory || memory.Stride != stride || memory.Size < pixelBytes) {
    ReleaseImage();
    RaisePng<EPNGOutMemory>(TPngText::OutMemory);
  }
  PixelBits = memory.Base;
  RowStride = static_cast<size_t>(stride);
  // The decoder ORs packed samples into place and leaves undelivered rows as
  // they are, so the bitmap starts out zero, whatever memory the sink lent.
  std::memset(PixelBits, 0, static_cast<size_t>(pixelBytes));
}

void TChunkIHDR::AllocateKeyMask() {
  if (PixelBits == nullptr) return;
  const size_t stride = (static_cast<size_t>(Width) + 15) / 16 * 2;
  const uint64_t bytes = static_cast<uint64_t>(stride) * Height;
  if (KeyMask == nullptr) {
    if (!OwnerImage()->ReserveImageBytes(bytes)) RaisePng<EPNGOutMemory>(TPngText::OutMemory);
    FKeyMask.reset(new (std::nothrow) uint8_t[bytes]);
    if (!FKeyMask) {
      OwnerImage()->ReleaseImageBytes(bytes);
      RaisePng<EPNGOutMemory>(TPngText::OutMemory);
    }
    FReserved += bytes;
    KeyMask = FKeyMask.get();
    KeyMaskStride = stride;
  }
  std::memset(KeyMask, 0, static_cast<size_t>(bytes));
}

void TChunkIHDR::SetKeyed(uint32_t X, uint32_t Y, bool Keyed) {
  if (KeyMask == nullptr || X >= Width || Y >= Height) return;
  uint8_t& b = KeyMask[KeyMaskStride * Y + X / 8];
  const uint8_t bit = static_cast<uint8_t>(0x80 >> (X % 8));
  b = static_cast<uint8_t>(Keyed ? b | bit : b & ~bit);
}

bool TChunkIHDR::LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) {
  TChunk::LoadChunk(Stream, Type, Length);
  TByteReader header(Payload(), PayloadSize(), [] { RaisePng<EPngInvalidIHDR>(TPngText::InvalidIHDR); });
  header.ReadBE(Width, Height, BitDepth, ColorType, CompressionMethod, FilterMethod, InterlaceMethod);
  if (Width > 65535 || Height > 65535) RaisePng<EPNGSizeExceeds>(TPngText::SizeExceeds);
  if (CompressionMethod != 0) RaisePng<EPNGUnknownCompression>(TPngText::UnknownCompression);
  if (InterlaceMethod > 1) RaisePng<EPNGUnknownInterlace>(TPngText::UnknownInterlace);
  OwnerImage()->Interlacing = InterlaceMethod;
  AllocateImage();
  return true;
}

bool TChunkIHDR::SaveChunk(TStream& Stream) {
  // The bitmap keeps 2-bit samples in 4 bits, so that is what gets written.
  if (BitDepth == 2) BitDepth = 4;
  ResizePayload(13);
  uint8_t* p = Payload();
  PutU32BE(p, Width);
  PutU32BE(p + 4, Height);
  p[8] = BitDepth;
  p[9] = ColorType;
  p[10] = CompressionMethod;
  p[11] = FilterMethod;
  p[12] = OwnerImage()->Interlacing;
  return WriteFramed(Stream);
}

void TChunkIHDR::CopyFrom(const TChunk& Source) {
  const auto* source = dynamic_cast<const TChunkIHDR*>(&Source);
  if (source == nullptr) RaisePng<EPngError>(TPngText::CannotAssignChunk);
  Width = source->Width;
  Height = source->Height;
  BitDepth = source->BitDepth;
  ColorType = source->ColorType;
  CompressionMethod = source->CompressionMethod;
  FilterMethod = source->FilterMethod;
  InterlaceMethod = source->InterlaceMethod;
  AllocateImage();
  if (source->PixelBits != nullptr && source->RowStride == RowStride)
    std::memcpy(PixelBits, source->PixelBits, RowStride * Height);
  if (source->AlphaPlane != nullptr && AlphaPlane != nullptr)
    std::memcpy(AlphaPlane, source->AlphaPlane, static_cast<size_t>(Width) * Height);
  if (source->KeyMask != nullptr && PixelBits != nullptr) {
    AllocateKeyMask();
    if (source->KeyMaskStride == KeyMaskStride) std::memcpy(KeyMask, source->KeyMask, KeyMaskStride * Height);
  }
  std::memcpy(DibInfo.Colors, source->DibInfo.Colors, sizeof DibInfo.Colors);
}

}  // namespace vr
