// Dots per inch. Windows and controls are designed at kDesignPixelsPerInch:
// their rectangles, font heights and geometry rules are scaled from it to
// the screen's dpi when a window is made. Pictures are not: they keep their
// natural size in device pixels.
#pragma once

#include <windows.h>

#include "platform/handles.h"

namespace vr {

inline constexpr int kDesignPixelsPerInch = 96;

// The system's dots per inch: the screen's logical pixels per inch.
inline int ScreenPixelsPerInch() {
  TWindowDC screen(nullptr);
  const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  return dpi > 0 ? dpi : kDesignPixelsPerInch;
}

}  // namespace vr
