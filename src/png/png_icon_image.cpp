#include "png/png_icon_image.h"

#include <algorithm>
#include <vector>

#include "pictures/graphic_errors.h"
#include "platform/byte_order.h"
#include "platform/stream.h"
#include "png/png_core.h"

namespace vr {

namespace {

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic(SInvalidIcon); }

constexpr uint32_t Bgra(uint32_t B, uint32_t G, uint32_t R, uint32_t A) { return B | G << 8 | R << 16 | A << 24; }

// The colour key of a gray or truecolour image with a transparency chunk,
// in the form the decoded bitmap holds it: a colour-table index for gray
// (2-bit levels are widened to 5 × level, 16-bit levels keep their high
// byte), gamma-mapped red, green and blue for truecolour.
struct TPngKey {
  bool Present = false;
  uint32_t Index = 0;
  uint8_t Red = 0, Green = 0, Blue = 0;
};

TPngKey KeyOf(const TPNGCore& Png, const TChunkIHDR& H, const TChunktRNS* Trns) {
  TPngKey key;
  if (Trns == nullptr || (H.ColorType != kPNGGray && H.ColorType != kPNGRGB)) return key;
  const auto level = [&](int i) { return uint32_t{GetU16BE(&Trns->AlphaTable[2 * i])}; };
  key.Present = true;
  if (H.ColorType == kPNGGray) {
    switch (H.BitDepth) {
      case 16: key.Index = level(0) >> 8; break;
      case 2: key.Index = (level(0) & 3) * 5; break;
      default: key.Index = level(0) & ((1u << std::min<int>(H.BitDepth, 8)) - 1); break;
    }
  } else {
    const auto sample = [&](int i) { return Png.GammaMap[H.BitDepth == 16 ? level(i) >> 8 : level(i) & 0xFF]; };
    key.Red = sample(0), key.Green = sample(1), key.Blue = sample(2);
  }
  return key;
}

}  // namespace

TIconPixels PNGIconPixels(const uint8_t* Data, size_t Size) {
  TPNGCore png;
  // The bitmap (at most 3 bytes a pixel) and the alpha plane of the largest
  // image accepted; text is of no use here.
  png.MaxImageBytes = uint64_t{kMaxPngIconSide} * kMaxPngIconSide * 4;
  png.MaxTextBytes = uint64_t{1} << 20;
  try {
    TMemoryStream stream(std::vector<uint8_t>(Data, Data + Size));
    png.LoadFromStream(stream);
  } catch (const Exception&) {
    InvalidIcon();
  }
  if (!png.HasHeader()) InvalidIcon();
  const TChunkIHDR& h = png.RequireHeader();
  if (h.PixelBits == nullptr || h.Width == 0 || h.Height == 0 || h.Width > kMaxPngIconSide ||
      h.Height > kMaxPngIconSide)
    InvalidIcon();

  const unsigned bits = h.DibInfo.Header.biBitCount;
  const TChunktRNS* trns = png.ChunkList.FindChunk<TChunktRNS>();
  const TChunkPLTE* palette = png.ChunkList.FindChunk<TChunkPLTE>();
  // Palette entries beyond the palette chunk show black, as the codec draws them.
  const uint32_t entries = h.ColorType == kPNGPalette ? (palette != nullptr ? palette->EntryCount : 0) : 256;
  const TPngKey key = KeyOf(png, h, trns);

  TIconPixels out;
  out.Width = static_cast<int>(h.Width);
  out.Height = static_cast<int>(h.Height);
  out.Bgra.resize(size_t{h.Width} * h.Height);
  for (uint32_t y = 0; y < h.Height; ++y) {
    const uint8_t* row = h.RowAddress(y);
    const uint8_t* alpha = h.AlphaPlane != nullptr ? h.AlphaPlane + size_t{y} * h.Width : nullptr;
    uint32_t* dst = out.Bgra.data() + size_t{y} * h.Width;
    for (uint32_t x = 0; x < h.Width; ++x) {
      uint32_t b = 0, g = 0, r = 0, a = 255;
      if (bits == 24) {
        const uint8_t* p = row + 3 * size_t{x};
        b = p[0], g = p[1], r = p[2];
        if (alpha != nullptr)
          a = alpha[x];
        else if (key.Present && r == key.Red && g == key.Green && b == key.Blue)
          a = 0;
      } else {
        uint32_t index;
        if (bits == 1)
          index = (row[x >> 3] >> (7 - (x & 7))) & 1;
        else if (bits == 4)
          index = (row[x >> 1] >> ((x & 1) != 0 ? 0 : 4)) & 15;
        else
          index = row[x];
        if (index < entries) {
          const TRGBQuad& q = h.DibInfo.Colors[index];
          b = q.rgbBlue, g = q.rgbGreen, r = q.rgbRed;
        }
        if (alpha != nullptr)
          a = alpha[x];
        else if (h.ColorType == kPNGPalette && trns != nullptr)
          a = trns->AlphaTable[index];
        else if (key.Present && index == key.Index)
          a = 0;
      }
      dst[x] = Bgra(b, g, r, a);
    }
  }
  return out;
}

}  // namespace vr
