// Icon and metafile files made by the tests: icon images with their masks,
// icon files around them, metafiles recorded by the system and placeable
// headers with a right or wrong key and checksum.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace vr::test {

using TPixelRows = std::vector<std::vector<uint32_t>>;  // top row first, 0xRRGGBB (0xAARRGGBB at 32 bits)

// The bitmap image of an icon entry: header (height counting both halves),
// colour table, colour pixels in Bits per pixel (1, 4, 8 through Colors;
// 16 as 5-5-5; 24; 32 with the top byte as alpha), then the mask, where a
// pixel of Transparent (if given) is 1. Transparent pixels are stored black,
// so that the screen shows through unchanged.
std::vector<uint8_t> IconImage(const TPixelRows& Rows, uint16_t Bits, const std::vector<uint32_t>& Colors = {},
                               uint32_t Transparent = 0xFFFFFFFF);

struct TIconEntry {
  uint8_t Width = 0, Height = 0;  // 0 means 256
  uint8_t ColourCount = 0;        // 0 means many
  uint16_t Bits = 0;
  std::vector<uint8_t> Image;
};

// An icon file: the 6-byte header, the directory, then the images in order.
std::vector<uint8_t> IcoFile(const std::vector<TIconEntry>& Entries, uint16_t Type = 1);

// Width × Height of one colour with a border of Border pixels of another.
TPixelRows Framed(int Width, int Height, uint32_t Inner, uint32_t Border, int BorderWidth = 1);

// The records of a Windows metafile recorded by the system; Draw receives
// the recording device context.
std::vector<uint8_t> RecordWmf(const std::function<void(HDC)>& Draw);

// A placeable header for the bounding box and inch value, then Records.
// FlipChecksumBit spoils one bit of the checksum, Key replaces the key.
std::vector<uint8_t> PlaceableWmf(int16_t Left, int16_t Top, int16_t Right, int16_t Bottom, uint16_t Inch,
                                  const std::vector<uint8_t>& Records, bool FlipChecksumBit = false,
                                  uint32_t Key = 0x9AC6CDD7);

// An enhanced metafile recorded by the system with a frame of Frame
// (0.01 mm), drawn in the reference device's pixels by Draw.
std::vector<uint8_t> RecordEmf(const RECT& Frame, const std::function<void(HDC)>& Draw);

// Fills a rectangle with a solid colour (0xRRGGBB), no outline.
void FillSolid(HDC DC, const RECT& R, uint32_t Colour);

// The reference device's pixels for a frame in 0.01 mm: the screen's own
// pixels-per-millimetre, as the system records.
RECT FrameInScreenPixels(const RECT& Frame);

}  // namespace vr::test
