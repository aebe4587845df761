// The object model of a GIF picture and its reader: the image core with its
// header and frame list, frames, extension base and lists.
// Pure C++: the GDI side (the TGraphic image class, frame bitmaps, palettes,
// painters) derives from TGIFImageCore and keeps its caches in the seams
// marked below.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pictures/picture_types.h"
#include "gif/gif_blocks.h"
#include "gif/gif_color_map.h"
#include "gif/gif_errors.h"
#include "platform/classes.h"
#include "platform/stream.h"

namespace vr {

class TGIFImageCore;
class TGIFSubImage;
class TGIFExtension;
class TGIFGraphicControlExtension;

// ---- Draw flags (a 16-bit set per image and per painter) -------------------
inline constexpr uint16_t drThreaded = 0x0001;                // painter in a thread of its own
inline constexpr uint16_t drTransparent = 0x0002;             // honour transparent colours
inline constexpr uint16_t drAnimate = 0x0004;                 // show the frames in turn
inline constexpr uint16_t drLoop = 0x0008;                    // repeat the passes
inline constexpr uint16_t drLoopForever = 0x0010;             // repeat whatever the loop count
inline constexpr uint16_t drCheckCanvas = 0x0020;             // stop when the target DC goes away
inline constexpr uint16_t drDirect = 0x0040;                  // draw onto the canvas, no render buffer
inline constexpr uint16_t drClearAtPassStart = 0x0080;        // clear the first frame's area each pass
inline constexpr uint16_t drTile = 0x0100;                    // tile instead of stretching
inline constexpr uint16_t drDither = 0x0200;                  // dither to the colour cube
inline constexpr uint16_t drDitherOnPaletteDisplay = 0x0400;  // ... only on palette displays
inline constexpr uint16_t DefaultDrawFlags =
    drThreaded | drTransparent | drAnimate | drLoop | drDither | drDitherOnPaletteDisplay;

// True when the screen has at most 8 bits per pixel; the GDI side sets it
// once at start-up.
extern bool LowColorDisplay;
// Frames are never rendered while the file is still being read.
inline constexpr bool RenderWhileLoading = false;

// Whether frames drawn with these flags are dithered to the colour cube.
inline bool ShouldDither(uint16_t DrawFlags) {
  return (DrawFlags & drDither) != 0 && ((DrawFlags & drDitherOnPaletteDisplay) == 0 || LowColorDisplay);
}

enum class TGIFProgressStage { psStarting, psRunning, psEnding };

using TGIFWarningEvent =
    std::function<void(TObject* Sender, TGIFSeverity Severity, const std::string& Message)>;

// ---- Items and lists --------------------------------------------------------

// Base of the header, frames, extensions and the trailer: each knows the
// image it belongs to and reports its warnings there.
class TGIFItem : public TPersistent {
 public:
  explicit TGIFItem(TGIFImageCore* Image) : FImage(Image) {}
  TGIFItem(const TGIFItem&) = delete;
  TGIFItem& operator=(const TGIFItem&) = delete;
  const char* ClassName() const override { return "TGIFItem"; }

  TGIFImageCore* Image() const { return FImage; }
  // Lowest GIF version the item needs (only of interest to a writer).
  virtual const char* RequiredVersion() const { return "87a"; }
  virtual void ReportWarning(TGIFSeverity Severity, const std::string& Message);
  virtual void LoadFromStream(TStream& Stream) = 0;

 private:
  TGIFImageCore* FImage;
};

// Base of the frame list and the extension list.
class TGIFList : public TPersistent {
 public:
  explicit TGIFList(TGIFImageCore* Image) : FImage(Image) {}
  TGIFList(const TGIFList&) = delete;
  TGIFList& operator=(const TGIFList&) = delete;
  const char* ClassName() const override { return "TGIFList"; }
  TGIFImageCore* Image() const { return FImage; }
  virtual void ReportWarning(TGIFSeverity Severity, const std::string& Message);

 private:
  TGIFImageCore* FImage;
};

// An ordered list that owns its items. Remove hands an item back without
// freeing it.
template <class T>
class TGIFOwningList : public TGIFList {
 public:
  using TGIFList::TGIFList;
  ~TGIFOwningList() override { Clear(); }

  int Count() const { return static_cast<int>(FItems.size()); }
  bool Empty() const { return FItems.empty(); }
  T& operator[](int Index) const { return *FItems.at(static_cast<size_t>(Index)); }
  int IndexOf(const T* Item) const {
    for (size_t i = 0; i < FItems.size(); ++i)
      if (FItems[i].get() == Item) return static_cast<int>(i);
    return -1;
  }
  T* Add(std::unique_ptr<T> Item) {
    FItems.push_back(std::move(Item));
    return FItems.back().get();
  }
  std::unique_ptr<T> Remove(const T* Item) {
    int i = IndexOf(Item);
    if (i < 0) return nullptr;
    std::unique_ptr<T> owned = std::move(FItems[static_cast<size_t>(i)]);
    FItems.erase(FItems.begin() + i);
    return owned;
  }
  // Frees the items, last first.
  void Clear() {
    while (!FItems.empty()) {
      std::unique_ptr<T> last = std::move(FItems.back());
      FItems.pop_back();
    }
  }

 private:
  std::vector<std::unique_ptr<T>> FItems;
};

// ---- Extensions -------------------------------------------------------------

// A class reference for extension kinds: what the registries map labels and
// application identifiers to.
struct TGIFExtensionClass {
  const char* Name;
  // Makes an extension of this kind for a frame; null for a kind that only
  // resolves to others.
  std::unique_ptr<TGIFExtension> (*Create)(TGIFSubImage* SubImage);
  // Looks further into the stream (positioned after the bytes read so far)
  // for the kind that reads it; null answers the class itself.
  const TGIFExtensionClass* (*ResolveClass)(const TGIFExtensionClass& Self, TStream& Stream);
};

class TGIFExtension : public TGIFItem {
 public:
  explicit TGIFExtension(TGIFSubImage* SubImage);
  const char* ClassName() const override { return "TGIFExtension"; }
  const char* RequiredVersion() const override { return "89a"; }
  TGIFSubImage* SubImage() const { return FSubImage; }
  virtual uint8_t ExtensionLabel() const = 0;
  virtual const TGIFExtensionClass& ClassType() const = 0;
  // Reads the introducer and label, then the kind's own data.
  void LoadFromStream(TStream& Stream) override;

 protected:
  virtual void LoadBody(TStream& Stream) = 0;

 private:
  TGIFSubImage* FSubImage;
};

class TGIFExtensionList : public TGIFOwningList<TGIFExtension> {
 public:
  using TGIFOwningList::TGIFOwningList;
  const char* ClassName() const override { return "TGIFExtensionList"; }
  // Reads the extensions that precede a frame's image descriptor.
  void LoadFromStream(TStream& Stream, TGIFSubImage* Parent);
};

// ---- Header, frames, trailer ------------------------------------------------

class TGIFHeader : public TGIFItem {
 public:
  explicit TGIFHeader(TGIFImageCore* Image) : TGIFItem(Image), ColorMap(this) {}
  const char* ClassName() const override { return "TGIFHeader"; }

  std::array<char, 3> Signature{{'G', 'I', 'F'}};
  std::array<char, 3> Version{{'8', '7', 'a'}};
  uint16_t ScreenWidth = 0;
  uint16_t ScreenHeight = 0;
  uint8_t ScreenFlags = 0;
  uint8_t BackgroundIndex = 0;
  uint8_t AspectRatio = 0;
  TGIFGlobalColorMap ColorMap;

  // Empties the global table and the screen size.
  void Clear();
  void LoadFromStream(TStream& Stream) override;
};

// What the GDI side caches per frame (its bitmap, mask and palette). Dropped
// whenever the frame is cleared or freed.
class TGIFFrameCache {
 public:
  virtual ~TGIFFrameCache() = default;
};

class TGIFSubImage : public TGIFItem {
 public:
  explicit TGIFSubImage(TGIFImageCore* Image);
  ~TGIFSubImage() override;
  const char* ClassName() const override { return "TGIFSubImage"; }

  // The image descriptor as in the file.
  uint8_t Separator = kGIFImageSeparator;
  uint16_t Left = 0;
  uint16_t Top = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint8_t ImageFlags = 0;  // bit 7 local table, bit 6 interlaced, bit 5 sorted, bits 0-2 size

  TGIFLocalColorMap ColorMap;
  TGIFExtensionList Extensions;
  // Width x Height colour indices, rows top to bottom in display order.
  std::vector<uint8_t> PixelData;
  bool IsTransparent = false;
  // The first graphic control extension of the frame, or null.
  TGIFGraphicControlExtension* ControlExtension = nullptr;
  // True until the transparency mask has been built once.
  bool MaskPending = true;
  // Rendering caches of the GDI side.
  std::unique_ptr<TGIFFrameCache> RenderCache;

  bool Empty() const { return PixelData.empty() || Width == 0 || Height == 0; }
  bool Interlaced() const { return (ImageFlags & 0x40) != 0; }
  // The local table when it has entries, else the global one when that has
  // entries, else the (empty) local table.
  const TGIFColorMap& ActiveColorMap() const;
  // The transparent index of the control extension; -1 without one.
  int TransparentIndex() const;
  // The colours of the frame's palette: the cube when dithering, the local
  // table, or else the image's palette.
  std::vector<TGIFRGB> PaletteColors(bool Dither) const;

  // Drops extensions, colours, pixels, size, transparency and caches.
  void Clear();
  void LoadFromStream(TStream& Stream) override;
};

class TGIFImageList : public TGIFOwningList<TGIFSubImage> {
 public:
  using TGIFOwningList::TGIFOwningList;
  const char* ClassName() const override { return "TGIFImageList"; }
  // Reads frames up to the trailer byte (left unread) or the end of data.
  void LoadFromStream(TStream& Stream, TGIFImageCore* Parent);
};

// Exists only while the trailer byte is checked.
class TGIFTrailer : public TGIFItem {
 public:
  using TGIFItem::TGIFItem;
  const char* ClassName() const override { return "TGIFTrailer"; }
  void LoadFromStream(TStream& Stream) override;
};

// ---- The image --------------------------------------------------------------

// Everything of a GIF picture that does not need the system: header, frames,
// drawing options, warnings and loading. The TGraphic image class derives
// from it, overrides the hooks and adds bitmaps, palettes and painters.
class TGIFImageCore {
 public:
  // Caps on decoded pixel memory: one frame, and all frames of one load.
  static constexpr size_t DefaultMaxFramePixels = kMaxPicturePixels;  // the cap of every picture reader
  static constexpr size_t DefaultMaxTotalPixels = size_t{1} << 30;
  // Caps on the objects one load builds: frames, and extensions with the
  // data sub-blocks they keep (the strings of a comment or plain text, the
  // blocks of an unknown application extension). A few bytes of file make
  // each one, which costs a hundred bytes or more of memory; the caps stand
  // far above real animations.
  static constexpr size_t DefaultMaxFrames = 100000;
  static constexpr size_t DefaultMaxExtensionBlocks = 1000000;

  TGIFImageCore();
  virtual ~TGIFImageCore();
  TGIFImageCore(const TGIFImageCore&) = delete;
  TGIFImageCore& operator=(const TGIFImageCore&) = delete;

  TGIFHeader& Header() { return FHeader; }
  const TGIFHeader& Header() const { return FHeader; }
  TGIFImageList& Frames() { return FFrames; }
  const TGIFImageList& Frames() const { return FFrames; }

  uint16_t DrawFlags = DefaultDrawFlags;
  int AnimationPercent = 100;
  TGIFWarningEvent WarningHandler;
  size_t MaxFramePixels = DefaultMaxFramePixels;
  size_t MaxTotalPixels = DefaultMaxTotalPixels;
  size_t MaxFrames = DefaultMaxFrames;
  size_t MaxExtensionBlocks = DefaultMaxExtensionBlocks;

  bool Empty() const { return FFrames.Empty(); }
  int ScreenWidth() const { return FHeader.ScreenWidth; }
  int ScreenHeight() const { return FHeader.ScreenHeight; }
  // Change the logical screen; fail with "Image width too small for
  // contained frames" (height likewise) when a frame would not fit.
  void SetScreenWidth(int Value);
  void SetScreenHeight(int Value);
  // The global table's colour at the background index.
  uint32_t BackgroundColor() const;
  bool ShouldDither() const { return vr::ShouldDither(DrawFlags); }
  // The colours of the image's palette: the cube when dithering, the global
  // table, or else the first frame's local table; empty without frames.
  // Fails with "No global or local color table defined" when no table exists.
  std::vector<TGIFRGB> PaletteColors(bool Dither) const;

  // Stops drawing, frees all frames and empties the header.
  void Clear();
  // Reads a whole GIF stream. On failure the stream is set back to where it
  // was and the error passes on; frames read before it stay.
  void LoadFromStream(TStream& Stream);

  // Passes a warning to WarningHandler when one is set.
  virtual void ReportWarning(TObject* Sender, TGIFSeverity Severity, const std::string& Message);
  // Progress of loading ("Loading...") and rendering ("Rendering...").
  virtual void GIFProgress(TGIFProgressStage Stage, int PercentDone, bool RedrawNow,
                           const std::string& Msg) {}

  // Books the pixel memory of a frame about to be decoded; fails with
  // "Invalid image dimensions" when it passes a cap.
  void ReservePixels(size_t Count);
  // Books a frame, or an extension or one of its kept sub-blocks, about to
  // be made; fails with "GIF image has more than N frames" ("... extension
  // blocks") past its cap.
  void ReserveFrame();
  void ReserveExtensionBlock();

 protected:
  // Called first by Clear: the GDI side stops painters and drops the render
  // buffer and cached palettes before the frames go.
  virtual void ReleaseDrawingState() {}

 private:
  TGIFHeader FHeader;
  TGIFImageList FFrames;
  size_t FPixelsInUse = 0;
  size_t FFramesMade = 0;
  size_t FExtensionBlocksMade = 0;
};

}  // namespace vr
