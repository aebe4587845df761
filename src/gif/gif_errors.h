// The GIF codec's exception class, warning severities and message texts.
// Pure C++.
#pragma once

#include "platform/exceptions.h"

namespace vr {

// Every hard error of the GIF reader, decoder and frame renderer.
VR_DECLARE_EXCEPTION(GIFException, Exception);

// Severity passed with a warning; the reader reports gsWarning (1) only.
enum TGIFSeverity { gsInfo = 0, gsWarning = 1, gsError = 2 };

// Texts of the errors and warnings, byte for byte.
inline constexpr char sGIFInvalidSignature[] = "Invalid GIF signature";
inline constexpr char sGIFPrematureEnd[] = "Premature end of data";
inline constexpr char sGIFUnknownExtension[] = "Unknown extension type";
inline constexpr char sGIFBadExtensionIntroducer[] = "Invalid extension introducer";
inline constexpr char sGIFExtensionLabelMismatch[] =
    "Internal error: Extension Instance does not match Extension Label";
inline constexpr char sGIFBadAppExtensionSize[] = "Unsupported Application Extension block size";
inline constexpr char sGIFInvalidData[] = "Invalid GIF data";
inline constexpr char sGIFColorTableEmpty[] = "Color table is empty";
inline constexpr char sGIFCircularTable[] = "Circular decoder table entry";
inline constexpr char sGIFUnknownBlock[] = "Unknown GIF block type";
inline constexpr char sGIFScreenExceeded[] = "Image exceeds Logical Screen size";
inline constexpr char sGIFBadTrailer[] = "Invalid Image trailer";
inline constexpr char sGIFInvalidColorIndex[] = "Invalid color index";
inline constexpr char sGIFBitBufferUnderrun[] = "Decoder bit buffer under-run";
inline constexpr char sGIFNoColorTable[] = "No global or local color table defined";
inline constexpr char sGIFUnsupportedPixelFormat[] = "Unsupported PixelFormat";
inline constexpr char sGIFInvalidDimensions[] = "Invalid image dimensions";
inline constexpr char sGIFTooManyFrames[] = "GIF image has more than %u frames";
inline constexpr char sGIFTooManyExtensionBlocks[] = "GIF image has more than %u extension blocks";
inline constexpr char sGIFNoDIB[] = "Image has no DIB";
inline constexpr char sGIFDIBAllocFailed[] = "Failed to allocate memory for GIF DIB";
inline constexpr char sGIFWidthTooSmall[] = "Image width too small for contained frames";
inline constexpr char sGIFHeightTooSmall[] = "Image height too small for contained frames";
inline constexpr char sGIFLoading[] = "Loading...";
inline constexpr char sGIFRendering[] = "Rendering...";

}  // namespace vr
