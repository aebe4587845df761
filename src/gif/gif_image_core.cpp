#include "gif/gif_image_core.h"

#include <algorithm>
#include <cctype>

#include "gif/gif_blocks.h"
#include "gif/gif_dither.h"
#include "gif/gif_extensions.h"
#include "gif/gif_lzw.h"
#include "gif/gif_stream_io.h"
#include "platform/byte_order.h"

namespace vr {

bool LowColorDisplay = false;

// ---- Items and lists ---------------------------------------------------------

void TGIFItem::ReportWarning(TGIFSeverity Severity, const std::string& Message) {
  if (FImage != nullptr) FImage->ReportWarning(this, Severity, Message);
}

void TGIFList::ReportWarning(TGIFSeverity Severity, const std::string& Message) {
  if (FImage != nullptr) FImage->ReportWarning(this, Severity, Message);
}

TGIFExtension::TGIFExtension(TGIFSubImage* SubImage)
    : TGIFItem(SubImage != nullptr ? SubImage->Image() : nullptr), FSubImage(SubImage) {}

void TGIFExtension::LoadFromStream(TStream& Stream) {
  uint8_t intro[2];
  gifio::ReadExactly(Stream, intro, 2);
  if (intro[0] != kGIFExtensionIntroducer) throw GIFException(sGIFBadExtensionIntroducer);
  if (intro[1] != ExtensionLabel()) throw GIFException(sGIFExtensionLabelMismatch);
  LoadBody(Stream);
}

void TGIFExtensionList::LoadFromStream(TStream& Stream, TGIFSubImage* Parent) {
  uint8_t b;
  if (!gifio::TryReadByte(Stream, b)) return;
  while (b != kGIFImageSeparator && b != kGIFTrailer) {
    if (b != kGIFExtensionIntroducer) {
      // Left for the frame: a 00 here ends it without pixels.
      ReportWarning(gsWarning, sGIFBadExtensionIntroducer);
      break;
    }
    const TGIFExtensionClass* kind = ResolveExtensionClass(Stream);
    if (kind == nullptr) throw GIFException(sGIFUnknownExtension);
    if (Image() != nullptr) Image()->ReserveExtensionBlock();
    gifio::StepBack(Stream);
    std::unique_ptr<TGIFExtension> extension = kind->Create(Parent);
    extension->LoadFromStream(Stream);
    Add(std::move(extension));
    if (!gifio::TryReadByte(Stream, b)) return;
  }
  gifio::StepBack(Stream);
}

// ---- Header -------------------------------------------------------------------

void TGIFHeader::Clear() {
  ColorMap.Clear();
  ScreenWidth = 0;
  ScreenHeight = 0;
}

void TGIFHeader::LoadFromStream(TStream& Stream) {
  auto isGIF = [](const uint8_t* b) {
    return std::toupper(b[0]) == 'G' && std::toupper(b[1]) == 'I' && std::toupper(b[2]) == 'F';
  };
  // The signature stands at the start, or four bytes later.
  const int64_t start = Stream.Position();
  uint8_t b[7];
  gifio::ReadExactly(Stream, b, 6);
  if (!isGIF(b)) {
    Stream.SetPosition(start + 4);
    gifio::ReadExactly(Stream, b, 6);
    if (!isGIF(b)) throw GIFException(sGIFInvalidSignature);
  }
  std::copy(b, b + 3, Signature.begin());
  std::copy(b + 3, b + 6, Version.begin());  // not checked
  gifio::ReadExactly(Stream, b, 7);
  TByteReader(b, 7).ReadLE(ScreenWidth, ScreenHeight, ScreenFlags, BackgroundIndex, AspectRatio);
  if (ScreenFlags & 0x80) {
    ColorMap.LoadFromStream(Stream, TGIFColorMap::EntriesForSizeField(ScreenFlags));
    ColorMap.Sorted = (ScreenFlags & 0x08) != 0;
  } else {
    ColorMap.Clear();
  }
}

// ---- Frames -------------------------------------------------------------------

TGIFSubImage::TGIFSubImage(TGIFImageCore* Image) : TGIFItem(Image), ColorMap(this), Extensions(Image) {}

TGIFSubImage::~TGIFSubImage() {
  RenderCache.reset();
  Extensions.Clear();
}

const TGIFColorMap& TGIFSubImage::ActiveColorMap() const {
  if (!ColorMap.Empty() || Image() == nullptr) return ColorMap;
  const TGIFColorMap& global = Image()->Header().ColorMap;
  return global.Empty() ? static_cast<const TGIFColorMap&>(ColorMap) : global;
}

int TGIFSubImage::TransparentIndex() const {
  return ControlExtension != nullptr ? ControlExtension->TransparentColorIndex : -1;
}

std::vector<TGIFRGB> TGIFSubImage::PaletteColors(bool Dither) const {
  if (Dither) return CubePalette();
  if (!ColorMap.Empty()) return ColorMap.Entries();
  if (Image() == nullptr) throw GIFException(sGIFNoColorTable);
  return Image()->PaletteColors(false);
}

void TGIFSubImage::Clear() {
  RenderCache.reset();
  MaskPending = true;
  Extensions.Clear();
  ControlExtension = nullptr;
  ColorMap.Clear();
  PixelData.clear();
  PixelData.shrink_to_fit();
  Left = Top = Width = Height = 0;
  ImageFlags = 0;
  IsTransparent = false;
}

void TGIFSubImage::LoadFromStream(TStream& Stream) {
  Clear();
  Extensions.LoadFromStream(Stream, this);
  // A trailer or a 00 after the extensions: the frame only holds them.
  uint8_t b;
  if (!gifio::TryReadByte(Stream, b)) return;
  gifio::StepBack(Stream);
  if (b == kGIFTrailer || b == kGIFBlockTerminator) return;

  uint8_t d[10];
  gifio::ReadExactly(Stream, d, sizeof d);
  TByteReader(d, sizeof d).ReadLE(Separator, Left, Top, Width, Height, ImageFlags);
  if ((Width == 0 || Height == 0) && Image() != nullptr) {
    Height = static_cast<uint16_t>(Image()->ScreenHeight());
    Width = static_cast<uint16_t>(Image()->ScreenWidth());
    ReportWarning(gsWarning, sGIFScreenExceeded);
  }
  if (ImageFlags & 0x80) {
    ColorMap.LoadFromStream(Stream, TGIFColorMap::EntriesForSizeField(ImageFlags));
    ColorMap.Sorted = (ImageFlags & 0x20) != 0;
  }
  DecodeFramePixels(*this, Stream);
}

void TGIFImageList::LoadFromStream(TStream& Stream, TGIFImageCore* Parent) {
  uint8_t b;
  auto nextBlock = [&] {  // the next byte that is not 00; false at the end
    do {
      if (!gifio::TryReadByte(Stream, b)) return false;
    } while (b == kGIFBlockTerminator);
    return true;
  };
  if (!nextBlock()) return;
  while (b != kGIFTrailer) {
    gifio::StepBack(Stream);
    if (b != kGIFExtensionIntroducer && b != kGIFImageSeparator) {
      ReportWarning(gsWarning, sGIFUnknownBlock);
      return;
    }
    if (Parent != nullptr) Parent->ReserveFrame();
    auto frame = std::make_unique<TGIFSubImage>(Parent);
    frame->LoadFromStream(Stream);
    Add(std::move(frame));
    if (Parent != nullptr) {
      const int64_t size = Stream.Size();
      const int64_t percent = size > 0 ? std::clamp<int64_t>(Stream.Position() * 100 / size, 0, 100) : 100;
      Parent->GIFProgress(TGIFProgressStage::psRunning, static_cast<int>(percent), RenderWhileLoading,
                          sGIFLoading);
    }
    if (!nextBlock()) return;
  }
  gifio::StepBack(Stream);  // the trailer check reads it
}

void TGIFTrailer::LoadFromStream(TStream& Stream) {
  uint8_t b;
  if (gifio::TryReadByte(Stream, b) && b != kGIFTrailer) ReportWarning(gsWarning, sGIFBadTrailer);
}

// ---- The image ------------------------------------------------------------------

TGIFImageCore::TGIFImageCore() : FHeader(this), FFrames(this) {}

TGIFImageCore::~TGIFImageCore() { FFrames.Clear(); }

void TGIFImageCore::SetScreenWidth(int Value) {
  for (int i = 0; i < FFrames.Count(); ++i)
    if (FFrames[i].Left + FFrames[i].Width > Value) throw GIFException(sGIFWidthTooSmall);
  FHeader.ScreenWidth = static_cast<uint16_t>(std::clamp(Value, 0, 0xFFFF));
}

void TGIFImageCore::SetScreenHeight(int Value) {
  for (int i = 0; i < FFrames.Count(); ++i)
    if (FFrames[i].Top + FFrames[i].Height > Value) throw GIFException(sGIFHeightTooSmall);
  FHeader.ScreenHeight = static_cast<uint16_t>(std::clamp(Value, 0, 0xFFFF));
}

uint32_t TGIFImageCore::BackgroundColor() const { return FHeader.ColorMap.GetColor(FHeader.BackgroundIndex); }

std::vector<TGIFRGB> TGIFImageCore::PaletteColors(bool Dither) const {
  if (Dither) return CubePalette();
  if (!FHeader.ColorMap.Empty()) return FHeader.ColorMap.Entries();
  if (FFrames.Empty()) return {};
  // The first frame's palette; without a local table it would come back
  // here again, which means there is no table at all.
  const TGIFSubImage& first = FFrames[0];
  if (first.ColorMap.Empty()) throw GIFException(sGIFNoColorTable);
  return first.ColorMap.Entries();
}

void TGIFImageCore::Clear() {
  ReleaseDrawingState();
  FFrames.Clear();
  FHeader.Clear();
  FPixelsInUse = 0;
  FFramesMade = 0;
  FExtensionBlocksMade = 0;
}

void TGIFImageCore::LoadFromStream(TStream& Stream) {
  GIFProgress(TGIFProgressStage::psStarting, 0, false, sGIFLoading);
  try {
    Clear();
    const int64_t start = Stream.Position();
    try {
      FHeader.LoadFromStream(Stream);
      FFrames.LoadFromStream(Stream, this);
      TGIFTrailer trailer(this);
      trailer.LoadFromStream(Stream);
    } catch (...) {
      Stream.SetPosition(start);
      throw;
    }
  } catch (...) {
    GIFProgress(TGIFProgressStage::psEnding, 0, false, sGIFLoading);
    throw;
  }
  GIFProgress(TGIFProgressStage::psEnding, 100, false, sGIFLoading);
}

void TGIFImageCore::ReportWarning(TObject* Sender, TGIFSeverity Severity, const std::string& Message) {
  if (WarningHandler) WarningHandler(Sender, Severity, Message);
}

void TGIFImageCore::ReservePixels(size_t Count) {
  if (Count > MaxFramePixels || Count > MaxTotalPixels - std::min(FPixelsInUse, MaxTotalPixels))
    throw GIFException(sGIFInvalidDimensions);
  FPixelsInUse += Count;
}

void TGIFImageCore::ReserveFrame() {
  if (FFramesMade >= MaxFrames) throw GIFException(Format(sGIFTooManyFrames, static_cast<unsigned>(MaxFrames)));
  ++FFramesMade;
}

void TGIFImageCore::ReserveExtensionBlock() {
  if (FExtensionBlocksMade >= MaxExtensionBlocks)
    throw GIFException(Format(sGIFTooManyExtensionBlocks, static_cast<unsigned>(MaxExtensionBlocks)));
  ++FExtensionBlocksMade;
}

}  // namespace vr
