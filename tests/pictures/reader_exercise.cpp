#include "pictures/reader_exercise.h"

#include <cstdlib>
#include <vector>

#include "pictures/bmp/bmp_format.h"
#include "pictures/icon/icon_directory.h"
#include "pictures/icon/icon_pixels.h"
#include "pictures/jpeg/jpeg_decoder.h"
#include "pictures/metafile/metafile_header.h"
#include "pictures/metafile/metafile_records.h"
#include "platform/exceptions.h"
#include "platform/stream.h"
#include "png/png_icon_image.h"
#include "support/first_error.h"

namespace vr {

namespace {

// Reads every byte of a block the reader says is there.
volatile uint8_t gSink;
void Touch(const uint8_t* Data, size_t Size) {
  uint8_t sum = 0;
  for (size_t i = 0; i < Size; ++i) sum ^= Data[i];
  gSink = sum;
}


class TExerciseJpegTarget : public IPixelSink, public IJPEGDecodeEvents {
 public:
  TPixelMemory AllocatePixels(const TDibInfo& Info) override {
    const TBitmapInfoHeader& h = Info.Header;
    if (h.biWidth <= 0 || h.biHeight <= 0 || uint64_t(h.biWidth) * uint64_t(h.biHeight) > kExerciseMaxJpegPixels)
      throw EInvalidOperation("picture too large for the exercise");
    if ((h.biBitCount != 8 && h.biBitCount != 24) || Info.Colors.size() > 256) std::abort();
    return FSink.AllocatePixels(Info);
  }
  void SetPalette(const std::vector<TRGBQuad>& Colors) override {
    if (Colors.size() > 256) std::abort();
  }
  void Progress(TJPEGProgressStage, int Percent, bool, const TJPEGRect&) override {
    if (Percent < 0 || Percent > 100) std::abort();
  }

 private:
  TMemoryPixelSink FSink;
};

}  // namespace

std::string ExerciseBitmap(const uint8_t* Data, size_t Size) {
  test::TFirstError first;
  TMemoryStream stream(std::vector<uint8_t>(Data, Data + Size));
  try {
    TBitmapFileInfo info = ReadBitmapFileHeaders(stream);
    if (info.Empty) return {};
    const std::vector<uint8_t> bmi = info.BitmapInfo().Bytes();
    Touch(bmi.data(), bmi.size());
    if (info.Compressed()) {
      Touch(info.CompressedPixels(), info.PixelByteCount);
    } else {
      // The pixel memory the DIB section would have, when it is reasonable.
      const uint64_t dibSize = info.DibSize();
      if (dibSize <= (uint64_t{64} << 20)) {
        std::vector<uint8_t> dib(dibSize);
        TLentPixelSink lent({dib.data(), dib.size()});
        const uint64_t read = ReadBitmapPixels(stream, info, lent);
        if (read > dib.size()) std::abort();  // more bytes read than the target holds
      }
    }
  } catch (const Exception& e) {
    first.Note(e);
  }
  return first.Class();
}

std::string ExerciseIcon(const uint8_t* Data, size_t Size) {
  SetPngIconDecoder(PNGIconPixels);  // as the PNG codec's registration does
  test::TFirstError first;
  try {
    CheckIconFile(Data, Size);
    const TIconDirectory dir = ReadIconDirectory(Data, Size);
    if (dir.Type == 0) return {};
    for (int bits : {1, 4, 8, 32})
      for (int side : {16, 32, 48, 256}) (void)ChooseIconEntry(dir, side, side, bits);
    for (const TIconDirEntry& entry : dir.Entries) {
      if (!entry.InBounds) continue;
      try {
        // What the first draw makes of the entry: PNG data decoded, 32-bit
        // colour with its alpha, and the mask from the alpha.
        TIconPixels pixels;
        if (entry.IsPng) {
          pixels = DecodePngIconImage(Data + entry.dwImageOffset, entry.dwBytesInRes);
        } else {
          const TIconImageParts parts = SplitIconImage(Data, Size, entry);
          Touch(parts.ColorBits, parts.ColorBitsSize);
          Touch(parts.MaskBits, parts.MaskBitsSize);
          Touch(reinterpret_cast<const uint8_t*>(parts.ColorTable.data()), parts.ColorTable.size() * sizeof(TRGBQuad));
          if (parts.Header.biBitCount != 32) continue;
          pixels = IconImagePixels32(parts);
        }
        (void)MaskFromAlpha(ScaleIconPixels(pixels, entry.Width(), entry.Height()));
      } catch (const Exception& e) {
        first.Note(e);
      }
    }
    for (int side : {16, 32, 48}) (void)CheckIconData(Data, Size, side, side, 32);
  } catch (const Exception& e) {
    first.Note(e);
  }
  return first.Class();
}

std::string ExerciseMetafile(const uint8_t* Data, size_t Size) {
  test::TFirstError first;
  TMemoryStream stream(std::vector<uint8_t>(Data, Data + Size));
  try {
    if (IsEnhancedMetafileStream(stream)) {
      TEmfHeaderFields header;
      std::vector<uint8_t> bytes = ReadEnhancedMetafile(stream, header);
      Touch(bytes.data(), bytes.size());
      (void)CheckEnhancedMetafileRecords(bytes.data(), bytes.size());
      (void)EnhancedMetafilePalette(bytes.data(), bytes.size());
      const TMetafileSize size = EmfFrameSize(header);
      (void)MetafilePixels(size.Width, 0, header.DevicePixelsX, header.DeviceMillimetersX, 96);
      (void)MetafilePixels(size.Height, 0, header.DevicePixelsY, header.DeviceMillimetersY, 120);
    } else {
      TPlaceableHeader header;
      const std::vector<uint8_t> bytes = CheckWindowsMetafileRecords(ReadPlaceableMetafile(stream, header));
      Touch(bytes.data(), bytes.size());
      const TMetafileSize size = PlaceableSize(header);
      (void)MetafilePixels(size.Width, header.Inch, 0, 0, 96);
      (void)MetafilePixels(size.Height, header.Inch, 0, 0, 144);
    }
  } catch (const Exception& e) {
    first.Note(e);
  }
  return first.Class();
}

std::string ExerciseJpeg(const uint8_t* Data, size_t Size) {
  test::TFirstError first;
  TMemoryStream stream(std::vector<uint8_t>(Data, Data + Size));
  try {
    (void)ReadJPEGHeader(stream);
  } catch (const Exception& e) {
    first.Note(e);
    return first.Class();
  }
  // Full size in colour, then the settings the input's last byte picks
  // (scale, grey, 8 bits, speed, pass-by-pass display, smoothing, a given
  // palette), with a clock that moves on at every reading so that running
  // reports are made; each decode starts over.
  const uint8_t settings = Data[Size - 1];
  TJPEGDecodeOptions picked;
  picked.Scale = static_cast<TJPEGScale>(settings & 3);
  picked.GrayOutput = (settings & 4) != 0;
  picked.PixelFormat = (settings & 8) != 0 ? TJPEGPixelFormat::jf8Bit : TJPEGPixelFormat::jf24Bit;
  picked.DecodeSpeed = (settings & 16) != 0 ? TJPEGPerformance::jpBestSpeed : TJPEGPerformance::jpBestQuality;
  picked.ShowProgressively = (settings & 32) != 0;
  picked.SmoothUpsampling = (settings & 64) != 0;
  if ((settings & 128) != 0) picked.TargetPalette = {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}};
  TJPEGDecodeOptions full;
  for (const TJPEGDecodeOptions* options : {&full, &picked}) {
    try {
      stream.SetPosition(0);
      (void)JPEGOutputSize(stream, *options);
      stream.SetPosition(0);
      TExerciseJpegTarget target;
      uint32_t now = 0;
      (void)DecodeJPEG(stream, *options, target, target, [&now] { return now += 700; });
    } catch (const Exception& e) {
      first.Note(e);
    }
  }
  return first.Class();
}

}  // namespace vr
