// The starting corpus of gif_fuzz: a still picture, an interlaced one, an
// animation with control blocks, transparency, local tables and a loop, and
// one with a comment and frames at odd places.
#include "gif_test_writer.h"
#include "support/seed_writer.h"

using namespace giftest;

namespace {

FrameSpec MakeFrame(int Left, int Top, int Width, int Height, int Colors, uint32_t Seed, int MinCodeSize = 8) {
  FrameSpec f;
  f.Left = Left, f.Top = Top, f.Width = Width, f.Height = Height;
  f.Pixels = TestPixels(Width, Height, Colors, Seed);
  f.MinCodeSize = MinCodeSize;
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  seeds::Start(argc, argv);
  {
    GifBuilder b;
    b.Header(16, 12, Grey(16)).Frame(MakeFrame(0, 0, 16, 12, 16, 1, 4)).Trailer();
    seeds::Write("still.gif", b.Data);
  }
  {
    GifBuilder b;
    FrameSpec f = MakeFrame(0, 0, 20, 17, 4, 2, 2);
    f.Interlaced = true;
    b.Header(20, 17, Grey(4)).Frame(f).Trailer();
    seeds::Write("interlaced.gif", b.Data);
  }
  {
    GifBuilder b;
    b.Header(24, 24, Grey(256), 3).Loop(0);
    for (int i = 0; i < 4; ++i) {
      b.Control(i % 4, 5, i == 2 ? 1 : -1);
      FrameSpec f = MakeFrame(i * 3, i * 2, 12, 10, 8, 10 + i);
      if (i == 1) f.Local = Grey(8), f.MinCodeSize = 3;
      b.Frame(f);
    }
    seeds::Write("animation.gif", b.Trailer().Data);
  }
  {
    GifBuilder b;
    b.Header(8, 8, Grey(2), 0, "GIF87a").Comment({"made", "here"});
    FrameSpec f = MakeFrame(5, 5, 8, 8, 2, 5, 2);
    f.BlockSize = 7;
    b.Frame(f);
    seeds::Write("offset_gif87.gif", b.Trailer().Data);
  }
  return 0;
}
