#include "pictures/metafile/metafile_records.h"

#include <algorithm>
#include <limits>

#include "pictures/graphic_errors.h"
#include "pictures/picture_types.h"
#include "platform/byte_order.h"

namespace vr {

namespace {

[[noreturn]] void Invalid() { throw EInvalidGraphic(SInvalidMetafile); }

constexpr uint64_t kAllRows = std::numeric_limits<uint64_t>::max();

// Each saved state costs the player memory; each region rectangle is merged
// into the region one by one, which grows with the square of their number.
constexpr uint64_t kMaxSavedStates = 65536;
constexpr uint64_t kMaxRegionRects = 4096;
constexpr uint64_t kMaxRegionRectsInFile = 65536;
// Pixel bytes of one bitmap inside a record.
constexpr uint64_t kMaxRecordBitmapBytes = uint64_t{1} << 28;
// Of one bitmap the player makes for blending.
constexpr uint64_t kMaxBlendBitmapBytes = uint64_t{1} << 26;

struct TLimits {
  uint64_t Saves = 0;
  uint64_t RegionRects = 0;
  void Save() {
    if (++Saves > kMaxSavedStates) Invalid();
  }
  void Region(uint64_t Rects) {
    RegionRects += Rects;
    if (Rects > kMaxRegionRects || RegionRects > kMaxRegionRectsInFile) Invalid();
  }
};

// ------------------------------------------------------------- bitmaps

constexpr uint32_t kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3, kBiJpeg = 4, kBiPng = 5;

// How the system reads a device-independent bitmap held in a record.
struct TDibLayout {
  uint64_t ReadEnd = 0;     // bytes from the header's start that are read: header, masks, colour table
  uint64_t TableEnd = 0;    // where pixels packed after the header start
  uint64_t ImageBytes = 0;  // pixel bytes read; for run-length codes at most this many
  uint32_t Compression = 0;
  uint32_t Bits = 0;
  uint64_t Rows = 0;            // of the whole bitmap
  uint64_t FullImageBytes = 0;  // rows × stride of the whole bitmap (uncompressed)
  bool RunLength() const { return Compression == kBiRle8 || Compression == kBiRle4; }
};

// The bytes of run-length codes at Codes that the system decodes, as its
// decoder walks them: up to the end-of-bitmap code, the end of the last row
// or a move below the bitmap, and never past the image size the header
// gives (Dib.ImageBytes), which writers set to many things: the codes' own
// size, the size unpacked, more. More than Available when the walk would
// read past the Available bytes present.
uint64_t RunLengthBytes(const uint8_t* Codes, uint64_t Available, const TDibLayout& Dib) {
  const uint64_t size = Dib.ImageBytes;
  const uint64_t past = Available + 1;
  int64_t row = static_cast<int64_t>(Dib.Rows) - 1;  // bottom-up: the first codes are the bottom row
  uint64_t i = 0;
  while (i + 1 < size) {
    if (i + 2 > Available) return past;
    const uint8_t count = Codes[i], code = Codes[i + 1];
    i += 2;
    if (count != 0) continue;  // a run of one value
    if (code == 0) {           // the end of a row
      if (--row < 0) return i;
    } else if (code == 1) {  // the end of the bitmap
      return i;
    } else if (code == 2) {  // a move right and up
      if (i + 1 >= size) return i;
      if (i + 2 > Available) return past;
      row -= Codes[i + 1];
      i += 2;
      if (row < 0) return i;
    } else {  // that many pixels stored as they are, padded to 16 bits
      const uint64_t bytes = (uint64_t{code} * Dib.Bits + 7) / 8;
      if (bytes > size - i) return i;
      if (i + bytes > Available) return past;
      i += (bytes + 1) & ~uint64_t{1};
    }
  }
  return std::min(i, size);
}

// The pixel bytes the system reads from Pixels, of which Available are in
// the data; more than Available when it would read past them.
uint64_t PixelBytesRead(const TDibLayout& Dib, const uint8_t* Pixels, uint64_t Available) {
  return Dib.RunLength() ? RunLengthBytes(Pixels, Available, Dib) : Dib.ImageBytes;
}

// The header at Info, of which Available bytes are in the data. Colour-table
// entries are read as ReadUsage says (1: 16-bit palette indices, else
// colours) and skipped, to find packed pixels, as LayoutUsage says (0:
// colours, anything else 16-bit indices). Rows rows are read, at most the
// height.
TDibLayout ReadDib(const uint8_t* Info, uint64_t Available, uint32_t ReadUsage, uint32_t LayoutUsage,
                   uint64_t Rows = kAllRows) {
  // The player reads a full 40-byte header even where a core header is given.
  if (Available < 40 || ReadUsage > 2) Invalid();
  const uint32_t headerSize = GetU32LE(Info);
  const bool core = headerSize == 12;
  int64_t width, height;
  uint32_t planes, bits, compression = 0, sizeImage = 0, used = 0;
  if (core) {
    width = GetU16LE(Info + 4), height = GetU16LE(Info + 6);
    planes = GetU16LE(Info + 8), bits = GetU16LE(Info + 10);
  } else if (headerSize >= 40) {
    width = GetS32LE(Info + 4), height = GetS32LE(Info + 8);
    planes = GetU16LE(Info + 12), bits = GetU16LE(Info + 14);
    compression = GetU32LE(Info + 16), sizeImage = GetU32LE(Info + 20), used = GetU32LE(Info + 32);
  } else {
    Invalid();
  }
  if (width <= 0 || height == 0 || planes != 1) Invalid();
  // A JPEG or PNG image inside gives its own depth, and no device but a
  // printer draws it: the screen's player refuses the bitmap having read
  // the header, and nothing of the image.
  const bool embedded = compression == kBiJpeg || compression == kBiPng;
  switch (bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    case 0: if (!embedded) Invalid(); break;
    default: Invalid();
  }
  switch (compression) {
    case 0: case kBiJpeg: case kBiPng: break;
    case kBiRle8: if (bits != 8 || height < 0 || sizeImage == 0) Invalid(); break;
    case kBiRle4: if (bits != 4 || height < 0 || sizeImage == 0) Invalid(); break;
    case kBiBitFields: if (bits != 16 && bits != 32) Invalid(); break;
    default: Invalid();
  }
  const uint64_t rowsInBitmap = static_cast<uint64_t>(height < 0 ? -height : height);
  const uint64_t stride = DibRowStride(width, bits);
  if (static_cast<uint64_t>(width) * rowsInBitmap > kMaxPicturePixels || stride * rowsInBitmap > kMaxRecordBitmapBytes)
    Invalid();
  // The system reads no more rows than the bitmap has.
  Rows = std::min(Rows, rowsInBitmap);

  TDibLayout d;
  d.Compression = compression;
  d.Bits = bits;
  d.Rows = rowsInBitmap;
  d.FullImageBytes = stride * rowsInBitmap;
  d.ImageBytes = d.RunLength() ? sizeImage : embedded ? 0 : stride * Rows;
  const uint64_t maxColours = bits <= 8 ? uint64_t{1} << bits : 0;
  // Read: a colour table only up to 8 bits, of at most 2^bits entries.
  const uint64_t readColours = embedded && bits == 0 ? 0
                               : core || used == 0 ? maxColours
                                                   : std::min<uint64_t>(used, maxColours);
  const uint64_t readEntry = ReadUsage == 1 ? 2 : (core ? 3 : 4);
  const uint64_t headerBytes = core ? 12 : headerSize;
  d.ReadEnd = std::max<uint64_t>({40, headerBytes + readColours * readEntry, uint64_t{compression == kBiBitFields ? 52u : 0u}});
  // Skipped: the used count (at most 256) at any depth.
  const uint64_t layoutColours = core ? maxColours : (used != 0 ? std::min<uint64_t>(used, 256) : maxColours);
  const uint64_t layoutEntry = LayoutUsage == 0 ? (core ? 3 : 4) : 2;
  const uint64_t layoutHeader = core ? 12 : std::max<uint64_t>(headerSize, compression == kBiBitFields ? 52 : 40);
  d.TableEnd = layoutHeader + layoutColours * layoutEntry;
  return d;
}

// A bitmap whose pixels follow its header and colour table directly.
TDibLayout CheckPackedDib(const uint8_t* Info, uint64_t Available, uint32_t ReadUsage, uint32_t LayoutUsage,
                          uint64_t Rows = kAllRows) {
  TDibLayout d = ReadDib(Info, Available, ReadUsage, LayoutUsage, Rows);
  if (d.ReadEnd > Available || d.TableEnd > Available) Invalid();
  d.ImageBytes = PixelBytesRead(d, Info + d.TableEnd, Available - d.TableEnd);
  if (d.ImageBytes > Available - d.TableEnd) Invalid();
  return d;
}

// ------------------------------------------------------------- EMF

constexpr uint32_t kEmrHeader = 1, kEmrEof = 14, kEmrGdiComment = 70;

class TEmfRecord {
 public:
  TEmfRecord(uint8_t* Record, uint64_t Size, uint32_t Handles, TLimits& Limits)
      : FRecord(Record), FSize(Size), FHandles(Handles), FLimits(Limits) {}

  void Need(uint64_t Bytes) const {
    if (Bytes > FSize) Invalid();
  }
  uint32_t U32(uint64_t At) const {
    Need(At + 4);
    return GetU32LE(FRecord + At);
  }
  // An object index: inside the table (0 is the metafile itself), or a
  // stock object where the record allows one.
  void Object(uint64_t At, bool Stock = false) const {
    const uint32_t index = U32(At);
    if (Stock && (index & 0x80000000u) != 0) return;
    if (index == 0 || index >= FHandles) Invalid();
  }
  // Count items of ItemBytes each after a fixed part of Fixed bytes.
  void Counted(uint64_t Fixed, uint64_t Count, uint64_t ItemBytes) const { Need(Fixed + Count * ItemBytes); }
  // Polygon counts: their sum may not exceed the points present.
  void PolyCounts(uint64_t CountsAt, uint64_t Polygons, uint64_t Points) const {
    Need(CountsAt + 4 * Polygons);
    uint64_t sum = 0;
    for (uint64_t i = 0; i < Polygons; ++i) sum += GetU32LE(FRecord + CountsAt + 4 * i);
    if (sum > Points) Invalid();
  }
  // Region data: its 32-byte header, then the rectangles it counts.
  void Region(uint64_t At) const {
    Need(At + 32);
    const uint64_t rects = GetU32LE(FRecord + At + 8);
    FLimits.Region(rects);
    Need(At + 32 + 16 * rects);
  }
  // A bitmap given by offsets to its header and its pixels.
  TDibLayout Dib(uint64_t OffBmiAt, uint64_t OffBitsAt, uint32_t Usage, uint64_t Rows = kAllRows) const {
    const uint64_t offBmi = U32(OffBmiAt), offBits = U32(OffBitsAt);
    if (offBmi >= FSize) Invalid();
    const TDibLayout d = ReadDib(FRecord + offBmi, FSize - offBmi, Usage, Usage, Rows);
    Need(offBmi + d.ReadEnd);
    if (d.ImageBytes == 0) return d;
    Need(offBits);
    Need(offBits + PixelBytesRead(d, FRecord + offBits, FSize - offBits));
    return d;
  }
  // Text: the characters and, when given (or always, for Always), the spacing.
  void Text(uint64_t At, uint64_t CharBytes, bool Always) const {
    Need(At + 40);
    const uint64_t chars = U32(At + 8), offString = U32(At + 12), options = U32(At + 16), offDx = U32(At + 36);
    if (chars == 0) return;
    Need(offString + chars * CharBytes);
    if (offDx != 0 || Always) Need(offDx + chars * 4 * ((options & 0x2000) != 0 ? 2 : 1));  // ETO_PDY: pairs
  }
  // A brush style that stores an address or handle becomes solid.
  void SolidPattern(uint64_t At) const {
    if (U32(At) > 2) PutU32LE(FRecord + At, 0);  // solid, hollow and hatched stay
  }
  // Turns the record into a comment that every player passes over.
  void IntoComment() const {
    Need(12);
    PutU32LE(FRecord, kEmrGdiComment);
    PutU32LE(FRecord + 8, static_cast<uint32_t>(FSize - 12));
  }
  uint8_t* Bytes() const { return FRecord; }
  uint64_t Size() const { return FSize; }
  TLimits& Limits() const { return FLimits; }

 private:
  uint8_t* FRecord;
  uint64_t FSize;
  uint32_t FHandles;
  TLimits& FLimits;
};

void CheckEmfRecord(uint32_t Type, const TEmfRecord& r) {
  switch (Type) {
    case 2: case 3: case 4: case 5: case 6:  // poly-Bézier, polygon, polyline (…To)
      r.Counted(28, r.U32(24), 8);
      break;
    case 7: case 8: {  // poly-polyline, poly-polygon
      const uint64_t polys = r.U32(24), points = r.U32(28);
      r.Counted(32 + 4 * polys, points, 8);
      r.PolyCounts(32, polys, points);
      break;
    }
    case 9: case 10: case 11: case 12: case 13: case 26: case 27: case 54: r.Need(16); break;
    case 15: r.Need(20); break;
    case 16: case 17: case 18: case 19: case 20: case 21: case 22: case 24: case 25: case 34: case 57: case 58:
    case 67: case 98: case 115:
      r.Need(12);
      break;
    case 23: case 35: r.Need(32); break;
    case 29: case 30: case 31: case 32: case 42: case 43: case 53: case 62: case 63: case 64: r.Need(24); break;
    case 33: r.Limits().Save(); break;  // SaveDC
    case 36: r.Need(36); break;
    case 37: case 48: r.Object(8, true); break;  // select object, select palette
    case 38: r.Need(28); r.Object(8); break;     // create pen
    case 39: r.Need(24); r.Object(8); r.SolidPattern(12); break;  // create brush
    case 40: case 100: case 101: r.Need(12); r.Object(8); break;
    case 51: r.Need(16); r.Object(8); break;  // resize palette
    case 41: r.Need(28); break;
    case 44: r.Need(32); break;
    case 45: case 46: case 47: case 55: r.Need(40); break;
    case 49: {  // create palette: version and count, then the entries
      r.Need(16);
      r.Object(8);
      r.Counted(16, GetU16LE(r.Bytes() + 14), 4);
      break;
    }
    case 50: r.Object(8); r.Counted(20, r.U32(16), 4); break;  // set palette entries
    case 56: r.Counted(28, r.U32(24), 9); break;                // poly-draw: points and types
    case kEmrGdiComment: r.Counted(12, r.U32(8), 1); break;
    case 71: r.Need(32); r.Object(28); r.Region(32); break;  // fill region
    case 72: r.Need(40); r.Object(28); r.Region(40); break;  // frame region
    case 73: case 74: r.Need(28); r.Region(28); break;       // invert, paint region
    case 75:  // select clip region: the region only when the record holds one
      r.Need(16);
      if (r.Size() >= 52) r.Region(16);
      break;
    case 76: case 77: {  // bit-block transfer, stretched: a bitmap unless it is a pattern fill
      r.Need(Type == 76 ? 100 : 108);
      if (r.U32(84) != 0) r.Dib(84, 92, r.U32(80));
      break;
    }
    case 78:  // masked transfer: the source and the mask are always read
      r.Need(128);
      r.Dib(84, 92, r.U32(80));
      r.Dib(112, 120, r.U32(108));
      break;
    case 79:  // parallelogram transfer
      r.Need(140);
      r.Dib(96, 104, r.U32(92));
      r.Dib(124, 132, r.U32(120));
      break;
    case 80: r.Need(76); r.Dib(48, 56, r.U32(64), r.U32(72)); break;  // DIB to device: the scans given
    case 81: r.Need(80); r.Dib(48, 56, r.U32(64)); break;              // stretched DIB
    case 82: r.Need(104); r.Object(8); break;                          // create font
    case 83: case 84: r.Need(76); r.Text(36, Type == 84 ? 2 : 1, false); break;
    case 85: case 86: case 87: case 88: case 89: r.Counted(28, r.U32(24), 4); break;  // 16-bit polys
    case 90: case 91: {
      const uint64_t polys = r.U32(24), points = r.U32(28);
      r.Counted(32 + 4 * polys, points, 4);
      r.PolyCounts(32, polys, points);
      break;
    }
    case 92: r.Counted(28, r.U32(24), 5); break;
    case 93: {  // monochrome pattern brush
      r.Need(32);
      r.Object(8);
      const uint32_t usage = r.U32(12);
      if (usage == 2) {
        // No colour table: a 1-bit bitmap with rows padded to 32 bits.
        const uint64_t offBmi = r.U32(16), offBits = r.U32(24);
        r.Need(offBmi + 40);
        const uint8_t* h = r.Bytes() + offBmi;
        const int64_t width = GetS32LE(h + 4), height = GetS32LE(h + 8);
        if (width <= 0 || height == 0 || GetU16LE(h + 12) != 1 || GetU16LE(h + 14) != 1) Invalid();
        const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
        if (static_cast<uint64_t>(width) * rows > kMaxPicturePixels) Invalid();
        r.Need(offBits + DibRowStride(width, 1) * rows);
      } else {
        r.Dib(16, 24, usage);
      }
      break;
    }
    case 94: {  // DIB pattern brush: header and pixels are packed together first
      r.Need(32);
      r.Object(8);
      const uint64_t offBmi = r.U32(16), bmiBytes = r.U32(20), offBits = r.U32(24), bitsBytes = r.U32(28);
      r.Need(offBmi + bmiBytes);
      r.Need(offBits + bitsBytes);
      const uint32_t usage = r.U32(12);
      const TDibLayout d = ReadDib(r.Bytes() + offBmi, bmiBytes, usage, usage);
      if (d.ReadEnd > bmiBytes || d.TableEnd + d.ImageBytes > bmiBytes + bitsBytes) Invalid();
      break;
    }
    case 95: {  // extended pen: style entries follow
      r.Need(52);
      r.Object(8);
      r.Counted(52, r.U32(48), 4);
      r.SolidPattern(36);
      break;
    }
    case 96: case 97: {  // several texts: every one's spacing is read
      const uint64_t count = r.U32(36);
      r.Counted(40, count, 40);
      for (uint64_t i = 0; i < count; ++i) r.Text(40 + 40 * i, Type == 97 ? 2 : 1, true);
      break;
    }
    case 99: {  // colour space: its file name must end inside the record
      r.Need(340);
      r.Object(8);
      const uint8_t* name = r.Bytes() + 80;
      if (std::find(name, name + 260, 0) == name + 260) Invalid();
      break;
    }
    case 104: r.IntoComment(); break;  // pixel format: nothing a picture needs
    case 114: {  // alpha blend: the pixels are copied into a new bitmap of the header's size
      r.Need(108);
      if (r.U32(84) == 0) break;
      const uint32_t usage = r.U32(80);
      if (usage > 1) Invalid();
      const TDibLayout d = r.Dib(84, 92, usage);
      const uint64_t bitsBytes = r.U32(96);
      if (d.Compression != 0 && d.Compression != 3) Invalid();
      // The new bitmap must be made, or the copy would go nowhere.
      if (bitsBytes > d.FullImageBytes || d.FullImageBytes > kMaxBlendBitmapBytes) Invalid();
      r.Need(r.U32(92) + bitsBytes);
      break;
    }
    case 118: {  // gradient fill: vertices, then 2 or 3 indices per piece
      r.Need(36);
      const uint64_t vertices = r.U32(24), pieces = r.U32(28), mode = r.U32(32);
      r.Counted(36 + 16 * vertices, pieces, mode == 2 ? 12 : 8);
      break;
    }
    case 120: r.Need(16); break;
    default: break;  // kinds the player passes over, or that carry nothing it reads
  }
}

}  // namespace

std::vector<TPaletteEntry> EnhancedMetafilePalette(const uint8_t* Data, size_t Size) {
  std::vector<TPaletteEntry> entries;
  size_t pos = 0;
  while (Size - pos >= 8) {
    const uint32_t type = GetU32LE(Data + pos), size = GetU32LE(Data + pos + 4);
    if (size < 8 || size > Size - pos) return entries;
    if (type == kEmrEof) {
      if (size < 20) return entries;
      const uint64_t count = GetU32LE(Data + pos + 8), offset = GetU32LE(Data + pos + 12);
      if (count == 0 || offset + count * 4 > size) return entries;
      entries.resize(static_cast<size_t>(count));
      const uint8_t* p = Data + pos + offset;
      for (size_t i = 0; i < entries.size(); ++i, p += 4) entries[i] = TPaletteEntry{p[0], p[1], p[2], p[3]};
      return entries;
    }
    pos += size;
  }
  return entries;
}

uint32_t CheckEnhancedMetafileRecords(uint8_t* Data, size_t Size) {
  constexpr size_t kMinHeaderRecord = 88;
  if (Size < 100 || GetU32LE(Data) != kEmrHeader) Invalid();
  const uint32_t headerSize = GetU32LE(Data + 4);
  if (headerSize < kMinHeaderRecord || headerSize % 4 != 0 || headerSize > Size) Invalid();
  const uint64_t descriptionChars = GetU32LE(Data + 60), descriptionOffset = GetU32LE(Data + 64);
  if (descriptionChars != 0 && descriptionOffset + descriptionChars * 2 > Size) Invalid();
  const uint32_t handles = GetU16LE(Data + 56);
  if (handles == 0) Invalid();  // slot 0 is the metafile itself
  const uint32_t headerPalette = GetU32LE(Data + 68);

  // The player goes on to the end of the data, past an end-of-file record too.
  TLimits limits;
  bool eofSeen = false;
  uint32_t eofPalette = 0;
  size_t pos = 0;
  while (pos < Size) {
    if (Size - pos < 8) Invalid();
    const uint32_t type = GetU32LE(Data + pos), size = GetU32LE(Data + pos + 4);
    if (size < 8 || size % 4 != 0 || size > Size - pos) Invalid();
    if (type == kEmrEof && !eofSeen) {
      if (size < 20) Invalid();
      const uint64_t count = GetU32LE(Data + pos + 8), offset = GetU32LE(Data + pos + 12);
      if (count != 0 && offset + count * 4 > size) Invalid();
      eofPalette = static_cast<uint32_t>(count);
      eofSeen = true;
    } else if (pos != 0) {
      CheckEmfRecord(type, TEmfRecord(Data + pos, size, handles, limits));
    }
    pos += size;
  }
  if (headerPalette != eofPalette) Invalid();
  return headerPalette;
}

// ------------------------------------------------------------- WMF

namespace {

class TWmfRecord {
 public:
  // Record of Words words at Record; DataLeft bytes from it to the end of
  // the metafile. ReadPast collects how far the player reads past that end.
  TWmfRecord(uint8_t* Record, uint64_t Words, uint64_t DataLeft, uint32_t Objects, TLimits& Limits,
             uint64_t& ReadPast)
      : FRecord(Record), FBytes(Words * 2), FDataLeft(DataLeft), FObjects(Objects), FLimits(Limits),
        FReadPast(ReadPast) {}

  // Parameter words after the 6-byte record header.
  void NeedWords(uint64_t Count) const {
    if (6 + 2 * Count > FBytes) Invalid();
  }
  void NeedBytes(uint64_t Bytes) const {
    if (Bytes > FBytes) Invalid();
  }
  uint16_t Word(uint64_t Index) const {
    NeedWords(Index + 1);
    return GetU16LE(FRecord + 6 + 2 * Index);
  }
  void Object(uint64_t Index) const {
    if (Word(Index) >= FObjects) Invalid();
  }
  // The player reads Bytes from the record's start, wherever the metafile ends.
  void ReadsFromRecord(uint64_t Bytes) const {
    if (Bytes > FDataLeft) FReadPast = std::max(FReadPast, Bytes - FDataLeft);
  }
  // A bitmap packed after Offset bytes of the record.
  TDibLayout PackedDib(uint64_t Offset, uint32_t ReadUsage, uint32_t LayoutUsage, uint64_t Rows = kAllRows) const {
    NeedBytes(Offset);
    return CheckPackedDib(FRecord + Offset, FBytes - Offset, ReadUsage, LayoutUsage, Rows);
  }
  // A bitmap (checked as Dib) that the conversion into an enhanced metafile
  // records again, in colours of Usage, sized by the header's own fields:
  // the colour table by its used count, run-length codes by the image size.
  // One system's recorder writes a table of all colours into room for the
  // used count only when that is 0, and aborts on a record that is not a
  // whole number of 32-bit words. So the used count is written out (0 means
  // all; above 256 the player takes 256: the table stays where it is), the
  // image size of codes becomes what the player reads of them in whole
  // words (the end code is all that can go), and a bitmap that cannot be
  // recorded so is passed over.
  void ForConversion(uint64_t Offset, uint32_t Usage, const TDibLayout& Dib) const {
    uint8_t* header = FRecord + Offset;
    const uint64_t available = FBytes - Offset;
    const uint32_t headerSize = GetU32LE(header);
    if (Dib.Compression == kBiJpeg || Dib.Compression == kBiPng) return;  // not recorded at all
    if (Dib.Bits <= 8) {
      if (headerSize == 12) return PassOver();
      uint32_t used = GetU32LE(header + 32);
      used = used == 0 ? 1u << Dib.Bits : std::min(used, 256u);
      PutU32LE(header + 32, used);
      const uint64_t entry = Usage == 1 ? 2 : 4;
      if ((Usage == 1 && used % 2 != 0) || headerSize + used * entry > available) return PassOver();
    }
    if (Dib.RunLength()) PutU32LE(header + 20, static_cast<uint32_t>(Dib.ImageBytes & ~uint64_t{3}));
  }
  // A device bitmap of the old kind: size, planes and depth, then its rows
  // padded to 16 bits, from Offset bytes on.
  void DeviceBitmap(uint64_t Width, uint64_t Height, uint64_t Planes, uint64_t Bits, uint64_t Offset) const {
    if (Width == 0 || Height == 0) return;  // the system makes a 1 × 1 bitmap and reads nothing
    if (Planes != 1) Invalid();
    switch (Bits) {
      case 1: case 4: case 8: case 16: case 24: case 32: break;
      default: Invalid();
    }
    if (Width * Height > kMaxPicturePixels) Invalid();
    NeedBytes(Offset + Height * ((Width * Bits + 15) / 16 * 2));
  }
  void SolidPattern(uint64_t Index) const {
    if (Word(Index) > 2) FRecord[6 + 2 * Index] = 0, FRecord[7 + 2 * Index] = 0;
  }
  // Gives the record a function no player knows, so that it is skipped.
  void PassOver() const { FRecord[4] = 0x01, FRecord[5] = 0x00; }
  uint8_t* Bytes() const { return FRecord; }
  uint64_t Size() const { return FBytes; }
  uint64_t DataLeft() const { return FDataLeft; }
  uint32_t Objects() const { return FObjects; }
  TLimits& Limits() const { return FLimits; }

 private:
  uint8_t* FRecord;
  uint64_t FBytes;
  uint64_t FDataLeft;
  uint32_t FObjects;
  TLimits& FLimits;
  uint64_t& FReadPast;
};

// A region of bands: the system reads band after band until a count or a
// delimiter is wrong, and may read one word past a band.
void CheckWmfRegion(const TWmfRecord& r) {
  const uint64_t bands = r.Word(5);
  const uint64_t words = r.Size() / 2;
  uint64_t start = 3 + 11;
  uint64_t rects = 0;
  for (uint64_t band = 0; band < bands; ++band) {
    if (start >= words) Invalid();
    const uint64_t count = GetU16LE(r.Bytes() + 2 * start);
    if (count % 2 != 0) return;  // the system stops here
    const uint64_t end = start + count + 3;
    if (end > words) return;  // and here
    if (end == words) Invalid();  // it would read the word after the record
    if (GetU16LE(r.Bytes() + 2 * end) != count) return;
    rects += count / 2;
    start = end + 1;
  }
  r.Limits().Region(rects);
}

void CheckWmfRecord(uint16_t Function, const TWmfRecord& r) {
  switch (Function) {
    case 0x0102: case 0x0103: case 0x0104: case 0x0105: case 0x0106: case 0x0107: case 0x0108: case 0x0127:
    case 0x012E:
      r.NeedWords(1);
      break;
    case 0x0201: case 0x0209: case 0x020A: case 0x020B: case 0x020C: case 0x020D: case 0x020E: case 0x020F:
    case 0x0211: case 0x0213: case 0x0214: case 0x0220: case 0x0231:
      r.NeedWords(2);
      break;
    case 0x0410: case 0x0412: case 0x0415: case 0x0416: case 0x0418: case 0x0419: case 0x041B: case 0x041F:
      r.NeedWords(4);
      break;
    case 0x02FA: case 0x0548: r.NeedWords(5); break;
    case 0x061C: case 0x061D: r.NeedWords(6); break;
    case 0x0817: case 0x081A: case 0x0830: r.NeedWords(8); break;
    case 0x001E: r.Limits().Save(); break;  // SaveDC
    case 0x01F0: case 0x012D: case 0x012A: case 0x012B: r.Object(0); break;  // delete, select, invert, paint
    case 0x012C: if (r.Word(0) != 0) r.Object(0); break;                   // select clip region
    case 0x0228: r.Object(0); r.Object(1); break;                            // fill region
    case 0x0429: r.NeedWords(4); r.Object(2); r.Object(3); break;            // frame region
    case 0x0234: {  // select palette: one word, the palette
      r.Object(0);
      // The system's player takes the word after it for the index: when that
      // word is no index of the table, the record is passed over.
      if (r.DataLeft() < 10) Invalid();
      if (GetU16LE(r.Bytes() + 8) >= r.Objects()) r.PassOver();
      break;
    }
    case 0x0521: {  // text: length, characters, y, x
      const int16_t length = static_cast<int16_t>(r.Word(0));
      if (length < 0) Invalid();
      r.NeedWords(1 + (uint64_t(length) + 1) / 2 + 2);
      break;
    }
    case 0x0324: case 0x0325: r.NeedWords(1 + 2 * uint64_t{r.Word(0)}); break;  // polygon, polyline
    case 0x0538: {  // poly-polygon: counts, then all the points
      const uint64_t polys = r.Word(0);
      r.NeedWords(1 + polys);
      uint64_t points = 0;
      for (uint64_t i = 0; i < polys; ++i) {
        const int16_t count = static_cast<int16_t>(r.Word(1 + i));
        if (count < 0) Invalid();
        points += uint64_t(count);
      }
      r.NeedWords(1 + polys + 2 * points);
      break;
    }
    case 0x01F9: {  // pattern brush: an old device bitmap or a DIB
      const uint16_t style = r.Word(0);
      if (style == 3) {
        r.NeedWords(2 + 20);
        const uint8_t* h = r.Bytes() + 10;
        const int64_t width = GetS32LE(h + 4), height = GetS32LE(h + 8);
        if (width < 0 || height < 0) Invalid();
        r.DeviceBitmap(uint64_t(width), uint64_t(height), GetU16LE(h + 12), GetU16LE(h + 14), 6 + 48);
      } else if (style == 5) {
        r.PackedDib(10, r.Word(1), r.Word(1));
      }
      break;
    }
    case 0x02FB:  // font: 18 bytes, then a face name of 32 bytes read whatever the record's size
      r.NeedWords(9);
      r.ReadsFromRecord(6 + 18 + 32);
      break;
    case 0x02FC: r.NeedWords(4); r.SolidPattern(0); break;  // brush
    case 0x00F7: r.NeedWords(2 + 2 * uint64_t{r.Word(1)}); break;  // palette: version, count, entries
    case 0x0626: {  // escape: function, byte count, data
      const uint64_t count = r.Word(1);
      r.NeedWords(2 + (count + 1) / 2);
      // A copy of an enhanced metafile in chunks, which the system reassembles.
      if (r.Word(0) == 15 && count >= 4 && GetU32LE(r.Bytes() + 10) == 0x43464D57) {
        r.NeedBytes(10 + 34);
        r.NeedBytes(10 + 34 + uint64_t{GetU32LE(r.Bytes() + 10 + 22)});
      }
      break;
    }
    case 0x0A32: {  // extended text: y, x, length, options, [rectangle], characters
      const uint64_t length = r.Word(2);
      const bool rect = (r.Word(3) & 0x0006) != 0;  // opaque or clipped
      r.NeedWords(4 + (rect ? 4 : 0));
      r.NeedBytes(6 + 8 + (rect ? 8 : 0) + length);
      break;
    }
    case 0x0F43:  // stretched DIB
      r.NeedWords(11);
      r.ForConversion(6 + 22, r.Word(2), r.PackedDib(6 + 22, r.Word(2), r.Word(2)));
      break;
    case 0x0B41:  // DIB stretch-blit
      r.NeedWords(10);
      r.ForConversion(6 + 20, 0, r.PackedDib(6 + 20, 0, 0));
      break;
    case 0x0940:  // DIB bit-blit: the low word of the operation stands where a colour usage would
      if (r.Size() > 24) {
        r.NeedWords(8);
        r.ForConversion(6 + 16, 0, r.PackedDib(6 + 16, 0, r.Word(0)));
      } else {
        r.NeedWords(9);
      }
      break;
    case 0x0D33: {  // DIB to device: the scans given, but all rows of a top-down bitmap for the conversion
      r.NeedWords(9);
      r.NeedBytes(6 + 18 + 40);
      const uint8_t* header = r.Bytes() + 6 + 18;
      const bool topDown = GetU32LE(header) != 12 && GetS32LE(header + 8) < 0;
      r.ForConversion(6 + 18, r.Word(0), r.PackedDib(6 + 18, r.Word(0), r.Word(0), topDown ? kAllRows : r.Word(1)));
      break;
    }
    case 0x0B23:  // stretch-blit of an old device bitmap
      r.NeedWords(15);
      r.DeviceBitmap(r.Word(10), r.Word(11), r.Word(13), r.Word(14), 6 + 30);
      break;
    case 0x0922:  // bit-blit of an old device bitmap
      r.NeedWords(12);
      r.DeviceBitmap(r.Word(7), r.Word(8), r.Word(10), r.Word(11), 6 + 24);
      break;
    case 0x06FF: r.NeedWords(11); CheckWmfRegion(r); break;  // region
    case 0x0142: r.PackedDib(10, r.Word(1), r.Word(1)); break;  // DIB pattern brush
    default: break;  // kinds the system passes over, or that carry nothing it reads
  }
}

}  // namespace

std::vector<uint8_t> CheckWindowsMetafileRecords(std::vector<uint8_t> Records) {
  constexpr size_t kHeaderSize = 18;
  uint8_t* data = Records.data();
  const size_t size = Records.size();
  if (size < kHeaderSize) Invalid();
  const uint16_t type = GetU16LE(data), headerWords = GetU16LE(data + 2);
  if ((type != 1 && type != 2) || headerWords != kHeaderSize / 2) Invalid();
  uint64_t total = uint64_t{GetU32LE(data + 6)} * 2;
  if (total < kHeaderSize) Invalid();
  if (total > size) {
    // Writers that count the placeable header in the total, and others:
    // the records present are the metafile.
    total = size & ~size_t{1};
    PutU32LE(data + 6, static_cast<uint32_t>(total / 2));
  }
  const uint32_t objects = GetU16LE(data + 10);
  TLimits limits;
  uint64_t readPast = 0;
  size_t pos = kHeaderSize;
  while (pos < total) {
    if (total - pos < 6) Invalid();
    const uint64_t words = GetU32LE(data + pos);
    const uint16_t function = GetU16LE(data + pos + 4);
    if (words < 3 || words * 2 > total - pos) Invalid();
    if (function == 0) break;  // the end record
    CheckWmfRecord(function, TWmfRecord(data + pos, words, total - pos, objects, limits, readPast));
    pos += static_cast<size_t>(words * 2);
  }
  Records.resize(static_cast<size_t>(total));
  Records.resize(static_cast<size_t>(total + readPast), 0);
  return Records;
}

}  // namespace vr
