// libFuzzer target over the JPEG decoder core: the header, the reduced-scale
// size and a whole decoding with settings taken from the input's last byte.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "pictures/jpeg_decoder.h"

namespace {

struct TFuzzTarget : vr::IJPEGDecodeTarget {
  std::vector<uint8_t> Pixels;
  size_t Stride = 0;
  int Height = 0;
  void BeginOutput(int Width, int H, vr::TJPEGOutputFormat Format) override {
    Stride = size_t(Width) * (Format == vr::TJPEGOutputFormat::Bgr24 ? 3 : 1);
    Height = H;
    if (Stride * size_t(H) > (size_t{64} << 20)) throw std::length_error("too big for the fuzzer");
    Pixels.assign(Stride * size_t(H), 0);
  }
  uint8_t* RowPointer(int Row) override {
    if (Row < 0 || Row >= Height) __builtin_trap();
    return &Pixels[size_t(Row) * Stride];
  }
  void SetPalette(const std::vector<vr::TRGBQuad>& Colors) override {
    if (Colors.size() > 256) __builtin_trap();
  }
  void Progress(vr::TJPEGProgressStage, int Percent, bool, const vr::TJPEGRect&) override {
    if (Percent < 0 || Percent > 100) __builtin_trap();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  const uint8_t settings = Data[Size - 1];
  vr::TMemoryStream stream(std::vector<uint8_t>(Data, Data + Size - 1));
  vr::TJPEGDecodeOptions o;
  o.Scale = static_cast<vr::TJPEGScale>(settings & 3);
  o.GrayOutput = (settings & 4) != 0;
  o.PixelFormat = (settings & 8) != 0 ? vr::TJPEGPixelFormat::jf8Bit : vr::TJPEGPixelFormat::jf24Bit;
  o.DecodeSpeed = (settings & 16) != 0 ? vr::TJPEGPerformance::jpBestSpeed : vr::TJPEGPerformance::jpBestQuality;
  o.ShowProgressively = (settings & 32) != 0;
  o.SmoothUpsampling = (settings & 64) != 0;
  if ((settings & 128) != 0) o.TargetPalette = {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}};
  try {
    vr::ReadJPEGHeader(stream);
    vr::JPEGOutputSize(stream, o);
    TFuzzTarget target;
    uint32_t now = 0;
    vr::DecodeJPEG(stream, o, target, [&now] { return now += 700; });
  } catch (const std::exception&) {
  }
  return 0;
}
