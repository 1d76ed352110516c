#include "controls/skin_panel_win.h"

#include "ui/application_win.h"

namespace {

// A 3-D frame of `width` pixels: `light` on the top and left, `dark` on the
// bottom and right; `r` shrinks by it.
void DrawBevel(HDC dc, RECT& r, TBevelCut bevel, int width) {
  if (bevel == bvNone || width <= 0) return;
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF light = bevel == bvRaised ? highlight : shadow;
  const COLORREF dark = bevel == bvRaised ? shadow : highlight;
  UniqueGdiObj<HBRUSH> light_brush(CreateSolidBrush(light)), dark_brush(CreateSolidBrush(dark));
  for (int i = 0; i < width && r.right > r.left && r.bottom > r.top; ++i) {
    const RECT top{r.left, r.top, r.right - 1, r.top + 1}, left{r.left, r.top, r.left + 1, r.bottom - 1};
    const RECT bottom{r.left, r.bottom - 1, r.right, r.bottom}, right{r.right - 1, r.top, r.right, r.bottom};
    FillRect(dc, &top, light_brush.Get());
    FillRect(dc, &left, light_brush.Get());
    FillRect(dc, &bottom, dark_brush.Get());
    FillRect(dc, &right, dark_brush.Get());
    InflateRect(&r, -1, -1);
  }
}

void FrameInColour(HDC dc, RECT& r, TColor color, int width) {
  UniqueGdiObj<HBRUSH> brush(CreateSolidBrush(ColorToRGB(color)));
  for (int i = 0; i < width && r.right > r.left && r.bottom > r.top; ++i) {
    FrameRect(dc, &r, brush.Get());
    InflateRect(&r, -1, -1);
  }
}

}  // namespace

TSkinPanel::TSkinPanel(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 185, 41);
  background_.OnChange = [this] { Invalidate(); };
}

bool TSkinPanel::LoadBackgroundResource(int resource_id) {
  if (!background_.LoadFromResource(resource_id)) return false;
  Invalidate();
  return true;
}

void TSkinPanel::Paint(TCanvas& canvas) {
  HDC target = canvas.Handle();
  const RECT client = ClientRect();
  if (!buffered_) {
    PaintPanel(target);
    return;
  }
  OffscreenSurface buffer(target, client.right, client.bottom);
  if (!buffer) {
    PaintPanel(target);
    return;
  }
  PaintPanel(buffer.Dc());
  BitBlt(target, 0, 0, client.right, client.bottom, buffer.Dc(), 0, 0, SRCCOPY);
}

void TSkinPanel::PaintPanel(HDC dc) {
  const RECT client = ClientRect();
  RECT r = client;
  // The fill (a plain one: no gradient colours here).
  if (Color() != clNone) {
    UniqueGdiObj<HBRUSH> fill(CreateSolidBrush(ColorToRGB(Color())));
    FillRect(dc, &r, fill.Get());
  }
  if (border_color_ != clNone && border_width_ > 0) FrameInColour(dc, r, border_color_, border_width_);
  DrawBevel(dc, r, bevel_outer_, bevel_width_);
  if (border_color_ == clNone && Color() != clNone) FrameInColour(dc, r, Color(), 1);
  DrawBevel(dc, r, bevel_inner_, bevel_width_);
  // The picture is placed in the whole client area, clipped to it.
  {
    ScopedSaveDC save(dc);
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    if (!background_.Empty()) {
      for (const PanelRect& place :
           PanelPicturePlaces(position_, {client.left, client.top, client.right, client.bottom},
                              background_.Width(), background_.Height(), bevel_width_,
                              client.right, client.bottom)) {
        background_.Draw(dc, RECT{place.left, place.top, place.right, place.bottom});
      }
    }
  }
  if (OnPaint) FireEvent(OnPaint, this, dc, client);
}

LRESULT TSkinPanel::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_SIZE && WindowHandle() && IsWindowVisible(WindowHandle())) {
    // A resize repaints at once, before the usual handling.
    SafeCall([&] {
      ScopedGetDC dc(WindowHandle());
      RECT r{};
      GetClientRect(WindowHandle(), &r);
      OffscreenSurface off(dc, r.right, r.bottom);
      HDC target = off ? off.Dc() : dc.Get();
      EraseBackground(target);
      PaintWindow(target);
      PaintGraphicChildren(target);
      if (off) BitBlt(dc, 0, 0, r.right, r.bottom, off.Dc(), 0, 0, SRCCOPY);
    });
  }
  return TCustomControl::WndProc(msg, wparam, lparam);
}
