#include "pictures/jpeg_test_files.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>
#include <jerror.h>

#include "support/jpeg_compress.h"
#include "platform/byte_order.h"

namespace vr::test {

uint32_t TTestImage::Rgb(int X, int Y) const {
  const uint8_t* p = &Samples[(size_t(Y) * Width + X) * Components];
  if (Components == 1) return uint32_t(p[0]) * 0x010101u;
  return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

TTestImage ColourScene(int Width, int Height) {
  TTestImage im{Width, Height, 3, {}};
  im.Samples.reserve(size_t(Width) * Height * 3);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      uint8_t r = uint8_t(x * 255 / (Width > 1 ? Width - 1 : 1));
      uint8_t g = uint8_t(y * 255 / (Height > 1 ? Height - 1 : 1));
      uint8_t b = uint8_t(255 - (x + y) * 255 / (Width + Height));
      const bool disc = (x - Width / 3) * (x - Width / 3) + (y - Height / 2) * (y - Height / 2) < Height * Height / 16;
      const bool bar = x > Width * 2 / 3 && x < Width * 5 / 6;
      if (disc) r = 240, g = 200, b = 40;
      if (bar) r = 20, g = 40, b = 160;
      im.Samples.insert(im.Samples.end(), {r, g, b});
    }
  return im;
}

TTestImage GreyScene(int Width, int Height) {
  TTestImage im{Width, Height, 1, {}};
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const bool square = x > Width / 4 && x < Width / 2 && y > Height / 4 && y < Height / 2;
      im.Samples.push_back(square ? 30 : uint8_t((x + y) * 255 / (Width + Height)));
    }
  return im;
}

namespace {

struct TTestErrors {
  jpeg_error_mgr Pub;
  std::jmp_buf Jump;
};

void TestErrorExit(j_common_ptr info) { std::longjmp(reinterpret_cast<TTestErrors*>(info->err)->Jump, 1); }
void TestOutput(j_common_ptr) {}

}  // namespace

std::vector<uint8_t> JPEGFileOf(const TTestImage& Image, const TJPEGFileOptions& Options) {
  TJPEGCompressSettings settings;
  settings.Quality = Options.Quality;
  settings.Progressive = Options.Progressive;
  settings.RestartRows = Options.RestartRows;
  return CompressJPEG(Image.Samples.data(), Image.Width, Image.Height, Image.Components, settings);
}

TTestImage ReferenceDecode(const std::vector<uint8_t>& File, const TReferenceOptions& Options) {
  jpeg_decompress_struct d;
  TTestErrors err;
  d.err = jpeg_std_error(&err.Pub);
  err.Pub.error_exit = TestErrorExit;
  err.Pub.output_message = TestOutput;
  static TTestImage result;  // outside the frames longjmp leaves
  result = TTestImage{};
  if (setjmp(err.Jump) != 0) {
    jpeg_destroy_decompress(&d);
    return TTestImage{};
  }
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, File.data(), static_cast<unsigned long>(File.size()));
  jpeg_read_header(&d, TRUE);
  d.scale_num = 1;
  d.scale_denom = unsigned(Options.ScaleDenom);
  if (Options.GrayOutput) d.out_color_space = JCS_GRAYSCALE;
  if (Options.FastDct) d.dct_method = JDCT_IFAST;
  jpeg_start_decompress(&d);
  result.Width = int(d.output_width);
  result.Height = int(d.output_height);
  result.Components = d.output_components;
  result.Samples.resize(size_t(result.Width) * result.Height * result.Components);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = &result.Samples[size_t(d.output_scanline) * result.Width * result.Components];
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return result;
}

int JPEGCodeNotAJPEG() { return JERR_NO_SOI; }
int JPEGCodeEmptyInput() { return JERR_INPUT_EMPTY; }
int JPEGCodeTwoFrames() { return JERR_SOF_DUPLICATE; }

std::vector<uint8_t> WithSecondFrameHeader(const std::vector<uint8_t>& File) {
  // Walk the marker segments to the frame header and repeat it just
  // before the end-of-image marker.
  size_t i = 2;
  while (i + 4 <= File.size() && File[i] == 0xFF) {
    const size_t length = GetU16BE(&File[i + 2]);
    if (File[i + 1] == 0xC0 || File[i + 1] == 0xC2) {
      std::vector<uint8_t> out(File.begin(), File.end() - 2);
      out.insert(out.end(), File.begin() + long(i), File.begin() + long(i + 2 + length));
      out.push_back(0xFF);
      out.push_back(0xD9);
      return out;
    }
    i += 2 + length;
  }
  throw std::runtime_error("no frame header");
}

}  // namespace vr::test
