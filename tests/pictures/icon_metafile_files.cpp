#include "pictures/icon_metafile_files.h"

#include <algorithm>

#include "pictures/picture_test_support.h"
#include "platform/handles.h"
#include "platform/byte_order.h"

namespace vr::test {

std::vector<uint8_t> IconImage(const TPixelRows& Rows, uint16_t Bits, const std::vector<uint32_t>& Colors,
                               uint32_t Transparent) {
  const int height = int(Rows.size());
  const int width = height > 0 ? int(Rows[0].size()) : 0;
  TByteWriter b;
  b.u32(40).u32(uint32_t(width)).u32(uint32_t(height * 2)).u16(1).u16(Bits);
  b.u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
  if (Bits <= 8) {
    for (size_t i = 0; i < (size_t{1} << Bits); ++i) {
      const uint32_t c = i < Colors.size() ? Colors[i] : 0;
      b.u8(uint8_t(c)).u8(uint8_t(c >> 8)).u8(uint8_t(c >> 16)).u8(0);
    }
  }
  const auto indexOf = [&](uint32_t c) { return uint32_t(std::find(Colors.begin(), Colors.end(), c) - Colors.begin()); };
  const size_t stride = ((size_t(width) * Bits + 31) / 32) * 4;
  std::vector<uint8_t> colour(stride * size_t(height), 0);
  const size_t maskStride = ((size_t(width) + 31) / 32) * 4;
  std::vector<uint8_t> mask(maskStride * size_t(height), 0);
  for (int y = 0; y < height; ++y) {
    // Rows are stored bottom-up.
    uint8_t* row = colour.data() + stride * size_t(height - 1 - y);
    uint8_t* maskRow = mask.data() + maskStride * size_t(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      uint32_t c = Rows[size_t(y)][size_t(x)];
      if (c == Transparent) {
        maskRow[x / 8] |= uint8_t(0x80 >> (x % 8));
        c = Bits <= 8 ? Colors.at(0) : 0;
      }
      const uint8_t r = uint8_t(c >> 16), g = uint8_t(c >> 8), bl = uint8_t(c);
      switch (Bits) {
        case 1: row[x / 8] |= uint8_t(indexOf(c) << (7 - x % 8)); break;
        case 4: row[x / 2] |= uint8_t(indexOf(c) << (x % 2 == 0 ? 4 : 0)); break;
        case 8: row[x] = uint8_t(indexOf(c)); break;
        case 16: {
          const uint16_t v = uint16_t((r >> 3) << 10 | (g >> 3) << 5 | (bl >> 3));
          row[2 * x] = uint8_t(v);
          row[2 * x + 1] = uint8_t(v >> 8);
          break;
        }
        case 24:
          row[3 * x] = bl, row[3 * x + 1] = g, row[3 * x + 2] = r;
          break;
        case 32:
          row[4 * x] = bl, row[4 * x + 1] = g, row[4 * x + 2] = r, row[4 * x + 3] = uint8_t(c >> 24);
          break;
      }
    }
  }
  b.v.insert(b.v.end(), colour.begin(), colour.end());
  b.v.insert(b.v.end(), mask.begin(), mask.end());
  return b.v;
}

std::vector<uint8_t> IcoFile(const std::vector<TIconEntry>& Entries, uint16_t Type) {
  TByteWriter b;
  b.u16(0).u16(Type).u16(uint16_t(Entries.size()));
  uint32_t offset = uint32_t(6 + 16 * Entries.size());
  for (const TIconEntry& e : Entries) {
    b.u8(e.Width).u8(e.Height).u8(e.ColourCount).u8(0).u16(1).u16(e.Bits);
    b.u32(uint32_t(e.Image.size())).u32(offset);
    offset += uint32_t(e.Image.size());
  }
  for (const TIconEntry& e : Entries) b.v.insert(b.v.end(), e.Image.begin(), e.Image.end());
  return b.v;
}

TPixelRows Framed(int Width, int Height, uint32_t Inner, uint32_t Border, int BorderWidth) {
  TPixelRows rows(size_t(Height), std::vector<uint32_t>(size_t(Width), Inner));
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      if (x < BorderWidth || y < BorderWidth || x >= Width - BorderWidth || y >= Height - BorderWidth)
        rows[size_t(y)][size_t(x)] = Border;
  return rows;
}

std::vector<uint8_t> RecordWmf(const std::function<void(HDC)>& Draw) {
  HDC dc = CreateMetaFileA(nullptr);
  Draw(dc);
  HMETAFILE metafile = CloseMetaFile(dc);
  std::vector<uint8_t> bytes(GetMetaFileBitsEx(metafile, 0, nullptr));
  GetMetaFileBitsEx(metafile, UINT(bytes.size()), bytes.data());
  DeleteMetaFile(metafile);
  return bytes;
}

std::vector<uint8_t> PlaceableWmf(int16_t Left, int16_t Top, int16_t Right, int16_t Bottom, uint16_t Inch,
                                  const std::vector<uint8_t>& Records, bool FlipChecksumBit, uint32_t Key) {
  TByteWriter b;
  b.u32(Key).u16(0).u16(uint16_t(Left)).u16(uint16_t(Top)).u16(uint16_t(Right)).u16(uint16_t(Bottom));
  b.u16(Inch).u32(0);
  uint16_t sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= GetU16LE(&b.v[i]);
  b.u16(FlipChecksumBit ? uint16_t(sum ^ 0x0010) : sum);
  b.v.insert(b.v.end(), Records.begin(), Records.end());
  return b.v;
}

std::vector<uint8_t> RecordEmf(const RECT& Frame, const std::function<void(HDC)>& Draw) {
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &Frame, nullptr);
  Draw(dc);
  HENHMETAFILE metafile = CloseEnhMetaFile(dc);
  std::vector<uint8_t> bytes(GetEnhMetaFileBits(metafile, 0, nullptr));
  GetEnhMetaFileBits(metafile, UINT(bytes.size()), bytes.data());
  DeleteEnhMetaFile(metafile);
  return bytes;
}

void FillSolid(HDC DC, const RECT& R, uint32_t Colour) {
  TBrushHandle brush(CreateSolidBrush(RGB(Colour >> 16, (Colour >> 8) & 0xFF, Colour & 0xFF)));
  FillRect(DC, &R, brush.Get());
}

RECT FrameInScreenPixels(const RECT& Frame) {
  TWindowDC screen(nullptr);
  const int px = GetDeviceCaps(screen.Get(), HORZRES), py = GetDeviceCaps(screen.Get(), VERTRES);
  const int mx = GetDeviceCaps(screen.Get(), HORZSIZE), my = GetDeviceCaps(screen.Get(), VERTSIZE);
  return RECT{MulDiv(Frame.left, px, mx * 100), MulDiv(Frame.top, py, my * 100), MulDiv(Frame.right, px, mx * 100),
              MulDiv(Frame.bottom, py, my * 100)};
}

}  // namespace vr::test
