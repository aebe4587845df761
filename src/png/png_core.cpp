// The load loop and the image-wide state of a PNG image.
#include "png/png_core.h"

#include <cstring>
#include <typeinfo>

#include "platform/byte_order.h"
#include "png/png_messages.h"

namespace vr {

namespace {

constexpr uint8_t PngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

}  // namespace

TPNGCore::TPNGCore() : ChunkList(this) { ResetGammaMaps(); }

TPNGCore::~TPNGCore() { ClearChunks(); }

std::unique_ptr<IPixelSink> TPNGCore::NewPixelSink() const {
  return PixelSinks ? PixelSinks() : std::make_unique<TMemoryPixelSink>();
}

bool TPNGCore::HasHeader() const {
  return ChunkList.Count() > 0 && dynamic_cast<TChunkIHDR*>(ChunkList.Item(0)) != nullptr;
}

TChunkIHDR& TPNGCore::RequireHeader() const {
  auto* header = dynamic_cast<TChunkIHDR*>(ChunkList.Item(0));
  if (header == nullptr) RaisePng<EPNGHeaderNotPresent>(TPngText::HeaderNotPresent);
  return *header;
}

void TPNGCore::ClearChunks() {
  ResetGammaMaps();
  ChunkList.Clear();
}

void TPNGCore::ResetGammaMaps() {
  for (int i = 0; i < 256; ++i) GammaMap[i] = InverseGammaMap[i] = static_cast<uint8_t>(i);
}

void TPNGCore::RowGeometry(uint32_t& RowLength, uint32_t& PixelStride) const {
  RowLength = PixelStride = 0;
  if (!HasHeader()) return;
  const TChunkIHDR& h = RequireHeader();
  RowLength = static_cast<uint32_t>(RowBytesFor(h.Width, h.ColorType, h.BitDepth));
  switch (h.ColorType) {
    case kPNGGray: PixelStride = h.BitDepth == 16 ? 2 : 1; break;
    case kPNGPalette: PixelStride = 1; break;
    case kPNGRGB: PixelStride = h.BitDepth * 3u / 8; break;
    case kPNGGrayAlpha: PixelStride = h.BitDepth / 4u; break;
    case kPNGRGBA: PixelStride = h.BitDepth / 2u; break;
    default: break;
  }
}

uint32_t TPNGCore::ImageWidth() const { return HasHeader() ? RequireHeader().Width : 0; }

uint32_t TPNGCore::ImageHeight() const { return HasHeader() ? RequireHeader().Height : 0; }

TPNGTransparencyMode TPNGCore::TransparencyMode() const {
  const TChunkIHDR& h = RequireHeader();
  const TChunktRNS* trns = ChunkList.FindChunk<TChunktRNS>();
  switch (h.ColorType) {
    case kPNGGray:
    case kPNGRGB: return trns != nullptr ? tmColorKey : tmOpaque;
    case kPNGPalette:
      if (trns == nullptr) return tmOpaque;
      return trns->SingleKey ? tmColorKey : tmAlpha;
    case kPNGGrayAlpha:
    case kPNGRGBA: return tmAlpha;
    default: return tmOpaque;
  }
}

uint32_t TPNGCore::KeyColor() const {
  const TChunktRNS* trns = ChunkList.FindChunk<TChunktRNS>();
  return trns != nullptr ? trns->KeyColor() : 0;
}

bool TPNGCore::ReserveImageBytes(uint64_t Bytes) {
  if (Bytes > MaxImageBytes || FImageBytes > MaxImageBytes - Bytes) return false;
  FImageBytes += Bytes;
  return true;
}

void TPNGCore::ReleaseImageBytes(uint64_t Bytes) { FImageBytes -= Bytes <= FImageBytes ? Bytes : FImageBytes; }

bool TPNGCore::TakeTextBudget(uint64_t Bytes) {
  if (Bytes > MaxTextBytes || FTextBytes > MaxTextBytes - Bytes) return false;
  FTextBytes += Bytes;
  return true;
}

void TPNGCore::CopyFromPng(const TPNGCore& Source) {
  if (&Source == this) return;
  Interlacing = Source.Interlacing;
  SetIdatChunkLimit(Source.IdatChunkLimit());
  DeflateLevel = Source.DeflateLevel;
  RowFilters = Source.RowFilters;
  ClearChunks();
  for (uint32_t i = 0; i < Source.ChunkList.Count(); ++i) {
    const TChunk* source = Source.ChunkList.Item(i);
    if (source == nullptr) continue;
    TChunk* copy = ChunkList.Add(source->NewInstance(this));
    copy->CopyFrom(*source);
  }
}

void TPNGCore::LoadFromStream(TStream& Stream) {
  FLoadFailed = false;
  try {
    LoadChunks(Stream);
  } catch (...) {
    FLoadFailed = true;
    throw;
  }
}

void TPNGCore::LoadChunks(TStream& Stream) {
  ClearChunks();
  FTextBytes = 0;

  uint8_t signature[8] = {};
  if (Stream.Read(signature, 8) != 8 || std::memcmp(signature, PngSignature, 8) != 0)
    RaisePng<EPNGInvalidFileHeader>(TPngText::InvalidFileHeader);

  bool idatSeen = false;
  for (;;) {
    uint8_t lengthBytes[4] = {};
    // Only a read that delivers nothing is an end of file.
    if (Stream.Read(lengthBytes, 4) == 0) RaisePng<EPngUnexpectedEnd>(TPngText::UnexpectedEnd);
    uint32_t length = GetU32BE(lengthBytes);
    TChunkType type{};
    Stream.Read(type.data(), 4);

    if (ChunkList.Count() == 0 && !ChunkTypeIs(type, "IHDR"))
      RaisePng<EPNGIHDRNotFirst>(TPngText::IHDRNotFirst);

    // Later IDAT chunks were consumed by the first one's decoder; cHRM is
    // never used. Past the cap only the image data and the end are taken,
    // so a file of countless tiny chunks cannot fill the memory.
    const bool ancillary = (type[0] & 32) != 0;
    const bool isIdat = ChunkTypeIs(type, "IDAT");
    if ((idatSeen && isIdat) || ChunkTypeIs(type, "cHRM") ||
        (ChunkList.Count() >= MaxChunkEntries && !isIdat && !ChunkTypeIs(type, "IEND"))) {
      Stream.Seek(static_cast<int64_t>(length) + 4, TSeekOrigin::soCurrent);
      continue;
    }
    if (isIdat) idatSeen = true;

    TChunk* chunk = ChunkList.Add(MakeChunkForType(this, type));
    if (typeid(*chunk) == typeid(TChunk) && type[0] != 0 && !ancillary)
      RaisePng<EPNGUnknownCriticalChunk>(TPngText::UnknownCriticalChunk);

    if (!chunk->LoadChunk(Stream, type, length)) break;
    if (ChunkTypeIs(type, "IEND")) break;
  }
  if (!idatSeen) RaisePng<EPNGNoImageData>(TPngText::NoImageData);
}

void TPNGCore::SaveToStream(TStream& Stream) {
  Stream.WriteBuffer(PngSignature, 8);
  for (uint32_t i = 0; i < ChunkList.Count(); ++i)
    if (TChunk* chunk = ChunkList.Item(i)) chunk->SaveChunk(Stream);
}

}  // namespace vr
