#include <doctest/doctest.h>

#include "support/jpeg_compress.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

#include "pictures/jpeg/jpeg_decoder.h"

using namespace vr;

namespace {

struct Picture {
  int w, h, components;
  std::vector<uint8_t> px;  // RGB, grey or CMYK samples, row by row
  uint8_t at(int x, int y, int c) const { return px[(size_t(y) * w + x) * components + c]; }
};

Picture Gradient(int w, int h) {
  Picture p{w, h, 3, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      p.px.push_back(uint8_t(x * 255 / (w > 1 ? w - 1 : 1)));
      p.px.push_back(uint8_t(y * 255 / (h > 1 ? h - 1 : 1)));
      p.px.push_back(128);
    }
  return p;
}

Picture GreyRamp(int w, int h) {
  Picture p{w, h, 1, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.px.push_back(uint8_t((x + y) * 255 / (w + h - 2)));
  return p;
}

std::vector<uint8_t> Compress(const Picture& p, bool progressive = false, int quality = 95, bool cmyk = false) {
  vr::test::TJPEGCompressSettings settings;
  settings.Quality = quality;
  settings.Progressive = progressive;
  settings.Cmyk = cmyk;
  return vr::test::CompressJPEG(p.px.data(), p.w, p.h, p.components, settings);
}

struct Report {
  TJPEGProgressStage stage;
  int percent;
  bool redraw;
  TJPEGRect r;
};

// The bitmap decoded into; the colours it is given first and every later
// palette are both in Palettes.
struct TestTarget : IPixelSink, IJPEGDecodeEvents {
  int W = 0, H = 0, Bits = 0, Begins = 0;
  TMemoryPixelSink Sink;
  std::vector<uint8_t>& Pixels = Sink.Pixels;
  std::vector<std::vector<TRGBQuad>> Palettes;
  std::vector<Report> Reports;
  std::function<void(const Report&)> OnReport;

  TPixelMemory AllocatePixels(const TDibInfo& Info) override {
    ++Begins;
    W = Info.Header.biWidth;
    H = Info.Header.biHeight;
    Bits = Info.Header.biBitCount;
    if (!Info.Colors.empty()) Palettes.push_back(Info.Colors);
    return Sink.AllocatePixels(Info);
  }
  void SetPalette(const std::vector<TRGBQuad>& Colors) override { Palettes.push_back(Colors); }
  void Progress(TJPEGProgressStage Stage, int Percent, bool Redraw, const TJPEGRect& R) override {
    Reports.push_back({Stage, Percent, Redraw, R});
    if (OnReport) OnReport(Reports.back());
  }
  // Bottom-up rows, 4-byte aligned.
  const uint8_t* Px(int x, int y) const {
    return &Pixels[size_t(H - 1 - y) * Sink.Stride + size_t(x) * (Bits / 8)];
  }
};

// Mean absolute difference of a 24-bit (BGR) decode from an RGB picture.
double MeanError(const TestTarget& t, const Picture& p) {
  double sum = 0;
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x)
      for (int c = 0; c < 3; ++c) sum += std::abs(int(t.Px(x, y)[2 - c]) - int(p.at(x, y, c)));
  return sum / (p.w * p.h * 3.0);
}

TJPEGDecodeResult Decode(const std::vector<uint8_t>& bytes, TestTarget& t, const TJPEGDecodeOptions& o = {},
                         const TTickSource& clock = [] { return 0u; }) {
  TMemoryStream s(bytes);
  return DecodeJPEG(s, o, t, t, clock);
}

// A clock that moves on by Step milliseconds at every reading.
TTickSource SteppingClock(uint32_t step) {
  auto now = std::make_shared<uint32_t>(1000);
  return [now, step] { return *now += step; };
}

size_t FindMarker(const std::vector<uint8_t>& b, uint8_t marker, int occurrence = 1) {
  for (size_t i = 0; i + 1 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == marker && --occurrence == 0) return i;
  return 0;
}

#define CHECK_JPEG_ERROR(expr, code) CHECK_THROWS_WITH_AS(expr, "JPEG error #" #code, EJPEG)

}  // namespace

TEST_CASE("the header gives the size and kind at once") {
  std::vector<uint8_t> big = Compress(Gradient(640, 480), false, 50);
  TMemoryStream s(big);
  TJPEGHeaderInfo h = ReadJPEGHeader(s);
  CHECK(h.Width == 640);
  CHECK(h.Height == 480);
  CHECK_FALSE(h.Grayscale);
  CHECK_FALSE(h.MultipleScans);

  TMemoryStream g(Compress(GreyRamp(20, 10)));
  CHECK(ReadJPEGHeader(g).Grayscale);
  TMemoryStream p(Compress(Gradient(20, 10), true));
  CHECK(ReadJPEGHeader(p).MultipleScans);
}

TEST_CASE("what is not a JPEG is refused with the library's message code") {
  std::vector<uint8_t> bmp = {'B', 'M', 0x3A, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0, 0, 0};
  TMemoryStream b(bmp);
  CHECK_JPEG_ERROR(ReadJPEGHeader(b), 53);
  TMemoryStream empty;
  CHECK_JPEG_ERROR(ReadJPEGHeader(empty), 42);
  TestTarget t;
  CHECK_JPEG_ERROR(Decode({}, t), 42);

  // A header cut short ends in an error, not in a picture.
  std::vector<uint8_t> full = Compress(Gradient(16, 16));
  std::vector<uint8_t> cut(full.begin(), full.begin() + 40);
  TMemoryStream c(cut);
  CHECK_THROWS_AS(ReadJPEGHeader(c), EJPEG);

  // A picture claiming 60000 × 60000 pixels is refused before decoding.
  size_t sof = FindMarker(full, 0xC0);
  REQUIRE(sof != 0);
  full[sof + 5] = 0xEA; full[sof + 6] = 0x60;  // height 60000
  full[sof + 7] = 0xEA; full[sof + 8] = 0x60;  // width 60000
  TMemoryStream huge(full);
  CHECK_JPEG_ERROR(ReadJPEGHeader(huge), 41);
}

TEST_CASE("a sink without memory enough for the picture ends the decoding in the out-of-memory error") {
  std::vector<uint8_t> bytes = Compress(Gradient(48, 32));
  std::vector<uint8_t> small(48 * 3 * 31 + 64);
  struct Case {
    const char* what;
    TPixelMemory memory;
  } cases[] = {
      {"none", {}},
      {"rows too short", {small.data(), small.size(), 48 * 3 - 4}},
      {"too few rows", {small.data(), small.size(), 48 * 3}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.what);
    TLentPixelSink sink(c.memory);
    TestTarget events;
    TMemoryStream s(bytes);
    CHECK_JPEG_ERROR(DecodeJPEG(s, {}, sink, events), 54);
    CHECK(events.Reports.back().stage == TJPEGProgressStage::Ending);
  }
}

TEST_CASE("a colour picture decodes into 24-bit rows, blue first, with a start and an end report") {
  Picture pic = Gradient(48, 32);
  TestTarget t;
  TJPEGDecodeResult r = Decode(Compress(pic), t);
  CHECK(t.Begins == 1);
  CHECK(t.W == 48);
  CHECK(t.H == 32);
  CHECK(t.Bits == 24);
  CHECK(MeanError(t, pic) < 3.0);
  CHECK(t.Px(47, 0)[2] > 230);  // red at the right edge
  CHECK(t.Px(47, 0)[0] < 150);  // blue stays at the middle
  CHECK_FALSE(r.PaletteChanged);
  CHECK(r.Warnings == 0);
  CHECK(t.Palettes.empty());
  REQUIRE(t.Reports.size() == 2);  // the clock never moves: no running reports
  CHECK(t.Reports.front().stage == TJPEGProgressStage::Starting);
  CHECK(t.Reports.front().percent == 0);
  CHECK(t.Reports.back().stage == TJPEGProgressStage::Ending);
  CHECK(t.Reports.back().percent == 100);
  CHECK_FALSE(t.Reports.back().redraw);
}

TEST_CASE("reduced scales round the size up") {
  std::vector<uint8_t> bytes = Compress(Gradient(33, 17));
  TMemoryStream s(bytes);
  TJPEGDecodeOptions o;
  o.Scale = TJPEGScale::jsHalf;
  TJPEGSize half = JPEGOutputSize(s, o);
  CHECK(half.Width == 17);
  CHECK(half.Height == 9);
  o.Scale = TJPEGScale::jsEighth;
  TJPEGSize eighth = JPEGOutputSize(s, o);
  CHECK(eighth.Width == 5);
  CHECK(eighth.Height == 3);
  TestTarget t;
  o.Scale = TJPEGScale::jsQuarter;
  Decode(bytes, t, o);
  CHECK(t.W == 9);
  CHECK(t.H == 5);
}

TEST_CASE("a grey file yields an 8-bit picture with a grey palette") {
  Picture pic = GreyRamp(40, 24);
  TestTarget t;
  TJPEGDecodeResult r = Decode(Compress(pic), t);
  CHECK(t.Bits == 8);
  CHECK(r.PaletteChanged);
  REQUIRE(t.Palettes.size() == 1);
  const std::vector<TRGBQuad>& pal = t.Palettes[0];
  CHECK(pal.size() <= 236);
  for (const TRGBQuad& q : pal) {
    CHECK(q.rgbRed == q.rgbGreen);
    CHECK(q.rgbGreen == q.rgbBlue);
  }
  int worst = 0;
  for (int y = 0; y < pic.h; ++y)
    for (int x = 0; x < pic.w; ++x) {
      uint8_t index = *t.Px(x, y);
      REQUIRE(index < pal.size());
      worst = std::max(worst, std::abs(int(pal[index].rgbRed) - int(pic.at(x, y, 0))));
    }
  CHECK(worst < 24);
  CHECK(t.Reports.back().redraw);  // the palette changed
}

TEST_CASE("8-bit output quantizes to the decoder's palette or to one given") {
  Picture pic = Gradient(32, 32);
  std::vector<uint8_t> bytes = Compress(pic);
  for (TJPEGPerformance speed : {TJPEGPerformance::jpBestQuality, TJPEGPerformance::jpBestSpeed}) {
    TJPEGDecodeOptions o;
    o.PixelFormat = TJPEGPixelFormat::jf8Bit;
    o.DecodeSpeed = speed;
    TestTarget t;
    TJPEGDecodeResult r = Decode(bytes, t, o);
    CHECK(t.Bits == 8);
    CHECK(r.PaletteChanged);
    REQUIRE(t.Palettes.size() == 1);
    const std::vector<TRGBQuad>& pal = t.Palettes[0];
    CHECK(pal.size() <= 236);
    double sum = 0;
    for (int y = 0; y < pic.h; ++y)
      for (int x = 0; x < pic.w; ++x) {
        const TRGBQuad& q = pal.at(*t.Px(x, y));
        sum += std::abs(int(q.rgbRed) - pic.at(x, y, 0)) + std::abs(int(q.rgbGreen) - pic.at(x, y, 1));
      }
    CHECK(sum / (pic.w * pic.h * 2) < 24);
  }

  TJPEGDecodeOptions o;
  o.PixelFormat = TJPEGPixelFormat::jf8Bit;
  o.TargetPalette = {TRGBQuad{0, 0, 0, 0}, TRGBQuad{255, 255, 255, 0}};
  TestTarget t;
  TJPEGDecodeResult r = Decode(bytes, t, o);
  CHECK_FALSE(r.PaletteChanged);
  REQUIRE(t.Palettes.size() == 1);
  CHECK(t.Palettes[0] == o.TargetPalette);
  for (uint8_t index : t.Pixels) CHECK(index <= 1);

  // A grey decode cannot use a given colour palette: the target gets the
  // grey map its indices refer to.
  TJPEGDecodeOptions og = o;
  og.GrayOutput = true;
  TestTarget tg;
  TJPEGDecodeResult rg = Decode(bytes, tg, og);
  CHECK(rg.PaletteChanged);
  REQUIRE(tg.Palettes.size() == 1);
  CHECK(tg.Palettes[0].size() > 2);
  CHECK(tg.Palettes[0][1].rgbRed == tg.Palettes[0][1].rgbBlue);
  for (uint8_t index : tg.Pixels) CHECK(index < tg.Palettes[0].size());
}

TEST_CASE("a file cut inside its compressed data decodes at full size with warnings") {
  Picture pic = Gradient(64, 64);
  std::vector<uint8_t> full = Compress(pic);
  TestTarget whole;
  Decode(full, whole);
  std::vector<uint8_t> cut(full.begin(), full.begin() + long(full.size() * 2 / 3));
  TestTarget t;
  TJPEGDecodeResult r;
  CHECK_NOTHROW(r = Decode(cut, t));
  CHECK(r.Warnings > 0);
  CHECK(t.W == 64);
  CHECK(t.H == 64);
  for (int x = 0; x < 64; ++x) CHECK(t.Px(x, 0)[2] == whole.Px(x, 0)[2]);  // the first rows are intact
  CHECK(t.Reports.back().percent == 100);

  // Damaged data in the middle (bytes overwritten, no marker) is decoded too.
  std::vector<uint8_t> damaged = full;
  for (size_t i = full.size() / 2; i < full.size() / 2 + 40; ++i) damaged[i] = 0x00;
  TestTarget td;
  CHECK_NOTHROW(Decode(damaged, td));
}

TEST_CASE("an error inside the decoding comes after an ending report of 0 %") {
  std::vector<uint8_t> bytes = Compress(Gradient(32, 32), true);
  size_t sos2 = FindMarker(bytes, 0xDA, 2);
  REQUIRE(sos2 != 0);
  bytes[sos2 + 5] = 99;  // a component id the frame does not have
  TestTarget t;
  CHECK_THROWS_AS(Decode(bytes, t), EJPEG);
  REQUIRE(t.Reports.size() >= 2);
  CHECK(t.Reports.front().stage == TJPEGProgressStage::Starting);
  CHECK(t.Reports.back().stage == TJPEGProgressStage::Ending);
  CHECK(t.Reports.back().percent == 0);
}

TEST_CASE("progress: at most one report per 500 ms, only when the percentage changes") {
  std::vector<uint8_t> bytes = Compress(Gradient(256, 256), true);
  TestTarget t;
  Decode(bytes, t, {}, SteppingClock(1000));
  REQUIRE(t.Reports.size() > 3);
  CHECK(t.Reports.front().stage == TJPEGProgressStage::Starting);
  CHECK(t.Reports.back().stage == TJPEGProgressStage::Ending);
  int last = -1;
  for (size_t i = 1; i + 1 < t.Reports.size(); ++i) {
    const Report& r = t.Reports[i];
    CHECK(r.stage == TJPEGProgressStage::Running);
    CHECK(r.percent != last);
    CHECK(r.percent >= 0);
    CHECK(r.percent <= 100);
    CHECK(r.redraw == (r.r.Bottom - r.r.Top >= 4));
    last = r.percent;
  }

  // With the library calling every 100 ms a report is due at most every
  // fifth call: fewer reports than with a call every 500 ms.
  TestTarget slow;
  Decode(bytes, slow, {}, SteppingClock(100));
  CHECK(slow.Reports.size() > 2);
  CHECK(slow.Reports.size() < t.Reports.size());
}

TEST_CASE("the throttle's own rules") {
  uint32_t now = 0;
  TJPEGProgressThrottle th([&] { return now; });
  TJPEGProgressCounters c;
  c.PassCounter = 10;
  c.PassLimit = 100;
  c.TotalPasses = 2;
  c.CompletedPasses = 1;
  c.OutputWidth = 50;
  c.OutputHeight = 40;
  c.OutputScanline = 10;
  TJPEGProgressReport r;
  now = 100;
  CHECK_FALSE(th.Update(c, r));  // the first call starts the clock
  now = 599;
  CHECK_FALSE(th.Update(c, r));
  now = 600;
  REQUIRE(th.Update(c, r));
  CHECK(r.PercentDone == 55);
  CHECK(r.R == TJPEGRect{0, 0, 50, 10});
  CHECK(r.RedrawNow);
  now = 2000;
  CHECK_FALSE(th.Update(c, r));  // same percentage
  c.PassCounter = 20;
  c.OutputScanline = 2;  // a new pass began at the top
  now = 3000;
  REQUIRE(th.Update(c, r));
  CHECK(r.PercentDone == 60);
  CHECK(r.R == TJPEGRect{0, 10, 50, 40});
  c.PassLimit = 0;  // never divides by zero
  c.TotalPasses = 0;
  now = 4000;
  CHECK_FALSE(th.Update(c, r));
}

TEST_CASE("showing a progressive file pass by pass ends with the same picture") {
  std::vector<uint8_t> bytes = Compress(Gradient(64, 48), true);
  TestTarget plain;
  Decode(bytes, plain);
  TJPEGDecodeOptions o;
  o.ShowProgressively = true;
  TestTarget shown;
  Decode(bytes, shown, o, SteppingClock(1000));
  int rowsOut = 0;
  for (const Report& r : shown.Reports)
    if (r.stage == TJPEGProgressStage::Running) rowsOut += r.r.Bottom - r.r.Top;
  CHECK(rowsOut > 2 * 48);  // several output passes
  CHECK(shown.Pixels == plain.Pixels);
  bool fullHeightRedraw = false;
  for (const Report& r : shown.Reports)
    if (r.stage == TJPEGProgressStage::Running && r.r.Bottom == 48 && r.redraw) fullHeightRedraw = true;
  CHECK(fullHeightRedraw);

  // 8-bit: a quick palette for the passes, then the final two-pass one.
  o.PixelFormat = TJPEGPixelFormat::jf8Bit;
  TestTarget eight;
  TJPEGDecodeResult r = Decode(bytes, eight, o);
  CHECK(r.PaletteChanged);
  CHECK(eight.Palettes.size() == 2);
  for (uint8_t index : eight.Pixels) CHECK(index < eight.Palettes.back().size());
}

TEST_CASE("an error raised by the target leaves unchanged, after the ending report") {
  struct Abort {};
  std::vector<uint8_t> bytes = Compress(Gradient(256, 256), true);
  TestTarget t;
  t.OnReport = [](const Report& r) {
    if (r.stage == TJPEGProgressStage::Running) throw Abort{};
  };
  CHECK_THROWS_AS(Decode(bytes, t, {}, SteppingClock(1000)), Abort);
  CHECK(t.Reports.back().stage == TJPEGProgressStage::Ending);
  CHECK(t.Reports.back().percent == 0);

  // A stream that fails while the library reads it.
  struct FailingStream : TMemoryStream {
    using TMemoryStream::TMemoryStream;
    size_t Read(void* Buffer, size_t Count) override {
      if (Position() > 0) throw EReadError("Stream read error");
      return TMemoryStream::Read(Buffer, std::min<size_t>(Count, 100));
    }
  };
  FailingStream s(bytes);
  CHECK_THROWS_WITH_AS(ReadJPEGHeader(s), "Stream read error", EReadError);
}

TEST_CASE("a CMYK file (stored inverted, with the Adobe marker) decodes to colours") {
  Picture red{8, 8, 4, {}};
  for (int i = 0; i < 64; ++i) {
    red.px.push_back(255);  // inverted C = 0
    red.px.push_back(0);    // inverted M = 255
    red.px.push_back(0);    // inverted Y = 255
    red.px.push_back(255);  // inverted K = 0
  }
  std::vector<uint8_t> bytes = Compress(red, false, 95, true);
  TestTarget t;
  Decode(bytes, t);
  CHECK(t.Bits == 24);
  CHECK(t.Px(3, 3)[2] > 240);
  CHECK(t.Px(3, 3)[1] < 15);
  CHECK(t.Px(3, 3)[0] < 15);

  TJPEGDecodeOptions o;
  o.PixelFormat = TJPEGPixelFormat::jf8Bit;
  TestTarget e;
  Decode(bytes, e, o);
  REQUIRE(e.Palettes.size() == 1);
  const TRGBQuad& q = e.Palettes[0].at(*e.Px(3, 3));
  CHECK(q.rgbRed > 200);
  CHECK(q.rgbGreen < 60);
}

TEST_CASE("a file with hundreds of scans is refused instead of decoded hundreds of times") {
  std::vector<uint8_t> bytes = Compress(Gradient(16, 16), true);
  // Repeat the last scan (from its SOS to the end-of-image marker).
  size_t last = 0;
  for (int n = 1; FindMarker(bytes, 0xDA, n) != 0; ++n) last = FindMarker(bytes, 0xDA, n);
  REQUIRE(last != 0);
  REQUIRE(bytes[bytes.size() - 2] == 0xFF);
  std::vector<uint8_t> scan(bytes.begin() + long(last), bytes.end() - 2);
  std::vector<uint8_t> many(bytes.begin(), bytes.end() - 2);
  for (int i = 0; i < 600; ++i) many.insert(many.end(), scan.begin(), scan.end());
  many.push_back(0xFF);
  many.push_back(0xD9);
  TestTarget t;
  CHECK_JPEG_ERROR(Decode(many, t), 16);
  // A few repeated scans are only warned about.
  std::vector<uint8_t> few(bytes.begin(), bytes.end() - 2);
  for (int i = 0; i < 3; ++i) few.insert(few.end(), scan.begin(), scan.end());
  few.push_back(0xFF);
  few.push_back(0xD9);
  TestTarget f;
  CHECK(Decode(few, f).Warnings > 0);
}
