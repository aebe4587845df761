// The LZW decoder of GIF image data.
// Pure C++.
#pragma once

#include "platform/stream.h"

namespace vr {

class TGIFSubImage;

// Reads the image data that follows a frame's descriptor and colour table
// and turns it into Frame.Width x Frame.Height colour indices in
// Frame.PixelData, rows in display order. Damaged data ends quietly: pixels
// it does not cover keep the transparent index (or 0). A table whose entries
// chain into a loop fails with "Circular decoder table entry"; a frame too
// large for the pixel caps fails with "Invalid image dimensions".
void DecodeFramePixels(TGIFSubImage& Frame, TStream& Stream);

}  // namespace vr
