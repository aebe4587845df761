// Steps an animated picture in the renderer to the frame asked for. The
// renderer shows one moment of an animation at once: a painter clock that
// never waits stands in for time, for the rest of the process, which is why
// this lives with the tools and not in the program.
#pragma once

#include "gif/gif_image_win.h"
#include "pictures/image_view.h"

namespace vr {

// Shows the picture as it stands after Steps frame steps; pictures that do
// not animate stay as they are.
void StepFrames(TImage& View, int Steps);

// Makes the next drawing of Image compose its animation at once, exactly
// as its painter would, and stop after Steps frame steps (0: the first
// frame). The drawing then shows the render buffer at that frame. Endless
// animations wrap around; others stop on their last frame. Installs a
// painter clock that never waits, for the rest of the process.
void PrepareFrameSteps(TGIFImage& Image, int Steps);

}  // namespace vr
