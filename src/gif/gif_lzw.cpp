#include "gif/gif_lzw.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "gif/gif_blocks.h"
#include "gif/gif_errors.h"
#include "gif/gif_image_core.h"
#include "gif/gif_stream_io.h"
#include "platform/byte_order.h"

namespace vr {

namespace {

constexpr int TableSize = 4096;  // codes are at most 12 bits wide
constexpr int MaxMinCodeSize = 11;  // keeps the clear code inside the tables
// Room for the longest string a walk can write before its loop guard fires:
// the pixel of a code not yet in the table, 4096 links and the first pixel.
constexpr int ScratchSize = 8192;
// Strings are copied in moves of this many bytes. A copy may write up to
// Chunk - 1 bytes past its string's end into pixels not decoded yet, and
// read as far past the string it copies: the decoder takes the fast copy
// only where that stays inside the row, and places strings only where it
// stays inside the frame.
constexpr size_t Chunk = 16;

// The pixel of each literal code (its low byte), with room for a chunk
// read past the last one.
constexpr auto LiteralPixels = [] {
  std::array<uint8_t, TableSize + Chunk> t{};
  for (size_t i = 0; i < t.size(); ++i) t[i] = static_cast<uint8_t>(i);
  return t;
}();

// Copies the N bytes at From (N >= 1) to To in chunks, writing up to
// Chunk - 1 bytes past To + N and reading as many past From + N. Each chunk
// is read before it is written: the N bytes must lie outside the chunks
// written, but for the last, which may be the first byte written and then
// reads as it was before the copy.
inline void CopyChunks(uint8_t* To, const uint8_t* From, size_t N) {
  size_t i = 0;
  do {
    uint8_t chunk[Chunk];
    std::memcpy(chunk, From + i, Chunk);
    std::memcpy(To + i, chunk, Chunk);
    i += Chunk;
  } while (i < N);
}

// Copies exactly N bytes (N >= 1) between ranges that do not overlap.
inline void CopyExact(uint8_t* To, const uint8_t* From, size_t N) {
  if (N <= 3) {
    To[0] = From[0];
    To[N / 2] = From[N / 2];
    To[N - 1] = From[N - 1];
  } else {
    std::memcpy(To, From, N);
  }
}

// Decoder state for one frame: a fixed work area of about 60 KB, of which
// only a few entries are set up per frame. The table is read only below
// NextFreeCode, where the current table (since the last clear code) has
// written it.
//
// Each code's string is written whole. Besides the prefix and last pixel of
// every entry, the table keeps where in the frame the entry's string already
// stands, and how long it is: the string of an entry is the string written
// for the code before it followed by the first pixel of the code after it,
// so it stands in the frame right there, and a later code of that entry
// copies it from there. Entries made from data that breaks the rules (a code
// beyond the next free entry, which the decoder takes as the previous string
// again, leaves an entry whose string changes when the table grows into it)
// have no place and are walked through the table link by link, with the
// guard against loops; so are strings that do not stand whole in the frame
// (split over two rows of an interlaced frame).
//
// The entry that the next code makes is written ahead into the free slot
// (slot TableSize once the table is full): where the string written last
// stands, its length + 1, and its code as the prefix. Only its last pixel,
// the first of the next string, is missing. The slot thus also holds the
// previous code, and a code naming the next entry finds the previous string
// there like any other.
class TLZWDecoder {
 public:
  TLZWDecoder(TGIFSubImage& Frame, TStream& Stream, int MinCodeSize, uint8_t Fill)
      : FFrame(Frame),
        FStream(Stream),
        FPixelsEnd(Frame.PixelData.data() + Frame.PixelData.size()),
        FFill(Fill),
        FMinCodeSize(MinCodeSize),
        FCodeSize(MinCodeSize + 1),
        FClearCode(1 << MinCodeSize),
        FEndCode(FClearCode + 1),
        FNextFreeCode(FClearCode + 2) {
    // The fast path looks these two up like entries; they have no string.
    for (int code : {FClearCode, FEndCode}) {
      FSource[code] = nullptr;
      FLength[code] = 0;
    }
    ResetTable();
  }

  // Writes the next Count pixels of the data to Out, a row of the frame (or
  // all of it). False when the data ended (or had ended) first.
  bool Decode(uint8_t* Out, size_t Count);
  // The one request for a pixel after the frame is complete: reads the end
  // code of well-formed data, which skips the rest of the sub-blocks. A
  // pixel still held from the last string answers it instead.
  void Finish();

 private:
  // The next code; -1 when the data ran out.
  int NextCode() { return FBitPosition + FCodeSize >= FBitEnd ? NextCodeRefilling() : TakeCode(); }
  [[gnu::noinline]] int NextCodeRefilling();
  int TakeCode() {
    const uint32_t value = GetU32LE(FBitBuffer + (FBitPosition >> 3)) >> (FBitPosition & 7);
    FBitPosition += FCodeSize;
    return static_cast<int>(value & ((1u << FCodeSize) - 1));
  }
  void ResetTable();
  int EndCode();
  // The code before the current one, and the first pixel of its string.
  int OldCode() const { return FPrefix[FNextFreeCode]; }
  uint8_t OldFirstPixel() const {
    const uint8_t* at = FSource[FNextFreeCode];
    return at != nullptr ? *at : FFirstPixel;
  }
  // The string of code X (at or above the clear code) through the table,
  // written backwards to the end of FScratch; answers its start.
  [[gnu::noinline]] const uint8_t* Walk(int X);
  // Codes that the fast path of Decode leaves, with exact copies, written
  // at Dst. Answers where the next string goes, or null when the data ended.
  [[gnu::noinline]] uint8_t* DecodeOther(int Code, uint8_t* Dst, uint8_t* End);
  // Puts the fill back into the pixels from At on that a chunked copy may
  // have written ahead of the decoding.
  void Settle(uint8_t* At, const uint8_t* End) const {
    std::memset(At, FFill, std::min<size_t>(Chunk - 1, static_cast<size_t>(End - At)));
  }

  TGIFSubImage& FFrame;
  TStream& FStream;
  const uint8_t* const FPixelsEnd;
  const uint8_t FFill;  // of pixels the data does not reach
  bool FInFrame = true;  // false for the request after the last pixel
  const int FMinCodeSize;
  int FCodeSize;  // codes grow a bit wider when the next free entry reaches 1 << FCodeSize
  const int FClearCode;
  const int FEndCode;
  int FNextFreeCode;
  // The first pixel of the string written last when that does not stand
  // whole in the frame (else it is read there).
  uint8_t FFirstPixel = 0;

  // The entries: where the string stands in the frame, with a chunk of
  // frame after it (null when it stands nowhere so), its length (0 when the
  // table does not fix it), the prefix code and the last pixel; slot
  // TableSize is the free slot of a full table.
  const uint8_t* FSource[TableSize + 1];
  uint16_t FLength[TableSize + 1];
  uint16_t FPrefix[TableSize + 1];
  uint8_t FSuffix[TableSize + 1];

  // Pixels of the last string that did not fit where it was written: the
  // next row takes them first.
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
  // Nothing needs clearing: entries are only read below FNextFreeCode.
  FCodeSize = FMinCodeSize + 1;
  FNextFreeCode = FClearCode + 2;
  FSource[FNextFreeCode] = nullptr;
  FLength[FNextFreeCode] = 0;
  FPrefix[FNextFreeCode] = 0;
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

const uint8_t* TLZWDecoder::Walk(int X) {
  uint8_t* p = FScratch + ScratchSize;
  if (X >= FNextFreeCode) {  // not in the table yet: the previous string and its first pixel
    *--p = OldFirstPixel();
    X = OldCode();
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
  *--p = static_cast<uint8_t>(X);
  return p;
}

uint8_t* TLZWDecoder::DecodeOther(int Code, uint8_t* Dst, uint8_t* End) {
  uint8_t* const at = Dst;
  const size_t room = static_cast<size_t>(End - at);
  const int next = FNextFreeCode;
  size_t length;
  bool fixed = true;                // the table fixes the string of this code
  const uint8_t* string = nullptr;  // the string to write
  bool inFrame = false;             // ... which stands in the frame, not in FScratch
  if (Code < FClearCode) {
    string = LiteralPixels.data() + Code;
    length = 1;
  } else if (Code <= next && Code > FEndCode && FSource[Code] != nullptr) {
    // An entry that stands in the frame, or the next entry after a string
    // that does (the previous string and its own first pixel).
    string = FSource[Code];
    inFrame = true;
    length = FLength[Code];
    if (Code == next) {
      uint8_t* s = FScratch + ScratchSize - length;
      std::memcpy(s, string, length - 1);
      s[length - 1] = string[0];
      string = s;
      inFrame = false;
    }
  } else if (Code == FClearCode) {
    Settle(at, End);
    ResetTable();
    int first;
    do {  // several clear codes in a row act as one
      first = NextCode();
    } while (first == FClearCode);
    if (first < 0) return nullptr;
    if (first == FEndCode) {
      EndCode();
      return nullptr;
    }
    // The first code is a pixel as it stands, and makes no entry.
    *at = static_cast<uint8_t>(first);
    FFirstPixel = static_cast<uint8_t>(first);
    const bool literal = first < FClearCode;
    FSource[FNextFreeCode] = literal && FInFrame && FPixelsEnd - at > static_cast<ptrdiff_t>(Chunk) ? at : nullptr;
    FLength[FNextFreeCode] = literal ? 2 : 0;
    FPrefix[FNextFreeCode] = static_cast<uint16_t>(first);
    return at + 1;
  } else if (Code == FEndCode) {
    Settle(at, End);
    EndCode();
    return nullptr;
  } else {
    // Through the table, link by link.
    fixed = Code < next ? FLength[Code] != 0 : FLength[next] != 0 && Code == next;
    Settle(at, End);
    string = Walk(Code);
    length = static_cast<size_t>(FScratch + ScratchSize - string);
  }

  bool whole = true;  // the string stands whole at At
  if (length <= room) {
    CopyExact(at, string, length);
  } else {
    // Only part of it fits: the rest waits for the next row.
    if (inFrame) {
      uint8_t* s = FScratch + ScratchSize - length;
      std::memcpy(s, string, length);
      string = s;
    }
    std::memcpy(at, string, room);
    FHeld = string + room;
    FHeldEnd = FScratch + ScratchSize;
    whole = false;
  }

  // The entry the slot prepared gets its last pixel.
  const uint8_t firstPixel = string[0];
  FSuffix[next] = firstPixel;
  if (next < TableSize) {
    ++FNextFreeCode;
    if (FNextFreeCode > (1 << FCodeSize) - 1 && FCodeSize < 12) ++FCodeSize;
  }
  // With a full table codes stay 12 bits wide until the next clear code.
  const int slot = FNextFreeCode;
  FFirstPixel = firstPixel;
  // A chunk read from the string must stay inside the frame.
  FSource[slot] = fixed && whole && FInFrame && static_cast<size_t>(FPixelsEnd - at) >= length + Chunk ? at : nullptr;
  FLength[slot] = static_cast<uint16_t>(fixed ? length + 1 : 0);
  FPrefix[slot] = static_cast<uint16_t>(Code);
  return whole ? at + length : End;
}

bool TLZWDecoder::Decode(uint8_t* Out, size_t Count) {
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
  // The next entry stands in the frame only if the next string follows the
  // last one there.
  if (const uint8_t* last = FSource[FNextFreeCode]; last != nullptr && last + (FLength[FNextFreeCode] - 1) != dst) {
    FFirstPixel = *last;
    FSource[FNextFreeCode] = nullptr;
  }

  // The state the loop changes lives in locals: every pixel store could
  // otherwise alias the members and force them back to memory.
  const int clearCode = FClearCode;
  int codeSize = FCodeSize, nextFree = FNextFreeCode, bitPosition = FBitPosition, bitEnd = FBitEnd;
  uint32_t codeMask = (1u << codeSize) - 1;
  auto store = [&] {
    FCodeSize = codeSize, FNextFreeCode = nextFree, FBitPosition = bitPosition, FBitEnd = bitEnd;
  };
  auto load = [&] {
    codeSize = FCodeSize, nextFree = FNextFreeCode, bitPosition = FBitPosition, bitEnd = FBitEnd;
    codeMask = (1u << codeSize) - 1;
  };

  while (dst < end) {
    int code;
    if (bitPosition + codeSize < bitEnd) {
      code = static_cast<int>((GetU32LE(FBitBuffer + (bitPosition >> 3)) >> (bitPosition & 7)) & codeMask);
      bitPosition += codeSize;
    } else {
      Settle(dst, end);
      store();
      code = NextCodeRefilling();
      load();
      if (code < 0) return false;
    }

    // The fast path: a literal, an entry that stands in the frame, or the
    // next entry after a string that does, with room in the row for the
    // chunks of the copy.
    if (code <= nextFree) {
      // Literals have no entry to read: they read the empty entry of the
      // clear code and take their pixel from LiteralPixels instead. Which of
      // the two a code is follows no pattern, so the choice is made without
      // a branch.
      const uintptr_t literal = uintptr_t{0} - static_cast<uintptr_t>(code < clearCode);  // all ones or 0
      const int slot = code ^ ((code ^ clearCode) & static_cast<int>(literal));
      const uintptr_t source = reinterpret_cast<uintptr_t>(FSource[slot]) |
                               (reinterpret_cast<uintptr_t>(LiteralPixels.data() + code) & literal);
      const uint8_t* const from = reinterpret_cast<const uint8_t*>(source);
      const size_t length = FLength[slot] | (1 & literal);
      if (from != nullptr && length + Chunk <= static_cast<size_t>(end - dst)) {
        CopyChunks(dst, from, length);
        // The string of the next entry ends with its own first pixel, which
        // stands where this copy writes first: copy that last pixel again.
        dst[length - 1] = from[length - 1];
        FSuffix[nextFree] = from[0];
        if (nextFree < TableSize) {
          ++nextFree;
          if (nextFree > static_cast<int>(codeMask) && codeSize < 12) {
            ++codeSize;
            codeMask = (1u << codeSize) - 1;
          }
        }
        FSource[nextFree] = dst;
        FLength[nextFree] = static_cast<uint16_t>(length + 1);
        FPrefix[nextFree] = static_cast<uint16_t>(code);
        dst += length;
        continue;
      }
    }
    store();
    dst = DecodeOther(code, dst, end);
    load();
    if (dst == nullptr) return false;
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
  FInFrame = false;
  if (FSource[FNextFreeCode] != nullptr) {
    FFirstPixel = *FSource[FNextFreeCode];
    FSource[FNextFreeCode] = nullptr;
  }
  Decode(&pixel, 1);
}

}  // namespace

void DecodeFramePixels(TGIFSubImage& Frame, TStream& Stream) {
  const size_t width = Frame.Width;
  const size_t height = Frame.Height;
  const size_t count = width * height;
  Frame.PixelData.clear();
  uint8_t fill = 0;
  if (count > 0) {
    if (Frame.Image() != nullptr)
      Frame.Image()->ReservePixels(count);
    else if (count > TGIFImageCore::DefaultMaxFramePixels)
      throw GIFException(sGIFInvalidDimensions);
    const int transparent = Frame.IsTransparent ? Frame.TransparentIndex() : 0;
    fill = static_cast<uint8_t>(transparent < 0 ? 0 : transparent);
    Frame.PixelData.assign(count, fill);
  }

  uint8_t minCodeSize;
  if (!gifio::TryReadByte(Stream, minCodeSize)) return;
  if (minCodeSize > MaxMinCodeSize) {
    // No valid code stream has a clear code outside the tables: the frame
    // keeps its fill and the reader goes on after its data.
    gifio::SkipSubBlocks(Stream);
    return;
  }

  TLZWDecoder decoder(Frame, Stream, minCodeSize, fill);
  uint8_t* pixels = Frame.PixelData.data();
  if (count == 0) {
    // nothing to fill
  } else if (!Frame.Interlaced()) {
    decoder.Decode(pixels, count);
  } else {
    // Rows 0, 8, 16, ...; 4, 12, ...; 2, 6, ...; 1, 3, 5, ...
    size_t row = 0, step = 8;
    int pass = 0;
    bool stopped = false;
    for (size_t done = 0; done < height && !stopped; ++done) {
      stopped = !decoder.Decode(pixels + row * width, width);
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
