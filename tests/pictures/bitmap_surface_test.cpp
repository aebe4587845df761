// The bitmap as the decoders use it: DIBs made to measure, rows written
// directly, resizing, pixel formats, palettes, handles, sharing between
// copies, transparent drawing, and the bitmap canvases' device contexts.
#include <doctest/doctest.h>

#include <cstring>

#include "pictures/bitmap.h"
#include "pictures/picture_test_support.h"
#include "platform/application.h"
#include "platform/controls.h"

using namespace vr;
using namespace vr::test;

namespace {

void Load(TBitmap& Bmp, const std::vector<uint8_t>& File) {
  TMemoryStream s(File);
  Bmp.LoadFromStream(s);
}

uint32_t DrawnAt(TBitmap& Bmp, int X, int Y) {
  TDrawTarget target(Bmp.Width(), Bmp.Height(), 0x123456);
  Bmp.DrawInto(target.Canvas(), RECT{0, 0, Bmp.Width(), Bmp.Height()});
  return target.Pixel(X, Y);
}

// An 8-bit 3 × 2 DIB: indices 0 1 2 on the top row, 2 1 0 below.
void MakeIndexed(TBitmap& Bmp) {
  const TRGBQuad table[] = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};  // red, green, blue
  Bmp.NewDIB(3, 2, TPixelFormat::pf8bit, table);
  const uint8_t top[] = {0, 1, 2}, bottom[] = {2, 1, 0};
  std::memcpy(Bmp.RowPointer(0), top, 3);
  std::memcpy(Bmp.RowPointer(1), bottom, 3);
}

}  // namespace

TEST_CASE("NewDIB makes a DIB of the size, depth and colours asked for, with rows to write") {
  TBitmap bmp;
  CHECK(bmp.IsEmpty());
  CHECK(bmp.PixelFormat() == TPixelFormat::pfDevice);
  MakeIndexed(bmp);
  CHECK(bmp.PixelFormat() == TPixelFormat::pf8bit);
  CHECK(bmp.Width() == 3);
  CHECK(bmp.Height() == 2);
  CHECK(bmp.ColorTable().size() == 256);
  CHECK(bmp.ColorTable()[2] == TRGBQuad{255, 0, 0, 0});
  CHECK(DrawnAt(bmp, 0, 0) == kRed);
  CHECK(DrawnAt(bmp, 2, 0) == kBlue);
  CHECK(DrawnAt(bmp, 0, 1) == kBlue);
  CHECK(DrawnAt(bmp, 1, 1) == kGreen);
  // Bottom-up: the next row lies a row lower in memory.
  CHECK(bmp.RowPointer(1) - bmp.RowPointer(0) == bmp.RowStep());
  CHECK(bmp.RowStep() == -4);
  CHECK_THROWS_WITH_AS(bmp.RowPointer(2), "Scan line index out of range", EInvalidGraphicOperation);
  CHECK_THROWS_WITH_AS(bmp.RowPointer(-1), "Scan line index out of range", EInvalidGraphicOperation);
  TBitmap empty;
  CHECK_THROWS_WITH_AS(empty.RowPointer(0), "Scan line index out of range", EInvalidGraphicOperation);

  // The colour table can change under the same indices.
  const TRGBQuad gray[] = {{128, 128, 128, 0}};
  bmp.SetColorTable(gray);
  CHECK(DrawnAt(bmp, 0, 0) == 0x808080);
  CHECK(DrawnAt(bmp, 1, 0) == kBlack);

  for (TPixelFormat f : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf15bit, TPixelFormat::pf16bit,
                         TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
    TBitmap other;
    other.NewDIB(5, 4, f);
    CHECK(other.PixelFormat() == f);
    CHECK(DrawnAt(other, 4, 3) == kBlack);
    CHECK(other.RowPointer(3) != nullptr);
  }
  CHECK_THROWS_WITH_AS(bmp.NewDIB(1, 1, TPixelFormat::pfCustom), "Invalid pixel format", EInvalidGraphic);

  // Every pixel of a new DIB is entry 0 of its table, whatever colour that is.
  const TRGBQuad redFirst[] = {{0, 0, 255, 0}, {0, 0, 0, 0}};
  TBitmap fresh;
  fresh.NewDIB(7, 3, TPixelFormat::pf8bit, redFirst);
  CHECK(DrawnAt(fresh, 0, 0) == kRed);
  CHECK(DrawnAt(fresh, 6, 2) == kRed);
}

TEST_CASE("resizing keeps the top-left content and fills new area with the canvas brush") {
  TBitmap bmp;
  bmp.NewDIB(2, 2, TPixelFormat::pf24bit);
  bmp.RowPointer(0)[2] = 0xFF;  // top-left red
  int changes = 0;
  bmp.OnChange = [&](TObject*) { ++changes; };
  bmp.Canvas().BrushColor = kGreen;
  bmp.SetSize(4, 3);
  CHECK(changes == 1);
  CHECK(bmp.Width() == 4);
  CHECK(bmp.Height() == 3);
  CHECK(bmp.PixelFormat() == TPixelFormat::pf24bit);
  CHECK(DrawnAt(bmp, 0, 0) == kRed);
  CHECK(DrawnAt(bmp, 1, 1) == kBlack);
  CHECK(DrawnAt(bmp, 3, 2) == kGreen);
  bmp.SetWidth(1);
  CHECK(DrawnAt(bmp, 0, 0) == kRed);
  bmp.SetSize(1, 3);  // unchanged: no notice
  CHECK(changes == 2);

  // A new bitmap sized dimension by dimension becomes a device bitmap.
  TBitmap device;
  device.SetWidth(7);
  CHECK(device.IsEmpty());
  device.SetHeight(5);
  CHECK_FALSE(device.IsEmpty());
  CHECK(device.PixelFormat() == TPixelFormat::pfDevice);
  CHECK(device.Width() == 7);
  // A format chosen first applies once both sizes are there.
  TBitmap later;
  later.SetPixelFormat(TPixelFormat::pf8bit);
  later.SetSize(3, 3);
  CHECK(later.PixelFormat() == TPixelFormat::pf8bit);
  CHECK(later.RowPointer(2) != nullptr);
}

TEST_CASE("pixel formats convert the picture; the device format and back") {
  TBitmap bmp;
  Load(bmp, BmpOfPicture({{kRed, kWhite}, {kBlue, kBlack}}, 24));
  for (TPixelFormat f : {TPixelFormat::pf32bit, TPixelFormat::pf16bit, TPixelFormat::pf15bit,
                         TPixelFormat::pf8bit, TPixelFormat::pf4bit, TPixelFormat::pfDevice,
                         TPixelFormat::pf24bit}) {
    CAPTURE(int(f));
    bmp.SetPixelFormat(f);
    CHECK(bmp.PixelFormat() == f);
    CHECK(DrawnAt(bmp, 0, 0) == kRed);
    CHECK(DrawnAt(bmp, 1, 0) == kWhite);
    CHECK(DrawnAt(bmp, 0, 1) == kBlue);
  }
  bmp.SetPixelFormat(TPixelFormat::pf1bit);
  CHECK(DrawnAt(bmp, 1, 0) == kWhite);
  CHECK(DrawnAt(bmp, 1, 1) == kBlack);
  CHECK_THROWS_WITH_AS(bmp.SetPixelFormat(TPixelFormat::pfCustom), "Invalid pixel format", EInvalidGraphic);

  // RowPointer turns a device bitmap into a DIB.
  bmp.SetPixelFormat(TPixelFormat::pfDevice);
  CHECK(bmp.RowPointer(0) != nullptr);
  CHECK(bmp.HandleType() == TBitmapHandleType::bmDIB);
}

TEST_CASE("copies share the picture until one of them changes it") {
  TBitmap a;
  MakeIndexed(a);
  TBitmap b;
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  b.AssignFrom(&a);
  CHECK(changes == 1);
  CHECK(&a.Image() == &b.Image());
  CHECK(a.Image().RefCount() == 2);
  CHECK(DrawnAt(b, 0, 0) == kRed);

  // Writing a row of b takes a private copy, indices and colours included.
  b.RowPointer(0)[0] = 2;
  CHECK(&a.Image() != &b.Image());
  CHECK(a.Image().RefCount() == 1);
  CHECK(DrawnAt(b, 0, 0) == kBlue);
  CHECK(DrawnAt(a, 0, 0) == kRed);
  CHECK(b.RowPointer(0)[1] == 1);

  // Sharing again, then resizing or a new transparent colour unshares as well.
  b.AssignFrom(&a);
  b.SetWidth(5);
  CHECK(a.Width() == 3);
  b.AssignFrom(&a);
  b.SetTransparentKey(RGB(0, 255, 0));
  CHECK(&a.Image() != &b.Image());
  CHECK(DrawnAt(b, 1, 0) == kGreen);

  // nullptr empties; a class that cannot be assigned raises.
  b.AssignFrom(nullptr);
  CHECK(b.IsEmpty());
  TPersistent other;
  CHECK_THROWS_WITH_AS(b.AssignFrom(&other), "Cannot assign a TPersistent to a TBitmap", EConvertError);
}

TEST_CASE("transparent drawing leaves the pixels of the bottom-left colour out") {
  // White background (bottom-left is white), a red cross.
  const std::vector<std::vector<uint32_t>> picture = {
      {kWhite, kRed, kWhite},
      {kRed, kRed, kRed},
      {kWhite, kRed, kWhite},
  };
  for (uint16_t bits : {4, 8, 24, 32}) {
    CAPTURE(bits);
    TBitmap bmp;
    Load(bmp, BmpOfPicture(picture, bits, {kWhite, kRed}));
    bmp.SetTransparent(true);
    CHECK(bmp.TransparentKey() == (kWhite | 0x02000000));
    // Unscaled (one masked transfer) and stretched (AND and XOR).
    for (int scale : {1, 2}) {
      CAPTURE(scale);
      TDrawTarget target(3 * scale, 3 * scale, kBlue);
      bmp.DrawInto(target.Canvas(), RECT{0, 0, 3 * scale, 3 * scale});
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
          CHECK(target.Pixel(x * scale, y * scale) == (picture[y][x] == kWhite ? kBlue : kRed));
    }
  }

  // A fixed colour replaces the automatic one; clDefault returns to automatic.
  TBitmap bmp;
  Load(bmp, BmpOfPicture(picture, 24));
  bmp.SetTransparent(true);
  bmp.SetTransparentKey(RGB(255, 0, 0));
  CHECK(bmp.TransparentMode() == TTransparentMode::tmFixed);
  TDrawTarget target(3, 3, kBlue);
  bmp.DrawInto(target.Canvas(), RECT{0, 0, 3, 3});
  CHECK(target.Pixel(1, 1) == kBlue);
  CHECK(target.Pixel(0, 0) == kWhite);
  bmp.SetTransparentKey(clDefault);
  CHECK(bmp.TransparentMode() == TTransparentMode::tmAuto);
  // A monochrome bitmap's automatic colour is white.
  TBitmap mono;
  Load(mono, BmpOfPicture({{kBlack, kBlack}}, 1, {kBlack, kWhite}));
  CHECK(mono.TransparentKey() == (kWhite | 0x02000000));

  // Not transparent: the target's copy mode applies.
  TBitmap plain;
  Load(plain, BmpOfPicture({{kRed}}, 24));
  TDrawTarget inverted(1, 1, kWhite);
  inverted.Canvas().CopyMode = SRCINVERT;
  plain.DrawInto(inverted.Canvas(), RECT{0, 0, 1, 1});
  CHECK(inverted.Pixel(0, 0) == 0x00FFFF);
}

TEST_CASE("system handles go in and out; palettes are installed and owned") {
  TBitmap bmp;
  HBITMAP mine = CreateBitmap(4, 2, 1, 1, nullptr);
  bmp.SetSystemHandle(mine);
  CHECK(bmp.SystemHandle() == mine);
  CHECK(bmp.Width() == 4);
  CHECK(bmp.Monochrome());
  HBITMAP out = bmp.DetachHandle();
  CHECK(out == mine);
  CHECK(bmp.IsEmpty());
  CHECK(DeleteObject(out));  // ours again, and not selected anywhere
  bmp.SetSystemHandle(nullptr);
  CHECK(bmp.IsEmpty());

  // An 8-bit DIB takes its colour table from an installed palette.
  MakeIndexed(bmp);
  TBitmapPalette gray = PaletteFromColorTable(std::vector<TRGBQuad>(256, TRGBQuad{50, 50, 50, 0}));
  HPALETTE handle = gray.Get();
  bmp.SetPalette(std::move(gray));
  CHECK(bmp.PaletteHandle() == handle);
  CHECK(bmp.ColorTable()[0] == TRGBQuad{50, 50, 50, 0});
  CHECK(bmp.PaletteModified());
  bmp.SetPalette(TBitmapPalette());
  CHECK(bmp.Image().Palette.Get() == nullptr);

  // 24-bit bitmaps need no palette on a true-colour screen.
  TBitmap rgb;
  rgb.NewDIB(2, 2, TPixelFormat::pf24bit);
  CHECK(rgb.PaletteHandle() == nullptr);
  CHECK(rgb.IgnorePalette());
}

TEST_CASE("bitmap canvases give their device contexts back after window messages, unless locked") {
  InitApplication();
  TBitmap a, b;
  a.NewDIB(2, 2, TPixelFormat::pf24bit);
  b.NewDIB(2, 2, TPixelFormat::pf24bit);
  TBitmapCanvas::FreeMemoryContexts();
  const size_t before = TBitmapCanvas::ContextCount();
  a.Canvas().FillRect(RECT{0, 0, 2, 2});
  b.Canvas().FillRect(RECT{0, 0, 2, 2});
  CHECK(TBitmapCanvas::ContextCount() == before + 2);
  const bool hooked = Application->AfterWindowMessage != nullptr;
  CHECK(hooked);

  a.Canvas().Lock();
  // Any message handled by a window of ours runs the release.
  TCustomControl window(nullptr, nullptr);
  SendMessageA(window.Handle(), WM_NULL, 0, 0);
  CHECK(TBitmapCanvas::ContextCount() == before + 1);
  CHECK(a.Canvas().HandleAllocated());
  CHECK_FALSE(b.Canvas().HandleAllocated());
  a.Canvas().Unlock();
  TBitmapCanvas::FreeMemoryContexts();
  CHECK(TBitmapCanvas::ContextCount() == before);

  // Two bitmaps sharing one picture: selecting it for one releases the other.
  TBitmap c;
  c.AssignFrom(&a);
  TDrawTarget target(2, 2);
  a.DrawInto(target.Canvas(), RECT{0, 0, 2, 2});
  CHECK(TBitmapCanvas::ContextCount() == before + 1);
  c.DrawInto(target.Canvas(), RECT{0, 0, 2, 2});
  CHECK(TBitmapCanvas::ContextCount() == before + 1);
  a.DrawInto(target.Canvas(), RECT{0, 0, 2, 2});
  CHECK(TBitmapCanvas::ContextCount() == before + 1);
}
