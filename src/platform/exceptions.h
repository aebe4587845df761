// Exception classes shared by the whole program, and message formatting.
// Pure C++: decoders that build natively include this too.
#pragma once

#include <cstdarg>
#include <exception>
#include <string>

namespace vr {

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string FormatV(const char* fmt, va_list args);

// Base of every error the program raises: carries a message text.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const std::string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string FMessage;
};

#define VR_DECLARE_EXCEPTION(Name, Base)                                  \
  class Name : public Base {                                              \
   public:                                                                \
    using Base::Base;                                                     \
    const char* ClassName() const noexcept override { return #Name; }     \
  }

VR_DECLARE_EXCEPTION(EOutOfResources, Exception);
// The system refused a handle it hands out (a bitmap, a device context, an
// event): raises EOutOfResources with "Out of system resources".
[[noreturn]] void RaiseOutOfResources();
VR_DECLARE_EXCEPTION(EInvalidOperation, Exception);
VR_DECLARE_EXCEPTION(EConvertError, Exception);
VR_DECLARE_EXCEPTION(EListError, Exception);
VR_DECLARE_EXCEPTION(EStreamError, Exception);
VR_DECLARE_EXCEPTION(EFOpenError, EStreamError);
VR_DECLARE_EXCEPTION(EFCreateError, EStreamError);
VR_DECLARE_EXCEPTION(EReadError, EStreamError);
VR_DECLARE_EXCEPTION(EWriteError, EStreamError);
VR_DECLARE_EXCEPTION(EOutOfMemory, Exception);

// An input/output error of the file system, with the system's error code.
class EInOutError : public Exception {
 public:
  EInOutError(std::string message, int code) : Exception(std::move(message)), ErrorCode(code) {}
  const char* ClassName() const noexcept override { return "EInOutError"; }
  int ErrorCode;
};

// A failed system call: "Win32 Error.  Code: %d.\n%s".
class EWin32Error : public Exception {
 public:
  EWin32Error(std::string message, unsigned code) : Exception(std::move(message)), ErrorCode(code) {}
  const char* ClassName() const noexcept override { return "EWin32Error"; }
  unsigned ErrorCode;
};

// Faults. An error that is not an Exception (a container's out_of_range, a
// bad_alloc, a logic error) is a fault of the code, not of a file: a file
// that claims a size we refuse raises our own error before anything is
// allocated, so even a bad_alloc is a real shortage worth seeing. A block
// that carries on after any failure (the scan run logs a bad file and goes
// on) counts such a fault here; the tests fail a test case that left one.
//
// Call inside a catch block: counts the exception in flight unless it is an
// Exception, and answers whether it counted it.
bool NoteIfFault() noexcept;

// The faults counted since they were last taken.
struct TFaults {
  unsigned Count = 0;
  std::string First;  // the first one: "std::out_of_range: vector::_M_range_check: ..."
};
// Hands out the faults counted so far and starts counting afresh.
TFaults TakeFaults();

// The text the standard error box shows: the message, with "." appended
// when its last character sorts after "." (so "Done!" stays, "Failed" gets one).
std::string ErrorBoxText(const std::string& message);

}  // namespace vr
