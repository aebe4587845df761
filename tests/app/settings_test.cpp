// The folder and the four timings survive a restart through the registry.
#include <doctest/doctest.h>

#include <cstdio>

#include "support/app_fixture.h"

using namespace vr;
using namespace vr::test;

namespace {

void PutDword(const char* Name, DWORD Value) {
  HKEY key;
  RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quorvane\\Vistaroam\\SetUp", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &key, nullptr);
  RegSetValueExA(key, Name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&Value), 4);
  RegCloseKey(key);
}

void PutString(const char* Name, const std::string& Value) {
  HKEY key;
  RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quorvane\\Vistaroam\\SetUp", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &key, nullptr);
  RegSetValueExA(key, Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                 static_cast<DWORD>(Value.size() + 1));
  RegCloseKey(key);
}

bool KeyExists(const char* Path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, Path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

struct TStored {
  DWORD Type = 0;
  std::vector<uint8_t> Data;
};

TStored Get(const char* Path, const char* Name) {
  TStored v;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, Path, 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
  DWORD size = 0;
  if (RegQueryValueExA(key, Name, nullptr, &v.Type, nullptr, &size) == ERROR_SUCCESS) {
    v.Data.resize(size);
    RegQueryValueExA(key, Name, nullptr, &v.Type, v.Data.data(), &size);
  }
  RegCloseKey(key);
  return v;
}

std::vector<uint8_t> Bytes(const std::string& s, bool withNul) {
  std::vector<uint8_t> b(s.begin(), s.end());
  if (withNul) b.push_back(0);
  return b;
}

// Sets the user's short date format for the test's time, then puts the
// one there was back.
class TShortDateFormat {
 public:
  explicit TShortDateFormat(const wchar_t* Format) {
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, FSaved, 80);
    Set(Format);
  }
  ~TShortDateFormat() { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, FSaved); }
  static void Set(const wchar_t* Format) { REQUIRE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, Format)); }

 private:
  wchar_t FSaved[80] = {};
};

// Today as year-month-day, made without the system's date formatting.
std::string IsoToday() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  return text;
}

}  // namespace

TEST_CASE("a first start creates nothing; Quit saves even when answered No") {
  TScratchTree tree;
  TShortDateFormat format(L"yyyy-MM-dd");
  TMainWindowFixture app;
  // The date format is the one the system gave at start-up.
  TShortDateFormat::Set(L"dd.MM.yy");
  CHECK_FALSE(KeyExists("Software\\Quorvane\\Vistaroam"));
  TForm1& f = app.Form();
  f.DirectoryListBox1->SetDirectory(tree.Root());
  f.SpinEditSlow1->SetValue(2400);
  f.SpinEditFast1->SetValue(70);
  f.SpinEditSound0->SetValue(0);
  f.SpinEditSound1->SetValue(33);
  const std::string dayBefore = IsoToday();
  TMainWindowFixture::Click(f.SpeedButtonQuit1);  // answered No
  const std::string dayAfter = IsoToday();

  const char* product = "Software\\Quorvane\\Vistaroam";
  const char* setup = "Software\\Quorvane\\Vistaroam\\SetUp";
  TStored version = Get(product, "Version");
  CHECK(version.Type == REG_SZ);
  CHECK(version.Data == Bytes("Build 107", true));
  TStored lastRun = Get(product, "LastRun");
  CHECK(lastRun.Type == REG_SZ);
  const std::string lastRunText(lastRun.Data.begin(), lastRun.Data.end());
  CAPTURE(lastRunText);
  CHECK((lastRun.Data == Bytes(dayBefore, true) || lastRun.Data == Bytes(dayAfter, true)));
  CHECK(Get(setup, "CurrentDir").Data == Bytes(tree.Root(), true));
  TStored slow = Get(setup, "SlowSpeed");
  CHECK(slow.Type == REG_DWORD);
  CHECK(slow.Data == std::vector<uint8_t>{0x60, 0x09, 0, 0});  // 2400, little-endian
  CHECK(Get(setup, "FastSpeed").Data == std::vector<uint8_t>{70, 0, 0, 0});
  CHECK(Get(setup, "SoundSpeed").Data == std::vector<uint8_t>{0, 0, 0, 0});
  CHECK(Get(setup, "MediaSpeed").Data == std::vector<uint8_t>{33, 0, 0, 0});

  SUBCASE("a folder that is gone is not written over the stored one") {
    f.Editpath1->SetText(tree.Root() + "\\gone");
    f.SpinEditFast1->SetValue(80);
    TMainWindowFixture::Click(f.SpeedButtonQuit1);
    CHECK(Get(setup, "CurrentDir").Data == Bytes(tree.Root(), true));
    CHECK(Get(setup, "FastSpeed").Data == std::vector<uint8_t>{80, 0, 0, 0});
  }
}

TEST_CASE("the date is stored in UTF-8 when the user's format writes it in another script") {
  TShortDateFormat format(L"yyyy'\x5e74'M'\x6708'd'\x65e5'");
  TMainWindowFixture app;
  auto today = [] {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Utf8(std::to_wstring(now.wYear) + L"\x5e74" + std::to_wstring(now.wMonth) + L"\x6708" +
                std::to_wstring(now.wDay) + L"\x65e5");
  };
  const std::string dayBefore = today();
  TMainWindowFixture::Click(app.Form().SpeedButtonQuit1);
  const std::string dayAfter = today();
  TStored lastRun = Get("Software\\Quorvane\\Vistaroam", "LastRun");
  CHECK((lastRun.Data == Bytes(dayBefore, true) || lastRun.Data == Bytes(dayAfter, true)));
}

TEST_CASE("the next start restores the folder and timings, clamped to the ranges") {
  TScratchTree tree;
  TMainWindowFixture app([&] {
    PutDword("SlowSpeed", 50);     // below 200
    PutDword("FastSpeed", 5000);   // above 1000
    PutDword("SoundSpeed", 12);
    PutDword("MediaSpeed", 44);
    PutString("CurrentDir", tree.Root());
  });
  TForm1& f = app.Form();
  CHECK(app.Boxes.empty());
  CHECK(f.SpinEditSlow1->Value() == 200);
  CHECK(f.SpinEditFast1->Value() == 1000);
  CHECK(f.SpinEditSound0->Value() == 12);
  CHECK(f.SpinEditSound1->Value() == 44);
  CHECK(f.DisplayInterval == 1000);
  CHECK(f.SoundInterval == 12);
  CHECK(f.MediaInterval == 44);
  CHECK(f.Timer1->Interval() == 1000);
  CHECK(f.DirectoryListBox1->Directory() == tree.Root());
  CHECK(f.Editpath1->Text() == tree.Root());
}

TEST_CASE("a folder named in any script, longer than MAX_PATH bytes, is saved at Quit and restored at the next start") {
  TScratchTree tree;
  // 2 + 4 + 3 + ... bytes a character: the path is longer than MAX_PATH
  // bytes, though far shorter than MAX_PATH characters.
  const std::wstring parent = Wide(tree.Root()) + L"\\Ελλάδα Фото 写真 صور 🌄";
  const std::wstring folder = parent + L"\\" + std::wstring(120, L'Ж');
  REQUIRE(Utf8(folder).size() > MAX_PATH);
  REQUIRE(CreateDirectoryW(parent.c_str(), nullptr));
  REQUIRE(CreateDirectoryW(folder.c_str(), nullptr));
  const char* setup = "Software\\Quorvane\\Vistaroam\\SetUp";
  TStored saved;
  {
    TMainWindowFixture app;
    app.Form().DirectoryListBox1->SetDirectory(Utf8(folder));
    CHECK(WindowTextW(app.Form().Editpath1->Handle()) == folder);
    TMainWindowFixture::Click(app.Form().SpeedButtonQuit1);  // answered No: saved all the same
    saved = Get(setup, "CurrentDir");
    // Stored as the user sees it, for a Unicode reader too.
    wchar_t stored[512] = {};
    DWORD size = sizeof stored;
    CHECK(RegGetValueW(HKEY_CURRENT_USER, Wide(setup).c_str(), L"CurrentDir", RRF_RT_REG_SZ, nullptr, stored, &size) ==
          ERROR_SUCCESS);
    CHECK(stored == folder);
  }
  // The next start (which the fixture begins with no settings) finds what Quit stored.
  TMainWindowFixture next([&] {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, setup, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "CurrentDir", 0, saved.Type, saved.Data.data(), static_cast<DWORD>(saved.Data.size()));
    RegCloseKey(key);
  });
  CHECK(next.Boxes.empty());
  CHECK(next.Form().DirectoryListBox1->Directory() == Utf8(folder));
  CHECK(WindowTextW(next.Form().Editpath1->Handle()) == folder);
}

TEST_CASE("names are matched the way they were always matched") {
  TScratchTree tree;
  SUBCASE("other letter case is ignored; a name holding FastSpeed reads FastSpeed") {
    TMainWindowFixture app([&] {
      PutDword("slowspeed", 3000);
      PutDword("MyFASTSPEED", 300);
      PutDword("MyFastSpeed", 1);
      PutDword("FastSpeed", 500);
    });
    CHECK(app.Boxes.empty());
    CHECK(app.Form().SpinEditSlow1->Value() == 1000);
    CHECK(app.Form().SpinEditFast1->Value() == 500);
  }
  SUBCASE("a name holding FastSpeed without a FastSpeed value fails to read") {
    TMainWindowFixture app([&] { PutDword("OldFastSpeed", 300); });
    REQUIRE(app.Boxes.size() == 1);
    CHECK(app.Boxes[0].Text == "Failed to get data for 'FastSpeed'");  // "'" sorts before "."

    // The timings still come from the spin edits, so no wait lasts for ever.
    CHECK(app.Form().DisplayInterval == 100);
    CHECK(app.Form().Timer1->Interval() == 100);
    CHECK(app.Form().Editpath1->Text() == app.Form().DirectoryListBox1->Directory());
  }
  SUBCASE("a text under SlowSpeed is the wrong type") {
    TMainWindowFixture app([&] { PutString("SlowSpeed", "abc"); });
    REQUIRE(app.Boxes.size() == 1);
    CHECK(app.Boxes[0].Text == "Invalid data type for 'SlowSpeed'");
    CHECK(app.Boxes[0].Caption == "Vistaroam");
  }
  SUBCASE("a stored folder that no longer exists is ignored") {
    char here[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, here);
    TMainWindowFixture app([&] { PutString("CurrentDir", tree.Root() + "\\removed"); });
    CHECK(app.Boxes.empty());
    CHECK(app.Form().DirectoryListBox1->Directory() == here);
  }
}
