// Decoding the image data: inflating the IDAT chunks, undoing the row filters,
// Adam7, and copying rows into the bitmap's own format.
#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>

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

// The image data is inflated at once into one buffer of its filtered rows
// when that buffer stays below this size; larger pictures are inflated a
// row at a time, as the two buffers would cost more memory than the bitmap.
constexpr uint64_t WholeInflateLimit = uint64_t{48} << 20;

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

// Bytes of the filtered rows of the whole image, filter bytes included; a
// pass without columns has no rows at all.
uint64_t FilteredImageBytes(const TChunkIHDR& Header, bool Interlaced) {
  auto bytes = [&](uint32_t Columns, uint32_t Rows) {
    const uint64_t length = RowBytesFor(Columns, Header.ColorType, Header.BitDepth);
    return length == 0 ? 0 : (length + 1) * Rows;
  };
  if (!Interlaced) return bytes(Header.Width, Header.Height);
  uint64_t total = 0;
  for (const TAdam7Pass& pass : Adam7Passes)
    total += bytes(PassWidth(Header.Width, pass.ColumnStart, pass.ColumnStep),
                   PassWidth(Header.Height, pass.RowStart, pass.RowStep));
  return total;
}

// Four bytes moved as one machine word (little-endian on x64). Written
// byte by byte, as platform/byte_order.h does, the store of a word whose top
// byte the next pixel overwrites is split by the compiler into three.
uint32_t LoadWord(const uint8_t* P) {
  uint32_t v;
  std::memcpy(&v, P, 4);
  return v;
}
void StoreWord(uint8_t* P, uint32_t V) { std::memcpy(P, &V, 4); }

// Red, green, blue (and a fourth byte) loaded as a word come out as blue,
// green, red in its low three bytes once the word is turned around.
uint32_t TurnedRGB(uint32_t V) { return __builtin_bswap32(V) >> 8; }

// 8-bit truecolour rows of the progressive order, four bytes a pixel moved
// at once: each store's fourth byte is overwritten by the next pixel, and
// the last pixel, whose word would reach past both rows, goes byte by byte.
void CopyRGBRow(const uint8_t* __restrict Src, uint32_t Pixels, uint8_t* __restrict Dest) {
  if (Pixels == 0) return;
  for (uint32_t k = 0; k + 1 < Pixels; ++k) StoreWord(Dest + 3 * k, TurnedRGB(LoadWord(Src + 3 * k)));
  const uint8_t* s = Src + 3 * (Pixels - 1);
  uint8_t* d = Dest + 3 * (Pixels - 1);
  d[0] = s[2];
  d[1] = s[1];
  d[2] = s[0];
}

void CopyRGBARow(const uint8_t* __restrict Src, uint32_t Pixels, uint8_t* __restrict Dest,
                 uint8_t* __restrict Alpha) {
  if (Pixels == 0) return;
  for (uint32_t k = 0; k + 1 < Pixels; ++k) {
    const uint32_t v = LoadWord(Src + 4 * k);
    StoreWord(Dest + 3 * k, TurnedRGB(v));
    Alpha[k] = static_cast<uint8_t>(v >> 24);
  }
  const uint8_t* s = Src + 4 * (Pixels - 1);
  uint8_t* d = Dest + 3 * (Pixels - 1);
  d[0] = s[2];
  d[1] = s[1];
  d[2] = s[0];
  Alpha[Pixels - 1] = s[3];
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
      if (Gamma == nullptr && sampleBytes == 1 && Step == 1) {
        CopyRGBRow(Src, Pixels, Dest + 3 * X0);
        break;
      }
      if (Gamma == nullptr && sampleBytes == 1) {  // red-green-blue turned around
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
      if (Gamma == nullptr && sampleBytes == 1 && Step == 1) {
        CopyRGBARow(Src, Pixels, Dest + 3 * X0, Alpha + X0);
        break;
      }
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

  if (!DecodeWhole(Stream, Length)) {
    if (owner.Interlacing == 0)
      DecodeProgressive(inflater);
    else
      DecodeAdam7(inflater);
    FinishIdatChunk(inflater);
  }
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

namespace {

// Rows of one byte per pixel (palette and gray images): the left neighbour
// is carried in a register, as reading it back from the row just written
// would wait for the store on every byte.
void UnfilterBytewiseRow(uint8_t* Row, const uint8_t* Prior, uint32_t N) {
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

// Pixels of 3 and 4 bytes under Sub, Average and Paeth: one pixel a step in a
// vector register, its samples widened to 16 bits for Paeth. The pixel's
// bytes are loaded as a word; the last pixel of a 3-byte row is loaded and
// stored by bytes so that nothing past either row is touched.
__m128i LoadPixel(const uint8_t* P, uint32_t Bpp, bool Last) {
  if (Bpp == 4 || !Last) return _mm_cvtsi32_si128(static_cast<int>(LoadWord(P)));
  return _mm_cvtsi32_si128(P[0] | P[1] << 8 | P[2] << 16);
}
void StorePixel(uint8_t* P, __m128i V, uint32_t Bpp) {
  const uint32_t v = static_cast<uint32_t>(_mm_cvtsi128_si32(V));
  if (Bpp == 4) return StoreWord(P, v);
  P[0] = static_cast<uint8_t>(v);
  P[1] = static_cast<uint8_t>(v >> 8);
  P[2] = static_cast<uint8_t>(v >> 16);
}

void UnfilterSubWide(uint8_t* Row, uint32_t Bpp, uint32_t N) {
  __m128i left = _mm_setzero_si128();
  for (uint32_t i = 1; i <= N; i += Bpp) {
    left = _mm_add_epi8(LoadPixel(Row + i, Bpp, i + Bpp > N), left);
    StorePixel(Row + i, left, Bpp);
  }
}

void UnfilterAverageWide(uint8_t* Row, const uint8_t* Prior, uint32_t Bpp, uint32_t N) {
  const __m128i one = _mm_set1_epi8(1);
  __m128i left = _mm_setzero_si128();
  for (uint32_t i = 1; i <= N; i += Bpp) {
    const bool last = i + Bpp > N;
    const __m128i above = LoadPixel(Prior + i, Bpp, last);
    // (left + above) >> 1 per byte: the rounded-up mean less the bit it rounded
    const __m128i mean = _mm_sub_epi8(_mm_avg_epu8(left, above), _mm_and_si128(_mm_xor_si128(left, above), one));
    left = _mm_add_epi8(LoadPixel(Row + i, Bpp, last), mean);
    StorePixel(Row + i, left, Bpp);
  }
}

void UnfilterPaethWide(uint8_t* Row, const uint8_t* Prior, uint32_t Bpp, uint32_t N) {
  const __m128i zero = _mm_setzero_si128();
  auto widen = [&](__m128i v) { return _mm_unpacklo_epi8(v, zero); };
  auto absolute = [&](__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(zero, v)); };
  auto pick = [](__m128i mask, __m128i ifSet, __m128i ifClear) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
  };
  __m128i left = zero, upperLeft = zero;  // widened
  for (uint32_t i = 1; i <= N; i += Bpp) {
    const bool last = i + Bpp > N;
    const __m128i above = widen(LoadPixel(Prior + i, Bpp, last));
    const __m128i towardsLeft = _mm_sub_epi16(above, upperLeft);  // p - left
    const __m128i towardsAbove = _mm_sub_epi16(left, upperLeft);  // p - above
    const __m128i pa = absolute(towardsLeft);
    const __m128i pb = absolute(towardsAbove);
    const __m128i pc = absolute(_mm_add_epi16(towardsLeft, towardsAbove));
    // left when pa <= pb and pa <= pc, else above when pb <= pc, else the corner
    const __m128i aboveOrCorner = pick(_mm_cmpgt_epi16(pb, pc), upperLeft, above);
    const __m128i predicted = pick(_mm_cmpgt_epi16(pa, _mm_min_epi16(pb, pc)), aboveOrCorner, left);
    const __m128i value = _mm_add_epi8(LoadPixel(Row + i, Bpp, last), _mm_packus_epi16(predicted, zero));
    StorePixel(Row + i, value, Bpp);
    left = widen(value);
    upperLeft = above;
  }
}

// Undoes the filter of Row (its filter byte first, then N bytes) against
// Prior, the unfiltered row above (zeros for a pass's first row), for
// pixels of Bpp bytes.
void UnfilterRowBytes(uint8_t* Row, const uint8_t* Prior, uint32_t Bpp, uint32_t N) {
  // The first pixel has no left neighbour (taken as 0); the loops after it
  // need no test for that, which keeps them tight.
  const uint32_t first = std::min(Bpp, N);
  if (Bpp == 1 && Row[0] != 2) return UnfilterBytewiseRow(Row, Prior, N);
  const bool wide = Bpp == 3 || Bpp == 4;
  switch (Row[0]) {
    case 1:  // Sub
      if (wide) return UnfilterSubWide(Row, Bpp, N);
      for (uint32_t i = Bpp + 1; i <= N; ++i) Row[i] = static_cast<uint8_t>(Row[i] + Row[i - Bpp]);
      break;
    case 2:  // Up
      for (uint32_t i = 1; i <= N; ++i) Row[i] = static_cast<uint8_t>(Row[i] + Prior[i]);
      break;
    case 3:  // Average
      if (wide) return UnfilterAverageWide(Row, Prior, Bpp, N);
      for (uint32_t i = 1; i <= first; ++i) Row[i] = static_cast<uint8_t>(Row[i] + (Prior[i] >> 1));
      for (uint32_t i = first + 1; i <= N; ++i)
        Row[i] = static_cast<uint8_t>(Row[i] + ((Prior[i] + Row[i - Bpp]) >> 1));
      break;
    case 4:  // Paeth: the first pixel predicts from above alone
      if (wide) return UnfilterPaethWide(Row, Prior, Bpp, N);
      for (uint32_t i = 1; i <= first; ++i) Row[i] = static_cast<uint8_t>(Row[i] + Prior[i]);
      for (uint32_t i = first + 1; i <= N; ++i)
        Row[i] = static_cast<uint8_t>(Row[i] + PredictPaeth(Row[i - Bpp], Prior[i], Prior[i - Bpp]));
      break;
    default:  // None, and unknown filter types: the row is used as stored
      break;
  }
}

}  // namespace

void TChunkIDAT::UnfilterRow() {
  UnfilterRowBytes(RowBuffers[CurrentBuffer].data(), RowBuffers[1 - CurrentBuffer].data(), PixelStride, RowLength);
}

bool TChunkIDAT::DecodeWhole(TStream& Stream, uint32_t Length) {
  const TChunkIHDR& h = *ImageHeaderChunk;
  const uint64_t filteredBytes = FilteredImageBytes(h, OwnerImage()->Interlacing != 0);
  if (filteredBytes == 0 || filteredBytes > WholeInflateLimit) return false;
  const int64_t start = FPosition;
  auto giveUp = [&] {
    Stream.SetPosition(start);
    return false;
  };
  // The data of this and every directly following IDAT chunk, each chunk
  // whole and with its CRC right. More than the filtered rows and an eighth,
  // or more than a chunk for every kilobyte of them, is no stream an encoder
  // writes; the streaming inflate takes it, walking the chunks once more.
  // The chunks are measured first, so that their data is read once into a
  // buffer of its own size.
  const uint64_t maxPacked = filteredBytes + filteredBytes / 8 + 1024;
  uint64_t chunksLeft = 64 + filteredBytes / 1024;
  uint8_t tail[12];  // a chunk's CRC, then the next chunk's length and type
  auto readTail = [&] { return Stream.Read(tail, sizeof tail) == sizeof tail; };
  uint64_t packedBytes = 0;
  for (uint32_t length = Length;;) {
    packedBytes += length;
    if (packedBytes > maxPacked || chunksLeft-- == 0) return giveUp();
    Stream.Seek(length, TSeekOrigin::soCurrent);
    if (!readTail()) return giveUp();
    if (std::memcmp(tail + 8, "IDAT", 4) != 0) break;
    length = GetU32BE(tail + 4);
  }
  std::unique_ptr<uint8_t[]> packed(new (std::nothrow) uint8_t[packedBytes + 1]);
  if (packed == nullptr) return giveUp();
  Stream.SetPosition(start);
  uint8_t* to = packed.get();
  for (uint32_t length = Length, crc = FCrc;;) {
    if (Stream.Read(to, length) != length) return giveUp();
    crc = UpdateChunkCrc(crc, to, length);
    to += length;
    if (!readTail() || (ChunkCrcChecked() && GetU32BE(tail) != ~crc)) return giveUp();
    if (std::memcmp(tail + 8, "IDAT", 4) != 0) break;
    length = GetU32BE(tail + 4);
    crc = UpdateChunkCrc(0xFFFFFFFFu, tail + 8, 4);
  }
  const std::unique_ptr<uint8_t[]> filtered(new (std::nothrow) uint8_t[filteredBytes]);
  if (filtered == nullptr || !InflateWhole(packed.get(), packedBytes, filtered.get(), filteredBytes))
    return giveUp();
  packed.reset();
  // The stream is left after the last IDAT chunk's CRC; later IDAT chunks
  // are passed over by the chunk reader, as after the streaming decode.
  FPosition = Stream.Seek(-8, TSeekOrigin::soCurrent);

  const uint8_t* gamma = GammaOrNull(OwnerImage()->GammaMap);
  const uint8_t* zeros = RowBuffers[0].data();  // zeroed, as long as the widest row
  uint8_t* row = filtered.get();
  auto decodePass = [&](uint32_t Pixels, uint32_t FirstRow, uint32_t RowStep, uint32_t X0, uint32_t Step) {
    const uint32_t length = static_cast<uint32_t>(RowBytesFor(Pixels, h.ColorType, h.BitDepth));
    if (length == 0) return;
    const uint8_t* prior = zeros;
    for (uint32_t y = FirstRow; y < RowCount; y += RowStep) {
      UnfilterRowBytes(row, prior, PixelStride, length);
      uint8_t* alpha = h.AlphaPlane != nullptr ? h.AlphaPlane + static_cast<size_t>(y) * RowPixels : nullptr;
      CopyRow(h, gamma, row + 1, Pixels, X0, Step, h.RowAddress(y), alpha);
      if (FKeyed) MarkKeyedPixels(h, FKey, row + 1, Pixels, X0, Step, h.KeyMask + h.KeyMaskStride * y);
      prior = row;
      row += length + 1;
    }
  };
  if (OwnerImage()->Interlacing == 0)
    decodePass(RowPixels, 0, 1, 0, 1);
  else
    for (const TAdam7Pass& pass : Adam7Passes)
      decodePass(PassWidth(RowPixels, pass.ColumnStart, pass.ColumnStep), pass.RowStart, pass.RowStep,
                 pass.ColumnStart, pass.ColumnStep);
  return true;
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
