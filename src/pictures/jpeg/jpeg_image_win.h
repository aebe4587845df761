// The JPEG image class of the picture registry (".jpeg" and ".jpg").
//
// Loading keeps the file's bytes as they are and reads only the header, so
// the size is known at once and a file that is no JPEG fails at load. The
// pixels are decoded into a TBitmap at the first draw (or the first use of
// Bitmap()); errors in the compressed data therefore surface there, once:
// the bitmap stays with what was decoded, and later draws show it.
//
//   TJPEGImage jpeg;
//   jpeg.LoadFile("photo.jpg");             // header only: Width(), Height()
//   jpeg.SetReduceScale(TJPEGScale::jsHalf);
//   jpeg.DrawInto(canvas, rect);           // decodes, then stretch-draws
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "pictures/bitmap.h"
#include "pictures/graphic.h"
#include "pictures/jpeg/jpeg_decoder.h"
#include "platform/handles.h"

namespace vr {

// The compressed bytes of a JPEG image and the facts of its header, shared
// by reference count between copies.
class TJPEGData : public TSharedImage {
 public:
  TMemoryStream Data;  // the whole file
  int32_t Width = 0;
  int32_t Height = 0;
  bool Grayscale = false;  // the file's colour space is grey

 protected:
  void ReleaseHandles() override {}  // holds no system handles
};

// The settings every new TJPEGImage starts with.
struct TJPEGDefaults {
  int CompressionQuality = 90;
  bool GrayOutput = false;
  TJPEGPerformance DecodeSpeed = TJPEGPerformance::jpBestQuality;
  TJPEGPixelFormat PixelFormat = TJPEGPixelFormat::jf24Bit;
  bool ShowProgressively = false;
  bool EncodeProgressively = false;
  TJPEGScale ReduceScale = TJPEGScale::jsFullSize;
  bool SmoothUpsampling = true;
};

// The process-wide defaults (changed by the registration on a palette screen).
extern TJPEGDefaults JPEGDefaults;

// Registers "jpeg" and "jpg"; on a screen of 8 or fewer bits per pixel the
// default PixelFormat becomes 8-bit first.
void RegisterJPEGImage();
void UnregisterJPEGImage();

class TJPEGImage : public TGraphic {
  VR_GRAPHIC_CLASS(TJPEGImage)

 public:
  TJPEGImage();
  ~TJPEGImage() override;

  // ---- the image-class contract
  // From another TJPEGImage: shares its bytes, copies its settings and its
  // decoded bitmap. From a TBitmap: a copy of the bitmap and no bytes (they
  // are encoded when asked for). nullptr empties the image.
  void AssignFrom(const TPersistent* Source) override;
  // Decodes on first need, then stretch-draws the bitmap, always opaque.
  void DrawInto(TCanvas& Canvas, const RECT& Rect) override;
  bool ReadEmpty() const override;
  int ReadWidth() const override;
  int ReadHeight() const override;
  // The bitmap's palette; before decoding the temporary palette (a halftone
  // palette for 24-bit output on a palette screen).
  HPALETTE ReadPalette() override;
  // Takes Value as the palette to quantize to (the image owns it from then
  // on); a decoded bitmap with another palette is decoded again.
  void WritePalette(HPALETTE Value) override;
  // A JPEG cannot be resized: both raise "Cannot change the size of a JPEG image".
  void WriteWidth(int Value) override;
  void WriteHeight(int Value) override;
  // The stored "Data" block: a 32-bit byte count, then the file's bytes.
  void ReadStoredImage(TStream& Stream) override;
  void WriteStoredImage(TStream& Stream) override;
  // Reads from the position to the end of Stream: the bytes and the header.
  void LoadFromStream(TStream& Stream) override;
  // Writes the file's bytes (encoding the bitmap first when there are none).
  void SaveToStream(TStream& Stream) override;

  // ---- JPEG
  // The decoded picture, decoded now if it was not yet. A decoding error
  // passes out once; the bitmap keeps what was decoded before it.
  TBitmap& Bitmap();
  bool Decoded() const { return FBitmap != nullptr; }
  // Encodes the bitmap into new bytes when the image has none.
  void JPEGNeeded();
  // The file's bytes (empty before loading or when made from a bitmap).
  const std::vector<uint8_t>& Data() const { return FImage->Data.Bytes(); }
  bool Grayscale() const { return FImage->Grayscale; }

  TJPEGScale ReduceScale() const { return FScale; }
  void SetReduceScale(TJPEGScale Value);
  bool SmoothUpsampling() const { return FSmoothing; }
  void SetSmoothUpsampling(bool Value);
  bool GrayOutput() const { return FGrayScale; }
  void SetGrayOutput(bool Value);
  TJPEGPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TJPEGPixelFormat Value);
  TJPEGPerformance DecodeSpeed() const { return FPerformance; }
  void SetDecodeSpeed(TJPEGPerformance Value);
  bool ShowProgressively() const { return FProgressiveDisplay; }
  void SetShowProgressively(bool Value) { FProgressiveDisplay = Value; }
  // True after loading a file of several scans; asks for several when encoding.
  bool EncodeProgressively() const { return FProgressiveEncoding; }
  void SetEncodeProgressively(bool Value) { FProgressiveEncoding = Value; }
  // 1..100, used when encoding.
  int CompressionQuality() const { return FQuality; }

 protected:
  // Into a TBitmap: the decoded picture.
  bool AssignInto(TPersistent* Dest) const override;

 private:
  class TDecodeTarget;

  // Takes new bytes (Size of them from Stream) and their header.
  void ReadStream(size_t Size, TStream& Stream);
  void Decode();
  // Drops the decoded bitmap so the next use decodes again with new
  // settings; a picture that exists only as a bitmap is encoded first.
  void FreeBitmap();
  TJPEGDecodeOptions DecodeOptions() const;
  void CalcOutputDimensions() const;
  void ReplaceData(TSharedRef<TJPEGData> Data);
  bool HasData() const { return FImage->Data.Size() > 0; }

  TSharedRef<TJPEGData> FImage;
  // Shared with a decoding in progress, which keeps its bitmap alive even
  // when a progress handler makes the image drop it.
  std::shared_ptr<TBitmap> FBitmap;
  mutable int32_t FScaledWidth = 0;
  mutable int32_t FScaledHeight = 0;
  TPaletteHandle FTempPal;
  bool FSmoothing;
  bool FGrayScale;
  TJPEGPixelFormat FPixelFormat;
  int FQuality;
  bool FProgressiveDisplay;
  bool FProgressiveEncoding;
  TJPEGPerformance FPerformance;
  TJPEGScale FScale;
  mutable bool FNeedRecalc = true;
};

}  // namespace vr
