#include "sound/sound_media.h"

#include <mmsystem.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "platform/resources.h"
#include "support/byte_writer.h"

namespace vr::test {

namespace {

std::vector<uint32_t> BitmapPixels(HBITMAP Bitmap, int& Width, int& Height) {
  BITMAP bm{};
  GetObjectA(Bitmap, sizeof bm, &bm);
  Width = bm.bmWidth;
  Height = bm.bmHeight;
  std::vector<uint32_t> pixels(static_cast<size_t>(Width) * Height);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = Width;
  info.bmiHeader.biHeight = -Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, Bitmap, 0, Height, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return pixels;
}

}  // namespace

std::vector<uint8_t> MakeWav(double Seconds, int Rate) {
  const uint32_t count = static_cast<uint32_t>(Seconds * Rate);
  TByteWriter out;
  out.tag("RIFF").u32(36 + count).tag("WAVEfmt ").u32(16);
  out.u16(1).u16(1);  // PCM, mono
  out.u32(static_cast<uint32_t>(Rate)).u32(static_cast<uint32_t>(Rate));  // samples and bytes a second
  out.u16(1).u16(8).tag("data").u32(count);
  for (uint32_t i = 0; i < count; ++i) out.u8(static_cast<uint8_t>(128 + 50 * std::sin(2 * 3.14159265 * 440.0 * i / Rate)));
  return out.v;
}

std::vector<uint8_t> MakeMidi(int Notes) {
  std::vector<uint8_t> track;
  for (int i = 0; i < Notes; ++i) {
    uint8_t note = static_cast<uint8_t>(60 + (i * 2) % 24);
    for (uint8_t b : {uint8_t{0x00}, uint8_t{0x90}, note, uint8_t{100}}) track.push_back(b);
    // 96 ticks, a quarter note, as a two-byte variable-length delta
    for (uint8_t b : {uint8_t{0x81}, uint8_t{0x00}, uint8_t{0x80}, note, uint8_t{0}}) track.push_back(b);
  }
  for (uint8_t b : {0x00, 0xFF, 0x2F, 0x00}) track.push_back(b);
  TByteWriter out;
  out.tag("MThd").u32be(6).add({0, 0, 0, 1, 0, 128});  // format 0, one track, 128 ticks a quarter
  out.tag("MTrk").u32be(static_cast<uint32_t>(track.size())).add(track);
  return out.v;
}

std::string SamplePath(const char* Name) {
  std::string path = std::string("Z:") + VR_SAMPLES_DIR + "/sounds/" + Name;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::vector<uint8_t> ReadWholeFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string MciErrorText(unsigned Code) {
  char text[512] = {};
  mciGetErrorStringA(Code, text, sizeof text);
  return text;
}

std::string Outcomes(const std::vector<TMPNotifyValues>& Values) {
  std::string text;
  for (TMPNotifyValues v : Values) {
    if (!text.empty()) text += ' ';
    text += doctest::StringMaker<TMPNotifyValues>::convert(v).c_str();
  }
  return text;
}

bool PumpUntil(const std::function<bool()>& Done, unsigned RealMs) {
  DWORD start = GetTickCount();
  while (!Done()) {
    if (GetTickCount() - start >= RealMs) return Done();
    Application->ProcessMessages();
    if (Done()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void PumpFor(unsigned RealMs) { PumpUntil([] { return false; }, RealMs); }

TPlayerHost::TPlayerHost() {
  InitApplication();
  Application->ModalHook = [this](const TModalRequest& Request) {
    Boxes.push_back(Request.Text);
    return IDOK;
  };
  TCustomForm::TParams params;
  params.Caption = "Player";
  FForm = std::make_unique<TCustomForm>(nullptr, params);
  FForm->SetBounds(10, 10, 420, 120);
  FPlayer = FForm->Make<TMediaPlayer>(FForm.get());
  FPlayer->OnNotify = [this](TObject*) { Notices.push_back(FPlayer->NotifyValue()); };
  FForm->Show();
  Application->ProcessMessages();
}

TPlayerHost::~TPlayerHost() {
  FForm.reset();
  Application->ModalHook = nullptr;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

bool TPlayerHost::WaitForNotices(size_t Count, unsigned RealMs) {
  return PumpUntil([&] { return Notices.size() >= Count; }, RealMs);
}

TPlayerPixels::TPlayerPixels(TMediaPlayer& Player) : FWidth(Player.Width()), FHeight(Player.Height()) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = FWidth;
  info.bmiHeader.biHeight = -FHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  TBitmapHandle dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  TMemoryDC dc(CreateCompatibleDC(nullptr));
  {
    TSelectObject select(dc.Get(), dib.Get());
    SendMessageA(Player.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
  }
  GdiFlush();
  const auto* p = static_cast<const uint32_t*>(bits);
  FPixels.assign(p, p + static_cast<size_t>(FWidth) * FHeight);
}

COLORREF TPlayerPixels::At(int X, int Y) const {
  uint32_t v = FPixels[static_cast<size_t>(Y) * FWidth + X];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

std::vector<uint32_t> ResourcePixels(const char* Name, int& Width, int& Height) {
  TBitmapHandle bitmap = LoadBitmapResource(Name);
  Width = Height = 0;
  if (!bitmap) return {};
  return BitmapPixels(bitmap.Get(), Width, Height);
}

}  // namespace vr::test
