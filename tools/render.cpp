// Renders a picture file through the picture holder and an image view like
// the main window's, onto a background colour, and writes a 24-bit BMP.
//
//   render FILE OUT.bmp [--size WxH] [--stretch] [--no-center] [--transparent]
//                       [--background RRGGBB] [--frame N]
//
// Prints "OK <width>x<height> <class>" and exits 0, or
// "<exception class>: <message>" and exits 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/image_libraries.h"
#include "pictures/image_view.h"
#include "platform/application.h"
#include "platform/exceptions.h"
#include "platform/forms.h"
#include "platform/handles.h"
#include "tools/render_frames.h"

using namespace vr;

namespace {

struct TOptions {
  std::string File, Out;
  int Width = 0, Height = 0;  // 0: the picture's own size
  bool Stretch = false, Center = true, Transparent = false;
  COLORREF Background = RGB(255, 255, 255);
  int Frame = 0;
};

[[noreturn]] void Usage() {
  std::fprintf(stderr,
               "usage: render FILE OUT.bmp [--size WxH] [--stretch] [--no-center] [--transparent]\n"
               "              [--background RRGGBB] [--frame N]\n");
  std::exit(2);
}

TOptions ParseArguments(int argc, char** argv) {
  TOptions o;
  std::vector<std::string> plain;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string {
      if (i + 1 >= argc) Usage();
      return argv[++i];
    };
    if (a == "--size") {
      if (std::sscanf(next().c_str(), "%dx%d", &o.Width, &o.Height) != 2 || o.Width <= 0 || o.Height <= 0) Usage();
    } else if (a == "--stretch") {
      o.Stretch = true;
    } else if (a == "--no-center") {
      o.Center = false;
    } else if (a == "--transparent") {
      o.Transparent = true;
    } else if (a == "--background") {
      unsigned rgb = 0;
      std::string v = next();
      if (v.size() != 6 || std::sscanf(v.c_str(), "%6x", &rgb) != 1) Usage();
      o.Background = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    } else if (a == "--frame") {
      o.Frame = std::atoi(next().c_str());
      if (o.Frame < 0) Usage();
    } else if (!a.empty() && a[0] == '-') {
      Usage();
    } else {
      plain.push_back(a);
    }
  }
  if (plain.size() != 2) Usage();
  o.File = plain[0];
  o.Out = plain[1];
  return o;
}

// A 24-bit surface the view paints on, as its parent window would.
class TSurface {
 public:
  TSurface(int Width, int Height, COLORREF Background) : FWidth(Width), FHeight(Height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = Width;
    info.bmiHeader.biHeight = -Height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    FDC.Reset(CreateCompatibleDC(nullptr));
    FBitmap.Reset(CreateDIBSection(FDC.Get(), &info, DIB_RGB_COLORS, &FBits, nullptr, 0));
    if (!FBitmap) throw EOutOfResources("Cannot make the drawing surface");
    FOld = SelectObject(FDC.Get(), FBitmap.Get());
    RECT r{0, 0, Width, Height};
    TBrushHandle brush(CreateSolidBrush(Background));
    FillRect(FDC.Get(), &r, brush.Get());
  }
  ~TSurface() { SelectObject(FDC.Get(), FOld); }
  HDC DC() const { return FDC.Get(); }

  void SaveBmp(const std::string& Path) const {
    GdiFlush();
    const int stride = (FWidth * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = FWidth;
    header.biHeight = -FHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<DWORD>(stride) * static_cast<DWORD>(FHeight);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    FILE* out = std::fopen(Path.c_str(), "wb");
    if (out == nullptr) throw EFCreateError(Format("Cannot create file %s", Path.c_str()));
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&header, sizeof header, 1, out);
    std::fwrite(FBits, 1, header.biSizeImage, out);
    std::fclose(out);
  }

 private:
  int FWidth, FHeight;
  TMemoryDC FDC;
  TBitmapHandle FBitmap;
  void* FBits = nullptr;
  HGDIOBJ FOld = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  TOptions o = ParseArguments(argc, argv);
  TApplication& app = InitApplication();
  app.Title = "Vistaroam";
  RegisterImageLibraries();
  std::string failure;
  int width = 0, height = 0;
  std::string className;
  {
    // The view lives on a hidden window, like the main window's picture area.
    TCustomForm::TParams params;
    params.BorderStyle = TBorderStyle::bsNone;
    TCustomForm host(nullptr, params);
    TImage* view = host.Make<TImage>(&host);
    view->SetAutoSize(o.Width == 0);
    view->SetCenter(o.Center);
    view->SetStretch(o.Stretch);
    view->SetTransparent(o.Transparent);
    // Errors of the drawing go to the output line, not to a box.
    app.ModalHook = [&](const TModalRequest& r) {
      if (failure.empty()) failure = r.Text;
      return IDOK;
    };
    std::unique_ptr<TSurface> surface;
    try {
      view->Picture().LoadFile(o.File);
      TGraphic* graphic = view->Picture().HeldGraphic();
      className = graphic != nullptr ? graphic->ClassName() : "none";
      StepFrames(*view, o.Frame);
      int w = o.Width != 0 ? o.Width : view->Picture().Width();
      int h = o.Height != 0 ? o.Height : view->Picture().Height();
      if (w <= 0 || h <= 0) w = h = 1;  // an empty picture: a blank pixel
      view->SetBounds(0, 0, w, h);
      surface = std::make_unique<TSurface>(w, h, o.Background);
      TCanvas canvas(surface->DC());
      view->PaintOn(canvas);
      width = view->Picture().Width();
      height = view->Picture().Height();
    } catch (const Exception& e) {
      failure = std::string(e.ClassName()) + ": " + e.Message();
    } catch (const std::exception& e) {
      failure = std::string("Exception: ") + e.what();
    }
    if (surface) {
      try {
        surface->SaveBmp(o.Out);
      } catch (const Exception& e) {
        if (failure.empty()) failure = std::string(e.ClassName()) + ": " + e.Message();
      }
    }
    app.ModalHook = nullptr;
  }
  UnregisterImageLibraries();
  if (!failure.empty()) {
    std::printf("%s\n", failure.c_str());
    return 1;
  }
  std::printf("OK %dx%d %s\n", width, height, className.c_str());
  return 0;
}
