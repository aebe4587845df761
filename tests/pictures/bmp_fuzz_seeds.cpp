// The starting corpus of bmp_fuzz: every depth, bit fields, the core header,
// the larger headers, top-down rows, short colour tables and RLE files.
#include <string>

#include "support/seed_writer.h"

using seeds::Bytes;

namespace {

// A file of W × H pixels at Bits, with HeaderSize bytes of header (12 = core).
Bytes Bitmap(int32_t w, int32_t h, uint16_t bits, uint32_t headerSize = 40, uint32_t compression = 0,
             uint32_t clrUsed = 0) {
  const uint32_t colours = bits <= 8 ? (clrUsed ? clrUsed : 1u << bits) : 0;
  const uint32_t entry = headerSize == 12 ? 3 : 4;
  const uint32_t masks = compression == 3 && headerSize == 40 ? 12 : 0;
  const uint32_t row = ((uint32_t(w < 0 ? -w : w) * bits + 31) / 32) * 4;
  const uint32_t height = uint32_t(h < 0 ? -h : h);
  const uint32_t offset = 14 + headerSize + masks + colours * entry;
  Bytes b;
  b.u16(0x4D42).u32(offset + row * height).u32(0).u32(offset);
  if (headerSize == 12) {
    b.u32(12).u16(uint16_t(w)).u16(uint16_t(h)).u16(1).u16(bits);
  } else {
    b.u32(headerSize).u32(uint32_t(w)).u32(uint32_t(h)).u16(1).u16(bits);
    b.u32(compression).u32(row * height).u32(2835).u32(2835).u32(clrUsed).u32(0);
    if (headerSize > 40) {
      b.u32(0xF800).u32(0x07E0).u32(0x001F).u32(0);  // masks inside the larger header
      b.fill(headerSize - 56, 0);
    }
  }
  if (masks) b.u32(0x00FF0000).u32(0x0000FF00).u32(0x000000FF);
  for (uint32_t i = 0; i < colours; ++i) {
    b.u8(uint8_t(i * 37)).u8(uint8_t(i * 11)).u8(uint8_t(255 - i));
    if (entry == 4) b.u8(0);
  }
  for (uint32_t i = 0; i < row * height; ++i) b.u8(uint8_t(i * 13 + 7));
  return b;
}

// An RLE file: Bits 8 or 4, runs, literals, a delta and the end marks.
Bytes Rle(uint16_t bits) {
  const Bytes pixels = Bytes().u8(4).u8(1).u8(0).u8(3).u8(2).u8(3).u8(1).u8(0).u8(0).u8(0).u8(2).u8(1).u8(1)
                           .u8(3).u8(2).u8(0).u8(0).u8(0).u8(1);
  Bytes b;
  const uint32_t colours = 1u << bits, offset = 14 + 40 + colours * 4;
  b.u16(0x4D42).u32(offset + uint32_t(pixels.v.size())).u32(0).u32(offset);
  b.u32(40).u32(6).u32(4).u16(1).u16(bits).u32(bits == 8 ? 1 : 2).u32(uint32_t(pixels.v.size()));
  b.u32(0).u32(0).u32(0).u32(0);
  for (uint32_t i = 0; i < colours; ++i) b.u8(uint8_t(i)).u8(uint8_t(i * 2)).u8(uint8_t(i * 3)).u8(0);
  return b.add(pixels.v);
}

}  // namespace

int main(int argc, char** argv) {
  seeds::Start(argc, argv);
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) seeds::Write("d" + std::to_string(bits) + ".bmp", Bitmap(7, 5, bits).v);
  seeds::Write("core8.bmp", Bitmap(5, 3, 8, 12).v);
  seeds::Write("core24.bmp", Bitmap(5, 3, 24, 12).v);
  seeds::Write("fields16.bmp", Bitmap(6, 4, 16, 40, 3).v);
  seeds::Write("fields32.bmp", Bitmap(6, 4, 32, 40, 3).v);
  seeds::Write("v4_fields16.bmp", Bitmap(6, 4, 16, 108, 3).v);
  seeds::Write("v5_24.bmp", Bitmap(6, 4, 24, 124).v);
  seeds::Write("topdown8.bmp", Bitmap(9, -3, 8).v);
  seeds::Write("used12.bmp", Bitmap(8, 2, 8, 40, 0, 12).v);
  seeds::Write("rle8.bmp", Rle(8).v);
  seeds::Write("rle4.bmp", Rle(4).v);
  return 0;
}
