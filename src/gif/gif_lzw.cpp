#include "gif/gif_lzw.h"

#include <cstdint>

#include "gif/gif_blocks.h"
#include "gif/gif_errors.h"
#include "gif/gif_image_core.h"
#include "gif/gif_stream_io.h"

namespace vr {

namespace {

constexpr int TableSize = 4096;  // codes are at most 12 bits wide
constexpr int StackSize = 8192;
constexpr int MaxMinCodeSize = 11;  // keeps the clear code inside the tables

// Decoder state for one frame; a fixed work area of about 33 KB.
class TLZWDecoder {
 public:
  TLZWDecoder(TGIFSubImage& Frame, TStream& Stream, int MinCodeSize)
      : FFrame(Frame),
        FStream(Stream),
        FMinCodeSize(MinCodeSize),
        FCodeSize(MinCodeSize + 1),
        FClearCode(1 << MinCodeSize),
        FEndCode(FClearCode + 1),
        FNextFreeCode(FClearCode + 2),
        FCodeLimit(2 * FClearCode) {}

  // The next pixel value; -1 when the data ran out, -2 after the end code.
  int NextPixel() { return FStackTop > 0 ? FOutputStack[--FStackTop] : NextPixelFromTable(); }
  // Up to Count pixels into Out; fewer when the data ends (or has ended).
  size_t ReadPixels(uint8_t* Out, size_t Count);

 private:
  // The next code; -1 when the data ran out. Inline while the bit buffer
  // holds the whole code, which is nearly always.
  int NextCode() { return FPendingClear || FBitPosition + FCodeSize >= FBitEnd ? NextCodeRefilling() : TakeCode(); }
  [[gnu::noinline]] int NextCodeRefilling();  // kept out of line so NextCode stays small
  int TakeCode() {
    const int k = FBitPosition >> 3;
    uint32_t value = static_cast<uint32_t>(FBitBuffer[k]) | static_cast<uint32_t>(FBitBuffer[k + 1]) << 8 |
                     static_cast<uint32_t>(FBitBuffer[k + 2]) << 16;
    value = (value >> (FBitPosition & 7)) & ((1u << FCodeSize) - 1);
    FBitPosition += FCodeSize;
    return static_cast<int>(value);
  }
  int NextPixelFromTable();
  void ResetTable();
  int EndCode();
  void Push(int Value) { FOutputStack[FStackTop++] = static_cast<uint8_t>(Value); }

  TGIFSubImage& FFrame;
  TStream& FStream;
  const int FMinCodeSize;
  int FCodeSize;
  const int FClearCode;
  const int FEndCode;
  int FNextFreeCode;
  int FCodeLimit;
  int FFirstCode = 0;
  int FOldCode = 0;
  uint16_t FPrefixTable[TableSize] = {};
  uint16_t FSuffixTable[TableSize] = {};
  // Pixels of the current string, last first. Pixels are bytes: the wider
  // values of large code sizes are cut to 8 bits as they are stored.
  uint8_t FOutputStack[StackSize];
  int FStackTop = 0;
  // Two bytes carried over, a sub-block, and two spare bytes so that a code
  // is always gathered from three bytes.
  uint8_t FBitBuffer[2 + 255 + 2] = {};
  int FBitPosition = 0;
  int FBitEnd = 0;
  int FBufferEnd = 2;
  bool FPendingClear = true;
  bool FNoMoreData = false;
  bool FTerminatorSeen = false;
  bool FEnded = false;
};

int TLZWDecoder::NextCodeRefilling() {
  if (FPendingClear) {  // the data starts with an implicit clear code
    FPendingClear = false;
    return FClearCode;
  }
  if (FBitPosition + FCodeSize >= FBitEnd) {
    // Refill; a code may reach over several short sub-blocks.
    for (;;) {
      if (FNoMoreData) {
        if (FBitPosition >= FBitEnd) FFrame.ReportWarning(gsWarning, sGIFBitBufferUnderrun);
        return -1;
      }
      FBitBuffer[0] = FBitBuffer[FBufferEnd - 2];
      FBitBuffer[1] = FBitBuffer[FBufferEnd - 1];
      uint8_t size;
      if (!gifio::TryReadByte(FStream, size)) return -1;
      bool ended = false;
      if (size == kGIFBlockTerminator) {
        FNoMoreData = true;
        FTerminatorSeen = true;
        ended = true;
      } else {
        const size_t got = FStream.Read(FBitBuffer + 2, size);
        if (got < size) {
          FFrame.ReportWarning(gsWarning, sGIFPrematureEnd);
          size = static_cast<uint8_t>(got);
          ended = true;
        }
      }
      FBufferEnd = 2 + size;
      FBitPosition = FBitPosition - FBitEnd + 16;
      FBitEnd = 8 * FBufferEnd;
      if (FBitPosition + FCodeSize <= FBitEnd) break;
      if (ended) return -1;
    }
  }
  return TakeCode();
}

void TLZWDecoder::ResetTable() {
  for (int i = 0; i < TableSize; ++i) {
    FSuffixTable[i] = static_cast<uint16_t>(i < FClearCode ? i : 0);
    FPrefixTable[i] = 0;
  }
  FCodeSize = FMinCodeSize + 1;
  FCodeLimit = 2 * FClearCode;
  FNextFreeCode = FClearCode + 2;
  FStackTop = 0;
}

int TLZWDecoder::EndCode() {
  // Skip what is left of the data up to its terminator. The data is over
  // then: later requests must not read the blocks that follow it.
  if (!FTerminatorSeen) gifio::SkipSubBlocks(FStream);
  FNoMoreData = true;
  FTerminatorSeen = true;
  FEnded = true;
  return -2;
}

int TLZWDecoder::NextPixelFromTable() {
  if (FEnded) return -2;
  for (;;) {
    int x = NextCode();
    if (x < 0) return x;
    if (x == FClearCode) {
      ResetTable();
      do {  // several clear codes in a row act as one
        x = NextCode();
      } while (x == FClearCode);
      if (x < 0) return x;
      if (x == FEndCode) return EndCode();
      FFirstCode = x;
      FOldCode = x;
      return x;
    }
    if (x == FEndCode) return EndCode();

    const int incoming = x;
    if (x >= FNextFreeCode) {  // not in the table yet: the previous string and its first pixel
      Push(FFirstCode);
      x = FOldCode;
    }
    // A valid chain visits each table entry at most once; a longer one can
    // only be a loop that a crafted stream built.
    int top = FStackTop;  // kept in a register through the walk
    const int linkLimit = top + TableSize;
    while (x >= FClearCode) {
      if (top >= linkLimit) throw GIFException(sGIFCircularTable);
      FOutputStack[top++] = static_cast<uint8_t>(FSuffixTable[x]);
      x = FPrefixTable[x];
    }
    FFirstCode = FSuffixTable[x];
    FOutputStack[top++] = static_cast<uint8_t>(FFirstCode);
    FStackTop = top;

    if (FNextFreeCode < TableSize) {
      FPrefixTable[FNextFreeCode] = static_cast<uint16_t>(FOldCode);
      FSuffixTable[FNextFreeCode] = static_cast<uint16_t>(FFirstCode);
      ++FNextFreeCode;
      if (FNextFreeCode >= FCodeLimit && FCodeLimit < TableSize) {
        FCodeLimit *= 2;
        ++FCodeSize;
      }
    }
    // With a full table codes stay 12 bits wide until the next clear code.
    FOldCode = incoming;
    if (FStackTop > 0) return FOutputStack[--FStackTop];
  }
}

size_t TLZWDecoder::ReadPixels(uint8_t* Out, size_t Count) {
  for (size_t n = 0; n < Count; ++n) {
    const int v = NextPixel();
    if (v < 0) return n;
    Out[n] = static_cast<uint8_t>(v);
  }
  return Count;
}

}  // namespace

void DecodeFramePixels(TGIFSubImage& Frame, TStream& Stream) {
  const size_t width = Frame.Width;
  const size_t height = Frame.Height;
  const size_t count = width * height;
  Frame.PixelData.clear();
  if (count > 0) {
    if (Frame.Image() != nullptr)
      Frame.Image()->ReservePixels(count);
    else if (count > TGIFImageCore::DefaultMaxFramePixels)
      throw GIFException(sGIFInvalidDimensions);
    const int transparent = Frame.IsTransparent ? Frame.TransparentIndex() : 0;
    Frame.PixelData.assign(count, static_cast<uint8_t>(transparent < 0 ? 0 : transparent));
  }

  uint8_t minCodeSize;
  if (!gifio::TryReadByte(Stream, minCodeSize)) return;
  if (minCodeSize > MaxMinCodeSize) {
    // No valid code stream has a clear code outside the tables: the frame
    // keeps its fill and the reader goes on after its data.
    gifio::SkipSubBlocks(Stream);
    return;
  }

  TLZWDecoder decoder(Frame, Stream, minCodeSize);
  uint8_t* pixels = Frame.PixelData.data();
  if (count == 0) {
    // nothing to fill
  } else if (!Frame.Interlaced()) {
    decoder.ReadPixels(pixels, count);
  } else {
    // Rows 0, 8, 16, ...; 4, 12, ...; 2, 6, ...; 1, 3, 5, ...
    size_t row = 0, step = 8;
    int pass = 0;
    bool stopped = false;
    for (size_t done = 0; done < height && !stopped; ++done) {
      stopped = decoder.ReadPixels(pixels + row * width, width) < width;
      row += step;
      while (row >= height) {
        if (pass > 0) step /= 2;
        ++pass;
        row = step / 2;
      }
    }
  }
  // Well-formed data ends with the end code here, which skips the rest of
  // the sub-blocks.
  decoder.NextPixel();
}

}  // namespace vr
