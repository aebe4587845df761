// The generic chunk, the chunk lists and the chunk class registry.
#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"
#include "png/png_chunks.h"
#include "png/png_core.h"
#include "png/png_crc.h"
#include "png/png_messages.h"

namespace vr {

TChunkType MakeChunkType(const char* Name) {
  TChunkType t{};
  std::memcpy(t.data(), Name, 4);
  return t;
}

bool ChunkTypeIs(const TChunkType& Type, const char* Name) { return std::memcmp(Type.data(), Name, 4) == 0; }

std::string TChunkClass::ChunkTypeName() const {
  size_t n = std::strlen(ClassName);
  return n > 6 ? std::string(ClassName + 6) : std::string();
}

// ---------------------------------------------------------------- lists

void* TPNGPointerList::Remove(void* Item) {
  for (size_t i = FItems.size(); i-- > 0;) {
    if (FItems[i] == Item) {
      FItems.erase(FItems.begin() + static_cast<ptrdiff_t>(i));
      return Item;
    }
  }
  return nullptr;
}

TChunk* TPNGList::Add(std::unique_ptr<TChunk> Chunk) {
  FItems.push_back(std::move(Chunk));
  return FItems.back().get();
}

void TPNGList::SetItem(uint32_t Index, std::unique_ptr<TChunk> Chunk) {
  if (Index < FItems.size()) FItems[Index] = std::move(Chunk);
}

std::unique_ptr<TChunk> TPNGList::Remove(TChunk* Chunk) {
  for (size_t i = FItems.size(); i-- > 0;) {
    if (FItems[i].get() == Chunk) {
      std::unique_ptr<TChunk> taken = std::move(FItems[i]);
      FItems.erase(FItems.begin() + static_cast<ptrdiff_t>(i));
      return taken;
    }
  }
  return nullptr;
}

// ---------------------------------------------------------------- TChunk

template <class T>
static std::unique_ptr<TChunk> CreateChunk(TPNGCore* Owner) {
  return std::make_unique<T>(Owner);
}

constinit const TChunkClass TChunk::Class{"TChunk", &CreateChunk<TChunk>};
constinit const TChunkClass TChunkIEND::Class{"TChunkIEND", &CreateChunk<TChunkIEND>};
constinit const TChunkClass TChunkIHDR::Class{"TChunkIHDR", &CreateChunk<TChunkIHDR>};
constinit const TChunkClass TChunkgAMA::Class{"TChunkgAMA", &CreateChunk<TChunkgAMA>};
constinit const TChunkClass TChunkPLTE::Class{"TChunkPLTE", &CreateChunk<TChunkPLTE>};
constinit const TChunkClass TChunktRNS::Class{"TChunktRNS", &CreateChunk<TChunktRNS>};
constinit const TChunkClass TChunkIDAT::Class{"TChunkIDAT", &CreateChunk<TChunkIDAT>};
constinit const TChunkClass TChunktIME::Class{"TChunktIME", &CreateChunk<TChunktIME>};
constinit const TChunkClass TChunktEXt::Class{"TChunktEXt", &CreateChunk<TChunktEXt>};
constinit const TChunkClass TChunkzTXt::Class{"TChunkzTXt", &CreateChunk<TChunkzTXt>};

TChunk::TChunk(TPNGCore* Owner, const char* TypeName) : FPayload(1, 0), FOwner(Owner) {
  if (std::strlen(TypeName) == 4) ChunkType = MakeChunkType(TypeName);
}

TChunkIHDR& TChunk::ImageHeader() const { return FOwner->RequireHeader(); }

void TChunk::ResizePayload(uint32_t Size) {
  FPayload.assign(static_cast<size_t>(Size) + 1, 0);
  FPayloadSize = Size;
}

void TChunk::CopyFrom(const TChunk& Source) {
  ChunkType = Source.ChunkType;
  ResizePayload(Source.PayloadSize());
  std::memcpy(Payload(), Source.Payload(), PayloadSize());
}

bool TChunk::LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) {
  // The data and the CRC must be there: a length beyond the end of the file
  // is never taken as an allocation size.
  if (static_cast<uint64_t>(Length) + 4 > static_cast<uint64_t>(Stream.Remaining()))
    RaisePng<EPngUnexpectedEnd>(TPngText::UnexpectedEnd);
  ResizePayload(Length);
  if (Length > 0 && Stream.Read(Payload(), Length) != Length) RaisePng<EPngUnexpectedEnd>(TPngText::UnexpectedEnd);
  uint8_t stored[4] = {};
  if (Stream.Read(stored, 4) != 4) RaisePng<EPngUnexpectedEnd>(TPngText::UnexpectedEnd);
  if (ChunkCrcChecked() && GetU32BE(stored) != ChunkCrc(Type.data(), Payload(), PayloadSize()))
    RaisePng<EPngInvalidCRC>(TPngText::InvalidCRC);
  return true;
}

void WriteChunkFrame(TStream& Stream, const TChunkType& Type, const uint8_t* Data, uint32_t Size) {
  uint8_t head[8];
  PutU32BE(head, Size);
  std::memcpy(head + 4, Type.data(), 4);
  uint8_t crc[4];
  PutU32BE(crc, ChunkCrc(Type.data(), Data, Size));
  Stream.WriteBuffer(head, 8);
  Stream.WriteBuffer(Data, Size);
  Stream.WriteBuffer(crc, 4);
}

bool TChunk::WriteFramed(TStream& Stream) const {
  WriteChunkFrame(Stream, ChunkType, Payload(), PayloadSize());
  return true;
}

bool TChunk::SaveChunk(TStream& Stream) { return WriteFramed(Stream); }

// ---------------------------------------------------------------- registry

namespace {

// Entries point at the classes' own static descriptors.
TPNGPointerList& ChunkClassRegistry() {
  static TPNGPointerList registry = [] {
    TPNGPointerList r;
    for (const TChunkClass* c :
         {&TChunkIEND::Class, &TChunkIHDR::Class, &TChunkIDAT::Class, &TChunkPLTE::Class, &TChunkgAMA::Class,
          &TChunktRNS::Class, &TChunktIME::Class, &TChunktEXt::Class, &TChunkzTXt::Class})
      r.Add(const_cast<TChunkClass*>(c));
    return r;
  }();
  return registry;
}

}  // namespace

void AddChunkClass(const TChunkClass& Class) {
  ChunkClassRegistry().Add(const_cast<TChunkClass*>(&Class));
}

std::unique_ptr<TChunk> MakeChunkForType(TPNGCore* Owner, const TChunkType& Type) {
  const char* end = static_cast<const char*>(std::memchr(Type.data(), 0, 4));
  std::string name(Type.data(), end != nullptr ? static_cast<size_t>(end - Type.data()) : 4);
  const TChunkClass* found = &TChunk::Class;
  TPNGPointerList& r = ChunkClassRegistry();
  for (uint32_t i = 0; i < r.Count(); ++i) {
    const auto* c = static_cast<const TChunkClass*>(r.GetItem(i));
    if (c->ChunkTypeName() == name) {
      found = c;
      break;
    }
  }
  std::unique_ptr<TChunk> chunk = found->Create(Owner);
  chunk->ChunkType = Type;  // an unrecognised chunk keeps its own type
  return chunk;
}

void ReleaseChunkClasses() {
  ChunkClassRegistry().SetSize(0);
}

}  // namespace vr
