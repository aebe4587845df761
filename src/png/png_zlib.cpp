#include "png/png_zlib.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/exceptions.h"
#include "png/png_messages.h"

namespace vr {

int PngInflateInit(z_stream& Stream) { return inflateInit(&Stream); }

int PngDeflateInit(z_stream& Stream, int Level) { return deflateInit(&Stream, std::clamp(Level, 0, 9)); }

std::string InflateResultText(int Code) {
  static const char* const Texts[] = {
      "incompatible version (-6)", "buffer error (-5)", "insufficient memory (-4)",
      "data error (-3)",           "stream error (-2)", "file error (-1)",
      "(0)",                       "stream end (1)",    "need dictionary (2)",
  };
  if (Code >= -6 && Code <= 2) return Texts[Code + 6];
  return Format("(%d)", Code);
}

void RaiseZlibError(int Code) {
  throw EPNGZLIBError(std::string(PngText(TPngText::ZLIBError)) + InflateResultText(Code));
}

bool InflateText(const uint8_t* Data, size_t Size, size_t MaxOutput, std::string& Output,
                 std::string& ErrorText) {
  Output.clear();
  ErrorText.clear();
  z_stream z{};
  int r = PngInflateInit(z);
  if (r != Z_OK) {
    ErrorText = z.msg != nullptr ? z.msg : InflateResultText(r);
    return false;
  }
  z.next_in = const_cast<Bytef*>(Data);
  z.avail_in = static_cast<uInt>(std::min<size_t>(Size, 0xFFFFFFFFu));
  uint8_t window[256];
  bool ok = false;
  for (;;) {
    z.next_out = window;
    z.avail_out = sizeof window;
    r = inflate(&z, Z_NO_FLUSH);
    size_t produced = sizeof window - z.avail_out;
    if (r < 0 || r == Z_NEED_DICT) {
      ErrorText = z.msg != nullptr ? z.msg : InflateResultText(r);
      break;
    }
    if (produced > MaxOutput - Output.size()) {
      ErrorText = "text too long";
      break;
    }
    Output.append(reinterpret_cast<const char*>(window), produced);
    if (r == Z_STREAM_END) {
      ok = true;
      break;
    }
    // Input used up before the stream ended: the next call could only
    // report that no progress is possible.
    if (z.avail_in == 0 && produced < sizeof window) {
      ErrorText = InflateResultText(Z_BUF_ERROR);
      break;
    }
  }
  inflateEnd(&z);
  if (!ok) Output.clear();
  return ok;
}

bool InflateWhole(const uint8_t* Data, size_t Size, uint8_t* Output, size_t OutputSize) {
  // Method 8 with the 32 KB window (0x78), no preset dictionary.
  if (Size < 2 || Data[0] != 0x78 || (Data[1] & 0x20) != 0) return false;
  struct TFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
  };
  const std::unique_ptr<libdeflate_decompressor, TFree> inflater(libdeflate_alloc_decompressor());
  if (inflater == nullptr) return false;
  size_t used = 0, produced = 0;
  const libdeflate_result r =
      libdeflate_zlib_decompress_ex(inflater.get(), Data, Size, Output, OutputSize, &used, &produced);
  return r == LIBDEFLATE_SUCCESS && used == Size && produced == OutputSize;
}

bool DeflateBytes(const uint8_t* Data, size_t Size, int Level, std::vector<uint8_t>& Output) {
  Output.clear();
  z_stream z{};
  if (PngDeflateInit(z, Level) != Z_OK) return false;
  Output.resize(deflateBound(&z, static_cast<uLong>(Size)));
  z.next_in = const_cast<Bytef*>(Data);
  z.avail_in = static_cast<uInt>(Size);
  z.next_out = Output.data();
  z.avail_out = static_cast<uInt>(Output.size());
  int r = deflate(&z, Z_FINISH);
  Output.resize(Output.size() - z.avail_out);
  deflateEnd(&z);
  if (r != Z_STREAM_END) Output.clear();
  return r == Z_STREAM_END;
}

}  // namespace vr
