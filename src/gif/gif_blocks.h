// The bytes that mark the blocks of a GIF stream, and the disposal methods
// of a frame. Pure C++.
#pragma once

#include <cstdint>

namespace vr {

// ---- Block introducers --------------------------------------------------------
inline constexpr uint8_t kGIFExtensionIntroducer = 0x21;  // '!': an extension follows
inline constexpr uint8_t kGIFImageSeparator = 0x2C;       // ',': an image descriptor
inline constexpr uint8_t kGIFTrailer = 0x3B;              // ';': the end of the stream
// A data sub-block of size 0, which ends a list of sub-blocks.
inline constexpr uint8_t kGIFBlockTerminator = 0x00;

// ---- Extension labels (the byte after the introducer) ------------------------
inline constexpr uint8_t kGIFPlainTextLabel = 0x01;
inline constexpr uint8_t kGIFGraphicControlLabel = 0xF9;
inline constexpr uint8_t kGIFCommentLabel = 0xFE;
inline constexpr uint8_t kGIFApplicationLabel = 0xFF;

// ---- Disposal methods (bits 2-4 of a graphic control extension) --------------
// What becomes of a frame's area before the next frame; 4 to 7 are undefined.
inline constexpr int kDisposalNone = 0;        // none specified: left in place
inline constexpr int kDisposalLeave = 1;       // left in place
inline constexpr int kDisposalBackground = 2;  // restored to the background
inline constexpr int kDisposalPrevious = 3;    // restored to what was there before the frame

}  // namespace vr
