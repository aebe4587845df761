#include "pictures/jpeg/jpeg_callbacks.h"

#include <cstdlib>

#include "pictures/jpeg/jpeg_errors.h"

namespace vr {

namespace {

TJPEGErrorManager* ManagerOf(j_common_ptr info) { return reinterpret_cast<TJPEGErrorManager*>(info->err); }

void ErrorExit(j_common_ptr info) {
  ManagerOf(info)->ErrorCode = info->err->msg_code;
  JPEGJumpOut(info);
}

// Warnings are counted, never shown; trace messages are ignored.
void EmitMessage(j_common_ptr info, int level) {
  if (level < 0) {
    TJPEGErrorManager* m = ManagerOf(info);
    ++m->Warnings;
    ++info->err->num_warnings;
    m->LastWarning = info->err->msg_code;
  }
}

void OutputMessage(j_common_ptr) {}

void FormatLibraryMessage(j_common_ptr, char* buffer) { buffer[0] = '\0'; }

void ResetErrorManager(j_common_ptr info) {
  info->err->num_warnings = 0;
  info->err->msg_code = 0;
}

// --- stream source ---------------------------------------------------------

TJPEGStreamSource* SourceOf(j_decompress_ptr info) { return reinterpret_cast<TJPEGStreamSource*>(info->src); }

void InitSource(j_decompress_ptr info) { SourceOf(info)->StartOfFile = true; }

// Reads the next bufferful; a C++ error is kept and reported as failure.
// All C++ objects of the attempt are gone when this returns.
bool ReadIntoBuffer(TJPEGStreamSource* src, size_t& got) noexcept {
  try {
    got = src->Stream->Read(src->Buffer, TJPEGStreamSource::kBufferSize);
    return true;
  } catch (...) {
    src->Err->Pending = std::current_exception();
    return false;
  }
}

boolean FillInputBuffer(j_decompress_ptr info) {
  TJPEGStreamSource* src = SourceOf(info);
  size_t got = 0;
  if (!ReadIntoBuffer(src, got)) JPEGJumpOut(reinterpret_cast<j_common_ptr>(info));
  if (got == 0) {
    if (src->StartOfFile) ERREXIT(info, JERR_INPUT_EMPTY);
    WARNMS(info, JWRN_JPEG_EOF);
    src->Buffer[0] = 0xFF;
    src->Buffer[1] = JPEG_EOI;
    got = 2;
  }
  src->Pub.next_input_byte = src->Buffer;
  src->Pub.bytes_in_buffer = got;
  src->StartOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  TJPEGStreamSource* src = SourceOf(info);
  size_t left = static_cast<size_t>(count);
  while (left > src->Pub.bytes_in_buffer) {
    left -= src->Pub.bytes_in_buffer;
    FillInputBuffer(info);  // never suspends; at the end it supplies an EOI
  }
  src->Pub.next_input_byte += left;
  src->Pub.bytes_in_buffer -= left;
}

void TermSource(j_decompress_ptr) {}

}  // namespace

void InitJPEGErrorManager(TJPEGErrorManager& Err) {
  jpeg_std_error(&Err.Pub);
  Err.Pub.error_exit = ErrorExit;
  Err.Pub.emit_message = EmitMessage;
  Err.Pub.output_message = OutputMessage;
  Err.Pub.format_message = FormatLibraryMessage;
  Err.Pub.reset_error_mgr = ResetErrorManager;
  Err.Jump = nullptr;
  Err.Pending = nullptr;
  Err.ErrorCode = 0;
  Err.Warnings = 0;
  Err.LastWarning = 0;
}

void JPEGJumpOut(j_common_ptr Info) {
  TJPEGErrorManager* m = ManagerOf(Info);
  // Every library call runs inside JPEGProtectedCall; reaching here without
  // one would be a fault of this file, not of the data.
  if (m->Jump == nullptr) std::abort();
  std::longjmp(*m->Jump, 1);
}

__attribute__((noinline)) bool JPEGProtectedCall(TJPEGErrorManager& Err, void (*Fn)(void*), void* Arg) {
  std::jmp_buf jump;
  std::jmp_buf* const outer = Err.Jump;
  Err.Jump = &jump;
  if (setjmp(jump) != 0) {
    Err.Jump = outer;
    return false;
  }
  Fn(Arg);
  Err.Jump = outer;
  return true;
}

void RaiseJPEGFailure(TJPEGErrorManager& Err) {
  if (Err.Pending) {
    std::exception_ptr e = Err.Pending;
    Err.Pending = nullptr;
    std::rethrow_exception(e);
  }
  RaiseJPEGError(Err.ErrorCode);
}

void AttachJPEGStreamSource(j_decompress_ptr Info, TJPEGStreamSource& Source, TStream& Stream,
                            TJPEGErrorManager& Err) {
  Stream.SetPosition(0);
  Source.Stream = &Stream;
  Source.Err = &Err;
  Source.StartOfFile = true;
  Source.Pub.init_source = InitSource;
  Source.Pub.fill_input_buffer = FillInputBuffer;
  Source.Pub.skip_input_data = SkipInputData;
  Source.Pub.resync_to_restart = jpeg_resync_to_restart;
  Source.Pub.term_source = TermSource;
  Source.Pub.bytes_in_buffer = 0;
  Source.Pub.next_input_byte = nullptr;
  Info->src = &Source.Pub;
}

}  // namespace vr
