#include "pictures/icon/icon_pixels.h"

#include <algorithm>
#include <atomic>

#include "pictures/graphic_errors.h"
#include "platform/byte_order.h"

namespace vr {

namespace {

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic(SInvalidIcon); }

// Set by the PNG codec's registration; read by every decode.
std::atomic<TPngIconDecoder> PngDecoder{nullptr};

}  // namespace

void SetPngIconDecoder(TPngIconDecoder Decoder) { PngDecoder.store(Decoder); }

TIconPixels DecodePngIconImage(const uint8_t* Data, size_t Size) {
  const TPngIconDecoder decode = PngDecoder.load();
  if (decode == nullptr) InvalidIcon();
  return decode(Data, Size);
}

TIconPixels IconImagePixels32(const TIconImageParts& Parts) {
  TIconPixels out;
  out.Width = Parts.Header.biWidth;
  out.Height = Parts.Header.biHeight;
  const size_t w = static_cast<size_t>(out.Width), h = static_cast<size_t>(out.Height);
  const size_t stride = static_cast<size_t>(DibRowStride(out.Width, 32));
  if (Parts.Header.biBitCount != 32 || Parts.ColorBitsSize < stride * h) InvalidIcon();
  out.Bgra.resize(w * h);
  for (size_t y = 0; y < h; ++y) {
    const uint8_t* row = Parts.ColorBits + (h - 1 - y) * stride;  // rows are stored bottom-up
    for (size_t x = 0; x < w; ++x) out.Bgra[y * w + x] = GetU32LE(row + 4 * x);
  }
  return out;
}

TIconPixels ScaleIconPixels(const TIconPixels& Source, int Width, int Height) {
  if (Source.Width == Width && Source.Height == Height) return Source;
  TIconPixels out;
  out.Width = Width;
  out.Height = Height;
  if (Width <= 0 || Height <= 0 || Source.Width <= 0 || Source.Height <= 0) {
    out.Width = out.Height = 0;
    return out;
  }
  out.Bgra.resize(size_t(Width) * size_t(Height));
  for (int y = 0; y < Height; ++y) {
    const size_t sy = size_t(int64_t{y} * Source.Height / Height);
    for (int x = 0; x < Width; ++x) {
      const size_t sx = size_t(int64_t{x} * Source.Width / Width);
      out.Bgra[size_t(y) * size_t(Width) + size_t(x)] = Source.Bgra[sy * size_t(Source.Width) + sx];
    }
  }
  return out;
}

std::vector<uint8_t> MaskFromAlpha(const TIconPixels& Pixels) {
  const size_t stride = static_cast<size_t>(DibRowStride(Pixels.Width, 1));
  std::vector<uint8_t> mask(stride * static_cast<size_t>(std::max(Pixels.Height, 0)), 0);
  for (int y = 0; y < Pixels.Height; ++y)
    for (int x = 0; x < Pixels.Width; ++x)
      if ((Pixels.Bgra[size_t(y) * size_t(Pixels.Width) + size_t(x)] >> 24) == 0)
        mask[size_t(y) * stride + size_t(x) / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return mask;
}

uint16_t CheckIconData(const uint8_t* Data, size_t Size, int TargetWidth, int TargetHeight,
                       int DisplayBitsPerPixel) {
  const uint16_t type = CheckIconFile(Data, Size);
  if (type == 0) return type;
  const TIconDirectory dir = ReadIconDirectory(Data, Size);
  const TIconDirEntry& entry = dir.Entries[ChooseIconEntry(dir, TargetWidth, TargetHeight, DisplayBitsPerPixel)];
  if (entry.IsPng)
    DecodePngIconImage(Data + entry.dwImageOffset, entry.dwBytesInRes);
  else
    SplitIconImage(Data, Size, entry);
  return type;
}

}  // namespace vr
