// The starting corpus of png_fuzz: small files of every colour type and bit
// depth, plain and interlaced, each filter, with transparency, gamma, text
// and image data split over several chunks.
#include <string>

#include "png_test_encoder.h"
#include "support/seed_writer.h"

using namespace pngtest;

int main(int argc, char** argv) {
  seeds::Start(argc, argv);
  const struct {
    uint8_t colorType;
    std::vector<uint8_t> depths;
  } kinds[] = {{vr::kPNGGray, {1, 2, 4, 8, 16}},
               {vr::kPNGRGB, {8, 16}},
               {vr::kPNGPalette, {1, 2, 4, 8}},
               {vr::kPNGGrayAlpha, {8, 16}},
               {vr::kPNGRGBA, {8, 16}}};
  uint32_t seed = 1;
  for (const auto& kind : kinds)
    for (uint8_t depth : kind.depths)
      for (bool interlaced : {false, true}) {
        const TestImage image = TestImage::Random(9, 7, depth, kind.colorType, seed++);
        std::vector<std::pair<std::string, Bytes>> extra;
        if (kind.colorType == vr::kPNGGray) extra.push_back({"tRNS", {0, 1}});
        if (kind.colorType == vr::kPNGRGB) extra.push_back({"tRNS", {0, 1, 0, 2, 0, 3}});
        if (kind.colorType == vr::kPNGPalette) extra.push_back({"tRNS", {0, 128, 255}});
        if (interlaced) extra.push_back({"gAMA", {0, 0, 0xB1, 0x8F}});
        const std::string name = "ct" + std::to_string(kind.colorType) + "_d" + std::to_string(depth) +
                                 (interlaced ? "_i" : "") + ".png";
        seeds::Write(name, MakePng(image, interlaced, [](size_t row) { return uint8_t(row % 5); }, extra,
                                   interlaced ? 17 : 0));
      }
  // Text chunks, plain and compressed, and a wider picture with one filter.
  const TestImage rgb = TestImage::Random(40, 3, 8, vr::kPNGRGB, 99);
  const Bytes text = {'T', 'i', 't', 'l', 'e', 0, 'h', 'i'};
  Bytes ztxt = {'N', 'o', 't', 'e', 0, 0};
  const Bytes packed = Zlib({'s', 'o', 'm', 'e', ' ', 't', 'e', 'x', 't'});
  ztxt.insert(ztxt.end(), packed.begin(), packed.end());
  seeds::Write("text.png", MakePng(rgb, false, Filter(4), {{"tEXt", text}, {"zTXt", ztxt}}));
  return 0;
}
