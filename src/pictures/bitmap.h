// The in-memory bitmap: reads bitmap files into system bitmaps, draws them
// (stretched, or transparent through a mask), and serves as the drawing
// surface of the other decoders, which make a DIB of the size and depth
// they need and write its rows directly.
//
// A decoder's use:
//   TBitmap bmp;
//   bmp.NewDIB(w, h, TPixelFormat::pf8bit, colourTable);   // pixels all 0
//   for (int y = 0; y < h; ++y) write into bmp.RowPointer(y) ... (4-byte padded rows)
//   bmp.DrawInto(targetCanvas, rect);      // with the target's copy mode
//   bmp.SetTransparent(true); bmp.SetTransparentKey(colour);   // keyed drawing
//
// The decoded picture (TBitmapImage) is shared by reference count between
// bitmaps copied with AssignFrom; every operation that changes the picture
// takes a private copy first while it is shared.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "pictures/graphic.h"
#include "pictures/picture_types.h"
#include "platform/handles.h"

namespace vr {

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum class TTransparentMode { tmAuto, tmFixed };
// A device-dependent bitmap, or a DIB section whose pixels the program can reach.
enum class TBitmapHandleType { bmDDB, bmDIB };

// The system's 16-colour palette, shared by every 4-bit bitmap of the
// process and never deleted.
HPALETTE SystemPalette16();

// Owner of a palette handle that leaves the shared 16-colour palette alone.
struct TBitmapPaletteTraits {
  using Handle = HPALETTE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Free(Handle h) noexcept;
};
using TBitmapPalette = TOwnedHandle<TBitmapPaletteTraits>;

// A logical palette with the entries of a colour table (nullptr for none).
TBitmapPalette PaletteFromColorTable(std::span<const TRGBQuad> Table);

class TBitmap;

// A bitmap's own canvas: a memory device context with the bitmap (and its
// palette, as a background palette) selected, made on first use. Every such
// context is entered in one process-wide list, so that a bitmap is released
// from its context before it is selected anywhere else, and so that idle
// contexts can be given back after every window message.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap& Owner);
  ~TBitmapCanvas() override;
  TBitmapCanvas(const TBitmapCanvas&) = delete;
  TBitmapCanvas& operator=(const TBitmapCanvas&) = delete;

  // The device context, made (and entered in the list) when there is none.
  HDC Handle() override;
  bool HandleAllocated() const { return FDC != nullptr; }
  // Gives the device context back; the next use makes a new one.
  void FreeContext();

  // A locked canvas keeps its device context when idle contexts are freed.
  void Lock();
  void Unlock();
  // Locks only when nobody (this thread included) holds the lock.
  bool TryLock();

  // Frees the device contexts of every listed canvas that is not locked.
  // Runs after every window message of the program.
  static void FreeMemoryContexts();
  // Frees the device context of every listed canvas that holds Bitmap.
  static void DeselectBitmap(HBITMAP Bitmap);
  // Number of canvases that hold a device context now.
  static size_t ContextCount();

 private:
  void CreateContext();
  void ReleaseContext();

  TBitmap& FBitmap;
  std::recursive_mutex FMutex;
  int FLockCount = 0;
  HDC FDC = nullptr;
  HBITMAP FSelected = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
  HPALETTE FOldPalette = nullptr;
};

// Keeps a canvas locked for a scope.
class TCanvasLock {
 public:
  explicit TCanvasLock(TBitmapCanvas& Canvas) : FCanvas(Canvas) { FCanvas.Lock(); }
  ~TCanvasLock() { FCanvas.Unlock(); }
  TCanvasLock(const TCanvasLock&) = delete;
  TCanvasLock& operator=(const TCanvasLock&) = delete;

 private:
  TBitmapCanvas& FCanvas;
};

// The decoded picture of a bitmap, shared by reference count.
class TBitmapImage : public TSharedImage {
 public:
  TBitmapImage();
  ~TBitmapImage() override;

  TBitmapHandle Handle;         // the device bitmap or the DIB section
  TBitmapHandle MaskHandle;     // monochrome: 1 where the transparent colour is
  TBitmapPalette Palette;
  HBITMAP DIBHandle = nullptr;  // Handle's value when it is a DIB section
  DIBSECTION DIB;               // size, depth, pixel pointer and header
  // The file's bytes from its header on, kept when its pixels were compressed.
  std::shared_ptr<TMemoryStream> SaveStream;
  size_t SavePixelOffset = 0;  // where the pixels start in SaveStream
  bool OS2Format = false;      // the file used the 12-byte core header
  bool Halftone = false;       // Palette is a halftone palette for the screen
  TColor MaskColor = clNone;   // the colour MaskHandle was made for

 protected:
  void ReleaseHandles() override;
};

class TBitmap : public TGraphic {
  VR_GRAPHIC_CLASS(TBitmap)

 public:
  TBitmap();
  ~TBitmap() override;

  // ---- the image-class contract
  // From another bitmap: shares its picture. nullptr empties the bitmap.
  void AssignFrom(const TPersistent* Source) override;
  void NotifyChange(TObject* Sender) override;
  void DrawInto(TCanvas& Canvas, const RECT& Rect) override;
  bool ReadEmpty() const override;
  int ReadHeight() const override;
  int ReadWidth() const override;
  HPALETTE ReadPalette() override;
  // Installs a palette; the bitmap owns it from then on.
  void WritePalette(HPALETTE Value) override;
  void WriteHeight(int Value) override;
  void WriteWidth(int Value) override;
  // The stored "Data" block: a 32-bit byte count, then a bitmap file.
  void ReadStoredImage(TStream& Stream) override;
  void WriteStoredImage(TStream& Stream) override;
  // Reads a bitmap file from the position to the end of Stream.
  void LoadFromStream(TStream& Stream) override;
  // Writes a bitmap file (nothing for an empty bitmap).
  void SaveToStream(TStream& Stream) override;

  // The system bitmap (nullptr when empty).
  virtual HBITMAP ReadHandle();
  // The mask for transparent drawing, made when out of date.
  virtual HBITMAP ReadMaskHandle();
  virtual void WriteHandleType(TBitmapHandleType Value);

  // ---- the drawing surface
  // Replaces the picture by a new DIB section of Width × Height in Format
  // (pf1bit .. pf32bit), every pixel 0. For 1, 4 and 8 bits the colour table
  // is ColorTable (missing entries black); without one: black and white,
  // the system's 16 colours, or a halftone table. pf16bit is 5-6-5.
  void NewDIB(int Width, int Height, TPixelFormat Format, std::span<const TRGBQuad> ColorTable = {});
  // Resizes keeping the top-left content; new area takes the canvas's brush colour.
  void SetSize(int Width, int Height);
  TPixelFormat PixelFormat() const;
  // Converts the picture; pfCustom raises "Invalid pixel format".
  void SetPixelFormat(TPixelFormat Value);
  TBitmapHandleType HandleType() const;
  // The first byte of pixel row Row (0 = top) of the DIB, which is made
  // (and unshared) first. Rows are padded to 4 bytes; for a bottom-up DIB
  // successive rows lie at decreasing addresses. Outside 0..Height-1 raises
  // "Scan line index out of range".
  uint8_t* RowPointer(int Row);
  // Bytes from one row to the next in memory (negative for bottom-up).
  ptrdiff_t RowStep() const;
  // The colour table of a DIB of up to 8 bits (empty otherwise).
  std::vector<TRGBQuad> ColorTable();
  // Sets the colour table of a DIB of up to 8 bits (the palette follows).
  void SetColorTable(std::span<const TRGBQuad> Table);
  // Installs a palette (the bitmap owns it). An 8-bit or smaller DIB is
  // redrawn in the palette's colours (each pixel takes the nearest entry)
  // and takes its colour table from it; to give the same indices other
  // colours, use SetColorTable.
  void SetPalette(TBitmapPalette Palette);
  HBITMAP SystemHandle() { return ReadHandle(); }
  // Adopts a system bitmap (DIB section or device bitmap); nullptr empties.
  void SetSystemHandle(HBITMAP Value);
  // Hands the system bitmap out; the caller owns it and the bitmap is empty.
  HBITMAP DetachHandle();
  HBITMAP MaskHandle() { return ReadMaskHandle(); }
  // The canvas to draw into the bitmap with. The picture is unshared first
  // and the mask marked out of date; call NotifyChange when done.
  TBitmapCanvas& Canvas();
  // One bit per pixel (white is then the automatic transparent colour).
  bool Monochrome() const;

  // The transparent colour: fixed, or in automatic mode the colour of the
  // bottom-left pixel (white for a monochrome bitmap), marked palette-relative.
  TColor TransparentKey();
  // Writing clDefault returns to automatic mode; any other colour fixes it.
  void SetTransparentKey(TColor Value);
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  bool IgnorePalette() const { return FIgnorePalette; }

  // The shared picture (for tests and for classes built on bitmaps).
  const TBitmapImage& Image() const { return *FImage; }

 private:
  friend class TBitmapCanvas;
  // Replaces the picture by a new one (the old one is released).
  void NewImage(TBitmapHandle Handle, TBitmapPalette Palette, const DIBSECTION& DIB, bool OS2Format = false,
                std::shared_ptr<TMemoryStream> SaveStream = nullptr, size_t SavePixelOffset = 0);
  // Replaces the picture by a copy of Source in the description DIB.
  void CopyImage(HBITMAP Source, TBitmapPalette Palette, const DIBSECTION& DIB);
  // Takes a private copy of a shared picture.
  void Unshare();
  // Before the pixels change: unshares, forgets the file's compressed bytes
  // and marks the mask out of date.
  void Changing();
  void PaletteNeeded();
  void MaskNeeded();
  // The device context holding the picture, for reading it.
  HDC SourceDC();
  TBitmapCanvas& OwnCanvas();
  void LoadFromInfo(TStream& Stream, const struct TBitmapFileInfo& Info);

  TSharedRef<TBitmapImage> FImage;
  std::unique_ptr<TBitmapCanvas> FCanvas;
  bool FIgnorePalette = false;
  bool FMaskValid = false;  // the mask matches the pixels and the colour
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = TTransparentMode::tmAuto;
};

// Number of bits per pixel of each pixel format (0 for device and custom).
int PixelFormatBits(TPixelFormat Format);

}  // namespace vr
