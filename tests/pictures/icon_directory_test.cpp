#include <doctest/doctest.h>

#include "support/byte_writer.h"

#include <vector>

#include "pictures/graphic_errors.h"
#include "pictures/icon/icon_directory.h"

using namespace vr;

namespace {

using Bytes = vr::test::TByteWriter;

// The DIB of an icon image: header (height doubled), colour table, colour
// pixels, mask pixels.
std::vector<uint8_t> IconDib(int w, int h, int bits, bool withMask = true) {
  Bytes b;
  b.u32(40).u32(uint32_t(w)).u32(uint32_t(h * 2)).u16(1).u16(uint16_t(bits)).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
  if (bits <= 8)
    for (int i = 0; i < (1 << bits); ++i) b.u8(uint8_t(i)).u8(uint8_t(i)).u8(uint8_t(i)).u8(0);
  size_t row = ((size_t(w) * bits + 31) / 32) * 4;
  b.fill(row * h, 0x5A);
  if (withMask) b.fill(((size_t(w) + 31) / 32) * 4 * h, 0xFF);
  return b.v;
}

struct Image {
  int w, h, colours;
  std::vector<uint8_t> data;
};

// An icon file: header, directory, then the images in order.
std::vector<uint8_t> IcoFile(const std::vector<Image>& images, uint16_t type = 1) {
  Bytes b;
  b.u16(0).u16(type).u16(uint16_t(images.size()));
  uint32_t offset = uint32_t(6 + 16 * images.size());
  for (const Image& im : images) {
    b.u8(uint8_t(im.w)).u8(uint8_t(im.h)).u8(uint8_t(im.colours)).u8(0).u16(1).u16(4);
    b.u32(uint32_t(im.data.size())).u32(offset);
    offset += uint32_t(im.data.size());
  }
  for (const Image& im : images) b.v.insert(b.v.end(), im.data.begin(), im.data.end());
  return b.v;
}

#define CHECK_INVALID_ICON(expr) CHECK_THROWS_WITH_AS(expr, "Icon image is not valid", EInvalidGraphic)

}  // namespace

TEST_CASE("the load check refuses cursors and short headers, and accepts type 0") {
  std::vector<uint8_t> ico = IcoFile({{16, 16, 16, IconDib(16, 16, 4)}});
  CHECK(CheckIconFile(ico.data(), ico.size()) == 1);
  ico[2] = 2;  // a cursor
  CHECK_INVALID_ICON(CheckIconFile(ico.data(), ico.size()));
  const uint8_t zero[6] = {0, 0, 0, 0, 0, 0};
  CHECK(CheckIconFile(zero, 6) == 0);
  CHECK_THROWS_WITH_AS(CheckIconFile(zero, 5), "Stream read error", EReadError);
  CHECK(ReadIconDirectory(zero, 6).Entries.empty());
}

TEST_CASE("the directory: no images, a directory past the end, entries outside the file, PNG entries") {
  const uint8_t none[6] = {0, 0, 1, 0, 0, 0};
  CHECK_INVALID_ICON(ReadIconDirectory(none, 6));

  std::vector<uint8_t> ico = IcoFile({{16, 16, 16, IconDib(16, 16, 4)}});
  ico[4] = 100;  // a hundred entries claimed, one present
  CHECK_INVALID_ICON(ReadIconDirectory(ico.data(), ico.size()));

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13};
  std::vector<uint8_t> two = IcoFile({{16, 16, 16, IconDib(16, 16, 4)}, {0, 0, 0, png}});
  TIconDirectory d2 = ReadIconDirectory(two.data(), two.size());
  CHECK(d2.Entries[0].InBounds);
  CHECK_FALSE(d2.Entries[0].IsPng);
  CHECK(d2.Entries[1].InBounds);
  CHECK(d2.Entries[1].IsPng);
  CHECK(d2.Entries[1].Width() == 256);  // 0 in the directory means 256
  two[6 + 16 + 15] = 0x10;  // the second entry's offset far outside the file
  TIconDirectory d1 = ReadIconDirectory(two.data(), two.size());
  CHECK_FALSE(d1.Entries[1].InBounds);
  CHECK_FALSE(d1.Entries[1].IsPng);
}

TEST_CASE("the entry chosen for a display and a target size") {
  std::vector<uint8_t> a = IconDib(16, 16, 4), b = IconDib(32, 32, 4);
  std::vector<uint8_t> same = IcoFile({{16, 16, 16, a}, {32, 32, 16, b}});
  TIconDirectory d = ReadIconDirectory(same.data(), same.size());
  CHECK(ChooseIconEntry(d, 32, 32, 32) == 1);
  CHECK(ChooseIconEntry(d, 16, 16, 32) == 0);
  CHECK(ChooseIconEntry(d, 24, 24, 32) == 0);  // 16 is nearer below than 32 above

  // On a 16-colour display a 256-colour entry (count 0 = many) is passed over.
  std::vector<uint8_t> colours = IcoFile({{32, 32, 16, b}, {32, 32, 0, b}});
  TIconDirectory dc = ReadIconDirectory(colours.data(), colours.size());
  CHECK(ChooseIconEntry(dc, 32, 32, 4) == 0);
  CHECK(ChooseIconEntry(dc, 32, 32, 24) == 1);

  // Equal entries: the later one wins.
  std::vector<uint8_t> tie = IcoFile({{32, 32, 16, b}, {32, 32, 16, b}});
  TIconDirectory dt = ReadIconDirectory(tie.data(), tie.size());
  CHECK(ChooseIconEntry(dt, 32, 32, 32) == 1);

  // A lone 48 × 48 entry is taken whatever the target.
  std::vector<uint8_t> only = IcoFile({{48, 48, 16, IconDib(48, 48, 4)}});
  TIconDirectory d48 = ReadIconDirectory(only.data(), only.size());
  CHECK(ChooseIconEntry(d48, 32, 32, 32) == 0);

  // An entry whose bytes are outside the file is never chosen.
  std::vector<uint8_t> broken = same;
  broken[6 + 16 + 8] = 0xFF;  // second entry's size runs past the end
  broken[6 + 16 + 9] = 0xFF;
  TIconDirectory db = ReadIconDirectory(broken.data(), broken.size());
  CHECK(ChooseIconEntry(db, 32, 32, 32) == 0);
  broken[6 + 8] = 0xFF;
  broken[6 + 9] = 0xFF;
  TIconDirectory dn = ReadIconDirectory(broken.data(), broken.size());
  CHECK_INVALID_ICON(ChooseIconEntry(dn, 32, 32, 32));
}

TEST_CASE("an icon image splits into header, colours, colour pixels and mask") {
  std::vector<uint8_t> ico = IcoFile({{32, 32, 16, IconDib(32, 32, 4)}});
  TIconDirectory d = ReadIconDirectory(ico.data(), ico.size());
  TIconImageParts parts = SplitIconImage(ico.data(), ico.size(), d.Entries[0]);
  CHECK(parts.Header.biWidth == 32);
  CHECK(parts.Header.biHeight == 32);  // halved
  CHECK(parts.ColorTable.size() == 16);
  CHECK(parts.ColorTable[5] == TRGBQuad{5, 5, 5, 0});
  CHECK(parts.ColorBitsSize == 16 * 32);
  CHECK(parts.ColorBits[0] == 0x5A);
  CHECK(parts.MaskRowSize == 4);
  CHECK(parts.MaskBitsSize == 4 * 32);
  CHECK(parts.MaskBits[0] == 0xFF);

  std::vector<uint8_t> truecolour = IcoFile({{16, 16, 0, IconDib(16, 16, 32)}});
  TIconDirectory dt = ReadIconDirectory(truecolour.data(), truecolour.size());
  TIconImageParts pt = SplitIconImage(truecolour.data(), truecolour.size(), dt.Entries[0]);
  CHECK(pt.ColorTable.empty());
  CHECK(pt.ColorBitsSize == 16 * 16 * 4);
}

TEST_CASE("damaged icon images: a mask cut short is given as far as it goes, anything else is refused") {
  std::vector<uint8_t> dib = IconDib(32, 32, 4);
  dib.resize(dib.size() - 10);
  std::vector<uint8_t> cut = IcoFile({{32, 32, 16, dib}});
  TIconDirectory d = ReadIconDirectory(cut.data(), cut.size());
  TIconImageParts p = SplitIconImage(cut.data(), cut.size(), d.Entries[0]);
  CHECK(p.MaskBitsSize == 4 * 32 - 10);

  std::vector<uint8_t> shortColours = IconDib(32, 32, 4, false);
  shortColours.resize(shortColours.size() - 1);
  std::vector<uint8_t> sc = IcoFile({{32, 32, 16, shortColours}});
  TIconDirectory ds = ReadIconDirectory(sc.data(), sc.size());
  CHECK_INVALID_ICON(SplitIconImage(sc.data(), sc.size(), ds.Entries[0]));

  std::vector<uint8_t> huge = IconDib(32, 32, 4);
  huge[4] = 0xFF; huge[5] = 0xFF; huge[6] = 0xFF; huge[7] = 0x00;  // width 16 million
  std::vector<uint8_t> hf = IcoFile({{32, 32, 16, huge}});
  TIconDirectory dh = ReadIconDirectory(hf.data(), hf.size());
  CHECK_INVALID_ICON(SplitIconImage(hf.data(), hf.size(), dh.Entries[0]));

  std::vector<uint8_t> core = IconDib(32, 32, 4);
  core[0] = 12;  // a core header is not an icon image
  std::vector<uint8_t> cf = IcoFile({{32, 32, 16, core}});
  TIconDirectory dcore = ReadIconDirectory(cf.data(), cf.size());
  CHECK_INVALID_ICON(SplitIconImage(cf.data(), cf.size(), dcore.Entries[0]));
}

TEST_CASE("icon images in depths bitmaps do not have, or compressed, are refused") {
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    std::vector<uint8_t> ico = IcoFile({{8, 8, 0, IconDib(8, 8, bits)}});
    TIconDirectory d = ReadIconDirectory(ico.data(), ico.size());
    CHECK(SplitIconImage(ico.data(), ico.size(), d.Entries[0]).Header.biBitCount == bits);
  }
  for (int bits : {2, 3, 7, 64}) {
    std::vector<uint8_t> ico = IcoFile({{8, 8, 0, IconDib(8, 8, 8)}});
    ico[6 + 16 + 14] = uint8_t(bits);
    TIconDirectory d = ReadIconDirectory(ico.data(), ico.size());
    CHECK_INVALID_ICON(SplitIconImage(ico.data(), ico.size(), d.Entries[0]));
  }
  std::vector<uint8_t> rle = IcoFile({{8, 8, 0, IconDib(8, 8, 8)}});
  rle[6 + 16 + 16] = 1;
  TIconDirectory d = ReadIconDirectory(rle.data(), rle.size());
  CHECK_INVALID_ICON(SplitIconImage(rle.data(), rle.size(), d.Entries[0]));
}
