#include "app/settings_store.h"

#include <algorithm>

#include "app/main_form.h"
#include "platform/byte_order.h"

namespace vr {

namespace {

std::string FromRoot(const std::string& Path) { return !Path.empty() && Path[0] == '\\' ? Path.substr(1) : Path; }

}  // namespace

// Both in the ANSI code page, as the registry value is written: without the
// flag the A functions answer in the locale's own code page.
std::string SystemShortDateFormat() {
  char buffer[80];
  int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE | LOCALE_USE_CP_ACP, buffer, sizeof buffer);
  return n > 1 ? std::string(buffer) : std::string("M/d/yy");
}

std::string ShortDateText(const std::string& Format) {
  char buffer[80];
  int n = GetDateFormatA(LOCALE_USER_DEFAULT, LOCALE_USE_CP_ACP, nullptr, Format.c_str(), buffer, sizeof buffer);
  if (n <= 1) n = GetDateFormatA(LOCALE_USER_DEFAULT, LOCALE_USE_CP_ACP, nullptr, "M/d/yy", buffer, sizeof buffer);
  return n > 1 ? std::string(buffer) : std::string();
}

bool TRegistryKey::Create(const std::string& Path) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, FromRoot(Path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &key, &disposition) != ERROR_SUCCESS)
    return false;
  FKey.Reset(key);
  return true;
}

bool TRegistryKey::Open(const std::string& Path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, FromRoot(Path).c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  FKey.Reset(key);
  return true;
}

void TRegistryKey::WriteString(const std::string& Name, const std::string& Value) {
  // Stored with its terminating NUL.
  if (RegSetValueExA(FKey.Get(), Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                     static_cast<DWORD>(Value.size() + 1)) != ERROR_SUCCESS)
    throw ERegistryException(Format("Failed to set data for '%s'", Name.c_str()));
}

void TRegistryKey::WriteInteger(const std::string& Name, int32_t Value) {
  uint8_t bytes[4];
  PutU32LE(bytes, static_cast<uint32_t>(Value));
  if (RegSetValueExA(FKey.Get(), Name.c_str(), 0, REG_DWORD, bytes, 4) != ERROR_SUCCESS)
    throw ERegistryException(Format("Failed to set data for '%s'", Name.c_str()));
}

int32_t TRegistryKey::ReadInteger(const std::string& Name) {
  uint8_t bytes[4] = {};
  DWORD type = 0, size = sizeof bytes;
  if (RegQueryValueExA(FKey.Get(), Name.c_str(), nullptr, &type, bytes, &size) != ERROR_SUCCESS)
    throw ERegistryException(Format("Failed to get data for '%s'", Name.c_str()));
  if (type != REG_DWORD) throw ERegistryException(Format("Invalid data type for '%s'", Name.c_str()));
  return GetS32LE(bytes);
}

std::string TRegistryKey::ReadString(const std::string& Name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(FKey.Get(), Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
    return std::string();
  std::string data(size, '\0');
  if (RegQueryValueExA(FKey.Get(), Name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
      ERROR_SUCCESS)
    throw ERegistryException(Format("Failed to get data for '%s'", Name.c_str()));
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw ERegistryException(Format("Invalid data type for '%s'", Name.c_str()));
  data.resize(std::min<size_t>(size, data.size()));
  size_t nul = data.find('\0');
  if (nul != std::string::npos) data.resize(nul);
  return data;
}

std::vector<std::string> TRegistryKey::ValueNames() {
  DWORD count = 0, longest = 0;
  std::vector<std::string> names;
  if (RegQueryInfoKeyA(FKey.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS)
    return names;
  std::vector<char> buffer(longest + 1);
  for (DWORD i = 0; i < count; ++i) {
    DWORD length = static_cast<DWORD>(buffer.size());
    if (RegEnumValueA(FKey.Get(), i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
      names.emplace_back(buffer.data(), length);
  }
  return names;
}

// ------------------------------------------------------------ main window

void TForm1::SaveSettings() {
  {
    TRegistryKey product;
    if (product.Create(kProductKey)) {
      product.WriteString("Version", "Build 107");
      product.WriteString("LastRun", ShortDateText(FShortDateFormat));
    }
  }
  TRegistryKey setup;
  if (!setup.Create(kSetUpKeyForWriting)) return;
  const std::string folder = Editpath1->Text();
  if (FolderExists(folder)) setup.WriteString("CurrentDir", folder);
  setup.WriteInteger("SlowSpeed", SpinEditSlow1->Value());
  setup.WriteInteger("FastSpeed", SpinEditFast1->Value());
  setup.WriteInteger("SoundSpeed", SpinEditSound0->Value());
  setup.WriteInteger("MediaSpeed", SpinEditSound1->Value());
}

void TForm1::LoadSettings() {
  TRegistryKey setup;
  if (!setup.Open(kSetUpKeyForReading)) return;  // nothing saved yet
  for (const std::string& name : setup.ValueNames()) {
    // The fast time and the folder are found by part of their name, the
    // others by their exact name; each reads the value of the fixed name.
    if (name.find("FastSpeed") != std::string::npos) SpinEditFast1->SetValue(setup.ReadInteger("FastSpeed"));
    if (name == "SlowSpeed") SpinEditSlow1->SetValue(setup.ReadInteger("SlowSpeed"));
    if (name == "SoundSpeed") SpinEditSound0->SetValue(setup.ReadInteger("SoundSpeed"));
    if (name == "MediaSpeed") SpinEditSound1->SetValue(setup.ReadInteger("MediaSpeed"));
    if (name.find("CurrentDir") != std::string::npos) {
      std::string folder = setup.ReadString("CurrentDir");
      if (FolderExists(folder)) DirectoryListBox1->SetDirectory(folder);
    }
  }
}

}  // namespace vr
