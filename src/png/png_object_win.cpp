// The PNG picture class: the TGraphic operations, the palette, pixel access
// and copying between images and from system bitmaps.
#include "png/png_object_win.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "pictures/bitmap.h"
#include "pictures/bitmap_gdi.h"
#include "pictures/icon/icon_pixels.h"
#include "pictures/picture.h"
#include "png/png_icon_image.h"
#include "png/png_messages.h"

namespace vr {

VR_DEFINE_GRAPHIC_CLASS(TPNGObject, TGraphic)

void RegisterPNGImage() {
  TPicture::RegisterPictureFormat("PNG", "Portable Network Graphics", TPNGObject::StaticClass());
  SetPngIconDecoder(PNGIconPixels);
}

void UnregisterPNGImage() {
  SetPngIconDecoder(nullptr);
  TPicture::UnregisterPictureClass(TPNGObject::StaticClass());
}

namespace {

// The Bits-wide sample at column X of a row, packed from the most
// significant bits of each byte (Bits is 1, 4 or 8).
uint32_t PackedSample(const uint8_t* Row, uint32_t X, unsigned Bits) {
  const uint32_t bit = X * Bits;
  return (Row[bit >> 3] >> (8 - Bits - (bit & 7))) & ((1u << Bits) - 1);
}

void SetPackedSample(uint8_t* Row, uint32_t X, unsigned Bits, uint32_t Value) {
  const uint32_t bit = X * Bits;
  const unsigned shift = 8 - Bits - (bit & 7);
  const uint32_t mask = ((1u << Bits) - 1) << shift;
  Row[bit >> 3] = static_cast<uint8_t>((Row[bit >> 3] & ~mask) | ((Value << shift) & mask));
}

TColor QuadColor(const TRGBQuad& Q) { return RGB(Q.rgbRed, Q.rgbGreen, Q.rgbBlue); }

}  // namespace

TPNGObject::TPNGObject() {
  // The bitmaps are DIB sections; every new one makes the palette derived
  // from the old one stale.
  PixelSinks = [this] {
    FPalette.Reset();
    return std::make_unique<bitmap_gdi::TDibSectionSink>();
  };
}

TPNGObject::~TPNGObject() {
  ClearChunks();
  PixelSinks = nullptr;
}

// ------------------------------------------------------------ queries

bool TPNGObject::ReadTransparent() const { return TransparencyMode() != tmOpaque; }

void TPNGObject::WriteWidth(int Value) { RaisePng<EPngError>(TPngText::CannotChangeSize); }

void TPNGObject::WriteHeight(int Value) { RaisePng<EPngError>(TPngText::CannotChangeSize); }

HPALETTE TPNGObject::ReadPalette() {
  const TChunkIHDR& header = RequireHeader();
  if (header.ColorType != kPNGGray && header.ColorType != kPNGPalette) return nullptr;
  if (!FPalette) {
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = 256;
    for (int i = 0; i < 256; ++i) {
      const TRGBQuad& q = header.DibInfo.Colors[i];
      palette->palPalEntry[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
    }
    FPalette.Reset(CreatePalette(palette));
  }
  return FPalette.Get();
}

void TPNGObject::LoadFromStream(TStream& Stream) {
  FPalette.Reset();
  TPNGCore::LoadFromStream(Stream);
}

void TPNGObject::SaveToStream(TStream& Stream) { TPNGCore::SaveToStream(Stream); }

// ------------------------------------------------------------ pixels

TColor TPNGObject::ReadPixelColor(int X, int Y) const {
  if (!HasHeader()) return 0;
  const TChunkIHDR& h = RequireHeader();
  if (X < 0 || Y < 0 || static_cast<uint32_t>(X) >= h.Width || static_cast<uint32_t>(Y) >= h.Height ||
      h.PixelBits == nullptr)
    return 0;
  const uint8_t* row = h.RowAddress(static_cast<uint32_t>(Y));
  const unsigned bits = h.DibInfo.Header.biBitCount;
  const uint32_t x = static_cast<uint32_t>(X);
  switch (h.ColorType) {
    case kPNGGray: {
      // 1, 4 or 8 bits scaled to 0..255 (by 255, 17 or 1), then the gamma map.
      const uint32_t v = PackedSample(row, x, bits) * (255u / ((1u << bits) - 1));
      const uint8_t g = GammaMap[v];
      return RGB(g, g, g);
    }
    case kPNGPalette: {
      const uint32_t index = PackedSample(row, x, bits);
      if (const TChunkPLTE* palette = ChunkList.FindChunk<TChunkPLTE>()) {
        const uint32_t bgr = palette->Entry(static_cast<uint8_t>(index));
        return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
      }
      return QuadColor(h.DibInfo.Colors[index]);  // no palette chunk: the unset (black) table
    }
    case kPNGRGB:
    case kPNGRGBA: {
      const uint8_t* p = row + 3 * static_cast<size_t>(x);
      return RGB(p[2], p[1], p[0]);
    }
    case kPNGGrayAlpha:
      // Gray with alpha: the gray level as its colour table shows it.
      return QuadColor(h.DibInfo.Colors[row[x]]);
    default: return 0;
  }
}

void TPNGObject::WritePixelColor(int X, int Y, TColor Value) {
  if (!HasHeader()) return;
  TChunkIHDR& h = RequireHeader();
  if (X < 0 || Y < 0 || static_cast<uint32_t>(X) >= h.Width || static_cast<uint32_t>(Y) >= h.Height ||
      h.PixelBits == nullptr)
    return;
  const COLORREF colour = ColorToRGB(Value);
  const int red = GetRValue(colour), green = GetGValue(colour), blue = GetBValue(colour);
  uint8_t* row = h.RowAddress(static_cast<uint32_t>(Y));
  const unsigned bits = h.DibInfo.Header.biBitCount;
  const uint32_t x = static_cast<uint32_t>(X);
  switch (h.ColorType) {
    case kPNGGray:
    case kPNGPalette: {
      ReadPalette();
      // The nearest of the entries a sample of this depth can name (and, for
      // palette images, that the palette defines).
      uint32_t count = 1u << bits;
      if (h.ColorType == kPNGPalette)
        if (const TChunkPLTE* palette = ChunkList.FindChunk<TChunkPLTE>())
          if (palette->EntryCount > 0 && palette->EntryCount < count) count = palette->EntryCount;
      uint32_t best = 0;
      long bestDistance = -1;
      for (uint32_t i = 0; i < count; ++i) {
        const TRGBQuad& q = h.DibInfo.Colors[i];
        const long dr = q.rgbRed - red, dg = q.rgbGreen - green, db = q.rgbBlue - blue;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
          best = i;
          bestDistance = distance;
        }
      }
      SetPackedSample(row, x, bits, best);
      break;
    }
    case kPNGRGB:
    case kPNGRGBA: {
      uint8_t* p = row + 3 * static_cast<size_t>(x);
      p[0] = static_cast<uint8_t>(blue);
      p[1] = static_cast<uint8_t>(green);
      p[2] = static_cast<uint8_t>(red);
      break;
    }
    case kPNGGrayAlpha:
      // Gray with alpha: the colour's luminance; its alpha stays.
      row[x] = static_cast<uint8_t>((299 * red + 587 * green + 114 * blue + 500) / 1000);
      break;
    default: break;
  }
  // A keyed image: the pixel is transparent when it now shows the key colour.
  if (h.KeyMask != nullptr) h.SetKeyed(x, static_cast<uint32_t>(Y), ReadPixelColor(X, Y) == DrawKeyColor());
}

// ------------------------------------------------------------ copying

void TPNGObject::CopyFromPng(const TPNGObject& Source) {
  if (&Source == this) return;
  FPalette.Reset();
  TPNGCore::CopyFromPng(Source);
}

void TPNGObject::AssignFrom(const TPersistent* Source) {
  if (const auto* png = dynamic_cast<const TPNGObject*>(Source)) {
    CopyFromPng(*png);
    return;
  }
  if (const auto* source = dynamic_cast<const TBitmap*>(Source)) {
    // Reading the bitmap may make its DIB or its transparent colour, which
    // leaves the picture itself as it is.
    auto& bitmap = const_cast<TBitmap&>(*source);
    HBITMAP handle = bitmap.SystemHandle();
    // The system reads a bitmap's bits only while no device context holds it.
    if (handle != nullptr) TBitmapCanvas::DeselectBitmap(handle);
    ImportBitmapHandle(handle, bitmap.Transparent(), ColorToRGB(bitmap.TransparentKey()));
    return;
  }
  TGraphic::AssignFrom(Source);
}

bool TPNGObject::AssignInto(TPersistent* Dest) const {
  if (auto* png = dynamic_cast<TPNGObject*>(Dest)) {
    png->CopyFromPng(*this);
    return true;
  }
  auto* bitmap = dynamic_cast<TBitmap*>(Dest);
  if (bitmap != nullptr && HasHeader() && RequireHeader().PixelBits != nullptr) {
    // A DIB of the decoded bitmap's own depth and colour table, row for row:
    // exact whatever the screen's depth. The alpha plane is not carried over.
    const TChunkIHDR& h = RequireHeader();
    const unsigned bits = h.DibInfo.Header.biBitCount;
    TPixelFormat format;
    switch (bits) {
      case 1: format = TPixelFormat::pf1bit; break;
      case 4: format = TPixelFormat::pf4bit; break;
      case 8: format = TPixelFormat::pf8bit; break;
      case 24: format = TPixelFormat::pf24bit; break;
      default: format = TPixelFormat::pf32bit; break;
    }
    std::vector<TRGBQuad> table;
    if (bits <= 8)
      for (uint32_t i = 0; i < (1u << bits); ++i) {
        const TRGBQuad& q = h.DibInfo.Colors[i];
        table.push_back(TRGBQuad{q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
      }
    bitmap->NewDIB(static_cast<int>(h.Width), static_cast<int>(h.Height), format, table);
    const size_t rowBytes = static_cast<size_t>(DibRowStride(h.Width, bits));
    for (uint32_t y = 0; y < h.Height; ++y)
      std::memcpy(bitmap->RowPointer(static_cast<int>(y)), h.RowAddress(y), rowBytes);
    if (DrawingMode() == tmColorKey) {
      bitmap->SetTransparentKey(DrawKeyColor());
      bitmap->SetTransparent(true);
    } else {
      bitmap->SetTransparent(false);
    }
    bitmap->NotifyChange(bitmap);
    return true;
  }
  return TGraphic::AssignInto(Dest);
}

void TPNGObject::ImportBitmapHandle(HBITMAP Bitmap, bool Transparent, TColor TransparentKey) {
  ClearChunks();
  FPalette.Reset();
  BITMAP description{};
  if (Bitmap == nullptr || GetObjectA(Bitmap, sizeof description, &description) == 0) return;
  const uint32_t width = static_cast<uint32_t>(std::abs(description.bmWidth));
  const uint32_t height = static_cast<uint32_t>(std::abs(description.bmHeight));
  const unsigned bits = static_cast<unsigned>(description.bmBitsPixel) * description.bmPlanes;
  if (width == 0 || height == 0) return;

  try {
    auto* header = static_cast<TChunkIHDR*>(ChunkList.Add(std::make_unique<TChunkIHDR>(this)));
    TChunkPLTE* palette =
        bits < 16 ? static_cast<TChunkPLTE*>(ChunkList.Add(std::make_unique<TChunkPLTE>(this))) : nullptr;
    TChunktRNS* transparency =
        Transparent ? static_cast<TChunktRNS*>(ChunkList.Add(std::make_unique<TChunktRNS>(this))) : nullptr;
    ChunkList.Add(std::make_unique<TChunkIDAT>(this));
    ChunkList.Add(std::make_unique<TChunkIEND>(this));

    header->Width = width;
    header->Height = height;
    header->BitDepth = static_cast<uint8_t>(bits < 16 ? bits : 8);
    header->ColorType = bits < 16 ? kPNGPalette : kPNGRGB;
    header->CompressionMethod = 0;
    header->InterlaceMethod = 0;
    Interlacing = 0;
    header->AllocateImage();

    // GetDIBits fills the colour table and may fill size fields of the
    // header; the header stays as the image allocated it.
    const TBitmapInfoHeader allocated = header->DibInfo.Header;
    TWindowDC screen(nullptr);
    GetDIBits(screen.Get(), Bitmap, 0, height, header->PixelBits, reinterpret_cast<BITMAPINFO*>(&header->DibInfo),
              DIB_RGB_COLORS);
    header->DibInfo.Header = allocated;

    if (palette != nullptr) palette->EntryCount = 1u << bits;
    if (transparency != nullptr) transparency->SetKeyColor(ColorToRGB(TransparentKey));
  } catch (...) {
    ClearChunks();
    throw;
  }
}

}  // namespace vr
