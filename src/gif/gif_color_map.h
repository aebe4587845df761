// Colour tables of a GIF picture: the global table of the header and the
// local table of a frame, kept as plain RGB triples.
// Pure C++.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/classes.h"
#include "platform/stream.h"

namespace vr {

class TGIFItem;
class TGIFHeader;
class TGIFSubImage;

struct TGIFRGB {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  friend bool operator==(const TGIFRGB&, const TGIFRGB&) = default;
};

// A colour as red | green << 8 | blue << 16 (the system's colour layout).
inline uint32_t RGBToColor(TGIFRGB c) {
  return static_cast<uint32_t>(c.Red) | static_cast<uint32_t>(c.Green) << 8 |
         static_cast<uint32_t>(c.Blue) << 16;
}

class TGIFColorMap : public TPersistent {
 public:
  const char* ClassName() const override { return "TGIFColorMap"; }

  int Count() const { return static_cast<int>(FEntries.size()); }
  bool Empty() const { return FEntries.empty(); }
  // Whether the file marked the table as sorted by importance.
  bool Sorted = false;
  const std::vector<TGIFRGB>& Entries() const { return FEntries; }
  // Unchecked access; Index must be below Count().
  const TGIFRGB& operator[](int Index) const { return FEntries[static_cast<size_t>(Index)]; }

  void Clear();
  void Add(TGIFRGB Color);

  // Entries in a table whose size field is n: 2 << n (2 to 256).
  static int EntriesForSizeField(uint8_t Flags) { return 2 << (Flags & 7); }
  // Replaces the table with Count entries read from Stream.
  void LoadFromStream(TStream& Stream, int Count);

  // The colour at Index. An index outside the table reports "Invalid color
  // index" and uses entry 0; an empty table fails with "Color table is empty".
  uint32_t GetColor(int Index) const;

 protected:
  explicit TGIFColorMap(TGIFItem* Owner) : FOwner(Owner) {}

 private:
  TGIFItem* FOwner;  // the header or frame that reports our warnings
  std::vector<TGIFRGB> FEntries;
};

class TGIFGlobalColorMap : public TGIFColorMap {
 public:
  explicit TGIFGlobalColorMap(TGIFHeader* Header);
  const char* ClassName() const override { return "TGIFGlobalColorMap"; }
  TGIFHeader* Header() const { return FHeader; }

 private:
  TGIFHeader* FHeader;
};

class TGIFLocalColorMap : public TGIFColorMap {
 public:
  explicit TGIFLocalColorMap(TGIFSubImage* SubImage);
  const char* ClassName() const override { return "TGIFLocalColorMap"; }
  TGIFSubImage* SubImage() const { return FSubImage; }

 private:
  TGIFSubImage* FSubImage;
};

}  // namespace vr
