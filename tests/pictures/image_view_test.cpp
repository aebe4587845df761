// The image view: where the picture goes (natural size, centred, stretched),
// opacity, auto-size, the transparency it pushes into the graphic, repaints,
// progress and the palette check.
#include <doctest/doctest.h>

#include <memory>

#include "pictures/bitmap.h"
#include "pictures/image_view.h"
#include "pictures/metafile/metafile_win.h"
#include "pictures/picture_test_support.h"
#include "platform/application.h"

using namespace vr;
using namespace vr::test;

namespace {

// A top-level window of ours holding one view.
struct TViewHost {
  TViewHost() : Window(nullptr, nullptr, WS_OVERLAPPEDWINDOW), View(nullptr, &Window) {
    InitApplication();
    Window.SetBounds(0, 0, 400, 300);
    View.SetBounds(0, 0, 100, 50);
    ShowWindow(Window.Handle(), SW_SHOW);
    Application->ProcessMessages();
  }
  // Whether anything of the window waits to be painted; clears it.
  bool Invalidated() {
    RECT r;
    bool any = GetUpdateRect(Window.Handle(), &r, FALSE) != 0;
    ValidateRect(Window.Handle(), nullptr);
    return any;
  }
  TCustomControl Window;
  TImage View;
};

// A bitmap of Width × Height in one colour.
std::unique_ptr<TBitmap> Solid(int Width, int Height, uint32_t Colour) {
  auto bmp = std::make_unique<TBitmap>();
  bmp->NewDIB(Width, Height, TPixelFormat::pf24bit);
  TBitmapCanvas& canvas = bmp->Canvas();
  canvas.BrushColor = RGB(Colour >> 16, (Colour >> 8) & 0xFF, Colour & 0xFF);
  canvas.FillRect(RECT{0, 0, Width, Height});
  return bmp;
}

bool SameRect(const RECT& A, const RECT& B) { return EqualRect(&A, &B) != 0; }

}  // namespace

// A metafile that counts every attempt to set its transparency.
class TSpyMetafile : public TMetafile {
  VR_GRAPHIC_CLASS(TSpyMetafile)

 public:
  static inline int Writes = 0;
  void WriteTransparent(bool Value) override { ++Writes; }
};
VR_DEFINE_GRAPHIC_CLASS(TSpyMetafile, TMetafile)

TEST_CASE("the picture is drawn at natural size, centred with cuts on both sides, or stretched") {
  TViewHost host;
  TImage& view = host.View;
  auto small = Solid(10, 10, kRed);
  view.Picture().ReplaceGraphic(small.get());
  CHECK(SameRect(view.DestRect(), RECT{0, 0, 10, 10}));
  view.SetCenter(true);
  CHECK(SameRect(view.DestRect(), RECT{45, 20, 55, 30}));
  TDrawTarget target(100, 50);
  view.PaintOn(target.Canvas());
  CHECK(SameRect(target.BoundsOfOther(kBlack), RECT{45, 20, 55, 30}));
  CHECK(target.Pixel(45, 20) == kRed);

  view.SetStretch(true);
  CHECK(SameRect(view.DestRect(), RECT{0, 0, 100, 50}));
  target.FillWith(kBlack);
  view.PaintOn(target.Canvas());
  CHECK(target.Count(kRed, RECT{0, 0, 100, 50}) == 100 * 50);

  // Larger than the view: negative offsets, the middle shows.
  view.SetStretch(false);
  view.SetBounds(0, 0, 100, 100);
  auto large = Solid(300, 200, kGreen);
  auto put = [&](int x, int y, uint8_t b, uint8_t g, uint8_t r) {
    uint8_t* p = large->RowPointer(y) + 3 * x;
    p[0] = b;
    p[1] = g;
    p[2] = r;
  };
  put(100, 50, 0, 0, 255);   // red
  put(199, 149, 255, 0, 0);  // blue
  large->NotifyChange(large.get());
  view.Picture().ReplaceGraphic(large.get());
  CHECK(SameRect(view.DestRect(), RECT{-100, -50, 200, 150}));
  TDrawTarget square(100, 100);
  view.PaintOn(square.Canvas());
  CHECK(square.Pixel(0, 0) == kRed);
  CHECK(square.Pixel(99, 99) == kBlue);
  CHECK(square.Pixel(50, 50) == kGreen);

  // Odd differences: the division truncates toward zero.
  auto odd = Solid(301, 11, kRed);
  view.Picture().ReplaceGraphic(odd.get());
  CHECK(SameRect(view.DestRect(), RECT{-100, 44, 201, 55}));
  view.SetCenter(false);
  CHECK(SameRect(view.DestRect(), RECT{0, 0, 301, 11}));

  // An empty picture draws nothing.
  view.Picture().ReplaceGraphic(nullptr);
  square.FillWith(kBlack);
  view.PaintOn(square.Canvas());
  CHECK(square.Count(kBlack, RECT{0, 0, 100, 100}) == 100 * 100);
}

TEST_CASE("the view is opaque only when its picture covers it and is not transparent") {
  TViewHost host;
  TImage& view = host.View;
  CHECK_FALSE(view.IsOpaque());
  auto small = Solid(10, 10, kRed);
  view.Picture().ReplaceGraphic(small.get());
  CHECK_FALSE(view.IsOpaque());  // the parent shows around it
  view.SetStretch(true);
  CHECK(view.IsOpaque());
  view.SetTransparent(true);
  CHECK_FALSE(view.IsOpaque());
  view.SetTransparent(false);
  view.SetStretch(false);
  auto exact = Solid(100, 50, kRed);
  view.Picture().ReplaceGraphic(exact.get());
  CHECK(view.IsOpaque());
}

TEST_CASE("setters repaint only on a change; a failed load changes nothing") {
  TViewHost host;
  TImage& view = host.View;
  TTempFile bmp("view.bmp", BmpOfPicture({{kRed, kRed}, {kRed, kRed}}, 24));
  view.Picture().LoadFile(bmp.Path());
  host.Invalidated();
  view.SetStretch(false);
  view.SetCenter(false);
  view.SetTransparent(false);
  view.SetAutoSize(false);
  CHECK_FALSE(host.Invalidated());
  view.SetStretch(true);
  CHECK(host.Invalidated());
  view.SetCenter(true);
  CHECK(host.Invalidated());
  view.SetTransparent(true);
  CHECK(host.Invalidated());

  const RECT bounds = view.BoundsRect();
  const RECT dest = view.DestRect();
  const bool opaque = view.IsOpaque();
  TTempFile broken("view-broken.bmp", std::vector<uint8_t>{'B', 'M', 1, 2});
  CHECK_THROWS(view.Picture().LoadFile(broken.Path()));
  CHECK_THROWS(view.Picture().LoadFile("C:\\view.gif"));
  CHECK_FALSE(host.Invalidated());
  CHECK(SameRect(view.BoundsRect(), bounds));
  CHECK(SameRect(view.DestRect(), dest));
  CHECK(view.IsOpaque() == opaque);
  CHECK(view.Picture().Width() == 2);
}

TEST_CASE("AutoSize takes the picture's size unless the alignment fixes it") {
  TViewHost host;
  TImage& view = host.View;
  view.SetBounds(5, 6, 100, 50);
  view.SetAutoSize(true);
  CHECK(view.Width() == 0);  // an empty picture at run time
  TTempFile bmp("auto.bmp", BmpOfPicture(std::vector<std::vector<uint32_t>>(7, std::vector<uint32_t>(9, kRed)), 24));
  view.Picture().LoadFile(bmp.Path());
  CHECK(SameRect(view.BoundsRect(), RECT{5, 6, 14, 13}));
  // A 0 × 0 picture leaves the bounds alone.
  TTempFile empty("auto-empty.bmp", {});
  view.Picture().LoadFile(empty.Path());
  CHECK(SameRect(view.BoundsRect(), RECT{5, 6, 14, 13}));

  int w = 1, h = 1;
  view.Picture().LoadFile(bmp.Path());
  view.SetAlign(TAlign::alTop);
  CHECK(view.QueryAutoSize(w, h));
  CHECK(w == 1);
  CHECK(h == 7);
  view.SetAlign(TAlign::alLeft);
  CHECK(view.QueryAutoSize(w, h));
  CHECK(w == 9);
  // Filling the parent wins over the picture's size.
  view.SetAlign(TAlign::alClient);
  view.Picture().LoadFile(bmp.Path());
  CHECK(view.Width() == host.Window.ClientWidth());
  CHECK(view.Height() == host.Window.ClientHeight());
}

TEST_CASE("the view's Transparent goes into bitmaps, never into metafiles and icons") {
  TViewHost host;
  TImage& view = host.View;
  auto bmp = Solid(4, 4, kRed);
  view.Picture().ReplaceGraphic(bmp.get());
  TGraphic* held = view.Picture().HeldGraphic();
  CHECK_FALSE(held->Transparent());
  int changes = 0;
  view.Picture().OnChange = [&](TObject*) { ++changes; };
  view.SetTransparent(true);
  CHECK(held->Transparent());
  view.SetTransparent(false);
  CHECK_FALSE(held->Transparent());

  TSpyMetafile spy;
  view.Picture().ReplaceGraphic(&spy);
  auto* installed = static_cast<TMetafile*>(view.Picture().HeldGraphic());
  view.SetTransparent(true);
  view.SetTransparent(false);
  CHECK(&installed->ClassType() == &TSpyMetafile::StaticClass());
  CHECK(installed->Transparent());  // a metafile stays transparent
  CHECK(TSpyMetafile::Writes == 0);
}

TEST_CASE("progress reports reach the view's owner; the palette check asks the active form") {
  TViewHost host;
  TImage& view = host.View;
  std::vector<int> percents;
  view.OnProgress = [&](TObject* Sender, TProgressStage, uint8_t Percent, bool Redraw, const RECT&,
                        const std::string& Msg) { percents.push_back(Percent); };
  view.IncrementalDisplay = true;
  auto bmp = Solid(4, 4, kRed);
  view.Picture().ReplaceGraphic(bmp.get());
  TGraphic* held = view.Picture().HeldGraphic();
  held->ReportProgress(held, TProgressStage::psRunning, 40, true, RECT{0, 0, 4, 2}, "");
  held->ReportProgress(held, TProgressStage::psEnding, 100, false, RECT{0, 0, 4, 4}, "");
  CHECK(percents == std::vector<int>{40, 100});

  // An 8-bit picture with a new palette: cleared once the form was asked.
  TBitmap indexed;
  indexed.NewDIB(4, 4, TPixelFormat::pf8bit);
  CHECK(indexed.PaletteModified());
  SetActiveWindow(host.Window.Handle());
  const bool active = GetActiveWindow() == host.Window.Handle();
  view.Picture().ReplaceGraphic(&indexed);
  CHECK(view.Picture().HeldGraphic()->PaletteModified() == !active);
  // An invisible view leaves the flag for later.
  view.SetVisible(false);
  view.Picture().ReplaceGraphic(&indexed);
  CHECK(view.Picture().HeldGraphic()->PaletteModified());
  CHECK(view.ReadPalette() != nullptr);
}
