// Encoding the bitmap back into IDAT chunks. The viewer never writes a file;
// this keeps an image copyable through a stream.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "png/png_chunks.h"
#include "png/png_core.h"
#include "png/png_crc.h"
#include "png/png_zlib.h"

namespace vr {

namespace {

struct TPassShape {
  uint32_t RowStart, ColumnStart, RowStep, ColumnStep;
};
constexpr TPassShape WholeImage[1] = {{0, 0, 1, 1}};
constexpr TPassShape Adam7Shapes[7] = {
    {0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4}, {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1},
};

// The stream form of Pixels bitmap pixels (columns X0, X0 + Step, ...) of one
// image row: truecolour through the inverse gamma map, alpha re-interleaved,
// 16-bit samples with the stored byte high and 0 low.
void FetchRow(const TChunkIHDR& Header, uint8_t Depth, const uint8_t* Inverse, const uint8_t* Row,
              const uint8_t* Alpha, uint32_t Pixels, uint32_t X0, uint32_t Step, uint8_t* Out, size_t OutSize) {
  std::memset(Out, 0, OutSize);
  const uint32_t sampleBytes = Depth / 8;
  switch (Header.ColorType) {
    case kPNGGray:
    case kPNGPalette:
      if (Depth == 16) {
        for (uint32_t k = 0; k < Pixels; ++k) Out[2 * k] = Row[X0 + k * Step];
      } else {
        const uint32_t mask = (1u << Depth) - 1;
        for (uint32_t k = 0; k < Pixels; ++k) {
          const uint32_t from = (X0 + k * Step) * Depth;
          const uint32_t v = (Row[from >> 3] >> (8 - Depth - (from & 7))) & mask;
          const uint32_t to = k * Depth;
          Out[to >> 3] |= static_cast<uint8_t>(v << (8 - Depth - (to & 7)));
        }
      }
      break;
    case kPNGRGB:
    case kPNGRGBA: {
      const uint32_t channels = Header.ColorType == kPNGRGB ? 3 : 4;
      for (uint32_t k = 0; k < Pixels; ++k) {
        const uint32_t x = X0 + k * Step;
        const uint8_t* p = Row + 3 * x;
        uint8_t* o = Out + k * channels * sampleBytes;
        o[0] = Inverse[p[2]];
        o[sampleBytes] = Inverse[p[1]];
        o[2 * sampleBytes] = Inverse[p[0]];
        if (channels == 4) o[3 * sampleBytes] = Alpha[x];
      }
      break;
    }
    case kPNGGrayAlpha:
      for (uint32_t k = 0; k < Pixels; ++k) {
        const uint32_t x = X0 + k * Step;
        uint8_t* o = Out + k * 2 * sampleBytes;
        o[0] = Row[x];
        o[sampleBytes] = Alpha[x];
      }
      break;
    default: break;
  }
}

// Applies filter Type to Raw (bytes 1..Length; byte 0 unused) against Prior
// into Out (byte 0 = Type).
void FilterRow(uint8_t Type, const uint8_t* Raw, const uint8_t* Prior, uint32_t Length, uint32_t Bpp, uint8_t* Out) {
  Out[0] = Type;
  for (uint32_t i = 1; i <= Length; ++i) {
    const uint8_t left = i > Bpp ? Raw[i - Bpp] : 0;
    const uint8_t upperLeft = i > Bpp ? Prior[i - Bpp] : 0;
    uint8_t predicted = 0;
    switch (Type) {
      case rfSub: predicted = left; break;
      case rfUp: predicted = Prior[i]; break;
      case rfAverage: predicted = static_cast<uint8_t>((left + Prior[i]) >> 1); break;
      case rfPaeth: predicted = PredictPaeth(left, Prior[i], upperLeft); break;
      default: break;
    }
    Out[i] = static_cast<uint8_t>(Raw[i] - predicted);
  }
}

// Deflates rows and writes the output as IDAT chunks of at most Limit bytes.
class TIdatWriter {
 public:
  TIdatWriter(TStream& Stream, int Level, uint32_t Limit) : FStream(Stream), FOutput(Limit) {
    FOk = PngDeflateInit(FZ, Level) == Z_OK;
    FZ.next_out = FOutput.data();
    FZ.avail_out = static_cast<uInt>(FOutput.size());
  }
  ~TIdatWriter() {
    if (FOk) deflateEnd(&FZ);
  }
  bool Ok() const { return FOk; }

  bool Write(const uint8_t* Data, size_t Size) {
    FZ.next_in = const_cast<Bytef*>(Data);
    FZ.avail_in = static_cast<uInt>(Size);
    while (FOk && FZ.avail_in > 0) {
      if (deflate(&FZ, Z_NO_FLUSH) == Z_STREAM_ERROR) return FOk = false;
      if (FZ.avail_out == 0) Emit();
    }
    return FOk;
  }

  bool Finish() {
    FZ.next_in = nullptr;
    FZ.avail_in = 0;
    for (;;) {
      const int r = deflate(&FZ, Z_FINISH);
      if (r == Z_STREAM_ERROR) return FOk = false;
      if (r == Z_STREAM_END) break;
      if (FZ.avail_out == 0) Emit();
    }
    Emit();
    return FOk;
  }

 private:
  void Emit() {
    const uint32_t used = static_cast<uint32_t>(FOutput.size() - FZ.avail_out);
    WriteChunkFrame(FStream, MakeChunkType("IDAT"), FOutput.data(), used);
    FZ.next_out = FOutput.data();
    FZ.avail_out = static_cast<uInt>(FOutput.size());
  }

  TStream& FStream;
  z_stream FZ{};
  std::vector<uint8_t> FOutput;
  bool FOk = false;
};

}  // namespace

bool TChunkIDAT::SaveChunk(TStream& Stream) {
  TPNGCore& owner = *OwnerImage();
  TChunkIHDR& h = owner.RequireHeader();
  if (h.PixelBits == nullptr) return false;
  ImageHeaderChunk = &h;
  RowPixels = h.Width;
  RowCount = h.Height;
  // 2-bit samples live in 4 bits in the bitmap and are written that way.
  const uint8_t depth = h.BitDepth == 2 ? 4 : h.BitDepth;
  const uint32_t fullLength = static_cast<uint32_t>(RowBytesFor(RowPixels, h.ColorType, depth));
  const uint32_t samples = h.ColorType == kPNGRGB        ? 3u
                           : h.ColorType == kPNGGrayAlpha ? 2u
                           : h.ColorType == kPNGRGBA      ? 4u
                                                          : 1u;
  const uint32_t bitsPerPixel = depth * samples;
  PixelStride = std::max(1u, bitsPerPixel / 8);

  // The six write buffers: the current and previous raw rows, and one
  // candidate per filter.
  std::vector<uint8_t> raw[2] = {std::vector<uint8_t>(fullLength + 1), std::vector<uint8_t>(fullLength + 1)};
  std::vector<uint8_t> candidates[5];
  for (auto& c : candidates) c.resize(fullLength + 1);

  TIdatWriter writer(Stream, owner.DeflateLevel, owner.IdatChunkLimit());
  if (!writer.Ok()) return false;

  const bool interlaced = owner.Interlacing == 1;
  const TPassShape* shapes = interlaced ? Adam7Shapes : WholeImage;
  const int passes = interlaced ? 7 : 1;
  for (int p = 0; p < passes; ++p) {
    const TPassShape& shape = shapes[p];
    const uint32_t pixels =
        RowPixels > shape.ColumnStart ? (RowPixels - shape.ColumnStart + shape.ColumnStep - 1) / shape.ColumnStep : 0;
    RowLength = static_cast<uint32_t>(RowBytesFor(pixels, h.ColorType, depth));
    if (RowLength == 0) continue;
    std::fill(raw[0].begin(), raw[0].end(), 0);
    int current = 1;
    for (uint32_t r = shape.RowStart; r < RowCount; r += shape.RowStep) {
      uint8_t* row = raw[current].data();
      const uint8_t* alpha = h.AlphaPlane != nullptr ? h.AlphaPlane + static_cast<size_t>(r) * RowPixels : nullptr;
      FetchRow(h, depth, owner.InverseGammaMap, h.RowAddress(r), alpha, pixels, shape.ColumnStart, shape.ColumnStep,
               row + 1, RowLength);
      // Among the allowed filters, the one whose output bytes, taken as
      // signed, sum to the least.
      int best = -1;
      uint64_t bestCost = 0;
      for (int f = rfNone; f <= rfPaeth; ++f) {
        if ((owner.RowFilters & RowFilterSet(static_cast<TRowFilter>(f))) == 0) continue;
        FilterRow(static_cast<uint8_t>(f), row, raw[1 - current].data(), RowLength, PixelStride,
                  candidates[f].data());
        uint64_t cost = 0;
        for (uint32_t i = 1; i <= RowLength; ++i) cost += static_cast<uint64_t>(std::abs(static_cast<int8_t>(candidates[f][i])));
        if (best < 0 || cost < bestCost) {
          best = f;
          bestCost = cost;
        }
      }
      if (best < 0) {
        best = rfNone;
        FilterRow(rfNone, row, raw[1 - current].data(), RowLength, PixelStride, candidates[rfNone].data());
      }
      if (!writer.Write(candidates[best].data(), static_cast<size_t>(RowLength) + 1)) return false;
      current ^= 1;
    }
  }
  RowLength = fullLength;
  return writer.Finish();
}

}  // namespace vr
