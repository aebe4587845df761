// The starting corpus of metafile_fuzz: an EMF with a reference device and
// a few records, placeable WMFs with and without an inch value, and both
// kinds with a run-length bitmap (and the WMF with a font record whose face
// name ends the data).
#include "pictures/metafile/metafile_header.h"
#include "support/seed_writer.h"

using seeds::Bytes;

namespace {

// A 4 × 4 8-bit bitmap of run-length codes: header, 2 colours, 4 rows and the end.
std::vector<uint8_t> RunLengthDib() {
  Bytes b;
  b.u32(40).u32(4).u32(4).u16(1).u16(8).u32(1).u32(20).u32(0).u32(0).u32(2).u32(0);
  b.u32(0x0000FF).u32(0xFF0000);
  for (int row = 0; row < 4; ++row) b.u8(2).u8(0).u8(2).u8(1);
  b.u8(0).u8(1).u8(0).u8(0);
  return b.v;
}

std::vector<uint8_t> Placeable(int16_t right, int16_t bottom, uint16_t inch, const std::vector<uint8_t>& records = {}) {
  Bytes b;
  b.u32(vr::kPlaceableKey).u16(0).u16(0).u16(0).u16(uint16_t(right)).u16(uint16_t(bottom)).u16(inch).u32(0);
  b.u16(vr::PlaceableChecksum(b.v.data()));
  const uint32_t words = uint32_t(9 + records.size() / 2 + 3);
  b.u16(1).u16(9).u16(0x300).u32(words).u16(1).u32(0).u16(0);  // the metafile header record
  b.add(records);
  b.u32(3).u16(0);  // end of file
  return b.v;
}

std::vector<uint8_t> WmfRecords() {
  Bytes r;
  const std::vector<uint8_t> dib = RunLengthDib();
  r.u32(uint32_t(3 + 11 + dib.size() / 2)).u16(0x0F43);  // stretched DIB
  r.u16(0x0020).u16(0x00CC).u16(0).u16(4).u16(4).u16(0).u16(0).u16(200).u16(300).u16(0).u16(0).add(dib);
  r.u32(3 + 9 + 2).u16(0x02FB).u16(uint16_t(-12)).fill(16, 0).u8('S').u8(0).u8(0).u8(0);  // font
  return r.v;
}

std::vector<uint8_t> Emf(int32_t right, int32_t bottom, bool bitmap = false) {
  const std::vector<uint8_t> dib = RunLengthDib();
  const uint32_t stretchSize = bitmap ? uint32_t(80 + dib.size()) : 0;
  Bytes b;
  b.u32(1).u32(100);
  b.u32(0).u32(0).u32(100).u32(80);
  b.u32(0).u32(0).u32(uint32_t(right)).u32(uint32_t(bottom));
  b.u32(vr::kEmfSignature).u32(0x10000).u32(120 + stretchSize).u32(bitmap ? 3 : 2).u16(1).u16(0);
  b.u32(0).u32(0).u32(0);
  b.u32(1024).u32(768).u32(320).u32(240);
  b.fill(100 - b.v.size(), 0);
  if (bitmap) {  // stretched DIB: bounds, destination, source, the bitmap's offsets, usage, operation, size
    b.u32(81).u32(stretchSize).u32(0).u32(0).u32(99).u32(49).u32(0).u32(0).u32(0).u32(0).u32(4).u32(4);
    b.u32(80).u32(48).u32(128).u32(uint32_t(dib.size() - 48)).u32(0).u32(0x00CC0020).u32(100).u32(50).add(dib);
  }
  b.u32(14).u32(20).u32(0).u32(16).u32(20);  // end-of-file record
  return b.v;
}

}  // namespace

int main(int argc, char** argv) {
  seeds::Start(argc, argv);
  seeds::Write("frame.emf", Emf(2540, 1270));
  seeds::Write("inch1440.wmf", Placeable(1440, 720, 1440));
  seeds::Write("inch0.wmf", Placeable(300, 200, 0));
  seeds::Write("run-length.emf", Emf(2540, 1270, true));
  seeds::Write("run-length-font.wmf", Placeable(300, 200, 1440, WmfRecords()));
  return 0;
}
