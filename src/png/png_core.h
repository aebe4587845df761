// The byte-level heart of the PNG image class: the chunk list, the load loop,
// the gamma maps and the settings used when writing. The picture class of the
// Windows side derives from it (or holds one) and adds drawing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/stream.h"
#include "png/png_chunks.h"

namespace vr {

enum TRowFilter : uint8_t { rfNone, rfSub, rfUp, rfAverage, rfPaeth };
// A set of row filters, one bit per TRowFilter.
using TRowFilters = uint8_t;
constexpr TRowFilters RowFilterSet(TRowFilter Filter) { return static_cast<TRowFilters>(1u << Filter); }
constexpr TRowFilters AllRowFilters = 0x1F;

enum TPNGTransparencyMode { tmOpaque, tmColorKey, tmAlpha };

class TPNGCore {
 public:
  TPNGCore();
  virtual ~TPNGCore();
  TPNGCore(const TPNGCore&) = delete;
  TPNGCore& operator=(const TPNGCore&) = delete;

  // The PNG signature, then chunks up to IEND. Every error is one of the
  // codec's exception classes; the list then keeps the chunks read so far.
  void LoadFromStream(TStream& Stream);
  // Writes the signature and every chunk in list order.
  void SaveToStream(TStream& Stream);

  // The list is not empty and its first entry is a header.
  bool HasHeader() const;
  // That header, or EPNGHeaderNotPresent.
  TChunkIHDR& RequireHeader() const;
  // Resets the gamma maps and frees every chunk.
  void ClearChunks();
  void ResetGammaMaps();
  // Full-width row bytes and bytes per complete pixel; both 0 without a header.
  void RowGeometry(uint32_t& RowLength, uint32_t& PixelStride) const;

  bool IsEmpty() const { return ChunkList.Count() == 0; }
  uint32_t ImageWidth() const;   // 0 without a header
  uint32_t ImageHeight() const;  // 0 without a header
  // Needs the header (EPNGHeaderNotPresent otherwise).
  TPNGTransparencyMode TransparencyMode() const;
  // The tRNS key colour (red in the low byte), 0 without a tRNS chunk.
  uint32_t KeyColor() const;
  // Copies the settings and a copy of every chunk of Source.
  void CopyFromPng(const TPNGCore& Source);
  // The last load raised; cleared when the next load starts.
  bool LoadFailed() const { return FLoadFailed; }

  uint32_t IdatChunkLimit() const { return FIdatChunkLimit; }
  // Values below 65535 store 65535.
  void SetIdatChunkLimit(uint32_t Value) { FIdatChunkLimit = Value < 65535 ? 65535 : Value; }

  // Makes the sink that lends a header chunk its bitmap's memory and keeps it
  // as long as the chunk keeps the bitmap (an image may hold several
  // headers); null means a heap buffer.
  std::function<std::unique_ptr<IPixelSink>()> PixelSinks;
  std::unique_ptr<IPixelSink> NewPixelSink() const;

  // Caps against hostile files: the bytes of all bitmaps and alpha planes
  // alive at once, the inflated text of all compressed text chunks of one
  // load, and the chunks kept in the list (beyond it, chunks other than the
  // image data and the end are skipped unread).
  uint64_t MaxImageBytes = uint64_t{1} << 30;
  uint64_t MaxTextBytes = uint64_t{16} << 20;
  uint32_t MaxChunkEntries = 4096;

  uint8_t GammaMap[256];
  uint8_t InverseGammaMap[256];
  TRowFilters RowFilters = RowFilterSet(rfSub);
  uint8_t DeflateLevel = 7;
  uint8_t Interlacing = 0;  // of the last header loaded: 0 none, 1 Adam7
  TPNGList ChunkList;

  // Bookkeeping for the caps, used by the chunks.
  bool ReserveImageBytes(uint64_t Bytes);
  void ReleaseImageBytes(uint64_t Bytes);
  bool TakeTextBudget(uint64_t Bytes);
  uint64_t TextBudgetLeft() const { return FTextBytes < MaxTextBytes ? MaxTextBytes - FTextBytes : 0; }

 private:
  void LoadChunks(TStream& Stream);

  uint32_t FIdatChunkLimit = 65535;
  uint64_t FImageBytes = 0;
  uint64_t FTextBytes = 0;
  bool FLoadFailed = false;
};

}  // namespace vr
