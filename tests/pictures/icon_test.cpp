// Icon files made here, loaded and drawn: the entry chosen for the display
// and the size, sizes before and after the first draw, every colour depth
// with its mask, images stored as PNG data, never stretched, damaged files
// refused at load through the picture holder, and a drawing error raised once.
#include <doctest/doctest.h>

#include <cstdlib>

#include "pictures/icon/icon_win.h"
#include "pictures/icon_metafile_files.h"
#include "pictures/image_view.h"
#include "pictures/jpeg_support.h"
#include "pictures/picture_test_support.h"
#include "platform/application.h"
#include "platform/byte_order.h"
#include "png/png_test_encoder.h"

using namespace vr;
using namespace vr::test;

namespace {

constexpr uint32_t kBack = 0x336699;   // what the icon is drawn over
constexpr uint32_t kClear = 0xFEFEFE;  // marks the transparent pixels of a picture
const std::vector<uint32_t> kColours = {kBlack, kWhite, kRed, kGreen, kBlue};

void Load(TIcon& Icon, const std::vector<uint8_t>& File) {
  TMemoryStream stream(File);
  Icon.LoadFromStream(stream);
}

TIconEntry Entry(const TPixelRows& Rows, uint16_t Bits, uint8_t ColourCount = 16,
                 const std::vector<uint32_t>& Colors = kColours) {
  TIconEntry e;
  e.Width = uint8_t(Rows[0].size());
  e.Height = uint8_t(Rows.size());
  e.ColourCount = ColourCount;
  e.Bits = Bits;
  e.Image = IconImage(Rows, Bits, Colors, kClear);
  return e;
}

// Expected pixels of a picture drawn over the background.
uint32_t Shown(uint32_t Colour) { return Colour == kClear ? kBack : Colour & 0xFFFFFF; }

bool SameRect(const RECT& A, const RECT& B) { return EqualRect(&A, &B) != 0; }

#define CHECK_INVALID_ICON(expr) CHECK_THROWS_WITH_AS(expr, "Icon image is not valid", EInvalidGraphic)

// A 32 × 32 RGBA PNG: red inside, a clear 2-pixel border, one half-transparent blue pixel.
std::vector<uint8_t> RedPng32() {
  pngtest::TestImage img;
  img.Width = 32, img.Height = 32, img.BitDepth = 8, img.ColorType = vr::kPNGRGBA;
  img.Samples.assign(32 * 32 * 4, 0);
  for (uint32_t y = 2; y < 30; ++y)
    for (uint32_t x = 2; x < 30; ++x) {
      img.At(x, y, 0) = 255;
      img.At(x, y, 3) = 255;
    }
  img.At(16, 16, 0) = 0;
  img.At(16, 16, 2) = 255;
  img.At(16, 16, 3) = 128;
  return pngtest::MakePng(img, false);
}

}  // namespace

TEST_CASE("the entry nearest the system size is drawn; until then the size is the system's") {
  REQUIRE(SystemIconSize().x == 32);
  REQUIRE(SystemIconSize().y == 32);
  REQUIRE(DisplayColourBits() > 8);
  const std::vector<uint8_t> file =
      IcoFile({Entry(Framed(16, 16, kGreen, kClear, 2), 4), Entry(Framed(32, 32, kRed, kClear, 2), 4)});

  TIcon icon;
  CHECK(icon.IsEmpty());
  Load(icon, file);
  CHECK_FALSE(icon.IsEmpty());
  CHECK(icon.Transparent());
  CHECK(icon.Width() == 32);
  CHECK(icon.Height() == 32);
  TDrawTarget target(100, 100, kBack);
  icon.DrawInto(target.Canvas(), RECT{5, 5, 95, 95});
  CHECK(SameRect(target.BoundsOfOther(kBack), RECT{7, 7, 35, 35}));
  CHECK(target.Count(kRed, RECT{7, 7, 35, 35}) == 28 * 28);
  CHECK(icon.Width() == 32);
  CHECK(icon.Height() == 32);
  ICONINFO info{};
  REQUIRE(GetIconInfo(icon.SystemHandle(), &info));
  BITMAP colour{};
  GetObjectA(info.hbmColor, sizeof colour, &colour);
  CHECK(colour.bmWidth == 32);
  CHECK(colour.bmHeight == 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  CHECK_THROWS_WITH_AS(icon.SetWidth(16), "Cannot change the size of an icon", EInvalidGraphicOperation);
  CHECK_THROWS_WITH_AS(icon.SetHeight(16), "Cannot change the size of an icon", EInvalidGraphicOperation);

  // A size asked for before the first draw picks the entry nearest to it.
  TIcon small;
  Load(small, file);
  small.SetWidth(16);
  small.SetHeight(16);
  CHECK(small.Width() == 32);  // still the system's size: no handle yet
  target.FillWith(kBack);
  small.DrawInto(target.Canvas(), RECT{5, 5, 95, 95});
  CHECK(SameRect(target.BoundsOfOther(kBack), RECT{7, 7, 19, 19}));
  CHECK(target.Pixel(10, 10) == kGreen);
  CHECK(small.Width() == 16);
  CHECK(small.Height() == 16);
}

TEST_CASE("a lone 48 x 48 entry draws at its own size from the top-left corner, even in a stretched view") {
  InitApplication();
  TCustomControl window(nullptr, nullptr, WS_OVERLAPPEDWINDOW);
  window.SetBounds(0, 0, 400, 300);
  TImage view(nullptr, &window);
  view.SetBounds(0, 0, 200, 150);
  view.SetStretch(true);
  TTempFile file("lone48.ico", IcoFile({Entry(Framed(48, 48, kRed, kClear, 1), 8, 0)}));
  view.Picture().LoadFile(file.Path());
  CHECK(view.Picture().Width() == 32);  // the system's size until the first draw
  TDrawTarget target(200, 150, kBack);
  view.PaintOn(target.Canvas());
  CHECK(SameRect(target.BoundsOfOther(kBack), RECT{1, 1, 47, 47}));
  CHECK(target.Count(kRed, RECT{1, 1, 47, 47}) == 46 * 46);
  CHECK(view.Picture().Width() == 48);
  CHECK(view.Picture().Height() == 48);
}

TEST_CASE("every colour depth draws its own colours, and the mask keeps the background") {
  // 8 × 6: four coloured quadrants (two colours at 1 bit), a clear block inside.
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    CAPTURE(bits);
    const bool mono = bits == 1;
    TPixelRows rows(6, std::vector<uint32_t>(8));
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x)
        rows[size_t(y)][size_t(x)] = mono ? ((x < 4) == (y < 3) ? kWhite : kBlack)
                                          : (y < 3 ? (x < 4 ? kRed : kGreen) : (x < 4 ? kBlue : kWhite));
    for (int y = 2; y < 4; ++y)
      for (int x = 3; x < 6; ++x) rows[size_t(y)][size_t(x)] = kClear;
    TIcon icon;
    Load(icon, IcoFile({Entry(rows, bits, mono ? 2 : 0, mono ? std::vector<uint32_t>{kBlack, kWhite} : kColours)}));
    TDrawTarget target(20, 20, kBack);
    icon.DrawInto(target.Canvas(), RECT{2, 3, 20, 20});
    int wrong = 0;
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x) wrong += target.Pixel(2 + x, 3 + y) != Shown(rows[size_t(y)][size_t(x)]);
    CHECK(wrong == 0);
    CHECK(SameRect(target.BoundsOfOther(kBack), RECT{2, 3, 10, 9}));
  }

  // 32 bits with alpha: the alpha decides, the (empty) mask does not.
  TPixelRows alpha(4, std::vector<uint32_t>(4, 0xFF00FF00u));
  alpha[0][0] = 0x00000000u;
  alpha[3][3] = 0x00000000u;
  TIconEntry e;
  e.Width = 4, e.Height = 4, e.Bits = 32;
  e.Image = IconImage(alpha, 32);
  TIcon icon;
  Load(icon, IcoFile({e}));
  TDrawTarget target(4, 4, kBack);
  icon.DrawInto(target.Canvas(), RECT{0, 0, 4, 4});
  CHECK(target.Pixel(0, 0) == kBack);
  CHECK(target.Pixel(3, 3) == kBack);
  CHECK(target.Count(kGreen, RECT{0, 0, 4, 4}) == 14);
}

TEST_CASE("images stored as PNG data are drawn through the PNG decoder, with their alpha") {
  TImageLibraries libraries;  // the PNG codec hands the icon class its decoder
  TIconEntry png;
  png.Width = 32, png.Height = 32, png.Bits = 32;
  png.Image = RedPng32();
  const std::vector<uint8_t> file = IcoFile({Entry(Framed(16, 16, kGreen, kClear), 4, 0), png});
  TIcon icon;
  Load(icon, file);
  TDrawTarget target(40, 40, kBack);
  icon.DrawInto(target.Canvas(), RECT{4, 4, 40, 40});
  CHECK(target.Pixel(4, 4) == kBack);  // the clear border
  CHECK(target.Pixel(5, 5) == kBack);
  CHECK(target.Pixel(6, 6) == kRed);
  CHECK(target.Pixel(33, 33) == kRed);
  CHECK(target.Pixel(34, 34) == kBack);
  CHECK(target.Count(kGreen, RECT{0, 0, 40, 40}) == 0);
  // Half blue over the background, within rounding.
  const uint32_t blend = target.Pixel(20, 20);
  CHECK(std::abs(int(blend >> 16) - 0x33 * 127 / 255) <= 2);
  CHECK(std::abs(int((blend >> 8) & 0xFF) - 0x66 * 127 / 255) <= 2);
  CHECK(std::abs(int(blend & 0xFF) - (0x99 * 127 + 255 * 128) / 255) <= 2);
  CHECK(icon.Width() == 32);

  // The PNG data spoiled inside its image data (the chunk's check fails).
  std::vector<uint8_t> spoiled = file;
  spoiled[spoiled.size() - 20] ^= 0x40;
  TIcon bad;
  CHECK_INVALID_ICON(Load(bad, spoiled));
}

TEST_CASE("damaged icon files are refused at load; the picture holder keeps its picture") {
  const std::vector<uint8_t> good = IcoFile({Entry(Framed(32, 32, kRed, kClear), 4)});
  auto with = [&](size_t At, std::vector<uint8_t> Patch) {
    std::vector<uint8_t> f = good;
    std::copy(Patch.begin(), Patch.end(), f.begin() + ptrdiff_t(At));
    return f;
  };
  std::vector<uint8_t> cut = good;
  cut.resize(6 + 16 + 40 + 64 + 200);  // inside the colour pixels
  PutU32LE(&cut[6 + 8], uint32_t(cut.size() - 22));
  struct TCase {
    const char* Name;
    std::vector<uint8_t> File;
    const char* Message;
  };
  const std::vector<TCase> cases = {
      {"a cursor", with(2, {2}), "Icon image is not valid"},
      {"four bytes", {0, 0, 1, 0}, "Stream read error"},
      {"no images", with(4, {0}), "Icon image is not valid"},
      {"a directory past the end", with(4, {200}), "Icon image is not valid"},
      {"the image outside the file", with(6 + 12, {0, 0, 1, 0}), "Icon image is not valid"},
      {"an image bigger than the file", with(6 + 8, {0, 0, 1, 0}), "Icon image is not valid"},
      {"colour pixels cut short", cut, "Icon image is not valid"},
      {"compressed pixels", with(6 + 16 + 16, {2}), "Icon image is not valid"},
      {"2 bits per pixel", with(6 + 16 + 14, {2}), "Icon image is not valid"},
  };

  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };
  TTempFile first("first.ico", good);
  picture.LoadFile(first.Path());
  CHECK(changes == 1);
  TGraphic* held = picture.HeldGraphic();
  for (const TCase& c : cases) {
    CAPTURE(c.Name);
    TTempFile bad("bad.ico", c.File);
    CHECK_THROWS_WITH(picture.LoadFile(bad.Path()), c.Message);
    CHECK(picture.HeldGraphic() == held);
    CHECK(changes == 1);
  }
  TDrawTarget target(32, 32, kBack);
  held->DrawInto(target.Canvas(), RECT{0, 0, 32, 32});
  CHECK(target.Pixel(16, 16) == kRed);

  // Type 0 stands for the system's application icon.
  TTempFile standard("standard.ico", {0, 0, 0, 0, 0, 0});
  picture.LoadFile(standard.Path());
  CHECK(changes == 2);
  TDrawTarget wide(64, 64, kBack);
  picture.HeldGraphic()->DrawInto(wide.Canvas(), RECT{0, 0, 64, 64});
  const RECT drawn = wide.BoundsOfOther(kBack);
  CHECK(drawn.right > drawn.left);
  CHECK(drawn.right <= 32);
  CHECK(drawn.bottom <= 32);
  CHECK(picture.Width() == 32);
}

TEST_CASE("an image that fails only while drawing raises once; later repaints draw nothing") {
  // The 16 × 16 image is broken; the load checks the 32 × 32 one, which the
  // system size would choose.
  TIconEntry broken = Entry(Framed(16, 16, kGreen, kClear), 4);
  broken.Image[14] = 3;  // 3 bits per pixel
  const std::vector<uint8_t> file = IcoFile({broken, Entry(Framed(32, 32, kRed, kClear), 4)});
  TIcon icon;
  Load(icon, file);
  icon.SetWidth(16);
  icon.SetHeight(16);
  TDrawTarget target(40, 40, kBack);
  CHECK_INVALID_ICON(icon.DrawInto(target.Canvas(), RECT{0, 0, 40, 40}));
  CHECK_NOTHROW(icon.DrawInto(target.Canvas(), RECT{0, 0, 40, 40}));
  CHECK(target.Count(kBack, RECT{0, 0, 40, 40}) == 40 * 40);
  // Asked for directly, the handle's error is raised every time.
  CHECK_INVALID_ICON(icon.SystemHandle());
  CHECK_INVALID_ICON(icon.SystemHandle());
}

TEST_CASE("copies share the icon; its file's bytes are saved as they were") {
  const std::vector<uint8_t> file = IcoFile({Entry(Framed(32, 32, kRed, kClear), 4)});
  TIcon icon, copy;
  Load(icon, file);
  int changes = 0;
  copy.OnChange = [&](TObject*) { ++changes; };
  copy.AssignFrom(&icon);
  CHECK(changes == 1);
  CHECK(copy.SystemHandle() == icon.SystemHandle());
  CHECK(copy.SameImage(&icon));
  TMemoryStream saved;
  copy.SaveToStream(saved);
  CHECK(saved.Bytes() == file);
  copy.AssignFrom(nullptr);
  CHECK(copy.IsEmpty());
  CHECK_FALSE(icon.IsEmpty());
  TDrawTarget target(32, 32, kBack);
  icon.DrawInto(target.Canvas(), RECT{0, 0, 32, 32});
  CHECK(target.Pixel(16, 16) == kRed);
}
