// The error of the JPEG image class: "JPEG error #%d" with the message code
// of the linked libjpeg.
#pragma once

#include "pictures/graphic_errors.h"  // EAbort, which stops a decoding

namespace vr {

VR_DECLARE_EXCEPTION(EJPEG, Exception);

inline constexpr const char SJPEGError[] = "JPEG error #%d";

[[noreturn]] inline void RaiseJPEGError(int Code) { throw EJPEG(Format(SJPEGError, Code)); }

}  // namespace vr
