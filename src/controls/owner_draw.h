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

// Answers the owner-draw notices of a list or drop-down: WM_DRAWITEM through
// Draw, WM_MEASUREITEM with ItemHeight. False for any other message.
template <typename TDraw>
bool AnswerOwnerDraw(UINT Msg, LPARAM lParam, LRESULT& Result, int ItemHeight, TDraw&& Draw) {
  if (Msg == WM_DRAWITEM) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    Draw(item.hDC, static_cast<int>(item.itemID), item.rcItem, item.itemState);
  } else if (Msg == WM_MEASUREITEM) {
    reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = static_cast<UINT>(ItemHeight);
  } else {
    return false;
  }
  Result = TRUE;
  return true;
}

}  // namespace vr
