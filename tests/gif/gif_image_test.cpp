// GIF pictures in the picture holder: loading every kind of file, damaged
// files, drawing single frames (transparent, scaled, tiled), palettes and
// dithering on palette displays.
#include <doctest/doctest.h>

#include <numeric>

#include "gif/gif_dither.h"
#include "gif/gif_frame_bitmap_win.h"
#include "gif/gif_wine_support.h"
#include "pictures/graphic_errors.h"

using namespace vr;
using namespace vr::test;
using namespace giftest;

namespace {

// 3 x 2: red green blue / white yellow cyan.
const Bytes kPixels = {1, 2, 3, 4, 5, 6};

Bytes Still(const char* Signature = "GIF89a") {
  return GifBuilder()
      .Header(3, 2, Palette, 0, Signature)
      .Frame({.Width = 3, .Height = 2, .Pixels = kPixels})
      .Trailer()
      .Data;
}

void CheckStillPixels(TGraphic& Graphic) {
  TDrawn drawn(Graphic);
  for (int i = 0; i < 6; ++i) CHECK(drawn.Pixel(i % 3, i / 3) == Rgb(kPixels[static_cast<size_t>(i)]));
}

}  // namespace

TEST_CASE("GIF files of every kind load through the picture holder and draw their pixels") {
  RegisterOnce();
  Bytes late = {'x', 'y', 'z', 'w'};
  const Bytes still = Still();
  late.insert(late.end(), still.begin(), still.end());
  const Bytes interlacedPixels = TestPixels(3, 9, 8, 7);

  struct Case {
    const char* Name;
    Bytes Data;
  };
  for (const Case& c : {Case{"v87a.GIF", Still("GIF87a")}, Case{"v89a.gif", Still("GIF89a")},
                        Case{"late.gif", late}, Case{"lower.gif", Still("gif89a")},
                        Case{"odd_version.gif", Still("GIF12x")},
                        Case{"local.gif", GifBuilder()
                                              .Header(3, 2, Grey(2))  // the local table wins
                                              .Frame({.Width = 3, .Height = 2, .Pixels = kPixels, .Local = Palette})
                                              .Data}}) {
    CAPTURE(c.Name);
    TPicture picture;
    LoadInto(picture, c.Name, c.Data);
    REQUIRE(picture.HeldGraphic() != nullptr);
    CHECK(std::string(picture.HeldGraphic()->ClassName()) == "TGIFImage");
    CHECK(picture.Width() == 3);
    CHECK(picture.Height() == 2);
    CheckStillPixels(*picture.HeldGraphic());
  }

  SUBCASE("interlaced rows come back in display order") {
    TPicture picture;
    LoadInto(picture, "interlaced.gif",
             GifBuilder()
                 .Header(3, 9, Palette)
                 .Frame({.Width = 3, .Height = 9, .Pixels = interlacedPixels, .Interlaced = true})
                 .Data);
    TDrawn drawn(*picture.HeldGraphic());
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 3; ++x) CHECK(drawn.Pixel(x, y) == Rgb(interlacedPixels[size_t(y * 3 + x)]));
  }
  SUBCASE("odd frames: beyond the screen, zero size, extensions after the last frame") {
    TPicture picture;
    LoadInto(picture, "odd.gif",
             GifBuilder()
                 .Header(4, 4, Palette)
                 .Frame({.Width = 4, .Height = 4, .Pixels = Solid(4, 4, 1)})
                 .Frame({.Left = 2, .Top = 2, .Width = 4, .Height = 4, .Pixels = Solid(4, 4, 2)})  // reaches out
                 .Frame({.Width = 0, .Height = 0, .Pixels = Solid(4, 4, 3)})  // takes the screen's size
                 .Comment({"after the last frame"})
                 .Trailer()
                 .Data);
    TGIFImage& image = GIFOf(picture);
    REQUIRE(image.Frames().Count() == 4);
    CHECK(image.Frames()[1].Width == 4);
    CHECK(image.Frames()[2].Width == 4);
    CHECK(image.Frames()[2].PixelData == Solid(4, 4, 3));
    CHECK(image.Frames()[3].Empty());
    CHECK(image.Frames()[3].Extensions.Count() == 1);
    image.DrawFlags &= static_cast<uint16_t>(~drAnimate);
    TDrawn drawn(image);
    CHECK(drawn.Pixel(3, 3) == Rgb(1));
  }
}

TEST_CASE("damaged GIF files raise their messages and leave the previous picture shown") {
  RegisterOnce();
  TPicture picture;
  LoadInto(picture, "good.gif", Still());
  TGraphic* shown = picture.HeldGraphic();
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };

  const Bytes header = GifBuilder().Header(4, 4, Palette).Data;
  auto after = [&](const Bytes& Tail) {
    Bytes b = header;
    b.insert(b.end(), Tail.begin(), Tail.end());
    return b;
  };
  // Codes 7, 6, 0, 6 at code size 2 chain entry 6 to 7 and 7 back to 6.
  const Bytes circular =
      GifBuilder().Descriptor(0, 0, 4, 4, 0).Raw({2}).Raw(SubBlocks(PackCodes({7, 6, 0, 6}, 2))).Trailer().Data;
  Bytes shortLoop = {kGIFExtensionIntroducer, kGIFApplicationLabel, 11};
  for (char c : std::string("NETSCAPE2.0")) shortLoop.push_back(static_cast<uint8_t>(c));
  shortLoop.insert(shortLoop.end(), {2, 1, 0, 0, kGIFTrailer});
  struct Case {
    const char* Why;
    Bytes Data;
    const char* Message;
  };
  const Bytes notGIF = {'P', 'N', 'G', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0};
  for (const Case& c : {Case{"no signature", notGIF, "Invalid GIF signature"},
                        Case{"empty file", {}, "Premature end of data"},
                        Case{"cut in the colour table", Bytes(header.begin(), header.begin() + 20),
                             "Premature end of data"},
                        Case{"cut in a descriptor", after({kGIFImageSeparator, 0, 0, 0}), "Premature end of data"},
                        Case{"extension F8", after({kGIFExtensionIntroducer, 0xF8, 0, kGIFTrailer}),
                             "Unknown extension type"},
                        Case{"circular code", after(circular), "Circular decoder table entry"},
                        Case{"looping sub-block of size 2", after(shortLoop), "Invalid GIF data"},
                        Case{"application block of size 4",
                             after({kGIFExtensionIntroducer, kGIFApplicationLabel, 4, 1, 2, 3, 4, 0}),
                             "Unsupported Application Extension block size"}}) {
    CAPTURE(c.Why);
    CHECK_THROWS_WITH_AS(LoadInto(picture, "bad.gif", c.Data), c.Message, GIFException);
    CHECK(picture.HeldGraphic() == shown);
    CHECK(picture.Width() == 3);
  }
  CHECK(changes == 0);
  CheckStillPixels(*picture.HeldGraphic());
}

TEST_CASE("a transparent frame leaves the background, unscaled and scaled") {
  RegisterOnce();
  // 4 x 2, index 7 transparent: a red column and a blue one around it.
  const Bytes pixels = {1, 7, 7, 3, 1, 7, 7, 3};
  TPicture picture;
  LoadInto(picture, "clear.gif",
           GifBuilder()
               .Header(4, 2, Palette)
               .Control(kDisposalNone, 0, 7)
               .Frame({.Width = 4, .Height = 2, .Pixels = pixels})
               .Data);
  TGIFImage& image = GIFOf(picture);
  for (int scale : {1, 3}) {
    CAPTURE(scale);
    TDrawn drawn(image, 4 * scale, 2 * scale, kGreen);
    for (int y = 0; y < 2 * scale; ++y) {
      CHECK(drawn.Pixel(0, y) == kRed);
      CHECK(drawn.Pixel(scale, y) == kGreen);
      CHECK(drawn.Pixel(3 * scale - 1, y) == kGreen);
      CHECK(drawn.Pixel(4 * scale - 1, y) == kBlue);
    }
  }
  // The view's Transparent changes nothing; drTransparent alone decides.
  image.SetTransparent(false);
  CHECK(TDrawn(image, kGreen).Pixel(1, 0) == kGreen);
  image.DrawFlags &= static_cast<uint16_t>(~drTransparent);
  image.SetTransparent(true);
  CHECK(TDrawn(image, kGreen).Pixel(1, 0) == Rgb(7));

  SUBCASE("a frame that never uses its transparent index is drawn opaque") {
    LoadInto(picture, "opaque.gif",
             GifBuilder()
                 .Header(2, 1, Palette)
                 .Control(kDisposalNone, 0, 7)
                 .Frame({.Width = 2, .Height = 1, .Pixels = {1, 2}})
                 .Data);
    TGIFImage& opaque = GIFOf(picture);
    CHECK(opaque.Frames()[0].IsTransparent);
    CHECK_FALSE(MaskAvailable(opaque.Frames()[0]));
    TDrawn drawn(opaque, kBlue);
    CHECK(drawn.Pixel(0, 0) == kRed);
    CHECK(drawn.Pixel(1, 0) == kGreen);
  }
}

TEST_CASE("frames are placed on the logical screen; drTile repeats it; animation off shows the first frame") {
  RegisterOnce();
  TPicture picture;
  // A 4 x 4 screen whose first frame is a 2 x 2 red block at (1, 2).
  LoadInto(picture, "placed.gif",
           GifBuilder()
               .Header(4, 4, Palette)
               .Frame({.Left = 1, .Top = 2, .Width = 2, .Height = 2, .Pixels = Solid(2, 2, 1)})
               .Frame({.Width = 4, .Height = 4, .Pixels = Solid(4, 4, 3)})
               .Data);
  TGIFImage& image = GIFOf(picture);
  image.DrawFlags &= static_cast<uint16_t>(~drAnimate);
  TDrawn twice(image, 8, 8, kWhite);
  CHECK(twice.Target.BoundsOfOther(kWhite).left == 2);
  CHECK(twice.Target.BoundsOfOther(kWhite).top == 4);
  CHECK(twice.Target.BoundsOfOther(kWhite).right == 6);
  CHECK(twice.Target.BoundsOfOther(kWhite).bottom == 8);
  CHECK(twice.Target.Count(kRed, RECT{0, 0, 8, 8}) == 16);
  CHECK(image.RenderBuffer() == nullptr);  // nothing animated

  image.DrawFlags |= drTile;
  TDrawn tiled(image, 10, 10, kWhite);
  // Copies at (1, 2), (5, 2), (9, 2), (1, 6), ... each 2 x 2.
  for (int y : {2, 3, 6, 7})
    for (int x : {1, 2, 5, 6, 9}) CHECK(tiled.Pixel(x, y) == kRed);
  CHECK(tiled.Pixel(0, 2) == kWhite);
  CHECK(tiled.Pixel(3, 2) == kWhite);
  CHECK(tiled.Pixel(1, 4) == kWhite);
  CHECK(tiled.Target.Count(kRed, RECT{0, 0, 10, 10}) == 5 * 4);  // the copies at x = 9 are cut
}

TEST_CASE("an image without any colour table fails to draw, once") {
  RegisterOnce();
  const Bytes tableless = GifBuilder().Header(2, 2).Frame({.Width = 2, .Height = 2, .Pixels = {0, 1, 1, 0}}).Data;
  TPicture picture;
  LoadInto(picture, "tableless.gif", tableless);
  TGIFImage& image = GIFOf(picture);
  CHECK_THROWS_WITH_AS(image.PaletteHandle(), "No global or local color table defined", GIFException);
  TDrawTarget target(2, 2, kGreen);
  CHECK_THROWS_WITH_AS(image.DrawInto(target.Canvas(), RECT{0, 0, 2, 2}), "No global or local color table defined",
                       GIFException);
  // Later repaints of the same picture raise nothing more.
  CHECK_NOTHROW(image.DrawInto(target.Canvas(), RECT{0, 0, 2, 2}));
  CHECK(target.Pixel(0, 0) == kGreen);
  // A new load starts afresh.
  LoadInto(picture, "tableless.gif", tableless);
  CHECK_THROWS_AS(GIFOf(picture).DrawInto(target.Canvas(), RECT{0, 0, 2, 2}), GIFException);
}

TEST_CASE("an abort raised by a progress handler while a frame renders is swallowed; the frame then draws nothing") {
  RegisterOnce();
  for (TProgressStage abortAt : {TProgressStage::psStarting, TProgressStage::psRunning}) {
    CAPTURE(static_cast<int>(abortAt));
    TPicture picture;
    LoadInto(picture, "still.gif", Still());
    int aborts = 0;
    picture.OnProgress = [&](TObject*, TProgressStage Stage, uint8_t, bool, const RECT&, const std::string& Msg) {
      if (Msg == "Rendering..." && Stage == abortAt && aborts++ == 0) throw EAbort("stop");
    };
    TGIFImage& image = GIFOf(picture);
    TDrawTarget target(3, 2, kBlack);
    CHECK_NOTHROW(image.DrawInto(target.Canvas(), RECT{0, 0, 3, 2}));
    CHECK(target.Count(kBlack, RECT{0, 0, 3, 2}) == 6);
    // Asked again, the frame renders (and no error was latched as shown).
    CheckStillPixels(image);
    CHECK(aborts == 2);
  }
}

TEST_CASE("palettes: the global table, a frame's local table, the colour cube on palette displays") {
  RegisterOnce();
  auto entries = [](HPALETTE Palette) {
    std::vector<PALETTEENTRY> e(256);
    e.resize(GetPaletteEntries(Palette, 0, 256, e.data()));
    return e;
  };
  TPicture picture;
  LoadInto(picture, "tables.gif",
           GifBuilder()
               .Header(2, 1, Palette)
               .Frame({.Width = 2, .Height = 1, .Pixels = {1, 2}, .Local = Grey(4)})
               .Data);
  TGIFImage& image = GIFOf(picture);
  const auto global = entries(image.PaletteHandle());
  REQUIRE(global.size() == 8);
  CHECK(global[1].peRed == 255);
  CHECK(global[1].peGreen == 0);
  CHECK(global[1].peFlags == PC_NOCOLLAPSE);
  const auto local = entries(FramePalette(image.Frames()[0]));
  CHECK(local.size() >= 4);
  CHECK(local[1].peRed == 85);
  CHECK(local[1].peBlue == 85);
  TDrawn drawn(image);
  CHECK(drawn.Pixel(0, 0) == 0x555555);

  SUBCASE("on a display of 8 bits the frames are dithered to the cube") {
    LowColorDisplay = true;
    struct Restore {
      ~Restore() { LowColorDisplay = false; }
    } restore;
    // Colours on the cube map to their entry; a mid grey mixes levels 2
    // and 3 once the error diffused from the row above comes in.
    Bytes pixels = {1, 2, 3, 4, 0, 5};
    pixels.resize(64 * 3, 8);
    std::vector<TGIFRGB> table = Palette;
    table.push_back({128, 128, 128});
    LoadInto(picture, "cube.gif",
             GifBuilder().Header(64, 3, table).Frame({.Width = 64, .Height = 3, .Pixels = pixels}).Data);
    TGIFImage& cube = GIFOf(picture);
    CHECK(entries(cube.PaletteHandle()).size() == 216);
    TBitmap* bitmap = RenderedBitmap(cube.Frames()[0]);
    REQUIRE(bitmap != nullptr);
    CHECK(bitmap->PixelFormat() == TPixelFormat::pf8bit);
    const std::vector<TRGBQuad> colours = bitmap->ColorTable();
    REQUIRE(colours.size() == 256);
    CHECK(colours[215] == TRGBQuad{255, 255, 255, 0});
    CHECK(colours[1 * 36 + 2 * 6 + 3] == TRGBQuad{153, 102, 51, 0});
    const uint8_t* row = bitmap->RowPointer(0);
    CHECK(std::vector<int>(row, row + 6) == std::vector<int>{5 * 36, 5 * 6, 5, 215, 0, 5 * 36 + 5 * 6});
    int darker = 0, lighter = 0;
    for (int y = 1; y < 3; ++y) {
      row = bitmap->RowPointer(y);
      for (int x = 0; x < 64; ++x) {
        darker += row[x] == 2 * 43;
        lighter += row[x] == 3 * 43;
      }
    }
    CHECK(darker + lighter == 128);
    CHECK(darker > 16);
    CHECK(lighter > 16);
  }
}

TEST_CASE("size changes, copies and stored bytes") {
  RegisterOnce();
  TPicture picture;
  const Bytes data = Still();
  LoadInto(picture, "copy.gif", data);
  TGIFImage& image = GIFOf(picture);
  TMemoryStream saved;
  image.SaveToStream(saved);
  CHECK(saved.Bytes() == data);  // the bytes it was read from, never re-encoded

  TPicture copy;
  copy.ReplaceGraphic(&image);
  REQUIRE(copy.HeldGraphic() != &image);
  CHECK(copy.Width() == 3);  // read again from the same bytes
  CheckStillPixels(*copy.HeldGraphic());
  CHECK_FALSE(copy.HeldGraphic()->SameImage(&image));
  CHECK(image.SameImage(&image));

  TBitmap bitmap;
  CHECK_THROWS_WITH(image.AssignFrom(&bitmap), "Cannot assign a TBitmap to a TGIFImage");

  CHECK_THROWS_WITH_AS(image.SetWidth(2), "Image width too small for contained frames", GIFException);
  CHECK_THROWS_WITH_AS(image.SetHeight(1), "Image height too small for contained frames", GIFException);
  image.SetWidth(5);
  CHECK(image.Width() == 5);
  CHECK(TDrawn(image, kWhite).Pixel(4, 0) == kWhite);  // the new screen area shows what lies under it
}
