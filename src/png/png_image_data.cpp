// Decoding the image data: inflating the IDAT chunks, undoing the row filters,
// Adam7, and copying rows into the bitmap's own format.
#include <algorithm>
#include <array>
#include <cstring>

#include "platform/byte_order.h"
#include "png/png_chunks.h"
#include "png/png_core.h"
#include "png/png_crc.h"
#include "png/png_messages.h"
#include "png/png_zlib.h"
#include "platform/scope_guard.h"

namespace vr {

namespace {

constexpr size_t IdatInputSize = 65535;

struct TAdam7Pass {
  uint32_t RowStart, ColumnStart, RowStep, ColumnStep;
};
constexpr TAdam7Pass Adam7Passes[7] = {
    {0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4}, {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1},
};

// The gamma map that changes nothing.
struct TIdentityMap {
  uint8_t Map[256];
  TIdentityMap() {
    for (int i = 0; i < 256; ++i) Map[i] = static_cast<uint8_t>(i);
  }
};
const TIdentityMap kIdentity;
const uint8_t* const kIdentityMap = kIdentity.Map;

// Null when Map changes nothing, so rows are copied without looking values up.
const uint8_t* GammaOrNull(const uint8_t* Map) { return std::memcmp(Map, kIdentityMap, 256) == 0 ? nullptr : Map; }

// Pixels of a pass row: columns Start, Start + Step, ... below Width.
uint32_t PassWidth(uint32_t Width, uint32_t Start, uint32_t Step) {
  return Width > Start ? (Width - Start + Step - 1) / Step : 0;
}

// Copies Pixels pixels of an unfiltered stream row (Src) into a bitmap row
// (Dest) and alpha row (Alpha), pass pixel k landing in column X0 + k * Step.
// Truecolour samples go through the gamma map; gray samples, indices and
// alpha are stored as they are; a null Gamma corrects nothing. The bitmap
// row starts zeroed.
void CopyRow(const TChunkIHDR& Header, const uint8_t* Gamma, const uint8_t* Src, uint32_t Pixels, uint32_t X0,
             uint32_t Step, uint8_t* Dest, uint8_t* Alpha) {
  const uint32_t depth = Header.BitDepth;
  const uint32_t sampleBytes = depth / 8;  // 1 or 2 for 8 and 16 bits; the high byte comes first
  switch (Header.ColorType) {
    case kPNGGray:
    case kPNGPalette:
      if (depth == 16) {
        for (uint32_t k = 0; k < Pixels; ++k) Dest[X0 + k * Step] = Src[2 * k];
      } else if (depth == 2) {
        // Widened to 4 bits; gray becomes 5v so the 16-level gray table shows 85v.
        for (uint32_t k = 0; k < Pixels; ++k) {
          uint8_t v = (Src[k >> 2] >> (6 - 2 * (k & 3))) & 3;
          if (Header.ColorType == kPNGGray) v = static_cast<uint8_t>(v * 5);
          const uint32_t x = X0 + k * Step;
          Dest[x >> 1] |= (x & 1) != 0 ? v : static_cast<uint8_t>(v << 4);
        }
      } else if (X0 == 0 && Step == 1) {
        std::memcpy(Dest, Src, static_cast<size_t>(RowBytesFor(Pixels, Header.ColorType, Header.BitDepth)));
      } else {
        const uint32_t mask = (1u << depth) - 1;
        for (uint32_t k = 0; k < Pixels; ++k) {
          const uint32_t from = k * depth;
          const uint32_t v = (Src[from >> 3] >> (8 - depth - (from & 7))) & mask;
          const uint32_t to = (X0 + k * Step) * depth;
          Dest[to >> 3] |= static_cast<uint8_t>(v << (8 - depth - (to & 7)));
        }
      }
      break;
    case kPNGRGB:
      if (Gamma == nullptr && sampleBytes == 1) {  // the common case: red-green-blue turned around
        for (uint32_t k = 0; k < Pixels; ++k) {
          const uint8_t* s = Src + k * 3;
          uint8_t* d = Dest + 3 * (X0 + k * Step);
          d[0] = s[2];
          d[1] = s[1];
          d[2] = s[0];
        }
        break;
      }
      if (Gamma == nullptr) Gamma = kIdentityMap;
      for (uint32_t k = 0; k < Pixels; ++k) {
        const uint8_t* s = Src + k * 3 * sampleBytes;
        uint8_t* d = Dest + 3 * (X0 + k * Step);
        d[0] = Gamma[s[2 * sampleBytes]];
        d[1] = Gamma[s[sampleBytes]];
        d[2] = Gamma[s[0]];
      }
      break;
    case kPNGGrayAlpha:
      for (uint32_t k = 0; k < Pixels; ++k) {
        const uint8_t* s = Src + k * 2 * sampleBytes;
        const uint32_t x = X0 + k * Step;
        Dest[x] = s[0];
        Alpha[x] = s[sampleBytes];
      }
      break;
    case kPNGRGBA:
      if (Gamma == nullptr && sampleBytes == 1) {
        for (uint32_t k = 0; k < Pixels; ++k) {
          const uint8_t* s = Src + k * 4;
          const uint32_t x = X0 + k * Step;
          uint8_t* d = Dest + 3 * x;
          d[0] = s[2];
          d[1] = s[1];
          d[2] = s[0];
          Alpha[x] = s[3];
        }
        break;
      }
      if (Gamma == nullptr) Gamma = kIdentityMap;
      for (uint32_t k = 0; k < Pixels; ++k) {
        const uint8_t* s = Src + k * 4 * sampleBytes;
        const uint32_t x = X0 + k * Step;
        uint8_t* d = Dest + 3 * x;
        d[0] = Gamma[s[2 * sampleBytes]];
        d[1] = Gamma[s[sampleBytes]];
        d[2] = Gamma[s[0]];
        Alpha[x] = s[3 * sampleBytes];
      }
      break;
    default: break;
  }
}

// The tRNS key of a gray or truecolour image as samples of the image's
// depth: 16-bit levels whole, shallower ones in their low bits.
std::array<uint32_t, 3> KeySamplesOf(const TChunkIHDR& Header, const TChunktRNS& Trns) {
  const uint32_t mask = Header.BitDepth >= 16 ? 0xFFFF : (1u << Header.BitDepth) - 1;
  std::array<uint32_t, 3> key{};
  for (size_t i = 0; i < 3; ++i)
    key[i] = GetU16BE(&Trns.AlphaTable[2 * i]) & mask;
  return key;
}

// Sets the key-mask bit of every pixel of an unfiltered stream row whose
// samples equal the key, pass pixel k landing in column X0 + k * Step of
// the mask row (which starts clear). Gray and truecolour images only.
void MarkKeyedPixels(const TChunkIHDR& Header, const std::array<uint32_t, 3>& Key, const uint8_t* Src, uint32_t Pixels,
                     uint32_t X0, uint32_t Step, uint8_t* Mask) {
  const uint32_t depth = Header.BitDepth;
  auto mark = [&](uint32_t k) {
    const uint32_t x = X0 + k * Step;
    Mask[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  };
  if (Header.ColorType == kPNGGray) {
    const uint32_t key = Key[0];
    if (depth == 16) {
      for (uint32_t k = 0; k < Pixels; ++k)
        if (GetU16BE(Src + 2 * k) == key) mark(k);
    } else if (depth == 8) {
      for (uint32_t k = 0; k < Pixels; ++k)
        if (Src[k] == key) mark(k);
    } else {
      const uint32_t mask = (1u << depth) - 1;
      for (uint32_t k = 0; k < Pixels; ++k) {
        const uint32_t from = k * depth;
        if (((Src[from >> 3] >> (8 - depth - (from & 7))) & mask) == key) mark(k);
      }
    }
  } else if (Header.ColorType == kPNGRGB) {
    const uint32_t r = Key[0], g = Key[1], b = Key[2];
    if (depth == 16) {
      for (uint32_t k = 0; k < Pixels; ++k) {
        const uint8_t* s = Src + 6 * k;
        if (GetU16BE(s) == r && GetU16BE(s + 2) == g && GetU16BE(s + 4) == b) mark(k);
      }
    } else {
      for (uint32_t k = 0; k < Pixels; ++k) {
        const uint8_t* s = Src + 3 * k;
        if (s[0] == r && s[1] == g && s[2] == b) mark(k);
      }
    }
  }
}

}  // namespace

// The inflate state of one image data decode, with its input block.
struct IdatInflater {
  z_stream Stream{};
  std::vector<uint8_t> Input;
  TStream* Source = nullptr;
  bool Started = false;
  // The compressed stream ended, the file ended, or inflate failed: no more
  // output will be asked of zlib.
  bool Finished = false;
  ~IdatInflater();
};

static void StartIdatInflate(TStream& Stream, IdatInflater& Inflater) {
  Inflater.Stream = z_stream{};
  Inflater.Input.assign(IdatInputSize, 0);
  Inflater.Source = &Stream;
  // The linked zlib's own version and stream size: a foreign version string
  // or record size makes inflateInit refuse with a version error.
  const int r = PngInflateInit(Inflater.Stream);
  if (r != Z_OK) RaiseZlibError(r);
  Inflater.Started = true;
}

static void EndIdatInflate(IdatInflater& Inflater) {
  if (Inflater.Started) inflateEnd(&Inflater.Stream);
  Inflater.Started = false;
  Inflater.Input = std::vector<uint8_t>();
}

IdatInflater::~IdatInflater() { EndIdatInflate(*this); }

uint64_t RowBytesFor(uint64_t Pixels, uint8_t ColorType, uint8_t BitDepth) {
  const uint64_t x = Pixels * BitDepth;
  switch (ColorType) {
    case kPNGGray:
    case kPNGPalette: return (x + 7) / 8;
    case kPNGRGB: return x * 3 / 8;
    case kPNGGrayAlpha: return x * 2 / 8;
    case kPNGRGBA: return x * 4 / 8;
    default: return 0;
  }
}

uint8_t PredictPaeth(uint8_t Left, uint8_t Above, uint8_t UpperLeft) {
  // Written with selects rather than branches: the compiler makes them
  // conditional moves, which the unpredictable choice of real rows needs.
  const int pa = std::abs(static_cast<int>(Above) - UpperLeft);
  const int pb = std::abs(static_cast<int>(Left) - UpperLeft);
  const int pc = std::abs(static_cast<int>(Left) + Above - 2 * UpperLeft);
  const uint8_t aboveOrCorner = pb <= pc ? Above : UpperLeft;
  return pa <= pb && pa <= pc ? Left : aboveOrCorner;
}

void TChunkIDAT::BuildGrayPalette() {
  TChunkIHDR& h = *ImageHeaderChunk;
  if (h.ColorType != kPNGGray && h.ColorType != kPNGGrayAlpha) return;
  const uint32_t n = 1u << h.DibInfo.Header.biBitCount;  // 2, 16 or 256
  const uint8_t* gamma = OwnerImage()->GammaMap;
  for (uint32_t k = 0; k < n; ++k) {
    const uint32_t level = (2 * k * 255 + (n - 1)) / (2 * (n - 1));  // k * 255 / (n - 1), rounded
    TRGBQuad& q = h.DibInfo.Colors[k];
    q.rgbBlue = q.rgbGreen = q.rgbRed = gamma[level];
    q.rgbReserved = 0;
  }
}

bool TChunkIDAT::LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) {
  TPNGCore& owner = *OwnerImage();
  ImageHeaderChunk = &owner.RequireHeader();
  TChunkIHDR& h = *ImageHeaderChunk;
  if (h.PixelBits == nullptr) RaisePng<EPNGHeaderNotPresent>(TPngText::HeaderNotPresent);
  if (h.UsesPalette) BuildGrayPalette();
  // Which pixels a key makes transparent is decided from the samples as
  // they are stored, before gamma correction and reduction to 8 bits.
  FKeyed = false;
  if (h.ColorType == kPNGGray || h.ColorType == kPNGRGB)
    if (const TChunktRNS* trns = owner.ChunkList.FindChunk<TChunktRNS>()) {
      h.AllocateKeyMask();
      FKey = KeySamplesOf(h, *trns);
      FKeyed = h.KeyMask != nullptr;
    }
  RowPixels = h.Width;
  RowCount = h.Height;
  FCrc = UpdateChunkCrc(0xFFFFFFFFu, Type.data(), 4);
  owner.RowGeometry(RowLength, PixelStride);
  if (PixelStride == 0) PixelStride = 1;

  IdatInflater inflater;
  StartIdatInflate(Stream, inflater);
  FPosition = Stream.Position();
  ChunkEnd = FPosition + Length;

  // The row buffers are given back however the decoding ends.
  TScopeGuard releaseRows([this] {
    for (auto& b : RowBuffers) b = std::vector<uint8_t>();
  });
  for (auto& b : RowBuffers) b.assign(static_cast<size_t>(RowLength) + 1, 0);
  CurrentBuffer = 1;  // the first row's previous row is the zeroed buffer 0

  if (owner.Interlacing == 0)
    DecodeProgressive(inflater);
  else
    DecodeAdam7(inflater);

  FinishIdatChunk(inflater);
  EndIdatInflate(inflater);
  ResizePayload(0);
  return true;
}

void TChunkIDAT::NextIdatChunk(IdatInflater& Inflater) {
  TStream& s = *Inflater.Source;
  uint8_t crc[4] = {};
  FPosition += static_cast<int64_t>(s.Read(crc, 4));
  if (ChunkCrcChecked() && GetU32BE(crc) != ~FCrc) {
    Inflater.Finished = true;
    RaisePng<EPngInvalidCRC>(TPngText::InvalidCRC);
  }
  uint8_t head[8] = {};
  FPosition += static_cast<int64_t>(s.Read(head, 8));
  if (std::memcmp(head + 4, "IDAT", 4) != 0) {
    Inflater.Finished = true;
    RaisePng<EPNGMissingMultipleIDAT>(TPngText::MissingMultipleIDAT);
  }
  FCrc = UpdateChunkCrc(0xFFFFFFFFu, head + 4, 4);
  ChunkEnd = FPosition + GetU32BE(head);
}

size_t TChunkIDAT::ReadIdatBytes(IdatInflater& Inflater, uint8_t* Dest, size_t Count) {
  if (Inflater.Finished) return 0;
  z_stream& z = Inflater.Stream;
  z.next_out = Dest;
  z.avail_out = static_cast<uInt>(Count);
  while (z.avail_out > 0) {
    while (z.avail_in == 0) {
      if (FPosition >= ChunkEnd) NextIdatChunk(Inflater);
      const size_t want = static_cast<size_t>(std::min<int64_t>(ChunkEnd - FPosition, IdatInputSize));
      const size_t got = want > 0 ? Inflater.Source->Read(Inflater.Input.data(), want) : 0;
      FPosition += static_cast<int64_t>(got);
      FCrc = UpdateChunkCrc(FCrc, Inflater.Input.data(), got);
      if (got == 0) {
        if (FPosition >= ChunkEnd) continue;  // an IDAT chunk without data
        Inflater.Finished = true;             // the file ends inside the data
        return Count - z.avail_out;
      }
      z.next_in = Inflater.Input.data();
      z.avail_in = static_cast<uInt>(got);
    }
    const uInt inBefore = z.avail_in, outBefore = z.avail_out;
    const int r = inflate(&z, Z_NO_FLUSH);
    if (r == Z_STREAM_END) {
      // Rows may still be missing; inflate would only report the end again.
      Inflater.Finished = true;
      break;
    }
    // A preset dictionary cannot be given, and a call that moved nothing
    // would be repeated for ever: both are failures.
    if (r == Z_OK && z.avail_in == inBefore && z.avail_out == outBefore) {
      Inflater.Finished = true;
      RaiseZlibError(Z_BUF_ERROR);
    }
    if (r < 0 || r == Z_NEED_DICT) {
      Inflater.Finished = true;
      RaiseZlibError(r);
    }
  }
  return Count - z.avail_out;
}

void TChunkIDAT::FinishIdatChunk(IdatInflater& Inflater) {
  // The image may be complete before the current chunk is read to its end
  // (the last block can hold only the zlib checksum, which inflate is never
  // asked for). Read and checksum the rest, so the stored CRC is compared
  // with the CRC of the whole chunk and read from its own place.
  TStream& s = *Inflater.Source;
  while (FPosition < ChunkEnd) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(ChunkEnd - FPosition, IdatInputSize));
    const size_t got = s.Read(Inflater.Input.data(), want);
    if (got == 0) break;
    FPosition += static_cast<int64_t>(got);
    FCrc = UpdateChunkCrc(FCrc, Inflater.Input.data(), got);
  }
  uint8_t crc[4] = {};
  FPosition += static_cast<int64_t>(s.Read(crc, 4));
  if (ChunkCrcChecked() && GetU32BE(crc) != ~FCrc) RaisePng<EPngInvalidCRC>(TPngText::InvalidCRC);
}

size_t TChunkIDAT::ReadRow(IdatInflater& Inflater) {
  uint8_t* row = RowBuffers[CurrentBuffer].data();
  const size_t want = static_cast<size_t>(RowLength) + 1;
  const size_t got = ReadIdatBytes(Inflater, row, want);
  // A row that arrives in part is used with the missing bytes zero.
  if (got > 0 && got < want) std::memset(row + got, 0, want - got);
  return got;
}

// Rows of one byte per pixel (palette and gray images): the left neighbour
// is carried in a register, as reading it back from the row just written
// would wait for the store on every byte.
static void UnfilterBytewiseRow(uint8_t* Row, const uint8_t* Prior, uint32_t N) {
  uint8_t left = 0, upperLeft = 0;
  switch (Row[0]) {
    case 1:  // Sub
      for (uint32_t i = 1; i <= N; ++i) left = Row[i] = static_cast<uint8_t>(Row[i] + left);
      break;
    case 3:  // Average
      for (uint32_t i = 1; i <= N; ++i) left = Row[i] = static_cast<uint8_t>(Row[i] + ((Prior[i] + left) >> 1));
      break;
    case 4:  // Paeth
      for (uint32_t i = 1; i <= N; ++i) {
        left = Row[i] = static_cast<uint8_t>(Row[i] + PredictPaeth(left, Prior[i], upperLeft));
        upperLeft = Prior[i];
      }
      break;
    default:  // None, and unknown filter types
      break;
  }
}

void TChunkIDAT::UnfilterRow() {
  uint8_t* row = RowBuffers[CurrentBuffer].data();
  const uint8_t* prior = RowBuffers[1 - CurrentBuffer].data();
  const uint32_t bpp = PixelStride, n = RowLength;
  // The first pixel has no left neighbour (taken as 0); the loops after it
  // need no test for that, which keeps them tight.
  const uint32_t first = std::min(bpp, n);
  if (bpp == 1 && row[0] != 2) return UnfilterBytewiseRow(row, prior, n);
  switch (row[0]) {
    case 1:  // Sub
      for (uint32_t i = bpp + 1; i <= n; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
      break;
    case 2:  // Up
      for (uint32_t i = 1; i <= n; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      break;
    case 3:  // Average
      for (uint32_t i = 1; i <= first; ++i) row[i] = static_cast<uint8_t>(row[i] + (prior[i] >> 1));
      for (uint32_t i = first + 1; i <= n; ++i)
        row[i] = static_cast<uint8_t>(row[i] + ((prior[i] + row[i - bpp]) >> 1));
      break;
    case 4:  // Paeth: the first pixel predicts from above alone
      for (uint32_t i = 1; i <= first; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      for (uint32_t i = first + 1; i <= n; ++i)
        row[i] = static_cast<uint8_t>(row[i] + PredictPaeth(row[i - bpp], prior[i], prior[i - bpp]));
      break;
    default:  // None, and unknown filter types: the row is used as stored
      break;
  }
}

void TChunkIDAT::DecodeProgressive(IdatInflater& Inflater) {
  TChunkIHDR& h = *ImageHeaderChunk;
  const uint8_t* gamma = GammaOrNull(OwnerImage()->GammaMap);
  for (uint32_t y = 0; y < RowCount; ++y) {
    if (ReadRow(Inflater) == 0) break;
    UnfilterRow();
    uint8_t* alpha = h.AlphaPlane != nullptr ? h.AlphaPlane + static_cast<size_t>(y) * RowPixels : nullptr;
    const uint8_t* row = RowBuffers[CurrentBuffer].data() + 1;
    CopyRow(h, gamma, row, RowPixels, 0, 1, h.RowAddress(y), alpha);
    if (FKeyed) MarkKeyedPixels(h, FKey, row, RowPixels, 0, 1, h.KeyMask + h.KeyMaskStride * y);
    CurrentBuffer ^= 1;
  }
}

void TChunkIDAT::DecodeAdam7(IdatInflater& Inflater) {
  TChunkIHDR& h = *ImageHeaderChunk;
  const uint8_t* gamma = GammaOrNull(OwnerImage()->GammaMap);
  for (const TAdam7Pass& pass : Adam7Passes) {
    const uint32_t pixels = PassWidth(RowPixels, pass.ColumnStart, pass.ColumnStep);
    RowLength = static_cast<uint32_t>(RowBytesFor(pixels, h.ColorType, h.BitDepth));
    // The first row of every pass filters against zeros.
    std::memset(RowBuffers[1 - CurrentBuffer].data(), 0, static_cast<size_t>(RowLength) + 1);
    if (RowLength == 0) continue;
    for (uint32_t r = pass.RowStart; r < RowCount; r += pass.RowStep) {
      if (ReadRow(Inflater) == 0) break;
      UnfilterRow();
      uint8_t* alpha = h.AlphaPlane != nullptr ? h.AlphaPlane + static_cast<size_t>(r) * RowPixels : nullptr;
      const uint8_t* row = RowBuffers[CurrentBuffer].data() + 1;
      CopyRow(h, gamma, row, pixels, pass.ColumnStart, pass.ColumnStep, h.RowAddress(r), alpha);
      if (FKeyed)
        MarkKeyedPixels(h, FKey, row, pixels, pass.ColumnStart, pass.ColumnStep, h.KeyMask + h.KeyMaskStride * r);
      CurrentBuffer ^= 1;
    }
  }
}

}  // namespace vr
