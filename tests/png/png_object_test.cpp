// The PNG picture class beyond drawing: transparency queries, the palette,
// pixel access, resizing refused, copies between images and from bitmaps.
#include <doctest/doctest.h>

#include "pictures/bitmap.h"
#include "pictures/picture.h"
#include "png/png_messages.h"
#include "png_draw_support.h"
#include "png_test_encoder.h"

using namespace vr;
using namespace pngtest;

namespace {

const char* const NoHeaderText = "This operation is not valid because the current image contains no valid header.";

TestImage Solid(uint32_t w, uint32_t h, uint8_t depth, uint8_t type, std::initializer_list<uint16_t> pixel) {
  TestImage img;
  img.Width = w, img.Height = h, img.BitDepth = depth, img.ColorType = type;
  for (uint32_t i = 0; i < w * h; ++i)
    for (uint16_t s : pixel) img.Samples.push_back(s);
  return img;
}

// A bottom-up DIB section of Bits bits per pixel with the given colour table.
HBITMAP MakeSection(int w, int h, int bits, const std::vector<RGBQUAD>& colours, void** pixels) {
  std::vector<uint8_t> block(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = w;
  info->bmiHeader.biHeight = h;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = static_cast<WORD>(bits);
  for (size_t i = 0; i < colours.size(); ++i) info->bmiColors[i] = colours[i];
  return CreateDIBSection(nullptr, info, DIB_RGB_COLORS, pixels, nullptr, 0);
}

}  // namespace

TEST_CASE("transparency comes from the file, never from the flag the view writes") {
  struct Case {
    const char* name;
    Bytes file;
    TPNGTransparencyMode mode;
  };
  const TestImage rgb = TestImage::Random(3, 3, 8, kPNGRGB, 1), gray = TestImage::Random(3, 3, 8, kPNGGray, 2),
                  pal = TestImage::Random(3, 3, 4, kPNGPalette, 3);
  const Case cases[] = {
      {"truecolour", MakePng(rgb, false), tmOpaque},
      {"truecolour with a key", MakePng(rgb, false, Filter(0), {{"tRNS", Bytes(6, 0)}}), tmColorKey},
      {"gray with a key", MakePng(gray, false, Filter(0), {{"tRNS", Bytes(2, 0)}}), tmColorKey},
      {"palette", MakePng(pal, false), tmOpaque},
      {"palette, one entry 0", MakePng(pal, false, Filter(0), {{"tRNS", {255, 0, 255}}}), tmColorKey},
      {"palette, two entries below 255", MakePng(pal, false, Filter(0), {{"tRNS", {255, 0, 3}}}), tmAlpha},
      {"gray with alpha", MakePng(TestImage::Random(3, 3, 8, kPNGGrayAlpha, 4), false), tmAlpha},
      {"truecolour with alpha", MakePng(TestImage::Random(3, 3, 16, kPNGRGBA, 5), true), tmAlpha},
  };
  for (const Case& c : cases) {
    CAPTURE(c.name);
    auto png = LoadObject(c.file);
    CHECK(png->TransparencyMode() == c.mode);
    CHECK(png->Transparent() == (c.mode != tmOpaque));
    png->SetTransparent(true);
    CHECK(png->Transparent() == (c.mode != tmOpaque));
  }
}

TEST_CASE("an empty image draws nothing and its header queries raise") {
  TPNGObject png;
  CHECK(png.IsEmpty());
  CHECK(png.Width() == 0);
  CHECK(png.Height() == 0);
  CHECK(png.PixelColor(0, 0) == 0);
  png.SetPixelColor(0, 0, RGB(1, 2, 3));
  TDibCanvas dib(4, 4, RGB(5, 6, 7));
  CHECK_NOTHROW(dib.Draw(png, RECT{0, 0, 4, 4}));
  CHECK(dib.Pixel(1, 1) == RGB(5, 6, 7));
  CHECK_THROWS_WITH_AS(png.Transparent(), NoHeaderText, EPNGHeaderNotPresent);
  CHECK_THROWS_WITH_AS(png.PaletteHandle(), NoHeaderText, EPNGHeaderNotPresent);
}

TEST_CASE("a PNG cannot be resized through its width and height") {
  auto png = LoadObject(MakePng(TestImage::Random(5, 4, 8, kPNGRGB, 9), false));
  const char* text =
      "The \"Portable Network Graphics\" image can not be resize by changing width and height properties. "
      "Try assigning the image from a bitmap.";
  CHECK_THROWS_WITH_AS(png->WriteWidth(10), text, EPngError);
  CHECK_THROWS_WITH_AS(png->WriteHeight(10), text, EPngError);
  CHECK(png->Width() == 5);
  CHECK(png->Height() == 4);
}

TEST_CASE("gray and palette images have a logical palette of their colour table") {
  auto gray = LoadObject(MakePng(TestImage::Random(4, 4, 4, kPNGGray, 1), false));
  HPALETTE palette = gray->PaletteHandle();
  REQUIRE(palette != nullptr);
  CHECK(gray->PaletteHandle() == palette);  // made once
  PALETTEENTRY entries[256];
  REQUIRE(GetPaletteEntries(palette, 0, 256, entries) == 256);
  CHECK(entries[0].peRed == 0);
  CHECK(entries[1].peGreen == 17);
  CHECK(entries[15].peBlue == 255);
  CHECK(entries[16].peRed == 0);

  // A new image gets a palette of its own colours.
  TMemoryStream again(MakePng(TestImage::Random(2, 2, 8, kPNGPalette, 2), false));
  gray->LoadFromStream(again);
  REQUIRE(GetPaletteEntries(gray->PaletteHandle(), 0, 256, entries) == 256);
  CHECK(entries[200].peRed == 200);
  CHECK(entries[200].peGreen == 55);

  auto rgb = LoadObject(MakePng(TestImage::Random(2, 2, 8, kPNGRGB, 3), false));
  CHECK(rgb->PaletteHandle() == nullptr);
  auto grayAlpha = LoadObject(MakePng(TestImage::Random(2, 2, 8, kPNGGrayAlpha, 3), false));
  CHECK(grayAlpha->PaletteHandle() == nullptr);
}

TEST_CASE("pixel colours read and write for each colour type") {
  SUBCASE("coordinates outside the image read 0 and write nothing") {
    TestImage img = TestImage::Random(400, 20, 8, kPNGRGB, 4);
    auto png = LoadObject(MakePng(img, false));
    CHECK(png->PixelColor(300, 10) == RGB(img.At(300, 10, 0), img.At(300, 10, 1), img.At(300, 10, 2)));
    CHECK(png->PixelColor(399, 19) == RGB(img.At(399, 19, 0), img.At(399, 19, 1), img.At(399, 19, 2)));
    CHECK(png->PixelColor(400, 10) == 0);
    CHECK(png->PixelColor(10, 20) == 0);
    CHECK(png->PixelColor(-1, 0) == 0);
    png->SetPixelColor(400, 0, RGB(1, 2, 3));
    png->SetPixelColor(0, -1, RGB(1, 2, 3));
    png->SetPixelColor(5, 6, RGB(11, 22, 33));
    CHECK(png->PixelColor(5, 6) == RGB(11, 22, 33));
    TDibCanvas dib(400, 20);
    dib.Draw(*png);
    CHECK(dib.Pixel(5, 6) == RGB(11, 22, 33));
  }

  SUBCASE("gray stores the nearest level and leaves the neighbours in its byte") {
    auto png = LoadObject(MakePng(Solid(4, 1, 4, kPNGGray, {15}), false));  // 4-bit white
    png->SetPixelColor(1, 0, RGB(40, 36, 30));                         // nearest level: 34
    CHECK(png->PixelColor(0, 0) == RGB(255, 255, 255));
    CHECK(png->PixelColor(1, 0) == RGB(34, 34, 34));
    CHECK(png->PixelColor(2, 0) == RGB(255, 255, 255));
    png->SetPixelColor(0, 0, clBlack);
    CHECK(png->PixelColor(0, 0) == RGB(0, 0, 0));
    CHECK(png->PixelColor(1, 0) == RGB(34, 34, 34));
  }

  SUBCASE("gray reads through the gamma map") {
    const Bytes gamma = {0x00, 0x01, 0x86, 0xA0};  // 1.0: 128 shows as 186
    auto png = LoadObject(MakePng(Solid(2, 1, 8, kPNGGray, {128}), false, Filter(0), {{"gAMA", gamma}}));
    CHECK(png->PixelColor(1, 0) == RGB(186, 186, 186));
  }

  SUBCASE("palette images store the nearest palette entry") {
    PngFile f;
    f.Add("IHDR", IhdrData(9, 1, 1, kPNGPalette));
    f.Add("PLTE", {255, 255, 255, 200, 0, 0});
    f.AddIdat(Zlib(Scanlines(Solid(9, 1, 1, kPNGPalette, {0}), false, Filter(0)))).End();
    auto png = LoadObject(f.Data);
    png->SetPixelColor(3, 0, RGB(150, 20, 20));
    png->SetPixelColor(8, 0, RGB(190, 0, 10));
    for (int x = 0; x < 9; ++x) CHECK(png->PixelColor(x, 0) == (x == 3 || x == 8 ? RGB(200, 0, 0) : RGB(255, 255, 255)));
    // Black is nearer to entry 1 than to white, and never lands on an entry
    // the palette does not define.
    png->SetPixelColor(4, 0, clBlack);
    CHECK(png->PixelColor(4, 0) == RGB(200, 0, 0));
  }

  SUBCASE("gray with alpha reads its gray and writes the luminance") {
    auto png = LoadObject(MakePng(Solid(2, 1, 8, kPNGGrayAlpha, {90, 255}), false));
    CHECK(png->PixelColor(1, 0) == RGB(90, 90, 90));
    png->SetPixelColor(1, 0, RGB(255, 0, 0));
    CHECK(png->PixelColor(1, 0) == RGB(76, 76, 76));
  }
}

TEST_CASE("copies come from another PNG, through the picture holder too, and from nothing else") {
  auto source = LoadObject(MakePng(TestImage::Random(6, 5, 2, kPNGPalette, 2), false, Filter(0), {{"tRNS", {255, 0}}}));
  TPNGObject copy;
  copy.AssignFrom(source.get());
  CHECK(copy.TransparencyMode() == tmColorKey);
  TDibCanvas a(6, 5, RGB(3, 4, 5)), b(6, 5, RGB(3, 4, 5));
  a.Draw(*source);
  b.Draw(copy);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) CHECK(a.Pixel(x, y) == b.Pixel(x, y));
  const COLORREF before = source->PixelColor(2, 2);
  copy.SetPixelColor(2, 2, before == RGB(2, 253, 14) ? RGB(0, 255, 0) : RGB(2, 253, 14));
  CHECK(source->PixelColor(2, 2) == before);

  // The picture holder copies through the same path.
  TPicture picture;
  picture.AssignFrom(source.get());
  REQUIRE(picture.HeldGraphic() != nullptr);
  CHECK(std::string(picture.HeldGraphic()->ClassName()) == "TPNGObject");
  CHECK(picture.Width() == 6);

  TPNGObject png;
  CHECK_THROWS_WITH_AS(png.AssignFrom(&picture), "Cannot assign a TPicture to a TPNGObject", EConvertError);
}

TEST_CASE("a system bitmap imports as a palette or truecolour PNG") {
  SUBCASE("24 bits: truecolour, with a key colour when asked") {
    void* bits = nullptr;
    TBitmapHandle bitmap(MakeSection(3, 2, 24, {}, &bits));
    REQUIRE(bitmap);
    // Bottom-up rows of blue, green, red bytes, padded to 12 bytes.
    const uint8_t rows[24] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,   // image row 1
                              9, 8, 7, 1, 2, 3, 9, 8, 7, 0, 0, 0};         // image row 0
    memcpy(bits, rows, sizeof rows);
    TPNGObject png;
    png.ImportBitmapHandle(bitmap.Get(), true, RGB(7, 8, 9));
    const TChunkIHDR& h = png.RequireHeader();
    CHECK(h.ColorType == kPNGRGB);
    CHECK(h.BitDepth == 8);
    CHECK(png.Width() == 3);
    CHECK(png.Height() == 2);
    CHECK(png.ChunkList.Count() == 4);  // IHDR, tRNS, IDAT, IEND
    CHECK(png.PixelColor(1, 0) == RGB(3, 2, 1));
    CHECK(png.PixelColor(2, 1) == RGB(0, 0, 255));
    CHECK(png.TransparencyMode() == tmColorKey);
    TDibCanvas dib(3, 2, RGB(50, 50, 50));
    dib.Draw(png);
    CHECK(dib.Pixel(0, 0) == RGB(50, 50, 50));
    CHECK(dib.Pixel(1, 0) == RGB(3, 2, 1));
    CHECK(dib.Pixel(2, 0) == RGB(50, 50, 50));
    CHECK(dib.Pixel(0, 1) == RGB(255, 0, 0));

  }

  SUBCASE("8 and 1 bits: palette images with the bitmap's colour table") {
    std::vector<RGBQUAD> colours(256);
    for (int i = 0; i < 256; ++i) colours[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 40, 0};
    void* bits = nullptr;
    TBitmapHandle bitmap(MakeSection(4, 1, 8, colours, &bits));
    REQUIRE(bitmap);
    const uint8_t row[4] = {0, 7, 200, 255};
    memcpy(bits, row, 4);
    TPNGObject png;
    png.ImportBitmapHandle(bitmap.Get(), false, clNone);
    CHECK(png.RequireHeader().ColorType == kPNGPalette);
    CHECK(png.RequireHeader().BitDepth == 8);
    REQUIRE(png.ChunkList.FindChunk<TChunkPLTE>() != nullptr);
    CHECK(png.ChunkList.FindChunk<TChunkPLTE>()->EntryCount == 256);
    CHECK(png.ChunkList.FindChunk<TChunktRNS>() == nullptr);
    CHECK(png.PixelColor(1, 0) == RGB(40, 248, 7));
    CHECK(png.PixelColor(2, 0) == RGB(40, 55, 200));

    TBitmapHandle mono(MakeSection(10, 1, 1, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}}, &bits));
    static_cast<uint8_t*>(bits)[0] = 0xA0;
    png.ImportBitmapHandle(mono.Get(), false, clNone);
    CHECK(png.RequireHeader().BitDepth == 1);
    CHECK(png.PixelColor(0, 0) == clWhite);
    CHECK(png.PixelColor(1, 0) == clBlack);
    CHECK(png.PixelColor(2, 0) == clWhite);
  }

  SUBCASE("a device bitmap, and no bitmap at all") {
    HDC screen = GetDC(nullptr);
    TBitmapHandle device(CreateCompatibleBitmap(screen, 5, 3));
    ReleaseDC(nullptr, screen);
    TPNGObject png;
    png.ImportBitmapHandle(device.Get(), false, clNone);
    CHECK(png.Width() == 5);
    CHECK(png.Height() == 3);
    png.ImportBitmapHandle(nullptr, false, clNone);
    CHECK(png.IsEmpty());
    CHECK(png.Width() == 0);
  }
}

TEST_CASE("PNG images assign to bitmaps and back") {
  const COLORREF bg = RGB(9, 90, 190);

  SUBCASE("a PNG with alpha becomes an opaque bitmap of its colours") {
    const TestImage img = TestImage::Random(7, 5, 8, kPNGRGBA, 11);
    auto png = LoadObject(MakePng(img, true));
    TBitmap bitmap;
    bitmap.SetTransparent(true);
    bitmap.AssignFrom(png.get());
    CHECK(bitmap.Width() == 7);
    CHECK(bitmap.Height() == 5);
    CHECK(bitmap.PixelFormat() == TPixelFormat::pf24bit);
    CHECK_FALSE(bitmap.Transparent());
    TDibCanvas dib(7, 5, bg);
    dib.Draw(bitmap);
    for (uint32_t y = 0; y < 5; ++y)
      for (uint32_t x = 0; x < 7; ++x)
        CHECK(dib.Pixel(x, y) == RGB(img.At(x, y, 0), img.At(x, y, 1), img.At(x, y, 2)));
  }

  SUBCASE("a keyed PNG becomes a bitmap drawn with that key") {
    TestImage img;
    img.Width = 3, img.Height = 1, img.BitDepth = 2, img.ColorType = kPNGGray;
    img.Samples = {1, 2, 3};
    auto png = LoadObject(MakePng(img, false, Filter(0), {{"tRNS", {0, 2}}}));
    TBitmap bitmap;
    bitmap.AssignFrom(png.get());
    CHECK(bitmap.PixelFormat() == TPixelFormat::pf4bit);
    CHECK(bitmap.Transparent());
    CHECK((bitmap.TransparentKey() & 0xFFFFFF) == RGB(170, 170, 170));
    TDibCanvas dib(3, 1, bg);
    dib.Draw(bitmap);
    CHECK(dib.Pixel(0, 0) == RGB(85, 85, 85));
    CHECK(dib.Pixel(1, 0) == bg);
    CHECK(dib.Pixel(2, 0) == RGB(255, 255, 255));
  }

  SUBCASE("bitmaps import with their depth, colours and transparent colour") {
    TBitmap bitmap;
    std::vector<TRGBQuad> table(256);
    for (int i = 0; i < 256; ++i) table[i] = TRGBQuad{static_cast<uint8_t>(i), 0, static_cast<uint8_t>(255 - i), 0};
    bitmap.NewDIB(4, 2, TPixelFormat::pf8bit, table);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) bitmap.RowPointer(y)[x] = static_cast<uint8_t>(10 * x + y);
    bitmap.SetTransparentKey(RGB(245, 0, 10));  // index 10
    bitmap.SetTransparent(true);
    TPNGObject png;
    png.AssignFrom(&bitmap);
    CHECK(png.RequireHeader().ColorType == kPNGPalette);
    CHECK(png.RequireHeader().BitDepth == 8);
    CHECK(png.PixelColor(2, 1) == RGB(234, 0, 21));
    CHECK(png.TransparencyMode() == tmColorKey);
    TDibCanvas dib(4, 2, bg);
    dib.Draw(png);
    CHECK(dib.Pixel(1, 0) == bg);
    CHECK(dib.Pixel(1, 1) == RGB(244, 0, 11));

    TBitmap wide;
    wide.NewDIB(2, 2, TPixelFormat::pf32bit);
    reinterpret_cast<uint32_t*>(wide.RowPointer(0))[1] = 0x00102030;
    png.AssignFrom(&wide);
    CHECK(png.RequireHeader().ColorType == kPNGRGB);
    CHECK(png.PixelColor(1, 0) == RGB(0x10, 0x20, 0x30));
    CHECK_FALSE(png.Transparent());
  }

  SUBCASE("an empty PNG cannot be assigned to a bitmap") {
    TPNGObject empty;
    TBitmap bitmap;
    CHECK_THROWS_WITH_AS(bitmap.AssignFrom(&empty), "Cannot assign a TPNGObject to a TBitmap", EConvertError);
  }
}
