// The starting corpus of icon_fuzz: icons of several images at each depth,
// one with a PNG image, one with a short mask and the type-0 file.
#include "support/seed_writer.h"

using seeds::Bytes;

namespace {

std::vector<uint8_t> IconDib(int w, int h, int bits) {
  Bytes b;
  b.u32(40).u32(uint32_t(w)).u32(uint32_t(h * 2)).u16(1).u16(uint16_t(bits)).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
  if (bits <= 8)
    for (int i = 0; i < (1 << bits); ++i) b.u8(uint8_t(i * 3)).u8(uint8_t(i)).u8(uint8_t(255 - i)).u8(0);
  const size_t row = ((size_t(w) * bits + 31) / 32) * 4;
  for (size_t i = 0; i < row * h; ++i) b.u8(uint8_t(i * 29 + 1));
  b.fill(((size_t(w) + 31) / 32) * 4 * h, 0x0F);
  return b.v;
}

struct Image {
  int w, h, colours, bits;
  std::vector<uint8_t> data;
};

std::vector<uint8_t> IcoFile(const std::vector<Image>& images, uint16_t type = 1) {
  Bytes b;
  b.u16(0).u16(type).u16(uint16_t(images.size()));
  uint32_t offset = uint32_t(6 + 16 * images.size());
  for (const Image& im : images) {
    b.u8(uint8_t(im.w)).u8(uint8_t(im.h)).u8(uint8_t(im.colours)).u8(0).u16(1).u16(uint16_t(im.bits));
    b.u32(uint32_t(im.data.size())).u32(offset);
    offset += uint32_t(im.data.size());
  }
  for (const Image& im : images) b.add(im.data);
  return b.v;
}

}  // namespace

int main(int argc, char** argv) {
  seeds::Start(argc, argv);
  seeds::Write("depths.ico", IcoFile({{16, 16, 2, 1, IconDib(16, 16, 1)},
                                      {16, 16, 16, 4, IconDib(16, 16, 4)},
                                      {8, 8, 0, 8, IconDib(8, 8, 8)},
                                      {4, 6, 0, 24, IconDib(4, 6, 24)},
                                      {5, 5, 0, 32, IconDib(5, 5, 32)}}));
  const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                    0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0, 0x1F, 0x15, 0xC4, 0x89};
  seeds::Write("png_entry.ico", IcoFile({{0, 0, 0, 32, png}, {16, 16, 16, 4, IconDib(16, 16, 4)}}));
  std::vector<uint8_t> shortMask = IconDib(32, 32, 4);
  shortMask.resize(shortMask.size() - 40);
  seeds::Write("short_mask.ico", IcoFile({{32, 32, 16, 4, shortMask}}));
  seeds::Write("type0.ico", IcoFile({}, 0));
  return 0;
}
