// Drawing a PNG image: opaque as one stretch of the decoded bits, with a key
// colour through masks, or blended by its alpha over what the canvas holds.
#include <cstdlib>

#include "pictures/bitmap_gdi.h"
#include "platform/byte_order.h"
#include "png/png_messages.h"
#include "png/png_object_win.h"

namespace vr {

namespace {

const BITMAPINFO* AsBitmapInfo(const TPNGBitmapInfo& Info) { return reinterpret_cast<const BITMAPINFO*>(&Info); }

TColor QuadColorOf(const TRGBQuad& Q) { return RGB(Q.rgbRed, Q.rgbGreen, Q.rgbBlue); }

// The blend of one channel: integer arithmetic with a shift for the division,
// exact at both ends (alpha 0 keeps D, alpha 255 gives S).
inline uint8_t Blend(uint32_t S, uint32_t D, uint32_t A) { return static_cast<uint8_t>((S * A + (255 - A) * D + 255) >> 8); }

}  // namespace

TPNGTransparencyMode TPNGObject::DrawingMode() const {
  const TPNGTransparencyMode mode = TransparencyMode();
  if (mode != tmColorKey) return mode;
  // A palette tRNS whose single non-opaque entry is only partly transparent
  // keys on no colour at all; its alpha says how it should look.
  const TChunkIHDR& h = RequireHeader();
  if (h.ColorType == kPNGPalette) {
    const TChunktRNS* trns = ChunkList.FindChunk<TChunktRNS>();
    const uint32_t size = trns->PayloadSize() < 256 ? trns->PayloadSize() : 256;
    for (uint32_t i = 0; i < size; ++i)
      if (trns->AlphaTable[i] == 0) return tmColorKey;
    return tmAlpha;
  }
  return tmColorKey;
}

TColor TPNGObject::DrawKeyColor() const {
  const TChunkIHDR& h = RequireHeader();
  const TChunktRNS* trns = ChunkList.FindChunk<TChunktRNS>();
  if (trns == nullptr) return 0;
  const auto level = [&](int i) { return uint32_t{GetU16BE(&trns->AlphaTable[2 * i])}; };
  switch (h.ColorType) {
    case kPNGGray: {
      // The sample as the bitmap stores it: the high byte of 16-bit levels,
      // 2-bit levels widened to 5v, the others as they are; then its colour.
      uint32_t v;
      switch (h.BitDepth) {
        case 16: v = level(0) >> 8; break;
        case 2: v = (level(0) & 3) * 5; break;
        default: v = level(0) & ((1u << (h.BitDepth < 8 ? h.BitDepth : 8)) - 1); break;
      }
      return QuadColorOf(h.DibInfo.Colors[v & 0xFF]);
    }
    case kPNGRGB: {
      uint8_t rgb[3];
      for (int i = 0; i < 3; ++i) rgb[i] = GammaMap[h.BitDepth == 16 ? level(i) >> 8 : level(i) & 0xFF];
      return RGB(rgb[0], rgb[1], rgb[2]);
    }
    case kPNGPalette: {
      const uint32_t size = trns->PayloadSize() < 256 ? trns->PayloadSize() : 256;
      for (uint32_t i = 0; i < size; ++i)
        if (trns->AlphaTable[i] == 0) return QuadColorOf(h.DibInfo.Colors[i]);
      return 0;
    }
    default: return 0;
  }
}

void TPNGObject::DrawInto(TCanvas& Canvas, const RECT& Rect) {
  if (!HasHeader()) return;
  const TChunkIHDR& h = RequireHeader();
  if (h.PixelBits == nullptr) return;  // a header whose bitmap was never made
  HDC dc = Canvas.Handle();
  switch (DrawingMode()) {
    case tmColorKey:
      // Without room for the masks the picture is still shown, opaque.
      if (!DrawWithColorKey(dc, DrawKeyColor(), Rect)) DrawOpaque(dc, Rect);
      break;
    case tmAlpha: DrawWithAlpha(dc, Rect); break;
    default: DrawOpaque(dc, Rect); break;
  }
}

void TPNGObject::DrawOpaque(HDC DC, const RECT& Rect) const {
  const TChunkIHDR& h = RequireHeader();
  StretchDIBits(DC, Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top, 0, 0,
                static_cast<int>(h.Width), static_cast<int>(h.Height), h.PixelBits, AsBitmapInfo(h.DibInfo),
                DIB_RGB_COLORS, SRCCOPY);
}

bool TPNGObject::DrawWithColorKey(HDC DC, COLORREF KeyColour, const RECT& Rect) const {
  const TChunkIHDR& h = RequireHeader();
  const int w = Rect.right - Rect.left, ht = Rect.bottom - Rect.top;
  if (w <= 0 || ht <= 0) return true;
  const int W = std::abs(h.DibInfo.Header.biWidth), H = std::abs(h.DibInfo.Header.biHeight);
  const BITMAPINFO* info = AsBitmapInfo(h.DibInfo);

  // A device copy of the image (the decoded bitmap itself is never altered),
  // two monochrome masks and a work bitmap of the destination's size.
  TBitmapHandle image(CreateDIBitmap(DC, &info->bmiHeader, CBM_INIT, h.PixelBits, info, DIB_RGB_COLORS));
  TBitmapHandle objectMask(CreateBitmap(w, ht, 1, 1, nullptr));
  TBitmapHandle backMask(CreateBitmap(w, ht, 1, 1, nullptr));
  TBitmapHandle work(CreateCompatibleBitmap(DC, w, ht));
  TMemoryDC imageDC(CreateCompatibleDC(DC)), objectDC(CreateCompatibleDC(DC)), backDC(CreateCompatibleDC(DC)),
      workDC(CreateCompatibleDC(DC));
  if (!image || !objectMask || !backMask || !work || !imageDC || !objectDC || !backDC || !workDC) return false;
  {
    TSelectObject selImage(imageDC.Get(), image.Get()), selObject(objectDC.Get(), objectMask.Get()),
        selBack(backDC.Get(), backMask.Get()), selWork(workDC.Get(), work.Get());
    // One source pixel per destination pixel everywhere, so that the masks
    // and the image line up exactly when stretched.
    for (HDC memory : {imageDC.Get(), objectDC.Get(), backDC.Get(), workDC.Get()})
      SetStretchBltMode(memory, COLORONCOLOR);

    // Mask bits are set where the image is transparent: as the decoder
    // found from the stored samples, or else where it has the key colour.
    if (h.KeyMask != nullptr) {
      TBitmapHandle keyed(CreateBitmap(W, H, 1, 1, h.KeyMask));
      TMemoryDC keyedDC(CreateCompatibleDC(DC));
      if (!keyed || !keyedDC) return false;
      TSelectObject selKeyed(keyedDC.Get(), keyed.Get());
      SetStretchBltMode(keyedDC.Get(), COLORONCOLOR);
      StretchBlt(objectDC.Get(), 0, 0, w, ht, keyedDC.Get(), 0, 0, W, H, SRCCOPY);
    } else {
      const COLORREF oldBack = SetBkColor(imageDC.Get(), KeyColour);
      StretchBlt(objectDC.Get(), 0, 0, w, ht, imageDC.Get(), 0, 0, W, H, SRCCOPY);
      SetBkColor(imageDC.Get(), oldBack);
    }
    BitBlt(backDC.Get(), 0, 0, w, ht, objectDC.Get(), 0, 0, NOTSRCCOPY);

    // The background survives where the image is transparent; the image's
    // transparent pixels become black; the two are OR-ed together.
    BitBlt(workDC.Get(), 0, 0, w, ht, DC, Rect.left, Rect.top, SRCCOPY);
    BitBlt(workDC.Get(), 0, 0, w, ht, objectDC.Get(), 0, 0, SRCAND);
    StretchBlt(imageDC.Get(), 0, 0, W, H, backDC.Get(), 0, 0, w, ht, SRCAND);
    StretchBlt(workDC.Get(), 0, 0, w, ht, imageDC.Get(), 0, 0, W, H, SRCPAINT);
    BitBlt(DC, Rect.left, Rect.top, w, ht, workDC.Get(), 0, 0, SRCCOPY);
  }
  return true;
}

void TPNGObject::DrawWithAlpha(HDC DC, const RECT& Rect) const {
  const TChunkIHDR& h = RequireHeader();
  // Always at natural size, anchored at the rectangle's top-left corner.
  const RECT imageRect{Rect.left, Rect.top, Rect.left + static_cast<int>(h.Width),
                       Rect.top + static_cast<int>(h.Height)};
  // Only the part that can show is captured, blended and written back.
  RECT area = imageRect, clip;
  switch (GetClipBox(DC, &clip)) {
    case NULLREGION: return;
    case ERROR: break;
    default:
      if (!IntersectRect(&area, &imageRect, &clip)) return;
      break;
  }
  const int aw = area.right - area.left, ah = area.bottom - area.top;
  if (aw <= 0 || ah <= 0) return;

  TDibInfo dib;
  dib.Header.biWidth = aw;
  dib.Header.biHeight = -ah;  // rows top-down
  dib.Header.biPlanes = 1;
  dib.Header.biBitCount = 32;
  const bitmap_gdi::TBitmapInfoBlock info(dib);

  TMemoryDC memory(CreateCompatibleDC(nullptr));
  if (!memory) RaisePng<EPNGOutMemory>(TPngText::OutMemory);
  void* sectionBits = nullptr;
  TBitmapHandle section(CreateDIBSection(memory.Get(), info.Get(), DIB_RGB_COLORS, &sectionBits, nullptr, 0));
  if (!section || sectionBits == nullptr) RaisePng<EPNGOutMemory>(TPngText::OutMemory);
  TSelectObject select(memory.Get(), section.Get());
  BitBlt(memory.Get(), 0, 0, aw, ah, DC, area.left, area.top, SRCCOPY);
  GdiFlush();  // the captured pixels must be in the section's memory

  const unsigned bits = h.DibInfo.Header.biBitCount;
  const TChunktRNS* trns = ChunkList.FindChunk<TChunktRNS>();
  const TChunkPLTE* palette = ChunkList.FindChunk<TChunkPLTE>();
  // Palette entries beyond the palette chunk (or all, without one) show as
  // the unset, black colour-table entries, as opaque drawing shows them.
  const uint32_t entries = palette != nullptr ? palette->EntryCount : 0;
  const uint32_t x0 = static_cast<uint32_t>(area.left - imageRect.left);
  const uint32_t y0 = static_cast<uint32_t>(area.top - imageRect.top);

  for (int y = 0; y < ah; ++y) {
    const uint32_t iy = y0 + static_cast<uint32_t>(y);
    const uint8_t* row = h.RowAddress(iy);
    const uint8_t* alpha = h.AlphaPlane != nullptr ? h.AlphaPlane + static_cast<size_t>(iy) * h.Width : nullptr;
    uint8_t* out = static_cast<uint8_t*>(sectionBits) + static_cast<size_t>(y) * aw * 4;
    for (int x = 0; x < aw; ++x, out += 4) {
      const uint32_t ix = x0 + static_cast<uint32_t>(x);
      uint32_t b, g, r, a;
      if (bits == 24) {
        const uint8_t* p = row + 3 * static_cast<size_t>(ix);
        b = p[0], g = p[1], r = p[2];
        a = alpha != nullptr ? alpha[ix] : 255;
      } else if (bits <= 8 && h.ColorType == kPNGGrayAlpha) {
        // The stored gray level itself, not its gamma-corrected table colour.
        b = g = r = row[ix];
        a = alpha != nullptr ? alpha[ix] : 255;
      } else if (bits <= 8) {
        uint32_t index;
        if (h.BitDepth == 1)
          index = (row[ix >> 3] >> (7 - (ix & 7))) & 1;
        else if (h.BitDepth == 2 || h.BitDepth == 4)
          index = (row[ix >> 1] >> ((ix & 1) != 0 ? 0 : 4)) & 15;
        else
          index = row[ix];
        a = trns != nullptr ? trns->AlphaTable[index] : 255;
        if (index < entries) {
          const TRGBQuad& q = h.DibInfo.Colors[index];
          b = q.rgbBlue, g = q.rgbGreen, r = q.rgbRed;
        } else {
          b = g = r = 0;
        }
      } else {
        continue;  // no blending: the captured background goes back unchanged
      }
      out[0] = Blend(b, out[0], a);
      out[1] = Blend(g, out[1], a);
      out[2] = Blend(r, out[2], a);
    }
  }
  BitBlt(DC, area.left, area.top, aw, ah, memory.Get(), 0, 0, SRCCOPY);
}

}  // namespace vr
