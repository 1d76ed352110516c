// Helpers of the widget layer's in-process GUI tests: a 32-bit surface to
// paint into and read back, an error box catcher, message pumping.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ui/ui_win.h"

// A top-down 32-bit DIB of width x height; `bits` receives its pixels.
inline UniqueGdiObj<HBITMAP> MakeDib32(int width, int height, void** bits) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  return UniqueGdiObj<HBITMAP>(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits, nullptr, 0));
}

// A 32-bit DIB surface filled with one colour; pixels are read back exactly.
class TestSurface {
 public:
  TestSurface(int width, int height, COLORREF fill) : width_(width), height_(height) {
    void* bits = nullptr;
    bitmap_ = MakeDib32(width, height, &bits);
    dc_.Reset(::CreateCompatibleDC(nullptr));
    old_ = ::SelectObject(dc_.Get(), bitmap_.Get());
    UniqueGdiObj<HBRUSH> brush(::CreateSolidBrush(fill));
    RECT r{0, 0, width, height};
    ::FillRect(dc_.Get(), &r, brush.Get());
  }
  ~TestSurface() { ::SelectObject(dc_.Get(), old_); }
  HDC Dc() const { return dc_.Get(); }
  COLORREF At(int x, int y) const { return ::GetPixel(dc_.Get(), x, y); }
  // How many pixels of `color` lie inside / outside `r`.
  int Count(COLORREF color, const RECT& r, bool inside) const {
    int n = 0;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        const POINT p{x, y};
        if ((::PtInRect(&r, p) != FALSE) == inside && At(x, y) == color) ++n;
      }
    }
    return n;
  }

 private:
  int width_, height_;
  UniqueGdiObj<HBITMAP> bitmap_;
  UniqueHdc dc_;
  HGDIOBJ old_ = nullptr;
};

// Installs Application.ErrorBoxHook for one test and records every box.
class ErrorBoxCatcher {
 public:
  ErrorBoxCatcher() {
    Application.ErrorBoxHook = [this](const std::string& text, const std::string& caption) {
      texts.push_back(text);
      captions.push_back(caption);
    };
  }
  ~ErrorBoxCatcher() { Application.ErrorBoxHook = nullptr; }
  std::vector<std::string> texts;
  std::vector<std::string> captions;
};

inline void PumpMessages() { Application.ProcessMessages(); }

// Pumps (sleeping a little between rounds) until `done` or `rounds` run out.
template <class F>
bool PumpUntil(F done, int rounds = 400) {
  for (int i = 0; i < rounds; ++i) {
    PumpMessages();
    if (done()) return true;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  PumpMessages();
  return done();
}

inline LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

// A borderless form of the given client size, at a fixed place, registered
// with the application (OnCreate run). Freed by the test.
inline TForm* MakeForm(int width, int height, TColor color) {
  Application.Initialize();
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(40, 40, width, height);
  form->SetColor(color);
  return form;
}
