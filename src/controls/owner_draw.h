// Helpers of the owner-drawn controls: pictures drawn with the colour of
// their bottom-left pixel as the transparent colour, and font heights.
#pragma once

#include <windows.h>

namespace vr {

// The size of a bitmap; 0 x 0 when there is none.
SIZE PictureSize(HBITMAP Picture);
// Draws Picture with its top-left corner at X, Y; pixels of the colour of
// its bottom-left pixel are left out.
void DrawTransparentPicture(HDC DC, int X, int Y, HBITMAP Picture);
// The text height (ascent + descent) of a font; the system font for nullptr.
int FontTextHeight(HFONT Font);

}  // namespace vr
