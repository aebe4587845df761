// The errors of the picture classes and their message texts.
// Pure C++: the byte-level readers raise them as well as the framework.
#pragma once

#include "platform/exceptions.h"

namespace vr {

// A picture file (or stored image block) whose bytes cannot be a picture of
// its class, an unknown extension, an impossible pixel format.
VR_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
// An operation the picture cannot do in its present state (resizing a JPEG,
// a scan line outside the bitmap).
VR_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
// Raised by a progress handler to stop a decoding or rendering quietly: the
// picture keeps what was done so far and no error is shown.
VR_DECLARE_EXCEPTION(EAbort, Exception);

// Message texts, byte for byte.
inline constexpr const char SInvalidBitmap[] = "Bitmap image is not valid";
inline constexpr const char SInvalidIcon[] = "Icon image is not valid";
inline constexpr const char SInvalidMetafile[] = "Metafile is not valid";
inline constexpr const char SInvalidPixelFormat[] = "Invalid pixel format";
inline constexpr const char SUnknownExtension[] = "Unknown picture file extension (.%s)";
inline constexpr const char SScanLine[] = "Scan line index out of range";
inline constexpr const char SChangeIconSize[] = "Cannot change the size of an icon";
inline constexpr const char SChangeJPEGSize[] = "Cannot change the size of a JPEG image";

}  // namespace vr
