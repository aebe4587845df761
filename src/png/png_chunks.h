// PNG chunks: the generic chunk with its framing and CRC, the lists that hold
// chunks and chunk classes, the class registry that maps a 4-byte type to a
// chunk class, and the chunk classes the decoder knows.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes.h"
#include "platform/stream.h"
#include "png/png_colour_types.h"
#include "pictures/dib.h"

namespace vr {

// The bitmap a header chunk decodes into: rows bottom-up (image row y at
// PixelBits + RowStride * (Height - 1 - y)), each padded to 4 bytes, holding
// palette or gray indices (1, 4 or 8 bits per pixel) or blue-green-red bytes
// (24 bits), with a colour table of 256 plain RGB quads; laid out as the
// system's BITMAPINFO with 256 colours.
struct TPNGBitmapInfo {
  TBitmapInfoHeader Header;
  TRGBQuad Colors[256];
};
static_assert(sizeof(TPNGBitmapInfo) == 1064, "bitmap info block must stay 1064 bytes");

class TPNGCore;
class TChunk;
class TChunkIHDR;
struct IdatInflater;

// Four ASCII letters, case-sensitive.
using TChunkType = std::array<char, 4>;
TChunkType MakeChunkType(const char* Name);  // Name has 4 characters
bool ChunkTypeIs(const TChunkType& Type, const char* Name);
// Writes one chunk: length and type, the data, and the CRC (big-endian).
void WriteChunkFrame(TStream& Stream, const TChunkType& Type, const uint8_t* Data, uint32_t Size);

// A class reference: the class name and its virtual constructor.
struct TChunkClass {
  const char* ClassName;  // "TChunkIHDR"
  std::unique_ptr<TChunk> (*Create)(TPNGCore* Owner);
  // The class name without its "TChunk" prefix: "IHDR", or "" for TChunk.
  std::string ChunkTypeName() const;
};

// An untyped list of pointers it does not own; the count is also the
// capacity. Used for the registry of chunk classes.
class TPNGPointerList : public TObject {
 public:
  explicit TPNGPointerList(void* Owner = nullptr) : FOwner(Owner) {}
  const char* ClassName() const override { return "TPNGPointerList"; }
  void* Owner() const { return FOwner; }
  uint32_t Count() const { return static_cast<uint32_t>(FItems.size()); }
  // Sets the count to exactly Size; new slots hold null.
  void SetSize(uint32_t Size) { FItems.resize(Size, nullptr); }
  void Add(void* Item) { FItems.push_back(Item); }
  // Null outside 0..Count-1.
  void* GetItem(uint32_t Index) const { return Index < FItems.size() ? FItems[Index] : nullptr; }
  // Stores only inside the list.
  void SetItem(uint32_t Index, void* Item) {
    if (Index < FItems.size()) FItems[Index] = Item;
  }
  // Removes the last slot holding Item and returns it; null when absent.
  void* Remove(void* Item);

 private:
  void* FOwner;
  std::vector<void*> FItems;
};

// The chunks of one image in file order. The list owns its chunks.
class TPNGList : public TObject {
 public:
  explicit TPNGList(TPNGCore* Owner) : FOwner(Owner) {}
  const char* ClassName() const override { return "TPNGList"; }
  TPNGCore* Owner() const { return FOwner; }
  uint32_t Count() const { return static_cast<uint32_t>(FItems.size()); }
  // Null outside 0..Count-1.
  TChunk* Item(uint32_t Index) const { return Index < FItems.size() ? FItems[Index].get() : nullptr; }
  TChunk* Add(std::unique_ptr<TChunk> Chunk);
  // Replaces (and frees) the chunk in Index; does nothing outside the list.
  void SetItem(uint32_t Index, std::unique_ptr<TChunk> Chunk);
  // Takes the last slot holding Chunk out of the list; null when absent.
  std::unique_ptr<TChunk> Remove(TChunk* Chunk);
  void Clear() { FItems.clear(); }
  // The first chunk of class T or of a class derived from it, or null (so
  // asking for TChunktEXt also finds a TChunkzTXt).
  template <class T>
  T* FindChunk() const {
    for (const auto& c : FItems)
      if (T* t = dynamic_cast<T*>(c.get())) return t;
    return nullptr;
  }

 private:
  TPNGCore* FOwner;
  std::vector<std::unique_ptr<TChunk>> FItems;
};

// A chunk: its type and data (payload), owned by one image. Unrecognised
// types are held by a plain TChunk.
class TChunk : public TObject {
 public:
  static const TChunkClass Class;
  explicit TChunk(TPNGCore* Owner) : TChunk(Owner, "") {}
  TChunk(const TChunk&) = delete;
  TChunk& operator=(const TChunk&) = delete;
  const char* ClassName() const override { return ChunkClass().ClassName; }
  virtual const TChunkClass& ChunkClass() const { return Class; }
  std::string ChunkTypeName() const { return ChunkClass().ChunkTypeName(); }
  // Same class, same owner or another.
  std::unique_ptr<TChunk> NewInstance(TPNGCore* Owner) const { return ChunkClass().Create(Owner); }

  // Copies the type and the payload of Source.
  virtual void CopyFrom(const TChunk& Source);
  // Reads the body and CRC of a chunk whose length and type were read;
  // false stops the load loop.
  virtual bool LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length);
  virtual bool SaveChunk(TStream& Stream);

  TPNGCore* OwnerImage() const { return FOwner; }
  // The owner's header (the first chunk of the list); EPNGHeaderNotPresent
  // when there is none.
  TChunkIHDR& ImageHeader() const;

  uint8_t* Payload() { return FPayload.data(); }
  const uint8_t* Payload() const { return FPayload.data(); }
  uint32_t PayloadSize() const { return FPayloadSize; }
  void ResizePayload(uint32_t Size);

  TChunkType ChunkType{};

 protected:
  TChunk(TPNGCore* Owner, const char* TypeName);
  // Writes length, type, payload and CRC.
  bool WriteFramed(TStream& Stream) const;

 private:
  std::vector<uint8_t> FPayload;  // PayloadSize + 1 bytes; the last is always 0
  uint32_t FPayloadSize = 0;
  TPNGCore* FOwner;
};

class TChunkIEND : public TChunk {
 public:
  static const TChunkClass Class;
  explicit TChunkIEND(TPNGCore* Owner) : TChunk(Owner, "IEND") {}
  const TChunkClass& ChunkClass() const override { return Class; }
};

// The header: validates the image description and owns the bitmap the image
// data is decoded into, plus the separate alpha plane.
class TChunkIHDR : public TChunk {
 public:
  static const TChunkClass Class;
  explicit TChunkIHDR(TPNGCore* Owner);
  ~TChunkIHDR() override;
  const TChunkClass& ChunkClass() const override { return Class; }
  void CopyFrom(const TChunk& Source) override;
  bool LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) override;
  bool SaveChunk(TStream& Stream) override;

  // Makes the bitmap for the current header values (zeroed), replacing any
  // earlier one. EPngInvalidIHDR for a format without a decoder or a zero
  // size; EPNGOutMemory when the memory cap is exceeded or the allocator fails.
  void AllocateImage();
  void ReleaseImage();

  // Bits per bitmap pixel for the header's format (1, 4, 8, 24), 0 when the
  // combination of colour type and bit depth has no decoder.
  uint16_t BitmapBits() const;
  // Bitmap row of image row Y (0 = top).
  uint8_t* RowAddress(uint32_t Y) const { return PixelBits + RowStride * (Height - 1 - Y); }

  // The header record, Width and Height in machine order.
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint8_t BitDepth = 0;
  uint8_t ColorType = 0;
  uint8_t CompressionMethod = 0;
  uint8_t FilterMethod = 0;
  uint8_t InterlaceMethod = 0;

  bool UsesPalette = false;  // colour types 0, 3, 4: the bitmap has a colour table
  TPNGBitmapInfo DibInfo{};  // bitmap info header and 256-entry colour table
  size_t RowStride = 0;
  uint8_t* PixelBits = nullptr;   // lent by FSink
  uint8_t* AlphaPlane = nullptr;  // Width * Height bytes, rows top-down (types 4, 6)
  // Which pixels of a colour-keyed gray or truecolour image are transparent:
  // one bit per pixel, set where the samples as stored in the file equal the
  // tRNS key, so that neither gamma correction nor the bitmap's 8 bits a
  // sample make other colours match. In the layout of a monochrome bitmap:
  // rows top-down, KeyMaskStride bytes each (a multiple of 2), the leftmost
  // pixel in the highest bit. Null unless a tRNS chunk came before the image
  // data (the decoder makes it); drawing then compares colours instead.
  uint8_t* KeyMask = nullptr;
  size_t KeyMaskStride = 0;
  // Makes KeyMask (all clear) for the current size; EPNGOutMemory as for the bitmap.
  void AllocateKeyMask();
  void SetKeyed(uint32_t X, uint32_t Y, bool Keyed);

 private:
  std::unique_ptr<IPixelSink> FSink;  // the bitmap's memory, one sink per header
  std::unique_ptr<uint8_t[]> FAlpha;
  std::unique_ptr<uint8_t[]> FKeyMask;
  uint64_t FReserved = 0;  // bytes counted against the owner's memory cap
};

// The gamma of the image; builds the owner's gamma maps when it loads.
class TChunkgAMA : public TChunk {
 public:
  static const TChunkClass Class;
  explicit TChunkgAMA(TPNGCore* Owner);
  const TChunkClass& ChunkClass() const override { return Class; }
  void CopyFrom(const TChunk& Source) override;
  bool LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) override;
  // In units of 1/100000. A payload that is not 4 bytes reads as 1 (and is
  // made 4 bytes holding 1).
  uint32_t GammaValue();
  void SetGammaValue(uint32_t Value);
  uint32_t StoredGammaValue() const;  // the same without touching the payload
};

// The palette; its colours live in the header's colour table.
class TChunkPLTE : public TChunk {
 public:
  static const TChunkClass Class;
  explicit TChunkPLTE(TPNGCore* Owner) : TChunk(Owner, "PLTE") {}
  const TChunkClass& ChunkClass() const override { return Class; }
  void CopyFrom(const TChunk& Source) override;
  bool LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) override;
  bool SaveChunk(TStream& Stream) override;
  // The colour-table entry: blue in the low byte, then green, red, 0.
  // EPngError "There is no such palette entry." beyond EntryCount.
  uint32_t Entry(uint8_t Index) const;
  uint32_t EntryCount = 0;
};

// Transparency: per-index alphas for palette images, one key level for gray
// and truecolour images.
class TChunktRNS : public TChunk {
 public:
  static const TChunkClass Class;
  explicit TChunktRNS(TPNGCore* Owner) : TChunk(Owner, "tRNS") { AlphaTable.fill(0); }
  const TChunkClass& ChunkClass() const override { return Class; }
  void CopyFrom(const TChunk& Source) override;
  bool LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) override;
  bool SaveChunk(TStream& Stream) override;
  // The fully transparent colour: red in the low byte, then green, blue.
  uint32_t KeyColor() const;
  void SetKeyColor(uint32_t Color);
  bool SingleKey = false;
  std::array<uint8_t, 256> AlphaTable{};
};

class TChunkIDAT : public TChunk {
 public:
  static const TChunkClass Class;
  explicit TChunkIDAT(TPNGCore* Owner) : TChunk(Owner, "IDAT") {}
  const TChunkClass& ChunkClass() const override { return Class; }
  // Decodes the whole image, reading every following IDAT chunk itself.
  bool LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) override;
  // Encodes the header's bitmap as one or more IDAT chunks.
  bool SaveChunk(TStream& Stream) override;

  TChunkIHDR* ImageHeaderChunk = nullptr;
  uint32_t RowPixels = 0;
  uint32_t RowCount = 0;
  uint32_t RowLength = 0;    // bytes of a row of the current pass, without its filter byte
  uint32_t PixelStride = 0;  // bytes per complete pixel, at least 1
  std::vector<uint8_t> RowBuffers[2];
  uint8_t CurrentBuffer = 0;
  int64_t ChunkEnd = 0;  // stream position where the current IDAT chunk's data ends

 private:
  void BuildGrayPalette();
  // Decodes the image from its IDAT chunks inflated at once, when they are
  // complete, their CRCs right and their stream whole and exact; false with
  // the stream back at the first chunk's data otherwise.
  bool DecodeWhole(TStream& Stream, uint32_t Length);
  size_t ReadIdatBytes(IdatInflater& Inflater, uint8_t* Dest, size_t Count);
  void NextIdatChunk(IdatInflater& Inflater);
  void FinishIdatChunk(IdatInflater& Inflater);
  void UnfilterRow();
  void DecodeProgressive(IdatInflater& Inflater);
  void DecodeAdam7(IdatInflater& Inflater);
  size_t ReadRow(IdatInflater& Inflater);

  uint32_t FCrc = 0;
  int64_t FPosition = 0;  // stream position, tracked from the reads made
  bool FKeyed = false;    // the header's key mask is filled while rows are decoded
  std::array<uint32_t, 3> FKey{};  // the key as samples of the image's depth
};

class TChunktIME : public TChunk {
 public:
  static const TChunkClass Class;
  explicit TChunktIME(TPNGCore* Owner) : TChunk(Owner, "tIME") {}
  const TChunkClass& ChunkClass() const override { return Class; }
  bool LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) override;
  bool SaveChunk(TStream& Stream) override;
  uint16_t Year = 0;
  uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

class TChunktEXt : public TChunk {
 public:
  static const TChunkClass Class;
  explicit TChunktEXt(TPNGCore* Owner) : TChunk(Owner, "tEXt") {}
  const TChunkClass& ChunkClass() const override { return Class; }
  void CopyFrom(const TChunk& Source) override;
  bool LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) override;
  bool SaveChunk(TStream& Stream) override;
  std::string Keyword;
  std::string Text;

 protected:
  TChunktEXt(TPNGCore* Owner, const char* TypeName) : TChunk(Owner, TypeName) {}
};

class TChunkzTXt : public TChunktEXt {
 public:
  static const TChunkClass Class;
  explicit TChunkzTXt(TPNGCore* Owner) : TChunktEXt(Owner, "zTXt") {}
  const TChunkClass& ChunkClass() const override { return Class; }
  bool LoadChunk(TStream& Stream, const TChunkType& Type, uint32_t Length) override;
  bool SaveChunk(TStream& Stream) override;
};

// The chunk class registry. It starts with the nine standard classes, in the
// order IEND, IHDR, IDAT, PLTE, gAMA, tRNS, tIME, tEXt, zTXt.
void AddChunkClass(const TChunkClass& Class);
// A new chunk of the first registered class whose type name equals Type (read
// up to its first zero byte, compared case-sensitively), else a plain TChunk;
// either way it keeps Type as its ChunkType.
std::unique_ptr<TChunk> MakeChunkForType(TPNGCore* Owner, const TChunkType& Type);
void ReleaseChunkClasses();

// Row bytes (without the filter byte) of Pixels pixels; 0 for an unknown colour type.
uint64_t RowBytesFor(uint64_t Pixels, uint8_t ColorType, uint8_t BitDepth);
// The Paeth predictor of left, above and upper-left.
uint8_t PredictPaeth(uint8_t Left, uint8_t Above, uint8_t UpperLeft);

}  // namespace vr
