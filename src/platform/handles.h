// One move-only owner per Win32 handle kind, built from a single template,
// and a scoped SelectObject that restores the previous object.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <utility>

namespace vr {

template <typename Traits>
class TOwnedHandle {
 public:
  using Handle = typename Traits::Handle;

  TOwnedHandle() noexcept = default;
  explicit TOwnedHandle(Handle h) noexcept : FHandle(h) {}
  ~TOwnedHandle() { Reset(); }
  TOwnedHandle(TOwnedHandle&& other) noexcept : FHandle(other.Release()) {}
  TOwnedHandle& operator=(TOwnedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TOwnedHandle(const TOwnedHandle&) = delete;
  TOwnedHandle& operator=(const TOwnedHandle&) = delete;

  Handle Get() const noexcept { return FHandle; }
  explicit operator bool() const noexcept { return FHandle != Traits::Invalid(); }
  // Gives the handle up without freeing it.
  Handle Release() noexcept { return std::exchange(FHandle, Traits::Invalid()); }
  void Reset(Handle h = Traits::Invalid()) noexcept {
    Handle old = std::exchange(FHandle, h);
    if (old != Traits::Invalid()) Traits::Free(old);
  }

 private:
  Handle FHandle = Traits::Invalid();
};

template <typename H>
struct TGdiObjectTraits {
  using Handle = H;
  static Handle Invalid() noexcept { return nullptr; }
  static void Free(Handle h) noexcept { DeleteObject(h); }
};

struct TMemoryDCTraits {
  using Handle = HDC;
  static Handle Invalid() noexcept { return nullptr; }
  static void Free(Handle h) noexcept { DeleteDC(h); }
};

struct TIconTraits {
  using Handle = HICON;
  static Handle Invalid() noexcept { return nullptr; }
  static void Free(Handle h) noexcept { DestroyIcon(h); }
};

struct TEnhMetafileTraits {
  using Handle = HENHMETAFILE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Free(Handle h) noexcept { DeleteEnhMetaFile(h); }
};

struct TFindTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Free(Handle h) noexcept { FindClose(h); }
};

struct TKernelTraits {  // events, threads, files
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Free(Handle h) noexcept { CloseHandle(h); }
};

struct TRegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() noexcept { return nullptr; }
  static void Free(Handle h) noexcept { RegCloseKey(h); }
};

struct TWindowTraits {
  using Handle = HWND;
  static Handle Invalid() noexcept { return nullptr; }
  static void Free(Handle h) noexcept { DestroyWindow(h); }
};

struct TMciDeviceTraits {
  using Handle = MCIDEVICEID;
  static Handle Invalid() noexcept { return 0; }
  static void Free(Handle h) noexcept { mciSendCommandA(h, MCI_CLOSE, 0, 0); }
};

using TBitmapHandle = TOwnedHandle<TGdiObjectTraits<HBITMAP>>;
using TPaletteHandle = TOwnedHandle<TGdiObjectTraits<HPALETTE>>;
using TFontHandle = TOwnedHandle<TGdiObjectTraits<HFONT>>;
using TBrushHandle = TOwnedHandle<TGdiObjectTraits<HBRUSH>>;
using TPenHandle = TOwnedHandle<TGdiObjectTraits<HPEN>>;
using TRegionHandle = TOwnedHandle<TGdiObjectTraits<HRGN>>;
using TMemoryDC = TOwnedHandle<TMemoryDCTraits>;
using TIconHandle = TOwnedHandle<TIconTraits>;
using TEnhMetafileHandle = TOwnedHandle<TEnhMetafileTraits>;
using TFindHandle = TOwnedHandle<TFindTraits>;
using TKernelHandle = TOwnedHandle<TKernelTraits>;
using TRegKey = TOwnedHandle<TRegKeyTraits>;
using TWindowHandle = TOwnedHandle<TWindowTraits>;
using TMciDevice = TOwnedHandle<TMciDeviceTraits>;

// A window's device context from GetDC, released to its window.
class TWindowDC {
 public:
  explicit TWindowDC(HWND wnd) noexcept : FWnd(wnd), FDC(GetDC(wnd)) {}
  ~TWindowDC() {
    if (FDC != nullptr) ReleaseDC(FWnd, FDC);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC Get() const noexcept { return FDC; }

 private:
  HWND FWnd;
  HDC FDC;
};

// Selects a GDI object into a device context and restores the previous one.
class TSelectObject {
 public:
  TSelectObject(HDC dc, HGDIOBJ obj) noexcept : FDC(dc), FOld(obj != nullptr ? SelectObject(dc, obj) : nullptr) {}
  ~TSelectObject() {
    if (FOld != nullptr) SelectObject(FDC, FOld);
  }
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;

 private:
  HDC FDC;
  HGDIOBJ FOld;
};

// Selects a palette (as a background palette unless told otherwise) and
// restores the previous one.
class TSelectPalette {
 public:
  TSelectPalette(HDC dc, HPALETTE pal, bool background = true) noexcept
      : FDC(dc), FOld(pal != nullptr ? SelectPalette(dc, pal, background ? TRUE : FALSE) : nullptr) {}
  ~TSelectPalette() {
    if (FOld != nullptr) SelectPalette(FDC, FOld, TRUE);
  }
  TSelectPalette(const TSelectPalette&) = delete;
  TSelectPalette& operator=(const TSelectPalette&) = delete;

 private:
  HDC FDC;
  HPALETTE FOld;
};

}  // namespace vr
