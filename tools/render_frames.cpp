#include "tools/render_frames.h"

#include "gif/gif_frame_steps_win.h"
#include "gif/gif_image_win.h"

namespace vr {

void StepFrames(TImage& View, int Steps) {
  // An animation is composed as its painter would have it after Steps steps.
  if (auto* gif = dynamic_cast<TGIFImage*>(View.Picture().HeldGraphic())) PrepareFrameSteps(*gif, Steps);
}

}  // namespace vr
