// Test media and helpers for the sound tests: sounds made in code, the
// sample sounds of the repository, a host window for a player, and waiting
// for real events such as a completion notice.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <doctest/doctest.h>

#include "platform/application.h"
#include "platform/forms.h"
#include "sound/media_player.h"

namespace vr::test {

// A mono 8-bit WAV file of a tone, Seconds long.
std::vector<uint8_t> MakeWav(double Seconds, int Rate = 8000);
// A standard MIDI file of Notes quarter notes at 120 beats a minute.
std::vector<uint8_t> MakeMidi(int Notes);
// The path of a sound under samples/sounds/ as the program sees it.
std::string SamplePath(const char* Name);
std::vector<uint8_t> ReadWholeFile(const std::string& Path);
// The system's text for an MCI error code.
std::string MciErrorText(unsigned Code);

// Processes window messages until Done holds or RealMs milliseconds of real
// time have passed; returns Done().
bool PumpUntil(const std::function<bool()>& Done, unsigned RealMs = 20000);
// Processes the messages that arrive within RealMs milliseconds.
void PumpFor(unsigned RealMs);

// The outcomes of notices as words: "successful aborted".
std::string Outcomes(const std::vector<TMPNotifyValues>& Values);

// A shown form holding one player; counts its notices and answers error boxes.
class TPlayerHost {
 public:
  TPlayerHost();
  ~TPlayerHost();
  TMediaPlayer& Player() { return *FPlayer; }
  TCustomForm& Form() { return *FForm; }
  std::vector<TMPNotifyValues> Notices;
  std::vector<std::string> Boxes;
  // Waits (in real time) until Count notices have arrived.
  bool WaitForNotices(size_t Count, unsigned RealMs = 20000);

 private:
  std::unique_ptr<TCustomForm> FForm;
  TMediaPlayer* FPlayer;
};

// The player's client area drawn into a 32-bit top-down bitmap.
class TPlayerPixels {
 public:
  explicit TPlayerPixels(TMediaPlayer& Player);
  COLORREF At(int X, int Y) const;
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }

 private:
  int FWidth, FHeight;
  std::vector<uint32_t> FPixels;
};

// A bitmap resource's pixels (32-bit, top-down), with its size.
std::vector<uint32_t> ResourcePixels(const char* Name, int& Width, int& Height);

}  // namespace vr::test

namespace doctest {
template <>
struct StringMaker<vr::TMPNotifyValues> {
  static String convert(vr::TMPNotifyValues Value) {
    const char* names[] = {"successful", "superseded", "aborted", "failure"};
    return names[static_cast<int>(Value)];
  }
};
template <>
struct StringMaker<vr::TMPModes> {
  static String convert(vr::TMPModes Value) {
    const char* names[] = {"not ready", "stopped", "playing", "recording", "seeking", "paused", "open"};
    return names[static_cast<int>(Value)];
  }
};
}  // namespace doctest
