// The chunks that only carry information: time stamp, text and compressed text.
#include <cstring>

#include "platform/byte_order.h"
#include "png/png_chunks.h"
#include "png/png_core.h"
#include "png/png_messages.h"
#include "png/png_zlib.h"

namespace vr {

namespace {

// Length of the keyword: bytes before the first zero, or the whole payload.
uint32_t KeywordLength(const TChunk& Chunk) {
  const void* zero = std::memchr(Chunk.Payload(), 0, Chunk.PayloadSize());
  return zero != nullptr ? static_cast<uint32_t>(static_cast<const uint8_t*>(zero) - Chunk.Payload())
                         : Chunk.PayloadSize();
}

}  // namespace

// ---------------------------------------------------------------- tIME

bool TChunktIME::LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) {
  TChunk::LoadChunk(Stream, Type, Length);
  if (Length == 7) {
    TByteReader(Payload(), PayloadSize()).ReadBE(Year, Month, Day, Hour, Minute, Second);
  }
  return true;
}

bool TChunktIME::SaveChunk(TStream& Stream) {
  ResizePayload(7);
  uint8_t* p = Payload();
  PutU16BE(p, Year);
  p[2] = Month;
  p[3] = Day;
  p[4] = Hour;
  p[5] = Minute;
  p[6] = Second;
  return WriteFramed(Stream);
}

// ---------------------------------------------------------------- tEXt

bool TChunktEXt::LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) {
  TChunk::LoadChunk(Stream, Type, Length);
  if (Length > 2) {
    const uint32_t keyword = KeywordLength(*this);
    Keyword.assign(reinterpret_cast<const char*>(Payload()), keyword);
    // Without a zero byte there is no text.
    if (keyword < Length)
      Text.assign(reinterpret_cast<const char*>(Payload()) + keyword + 1, Length - keyword - 1);
    else
      Text.clear();
  }
  return true;
}

bool TChunktEXt::SaveChunk(TStream& Stream) {
  const size_t size = Keyword.size() + 1 + Text.size();
  if (size > 0x7FFFFFFFu) return false;
  ResizePayload(static_cast<uint32_t>(size));
  std::memcpy(Payload(), Keyword.data(), Keyword.size());
  Payload()[Keyword.size()] = 0;
  std::memcpy(Payload() + Keyword.size() + 1, Text.data(), Text.size());
  return WriteFramed(Stream);
}

void TChunktEXt::CopyFrom(const TChunk& Source) {
  const auto* source = dynamic_cast<const TChunktEXt*>(&Source);
  if (source == nullptr) RaisePng<EPngError>(TPngText::CannotAssignChunk);
  Keyword = source->Keyword;
  Text = source->Text;
}

// ---------------------------------------------------------------- zTXt

bool TChunkzTXt::LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) {
  TChunktEXt::LoadChunk(Stream, Type, Length);
  if (Length < 4) return true;
  const uint32_t keyword = KeywordLength(*this);
  Keyword.assign(reinterpret_cast<const char*>(Payload()), keyword);
  Text.clear();
  // The method byte follows the keyword's zero byte; the compressed text
  // follows the method byte.
  if (static_cast<uint64_t>(keyword) + 2 > Length) return true;
  if (Payload()[keyword + 1] != 0) return true;
  TPNGCore& owner = *OwnerImage();
  std::string text, error;
  // A damaged stream, or one that would inflate past the text budget, leaves
  // the text empty.
  const uint64_t budget = owner.TextBudgetLeft();
  if (InflateText(Payload() + keyword + 2, Length - keyword - 2, static_cast<size_t>(budget), text, error) &&
      owner.TakeTextBudget(text.size()))
    Text = std::move(text);
  return true;
}

bool TChunkzTXt::SaveChunk(TStream& Stream) {
  if (Text.empty()) Text = " ";
  std::vector<uint8_t> packed;
  if (!DeflateBytes(reinterpret_cast<const uint8_t*>(Text.data()), Text.size(), OwnerImage()->DeflateLevel, packed))
    return false;
  const uint64_t size = Keyword.size() + 2 + packed.size();
  if (size > 0x7FFFFFFFu) return false;
  ResizePayload(static_cast<uint32_t>(size));
  uint8_t* p = Payload();
  std::memcpy(p, Keyword.data(), Keyword.size());
  p[Keyword.size()] = 0;
  p[Keyword.size() + 1] = 0;
  std::memcpy(p + Keyword.size() + 2, packed.data(), packed.size());
  return WriteFramed(Stream);
}

}  // namespace vr
