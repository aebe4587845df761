// The PNG codec's message texts and its sixteen exception classes.
// Every text is reproduced exactly as the program shows it, spelling
// included ("readed", "corruped", "can not be resize" are the program's own).
#pragma once

#include "platform/exceptions.h"

namespace vr {

// String-table ids of the codec's texts.
enum class TPngText : int {
  CannotAssignChunk = 65264,     // EPngError
  UnexpectedEnd = 65265,         // EPngUnexpectedEnd
  NoImageData = 65266,           // EPNGNoImageData
  CannotChangeSize = 65267,      // EPngError
  OutMemory = 65268,             // EPNGOutMemory
  HeaderNotPresent = 65269,      // EPNGHeaderNotPresent
  InvalidCRC = 65284,            // EPngInvalidCRC
  InvalidIHDR = 65285,           // EPngInvalidIHDR
  MissingMultipleIDAT = 65286,   // EPNGMissingMultipleIDAT
  ZLIBError = 65287,             // EPNGZLIBError (followed by the inflate text)
  InvalidPalette = 65288,        // EPNGInvalidPalette
  InvalidFileHeader = 65289,     // EPNGInvalidFileHeader
  IHDRNotFirst = 65290,          // EPNGIHDRNotFirst
  SizeExceeds = 65291,           // EPNGSizeExceeds
  UnknownPaletteEntry = 65292,   // EPngError
  UnknownCriticalChunk = 65293,  // EPNGUnknownCriticalChunk
  UnknownCompression = 65294,    // EPNGUnknownCompression
  UnknownInterlace = 65295,      // EPNGUnknownInterlace
};

// The text of a string id ("" for an id the codec does not own).
const char* PngText(TPngText Id);
const char* PngText(int StringId);

// Each class derives directly from Exception and carries only its message.
VR_DECLARE_EXCEPTION(EPNGOutMemory, Exception);
VR_DECLARE_EXCEPTION(EPngError, Exception);
VR_DECLARE_EXCEPTION(EPngUnexpectedEnd, Exception);
VR_DECLARE_EXCEPTION(EPngInvalidCRC, Exception);
VR_DECLARE_EXCEPTION(EPngInvalidIHDR, Exception);
VR_DECLARE_EXCEPTION(EPNGMissingMultipleIDAT, Exception);
VR_DECLARE_EXCEPTION(EPNGZLIBError, Exception);
VR_DECLARE_EXCEPTION(EPNGInvalidPalette, Exception);
VR_DECLARE_EXCEPTION(EPNGInvalidFileHeader, Exception);
VR_DECLARE_EXCEPTION(EPNGIHDRNotFirst, Exception);
VR_DECLARE_EXCEPTION(EPNGSizeExceeds, Exception);
VR_DECLARE_EXCEPTION(EPNGUnknownCriticalChunk, Exception);
VR_DECLARE_EXCEPTION(EPNGUnknownCompression, Exception);
VR_DECLARE_EXCEPTION(EPNGUnknownInterlace, Exception);
VR_DECLARE_EXCEPTION(EPNGNoImageData, Exception);
VR_DECLARE_EXCEPTION(EPNGHeaderNotPresent, Exception);

// Every raise site names the class and the text, nothing else.
template <class E>
[[noreturn]] inline void RaisePng(TPngText Id) {
  throw E(PngText(Id));
}

}  // namespace vr
