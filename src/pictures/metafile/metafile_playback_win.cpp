// Playback of an enhanced metafile record by record, passing over the
// shapes that lie absurdly far outside any picture.
//
// The records were checked when the file was loaded (sizes, counts,
// indices), but where a shape lands on the device is only known while
// playing: a damaged file can put an ellipse or a wide pen millions of
// pixels away, and some systems' rasterizers then take seconds per shape or
// fail outright (an ellipse two million pixels wide crashes one of them).
// Each drawing record is therefore mapped to device coordinates with the
// transformation in force at that moment, and skipped when any of its
// points, or the width of a pen being selected, goes beyond
// kMaxDeviceCoordinate. No picture drawn into a window comes near that.
#include "pictures/metafile/metafile_playback_win.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vr {

namespace {

constexpr int64_t kMaxDeviceCoordinate = int64_t{1} << 17;

bool Fits(const POINT& P) {
  return std::llabs(int64_t{P.x}) <= kMaxDeviceCoordinate && std::llabs(int64_t{P.y}) <= kMaxDeviceCoordinate;
}

bool PointsFit(HDC DC, std::vector<POINT>& Points) {
  if (Points.empty()) return true;
  if (!LPtoDP(DC, Points.data(), static_cast<int>(Points.size()))) return false;
  for (const POINT& p : Points)
    if (!Fits(p)) return false;
  return true;
}

int32_t Long(const ENHMETARECORD* Record, size_t Offset) {
  int32_t v;
  std::memcpy(&v, reinterpret_cast<const uint8_t*>(Record) + Offset, sizeof v);
  return v;
}

int16_t Short(const ENHMETARECORD* Record, size_t Offset) {
  int16_t v;
  std::memcpy(&v, reinterpret_cast<const uint8_t*>(Record) + Offset, sizeof v);
  return v;
}

// The four corners of the rectangle at Offset.
bool BoxFits(HDC DC, const ENHMETARECORD* Record, size_t Offset) {
  const LONG l = Long(Record, Offset), t = Long(Record, Offset + 4), r = Long(Record, Offset + 8),
             b = Long(Record, Offset + 12);
  std::vector<POINT> corners = {{l, t}, {r, t}, {r, b}, {l, b}};
  return PointsFit(DC, corners);
}

// A length along both axes, as the device sees it.
bool LengthFits(HDC DC, int64_t Length) {
  if (std::llabs(Length) > kMaxDeviceCoordinate * 64) return false;
  const LONG n = static_cast<LONG>(Length);
  POINT p[3] = {{0, 0}, {n, 0}, {0, n}};
  if (!LPtoDP(DC, p, 3)) return false;
  for (int i = 1; i < 3; ++i) {
    const POINT d{p[i].x - p[0].x, p[i].y - p[0].y};
    if (!Fits(d)) return false;
  }
  return true;
}

// Count points after Offset, 32 or 16 bits a coordinate.
bool CountedPointsFit(HDC DC, const ENHMETARECORD* Record, size_t Offset, uint32_t Count, bool Short16) {
  std::vector<POINT> points(Count);
  for (uint32_t i = 0; i < Count; ++i)
    points[i] = Short16 ? POINT{Short(Record, Offset + 4 * i), Short(Record, Offset + 4 * i + 2)}
                        : POINT{Long(Record, Offset + 8 * i), Long(Record, Offset + 8 * i + 4)};
  return PointsFit(DC, points);
}

// The width of a pen about to be selected.
bool PenFits(HDC DC, HGDIOBJ Object) {
  switch (GetObjectType(Object)) {
    case OBJ_PEN: {
      LOGPEN pen{};
      if (GetObjectW(Object, sizeof pen, &pen) == 0) return true;
      return LengthFits(DC, pen.lopnWidth.x);
    }
    case OBJ_EXTPEN: {
      const int size = GetObjectW(Object, 0, nullptr);
      if (size < static_cast<int>(sizeof(EXTLOGPEN) - sizeof(DWORD))) return true;
      std::vector<uint8_t> buffer(static_cast<size_t>(size) + sizeof(DWORD));
      if (GetObjectW(Object, size, buffer.data()) == 0) return true;
      EXTLOGPEN pen;
      std::memcpy(&pen, buffer.data(), sizeof pen);
      return LengthFits(DC, pen.elpWidth);
    }
    default: return true;
  }
}

bool RecordFits(HDC DC, HANDLETABLE* Table, const ENHMETARECORD* Record, int Handles) {
  switch (Record->iType) {
    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO: case EMR_POLYLINETO:
    case EMR_POLYDRAW:
      return CountedPointsFit(DC, Record, 28, static_cast<uint32_t>(Long(Record, 24)), false);
    case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16: case EMR_POLYDRAW16:
      return CountedPointsFit(DC, Record, 28, static_cast<uint32_t>(Long(Record, 24)), true);
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: {
      const uint32_t polys = static_cast<uint32_t>(Long(Record, 24));
      return CountedPointsFit(DC, Record, 32 + 4 * size_t{polys}, static_cast<uint32_t>(Long(Record, 28)), false);
    }
    case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: {
      const uint32_t polys = static_cast<uint32_t>(Long(Record, 24));
      return CountedPointsFit(DC, Record, 32 + 4 * size_t{polys}, static_cast<uint32_t>(Long(Record, 28)), true);
    }
    case EMR_ELLIPSE: case EMR_ARC: case EMR_CHORD: case EMR_PIE: case EMR_ARCTO:
      return BoxFits(DC, Record, 8);
    case EMR_ROUNDRECT:
      return BoxFits(DC, Record, 8) && LengthFits(DC, Long(Record, 24)) && LengthFits(DC, Long(Record, 28));
    case EMR_ANGLEARC: {  // centre and radius
      const int64_t x = Long(Record, 8), y = Long(Record, 12), r = static_cast<uint32_t>(Long(Record, 16));
      if (r > kMaxDeviceCoordinate * 64 || std::llabs(x) + r > INT32_MAX || std::llabs(y) + r > INT32_MAX) return false;
      std::vector<POINT> box = {{LONG(x - r), LONG(y - r)}, {LONG(x + r), LONG(y + r)}};
      return PointsFit(DC, box);
    }
    case EMR_MOVETOEX: case EMR_LINETO: {
      std::vector<POINT> point = {{Long(Record, 8), Long(Record, 12)}};
      return PointsFit(DC, point);
    }
    case EMR_SELECTOBJECT: {
      const uint32_t index = static_cast<uint32_t>(Long(Record, 8));
      if ((index & 0x80000000u) != 0 || index >= static_cast<uint32_t>(Handles)) return true;
      HGDIOBJ object = Table->objectHandle[index];
      return object == nullptr || PenFits(DC, object);
    }
    default: return true;
  }
}

int CALLBACK PlayFittingRecord(HDC DC, HANDLETABLE* Table, const ENHMETARECORD* Record, int Handles, LPARAM) {
  if (RecordFits(DC, Table, Record, Handles)) PlayEnhMetaFileRecord(DC, Table, Record, static_cast<UINT>(Handles));
  return TRUE;  // on to the next record whatever this one did
}

}  // namespace

void PlayMetafileRecords(HDC DC, HENHMETAFILE Metafile, const RECT& Target) {
  EnumEnhMetaFile(DC, Metafile, PlayFittingRecord, nullptr, &Target);
}

}  // namespace vr
