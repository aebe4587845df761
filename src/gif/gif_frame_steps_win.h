// Showing an animation as it stands after a number of frame steps, at
// once: the renderer's view of one moment of an animated picture.
#pragma once

#include "gif/gif_image_win.h"

namespace vr {

// Makes the next drawing of Image compose its animation at once, exactly
// as its painter would, and stop after Steps frame steps (0: the first
// frame). The drawing then shows the render buffer at that frame. Endless
// animations wrap around; others stop on their last frame. Installs a
// painter clock that never waits, for the rest of the process.
void PrepareFrameSteps(TGIFImage& Image, int Steps);

}  // namespace vr
