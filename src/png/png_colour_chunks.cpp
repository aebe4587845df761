// The chunks that colour the image: palette, transparency and gamma.
#include <cmath>
#include <cstring>

#include "platform/byte_order.h"
#include "png/png_chunks.h"
#include "png/png_core.h"
#include "png/png_messages.h"

namespace vr {

// ---------------------------------------------------------------- PLTE

bool TChunkPLTE::LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) {
  TChunk::LoadChunk(Stream, Type, Length);
  if (Length % 3 != 0 || Length / 3 > 256) RaisePng<EPNGInvalidPalette>(TPngText::InvalidPalette);
  EntryCount = Length / 3;
  TChunkIHDR& header = ImageHeader();
  const uint8_t* gamma = OwnerImage()->GammaMap;
  const uint8_t* p = Payload();
  for (uint32_t i = 0; i < EntryCount; ++i) {
    TRGBQuad& q = header.DibInfo.Colors[i];
    q.rgbRed = gamma[p[3 * i]];
    q.rgbGreen = gamma[p[3 * i + 1]];
    q.rgbBlue = gamma[p[3 * i + 2]];
    q.rgbReserved = 0;
  }
  return true;
}

uint32_t TChunkPLTE::Entry(uint8_t Index) const {
  if (Index >= EntryCount) RaisePng<EPngError>(TPngText::UnknownPaletteEntry);
  const TRGBQuad& q = ImageHeader().DibInfo.Colors[Index];
  return static_cast<uint32_t>(q.rgbBlue) | static_cast<uint32_t>(q.rgbGreen) << 8 | static_cast<uint32_t>(q.rgbRed) << 16;
}

void TChunkPLTE::CopyFrom(const TChunk& Source) {
  const auto* source = dynamic_cast<const TChunkPLTE*>(&Source);
  if (source == nullptr) RaisePng<EPngError>(TPngText::CannotAssignChunk);
  EntryCount = source->EntryCount;  // the colours come with the header's copy
}

bool TChunkPLTE::SaveChunk(TStream& Stream) {
  const uint32_t count = EntryCount <= 256 ? EntryCount : 256;
  const TChunkIHDR& header = ImageHeader();
  const uint8_t* inverse = OwnerImage()->InverseGammaMap;
  ResizePayload(count * 3);
  uint8_t* p = Payload();
  for (uint32_t i = 0; i < count; ++i) {
    const TRGBQuad& q = header.DibInfo.Colors[i];
    p[3 * i] = inverse[q.rgbRed];
    p[3 * i + 1] = inverse[q.rgbGreen];
    p[3 * i + 2] = inverse[q.rgbBlue];
  }
  return WriteFramed(Stream);
}

// ---------------------------------------------------------------- tRNS

bool TChunktRNS::LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) {
  TChunk::LoadChunk(Stream, Type, Length);
  if (Length > 256) RaisePng<EPNGInvalidPalette>(TPngText::InvalidPalette);
  AlphaTable.fill(255);
  std::memcpy(AlphaTable.data(), Payload(), Length);
  switch (ImageHeader().ColorType) {
    case kPNGGray:
    case kPNGRGB: SingleKey = true; break;
    case kPNGPalette: {
      uint32_t partial = 0;
      for (uint32_t i = 0; i < Length; ++i)
        if (AlphaTable[i] != 255) ++partial;
      SingleKey = partial == 1;
      break;
    }
    default: break;
  }
  return true;
}

uint32_t TChunktRNS::KeyColor() const {
  auto rgb = [](uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; };
  switch (ImageHeader().ColorType) {
    case kPNGGray: return rgb(AlphaTable[1], AlphaTable[1], AlphaTable[1]);
    case kPNGRGB: return rgb(AlphaTable[1], AlphaTable[3], AlphaTable[5]);
    case kPNGPalette: {
      const uint32_t size = PayloadSize() < 256 ? PayloadSize() : 256;
      for (uint32_t i = 0; i < size; ++i) {
        if (AlphaTable[i] != 0) continue;
        // Without a palette there is no colour to key on.
        const TChunkPLTE* palette = OwnerImage()->ChunkList.FindChunk<TChunkPLTE>();
        if (palette == nullptr) return 0;
        uint32_t bgr = palette->Entry(static_cast<uint8_t>(i));
        return rgb((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
      }
      return 0;
    }
    default: return 0;
  }
}

void TChunktRNS::SetKeyColor(uint32_t Color) {
  const uint8_t red = Color & 0xFF, green = (Color >> 8) & 0xFF, blue = (Color >> 16) & 0xFF;
  AlphaTable.fill(0);
  SingleKey = true;
  TChunkIHDR& header = ImageHeader();
  switch (header.ColorType) {
    case kPNGGray:
      ResizePayload(2);
      AlphaTable[1] = red;
      break;
    case kPNGRGB:
      ResizePayload(6);
      AlphaTable[1] = red;
      AlphaTable[3] = green;
      AlphaTable[5] = blue;
      break;
    case kPNGPalette: {
      uint32_t index = 0;
      for (uint32_t i = 0; i < 256; ++i) {
        const TRGBQuad& q = header.DibInfo.Colors[i];
        if (q.rgbBlue == blue && q.rgbGreen == green && q.rgbRed == red) {
          index = i;
          break;
        }
      }
      for (uint32_t i = 0; i < index; ++i) AlphaTable[i] = 255;
      ResizePayload(index + 1);
      break;
    }
    default: break;
  }
}

void TChunktRNS::CopyFrom(const TChunk& Source) {
  const auto* source = dynamic_cast<const TChunktRNS*>(&Source);
  if (source == nullptr) RaisePng<EPngError>(TPngText::CannotAssignChunk);
  AlphaTable = source->AlphaTable;
  SingleKey = source->SingleKey;
  TChunk::CopyFrom(Source);
}

bool TChunktRNS::SaveChunk(TStream& Stream) {
  if (PayloadSize() <= 256) std::memcpy(Payload(), AlphaTable.data(), PayloadSize());
  return WriteFramed(Stream);
}

// ---------------------------------------------------------------- gAMA

TChunkgAMA::TChunkgAMA(TPNGCore* Owner) : TChunk(Owner, "gAMA") { SetGammaValue(1); }

uint32_t TChunkgAMA::StoredGammaValue() const { return PayloadSize() == 4 ? GetU32BE(Payload()) : 1; }

uint32_t TChunkgAMA::GammaValue() {
  if (PayloadSize() != 4) SetGammaValue(1);
  return GetU32BE(Payload());
}

void TChunkgAMA::SetGammaValue(uint32_t Value) {
  if (PayloadSize() != 4) ResizePayload(4);
  PutU32BE(Payload(), Value);
}

bool TChunkgAMA::LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) {
  TChunk::LoadChunk(Stream, Type, Length);
  const uint32_t g = GammaValue();
  if (g == 0) return true;
  TPNGCore& owner = *OwnerImage();
  // Extended precision, and rounding to nearest with ties to even, so the
  // usual value 45455 leaves both maps the identity.
  const long double e = 1.0L / (static_cast<long double>(g) / 100000.0L * 2.2L);
  for (int i = 0; i < 256; ++i) {
    const long double base = static_cast<long double>(i) / 255.0L;
    long double power;
    if (e == 0.0L)
      power = 1.0L;
    else if (base == 0.0L)
      power = 0.0L;
    else
      power = std::exp(e * std::log(base));
    long double v = std::nearbyint(power * 255.0L);
    if (!(v >= 0.0L)) v = 0.0L;
    if (v > 255.0L) v = 255.0L;
    const uint8_t mapped = static_cast<uint8_t>(v);
    owner.GammaMap[i] = mapped;
    owner.InverseGammaMap[mapped] = static_cast<uint8_t>(i);
  }
  return true;
}

void TChunkgAMA::CopyFrom(const TChunk& Source) {
  const auto* source = dynamic_cast<const TChunkgAMA*>(&Source);
  if (source == nullptr) RaisePng<EPngError>(TPngText::CannotAssignChunk);
  SetGammaValue(source->StoredGammaValue());
}

}  // namespace vr
