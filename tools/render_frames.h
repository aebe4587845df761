// Steps an animated picture in the renderer to the frame asked for.
#pragma once

#include "pictures/image_view.h"

namespace vr {

// Shows the picture as it stands after Steps frame steps; pictures that do
// not animate stay as they are.
void StepFrames(TImage& View, int Steps);

}  // namespace vr
