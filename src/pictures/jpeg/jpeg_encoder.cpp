#include "pictures/jpeg/jpeg_encoder.h"

#include <algorithm>
#include <cstring>

#include "pictures/jpeg/jpeg_callbacks.h"

namespace vr {

namespace {

// A destination that writes through a 4096-byte buffer into a stream.
struct TStreamDestination {
  static constexpr size_t kBufferSize = 4096;
  jpeg_destination_mgr Pub;  // first
  TStream* Stream = nullptr;
  TJPEGErrorManager* Err = nullptr;
  JOCTET Buffer[kBufferSize];
};

TStreamDestination* DestinationOf(j_compress_ptr info) { return reinterpret_cast<TStreamDestination*>(info->dest); }

// Writes Count bytes of the buffer; a C++ error is kept and reported as
// failure. Nothing of the attempt is alive when this returns.
bool WriteBuffer(TStreamDestination* dest, size_t count) noexcept {
  try {
    dest->Stream->WriteBuffer(dest->Buffer, count);
    return true;
  } catch (...) {
    dest->Err->Pending = std::current_exception();
    return false;
  }
}

void InitDestination(j_compress_ptr info) {
  TStreamDestination* dest = DestinationOf(info);
  dest->Pub.next_output_byte = dest->Buffer;
  dest->Pub.free_in_buffer = TStreamDestination::kBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
  TStreamDestination* dest = DestinationOf(info);
  if (!WriteBuffer(dest, TStreamDestination::kBufferSize)) JPEGJumpOut(reinterpret_cast<j_common_ptr>(info));
  InitDestination(info);
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  TStreamDestination* dest = DestinationOf(info);
  const size_t used = TStreamDestination::kBufferSize - dest->Pub.free_in_buffer;
  if (used > 0 && !WriteBuffer(dest, used)) JPEGJumpOut(reinterpret_cast<j_common_ptr>(info));
}

// One compressor from creation to destruction; every library call is made
// through JPEGGuard.
class TJPEGCompressor {
 public:
  TJPEGCompressor() {
    InitJPEGErrorManager(FErr);
    std::memset(&FInfo, 0, sizeof FInfo);
    FInfo.err = &FErr.Pub;
  }
  ~TJPEGCompressor() { jpeg_destroy_compress(&FInfo); }
  TJPEGCompressor(const TJPEGCompressor&) = delete;
  TJPEGCompressor& operator=(const TJPEGCompressor&) = delete;

  void Run(TStream& Stream, int Width, int Height, const TJPEGRowSource& Rows, const TJPEGEncodeOptions& O) {
    JPEGGuard(FErr, [&] { jpeg_CreateCompress(&FInfo, JPEG_LIB_VERSION, sizeof FInfo); });
    FDest.Stream = &Stream;
    FDest.Err = &FErr;
    FDest.Pub.init_destination = InitDestination;
    FDest.Pub.empty_output_buffer = EmptyOutputBuffer;
    FDest.Pub.term_destination = TermDestination;
    FInfo.dest = &FDest.Pub;
    FInfo.image_width = static_cast<JDIMENSION>(Width);
    FInfo.image_height = static_cast<JDIMENSION>(Height);
    FInfo.input_components = 3;
    FInfo.in_color_space = JCS_EXT_BGR;
    const int quality = std::clamp(O.Quality, 1, 100);
    JPEGGuard(FErr, [&] {
      jpeg_set_defaults(&FInfo);
      jpeg_set_quality(&FInfo, quality, TRUE);
      if (O.Grayscale) jpeg_set_colorspace(&FInfo, JCS_GRAYSCALE);
      if (O.Progressive) jpeg_simple_progression(&FInfo);
      jpeg_start_compress(&FInfo, TRUE);
    });
    for (int y = 0; y < Height; ++y) {
      JSAMPROW row = const_cast<JSAMPROW>(Rows(y));
      JPEGGuard(FErr, [&] { jpeg_write_scanlines(&FInfo, &row, 1); });
    }
    JPEGGuard(FErr, [&] { jpeg_finish_compress(&FInfo); });
  }

 private:
  TJPEGErrorManager FErr;
  jpeg_compress_struct FInfo;
  TStreamDestination FDest;
};

}  // namespace

void EncodeJPEG(TStream& Stream, int Width, int Height, const TJPEGRowSource& Rows, const TJPEGEncodeOptions& Options) {
  // The library refuses an empty picture with its own error.
  TJPEGCompressor c;
  c.Run(Stream, Width, Height, Rows, Options);
}

}  // namespace vr
