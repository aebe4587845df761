#include "pictures/dib.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/byte_order.h"

namespace vr {

TBitmapInfoHeader ReadDibHeader(const uint8_t* Data, size_t Size) {
  uint8_t full[kDibHeaderSize] = {};
  std::memcpy(full, Data, std::min<size_t>(Size, kDibHeaderSize));
  TBitmapInfoHeader h;
  TByteReader(full + 4, kDibHeaderSize - 4)
      .ReadLE(h.biWidth, h.biHeight, h.biPlanes, h.biBitCount, h.biCompression, h.biSizeImage, h.biXPelsPerMeter,
              h.biYPelsPerMeter, h.biClrUsed, h.biClrImportant);
  return h;
}

void WriteDibHeader(uint8_t* Out, const TBitmapInfoHeader& Header) {
  const TBitmapInfoHeader& h = Header;
  PutU32LE(Out, kDibHeaderSize);
  PutU32LE(Out + 4, static_cast<uint32_t>(h.biWidth));
  PutU32LE(Out + 8, static_cast<uint32_t>(h.biHeight));
  PutU16LE(Out + 12, h.biPlanes);
  PutU16LE(Out + 14, h.biBitCount);
  PutU32LE(Out + 16, h.biCompression);
  PutU32LE(Out + 20, h.biSizeImage);
  PutU32LE(Out + 24, static_cast<uint32_t>(h.biXPelsPerMeter));
  PutU32LE(Out + 28, static_cast<uint32_t>(h.biYPelsPerMeter));
  PutU32LE(Out + 32, h.biClrUsed);
  PutU32LE(Out + 36, h.biClrImportant);
}

std::vector<uint8_t> TDibInfo::Bytes() const {
  const bool masks = MasksFollow();
  std::vector<uint8_t> out(kDibHeaderSize + (masks ? 12 : 0) + Colors.size() * sizeof(TRGBQuad));
  WriteDibHeader(out.data(), Header);
  uint8_t* p = out.data() + kDibHeaderSize;
  if (masks)
    for (uint32_t m : Masks) {
      PutU32LE(p, m);
      p += 4;
    }
  for (const TRGBQuad& q : Colors) {
    p[0] = q.rgbBlue;
    p[1] = q.rgbGreen;
    p[2] = q.rgbRed;
    p[3] = 0;  // reserved, whatever a file held there
    p += 4;
  }
  return out;
}

uint64_t TDibInfo::Rows() const {
  const int64_t h = Header.biHeight;
  return Header.biWidth > 0 && h != 0 ? static_cast<uint64_t>(h < 0 ? -h : h) : 0;
}

TPixelMemory TMemoryPixelSink::AllocatePixels(const TDibInfo& NewInfo) {
  Info = NewInfo;
  Pixels.clear();
  Stride = 0;
  const uint64_t stride = NewInfo.Stride(), rows = NewInfo.Rows();
  uint64_t bytes = 0;
  if (rows == 0 || __builtin_mul_overflow(stride, rows, &bytes) || bytes > SIZE_MAX) return {};
  try {
    Pixels.assign(static_cast<size_t>(bytes), 0);
  } catch (const std::bad_alloc&) {
    return {};
  }
  Stride = static_cast<size_t>(stride);
  return {Pixels.data(), Pixels.size(), Stride};
}

}  // namespace vr
