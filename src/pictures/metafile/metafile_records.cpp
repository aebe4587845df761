#include "pictures/metafile/metafile_records.h"

#include <algorithm>
#include <limits>

#include "pictures/graphic_errors.h"
#include "pictures/metafile/metafile_header.h"
#include "pictures/metafile/metafile_record_types.h"
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

// Where the system's EMF records keep their fields: byte offsets from the
// start of a record, which begins with its type and its size.
namespace emf {

// The parts records are made of.
constexpr uint64_t kValue = 4;             // a 32-bit number, colour, mode or object index
constexpr uint64_t kPoint = 8;             // a point or a size of 32-bit coordinates
constexpr uint64_t kPoint16 = 4;           // a point of 16-bit coordinates
constexpr uint64_t kRect = 16;             // a rectangle
constexpr uint64_t kTransform = 24;        // a world transform
constexpr uint64_t kColorAdjustment = 24;  // a colour adjustment
constexpr uint64_t kPaletteEntry = 4;
constexpr uint64_t kPolyDrawType = 1;      // the byte of each point of a poly-draw

constexpr uint64_t kFirstField = 8;    // after type and size; an object index where the record names one
constexpr uint64_t kAfterBounds = 24;  // after type, size and the bounding rectangle

// The end record: its palette (count and offset), and the record's size
// again at its end.
constexpr uint64_t kEofPaletteCount = 8, kEofPaletteOffset = 12, kEofMinSize = 20;

// Points: their count, then the points.
constexpr uint64_t kPolyCount = kAfterBounds, kPolyPoints = kAfterBounds + 4;
// Polygons: their count, the count of all points, each polygon's count, the points.
constexpr uint64_t kPolyPolyCount = kAfterBounds, kPolyPolyPointCount = kAfterBounds + 4;
constexpr uint64_t kPolyPolyCounts = kAfterBounds + 8;

// A pen: object index, style, width (a point), colour.
constexpr uint64_t kCreatePenSize = kFirstField + 2 * kValue + kPoint + kValue;
// A brush: object index, style, colour, hatch.
constexpr uint64_t kBrushStyle = kFirstField + kValue, kCreateBrushSize = kFirstField + 4 * kValue;
// An extended pen: object index, the offsets and sizes of a bitmap, then
// style, width, brush style, colour, hatch, the count of style entries, the entries.
constexpr uint64_t kExtPenBrushStyle = 36, kExtPenStyleCount = 48, kExtPenStyleEntries = 52;
// A font: object index, then a logical font of 92 bytes.
constexpr uint64_t kCreateFontSize = kFirstField + kValue + 92;
// A palette: object index, version and count (16 bits each), the entries.
constexpr uint64_t kCreatePaletteCount = 14, kCreatePaletteEntries = 16;
// Palette entries set: object index, first entry, count, the entries.
constexpr uint64_t kSetPaletteCount = 16, kSetPaletteEntries = 20;
// A palette resized: object index, count.
constexpr uint64_t kResizePaletteSize = kFirstField + 2 * kValue;
// A colour space: object index, then a logical colour space whose file name
// (of 260 bytes) starts at 80.
constexpr uint64_t kColorSpaceFileName = 80, kColorSpaceFileNameBytes = 260;
constexpr uint64_t kCreateColorSpaceSize = kColorSpaceFileName + kColorSpaceFileNameBytes;
// A comment: the byte count, the bytes.
constexpr uint64_t kCommentBytes = kFirstField, kCommentData = kFirstField + kValue;

// Region data: a 32-byte header whose count of rectangles stands at 8,
// then the rectangles.
constexpr uint64_t kRegionHeader = 32, kRegionRectCount = 8;
// Regions filled (bounds, size of the region data, brush, [stroke size,] the
// region), inverted or painted (bounds, size, the region), and selected for
// clipping (size, mode, the region).
constexpr uint64_t kRegionBrush = kAfterBounds + kValue;
constexpr uint64_t kFillRgnRegion = kRegionBrush + kValue;
constexpr uint64_t kFrameRgnRegion = kRegionBrush + kValue + kPoint;
constexpr uint64_t kPaintRgnRegion = kAfterBounds + kValue;
constexpr uint64_t kSelectClipRgnRegion = kFirstField + 2 * kValue;
// The player reads the region of a clip selection only from a record as
// long as its structure (20 bytes with one byte of region data, padded)
// and a region header.
constexpr uint64_t kSelectClipRgnWithRegion = 20 + kRegionHeader;

// A text block: reference point, character count, offset of the characters,
// options, rectangle, offset of the spacing.
constexpr uint64_t kTextChars = 8, kTextString = 12, kTextOptions = 16, kTextDx = 36, kTextSize = 40;
constexpr uint32_t kEtoPdy = 0x2000;  // the spacing holds pairs
// Text records: the graphics mode and two scales after the bounds, then one
// text block (an extended text) or the count of blocks and the blocks
// (several texts).
constexpr uint64_t kExtTextOutText = kAfterBounds + 3 * kValue, kExtTextOutSize = kExtTextOutText + kTextSize;
constexpr uint64_t kPolyTextCount = kAfterBounds + 3 * kValue, kPolyTextTexts = kPolyTextCount + kValue;

// A bitmap in a record: where its colour usage stands, and the offsets (each
// followed by the byte count) of its header and its pixels.
struct TDibFields {
  uint64_t Usage, Header, HeaderBytes, Bits, BitsBytes;
};
// Bit-block transfers (plain, stretched, masked, blended): after bounds, the
// destination, the operation, the source's origin, transform and background
// colour, then its bitmap.
constexpr TDibFields kBltSource{80, 84, 88, 92, 96};
constexpr uint64_t kBitBltSize = 100, kStretchBltSize = 108;  // the stretched one adds the source's size
// The masked transfer's mask follows its source, after the mask's origin.
constexpr TDibFields kMaskBltMask{108, 112, 116, 120, 124};
constexpr uint64_t kMaskBltSize = 128;
// The parallelogram transfer: three destination points, the source
// rectangle, transform and background colour, then the source and the mask.
constexpr TDibFields kPlgBltSource{92, 96, 100, 104, 108}, kPlgBltMask{120, 124, 128, 132, 136};
constexpr uint64_t kPlgBltSize = 140;
// DIB to device and stretched DIB: after bounds, the destination and the
// source rectangle, the bitmap, then (to the device) the first scan and
// the count of scans.
constexpr TDibFields kDIBitsSource{64, 48, 52, 56, 60};
constexpr uint64_t kSetDIBitsScans = 72, kSetDIBitsSize = 76, kStretchDIBitsSize = 80;
// Pattern brushes: object index, then the bitmap.
constexpr TDibFields kBrushBitmap{12, 16, 20, 24, 28};
constexpr uint64_t kBrushSize = 32;
constexpr uint32_t kDibPalIndices = 2;  // a usage without a colour table
// Alpha blending: like the stretched transfer.
constexpr uint64_t kAlphaBlendSize = kStretchBltSize;

// Gradient fill: bounds, the counts of vertices and of pieces, the mode,
// then the vertices (16 bytes each) and each piece's vertex indices.
constexpr uint64_t kGradientVertexCount = kAfterBounds, kGradientPieceCount = kAfterBounds + 4;
constexpr uint64_t kGradientMode = kAfterBounds + 8, kGradientVertices = kAfterBounds + 12;
constexpr uint64_t kTriVertex = 16, kGradientTriangle = 12, kGradientRect = 8;
constexpr uint32_t kGradientFillTriangle = 2;

}  // namespace emf

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
    Need(CountsAt + emf::kValue * Polygons);
    uint64_t sum = 0;
    for (uint64_t i = 0; i < Polygons; ++i) sum += GetU32LE(FRecord + CountsAt + emf::kValue * i);
    if (sum > Points) Invalid();
  }
  // Region data: its header, then the rectangles it counts.
  void Region(uint64_t At) const {
    Need(At + emf::kRegionHeader);
    const uint64_t rects = GetU32LE(FRecord + At + emf::kRegionRectCount);
    FLimits.Region(rects);
    Need(At + emf::kRegionHeader + emf::kRect * rects);
  }
  // A bitmap given by offsets to its header and its pixels.
  TDibLayout Dib(const emf::TDibFields& Fields, uint64_t Rows = kAllRows) const {
    const uint32_t usage = U32(Fields.Usage);
    const uint64_t offBmi = U32(Fields.Header), offBits = U32(Fields.Bits);
    if (offBmi >= FSize) Invalid();
    const TDibLayout d = ReadDib(FRecord + offBmi, FSize - offBmi, usage, usage, Rows);
    Need(offBmi + d.ReadEnd);
    if (d.ImageBytes == 0) return d;
    Need(offBits);
    Need(offBits + PixelBytesRead(d, FRecord + offBits, FSize - offBits));
    return d;
  }
  // A text block: the characters and, when given (or always, for Always),
  // the spacing.
  void Text(uint64_t At, uint64_t CharBytes, bool Always) const {
    Need(At + emf::kTextSize);
    const uint64_t chars = U32(At + emf::kTextChars), offString = U32(At + emf::kTextString),
                   options = U32(At + emf::kTextOptions), offDx = U32(At + emf::kTextDx);
    if (chars == 0) return;
    Need(offString + chars * CharBytes);
    if (offDx != 0 || Always) Need(offDx + chars * emf::kValue * ((options & emf::kEtoPdy) != 0 ? 2 : 1));
  }
  // A brush style that stores an address or handle becomes solid.
  void SolidPattern(uint64_t At) const {
    if (U32(At) > 2) PutU32LE(FRecord + At, 0);  // solid, hollow and hatched stay
  }
  // Turns the record into a comment that every player passes over.
  void IntoComment() const {
    Need(emf::kCommentData);
    PutU32LE(FRecord, kEmrGdiComment);
    PutU32LE(FRecord + emf::kCommentBytes, static_cast<uint32_t>(FSize - emf::kCommentData));
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
  using namespace emf;
  switch (Type) {
    case kEmrPolyBezier: case kEmrPolygon: case kEmrPolyline: case kEmrPolyBezierTo: case kEmrPolylineTo:
      r.Counted(kPolyPoints, r.U32(kPolyCount), kPoint);
      break;
    case kEmrPolyPolyline: case kEmrPolyPolygon: {
      const uint64_t polys = r.U32(kPolyPolyCount), points = r.U32(kPolyPolyPointCount);
      r.Counted(kPolyPolyCounts + kValue * polys, points, kPoint);
      r.PolyCounts(kPolyPolyCounts, polys, points);
      break;
    }
    case kEmrPolyBezier16: case kEmrPolygon16: case kEmrPolyline16: case kEmrPolyBezierTo16: case kEmrPolylineTo16:
      r.Counted(kPolyPoints, r.U32(kPolyCount), kPoint16);
      break;
    case kEmrPolyPolyline16: case kEmrPolyPolygon16: {
      const uint64_t polys = r.U32(kPolyPolyCount), points = r.U32(kPolyPolyPointCount);
      r.Counted(kPolyPolyCounts + kValue * polys, points, kPoint16);
      r.PolyCounts(kPolyPolyCounts, polys, points);
      break;
    }
    case kEmrPolyDraw: r.Counted(kPolyPoints, r.U32(kPolyCount), kPoint + kPolyDrawType); break;
    case kEmrPolyDraw16: r.Counted(kPolyPoints, r.U32(kPolyCount), kPoint16 + kPolyDrawType); break;

    // Records of fixed fields only.
    case kEmrSetMapperFlags: case kEmrSetMapMode: case kEmrSetBkMode: case kEmrSetPolyFillMode: case kEmrSetRop2:
    case kEmrSetStretchBltMode: case kEmrSetTextAlign: case kEmrSetTextColor: case kEmrSetBkColor:
    case kEmrRestoreDC: case kEmrSetArcDirection: case kEmrSetMiterLimit: case kEmrSelectClipPath:
    case kEmrSetICMMode: case kEmrSetLayout:
      r.Need(kFirstField + kValue);
      break;
    case kEmrSetWindowExtEx: case kEmrSetWindowOrgEx: case kEmrSetViewportExtEx: case kEmrSetViewportOrgEx:
    case kEmrSetBrushOrgEx: case kEmrOffsetClipRgn: case kEmrMoveToEx: case kEmrLineTo:
    case kEmrSetTextJustification:  // two numbers
      r.Need(kFirstField + kPoint);
      break;
    case kEmrSetPixelV: r.Need(kFirstField + kPoint + kValue); break;  // the point and the colour
    case kEmrExcludeClipRect: case kEmrIntersectClipRect: case kEmrEllipse: case kEmrRectangle:
    case kEmrFillPath: case kEmrStrokeAndFillPath: case kEmrStrokePath:
    case kEmrScaleViewportExtEx: case kEmrScaleWindowExtEx:  // four numbers
    case kEmrExtFloodFill:                                   // a point, a colour and a mode
      r.Need(kFirstField + kRect);
      break;
    case kEmrSetColorAdjustment: r.Need(kFirstField + kColorAdjustment); break;
    case kEmrSetWorldTransform: r.Need(kFirstField + kTransform); break;
    case kEmrModifyWorldTransform: r.Need(kFirstField + kTransform + kValue); break;  // and the mode
    case kEmrAngleArc: r.Need(kFirstField + kPoint + 3 * kValue); break;  // centre, radius, two angles
    case kEmrRoundRect: r.Need(kFirstField + kRect + kPoint); break;      // box and corner size
    case kEmrArc: case kEmrChord: case kEmrPie: case kEmrArcTo:        // box, start and end
      r.Need(kFirstField + kRect + 2 * kPoint);
      break;
    case kEmrSaveDC: r.Limits().Save(); break;

    // Objects.
    case kEmrSelectObject: case kEmrSelectPalette: r.Object(kFirstField, true); break;
    case kEmrDeleteObject: case kEmrSetColorSpace: case kEmrDeleteColorSpace:
      r.Need(kFirstField + kValue);
      r.Object(kFirstField);
      break;
    case kEmrCreatePen: r.Need(kCreatePenSize); r.Object(kFirstField); break;
    case kEmrCreateBrushIndirect:
      r.Need(kCreateBrushSize);
      r.Object(kFirstField);
      r.SolidPattern(kBrushStyle);
      break;
    case kEmrExtCreatePen:  // style entries follow
      r.Need(kExtPenStyleEntries);
      r.Object(kFirstField);
      r.Counted(kExtPenStyleEntries, r.U32(kExtPenStyleCount), kValue);
      r.SolidPattern(kExtPenBrushStyle);
      break;
    case kEmrExtCreateFontIndirectW: r.Need(kCreateFontSize); r.Object(kFirstField); break;
    case kEmrCreatePalette:
      r.Need(kCreatePaletteEntries);
      r.Object(kFirstField);
      r.Counted(kCreatePaletteEntries, GetU16LE(r.Bytes() + kCreatePaletteCount), kPaletteEntry);
      break;
    case kEmrSetPaletteEntries:
      r.Object(kFirstField);
      r.Counted(kSetPaletteEntries, r.U32(kSetPaletteCount), kPaletteEntry);
      break;
    case kEmrResizePalette: r.Need(kResizePaletteSize); r.Object(kFirstField); break;
    case kEmrCreateColorSpace: {  // its file name must end inside the record
      r.Need(kCreateColorSpaceSize);
      r.Object(kFirstField);
      const uint8_t* name = r.Bytes() + kColorSpaceFileName;
      if (std::find(name, name + kColorSpaceFileNameBytes, 0) == name + kColorSpaceFileNameBytes) Invalid();
      break;
    }
    case kEmrGdiComment: r.Counted(kCommentData, r.U32(kCommentBytes), 1); break;

    // Regions.
    case kEmrFillRgn: r.Need(kFillRgnRegion); r.Object(kRegionBrush); r.Region(kFillRgnRegion); break;
    case kEmrFrameRgn: r.Need(kFrameRgnRegion); r.Object(kRegionBrush); r.Region(kFrameRgnRegion); break;
    case kEmrInvertRgn: case kEmrPaintRgn: r.Need(kPaintRgnRegion); r.Region(kPaintRgnRegion); break;
    case kEmrExtSelectClipRgn:  // the region only when the record holds one
      r.Need(kSelectClipRgnRegion);
      if (r.Size() >= kSelectClipRgnWithRegion) r.Region(kSelectClipRgnRegion);
      break;

    // Text.
    case kEmrExtTextOutA: case kEmrExtTextOutW:
      r.Need(kExtTextOutSize);
      r.Text(kExtTextOutText, Type == kEmrExtTextOutW ? 2 : 1, false);
      break;
    case kEmrPolyTextOutA: case kEmrPolyTextOutW: {  // every block's spacing is read
      const uint64_t count = r.U32(kPolyTextCount);
      r.Counted(kPolyTextTexts, count, kTextSize);
      for (uint64_t i = 0; i < count; ++i)
        r.Text(kPolyTextTexts + kTextSize * i, Type == kEmrPolyTextOutW ? 2 : 1, true);
      break;
    }

    // Bitmaps.
    case kEmrBitBlt: case kEmrStretchBlt:  // a bitmap unless it is a pattern fill
      r.Need(Type == kEmrBitBlt ? kBitBltSize : kStretchBltSize);
      if (r.U32(kBltSource.Header) != 0) r.Dib(kBltSource);
      break;
    case kEmrMaskBlt:  // the source and the mask are always read
      r.Need(kMaskBltSize);
      r.Dib(kBltSource);
      r.Dib(kMaskBltMask);
      break;
    case kEmrPlgBlt:
      r.Need(kPlgBltSize);
      r.Dib(kPlgBltSource);
      r.Dib(kPlgBltMask);
      break;
    case kEmrSetDIBitsToDevice:  // the scans given
      r.Need(kSetDIBitsSize);
      r.Dib(kDIBitsSource, r.U32(kSetDIBitsScans));
      break;
    case kEmrStretchDIBits: r.Need(kStretchDIBitsSize); r.Dib(kDIBitsSource); break;
    case kEmrCreateMonoBrush:
      r.Need(kBrushSize);
      r.Object(kFirstField);
      if (r.U32(kBrushBitmap.Usage) == kDibPalIndices) {
        // No colour table: a 1-bit bitmap with rows padded to 32 bits.
        const uint64_t offBmi = r.U32(kBrushBitmap.Header), offBits = r.U32(kBrushBitmap.Bits);
        r.Need(offBmi + 40);
        const uint8_t* h = r.Bytes() + offBmi;
        const int64_t width = GetS32LE(h + 4), height = GetS32LE(h + 8);
        if (width <= 0 || height == 0 || GetU16LE(h + 12) != 1 || GetU16LE(h + 14) != 1) Invalid();
        const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
        if (static_cast<uint64_t>(width) * rows > kMaxPicturePixels) Invalid();
        r.Need(offBits + DibRowStride(width, 1) * rows);
      } else {
        r.Dib(kBrushBitmap);
      }
      break;
    case kEmrCreateDIBPatternBrushPt: {  // header and pixels are packed together first
      r.Need(kBrushSize);
      r.Object(kFirstField);
      const uint64_t offBmi = r.U32(kBrushBitmap.Header), bmiBytes = r.U32(kBrushBitmap.HeaderBytes),
                     offBits = r.U32(kBrushBitmap.Bits), bitsBytes = r.U32(kBrushBitmap.BitsBytes);
      r.Need(offBmi + bmiBytes);
      r.Need(offBits + bitsBytes);
      const uint32_t usage = r.U32(kBrushBitmap.Usage);
      const TDibLayout d = ReadDib(r.Bytes() + offBmi, bmiBytes, usage, usage);
      if (d.ReadEnd > bmiBytes || d.TableEnd + d.ImageBytes > bmiBytes + bitsBytes) Invalid();
      break;
    }
    case kEmrAlphaBlend: {  // the pixels are copied into a new bitmap of the header's size
      r.Need(kAlphaBlendSize);
      if (r.U32(kBltSource.Header) == 0) break;
      if (r.U32(kBltSource.Usage) > 1) Invalid();
      const TDibLayout d = r.Dib(kBltSource);
      const uint64_t bitsBytes = r.U32(kBltSource.BitsBytes);
      if (d.Compression != 0 && d.Compression != kBiBitFields) Invalid();
      // The new bitmap must be made, or the copy would go nowhere.
      if (bitsBytes > d.FullImageBytes || d.FullImageBytes > kMaxBlendBitmapBytes) Invalid();
      r.Need(r.U32(kBltSource.Bits) + bitsBytes);
      break;
    }
    case kEmrPixelFormat: r.IntoComment(); break;  // nothing a picture needs
    case kEmrGradientFill: {  // vertices, then 2 or 3 indices per piece
      r.Need(kGradientVertices);
      const uint64_t vertices = r.U32(kGradientVertexCount), pieces = r.U32(kGradientPieceCount),
                     mode = r.U32(kGradientMode);
      r.Counted(kGradientVertices + kTriVertex * vertices, pieces,
                mode == kGradientFillTriangle ? kGradientTriangle : kGradientRect);
      break;
    }
    default: break;  // kinds the player passes over, or that carry nothing it reads
  }
}

// The palette of an end record that lies inside it: Count entries at Offset.
bool EofPaletteInside(const uint8_t* Record, uint32_t Size, uint64_t& Count, uint64_t& Offset) {
  Count = GetU32LE(Record + emf::kEofPaletteCount);
  Offset = GetU32LE(Record + emf::kEofPaletteOffset);
  return Offset + Count * emf::kPaletteEntry <= Size;
}

}  // namespace

std::vector<TPaletteEntry> EnhancedMetafilePalette(const uint8_t* Data, size_t Size) {
  std::vector<TPaletteEntry> entries;
  size_t pos = 0;
  while (Size - pos >= 8) {
    const uint32_t type = GetU32LE(Data + pos), size = GetU32LE(Data + pos + 4);
    if (size < 8 || size > Size - pos) return entries;
    if (type == kEmrEof) {
      if (size < emf::kEofMinSize) return entries;
      uint64_t count, offset;
      if (!EofPaletteInside(Data + pos, size, count, offset) || count == 0) return entries;
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
  if (Size < kEmfHeaderPeek || GetU32LE(Data) != kEmrHeader) Invalid();
  const uint32_t headerSize = GetU32LE(Data + 4);
  if (headerSize < kEmfHeaderMinSize || headerSize % 4 != 0 || headerSize > Size) Invalid();
  const uint64_t descriptionChars = GetU32LE(Data + kEmfDescriptionChars),
                 descriptionOffset = GetU32LE(Data + kEmfDescriptionOffset);
  if (descriptionChars != 0 && descriptionOffset + descriptionChars * 2 > Size) Invalid();
  const uint32_t handles = GetU16LE(Data + kEmfHandles);
  if (handles == 0) Invalid();  // slot 0 is the metafile itself
  const uint32_t headerPalette = GetU32LE(Data + kEmfPaletteEntries);

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
      if (size < emf::kEofMinSize) Invalid();
      uint64_t count, offset;
      if (!EofPaletteInside(Data + pos, size, count, offset) && count != 0) Invalid();
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

// Where the system's WMF records keep their fields. A record starts with
// its size in 16-bit words (32 bits) and its function (16 bits); its
// parameters are 16-bit words from there on.
namespace wmf {

constexpr uint64_t kRecordHeader = 6, kFunction = 4;
// The byte offset of parameter word Index.
constexpr uint64_t Param(uint64_t Index) { return kRecordHeader + 2 * Index; }
// A function no player knows.
constexpr uint16_t kNoFunction = 0x0001;

// The metafile header: type (1 or 2), its size in words, version, the
// metafile's size in words (32 bits), the size of the object table.
constexpr uint64_t kHeaderSize = 18;
constexpr uint64_t kHeaderWords = 2, kHeaderSizeWords = 6, kHeaderObjects = 10;

// Text: its length, the characters (two a word), y and x.
constexpr uint64_t kTextOutLength = 0;
// Extended text: y, x, length, options, the rectangle when the options
// name one (opaque or clipped), the characters.
constexpr uint64_t kExtTextOutLength = 2, kExtTextOutOptions = 3, kExtTextOutFixedWords = 4;
constexpr uint64_t kExtTextOutRectWords = 4;
constexpr uint16_t kEtoOpaqueOrClipped = 0x0006;
// Polygons: the count of points, or of polygons and then each one's count.
constexpr uint64_t kPolyCount = 0;
// A pattern brush: its style, then for a DIB pattern the colour usage and
// the bitmap, for a pattern the header and rows of a device bitmap (as the
// player reads them: width, height, planes and depth in a 40-byte header).
constexpr uint64_t kPatternStyle = 0, kPatternUsage = 1, kPatternBitmap = Param(2);
constexpr uint16_t kBsPattern = 3, kBsDIBPatternPt = 5;
constexpr uint64_t kPatternHeaderWords = 20, kPatternRows = kRecordHeader + 48;
// A font: 18 bytes of fixed fields, then a face name the player reads at 32
// bytes whatever the record's size.
constexpr uint64_t kFontFixedWords = 9, kFontFaceNameBytes = 32;
// A brush: style, colour (two words), hatch.
constexpr uint64_t kBrushStyle = 0, kBrushWords = 4;
// A palette: version, count, the entries (two words each).
constexpr uint64_t kPaletteCount = 1, kPaletteFixedWords = 2;
// An escape: its function, the byte count, the data. A piece of an enhanced
// metafile starts its data with a 34-byte header whose size of this piece
// stands at 22.
constexpr uint64_t kEscapeFunction = 0, kEscapeBytes = 1, kEscapeData = Param(2);
constexpr uint64_t kEmfPieceHeader = 34, kEmfPieceSize = 22;
// Bitmap transfers, each a bitmap after its fixed words: stretched DIB
// (operation, usage, source and destination), DIB stretch-blit (operation,
// source, destination), DIB bit-blit (operation, source origin, size,
// destination origin; without a bitmap one word more), DIB to device
// (usage, scans, first scan, source origin, size, destination origin).
constexpr uint64_t kStretchDIBUsage = 2, kStretchDIBWords = 11;
constexpr uint64_t kDIBStretchBltWords = 10;
constexpr uint64_t kDIBBitBltOperation = 0, kDIBBitBltWords = 8, kDIBBitBltPlainWords = 9;
constexpr uint64_t kSetDIBToDevUsage = 0, kSetDIBToDevScans = 1, kSetDIBToDevWords = 9;
// Transfers of an old device bitmap: the bitmap's width, height, row
// bytes, planes and depth (as the player reads them) start at this word,
// its rows follow.
constexpr uint64_t kStretchBltBitmap = 10, kBitBltBitmap = 7;
// A region: its fixed words (of which the count of bands is the sixth),
// then the bands.
constexpr uint64_t kRegionBands = 5, kRegionFixedWords = 11;

}  // namespace wmf

class TWmfRecord {
 public:
  // Record of Words words at Record; DataLeft bytes from it to the end of
  // the metafile. ReadPast collects how far the player reads past that end.
  TWmfRecord(uint8_t* Record, uint64_t Words, uint64_t DataLeft, uint32_t Objects, TLimits& Limits,
             uint64_t& ReadPast)
      : FRecord(Record), FBytes(Words * 2), FDataLeft(DataLeft), FObjects(Objects), FLimits(Limits),
        FReadPast(ReadPast) {}

  // Parameter words after the record header.
  void NeedWords(uint64_t Count) const {
    if (wmf::Param(Count) > FBytes) Invalid();
  }
  void NeedBytes(uint64_t Bytes) const {
    if (Bytes > FBytes) Invalid();
  }
  uint16_t Word(uint64_t Index) const {
    NeedWords(Index + 1);
    return GetU16LE(FRecord + wmf::Param(Index));
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
  // The same, of the fields the player reads from parameter word First on.
  void DeviceBitmapAt(uint64_t First) const {
    NeedWords(First + 5);
    DeviceBitmap(Word(First), Word(First + 1), Word(First + 3), Word(First + 4), wmf::Param(First + 5));
  }
  void SolidPattern(uint64_t Index) const {
    if (Word(Index) > 2) FRecord[wmf::Param(Index)] = 0, FRecord[wmf::Param(Index) + 1] = 0;
  }
  // Gives the record a function no player knows, so that it is skipped.
  void PassOver() const {
    FRecord[wmf::kFunction] = static_cast<uint8_t>(wmf::kNoFunction);
    FRecord[wmf::kFunction + 1] = static_cast<uint8_t>(wmf::kNoFunction >> 8);
  }
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
  const uint64_t bands = r.Word(wmf::kRegionBands);
  const uint64_t words = r.Size() / 2;
  uint64_t start = wmf::Param(wmf::kRegionFixedWords) / 2;  // in words from the record's start
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
  using namespace wmf;
  switch (Function) {
    // Records of fixed words only.
    case kMetaSetBkMode: case kMetaSetMapMode: case kMetaSetRop2: case kMetaSetRelAbs: case kMetaSetPolyFillMode:
    case kMetaSetStretchBltMode: case kMetaSetTextCharExtra: case kMetaRestoreDC: case kMetaSetTextAlign:
      r.NeedWords(1);
      break;
    case kMetaSetBkColor: case kMetaSetTextColor: case kMetaSetTextJustification: case kMetaSetWindowOrg:
    case kMetaSetWindowExt: case kMetaSetViewportOrg: case kMetaSetViewportExt: case kMetaOffsetWindowOrg:
    case kMetaOffsetViewportOrg: case kMetaLineTo: case kMetaMoveTo: case kMetaOffsetClipRgn:
    case kMetaSetMapperFlags:
      r.NeedWords(2);
      break;
    case kMetaScaleWindowExt: case kMetaScaleViewportExt: case kMetaExcludeClipRect: case kMetaIntersectClipRect:
    case kMetaEllipse: case kMetaFloodFill: case kMetaRectangle: case kMetaSetPixel:
      r.NeedWords(4);
      break;
    case kMetaCreatePenIndirect: case kMetaExtFloodFill: r.NeedWords(5); break;
    case kMetaRoundRect: case kMetaPatBlt: r.NeedWords(6); break;
    case kMetaArc: case kMetaPie: case kMetaChord: r.NeedWords(8); break;
    case kMetaSaveDC: r.Limits().Save(); break;

    // Objects.
    case kMetaDeleteObject: case kMetaSelectObject: case kMetaInvertRegion: case kMetaPaintRegion:
      r.Object(0);
      break;
    case kMetaSelectClipRegion: if (r.Word(0) != 0) r.Object(0); break;
    case kMetaFillRegion: r.Object(0); r.Object(1); break;  // the region, the brush
    case kMetaFrameRegion: r.NeedWords(4); r.Object(2); r.Object(3); break;
    case kMetaSelectPalette: {  // one word, the palette
      r.Object(0);
      // The system's player takes the word after it for the index: when that
      // word is no index of the table, the record is passed over.
      if (r.DataLeft() < Param(2)) Invalid();
      if (GetU16LE(r.Bytes() + Param(1)) >= r.Objects()) r.PassOver();
      break;
    }
    case kMetaCreatePatternBrush: {  // an old device bitmap or a DIB
      const uint16_t style = r.Word(kPatternStyle);
      if (style == kBsPattern) {
        r.NeedWords(2 + kPatternHeaderWords);
        const uint8_t* h = r.Bytes() + kPatternBitmap;
        const int64_t width = GetS32LE(h + 4), height = GetS32LE(h + 8);
        if (width < 0 || height < 0) Invalid();
        r.DeviceBitmap(uint64_t(width), uint64_t(height), GetU16LE(h + 12), GetU16LE(h + 14), kPatternRows);
      } else if (style == kBsDIBPatternPt) {
        r.PackedDib(kPatternBitmap, r.Word(kPatternUsage), r.Word(kPatternUsage));
      }
      break;
    }
    case kMetaDIBCreatePatternBrush:
      r.PackedDib(kPatternBitmap, r.Word(kPatternUsage), r.Word(kPatternUsage));
      break;
    case kMetaCreateFontIndirect:  // the face name is read whatever the record's size
      r.NeedWords(kFontFixedWords);
      r.ReadsFromRecord(Param(kFontFixedWords) + kFontFaceNameBytes);
      break;
    case kMetaCreateBrushIndirect: r.NeedWords(kBrushWords); r.SolidPattern(kBrushStyle); break;
    case kMetaCreatePalette: r.NeedWords(kPaletteFixedWords + 2 * uint64_t{r.Word(kPaletteCount)}); break;
    case kMetaCreateRegion: r.NeedWords(kRegionFixedWords); CheckWmfRegion(r); break;

    // Text and shapes of counted parts.
    case kMetaTextOut: {
      const int16_t length = static_cast<int16_t>(r.Word(kTextOutLength));
      if (length < 0) Invalid();
      r.NeedWords(1 + (uint64_t(length) + 1) / 2 + 2);
      break;
    }
    case kMetaExtTextOut: {
      const uint64_t length = r.Word(kExtTextOutLength);
      const bool rect = (r.Word(kExtTextOutOptions) & kEtoOpaqueOrClipped) != 0;
      r.NeedWords(kExtTextOutFixedWords + (rect ? kExtTextOutRectWords : 0));
      r.NeedBytes(Param(kExtTextOutFixedWords + (rect ? kExtTextOutRectWords : 0)) + length);
      break;
    }
    case kMetaPolygon: case kMetaPolyline: r.NeedWords(1 + 2 * uint64_t{r.Word(kPolyCount)}); break;
    case kMetaPolyPolygon: {  // counts, then all the points
      const uint64_t polys = r.Word(kPolyCount);
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
    case kMetaEscape: {
      const uint64_t count = r.Word(kEscapeBytes);
      r.NeedWords(2 + (count + 1) / 2);
      // A copy of an enhanced metafile in pieces, which the system reassembles.
      if (r.Word(kEscapeFunction) == kMetaEscapeComment && count >= 4 &&
          GetU32LE(r.Bytes() + kEscapeData) == kWmfCommentIdentifier) {
        r.NeedBytes(kEscapeData + kEmfPieceHeader);
        r.NeedBytes(kEscapeData + kEmfPieceHeader + uint64_t{GetU32LE(r.Bytes() + kEscapeData + kEmfPieceSize)});
      }
      break;
    }

    // Bitmaps.
    case kMetaStretchDIB: {
      r.NeedWords(kStretchDIBWords);
      const uint16_t usage = r.Word(kStretchDIBUsage);
      r.ForConversion(Param(kStretchDIBWords), usage, r.PackedDib(Param(kStretchDIBWords), usage, usage));
      break;
    }
    case kMetaDIBStretchBlt:
      r.NeedWords(kDIBStretchBltWords);
      r.ForConversion(Param(kDIBStretchBltWords), 0, r.PackedDib(Param(kDIBStretchBltWords), 0, 0));
      break;
    case kMetaDIBBitBlt:  // the low word of the operation stands where a colour usage would
      if (r.Size() > Param(kDIBBitBltPlainWords)) {
        r.NeedWords(kDIBBitBltWords);
        r.ForConversion(Param(kDIBBitBltWords), 0,
                        r.PackedDib(Param(kDIBBitBltWords), 0, r.Word(kDIBBitBltOperation)));
      } else {
        r.NeedWords(kDIBBitBltPlainWords);
      }
      break;
    case kMetaSetDIBToDev: {  // the scans given, but all rows of a top-down bitmap for the conversion
      r.NeedWords(kSetDIBToDevWords);
      r.NeedBytes(Param(kSetDIBToDevWords) + 40);
      const uint8_t* header = r.Bytes() + Param(kSetDIBToDevWords);
      const bool topDown = GetU32LE(header) != 12 && GetS32LE(header + 8) < 0;
      const uint16_t usage = r.Word(kSetDIBToDevUsage);
      const uint64_t rows = topDown ? kAllRows : r.Word(kSetDIBToDevScans);
      r.ForConversion(Param(kSetDIBToDevWords), usage, r.PackedDib(Param(kSetDIBToDevWords), usage, usage, rows));
      break;
    }
    case kMetaStretchBlt: r.DeviceBitmapAt(kStretchBltBitmap); break;  // of an old device bitmap
    case kMetaBitBlt: r.DeviceBitmapAt(kBitBltBitmap); break;
    default: break;  // kinds the system passes over, or that carry nothing it reads
  }
}

}  // namespace

std::vector<uint8_t> CheckWindowsMetafileRecords(std::vector<uint8_t> Records) {
  using wmf::kHeaderSize;
  uint8_t* data = Records.data();
  const size_t size = Records.size();
  if (size < kHeaderSize) Invalid();
  const uint16_t type = GetU16LE(data), headerWords = GetU16LE(data + wmf::kHeaderWords);
  if ((type != 1 && type != 2) || headerWords != kHeaderSize / 2) Invalid();
  uint64_t total = uint64_t{GetU32LE(data + wmf::kHeaderSizeWords)} * 2;
  if (total < kHeaderSize) Invalid();
  if (total > size) {
    // Writers that count the placeable header in the total, and others:
    // the records present are the metafile.
    total = size & ~size_t{1};
    PutU32LE(data + wmf::kHeaderSizeWords, static_cast<uint32_t>(total / 2));
  }
  const uint32_t objects = GetU16LE(data + wmf::kHeaderObjects);
  TLimits limits;
  uint64_t readPast = 0;
  size_t pos = kHeaderSize;
  while (pos < total) {
    if (total - pos < wmf::kRecordHeader) Invalid();
    const uint64_t words = GetU32LE(data + pos);
    const uint16_t function = GetU16LE(data + pos + wmf::kFunction);
    if (words < wmf::kRecordHeader / 2 || words * 2 > total - pos) Invalid();
    if (function == kMetaEof) break;
    CheckWmfRecord(function, TWmfRecord(data + pos, words, total - pos, objects, limits, readPast));
    pos += static_cast<size_t>(words * 2);
  }
  Records.resize(static_cast<size_t>(total));
  Records.resize(static_cast<size_t>(total + readPast), 0);
  return Records;
}

}  // namespace vr
