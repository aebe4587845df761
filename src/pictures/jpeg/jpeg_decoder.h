// The JPEG decoder core over libjpeg: the header facts read at load, the
// output size for a reduced scale, and the decoding of the whole picture at
// first draw straight into the rows of a pixel sink. Pure C++; the library's
// header stays inside the .cpp files, so this one mixes with <windows.h>.
//
// TJPEGData keeps the file bytes in a memory stream and the header facts
// from ReadJPEGHeader; TJPEGImage decodes through DecodeJPEG into a new DIB
// of its TBitmap.
#pragma once

#include <cstdint>
#include <vector>

#include "pictures/dib.h"
#include "pictures/jpeg/jpeg_errors.h"
#include "pictures/jpeg/jpeg_progress.h"
#include "pictures/picture_types.h"
#include "platform/stream.h"

namespace vr {

enum class TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum class TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum class TJPEGPixelFormat { jf24Bit, jf8Bit };

// The decompression parameters (TJPEGImage's properties).
struct TJPEGDecodeOptions {
  TJPEGScale Scale = TJPEGScale::jsFullSize;
  bool SmoothUpsampling = true;  // block smoothing
  bool GrayOutput = false;
  TJPEGPixelFormat PixelFormat = TJPEGPixelFormat::jf24Bit;
  TJPEGPerformance DecodeSpeed = TJPEGPerformance::jpBestQuality;
  bool ShowProgressively = false;
  // With PixelFormat 8-bit: quantize to these colours (at most 256 used);
  // empty: the decoder makes its own 236-colour palette.
  std::vector<TRGBQuad> TargetPalette;
};

// The facts read from the header at load.
struct TJPEGHeaderInfo {
  int32_t Width = 0;
  int32_t Height = 0;
  bool Grayscale = false;      // the file's colour space is grey
  bool MultipleScans = false;  // progressive: several scans
};

// What the decoder tells its caller besides the pixels (the GDI side: the
// image that owns the bitmap).
class IJPEGDecodeEvents {
 public:
  virtual ~IJPEGDecodeEvents() = default;
  // The colours the indices of an 8-bit output stand for changed after the
  // memory was asked for (the final pass of a progressive file builds a new
  // colour map, or the first pass makes the first one): the rows written
  // from now on index these.
  virtual void SetPalette(const std::vector<TRGBQuad>& Colors) = 0;
  // A progress report; may raise (an abort ends the decoding; what was
  // written stays). The starting report, and running reports while the
  // scans of a progressive file are read in, come before the memory is
  // asked for.
  virtual void Progress(TJPEGProgressStage Stage, int PercentDone, bool RedrawNow, const TJPEGRect& R) = 0;
};

// Refuses a file of more bytes than any picture the decoder accepts could
// need, before it is read into memory: "JPEG error #%d" with the library's
// code for a picture too big.
void CheckJPEGFileSize(uint64_t Size);

// Reads only the header of the JPEG in Data (from position 0). Raises EJPEG
// "JPEG error #%d" for a stream that is not a JPEG, an empty one, a damaged
// header, or a picture above the size limit.
TJPEGHeaderInfo ReadJPEGHeader(TStream& Data);

struct TJPEGSize {
  int32_t Width = 0;
  int32_t Height = 0;
};

// The output size for the options (the library rounds a reduced scale up).
TJPEGSize JPEGOutputSize(TStream& Data, const TJPEGDecodeOptions& Options);

struct TJPEGDecodeResult {
  bool PaletteChanged = false;  // the rows index the decoder's own colour map
  int Warnings = 0;             // damaged or truncated data, decoded anyway
};

// Decodes the whole picture into memory asked of Pixels once, for a
// bottom-up bitmap of the output size: 24 bits (blue, green, red), or 8 bits
// with the colour table as far as it is known then. Reports to Events
// starting (0 %), running (through Clock, at most once per 500 ms and on a
// change of percentage) and ending (100 %, or 0 % when an error ends the
// decoding, reported before the error leaves). Errors of the library are
// EJPEG, and so is a sink that gives no memory or too little (the library's
// out-of-memory code); an error raised by the sink or the events passes out
// unchanged.
TJPEGDecodeResult DecodeJPEG(TStream& Data, const TJPEGDecodeOptions& Options, IPixelSink& Pixels,
                             IJPEGDecodeEvents& Events, const TTickSource& Clock = {});

}  // namespace vr
