#include "pictures/picture_test_support.h"

#include <winternl.h>

#include <algorithm>
#include <cstring>

namespace vr::test {

std::vector<uint8_t> BmpFile(const TBmpLayout& Layout, const std::vector<uint8_t>& Pixels) {
  TByteWriter b;
  const bool core = Layout.HeaderSize == 12;
  const size_t tableBytes = Layout.Colors.size() * (core ? 3 : 4);
  const size_t offset = 14 + Layout.HeaderSize + Layout.Masks.size() * 4 + tableBytes;
  b.u16(0x4D42).u32(uint32_t(offset + Pixels.size())).u32(0);
  b.u32(Layout.PixelOffset != 0 ? Layout.PixelOffset : uint32_t(offset));
  b.u32(Layout.HeaderSize);
  if (core) {
    b.u16(uint16_t(Layout.Width)).u16(uint16_t(Layout.Height)).u16(Layout.Planes).u16(Layout.Bits);
  } else {
    TByteWriter h;
    h.u32(uint32_t(Layout.Width)).u32(uint32_t(Layout.Height)).u16(Layout.Planes).u16(Layout.Bits);
    const uint32_t clrUsed = Layout.ClrUsed != 0 ? Layout.ClrUsed : uint32_t(Layout.Colors.size());
    h.u32(Layout.Compression).u32(Layout.SizeImage).u32(2835).u32(2835).u32(clrUsed).u32(0);
    h.v.resize(Layout.HeaderSize - 4, 0);
    b.v.insert(b.v.end(), h.v.begin(), h.v.end());
  }
  for (uint32_t m : Layout.Masks) b.u32(m);
  for (uint32_t c : Layout.Colors) {
    b.u8(uint8_t(c)).u8(uint8_t(c >> 8)).u8(uint8_t(c >> 16));
    if (!core) b.u8(0);
  }
  b.v.insert(b.v.end(), Pixels.begin(), Pixels.end());
  return b.v;
}

std::vector<uint8_t> BmpOfPicture(const std::vector<std::vector<uint32_t>>& Rows, uint16_t Bits,
                                  const std::vector<uint32_t>& Colors, bool TopDown) {
  const int height = int(Rows.size());
  const int width = height > 0 ? int(Rows[0].size()) : 0;
  const size_t stride = ((size_t(width) * Bits + 31) / 32) * 4;
  std::vector<uint8_t> pixels(stride * size_t(height), 0);
  auto indexOf = [&](uint32_t c) {
    auto it = std::find(Colors.begin(), Colors.end(), c);
    return uint32_t(it - Colors.begin());
  };
  for (int y = 0; y < height; ++y) {
    uint8_t* row = pixels.data() + stride * size_t(TopDown ? y : height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const uint32_t c = Rows[size_t(y)][size_t(x)];
      const uint8_t r = uint8_t(c >> 16), g = uint8_t(c >> 8), bl = uint8_t(c);
      switch (Bits) {
        case 1:
          row[x / 8] |= uint8_t(indexOf(c) << (7 - x % 8));
          break;
        case 4:
          row[x / 2] |= uint8_t(indexOf(c) << (x % 2 == 0 ? 4 : 0));
          break;
        case 8:
          row[x] = uint8_t(indexOf(c));
          break;
        case 16: {
          const uint16_t v = uint16_t((r >> 3) << 10 | (g >> 3) << 5 | (bl >> 3));
          row[2 * x] = uint8_t(v);
          row[2 * x + 1] = uint8_t(v >> 8);
          break;
        }
        case 24:
          row[3 * x] = bl;
          row[3 * x + 1] = g;
          row[3 * x + 2] = r;
          break;
        case 32:
          row[4 * x] = bl;
          row[4 * x + 1] = g;
          row[4 * x + 2] = r;
          break;
      }
    }
  }
  TBmpLayout layout;
  layout.Width = width;
  layout.Height = TopDown ? -height : height;
  layout.Bits = Bits;
  if (Bits <= 8) {
    layout.Colors = Colors;
    layout.ClrUsed = uint32_t(Colors.size());
  }
  return BmpFile(layout, pixels);
}

TDrawTarget::TDrawTarget(int Width, int Height, uint32_t Fill)
    : FWidth(Width), FHeight(Height), FDC(CreateCompatibleDC(nullptr)) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = Width;
  bmi.bmiHeader.biHeight = -Height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  FBitmap.Reset(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  FBits = static_cast<uint32_t*>(bits);
  FOld = SelectObject(FDC.Get(), FBitmap.Get());
  FCanvas.SetHandle(FDC.Get());
  FillWith(Fill);
}

TDrawTarget::~TDrawTarget() { SelectObject(FDC.Get(), FOld); }

uint32_t TDrawTarget::Pixel(int X, int Y) const {
  GdiFlush();
  return FBits[size_t(Y) * size_t(FWidth) + size_t(X)] & 0xFFFFFF;
}

void TDrawTarget::FillWith(uint32_t Colour) {
  GdiFlush();
  std::fill(FBits, FBits + size_t(FWidth) * size_t(FHeight), Colour);
}

int TDrawTarget::Count(uint32_t Colour, const RECT& R) const {
  int n = 0;
  for (int y = R.top; y < R.bottom; ++y)
    for (int x = R.left; x < R.right; ++x) n += Pixel(x, y) == Colour;
  return n;
}

RECT TDrawTarget::BoundsOfOther(uint32_t Colour) const {
  RECT r{FWidth, FHeight, 0, 0};
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x)
      if (Pixel(x, y) != Colour) {
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
  return r;
}

TTempFile::TTempFile(const std::string& Name, const std::vector<uint8_t>& Content) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  FPath = std::string(temp) + "vrpic" + std::to_string(GetCurrentProcessId()) + "_" + Name;
  HANDLE file = CreateFileA(FPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  if (!Content.empty()) WriteFile(file, Content.data(), DWORD(Content.size()), &written, nullptr);
  CloseHandle(file);
}

TTempFile::~TTempFile() { DeleteFileA(FPath.c_str()); }

int GdiObjectCount() {
  SetLastError(ERROR_SUCCESS);
  const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return static_cast<int>(counted);
  // Wine keeps a table of its own for each process, pointed at by the
  // process environment block (GdiSharedHandleTable, at 0xF8 in its 64-bit
  // layout): 65536 entries of 24 bytes, the object type at byte 14, 0 when
  // the entry is free.
  static_assert(sizeof(void*) == 8, "the table's place is that of the 64-bit block");
  using TQuery = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<TQuery>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  if (query == nullptr || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
    return -1;
  const auto* peb = reinterpret_cast<const uint8_t*>(basic.PebBaseAddress);
  const uint8_t* table = *reinterpret_cast<const uint8_t* const*>(peb + 0xF8);
  if (table == nullptr) return -1;
  int used = 0;
  for (size_t i = 0; i < 65536; ++i)
    if (table[i * 24 + 14] != 0) ++used;
  return used;
}

}  // namespace vr::test
