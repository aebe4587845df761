// The settings kept between runs: the chosen folder and the four timings,
// under the current user's part of the registry.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "platform/handles.h"

namespace vr {

VR_DECLARE_EXCEPTION(ERegistryException, Exception);

// Where the settings live, below HKEY_CURRENT_USER.
constexpr const char* kProductKey = "\\Software\\Quorvane\\Vistaroam";
constexpr const char* kSetUpKeyForWriting = "\\Software\\Quorvane\\Vistaroam\\SetUp";
constexpr const char* kSetUpKeyForReading = "\\Software\\Quorvane\\Vistaroam\\Setup";  // key names are case-blind

// One open key of HKEY_CURRENT_USER with full access; closed when it goes.
class TRegistryKey {
 public:
  // Opens (creating it when missing) or only opens; false when it cannot.
  bool Create(const std::string& Path);
  bool Open(const std::string& Path);
  bool IsOpen() const { return static_cast<bool>(FKey); }

  void WriteString(const std::string& Name, const std::string& Value);
  void WriteInteger(const std::string& Name, int32_t Value);
  // Raises "Failed to get data for '%s'" or "Invalid data type for '%s'".
  int32_t ReadInteger(const std::string& Name);
  // A missing or empty value reads as the empty text.
  std::string ReadString(const std::string& Name);
  // The value names in the registry's enumeration order.
  std::vector<std::string> ValueNames();

 private:
  TRegKey FKey;
};

// The user's short date format as the system gives it now, or month/day/
// two-digit year without leading zeros when it gives none. The main window
// takes it once, at start-up.
std::string SystemShortDateFormat();
// Today's date in Format.
std::string ShortDateText(const std::string& Format);

}  // namespace vr
