// The error of the JPEG image class: "JPEG error #%d" with the message code
// of the linked libjpeg.
#pragma once

#include "platform/exceptions.h"

namespace vr {

VR_DECLARE_EXCEPTION(EJPEG, Exception);

inline constexpr const char SJPEGError[] = "JPEG error #%d";

[[noreturn]] inline void RaiseJPEGError(int Code) { throw EJPEG(Format(SJPEGError, Code)); }

// Raised by a progress handler to stop a decoding quietly: the decoder
// keeps what it decoded so far and no error is shown.
VR_DECLARE_EXCEPTION(EAbort, Exception);

}  // namespace vr
