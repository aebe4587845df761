// The starting corpus of jpeg_fuzz, written by the library itself: colour at
// two subsamplings, grey, progressive, restart markers, CMYK, arithmetic
// coding and an odd size.
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "support/seed_writer.h"

namespace {

struct Kind {
  int w, h, components;
  bool progressive = false, cmyk = false, arithmetic = false, h1v1 = false;
  int restartRows = 0;
};

std::vector<uint8_t> Compress(const Kind& k) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = JDIMENSION(k.w);
  c.image_height = JDIMENSION(k.h);
  c.input_components = k.components;
  c.in_color_space = k.cmyk ? JCS_CMYK : k.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 75, TRUE);
  if (k.progressive) jpeg_simple_progression(&c);
  if (k.arithmetic) c.arith_code = TRUE;
  if (k.h1v1) c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1;
  c.restart_in_rows = k.restartRows;
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(size_t(k.w) * k.components);
  while (c.next_scanline < c.image_height) {
    for (size_t i = 0; i < row.size(); ++i) row[i] = JSAMPLE((i * 7 + c.next_scanline * 5) & 0xFF);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> bytes(out, out + size);
  jpeg_destroy_compress(&c);
  std::free(out);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  seeds::Start(argc, argv);
  seeds::Write("colour420.jpg", Compress({32, 24, 3}));
  Kind k444{24, 16, 3};
  k444.h1v1 = true;
  seeds::Write("colour444.jpg", Compress(k444));
  seeds::Write("grey.jpg", Compress({19, 13, 1}));
  Kind progressive{40, 24, 3};
  progressive.progressive = true;
  seeds::Write("progressive.jpg", Compress(progressive));
  Kind restarts{48, 32, 3};
  restarts.restartRows = 1;
  seeds::Write("restarts.jpg", Compress(restarts));
  Kind cmyk{16, 16, 4};
  cmyk.cmyk = true;
  seeds::Write("cmyk.jpg", Compress(cmyk));
  Kind arithmetic{16, 8, 3};
  arithmetic.arithmetic = true;
  seeds::Write("arithmetic.jpg", Compress(arithmetic));
  return 0;
}
