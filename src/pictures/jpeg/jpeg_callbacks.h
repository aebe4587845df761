// What libjpeg calls back into: the error manager, the stream source, and
// the protected call that every library call goes through. Internal to the
// JPEG decoder; includes the library's header.
//
// No C++ exception ever unwinds through the library's C frames: a library
// error ends the protected call with longjmp, a C++ error raised inside a
// callback (a stream read, a progress report) is caught there, kept, and
// ends the protected call the same way. The caller then raises the kept
// error, or EJPEG "JPEG error #%d", outside the library.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE
#include <exception>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/stream.h"

namespace vr {

struct TJPEGErrorManager {
  jpeg_error_mgr Pub;  // first, so the library's pointer is ours
  std::jmp_buf* Jump = nullptr;
  std::exception_ptr Pending;  // a C++ error caught inside a callback
  int ErrorCode = 0;           // the library's message code of the last error
  int Warnings = 0;            // warnings seen (they are not shown)
  int LastWarning = 0;
};

// Sets up the error manager and points the decompressor at it.
void InitJPEGErrorManager(TJPEGErrorManager& Err);

// Ends the current protected call (used by callbacks after they stored
// their error in Pending or ErrorCode).
[[noreturn]] void JPEGJumpOut(j_common_ptr Info);

// Runs Fn(Arg) so that a library error or a kept C++ error returns false.
bool JPEGProtectedCall(TJPEGErrorManager& Err, void (*Fn)(void*), void* Arg);

// Raises the error that ended a protected call.
[[noreturn]] void RaiseJPEGFailure(TJPEGErrorManager& Err);

// Runs Body (a lambda that only calls the library) protected, and raises
// the failure outside. Body's frame must own nothing with a destructor.
template <class F>
void JPEGGuard(TJPEGErrorManager& Err, F&& Body) {
  using Fn = std::remove_reference_t<F>;
  auto trampoline = [](void* p) { (*static_cast<Fn*>(p))(); };
  if (!JPEGProtectedCall(Err, trampoline, const_cast<void*>(static_cast<const void*>(&Body)))) RaiseJPEGFailure(Err);
}

// A source that reads a stream through a 4096-byte buffer. An empty stream
// is the library's empty-input error; the end of a stream that had data
// gives a fake end-of-image marker, so a truncated file decodes as far as
// it goes.
struct TJPEGStreamSource {
  static constexpr size_t kBufferSize = 4096;
  jpeg_source_mgr Pub;  // first
  TStream* Stream = nullptr;
  TJPEGErrorManager* Err = nullptr;
  bool StartOfFile = true;
  JOCTET Buffer[kBufferSize];
};

// Points the decompressor's source at Stream from position 0.
void AttachJPEGStreamSource(j_decompress_ptr Info, TJPEGStreamSource& Source, TStream& Stream,
                            TJPEGErrorManager& Err);

}  // namespace vr
