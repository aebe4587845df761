// Decoding speed of our codecs against the reference libraries, natively,
// over large pictures this program makes first (nothing is fetched):
//   PNG  2048 x 2048 truecolour, truecolour with alpha, palette and Adam7,
//        our pure core vs libpng, both into bitmap-order rows;
//   GIF  2048 x 2048 single frame and a four-frame animation, our reader +
//        frame render into an 8-bit DIB vs giflib's slurp + a copy of each
//        frame's indices into rows of the same layout;
//   photo-like files, made from our sample JPEG (decoded with libjpeg,
//        cropped, scaled up and given grain): a 12-megapixel RGB and an
//        8-megapixel RGBA PNG with the filter of each row chosen as encoders
//        do, and a 2048 x 2048 GIF dithered onto 256 colours; besides their
//        speed rows, a row says whether libpng and giflib decode them to the
//        same pixels as ours;
//   JPEG 6000 x 4000, our decoder core into a memory target vs a plain
//        jpeg_read_scanlines loop over the same library, and Debian's djpeg.
// Each figure is the best of several runs, in processor time (the decoding
// thread's; djpeg's own process's), so builds running beside it matter little. Prints one line per figure:
//   ROW|group|measure|ours|reference|ratio|target
// (scripts/bench lays the lines of every benchmark out as one table).
//   codec_bench [SCRATCH_DIR [all|png|gif|jpeg|photos|...]]   (photos: writes the photo-like files there)
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <utility>
#include <functional>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include "gif/gif_frame_render.h"
#include "gif/gif_image_core.h"
#include "gif_test_writer.h"
#include "pictures/jpeg/jpeg_decoder.h"
#include "platform/byte_order.h"
#include "platform/stream.h"
#include "png/png_core.h"
#include "png_test_encoder.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kRuns = 3;

// Processor time of this thread: on a machine shared with builds it moves
// far less than the time on the clock.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Processor time of the waited-for child processes so far.
double ChildSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double BestSeconds(const std::function<void()>& Run, int Runs = kRuns, double (*Clock)() = ThreadSeconds) {
  double best = 1e30;
  for (int i = 0; i < Runs; ++i) {
    const double start = Clock();
    Run();
    best = std::min(best, Clock() - start);
  }
  return best;
}

// Best times of two decoders, their runs taking turns so that a change in
// the machine's load touches both alike.
std::pair<double, double> BestOfBoth(const std::function<void()>& Ours, const std::function<void()>& Reference,
                                     int Runs = 5) {
  double ours = 1e30, reference = 1e30;
  for (int i = 0; i < Runs; ++i) {
    ours = std::min(ours, BestSeconds(Ours, 1));
    reference = std::min(reference, BestSeconds(Reference, 1));
  }
  return {ours, reference};
}

void Row(const char* Group, const std::string& Measure, const std::string& Ours, const std::string& Reference,
         const std::string& Ratio, const std::string& Target) {
  std::printf("ROW|%s|%s|%s|%s|%s|%s\n", Group, Measure.c_str(), Ours.c_str(), Reference.c_str(), Ratio.c_str(),
              Target.c_str());
  std::fflush(stdout);
}

std::string Fixed(double Value, int Digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", Digits, Value);
  return text;
}

// Megapixels per second of ours and the reference, their ratio (ours ÷
// reference: at least 1 means as fast or faster).
void SpeedRow(const char* Group, const std::string& Measure, double Pixels, double Ours, double Reference,
              const char* Target = ">= 1.00x") {
  const double ourRate = Pixels / 1e6 / Ours, refRate = Pixels / 1e6 / Reference;
  Row(Group, Measure + " (MP/s)", Fixed(ourRate, 1), Fixed(refRate, 1), Fixed(ourRate / refRate, 2) + "x",
      Target);
}

// A smooth picture with texture: what photographs and drawings compress like.
uint16_t Smooth(uint32_t x, uint32_t y, unsigned c, uint32_t& noise) {
  noise = noise * 1103515245u + 12345u;
  const uint32_t base = (x * (3 + c) + y * (5 - c) + ((x / 64 + y / 48) % 3) * 40) & 0xFF;
  return static_cast<uint16_t>((base + ((noise >> 16) & 7)) & 0xFF);
}

// ---- Photo-like pictures ------------------------------------------------------

// Our sample JPEG, decoded with libjpeg: 8-bit red, green, blue, rows top-down.
struct TRgbPicture {
  int Width = 0, Height = 0;
  Bytes Samples;
  const uint8_t* At(int X, int Y) const { return &Samples[(size_t(Y) * Width + X) * 3]; }
};

const TRgbPicture& SamplePhoto() {
  static const TRgbPicture picture = [] {
    FILE* f = std::fopen(VR_PHOTO_SOURCE, "rb");
    if (f == nullptr) {
      std::fprintf(stderr, "codec_bench: cannot open %s\n", VR_PHOTO_SOURCE);
      std::exit(1);
    }
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    TRgbPicture p;
    p.Width = int(d.output_width);
    p.Height = int(d.output_height);
    p.Samples.resize(size_t(p.Width) * p.Height * 3);
    while (d.output_scanline < d.output_height) {
      JSAMPROW row = &p.Samples[size_t(d.output_scanline) * p.Width * 3];
      jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::fclose(f);
    return p;
  }();
  return picture;
}

// Smooth noise in -1..1: random values on a grid of Cell pixels, blended
// bilinearly in between.
double ValueNoise(int X, int Y, int Cell, uint32_t Seed) {
  auto lattice = [&](int gx, int gy) {
    uint32_t h = uint32_t(gx) * 0x9E3779B1u ^ uint32_t(gy) * 0x85EBCA77u ^ Seed * 0xC2B2AE3Du;
    h ^= h >> 15, h *= 0x2C1B3C6Du, h ^= h >> 12, h *= 0x297A2D39u, h ^= h >> 15;
    return double(h) / 2147483647.5 - 1;
  };
  const int gx = X / Cell, gy = Y / Cell;
  const double fx = double(X % Cell) / Cell, fy = double(Y % Cell) / Cell;
  return (lattice(gx, gy) * (1 - fx) + lattice(gx + 1, gy) * fx) * (1 - fy) +
         (lattice(gx, gy + 1) * (1 - fx) + lattice(gx + 1, gy + 1) * fx) * fy;
}

// The sample as a photograph of Width x Height: the middle of it in the
// target's proportions, scaled up bilinearly, with detail at several scales
// (what the drawing lacks) and a camera's grain, more in brightness than in
// colour. Red, green, blue, and with Alpha an alpha channel that is opaque
// in the middle and fades out towards the corners, as the soft edge of a
// cut-out does.
Bytes PhotoLike(int Width, int Height, bool Alpha, uint32_t Seed) {
  const TRgbPicture& source = SamplePhoto();
  const int channels = Alpha ? 4 : 3;
  Bytes out(size_t(Width) * Height * channels);
  double cropW = source.Width, cropH = source.Width * double(Height) / Width;
  if (cropH > source.Height) {
    cropH = source.Height;
    cropW = source.Height * double(Width) / Height;
  }
  const double left = (source.Width - cropW) / 2, top = (source.Height - cropH) / 2;
  uint32_t noise = Seed;
  auto grain = [&](int Spread) {  // triangular over -Spread..Spread
    noise = noise * 1103515245u + 12345u;
    const int a = int((noise >> 16) % uint32_t(Spread + 1));
    noise = noise * 1103515245u + 12345u;
    return a - int((noise >> 16) % uint32_t(Spread + 1));
  };
  for (int y = 0; y < Height; ++y) {
    const double sy = std::clamp(top + (y + 0.5) * cropH / Height - 0.5, 0.0, source.Height - 1.0);
    const int iy = std::min(int(sy), source.Height - 2);
    const double fy = sy - iy;
    for (int x = 0; x < Width; ++x) {
      const double sx = std::clamp(left + (x + 0.5) * cropW / Width - 0.5, 0.0, source.Width - 1.0);
      const int ix = std::min(int(sx), source.Width - 2);
      const double fx = sx - ix;
      const uint8_t *p00 = source.At(ix, iy), *p10 = source.At(ix + 1, iy);
      const uint8_t *p01 = source.At(ix, iy + 1), *p11 = source.At(ix + 1, iy + 1);
      uint8_t* px = &out[(size_t(y) * Width + x) * channels];
      const double detail =
          6 * ValueNoise(x, y, 4, Seed) + 5 * ValueNoise(x, y, 16, Seed + 1) + 4 * ValueNoise(x, y, 64, Seed + 2);
      const int brightness = int(std::lround(detail)) + grain(4);
      for (int c = 0; c < 3; ++c) {
        const double v = (p00[c] * (1 - fx) + p10[c] * fx) * (1 - fy) + (p01[c] * (1 - fx) + p11[c] * fx) * fy;
        px[c] = uint8_t(std::clamp(int(v + 0.5) + brightness + grain(2), 0, 255));
      }
      if (Alpha) {
        const double dx = (x + 0.5) / Width * 2 - 1, dy = (y + 0.5) / Height * 2 - 1;
        const double r = std::sqrt((dx * dx + dy * dy) / 2);  // 0 in the middle, 1 in the corners
        px[3] = uint8_t(std::clamp(int((1 - r) * 4 * 255), 0, 255));
      }
    }
  }
  return out;
}

int Paeth(int A, int B, int C) {
  const int p = A + B - C, pa = std::abs(p - A), pb = std::abs(p - B), pc = std::abs(p - C);
  return pa <= pb && pa <= pc ? A : pb <= pc ? B : C;
}

// The filter of each row as encoders choose it: the one whose filtered
// bytes, taken as signed, have the smallest sum of magnitudes.
std::vector<uint8_t> ChooseFilters(const Bytes& Samples, size_t RowBytes, size_t Bpp) {
  const size_t height = Samples.size() / RowBytes;
  std::vector<uint8_t> choice(height);
  const Bytes zero(RowBytes, 0);
  for (size_t y = 0; y < height; ++y) {
    const uint8_t* row = &Samples[y * RowBytes];
    const uint8_t* prior = y > 0 ? row - RowBytes : zero.data();
    uint64_t best = UINT64_MAX;
    for (uint8_t type = 0; type < 5; ++type) {
      uint64_t sum = 0;
      for (size_t i = 0; i < RowBytes; ++i) {
        const int a = i >= Bpp ? row[i - Bpp] : 0, b = prior[i], c = i >= Bpp ? prior[i - Bpp] : 0;
        const int predicted = type == 1 ? a : type == 2 ? b : type == 3 ? (a + b) / 2 : type == 4 ? Paeth(a, b, c) : 0;
        sum += uint64_t(std::abs(int(int8_t(uint8_t(row[i] - predicted)))));
      }
      if (sum < best) best = sum, choice[y] = type;
    }
  }
  return choice;
}

// A photo-like PNG, 8 bits a sample, IDAT chunks of 8 KB as most encoders
// write them.
Bytes MakePhotoPng(int Width, int Height, bool Alpha) {
  const Bytes samples = PhotoLike(Width, Height, Alpha, Alpha ? 11 : 7);
  pngtest::TestImage image;
  image.Width = uint32_t(Width);
  image.Height = uint32_t(Height);
  image.BitDepth = 8;
  image.ColorType = Alpha ? 6 : 2;
  image.Samples.assign(samples.begin(), samples.end());
  const size_t channels = Alpha ? 4 : 3;
  const std::vector<uint8_t> filters = ChooseFilters(samples, size_t(Width) * channels, channels);
  return pngtest::MakePng(image, false, [&](size_t row) { return filters[row]; }, {}, 8192);
}

// A photo-like 2048 x 2048 GIF as photographs become GIF files: a palette
// of the 256 most frequent colours (at 5 bits a channel), and Floyd-Steinberg
// error diffusion onto it through a map from every 5-bit colour to its
// nearest entry.
Bytes MakePhotoGif() {
  const int side = 2048;
  const Bytes rgb = PhotoLike(side, side, false, 5);
  auto bin = [](int r, int g, int b) { return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3); };
  std::vector<uint32_t> count(1 << 15, 0);
  for (size_t i = 0; i < rgb.size(); i += 3) ++count[size_t(bin(rgb[i], rgb[i + 1], rgb[i + 2]))];
  std::vector<int> bins(1 << 15);
  for (int i = 0; i < (1 << 15); ++i) bins[size_t(i)] = i;
  std::stable_sort(bins.begin(), bins.end(), [&](int a, int b) { return count[size_t(a)] > count[size_t(b)]; });
  std::vector<vr::TGIFRGB> palette;
  for (int i = 0; i < 256; ++i) {
    const int b = bins[size_t(i)];
    palette.push_back({uint8_t((b >> 10) << 3 | 4), uint8_t(((b >> 5) & 31) << 3 | 4), uint8_t((b & 31) << 3 | 4)});
  }
  std::vector<uint8_t> nearest(1 << 15);
  for (int b = 0; b < (1 << 15); ++b) {
    const int r = (b >> 10) << 3 | 4, g = ((b >> 5) & 31) << 3 | 4, bl = (b & 31) << 3 | 4;
    int best = 0, bestDistance = INT32_MAX;
    for (int i = 0; i < 256; ++i) {
      const int dr = r - palette[size_t(i)].Red, dg = g - palette[size_t(i)].Green, db = bl - palette[size_t(i)].Blue;
      const int distance = dr * dr + dg * dg + db * db;
      if (distance < bestDistance) bestDistance = distance, best = i;
    }
    nearest[size_t(b)] = uint8_t(best);
  }
  giftest::FrameSpec f;
  f.Width = f.Height = side;
  f.Pixels.resize(size_t(side) * side);
  // Errors in sixteenths for this row and the next, one pixel of margin each side.
  std::vector<int> here(size_t(side + 2) * 3, 0), below(size_t(side + 2) * 3, 0);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      int v[3];
      for (int c = 0; c < 3; ++c)
        v[c] = std::clamp(rgb[(size_t(y) * side + x) * 3 + c] + here[size_t(x + 1) * 3 + c] / 16, 0, 255);
      const uint8_t index = nearest[size_t(bin(v[0], v[1], v[2]))];
      f.Pixels[size_t(y) * side + x] = index;
      const int chosen[3] = {palette[index].Red, palette[index].Green, palette[index].Blue};
      for (int c = 0; c < 3; ++c) {
        const int error = v[c] - chosen[c];
        here[size_t(x + 2) * 3 + c] += error * 7;
        below[size_t(x) * 3 + c] += error * 3;
        below[size_t(x + 1) * 3 + c] += error * 5;
        below[size_t(x + 2) * 3 + c] += error;
      }
    }
    std::swap(here, below);
    std::fill(below.begin(), below.end(), 0);
  }
  giftest::GifBuilder b;
  b.Header(side, side, palette).Frame(f);
  return b.Trailer().Data;
}

// What the comparisons of the photo-like files found: empty while they agree.
std::vector<std::string> PixelDifferences;
bool PixelsCompared = false;

void ComparePixels(const std::string& What, bool Same) {
  PixelsCompared = true;
  if (!Same) PixelDifferences.push_back(What);
}

// ---- PNG --------------------------------------------------------------------

Bytes MakeBenchPng(uint8_t ColorType, bool Interlaced) {
  pngtest::TestImage image;
  image.Width = image.Height = 2048;
  image.BitDepth = 8;
  image.ColorType = ColorType;
  image.Samples.resize(size_t(image.Width) * image.Height * image.Channels());
  uint32_t noise = 7;
  for (uint32_t y = 0; y < image.Height; ++y)
    for (uint32_t x = 0; x < image.Width; ++x)
      for (unsigned c = 0; c < image.Channels(); ++c) {
        uint16_t v = Smooth(x, y, c, noise);
        if (ColorType == vr::kPNGPalette) v = static_cast<uint16_t>(((x / 16) ^ (y / 16)) & 0xFF);  // large flat areas
        image.At(x, y, c) = v;
      }
  return pngtest::MakePng(image, Interlaced, [](size_t row) { return uint8_t(row % 5); }, {}, 1 << 16);
}

// Our decoders read from a memory stream made once, as the references read
// from the buffer in place.
void DecodeOurs(vr::TMemoryStream& In) {
  vr::TPNGCore core;
  In.SetPosition(0);
  core.LoadFromStream(In);
  if (core.ImageWidth() == 0) std::abort();
}

struct PngReader {
  const Bytes* File;
  size_t At;
};

// Decodes into bottom-up rows (padded to 4 bytes), which Keep receives when given.
void DecodeLibpng(const Bytes& File, std::vector<uint8_t>* Keep = nullptr) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  PngReader reader{&File, 0};
  std::vector<uint8_t> pixels;
  if (setjmp(png_jmpbuf(png))) std::abort();
  png_set_read_fn(png, &reader, [](png_structp p, png_bytep out, png_size_t n) {
    auto* r = static_cast<PngReader*>(png_get_io_ptr(p));
    if (r->At + n > r->File->size()) png_error(p, "short");
    std::memcpy(out, r->File->data() + r->At, n);
    r->At += n;
  });
  png_read_info(png, info);
  // The same output as ours: blue-green-red rows, palette indices kept.
  png_set_bgr(png);
  png_set_packing(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t stride = (png_get_rowbytes(png, info) + 3) & ~size_t{3};
  const uint32_t height = png_get_image_height(png, info);
  pixels.resize(stride * height);
  std::vector<png_bytep> rows(height);
  for (uint32_t y = 0; y < height; ++y) rows[y] = pixels.data() + stride * (height - 1 - y);  // bottom-up
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  if (Keep != nullptr) *Keep = std::move(pixels);
}

// Ours and libpng agree on every colour and alpha sample of an 8-bit RGB or RGBA file.
bool SamePngPixels(const Bytes& File) {
  vr::TPNGCore core;
  vr::TMemoryStream in(File);
  core.LoadFromStream(in);
  const vr::TChunkIHDR& header = core.RequireHeader();
  const bool alpha = header.ColorType == 6;
  const size_t channels = alpha ? 4 : 3, stride = (header.Width * channels + 3) & ~size_t{3};
  std::vector<uint8_t> theirs;
  DecodeLibpng(File, &theirs);
  if (theirs.size() != stride * header.Height) return false;
  for (uint32_t y = 0; y < header.Height; ++y) {
    const uint8_t* ours = header.RowAddress(y);
    const uint8_t* row = &theirs[stride * (header.Height - 1 - y)];  // bottom-up
    for (uint32_t x = 0; x < header.Width; ++x) {
      if (std::memcmp(ours + 3 * x, row + channels * x, 3) != 0) return false;
      if (alpha && header.AlphaPlane[size_t(y) * header.Width + x] != row[4 * x + 3]) return false;
    }
  }
  return true;
}

void BenchPng() {
  const struct {
    const char* name;
    uint8_t colorType;
    bool interlaced;
  } kinds[] = {{"RGB 8-bit", vr::kPNGRGB, false},
               {"RGBA 8-bit", vr::kPNGRGBA, false},
               {"palette 8-bit", vr::kPNGPalette, false},
               {"RGB Adam7", vr::kPNGRGB, true}};
  for (const auto& kind : kinds) {
    const Bytes file = MakeBenchPng(kind.colorType, kind.interlaced);
    vr::TMemoryStream in(file);
    DecodeOurs(in);  // warm up
    const auto [ours, ref] = BestOfBoth([&] { DecodeOurs(in); }, [&] { DecodeLibpng(file); });
    SpeedRow("PNG vs libpng", std::string("2048x2048 ") + kind.name, 2048.0 * 2048.0, ours, ref, ">= 1.50x");
  }
  const struct {
    const char* name;
    int width, height;
    bool alpha;
  } photos[] = {{"4000x3000 photo-like RGB", 4000, 3000, false}, {"3264x2448 photo-like RGBA", 3264, 2448, true}};
  for (const auto& photo : photos) {
    const Bytes file = MakePhotoPng(photo.width, photo.height, photo.alpha);
    ComparePixels(photo.name, SamePngPixels(file));
    vr::TMemoryStream in(file);
    DecodeOurs(in);
    const auto [ours, ref] = BestOfBoth([&] { DecodeOurs(in); }, [&] { DecodeLibpng(file); });
    SpeedRow("PNG vs libpng", photo.name, double(photo.width) * photo.height, ours, ref, ">= 1.50x");
  }
}

// ---- GIF --------------------------------------------------------------------

Bytes MakeBenchGif(bool Animated, double& Pixels) {
  giftest::GifBuilder b;
  b.Header(2048, 2048, giftest::Grey(256)).Loop(0);
  auto frame = [&](int left, int top, int w, int h, uint32_t seed) {
    giftest::FrameSpec f;
    f.Left = left, f.Top = top, f.Width = w, f.Height = h;
    f.Pixels.resize(size_t(w) * h);
    uint32_t noise = seed;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) f.Pixels[size_t(y) * w + x] = uint8_t(Smooth(uint32_t(x), uint32_t(y), seed % 3, noise));
    b.Frame(f);
    Pixels += double(w) * h;
  };
  Pixels = 0;
  if (!Animated) {
    frame(0, 0, 2048, 2048, 1);
  } else {
    b.Control(vr::kDisposalLeave, 5);
    frame(0, 0, 2048, 2048, 1);
    for (int i = 0; i < 3; ++i) {
      b.Control(vr::kDisposalBackground, 5, 0);
      frame(256 * i, 300 * i, 1024, 1024, 2 + i);
    }
  }
  return b.Trailer().Data;
}

void DecodeOurGif(vr::TMemoryStream& In, std::vector<Bytes>* Keep = nullptr) {
  vr::TGIFImageCore image;
  In.SetPosition(0);
  image.LoadFromStream(In);
  for (int i = 0; i < image.Frames().Count(); ++i) {
    vr::TMemoryPixelSink dib;
    vr::RenderFramePixels(image.Frames()[i], dib, false, true);
    if (Keep != nullptr) Keep->push_back(std::move(dib.Pixels));
  }
}

struct GifReader {
  const Bytes* File;
  size_t At;
};

// Each frame into bottom-up rows padded to 4 bytes, which Keep receives when given.
void DecodeGiflib(const Bytes& File, std::vector<Bytes>* Keep = nullptr) {
  GifReader reader{&File, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, [](GifFileType* g, GifByteType* out, int n) {
    auto* r = static_cast<GifReader*>(g->UserData);
    const size_t take = std::min<size_t>(size_t(n), r->File->size() - r->At);
    std::memcpy(out, r->File->data() + r->At, take);
    r->At += take;
    return int(take);
  }, &error);
  if (gif == nullptr || DGifSlurp(gif) != GIF_OK) std::abort();
  for (int i = 0; i < gif->ImageCount; ++i) {
    // The frame's indices into bottom-up rows padded to 4 bytes, as our render writes.
    const SavedImage& frame = gif->SavedImages[i];
    const int w = frame.ImageDesc.Width, h = frame.ImageDesc.Height;
    const size_t stride = (size_t(w) + 3) & ~size_t{3};
    std::vector<uint8_t> dib(stride * h);
    for (int y = 0; y < h; ++y) std::memcpy(&dib[stride * (h - 1 - y)], frame.RasterBits + size_t(y) * w, w);
    if (Keep != nullptr) Keep->push_back(std::move(dib));
  }
  DGifCloseFile(gif, &error);
}

void BenchGif() {
  for (bool animated : {false, true}) {
    double pixels = 0;
    const Bytes file = MakeBenchGif(animated, pixels);
    vr::TMemoryStream in(file);
    DecodeOurGif(in);
    const auto [ours, ref] = BestOfBoth([&] { DecodeOurGif(in); }, [&] { DecodeGiflib(file); });
    SpeedRow("GIF vs giflib", animated ? "2048x2048 4 frames" : "2048x2048 1 frame", pixels, ours, ref, ">= 2.00x");
  }
  const Bytes file = MakePhotoGif();
  vr::TMemoryStream in(file);
  std::vector<Bytes> ourDibs, theirDibs;
  DecodeOurGif(in, &ourDibs);
  DecodeGiflib(file, &theirDibs);
  ComparePixels("2048x2048 photo-like GIF", ourDibs == theirDibs);
  const auto [ours, ref] = BestOfBoth([&] { DecodeOurGif(in); }, [&] { DecodeGiflib(file); });
  SpeedRow("GIF vs giflib", "2048x2048 photo-like, dithered", 2048.0 * 2048.0, ours, ref, ">= 2.00x");
}

// ---- JPEG -------------------------------------------------------------------

Bytes MakeBenchJpeg(int W, int H) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = JDIMENSION(W);
  c.image_height = JDIMENSION(H);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(size_t(W) * 3);
  uint32_t noise = 3;
  while (c.next_scanline < c.image_height) {
    for (int x = 0; x < W; ++x)
      for (unsigned ch = 0; ch < 3; ++ch) row[size_t(x) * 3 + ch] = JSAMPLE(Smooth(uint32_t(x), c.next_scanline, ch, noise));
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  Bytes bytes(out, out + size);
  jpeg_destroy_compress(&c);
  std::free(out);
  return bytes;
}

// A buffer kept from one decoding to the next, as the bitmap sink keeps its
// DIB; bottom-up rows like the bitmap's.
class TBufferTarget : public vr::IPixelSink, public vr::IJPEGDecodeEvents {
 public:
  vr::TPixelMemory AllocatePixels(const vr::TDibInfo& Info) override {
    FStride = size_t(Info.Stride());
    const size_t size = FStride * size_t(Info.Rows());
    if (FPixels.size() != size) FPixels.assign(size, 0);
    return {FPixels.data(), FPixels.size(), FStride};
  }
  void SetPalette(const std::vector<vr::TRGBQuad>&) override {}
  void Progress(vr::TJPEGProgressStage, int, bool, const vr::TJPEGRect&) override {}

  std::vector<uint8_t> FPixels;
  size_t FStride = 0;
};

void DecodePlainLoop(const Bytes& File, std::vector<uint8_t>& Pixels) {
  jpeg_decompress_struct d;
  jpeg_error_mgr err;
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, File.data(), static_cast<unsigned long>(File.size()));
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&d);
  const size_t stride = (size_t(d.output_width) * 3 + 3) & ~size_t{3};
  if (Pixels.size() != stride * d.output_height) Pixels.assign(stride * d.output_height, 0);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = &Pixels[stride * (d.output_height - 1 - d.output_scanline)];
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
}

void BenchJpeg(const std::string& Scratch) {
  const int w = 6000, h = 4000;
  const Bytes file = MakeBenchJpeg(w, h);
  TBufferTarget target;
  vr::TMemoryStream stream(file);
  auto ours = [&] {
    stream.SetPosition(0);
    vr::DecodeJPEG(stream, {}, target, target, [] { return 0u; });
  };
  std::vector<uint8_t> plainPixels;
  ours();
  const auto [ourTime, plain] = BestOfBoth(ours, [&] { DecodePlainLoop(file, plainPixels); });
  const std::string path = Scratch + "/bench_24mp.jpg";
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
  const std::string command = "djpeg -outfile /dev/null " + path;
  double djpeg = BestSeconds([&] {
    if (std::system(command.c_str()) != 0) std::abort();
  }, kRuns, ChildSeconds);
  const double mp = double(w) * h / 1e6;
  Row("JPEG 24 MP", "6000x4000 decode, ours vs plain jpeg_read_scanlines (s)", Fixed(ourTime, 3), Fixed(plain, 3),
      Fixed(ourTime / plain, 2), "<= 1.10");
  Row("JPEG 24 MP", "same file, ours vs djpeg (s)", Fixed(ourTime, 3), Fixed(djpeg, 3), Fixed(ourTime / djpeg, 2), "-");
  Row("JPEG 24 MP", "ours / plain loop / djpeg (MP/s)",
      Fixed(mp / ourTime, 1), Fixed(mp / plain, 1) + " / " + Fixed(mp / djpeg, 1), "-", "-");
  std::remove(path.c_str());
}

// ---- Large files for the memory benchmark ------------------------------------

// Writes Side x Side 8-bit PNGs of colour types 0, 2, 3, 4 and 6 into Folder,
// row by row through zlib (the test encoder would hold every sample at once).
void WriteLargePngs(const std::string& Folder, uint32_t Side) {
  for (uint8_t type : {0, 2, 3, 4, 6}) {
    const unsigned channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
    const std::string path = Folder + "/large_ct" + std::to_string(type) + ".png";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) std::abort();
    auto chunk = [&](const char* kind, const Bytes& data) {
      uint8_t head[8];
      vr::PutU32BE(head, uint32_t(data.size()));
      std::memcpy(head + 4, kind, 4);
      uLong crc = crc32(crc32(0, nullptr, 0), head + 4, 4);
      if (!data.empty()) crc = crc32(crc, data.data(), uInt(data.size()));
      uint8_t tail[4];
      vr::PutU32BE(tail, uint32_t(crc));
      std::fwrite(head, 1, 8, f);
      std::fwrite(data.data(), 1, data.size(), f);
      std::fwrite(tail, 1, 4, f);
    };
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::fwrite(signature, 1, 8, f);
    Bytes header(13, 0);
    vr::PutU32BE(header.data(), Side);
    vr::PutU32BE(header.data() + 4, Side);
    header[8] = 8;
    header[9] = type;
    chunk("IHDR", header);
    if (type == 3) {
      Bytes plte;
      for (int i = 0; i < 256; ++i) plte.insert(plte.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
      chunk("PLTE", plte);
    }
    z_stream z{};
    deflateInit(&z, 1);
    Bytes row(1 + size_t(Side) * channels), out(1 << 20);
    uint32_t noise = 5;
    for (uint32_t y = 0; y <= Side; ++y) {
      const bool last = y == Side;
      if (!last) {
        row[0] = 0;
        for (uint32_t x = 0; x < Side; ++x)
          for (unsigned c = 0; c < channels; ++c) row[1 + size_t(x) * channels + c] = uint8_t(Smooth(x, y, c, noise));
        z.next_in = row.data();
        z.avail_in = uInt(row.size());
      }
      int r;
      do {
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        r = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
        const size_t produced = out.size() - z.avail_out;
        if (produced > 0) chunk("IDAT", Bytes(out.begin(), out.begin() + long(produced)));
      } while (z.avail_out == 0 || (last && r != Z_STREAM_END));
    }
    deflateEnd(&z);
    chunk("IEND", {});
    std::fclose(f);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string scratch = argc > 1 ? argv[1] : "/tmp";
  const std::string which = argc > 2 ? argv[2] : "all";
  if (which == "large-png") {
    WriteLargePngs(scratch, 8000);
    const Bytes jpeg = MakeBenchJpeg(4000, 3000);
    FILE* f = std::fopen((scratch + "/large_4000x3000.jpg").c_str(), "wb");
    if (f == nullptr || std::fwrite(jpeg.data(), 1, jpeg.size(), f) != jpeg.size()) std::abort();
    std::fclose(f);
  }
  if (which == "all" || which == "png") BenchPng();
  if (which == "all" || which == "gif") BenchGif();
  if (PixelsCompared) {
    std::string answer = "yes";
    if (!PixelDifferences.empty()) {
      answer = "no:";
      for (const std::string& what : PixelDifferences) answer += " " + what + ";";
    }
    const char* references = which == "png" ? "libpng" : which == "gif" ? "giflib" : "libpng and giflib";
    Row("Pixels", std::string("photo-like files decode to the same pixels as ") + references, answer, "-", "-",
        "yes");
  }
  if (which == "all" || which == "jpeg") BenchJpeg(scratch);
  // The photo-like files, to look at.
  if (which == "photos") {
    const std::pair<std::string, Bytes> files[] = {{"photo_4000x3000.png", MakePhotoPng(4000, 3000, false)},
                                                   {"photo_3264x2448_alpha.png", MakePhotoPng(3264, 2448, true)},
                                                   {"photo_2048x2048.gif", MakePhotoGif()}};
    for (const auto& [name, bytes] : files) {
      FILE* f = std::fopen((scratch + "/" + name).c_str(), "wb");
      if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
      std::fclose(f);
    }
  }
  // For a profiler: only our decoders, over and over.
  if (which == "profile-png")
    for (uint8_t type : {vr::kPNGRGB, vr::kPNGPalette, vr::kPNGRGBA}) {
      vr::TMemoryStream in(MakeBenchPng(type, false));
      for (int i = 0; i < 60; ++i) DecodeOurs(in);
    }
  if (which == "phases-gif") {
    double pixels = 0;
    const Bytes file = MakeBenchGif(false, pixels);
    vr::TMemoryStream in(file);
    auto load = [&] { vr::TGIFImageCore image; in.SetPosition(0); image.LoadFromStream(in); };
    vr::TGIFImageCore image; in.SetPosition(0); image.LoadFromStream(in);
    auto render = [&] { vr::TMemoryPixelSink dib; vr::RenderFramePixels(image.Frames()[0], dib, false, true); };
    std::printf("load %.2f ms render %.2f ms giflib %.2f ms\n", BestSeconds(load, 5) * 1e3, BestSeconds(render, 5) * 1e3,
                BestSeconds([&] { DecodeGiflib(file); }, 5) * 1e3);
  }
  if (which == "profile-giflib") {
    double pixels = 0;
    const Bytes file = MakeBenchGif(false, pixels);
    for (int i = 0; i < 2; ++i) DecodeGiflib(file);
  }
  if (which == "profile-gif") {
    double pixels = 0;
    vr::TMemoryStream in(MakeBenchGif(false, pixels));
    for (int i = 0; i < 30; ++i) DecodeOurGif(in);
  }
  return 0;
}
