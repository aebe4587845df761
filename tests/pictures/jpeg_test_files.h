// JPEG files for the tests, made by libjpeg's own compressor from pictures
// drawn here, and libjpeg's own plain decoding of them (what its command-
// line decoder writes) to compare the image class's pixels with. No
// <windows.h> here: the library's header and the system's disagree.
#pragma once

#include <cstdint>
#include <vector>

namespace vr::test {

// A picture as libjpeg takes it: rows of RGB triples or grey samples.
struct TTestImage {
  int Width = 0, Height = 0, Components = 3;
  std::vector<uint8_t> Samples;
  // 0xRRGGBB (grey as three equal channels).
  uint32_t Rgb(int X, int Y) const;
};

// Colour gradients with a few hard-edged shapes (JPEG's hard case).
TTestImage ColourScene(int Width, int Height);
// A grey ramp with a dark square.
TTestImage GreyScene(int Width, int Height);

struct TJPEGFileOptions {
  int Quality = 90;
  bool Progressive = false;
  int RestartRows = 0;  // a restart marker every that many MCU rows
};
std::vector<uint8_t> JPEGFileOf(const TTestImage& Image, const TJPEGFileOptions& Options = {});

struct TReferenceOptions {
  int ScaleDenom = 1;     // 1, 2, 4, 8
  bool GrayOutput = false;
  bool FastDct = false;
};
// libjpeg's default decoding (RGB or grey out, no quantizing); warnings are
// ignored, an error gives an empty picture.
TTestImage ReferenceDecode(const std::vector<uint8_t>& File, const TReferenceOptions& Options = {});

// The library's message codes the tests expect.
int JPEGCodeNotAJPEG();
int JPEGCodeEmptyInput();
int JPEGCodeTwoFrames();

// The file with a second frame header added after the picture data: the
// decoder fails only when it looks past the last row.
std::vector<uint8_t> WithSecondFrameHeader(const std::vector<uint8_t>& File);

}  // namespace vr::test
