// The starting corpus of metafile_fuzz: an EMF with a reference device and
// a few records, and placeable WMFs with and without an inch value.
#include "pictures/metafile_header.h"
#include "support/seed_writer.h"

using seeds::Bytes;

namespace {

std::vector<uint8_t> Placeable(int16_t right, int16_t bottom, uint16_t inch) {
  Bytes b;
  b.u32(vr::kPlaceableKey).u16(0).u16(0).u16(0).u16(uint16_t(right)).u16(uint16_t(bottom)).u16(inch).u32(0);
  b.u16(vr::PlaceableChecksum(b.v.data()));
  b.u16(1).u16(9).u16(0x300).u32(20).u16(1).u32(0).u16(0);  // the metafile header record
  b.u32(3).u16(0);                                          // end of file
  return b.v;
}

std::vector<uint8_t> Emf(int32_t right, int32_t bottom) {
  Bytes b;
  b.u32(1).u32(100);
  b.u32(0).u32(0).u32(100).u32(80);
  b.u32(0).u32(0).u32(uint32_t(right)).u32(uint32_t(bottom));
  b.u32(vr::kEmfSignature).u32(0x10000).u32(120).u32(2).u16(1).u16(0);
  b.u32(0).u32(0).u32(0);
  b.u32(1024).u32(768).u32(320).u32(240);
  b.fill(100 - b.v.size(), 0);
  b.u32(14).u32(20).u32(0).u32(16).u32(20);  // end-of-file record
  return b.v;
}

}  // namespace

int main(int argc, char** argv) {
  seeds::Start(argc, argv);
  seeds::Write("frame.emf", Emf(2540, 1270));
  seeds::Write("inch1440.wmf", Placeable(1440, 720, 1440));
  seeds::Write("inch0.wmf", Placeable(300, 200, 0));
  return 0;
}
