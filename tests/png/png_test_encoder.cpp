#include "png_test_encoder.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/stream.h"
#include "support/byte_writer.h"

namespace pngtest {

unsigned TestImage::Channels() const {
  switch (ColorType) {
    case vr::kPNGRGB: return 3;
    case vr::kPNGGrayAlpha: return 2;
    case vr::kPNGRGBA: return 4;
    default: return 1;
  }
}

TestImage TestImage::Random(uint32_t w, uint32_t h, uint8_t depth, uint8_t colorType, uint32_t seed) {
  TestImage img;
  img.Width = w;
  img.Height = h;
  img.BitDepth = depth;
  img.ColorType = colorType;
  img.Samples.resize(static_cast<size_t>(w) * h * img.Channels());
  uint32_t state = seed * 2654435761u + 12345;
  const uint32_t limit = 1u << depth;
  for (auto& s : img.Samples) {
    state = state * 1103515245u + 12345u;
    s = static_cast<uint16_t>((state >> 8) % limit);
  }
  return img;
}

Bytes Be16s(std::initializer_list<unsigned> Levels) {
  vr::test::TByteWriter out;
  for (unsigned v : Levels) out.u16be(static_cast<uint16_t>(v));
  return out.v;
}

Bytes Be32(uint32_t Value) { return vr::test::TByteWriter().u32be(Value).v; }

Bytes Chunk(const std::string& type, const Bytes& data) {
  vr::test::TByteWriter out;
  out.v.reserve(data.size() + 12);
  out.u32be(static_cast<uint32_t>(data.size())).tag(std::string_view(type).substr(0, 4)).add(data);
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
  if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));  // a null buffer resets
  return out.u32be(static_cast<uint32_t>(crc)).v;
}

Bytes Signature() { return {137, 80, 78, 71, 13, 10, 26, 10}; }

Bytes IhdrData(uint32_t w, uint32_t h, uint8_t depth, uint8_t colorType, uint8_t interlace, uint8_t compression,
               uint8_t filter) {
  return vr::test::TByteWriter().u32be(w).u32be(h).add({depth, colorType, compression, filter, interlace}).v;
}

// One unfiltered row of the pixels at columns x0, x0 + step, ... of row y.
static Bytes PackRow(const TestImage& img, uint32_t y, uint32_t x0, uint32_t step) {
  const unsigned ch = img.Channels();
  Bytes out;
  if (img.BitDepth < 8) {
    uint32_t acc = 0, bits = 0;
    for (uint32_t x = x0; x < img.Width; x += step) {
      acc = acc << img.BitDepth | img.At(x, y, 0);
      bits += img.BitDepth;
      if (bits == 8) {
        out.push_back(static_cast<uint8_t>(acc));
        acc = bits = 0;
      }
    }
    if (bits > 0) out.push_back(static_cast<uint8_t>(acc << (8 - bits)));
    return out;
  }
  for (uint32_t x = x0; x < img.Width; x += step)
    for (unsigned c = 0; c < ch; ++c) {
      const uint16_t s = img.At(x, y, c);
      if (img.BitDepth == 16) out.push_back(static_cast<uint8_t>(s >> 8));
      out.push_back(static_cast<uint8_t>(s));
    }
  return out;
}

static uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

static void AppendFiltered(Bytes& out, const Bytes& row, const Bytes& prior, unsigned bpp, uint8_t type) {
  out.push_back(type);
  for (size_t i = 0; i < row.size(); ++i) {
    const int a = i >= bpp ? row[i - bpp] : 0, b = prior[i], c = i >= bpp ? prior[i - bpp] : 0;
    int p = 0;
    switch (type) {
      case 1: p = a; break;
      case 2: p = b; break;
      case 3: p = (a + b) / 2; break;
      case 4: p = Paeth(a, b, c); break;
      default: break;
    }
    out.push_back(static_cast<uint8_t>(row[i] - p));
  }
}

Bytes Scanlines(const TestImage& img, bool interlaced, const FilterChoice& filter) {
  static const uint32_t passes[7][4] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                                        {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}};
  static const uint32_t whole[1][4] = {{0, 0, 1, 1}};
  const unsigned bpp = std::max(1u, img.Channels() * img.BitDepth / 8u);
  Bytes out;
  size_t rowIndex = 0;
  const auto& shapes = interlaced ? passes : whole;
  const int count = interlaced ? 7 : 1;
  for (int p = 0; p < count; ++p) {
    const uint32_t ys = shapes[p][0], xs = shapes[p][1], dy = shapes[p][2], dx = shapes[p][3];
    if (xs >= img.Width) continue;  // an empty pass has no rows
    Bytes prior;
    for (uint32_t y = ys; y < img.Height; y += dy) {
      Bytes row = PackRow(img, y, xs, dx);
      if (prior.empty()) prior.assign(row.size(), 0);
      AppendFiltered(out, row, prior, bpp, filter(rowIndex++));
      prior = row;
    }
  }
  return out;
}

Bytes Zlib(const Bytes& raw, int level) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level) != Z_OK) std::abort();
  out.resize(size);
  return out;
}

PngFile& PngFile::Add(const std::string& type, const Bytes& data) {
  Bytes c = Chunk(type, data);
  Data.insert(Data.end(), c.begin(), c.end());
  return *this;
}

PngFile& PngFile::AddIdat(const Bytes& compressed, size_t PieceSize) {
  if (PieceSize == 0) return Add("IDAT", compressed);
  for (size_t at = 0; at < compressed.size(); at += PieceSize) {
    size_t n = std::min(PieceSize, compressed.size() - at);
    Add("IDAT", Bytes(compressed.begin() + static_cast<ptrdiff_t>(at),
                      compressed.begin() + static_cast<ptrdiff_t>(at + n)));
  }
  return *this;
}

Bytes MakePng(const TestImage& image, bool interlaced, const FilterChoice& filter,
              const std::vector<std::pair<std::string, Bytes>>& extra, size_t idatPiece) {
  PngFile f;
  f.Add("IHDR", IhdrData(image.Width, image.Height, image.BitDepth, image.ColorType, interlaced ? 1 : 0));
  if (image.ColorType == vr::kPNGPalette) {
    Bytes plte;
    for (unsigned i = 0; i < (1u << image.BitDepth); ++i)
      plte.insert(plte.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
    f.Add("PLTE", plte);
  }
  for (const auto& [type, data] : extra) f.Add(type, data);
  f.AddIdat(Zlib(Scanlines(image, interlaced, filter)), idatPiece);
  return f.End().Data;
}

void Load(vr::TPNGCore& core, const Bytes& file) {
  vr::TMemoryStream s(file);
  core.LoadFromStream(s);
}

std::string CompareDecoded(const vr::TPNGCore& core, const TestImage& img, const uint8_t* gamma) {
  uint8_t identity[256];
  for (int i = 0; i < 256; ++i) identity[i] = static_cast<uint8_t>(i);
  if (gamma == nullptr) gamma = identity;
  const vr::TChunkIHDR& h = core.RequireHeader();
  auto high = [&](uint16_t s) { return static_cast<uint8_t>(img.BitDepth == 16 ? s >> 8 : s); };
  for (uint32_t y = 0; y < img.Height; ++y) {
    const uint8_t* row = h.RowAddress(y);
    for (uint32_t x = 0; x < img.Width; ++x) {
      std::vector<int> want, got;
      switch (img.ColorType) {
        case vr::kPNGGray:
        case vr::kPNGPalette:
          if (img.BitDepth <= 8) {
            const unsigned bits = img.BitDepth == 2 ? 4 : img.BitDepth;
            const unsigned at = x * bits;
            got.push_back((row[at / 8] >> (8 - bits - at % 8)) & ((1 << bits) - 1));
            want.push_back(img.ColorType == vr::kPNGGray && img.BitDepth == 2 ? 5 * img.At(x, y, 0) : img.At(x, y, 0));
          } else {
            got.push_back(row[x]);
            want.push_back(high(img.At(x, y, 0)));
          }
          break;
        case vr::kPNGRGB:
        case vr::kPNGRGBA:
          got = {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
          want = {gamma[high(img.At(x, y, 2))], gamma[high(img.At(x, y, 1))], gamma[high(img.At(x, y, 0))]};
          if (img.ColorType == vr::kPNGRGBA) {
            got.push_back(h.AlphaPlane[static_cast<size_t>(y) * img.Width + x]);
            want.push_back(high(img.At(x, y, 3)));
          }
          break;
        case vr::kPNGGrayAlpha:
          got = {row[x], h.AlphaPlane[static_cast<size_t>(y) * img.Width + x]};
          want = {high(img.At(x, y, 0)), high(img.At(x, y, 1))};
          break;
        default: return "unknown colour type";
      }
      if (got != want) {
        std::ostringstream msg;
        msg << "pixel (" << x << "," << y << "): got";
        for (int v : got) msg << ' ' << v;
        msg << ", want";
        for (int v : want) msg << ' ' << v;
        return msg.str();
      }
    }
  }
  return "";
}

}  // namespace pngtest
