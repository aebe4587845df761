#include "controls/owner_draw.h"

#include "platform/handles.h"

namespace vr {

SIZE PictureSize(HBITMAP Picture) {
  BITMAP bm{};
  if (Picture == nullptr || GetObjectA(Picture, sizeof bm, &bm) == 0) return SIZE{0, 0};
  return SIZE{bm.bmWidth, bm.bmHeight};
}

void DrawTransparentPicture(HDC DC, int X, int Y, HBITMAP Picture) {
  SIZE size = PictureSize(Picture);
  if (size.cx <= 0 || size.cy <= 0) return;
  TMemoryDC source(CreateCompatibleDC(DC));
  if (!source) return;
  TSelectObject select(source.Get(), Picture);
  COLORREF key = GetPixel(source.Get(), 0, size.cy - 1);
  TransparentBlt(DC, X, Y, size.cx, size.cy, source.Get(), 0, 0, size.cx, size.cy, key);
}

int FontTextHeight(HFONT Font) {
  TWindowDC screen(nullptr);
  TSelectObject select(screen.Get(), Font != nullptr ? static_cast<HGDIOBJ>(Font) : GetStockObject(SYSTEM_FONT));
  TEXTMETRICA tm{};
  GetTextMetricsA(screen.Get(), &tm);
  return tm.tmHeight;
}

}  // namespace vr
