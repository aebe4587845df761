// A tiny PNG writer for tests, independent of the codec: packs samples,
// filters rows, interlaces with Adam7, deflates with zlib and frames chunks
// with zlib's own crc32.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "png/png_core.h"

namespace pngtest {

using Bytes = std::vector<uint8_t>;

// Every colour type with every bit depth it allows.
struct PixelFormat {
  uint8_t type, depth;
};
inline constexpr PixelFormat AllFormats[] = {
    {vr::kPNGGray, 1},      {vr::kPNGGray, 2},       {vr::kPNGGray, 4},    {vr::kPNGGray, 8}, {vr::kPNGGray, 16},
    {vr::kPNGRGB, 8},       {vr::kPNGRGB, 16},
    {vr::kPNGPalette, 1},   {vr::kPNGPalette, 2},    {vr::kPNGPalette, 4}, {vr::kPNGPalette, 8},
    {vr::kPNGGrayAlpha, 8}, {vr::kPNGGrayAlpha, 16},
    {vr::kPNGRGBA, 8},      {vr::kPNGRGBA, 16}};

// Samples of every pixel, row by row, channel by channel (an index for
// palette images), each at most 2^BitDepth - 1.
struct TestImage {
  uint32_t Width = 0, Height = 0;
  uint8_t BitDepth = 8, ColorType = vr::kPNGGray;
  std::vector<uint16_t> Samples;

  unsigned Channels() const;
  uint16_t& At(uint32_t x, uint32_t y, unsigned c) { return Samples[(static_cast<size_t>(y) * Width + x) * Channels() + c]; }
  uint16_t At(uint32_t x, uint32_t y, unsigned c) const {
    return Samples[(static_cast<size_t>(y) * Width + x) * Channels() + c];
  }
  // Deterministic pseudo-random samples.
  static TestImage Random(uint32_t w, uint32_t h, uint8_t depth, uint8_t colorType, uint32_t seed);
};

// Picks the filter type (0..4, or any byte for broken files) of each written
// row, counted over the whole stream.
using FilterChoice = std::function<uint8_t(size_t RowIndex)>;
inline FilterChoice Filter(uint8_t type) {
  return [type](size_t) { return type; };
}

// Big-endian fields: 16-bit levels (a tRNS key) and a 32-bit value (gAMA).
Bytes Be16s(std::initializer_list<unsigned> Levels);
Bytes Be32(uint32_t Value);
Bytes Chunk(const std::string& type, const Bytes& data);
Bytes Signature();
Bytes IhdrData(uint32_t w, uint32_t h, uint8_t depth, uint8_t colorType, uint8_t interlace = 0,
               uint8_t compression = 0, uint8_t filter = 0);
// The filtered scanlines (filter byte + row) of the image, progressive or Adam7.
Bytes Scanlines(const TestImage& image, bool interlaced, const FilterChoice& filter);
Bytes Zlib(const Bytes& raw, int level = 6);

// Builds a file chunk by chunk, starting with the signature.
struct PngFile {
  Bytes Data = Signature();
  PngFile& Add(const std::string& type, const Bytes& data = {});
  // The compressed stream as IDAT chunks of at most PieceSize bytes (0: one chunk).
  PngFile& AddIdat(const Bytes& compressed, size_t PieceSize = 0);
  PngFile& End() { return Add("IEND"); }
};

// A whole file: IHDR, optional PLTE (for palette images, entry i = (i, 255 - i, i * 7)),
// the extra chunks given, the image data, IEND.
Bytes MakePng(const TestImage& image, bool interlaced, const FilterChoice& filter = Filter(0),
              const std::vector<std::pair<std::string, Bytes>>& extra = {}, size_t idatPiece = 0);

// Loads bytes into a core; the exception, if any, passes out.
void Load(vr::TPNGCore& core, const Bytes& file);

// Compares the decoded bitmap (and alpha plane) with the samples the image
// should give through Gamma; returns "" when equal, else the first difference.
std::string CompareDecoded(const vr::TPNGCore& core, const TestImage& image, const uint8_t* gamma = nullptr);

}  // namespace pngtest
