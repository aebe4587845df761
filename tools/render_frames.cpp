#include "tools/render_frames.h"

namespace vr {

void StepFrames(TImage& View, int Steps) {}

}  // namespace vr
