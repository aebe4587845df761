// Makes JPEG files for tests with libjpeg's own compressor.
#pragma once

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

namespace vr::test {

struct TJPEGCompressSettings {
  int Quality = 95;
  bool Progressive = false;
  bool Cmyk = false;         // four components as CMYK
  bool Arithmetic = false;   // arithmetic instead of Huffman coding
  bool FullChroma = false;   // no chroma subsampling
  int RestartRows = 0;       // a restart marker every that many MCU rows
};

namespace detail {
struct TCompressErrors {
  jpeg_error_mgr Pub;
  std::jmp_buf Jump;
};
inline void CompressErrorExit(j_common_ptr Info) {
  std::longjmp(reinterpret_cast<TCompressErrors*>(Info->err)->Jump, 1);
}
}  // namespace detail

// Compresses Width × Height pixels of Components samples each (rows top-down,
// no padding); raises std::runtime_error when the library refuses.
inline std::vector<uint8_t> CompressJPEG(const uint8_t* Samples, int Width, int Height, int Components,
                                         const TJPEGCompressSettings& Settings = {}) {
  jpeg_compress_struct c;
  detail::TCompressErrors err;
  c.err = jpeg_std_error(&err.Pub);
  err.Pub.error_exit = detail::CompressErrorExit;
  unsigned char* out = nullptr;
  unsigned long size = 0;
  if (setjmp(err.Jump) != 0) {
    jpeg_destroy_compress(&c);
    std::free(out);
    throw std::runtime_error("the test's JPEG could not be made");
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = JDIMENSION(Width);
  c.image_height = JDIMENSION(Height);
  c.input_components = Components;
  c.in_color_space = Settings.Cmyk ? JCS_CMYK : Components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, Settings.Quality, TRUE);
  if (Settings.Progressive) jpeg_simple_progression(&c);
  if (Settings.Arithmetic) c.arith_code = TRUE;
  if (Settings.FullChroma) c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1;
  c.restart_in_rows = Settings.RestartRows;
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(&Samples[size_t(c.next_scanline) * size_t(Width) * size_t(Components)]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> bytes(out, out + size);
  jpeg_destroy_compress(&c);
  std::free(out);
  return bytes;
}

}  // namespace vr::test
