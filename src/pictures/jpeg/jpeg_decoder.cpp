#include "pictures/jpeg/jpeg_decoder.h"

#include <algorithm>
#include <cstring>

#include "pictures/jpeg/jpeg_callbacks.h"

namespace vr {

namespace {

// Colours of the decoder's own palette: 236 leaves the 20 static colours of
// a 256-colour display alone.
constexpr int kQuantizedColours = 236;
// A progressive file has a handful of scans; thousands of tiny ones would
// make the decoder run over the whole picture thousands of times.
constexpr int kMaxScans = 500;

class TJPEGSession;

struct TProgressHook {
  jpeg_progress_mgr Pub;  // first
  TJPEGSession* Session = nullptr;
};

void ProgressMonitor(j_common_ptr info);

// One decompressor from creation to destruction; every library call is
// made through JPEGGuard.
class TJPEGSession {
 public:
  TJPEGSession() {
    InitJPEGErrorManager(FErr);
    std::memset(&FInfo, 0, sizeof FInfo);
    FInfo.err = &FErr.Pub;
  }
  ~TJPEGSession() { jpeg_destroy_decompress(&FInfo); }
  TJPEGSession(const TJPEGSession&) = delete;
  TJPEGSession& operator=(const TJPEGSession&) = delete;

  // Creates the decompressor, points it at Data from position 0 and reads
  // the header (an image is required).
  void Open(TStream& Data) {
    JPEGGuard(FErr, [&] { jpeg_CreateDecompress(&FInfo, JPEG_LIB_VERSION, sizeof FInfo); });
    // Creation clears the structure: the monitor is attached after it.
    if (FEvents != nullptr) FInfo.progress = &FProgress.Pub;
    AttachJPEGStreamSource(&FInfo, FSource, Data, FErr);
    JPEGGuard(FErr, [&] { jpeg_read_header(&FInfo, TRUE); });
    // Refused before anything is allocated for the pixels.
    if (uint64_t{FInfo.image_width} * FInfo.image_height > kMaxPicturePixels) RaiseJPEGError(JERR_IMAGE_TOO_BIG);
  }

  // Reports go to Events from the next Open on.
  void AttachProgress(IJPEGDecodeEvents& Events, const TTickSource& Clock) {
    FEvents = &Events;
    FThrottle = TJPEGProgressThrottle(Clock);
    FProgress.Pub.progress_monitor = ProgressMonitor;
    FProgress.Session = this;
  }

  bool HasMultipleScans() {
    boolean multiple = FALSE;
    JPEGGuard(FErr, [&] { multiple = jpeg_has_multiple_scans(&FInfo); });
    return multiple != FALSE;
  }

  // The decompression parameters; remembers the final-pass settings.
  void SetUp(const TJPEGDecodeOptions& O) {
    FInfo.scale_num = 1;
    FInfo.scale_denom = 1u << static_cast<int>(O.Scale);
    FInfo.do_block_smoothing = O.SmoothUpsampling ? TRUE : FALSE;
    if (O.GrayOutput) FInfo.out_color_space = JCS_GRAYSCALE;
    const bool grey = FInfo.out_color_space == JCS_GRAYSCALE;
    if (O.PixelFormat == TJPEGPixelFormat::jf8Bit || grey) {
      FInfo.quantize_colors = TRUE;
      FInfo.desired_number_of_colors = kQuantizedColours;
    }
    if (O.DecodeSpeed == TJPEGPerformance::jpBestSpeed) {
      FInfo.dct_method = JDCT_IFAST;
      FInfo.two_pass_quantize = FALSE;
      FInfo.dither_mode = JDITHER_ORDERED;
    }
    // 24-bit rows go straight into the bitmap, which wants blue first.
    if (!FInfo.quantize_colors && FInfo.out_color_space == JCS_RGB) FInfo.out_color_space = JCS_EXT_BGR;
    if (FInfo.out_color_space != JCS_GRAYSCALE && FInfo.out_color_space != JCS_RGB &&
        FInfo.out_color_space != JCS_EXT_BGR && FInfo.out_color_space != JCS_CMYK)
      RaiseJPEGError(JERR_CONVERSION_NOTIMPL);

    FFinalDct = FInfo.dct_method;
    FFinalTwoPass = FInfo.two_pass_quantize != FALSE;
    FFinalDither = FInfo.dither_mode;
    if (O.ShowProgressively && HasMultipleScans()) {
      // Quick passes while the scans come in, the chosen quality at the end.
      if (FInfo.quantize_colors && FFinalTwoPass) FInfo.enable_2pass_quant = TRUE;
      FInfo.dct_method = JDCT_IFAST;
      FInfo.two_pass_quantize = FALSE;
      FInfo.dither_mode = JDITHER_ORDERED;
      FInfo.buffered_image = TRUE;
    }

    if (FInfo.quantize_colors && O.PixelFormat == TJPEGPixelFormat::jf8Bit && !O.TargetPalette.empty()) {
      const int n = static_cast<int>(std::min<size_t>(O.TargetPalette.size(), 256));
      JSAMPARRAY map = nullptr;
      JPEGGuard(FErr, [&] {
        map = (*FInfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&FInfo), JPOOL_IMAGE,
                                         static_cast<JDIMENSION>(n), 3);
      });
      for (int i = 0; i < n; ++i) {
        map[0][i] = O.TargetPalette[i].rgbRed;
        map[1][i] = O.TargetPalette[i].rgbGreen;
        map[2][i] = O.TargetPalette[i].rgbBlue;
      }
      FInfo.colormap = map;
      FInfo.actual_number_of_colors = n;
      FExternalMap = map;
      FExternalColours.assign(O.TargetPalette.begin(), O.TargetPalette.begin() + n);
    }
  }

  TJPEGSize OutputSize() {
    JPEGGuard(FErr, [&] { jpeg_calc_output_dimensions(&FInfo); });
    return {static_cast<int32_t>(FInfo.output_width), static_cast<int32_t>(FInfo.output_height)};
  }

  void Decode(IPixelSink& Pixels, TJPEGDecodeResult& Result) {
    JPEGGuard(FErr, [&] { jpeg_start_decompress(&FInfo); });
    const bool quantize = FInfo.quantize_colors != FALSE;
    // The library quantizes to a given palette only for 3-component output;
    // otherwise it makes its own, and the bitmap must get that one.
    const bool givenUsed = FExternalMap != nullptr && FInfo.colormap == FExternalMap;
    if (quantize) {
      FColours = givenUsed ? FExternalColours : MapColours();
      if (!givenUsed && !FColours.empty()) Result.PaletteChanged = true;
    }
    AskMemory(Pixels, quantize);

    if (FInfo.buffered_image) {
      bool first = true;
      while (!InputComplete()) {
        JPEGGuard(FErr, [&] { jpeg_start_output(&FInfo, FInfo.input_scan_number); });
        if (first && quantize && !givenUsed) GivePalette(Result);
        first = false;
        ReadRows();
        JPEGGuard(FErr, [&] { jpeg_finish_output(&FInfo); });
      }
      FInfo.dct_method = FFinalDct;
      FInfo.dither_mode = FFinalDither;
      const bool newMap = quantize && FFinalTwoPass && !givenUsed;
      if (newMap) {
        FInfo.two_pass_quantize = TRUE;
        FInfo.colormap = nullptr;  // a new one is built for the final pass
      }
      JPEGGuard(FErr, [&] { jpeg_start_output(&FInfo, FInfo.input_scan_number); });
      if (quantize && !givenUsed && (newMap || first)) GivePalette(Result);
      ReadRows();
      JPEGGuard(FErr, [&] { jpeg_finish_output(&FInfo); });
    } else {
      if (quantize && !givenUsed) GivePalette(Result);
      ReadRows();
    }
    JPEGGuard(FErr, [&] { jpeg_finish_decompress(&FInfo); });
    Result.Warnings = FErr.Warnings;
  }

  jpeg_decompress_struct& Info() { return FInfo; }

  // The progress monitor's work; false ends the library call (the error is
  // kept in the error manager). Nothing of it is alive when it returns.
  bool OnProgress() noexcept {
    if (FInfo.input_scan_number > kMaxScans) {
      FErr.ErrorCode = JERR_BAD_PROGRESSION;
      return false;
    }
    if (FEvents == nullptr) return true;
    try {
      TJPEGProgressCounters c;
      c.PassCounter = FProgress.Pub.pass_counter;
      c.PassLimit = FProgress.Pub.pass_limit;
      c.CompletedPasses = FProgress.Pub.completed_passes;
      c.TotalPasses = FProgress.Pub.total_passes;
      c.OutputScanline = FInfo.output_scanline;
      c.OutputWidth = FInfo.output_width;
      c.OutputHeight = FInfo.output_height;
      TJPEGProgressReport r;
      if (FThrottle.Update(c, r)) FEvents->Progress(TJPEGProgressStage::Running, r.PercentDone, r.RedrawNow, r.R);
      return true;
    } catch (...) {
      FErr.Pending = std::current_exception();
      return false;
    }
  }

 private:
  bool InputComplete() {
    boolean done = FALSE;
    JPEGGuard(FErr, [&] { done = jpeg_input_complete(&FInfo); });
    return done != FALSE;
  }

  // The memory of the rows, asked once: a bottom-up bitmap of the output
  // size with the colours known so far.
  void AskMemory(IPixelSink& Pixels, bool Quantize) {
    TDibInfo info;
    info.Header.biWidth = static_cast<int32_t>(FInfo.output_width);
    info.Header.biHeight = static_cast<int32_t>(FInfo.output_height);
    info.Header.biPlanes = 1;
    info.Header.biBitCount = Quantize ? 8 : 24;
    info.Header.biCompression = kDibRgb;
    info.Header.biClrUsed = static_cast<uint32_t>(FColours.size());
    info.Colors = FColours;
    const TPixelMemory memory = Pixels.AllocatePixels(info);
    const size_t rowBytes = size_t{FInfo.output_width} * (Quantize ? 1 : 3);
    if (!memory || memory.Stride < rowBytes || memory.Size / memory.Stride < FInfo.output_height)
      RaiseJPEGError(JERR_OUT_OF_MEMORY);
    FMemory = memory;
  }

  // The decoder's colour map as colour-table entries (none before it has one).
  std::vector<TRGBQuad> MapColours() const {
    if (FInfo.colormap == nullptr) return {};
    const int n = std::clamp(FInfo.actual_number_of_colors, 0, 256);
    const int components = FInfo.out_color_components;
    const bool inverted = FInfo.saw_Adobe_marker != FALSE;
    std::vector<TRGBQuad> colours(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      TRGBQuad& q = colours[static_cast<size_t>(i)];
      if (components == 1) {
        q.rgbRed = q.rgbGreen = q.rgbBlue = FInfo.colormap[0][i];
      } else if (components == 4) {
        const uint8_t cmyk[4] = {FInfo.colormap[0][i], FInfo.colormap[1][i], FInfo.colormap[2][i],
                                 FInfo.colormap[3][i]};
        uint8_t bgr[3];
        CmykToBgr(cmyk, bgr, 1, inverted);
        q = TRGBQuad{bgr[0], bgr[1], bgr[2], 0};
      } else {
        q.rgbRed = FInfo.colormap[0][i];
        q.rgbGreen = FInfo.colormap[1][i];
        q.rgbBlue = FInfo.colormap[2][i];
      }
    }
    return colours;
  }

  // Tells the events of the decoder's colour map when the rows are no longer
  // indexed by the colours the memory was asked with.
  void GivePalette(TJPEGDecodeResult& Result) {
    if (FInfo.colormap == nullptr) return;
    std::vector<TRGBQuad> colours = MapColours();
    Result.PaletteChanged = true;
    if (colours == FColours) return;
    FColours = std::move(colours);
    FEvents->SetPalette(FColours);
  }

  // CMYK (Adobe files store it inverted) to blue, green, red.
  static void CmykToBgr(const uint8_t* In, uint8_t* Out, unsigned Count, bool Inverted) {
    for (unsigned x = 0; x < Count; ++x, In += 4, Out += 3) {
      unsigned c = In[0], m = In[1], y = In[2], k = In[3];
      if (!Inverted) {
        c = 255 - c;
        m = 255 - m;
        y = 255 - y;
        k = 255 - k;
      }
      Out[0] = static_cast<uint8_t>((y * k + 127) / 255);
      Out[1] = static_cast<uint8_t>((m * k + 127) / 255);
      Out[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
  }

  // Reads the rows of one output pass straight into the bitmap's rows (a
  // CMYK picture through a row buffer, converted on the way).
  void ReadRows() {
    const unsigned width = FInfo.output_width;
    const size_t height = FInfo.output_height;
    const unsigned batch = std::max(1, FInfo.rec_outbuf_height);
    const bool cmyk = FInfo.out_color_space == JCS_CMYK && !FInfo.quantize_colors;
    FRows.resize(batch);
    if (cmyk) FCmykRows.resize(size_t{batch} * width * 4);
    while (FInfo.output_scanline < FInfo.output_height) {
      const unsigned first = FInfo.output_scanline;
      const unsigned n = std::min(batch, FInfo.output_height - first);
      for (unsigned i = 0; i < n; ++i)
        FRows[i] = cmyk ? FCmykRows.data() + size_t{i} * width * 4 : FMemory.Row(first + i, height, false);
      JDIMENSION got = 0;
      JPEGGuard(FErr, [&] { got = jpeg_read_scanlines(&FInfo, FRows.data(), n); });
      if (cmyk)
        for (unsigned i = 0; i < got; ++i)
          CmykToBgr(FRows[i], FMemory.Row(first + i, height, false), width, FInfo.saw_Adobe_marker != FALSE);
      if (got == 0) break;  // only a suspending source returns no rows
    }
  }

  TJPEGErrorManager FErr;
  jpeg_decompress_struct FInfo;
  TJPEGStreamSource FSource;
  TProgressHook FProgress;
  TJPEGProgressThrottle FThrottle;
  IJPEGDecodeEvents* FEvents = nullptr;
  TPixelMemory FMemory;
  std::vector<TRGBQuad> FColours;  // those the rows index now
  J_DCT_METHOD FFinalDct = JDCT_ISLOW;
  bool FFinalTwoPass = true;
  J_DITHER_MODE FFinalDither = JDITHER_FS;
  JSAMPARRAY FExternalMap = nullptr;
  std::vector<TRGBQuad> FExternalColours;
  std::vector<JSAMPROW> FRows;
  std::vector<JSAMPLE> FCmykRows;
};

void ProgressMonitor(j_common_ptr info) {
  auto* hook = reinterpret_cast<TProgressHook*>(info->progress);
  if (!hook->Session->OnProgress()) JPEGJumpOut(info);
}

}  // namespace

void CheckJPEGFileSize(uint64_t Size) {
  if (Size > kMaxPictureBytes) RaiseJPEGError(JERR_IMAGE_TOO_BIG);
}

TJPEGHeaderInfo ReadJPEGHeader(TStream& Data) {
  TJPEGSession s;
  s.Open(Data);
  TJPEGHeaderInfo h;
  h.Width = static_cast<int32_t>(s.Info().image_width);
  h.Height = static_cast<int32_t>(s.Info().image_height);
  h.Grayscale = s.Info().jpeg_color_space == JCS_GRAYSCALE;
  h.MultipleScans = s.HasMultipleScans();
  return h;
}

TJPEGSize JPEGOutputSize(TStream& Data, const TJPEGDecodeOptions& Options) {
  TJPEGSession s;
  s.Open(Data);
  s.SetUp(Options);
  return s.OutputSize();
}

TJPEGDecodeResult DecodeJPEG(TStream& Data, const TJPEGDecodeOptions& Options, IPixelSink& Pixels,
                             IJPEGDecodeEvents& Events, const TTickSource& Clock) {
  TJPEGSession s;
  s.AttachProgress(Events, Clock);
  s.Open(Data);
  s.SetUp(Options);
  Events.Progress(TJPEGProgressStage::Starting, 0, false, TJPEGRect{});
  TJPEGDecodeResult result;
  try {
    s.Decode(Pixels, result);
  } catch (...) {
    // The ending report comes before the error leaves; an error of the
    // report itself must not replace the first one.
    try {
      Events.Progress(TJPEGProgressStage::Ending, 0, result.PaletteChanged, TJPEGRect{});
    } catch (...) {
    }
    throw;
  }
  Events.Progress(TJPEGProgressStage::Ending, 100, result.PaletteChanged, TJPEGRect{});
  return result;
}

}  // namespace vr
