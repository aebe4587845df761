// The codec's link to zlib: versioned stream set-up against the zlib that is
// actually linked, the inflate result texts, and whole-buffer text inflation
// and deflation for the compressed text chunk.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vr {

// inflateInit/deflateInit with this build's own zlib version string and
// z_stream size, so the library's version check always passes.
int PngInflateInit(z_stream& Stream);
int PngDeflateInit(z_stream& Stream, int Level);

// "data error (-3)" and its siblings for the codes -6..2; "(n)" otherwise.
std::string InflateResultText(int Code);

// Raises EPNGZLIBError: the decompression text, CR LF, " Description: "
// and the result text of Code.
[[noreturn]] void RaiseZlibError(int Code);

// Inflates a whole zlib stream through a 256-byte window. Fails (returning
// false with the library's message in ErrorText) on an error, on input that
// ends before the stream does, or when the output would exceed MaxOutput.
bool InflateText(const uint8_t* Data, size_t Size, size_t MaxOutput, std::string& Output,
                 std::string& ErrorText);

// Inflates a whole zlib stream at once into Output, for image data that is
// complete. True only when the stream declares the 32 KB window (with a
// smaller one the streaming inflate may refuse distances this one takes),
// ends with the last input byte, its checksum matches, and it fills exactly
// OutputSize bytes; anything else is left to the streaming inflate, whose
// messages and partial rows it gives.
bool InflateWhole(const uint8_t* Data, size_t Size, uint8_t* Output, size_t OutputSize);

// Deflates Data as one finished zlib stream at Level (0..9).
bool DeflateBytes(const uint8_t* Data, size_t Size, int Level, std::vector<uint8_t>& Output);

}  // namespace vr
