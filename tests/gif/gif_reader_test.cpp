// The GIF stream reader: object model, blocks, warnings and errors.
#include <doctest/doctest.h>

#include "gif/gif_extensions.h"
#include "gif/gif_test_writer.h"

using namespace vr;
using namespace giftest;

namespace {

using Strings = std::vector<std::string>;

// A complete two-frame animation: loop, comment, control extensions, a
// local table and an interlaced frame.
Bytes Animation() {
  FrameSpec a{.Left = 0, .Top = 0, .Width = 8, .Height = 6, .Pixels = TestPixels(8, 6, 4)};
  FrameSpec b{.Left = 2, .Top = 1, .Width = 5, .Height = 4, .Pixels = TestPixels(5, 4, 2, 7),
              .Local = {{255, 0, 0}, {0, 0, 255}}, .Interlaced = true, .MinCodeSize = 2};
  return GifBuilder()
      .Header(8, 6, Grey(4), 3)
      .Loop(0)
      .Comment({"made by", "a test"})
      .Control(kDisposalBackground, 7, 3)
      .Frame(a)
      .Control(kDisposalLeave, 150)
      .Frame(b)
      .Trailer()
      .Data;
}

}  // namespace

TEST_CASE("an animation reads into header, frames and extensions") {
  RecordingImage image;
  const Bytes data = Animation();
  TMemoryStream stream(data);
  image.LoadFromStream(stream);

  CHECK(image.Warnings.empty());
  CHECK(stream.Position() == static_cast<int64_t>(data.size()));
  CHECK(image.ScreenWidth() == 8);
  CHECK(image.ScreenHeight() == 6);
  CHECK(std::string(image.Header().Version.data(), 3) == "89a");
  CHECK(image.Header().ColorMap.Count() == 4);
  CHECK(image.BackgroundColor() == 0xFFFFFFu);
  REQUIRE(image.Frames().Count() == 2);

  const TGIFSubImage& first = image.Frames()[0];
  CHECK(first.PixelData == TestPixels(8, 6, 4));
  REQUIRE(first.Extensions.Count() == 3);
  auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(&first.Extensions[0]);
  REQUIRE(loop != nullptr);
  CHECK(loop->LoopCount == 0);
  CHECK(loop->Identifier() == "NETSCAPE2.0");
  auto* comment = dynamic_cast<TGIFCommentExtension*>(&first.Extensions[1]);
  REQUIRE(comment != nullptr);
  CHECK(comment->Text == Strings{"made by", "a test"});
  REQUIRE(first.ControlExtension == &first.Extensions[2]);
  CHECK(first.ControlExtension->Disposal() == kDisposalBackground);
  CHECK(first.ControlExtension->Delay == 7);
  CHECK(first.IsTransparent);
  CHECK(first.TransparentIndex() == 3);
  CHECK(&first.ActiveColorMap() == &image.Header().ColorMap);

  const TGIFSubImage& second = image.Frames()[1];
  CHECK(second.Left == 2);
  CHECK(second.Top == 1);
  CHECK(second.Interlaced());
  CHECK(second.PixelData == TestPixels(5, 4, 2, 7));
  CHECK(second.ColorMap.GetColor(1) == 0xFF0000u);
  CHECK(&second.ActiveColorMap() == &second.ColorMap);
  CHECK_FALSE(second.IsTransparent);
  CHECK(second.ControlExtension->Delay == 150);

  // Progress: before, after each frame (position x 100 / size), after.
  REQUIRE(data.size() > 100);
  REQUIRE(image.Progress.size() == 4);
  CHECK(image.Progress[0] == "starting 0 Loading...");
  CHECK(image.Progress[1].rfind("running ", 0) == 0);
  CHECK(image.Progress[2] == "running 99 Loading...");
  CHECK(image.Progress[3] == "ending 100 Loading...");
}

TEST_CASE("the signature is found case-blind, at the start or four bytes late") {
  const Bytes plain = GifBuilder().Header(2, 2, Grey(2), 0, "gif87a").Frame({.Width = 2, .Height = 2,
      .Pixels = {0, 1, 1, 0}, .MinCodeSize = 2}).Trailer().Data;
  RecordingImage image;
  image.Load(plain);
  CHECK(image.Frames().Count() == 1);
  CHECK(std::string(image.Header().Version.data(), 3) == "87a");

  Bytes late = {'J', 'U', 'N', 'K'};
  late.insert(late.end(), plain.begin(), plain.end());
  image.Load(late);
  CHECK(image.Frames()[0].PixelData == Bytes{0, 1, 1, 0});

  Bytes odd = plain;  // the version is not checked
  odd[3] = '9', odd[4] = '9', odd[5] = 'z';
  image.Load(odd);
  CHECK(image.Frames().Count() == 1);

  Bytes none = {'x', 'x', 'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  CHECK_THROWS_WITH_AS(image.Load(none), "Invalid GIF signature", GIFException);
  CHECK_THROWS_WITH_AS(image.Load(Bytes{'G', 'I', 'F'}), "Premature end of data", GIFException);
  CHECK(image.Warnings.empty());
}

TEST_CASE("a failed load restores the stream position and keeps the frames read before") {
  Bytes data = GifBuilder()
                   .Header(2, 1, Grey(2))
                   .Frame({.Width = 2, .Height = 1, .Pixels = {1, 0}, .MinCodeSize = 2})
                   .Raw({kGIFExtensionIntroducer, 0xF8, 0})  // no such extension
                   .Data;
  Bytes prefixed = {7, 7, 7};
  prefixed.insert(prefixed.end(), data.begin(), data.end());
  RecordingImage image;
  TMemoryStream stream(prefixed);
  stream.SetPosition(3);
  CHECK_THROWS_WITH_AS(image.LoadFromStream(stream), "Unknown extension type", GIFException);
  CHECK(stream.Position() == 3);
  CHECK(image.Frames().Count() == 1);
  CHECK(image.Progress.back() == "ending 0 Loading...");

  // Loading again clears the image first.
  const int released = image.DrawingReleased;
  image.Load(GifBuilder().Header(3, 3).Trailer().Data);
  CHECK(image.DrawingReleased == released + 1);
  CHECK(image.Empty());
  CHECK(image.ScreenWidth() == 3);
}

TEST_CASE("blocks between frames: 00 bytes, unknown blocks, trailers and trailing extensions") {
  const FrameSpec f{.Width = 2, .Height = 2, .Pixels = {0, 1, 2, 3}, .MinCodeSize = 2};
  RecordingImage image;

  SUBCASE("00 bytes between blocks are skipped; no trailer is no fault") {
    image.Load(GifBuilder().Header(2, 2, Grey(4)).Raw({0, 0}).Frame(f).Raw({0, 0, 0}).Frame(f).Data);
    CHECK(image.Frames().Count() == 2);
    CHECK(image.Warnings.empty());
  }
  SUBCASE("an unknown block ends the frames; the trailer check then sees it too") {
    image.Load(GifBuilder().Header(2, 2, Grey(4)).Frame(f).Raw({0x99}).Frame(f).Trailer().Data);
    CHECK(image.Frames().Count() == 1);
    CHECK(image.Warnings == Strings{"Unknown GIF block type", "Invalid Image trailer"});
  }
  SUBCASE("extensions after the last frame make an extra frame without pixels") {
    image.Load(GifBuilder().Header(2, 2, Grey(4)).Frame(f).Comment({"end"}).Trailer().Data);
    REQUIRE(image.Frames().Count() == 2);
    CHECK(image.Frames()[1].Empty());
    CHECK(image.Frames()[1].Extensions.Count() == 1);
    CHECK(image.Warnings.empty());
  }
  SUBCASE("a 00 between extensions and descriptor ends that frame early") {
    image.Load(GifBuilder().Header(2, 2, Grey(4)).Control(kDisposalNone, 5, 1).Raw({0}).Frame(f).Trailer().Data);
    REQUIRE(image.Frames().Count() == 2);
    CHECK(image.Frames()[0].Empty());
    CHECK(image.Frames()[0].ControlExtension != nullptr);
    CHECK(image.Frames()[1].Extensions.Empty());
    CHECK(image.Frames()[1].PixelData == Bytes{0, 1, 2, 3});
    CHECK(image.Warnings == Strings{"Invalid extension introducer"});
  }
  SUBCASE("a frame wider than the screen is read as it stands") {
    image.Load(GifBuilder().Header(1, 1, Grey(4)).Frame({.Left = 1, .Width = 2, .Height = 2,
        .Pixels = {3, 2, 1, 0}, .MinCodeSize = 2}).Trailer().Data);
    CHECK(image.Frames()[0].PixelData == Bytes{3, 2, 1, 0});
    CHECK(image.Warnings.empty());
  }
  SUBCASE("a descriptor of width 0 takes the screen size, with a warning") {
    image.Load(GifBuilder().Header(2, 2, Grey(4)).Descriptor(0, 0, 0, 5, 0)
                   .ImageData(PackCodes(LzwCodes({0, 1, 2, 3}, 2), 2), 2).Trailer().Data);
    CHECK(image.Frames()[0].Width == 2);
    CHECK(image.Frames()[0].Height == 2);
    CHECK(image.Frames()[0].PixelData == Bytes{0, 1, 2, 3});
    CHECK(image.Warnings == Strings{"Image exceeds Logical Screen size"});
  }
}

TEST_CASE("extension kinds and their damaged forms") {
  RecordingImage image;
  auto load = [&](const Bytes& Extension) {
    image.Load(GifBuilder().Header(1, 1, Grey(2)).Raw(Extension)
                   .Frame({.Width = 1, .Height = 1, .Pixels = {1}, .MinCodeSize = 2}).Trailer().Data);
  };
  auto only = [&]() -> TGIFExtension& { return image.Frames()[0].Extensions[0]; };

  SUBCASE("ANIMEXTS1.0 is a looping extension too; sub-blocks of other ids are skipped") {
    Bytes ext = {kGIFExtensionIntroducer, kGIFApplicationLabel, 11, 'A', 'N', 'I', 'M', 'E', 'X', 'T', 'S', '1', '.', '0',
                 5, 2, 0x10, 0x20, 0x30, 0x40, 4, 4, 1, 2, 3, 3, 1, 5, 0, 0};
    load(ext);
    auto& loop = dynamic_cast<TGIFAppExtNSLoop&>(only());
    CHECK(loop.BufferSize == 0x40302010u);
    CHECK(loop.LoopCount == 5);
  }
  SUBCASE("a looping sub-block too short for its id is invalid") {
    CHECK_THROWS_WITH_AS(load({kGIFExtensionIntroducer, kGIFApplicationLabel, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E',
                               '2', '.', '0', 2, 1, 0, 0}),
                         "Invalid GIF data", GIFException);
  }
  SUBCASE("other application extensions keep their blocks") {
    load({kGIFExtensionIntroducer, kGIFApplicationLabel, 11, 'X', 'M', 'P', ' ', 'D', 'a', 't', 'a', 'X', 'M', 'P',
          2, 7, 8, 1, 9, 0});
    auto& unknown = dynamic_cast<TGIFUnknownAppExtension&>(only());
    CHECK(unknown.Identifier() == "XMP DataXMP");
    REQUIRE(unknown.Blocks.size() == 2);
    CHECK(unknown.Blocks[0].Data() == Bytes{7, 8});
    CHECK(unknown.Blocks[1].Size() == 1);
  }
  SUBCASE("an application block size above 11 is read as unknown, the extra bytes skipped") {
    load({kGIFExtensionIntroducer, kGIFApplicationLabel, 13, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', '1', '2', '3',
          'x', 'y', 1, 6, 0});
    auto& unknown = dynamic_cast<TGIFUnknownAppExtension&>(only());
    CHECK(unknown.Identifier() == "ABCDEFGH123");
    CHECK(unknown.Blocks.size() == 1);
  }
  SUBCASE("an application block size below 10 is refused") {
    CHECK_THROWS_WITH_AS(load({kGIFExtensionIntroducer, kGIFApplicationLabel, 4, 1, 2, 3, 4, 0}),
                         "Unsupported Application Extension block size",
                         GIFException);
  }
  SUBCASE("plain text keeps its grid and strings") {
    load({kGIFExtensionIntroducer, kGIFPlainTextLabel, 12, 1, 0, 2, 0, 30, 0, 40, 0, 6, 8, 1, 0,
          3, 'a', 'b', 'c', 4, 'd', 0, 'e', 'f', 0});
    auto& text = dynamic_cast<TGIFTextExtension&>(only());
    CHECK(text.GridWidth == 30);
    CHECK(text.GridHeight == 40);
    CHECK(text.CellHeight == 8);
    CHECK(text.ForegroundIndex == 1);
    CHECK(text.Text == Strings{"abc", "d"});
  }
  SUBCASE("an unknown label fails") {
    CHECK_THROWS_WITH_AS(load({kGIFExtensionIntroducer, 0xF8, 0}), "Unknown extension type", GIFException);
  }
  SUBCASE("a cut comment fails") {
    CHECK_THROWS_WITH_AS(
        image.Load(GifBuilder().Header(1, 1).Raw({kGIFExtensionIntroducer, kGIFCommentLabel, 9, 'a'}).Data),
                         "Premature end of data", GIFException);
  }
  SUBCASE("a graphic control extension cut by the end of data is a warning") {
    image.Load(GifBuilder().Header(1, 1).Raw({kGIFExtensionIntroducer, kGIFGraphicControlLabel, 4, 1, 9}).Data);
    REQUIRE(image.Frames().Count() == 1);
    const TGIFSubImage& frame = image.Frames()[0];
    REQUIRE(frame.ControlExtension != nullptr);
    CHECK(frame.ControlExtension->Delay == 9);
    CHECK_FALSE(frame.IsTransparent);
    CHECK(image.Warnings == Strings{"Premature end of data"});
  }
  SUBCASE("only the first control extension is the frame's; any may make it transparent") {
    Bytes ext = GifBuilder().Control(kDisposalNone, 3).Control(kDisposalNone, 4, 1).Data;
    load(ext);
    const TGIFSubImage& frame = image.Frames()[0];
    CHECK(frame.ControlExtension == &frame.Extensions[0]);
    CHECK(frame.IsTransparent);
    // Removing the extension unlinks it from the frame.
    TGIFSubImage& editable = image.Frames()[0];
    editable.Extensions.Remove(&editable.Extensions[0]).reset();
    CHECK(editable.ControlExtension == nullptr);
  }
}

TEST_CASE("a lone introducer at the end of data is an unknown extension") {
  RecordingImage image;
  CHECK_THROWS_WITH_AS(image.Load(GifBuilder().Header(1, 1).Raw({kGIFExtensionIntroducer}).Data),
                       "Unknown extension type",
                       GIFException);
  CHECK_THROWS_WITH_AS(image.Load(GifBuilder().Header(1, 1).Raw({kGIFExtensionIntroducer, kGIFApplicationLabel}).Data),
                       "Unknown extension type",
                       GIFException);
}

TEST_CASE("colour tables: look-up rules, background and palettes") {
  RecordingImage image;
  image.Load(GifBuilder().Header(1, 1, {{1, 2, 3}, {4, 5, 6}}, 7).Frame({.Width = 1, .Height = 1, .Pixels = {0},
      .MinCodeSize = 2}).Trailer().Data);
  CHECK(image.Header().ColorMap.GetColor(1) == 0x060504u);
  CHECK(image.BackgroundColor() == 0x030201u);  // index 7 is outside: entry 0
  CHECK(image.Warnings == Strings{"Invalid color index"});
  CHECK(image.Frames()[0].ColorMap.Empty());
  CHECK_THROWS_WITH_AS(image.Frames()[0].ColorMap.GetColor(0), "Color table is empty", GIFException);
  CHECK(image.PaletteColors(false).size() == 2);
  CHECK(image.Frames()[0].PaletteColors(false) == image.Header().ColorMap.Entries());
  CHECK(image.Frames()[0].PaletteColors(true).size() == 216);

  // Without a global table, a frame without a local one has no palette.
  image.Load(GifBuilder().Header(1, 1).Frame({.Width = 1, .Height = 1, .Pixels = {0}, .MinCodeSize = 2})
                 .Frame({.Width = 1, .Height = 1, .Pixels = {0}, .Local = {{9, 9, 9}, {0, 0, 0}}, .MinCodeSize = 2})
                 .Trailer().Data);
  CHECK_THROWS_WITH_AS(image.Frames()[0].PaletteColors(false), "No global or local color table defined",
                       GIFException);
  CHECK(image.Frames()[1].PaletteColors(false)[0] == TGIFRGB{9, 9, 9});
}

TEST_CASE("the screen cannot shrink below its frames") {
  RecordingImage image;
  image.Load(GifBuilder().Header(10, 10, Grey(2)).Frame({.Left = 3, .Top = 4, .Width = 5, .Height = 2,
      .Pixels = Bytes(10, 1), .MinCodeSize = 2}).Trailer().Data);
  CHECK_THROWS_WITH_AS(image.SetScreenWidth(7), "Image width too small for contained frames", GIFException);
  CHECK_THROWS_WITH_AS(image.SetScreenHeight(5), "Image height too small for contained frames", GIFException);
  image.SetScreenWidth(8);
  image.SetScreenHeight(6);
  CHECK(image.ScreenWidth() == 8);
  CHECK(image.ScreenHeight() == 6);
}

TEST_CASE("absurd frame sizes are refused before their pixels are allocated") {
  RecordingImage image;
  CHECK_THROWS_WITH_AS(image.Load(GifBuilder().Header(1, 1).Descriptor(0, 0, 65535, 65535, 0).Raw({2, 0}).Data),
                       "Invalid image dimensions", GIFException);

  // The cap also holds across the frames of one load.
  GifBuilder many;
  many.Header(100, 100);
  for (int i = 0; i < 5; ++i) many.Descriptor(0, 0, 100, 100, 0).Raw({2, 0});
  image.MaxTotalPixels = 35000;
  CHECK_THROWS_WITH_AS(image.Load(many.Data), "Invalid image dimensions", GIFException);
  CHECK(image.Frames().Count() == 3);
  image.MaxTotalPixels = TGIFImageCore::DefaultMaxTotalPixels;
  image.Load(many.Data);
  CHECK(image.Frames().Count() == 5);
}

TEST_CASE("thousands of frames load; a file of tiny blocks is refused at the caps on frames and extension blocks") {
  // A real animation: 5000 frames of 2 x 2, each with its control extension.
  GifBuilder real;
  real.Header(16, 16, Grey(4)).Loop(0);
  for (int i = 0; i < 5000; ++i)
    real.Control(kDisposalLeave, 2).Frame(
        {.Left = i % 15, .Top = i % 13, .Width = 2, .Height = 2, .Pixels = {0, 1, 2, uint8_t(i % 4)}, .MinCodeSize = 2});
  TGIFImageCore image;
  TMemoryStream realStream(real.Trailer().Data);
  image.LoadFromStream(realStream);
  REQUIRE(image.Frames().Count() == 5000);
  CHECK(image.Frames()[4999].PixelData == Bytes{0, 1, 2, 3});
  CHECK(image.Frames()[4999].ControlExtension != nullptr);

  // A few bytes make each frame, extension or kept sub-block; past the caps
  // the file is refused, whatever it holds after. (These frames skip their
  // data, code size 12: the cheapest a file can make.)
  GifBuilder frames;
  frames.Header(1, 1, Grey(2));
  for (int i = 0; i <= 100000; ++i) frames.Descriptor(0, 0, 1, 1, 0).Raw({12, 0});
  TMemoryStream framesStream(frames.Trailer().Data);
  CHECK_THROWS_WITH_AS(image.LoadFromStream(framesStream), "GIF image has more than 100000 frames", GIFException);

  GifBuilder blocks;  // one comment of a million one-byte sub-blocks
  blocks.Header(1, 1, Grey(2)).Raw({kGIFExtensionIntroducer, kGIFCommentLabel});
  for (int i = 0; i < 1000000; ++i) blocks.Raw({1, 'x'});
  TMemoryStream blocksStream(blocks.Raw({0}).Trailer().Data);
  CHECK_THROWS_WITH_AS(image.LoadFromStream(blocksStream), "GIF image has more than 1000000 extension blocks",
                       GIFException);
}

TEST_CASE("the caps on frames and extension blocks count every kind, for one load at a time") {
  RecordingImage image;
  image.MaxFrames = 3;
  image.MaxExtensionBlocks = 6;
  const Bytes onePixel = GifBuilder().Descriptor(0, 0, 1, 1, 0).ImageData(PackCodes({4, 0, 5}, 2), 2).Data;
  auto file = [&](int Frames, const Bytes& Extensions) {
    GifBuilder b;
    b.Header(1, 1, Grey(2)).Raw(Extensions);
    for (int i = 0; i < Frames; ++i) b.Raw(onePixel);
    return b.Trailer().Data;
  };
  image.Load(file(3, {}));
  CHECK(image.Frames().Count() == 3);
  image.Load(file(3, {}));  // a second load starts from nothing
  CHECK_THROWS_WITH_AS(image.Load(file(4, {})), "GIF image has more than 3 frames", GIFException);
  CHECK(image.Frames().Count() == 3);

  // Six blocks each: extensions, comment and text strings, application blocks.
  const Bytes fiveBlocks = {1, 'a', 1, 'b', 1, 'c', 1, 'd', 1, 'e', 0};
  const Bytes comment = GifBuilder().Raw({kGIFExtensionIntroducer, kGIFCommentLabel}).Raw(fiveBlocks).Data;
  const Bytes text =
      GifBuilder().Raw({kGIFExtensionIntroducer, kGIFPlainTextLabel, 12}).Raw(Bytes(12, 0)).Raw(fiveBlocks).Data;
  const Bytes application =
      GifBuilder().Raw({kGIFExtensionIntroducer, kGIFApplicationLabel, 11}).Raw(Bytes(11, 'A')).Raw(fiveBlocks).Data;
  GifBuilder controls;
  for (int i = 0; i < 6; ++i) controls.Control(kDisposalNone, 1);
  for (const Bytes& six : {comment, text, application, controls.Data}) {
    image.Load(file(1, six));
    CHECK(image.Frames().Count() == 1);
    Bytes seven = six;
    seven.insert(seven.begin(), {kGIFExtensionIntroducer, kGIFCommentLabel, 0});  // an empty comment before
    CHECK_THROWS_WITH_AS(image.Load(file(1, seven)), "GIF image has more than 6 extension blocks", GIFException);
  }
}

TEST_CASE("the extension registries resolve labels and identifiers") {
  CHECK(ExtensionRegistry().Find(kGIFGraphicControlLabel) == &TGIFGraphicControlExtension::ClassRef);
  CHECK(ExtensionRegistry().Find(0xF8) == nullptr);
  std::array<char, 11> id;
  std::memcpy(id.data(), "netscape2.0", 11);  // compared case-sensitively
  CHECK(AppExtensionRegistry().Find(id) == nullptr);
  std::memcpy(id.data(), "NETSCAPE2.0", 11);
  CHECK(AppExtensionRegistry().Find(id) == &TGIFAppExtNSLoop::ClassRef);
  TMemoryStream stream(
      Bytes{kGIFApplicationLabel, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
  CHECK(ResolveExtensionClass(stream) == &TGIFAppExtNSLoop::ClassRef);
  CHECK(stream.Position() == 0);
}
