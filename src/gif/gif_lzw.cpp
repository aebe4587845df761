#include "gif/gif_lzw.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "gif/gif_errors.h"
#include "gif/gif_image_core.h"
#include "gif/gif_stream_io.h"

namespace vr {

namespace {

constexpr int TableSize = 4096;  // codes are at most 12 bits wide
constexpr int MaxMinCodeSize = 11;  // keeps the clear code inside the tables
// Room for the longest string a walk can write before its loop guard fires:
// the pixel of a code not yet in the table, 4096 links and the first pixel.
constexpr int ScratchSize = 8192;
// The place of an entry whose string does not stand whole anywhere in the
// frame's pixels.
constexpr uint32_t NoPlace = UINT32_MAX;

uint32_t LoadLE32(const uint8_t* p) {
  uint32_t v;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&v, p, 4);
  } else {
    v = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
  }
  return v;
}

// Copies N bytes (N >= 1) between ranges that do not overlap, in a few wide
// moves instead of a loop over bytes: most strings are short.
inline void CopyString(uint8_t* To, const uint8_t* From, size_t N) {
  if (N <= 3) {
    To[0] = From[0];
    To[N / 2] = From[N / 2];
    To[N - 1] = From[N - 1];
  } else if (N <= 8) {
    uint32_t a, b;
    std::memcpy(&a, From, 4);
    std::memcpy(&b, From + N - 4, 4);
    std::memcpy(To, &a, 4);
    std::memcpy(To + N - 4, &b, 4);
  } else if (N <= 16) {
    uint64_t a, b;
    std::memcpy(&a, From, 8);
    std::memcpy(&b, From + N - 8, 8);
    std::memcpy(To, &a, 8);
    std::memcpy(To + N - 8, &b, 8);
  } else {
    std::memcpy(To, From, N);
  }
}

// Decoder state for one frame: a fixed work area of about 45 KB that
// nothing has to clear. The tables are read only below NextFreeCode, where
// the current table (since the last clear code) has written them.
//
// Each code's string is written whole. The table keeps, besides the prefix
// and last pixel of every entry, where in the frame its string already
// stands (the string of an entry is the string written for the previous
// code followed by the first pixel of the next, so it is in the frame right
// there) and how long it is: a later code of that entry copies it from
// there. Entries made from data that does not follow the rules (a code
// beyond the next free entry, which the decoder takes as the previous string
// again, leaves an entry whose string can change when the table grows into
// it) have no place and are walked through the table as the rules say, with
// the guard against loops; so are the strings split over two rows of an
// interlaced frame.
class TLZWDecoder {
 public:
  TLZWDecoder(TGIFSubImage& Frame, TStream& Stream, int MinCodeSize)
      : FFrame(Frame),
        FStream(Stream),
        FPixels(Frame.PixelData.data()),
        FMinCodeSize(MinCodeSize),
        FCodeSize(MinCodeSize + 1),
        FClearCode(1 << MinCodeSize),
        FEndCode(FClearCode + 1),
        FNextFreeCode(FClearCode + 2),
        FCodeLimit(2 * FClearCode) {}

  // Writes the next Count pixels of the data to Out, which is the frame's
  // pixels from Offset on. False when the data ended (or had ended) first.
  bool Decode(uint8_t* Out, size_t Offset, size_t Count);
  // The one request for a pixel after the frame is complete: reads the end
  // code of well-formed data, which skips the rest of the sub-blocks. A
  // pixel still held from the last string answers it instead.
  void Finish();

 private:
  // The next code; -1 when the data ran out.
  int NextCode() { return FBitPosition + FCodeSize >= FBitEnd ? NextCodeRefilling() : TakeCode(); }
  [[gnu::noinline]] int NextCodeRefilling();
  int TakeCode() {
    const uint32_t value = LoadLE32(FBitBuffer + (FBitPosition >> 3)) >> (FBitPosition & 7);
    FBitPosition += FCodeSize;
    return static_cast<int>(value & ((1u << FCodeSize) - 1));
  }
  void ResetTable();
  int EndCode();
  // The string of code X (at or above the clear code) through the table,
  // written backwards to the end of FScratch; answers its start.
  [[gnu::noinline]] uint8_t* Walk(int X);

  TGIFSubImage& FFrame;
  TStream& FStream;
  const uint8_t* const FPixels;
  const int FMinCodeSize;
  int FCodeSize;
  const int FClearCode;
  const int FEndCode;
  int FNextFreeCode;
  int FCodeLimit;
  uint8_t FFirstPixel = 0;  // of the string written last
  int FOldCode = 0;
  // The string of FOldCode is fixed by the table and was written last: an
  // entry that extends it stands where it was written.
  bool FOldFixed = false;
  uint32_t FLastPlace = NoPlace;  // where the last string stands whole, or NoPlace
  uint32_t FLastLength = 0;

  uint16_t FPrefix[TableSize];
  uint8_t FSuffix[TableSize];
  // Length of the entry's string; 0 while it is not fixed by the table.
  uint16_t FLength[TableSize];
  uint32_t FPlace[TableSize];  // where the string stands in the frame, or NoPlace

  // Pixels of the last string that did not fit where it was written yet:
  // the next row takes them first.
  uint8_t FScratch[ScratchSize];
  const uint8_t* FHeld = FScratch;
  const uint8_t* FHeldEnd = FScratch;

  // Two bytes carried over, a sub-block, and spare bytes so that a code is
  // always gathered with one four-byte load.
  uint8_t FBitBuffer[2 + 255 + 4] = {};
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
      if (size == 0) {
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
  // Entries above the literals become free again; nothing needs clearing,
  // as entries are only read below FNextFreeCode.
  FCodeSize = FMinCodeSize + 1;
  FCodeLimit = 2 * FClearCode;
  FNextFreeCode = FClearCode + 2;
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

uint8_t* TLZWDecoder::Walk(int X) {
  uint8_t* p = FScratch + ScratchSize;
  if (X >= FNextFreeCode) {  // not in the table yet: the previous string and its first pixel
    *--p = FFirstPixel;
    X = FOldCode;
  }
  // A valid chain visits each table entry at most once; a longer one can
  // only be a loop that a crafted stream built.
  const uint8_t* const linkLimit = p - TableSize;
  while (X >= FClearCode) {
    if (p == linkLimit) throw GIFException(sGIFCircularTable);
    if (X > FEndCode && X < FNextFreeCode) {
      *--p = FSuffix[X];
      X = FPrefix[X];
    } else {  // the clear and end codes and free entries read as pixel 0 after literal 0
      *--p = 0;
      X = 0;
    }
  }
  FFirstPixel = static_cast<uint8_t>(X);
  *--p = FFirstPixel;
  return p;
}

bool TLZWDecoder::Decode(uint8_t* Out, size_t Offset, size_t Count) {
  uint8_t* dst = Out;
  uint8_t* const end = Out + Count;
  if (FHeld != FHeldEnd) {  // the end of the last string first
    const size_t n = std::min<size_t>(static_cast<size_t>(FHeldEnd - FHeld), Count);
    std::memcpy(dst, FHeld, n);
    FHeld += n;
    dst += n;
    if (dst == end) return true;
  }
  if (FEnded) return false;
  // An entry made from the last string and the next one's first pixel
  // stands in the frame only when the two are neighbours there.
  if (FLastPlace != NoPlace && FLastPlace + size_t{FLastLength} != Offset) FLastPlace = NoPlace;

  // The state the loop changes lives in locals: every pixel store could
  // otherwise alias the members and force them back to memory.
  const int clearCode = FClearCode, endCode = FEndCode;
  int codeSize = FCodeSize, nextFree = FNextFreeCode, codeLimit = FCodeLimit;
  uint32_t codeMask = (1u << codeSize) - 1;
  int bitPosition = FBitPosition, bitEnd = FBitEnd;
  int oldCode = FOldCode;
  bool oldFixed = FOldFixed;
  uint8_t firstPixel = FFirstPixel;
  uint32_t lastPlace = FLastPlace, lastLength = FLastLength;
  auto store = [&] {
    FCodeSize = codeSize, FNextFreeCode = nextFree, FCodeLimit = codeLimit;
    FBitPosition = bitPosition, FBitEnd = bitEnd;
    FOldCode = oldCode, FOldFixed = oldFixed, FFirstPixel = firstPixel;
    FLastPlace = lastPlace, FLastLength = lastLength;
  };
  auto load = [&] {
    codeSize = FCodeSize, nextFree = FNextFreeCode, codeLimit = FCodeLimit;
    codeMask = (1u << codeSize) - 1;
    bitPosition = FBitPosition, bitEnd = FBitEnd;
    oldCode = FOldCode, oldFixed = FOldFixed, firstPixel = FFirstPixel;
    lastPlace = FLastPlace, lastLength = FLastLength;
  };

  while (dst < end) {
    int code;
    if (bitPosition + codeSize < bitEnd) {
      code = static_cast<int>((LoadLE32(FBitBuffer + (bitPosition >> 3)) >> (bitPosition & 7)) & codeMask);
      bitPosition += codeSize;
    } else {
      store();
      code = NextCodeRefilling();
      load();
      if (code < 0) return false;
    }
    const uint32_t place = static_cast<uint32_t>(Offset + static_cast<size_t>(dst - Out));
    const size_t room = static_cast<size_t>(end - dst);
    size_t length;
    bool fixed = true;  // the string of this code is fixed by the table
    const uint8_t* string = nullptr;  // a string still to be written, of the length above
    bool stringInFrame = false;       // ... read from the frame's pixels, not from FScratch
    if (code < clearCode) {
      *dst++ = static_cast<uint8_t>(code);
      firstPixel = static_cast<uint8_t>(code);
      length = 1;
    } else if (code < nextFree && code > endCode && FPlace[code] != NoPlace) {
      string = FPixels + FPlace[code];
      stringInFrame = true;
      length = FLength[code];
      firstPixel = *string;
    } else if (code == clearCode) {
      store();
      ResetTable();
      do {  // several clear codes in a row act as one
        code = NextCode();
      } while (code == clearCode);
      if (code < 0) return false;
      if (code == endCode) {
        EndCode();
        return false;
      }
      // The first code is a pixel as it stands, and makes no entry.
      *dst++ = static_cast<uint8_t>(code);
      FFirstPixel = static_cast<uint8_t>(code);
      FOldCode = code;
      FOldFixed = code < clearCode;
      FLastPlace = place;
      FLastLength = 1;
      load();
      continue;
    } else if (code == endCode) {
      store();
      EndCode();
      return false;
    } else if (code >= nextFree && oldFixed && (oldCode < clearCode || FPlace[oldCode] != NoPlace)) {
      // Not in the table yet: the previous string and its own first pixel.
      fixed = code == nextFree;
      const uint32_t oldLength = oldCode < clearCode ? 1 : FLength[oldCode];
      length = oldLength + 1;
      if (length <= room) {
        if (oldCode < clearCode)
          dst[0] = static_cast<uint8_t>(oldCode);
        else
          CopyString(dst, FPixels + FPlace[oldCode], oldLength);
        dst[oldLength] = firstPixel;
        dst += length;
      } else {
        uint8_t* s = FScratch + ScratchSize - length;
        if (oldCode < clearCode)
          s[0] = static_cast<uint8_t>(oldCode);
        else
          std::memcpy(s, FPixels + FPlace[oldCode], oldLength);
        s[oldLength] = firstPixel;
        string = s;
      }
    } else {
      // Through the table, link by link.
      fixed = code < nextFree ? FLength[code] != 0 : oldFixed && code == nextFree;
      store();
      string = Walk(code);
      load();
      length = static_cast<size_t>(FScratch + ScratchSize - string);
    }
    bool whole = true;  // the string stands whole at place
    if (string != nullptr) {
      if (length <= room) {
        CopyString(dst, string, length);
        dst += length;
      } else {
        // Only part of it fits: the rest waits for the next row.
        if (stringInFrame) {
          uint8_t* s = FScratch + ScratchSize - length;
          std::memcpy(s, string, length);
          string = s;
        }
        std::memcpy(dst, string, room);
        FHeld = string + room;
        FHeldEnd = FScratch + ScratchSize;
        dst = end;
        whole = false;
      }
    }

    if (nextFree < TableSize) {
      FPrefix[nextFree] = static_cast<uint16_t>(oldCode);
      FSuffix[nextFree] = firstPixel;
      FLength[nextFree] = static_cast<uint16_t>(oldFixed ? lastLength + 1 : 0);
      FPlace[nextFree] = oldFixed ? lastPlace : NoPlace;
      ++nextFree;
      if (nextFree >= codeLimit && codeLimit < TableSize) {
        codeLimit *= 2;
        ++codeSize;
        codeMask = (1u << codeSize) - 1;
      }
    }
    // With a full table codes stay 12 bits wide until the next clear code.
    oldCode = code;
    oldFixed = fixed;
    lastPlace = whole ? place : NoPlace;
    lastLength = static_cast<uint32_t>(length);
  }
  store();
  return true;
}

void TLZWDecoder::Finish() {
  if (FHeld != FHeldEnd) {
    ++FHeld;
    return;
  }
  uint8_t pixel;
  FLastPlace = NoPlace;
  Decode(&pixel, 0, 1);
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
    decoder.Decode(pixels, 0, count);
  } else {
    // Rows 0, 8, 16, ...; 4, 12, ...; 2, 6, ...; 1, 3, 5, ...
    size_t row = 0, step = 8;
    int pass = 0;
    bool stopped = false;
    for (size_t done = 0; done < height && !stopped; ++done) {
      stopped = !decoder.Decode(pixels + row * width, row * width, width);
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
  decoder.Finish();
}

}  // namespace vr
