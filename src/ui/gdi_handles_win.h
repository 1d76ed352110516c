// Owners of the window layer's handles: one move-only type per kind of handle,
// copying deleted, so every handle has exactly one owner and is released once.
// COM pointers use Microsoft::WRL::ComPtr (from base/scoped_win.h, the
// generic owners this header builds on).
//
// Threads: these are plain values. A window handle or a device context is
// only used on the thread that made it (the window thread for all of ours).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <utility>

// The generic owners (UniqueHandleT, UniqueHandle, ScopedComInit, ComPtr) are
// shared with the engine; the ones below are the window layer's own.
#include "base/scoped_win.h"

struct HwndTraits {
  static HWND Invalid() { return nullptr; }
  static bool IsValid(HWND h) { return h != nullptr; }
  static void Close(HWND h) { ::DestroyWindow(h); }
};
template <class T>
struct GdiObjTraits {
  static T Invalid() { return nullptr; }
  static bool IsValid(T h) { return h != nullptr; }
  static void Close(T h) { ::DeleteObject(h); }
};
struct HdcTraits {  // memory device contexts (CreateCompatibleDC)
  static HDC Invalid() { return nullptr; }
  static bool IsValid(HDC h) { return h != nullptr; }
  static void Close(HDC h) { ::DeleteDC(h); }
};
struct HiconTraits {
  static HICON Invalid() { return nullptr; }
  static bool IsValid(HICON h) { return h != nullptr; }
  static void Close(HICON h) { ::DestroyIcon(h); }
};
struct HmenuTraits {
  static HMENU Invalid() { return nullptr; }
  static bool IsValid(HMENU h) { return h != nullptr; }
  static void Close(HMENU h) { ::DestroyMenu(h); }
};

using UniqueHwnd = UniqueHandleT<HWND, HwndTraits>;
template <class T>
using UniqueGdiObj = UniqueHandleT<T, GdiObjTraits<T>>;  // HBITMAP, HFONT, HPEN, HBRUSH, HRGN
using UniqueHdc = UniqueHandleT<HDC, HdcTraits>;
using UniqueHicon = UniqueHandleT<HICON, HiconTraits>;
using UniqueHmenu = UniqueHandleT<HMENU, HmenuTraits>;

// GetDC / ReleaseDC of a window (0 = the screen).
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~ScopedGetDC() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  HDC Get() const noexcept { return dc_; }
  operator HDC() const noexcept { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// SelectObject for one scope; the previous object goes back at its end.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ obj) noexcept
      : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
  ~ScopedSelectObject() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// SaveDC / RestoreDC: clip region, origins, selected objects come back.
class ScopedSaveDC {
 public:
  explicit ScopedSaveDC(HDC dc) noexcept : dc_(dc), saved_(::SaveDC(dc)) {}
  ~ScopedSaveDC() {
    if (saved_) ::RestoreDC(dc_, saved_);
  }
  ScopedSaveDC(const ScopedSaveDC&) = delete;
  ScopedSaveDC& operator=(const ScopedSaveDC&) = delete;

 private:
  HDC dc_;
  int saved_;
};

// BeginPaint / EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &ps_)) {}
  ~PaintScope() { ::EndPaint(hwnd_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Dc() const noexcept { return dc_; }
  const RECT& Rect() const noexcept { return ps_.rcPaint; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// A memory device context holding a bitmap compatible with `reference`, of the
// given size: the off-screen surface of a double-buffered paint.
class OffscreenSurface {
 public:
  OffscreenSurface(HDC reference, int width, int height) noexcept
      : dc_(::CreateCompatibleDC(reference)),
        bitmap_(::CreateCompatibleBitmap(reference, width > 0 ? width : 1,
                                         height > 0 ? height : 1)),
        select_(dc_.Get(), bitmap_.Get()) {}
  OffscreenSurface(const OffscreenSurface&) = delete;
  OffscreenSurface& operator=(const OffscreenSurface&) = delete;
  HDC Dc() const noexcept { return dc_.Get(); }
  explicit operator bool() const noexcept { return dc_ && bitmap_; }

 private:
  UniqueHdc dc_;
  UniqueGdiObj<HBITMAP> bitmap_;
  ScopedSelectObject select_;
};

// OleInitialize for the window thread (the browser needs an STA with OLE);
// uninitialises only when initialisation succeeded (S_OK or S_FALSE).
class ScopedOleInit {
 public:
  ScopedOleInit() noexcept : hr_(::OleInitialize(nullptr)) {}
  ~ScopedOleInit() {
    if (SUCCEEDED(hr_)) ::OleUninitialize();
  }
  ScopedOleInit(const ScopedOleInit&) = delete;
  ScopedOleInit& operator=(const ScopedOleInit&) = delete;
  HRESULT Result() const noexcept { return hr_; }
  bool Ok() const noexcept { return SUCCEEDED(hr_); }

 private:
  HRESULT hr_;
};

// The big and the small image of one icon resource of the program, owned
// together; a window shows them without owning them.
struct WindowIcons {
  UniqueHicon big, small;

  // Loads both sizes; false (and nothing changed) when neither loads.
  [[nodiscard]] bool Load(int resource_id) {
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    auto load = [&](int cx, int cy) {
      return UniqueHicon(static_cast<HICON>(::LoadImageW(
          inst, MAKEINTRESOURCEW(resource_id), IMAGE_ICON, ::GetSystemMetrics(cx), ::GetSystemMetrics(cy), 0)));
    };
    UniqueHicon new_big = load(SM_CXICON, SM_CYICON);
    UniqueHicon new_small = load(SM_CXSMICON, SM_CYSMICON);
    if (!new_big && !new_small) return false;
    big = std::move(new_big);
    small = std::move(new_small);
    return true;
  }

  // Loads both sizes and, when that worked, gives them to `window` (when there
  // is one) in place of the ones held before. False (nothing changed) when
  // neither loads.
  [[nodiscard]] bool Replace(int resource_id, HWND window) {
    WindowIcons loaded;
    if (!loaded.Load(resource_id)) return false;
    if (window) loaded.ApplyTo(window);
    *this = std::move(loaded);  // the old icons are no longer the window's
    return true;
  }

  // Gives the loaded images to `window`.
  void ApplyTo(HWND window) const {
    if (big) ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.Get()));
    if (small) ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Get()));
  }
};
