// Encoding rows into a JPEG file, read back by the decoder core.
#include <doctest/doctest.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "pictures/jpeg/jpeg_decoder.h"
#include "pictures/jpeg/jpeg_encoder.h"

using namespace vr;

namespace {

// Width × Height of blue, green, red rows: green rises to the right, red downwards.
std::vector<uint8_t> BgrRows(int Width, int Height) {
  std::vector<uint8_t> rows;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) rows.insert(rows.end(), {200, uint8_t(x * 255 / (Width - 1)), uint8_t(y * 255 / (Height - 1))});
  return rows;
}

// The decoded picture as top-down rows of W × Bpp bytes.
struct TRows : IPixelSink, IJPEGDecodeEvents {
  int W = 0, H = 0, Bpp = 3;
  TMemoryPixelSink Sink;
  std::vector<uint8_t> Pixels;
  TPixelMemory AllocatePixels(const TDibInfo& Info) override {
    W = Info.Header.biWidth, H = Info.Header.biHeight, Bpp = Info.Header.biBitCount / 8;
    return Sink.AllocatePixels(Info);
  }
  void SetPalette(const std::vector<TRGBQuad>&) override {}
  void Progress(TJPEGProgressStage, int, bool, const TJPEGRect&) override {}
  void Unpack() {
    Pixels.clear();
    for (int y = H - 1; y >= 0; --y) {
      const uint8_t* row = &Sink.Pixels[size_t(y) * Sink.Stride];
      Pixels.insert(Pixels.end(), row, row + size_t(W) * Bpp);
    }
  }
};

}  // namespace

TEST_CASE("encoded rows decode back close to themselves, baseline, progressive and grey") {
  const int w = 70, h = 45;
  const std::vector<uint8_t> rows = BgrRows(w, h);
  auto source = [&](int Row) { return &rows[size_t(Row) * w * 3]; };
  for (bool progressive : {false, true}) {
    TMemoryStream file;
    EncodeJPEG(file, w, h, source, {95, false, progressive});
    TJPEGHeaderInfo header = ReadJPEGHeader(file);
    CHECK(header.Width == w);
    CHECK(header.Height == h);
    CHECK_FALSE(header.Grayscale);
    CHECK(header.MultipleScans == progressive);
    TRows out;
    DecodeJPEG(file, {}, out, out);
    out.Unpack();
    int most = 0;
    for (size_t i = 0; i < rows.size(); ++i) most = std::max(most, std::abs(int(out.Pixels[i]) - int(rows[i])));
    CHECK(most <= 12);
  }
  TMemoryStream grey;
  EncodeJPEG(grey, w, h, source, {90, true, false});
  CHECK(ReadJPEGHeader(grey).Grayscale);
}

TEST_CASE("an error of the row source passes out unchanged; the library's own become EJPEG") {
  const std::vector<uint8_t> rows = BgrRows(16, 16);
  TMemoryStream file;
  auto failing = [&](int Row) -> const uint8_t* {
    if (Row == 9) throw std::runtime_error("row 9 is gone");
    return &rows[size_t(Row) * 16 * 3];
  };
  CHECK_THROWS_WITH_AS(EncodeJPEG(file, 16, 16, failing, {}), "row 9 is gone", std::runtime_error);
  TMemoryStream empty;
  CHECK_THROWS_AS(EncodeJPEG(empty, 0, 0, failing, {}), EJPEG);
  CHECK_THROWS_AS(CheckJPEGFileSize(uint64_t{1} << 31), EJPEG);
  CHECK_NOTHROW(CheckJPEGFileSize(12345));
}
