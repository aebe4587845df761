#include "platform/exceptions.h"

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <typeinfo>
#include <utility>
#include <vector>

namespace vr {

std::string FormatV(const char* fmt, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[256];
  int n = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return std::string();
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::vector<char> big(static_cast<size_t>(n) + 1);
  std::vsnprintf(big.data(), big.size(), fmt, args);
  return std::string(big.data(), static_cast<size_t>(n));
}

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string s = FormatV(fmt, args);
  va_end(args);
  return s;
}

void RaiseOutOfResources() { throw EOutOfResources("Out of system resources"); }

namespace {

std::mutex FaultsLock;
TFaults Faults;

// The exception in flight as "type: message".
std::string FaultText() {
  std::string text = "an exception of unknown type";
  if (const std::type_info* type = abi::__cxa_current_exception_type()) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type->name(), nullptr, nullptr, &status),
                                                std::free);
    text = name ? name.get() : type->name();
  }
  try {
    throw;
  } catch (const std::exception& e) {
    text.append(": ").append(e.what());
  } catch (...) {
  }
  return text;
}

}  // namespace

bool NoteIfFault() noexcept {
  try {
    throw;
  } catch (const Exception&) {
    return false;
  } catch (...) {
  }
  std::string text;
  try {
    text = FaultText();
  } catch (...) {
    // Counted without its text: there is no memory left to write it.
  }
  std::lock_guard<std::mutex> hold(FaultsLock);
  if (Faults.Count++ == 0) Faults.First = std::move(text);
  return true;
}

TFaults TakeFaults() {
  std::lock_guard<std::mutex> hold(FaultsLock);
  return std::exchange(Faults, TFaults{});
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
    return message + ".";
  return message;
}

}  // namespace vr
