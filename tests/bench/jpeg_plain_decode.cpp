#include "bench/jpeg_plain_decode.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace vr::bench {

uint64_t PlainDecode(const std::vector<uint8_t>& File) {
  jpeg_decompress_struct d;
  jpeg_error_mgr err;
  d.err = jpeg_std_error(&err);  // the benchmark's own file never fails
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, File.data(), static_cast<unsigned long>(File.size()));
  jpeg_read_header(&d, TRUE);
  jpeg_start_decompress(&d);
  const size_t stride = size_t(d.output_width) * d.output_components;
  std::vector<JSAMPLE> pixels(stride * d.output_height);
  std::vector<JSAMPROW> rows(size_t(d.rec_outbuf_height));
  while (d.output_scanline < d.output_height) {
    for (size_t i = 0; i < rows.size(); ++i)
      rows[i] = &pixels[std::min<size_t>(d.output_scanline + i, d.output_height - 1) * stride];
    jpeg_read_scanlines(&d, rows.data(), JDIMENSION(rows.size()));
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  uint64_t sum = 0;
  for (size_t i = 0; i < pixels.size(); i += 4099) sum += pixels[i];
  return sum;
}

}  // namespace vr::bench
