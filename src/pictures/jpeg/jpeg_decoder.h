// The JPEG decoder core over libjpeg: the header facts read at load, the
// output size for a reduced scale, and the decoding of the whole picture at
// first draw straight into rows the caller provides. Pure C++; the library's
// header stays inside the .cpp files, so this one mixes with <windows.h>.
//
// TJPEGData keeps the file bytes in a memory stream and the header facts
// from ReadJPEGHeader; TJPEGImage decodes through DecodeJPEG with a target
// that sizes its TBitmap and hands out its row memory.
#pragma once

#include <cstdint>
#include <vector>

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

// How the decoded rows are laid out.
enum class TJPEGOutputFormat {
  Bgr24,    // 3 bytes per pixel: blue, green, red
  Indexed8  // 1 byte per pixel, an index into the palette given by SetPalette
};

// What the decoder writes into (the GDI side: a TBitmap's DIB).
class IJPEGDecodeTarget {
 public:
  virtual ~IJPEGDecodeTarget() = default;
  // Once, before any row: size the picture and choose its depth.
  virtual void BeginOutput(int Width, int Height, TJPEGOutputFormat Format) = 0;
  // The memory of row Row (0 = top), at least Width × bytes per pixel long.
  virtual uint8_t* RowPointer(int Row) = 0;
  // The colours the indices of an 8-bit output stand for (called after
  // BeginOutput, possibly again for the final pass of a progressive file).
  virtual void SetPalette(const std::vector<TRGBQuad>& Colors) = 0;
  // A progress report; may raise (an abort ends the decoding; what was
  // written stays). The starting report, and running reports while the
  // scans of a progressive file are read in, come before BeginOutput.
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
  bool PaletteChanged = false;  // the target got the decoder's colour map
  int Warnings = 0;             // damaged or truncated data, decoded anyway
};

// Decodes the whole picture into Target: reports starting (0 %), running
// (through Clock, at most once per 500 ms and on a change of percentage)
// and ending (100 %, or 0 % when an error ends the decoding, reported before
// the error leaves). Errors of the library are EJPEG; an error raised by the
// target passes out unchanged.
TJPEGDecodeResult DecodeJPEG(TStream& Data, const TJPEGDecodeOptions& Options, IJPEGDecodeTarget& Target,
                             const TTickSource& Clock = {});

}  // namespace vr
