#include "controls/glass_button_win.h"

#include <algorithm>

#include "ui/application_win.h"

TGlassButton::TGlassButton(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 100, 32);
  const auto repaint = [this] { Invalidate(); };
  picture_.OnChange = repaint;
  picture_down_.OnChange = repaint;
  picture_disabled_.OnChange = repaint;
}

void TGlassButton::SetCornerRadius(int radius) {
  if (radius < 0 || radius == corner_radius_) return;
  corner_radius_ = radius;
  Invalidate();
}

void TGlassButton::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= WS_TABSTOP;
}

const TGdiPlusPicture& TGlassButton::CurrentPicture() const {
  if (!Enabled() && !picture_disabled_.Empty()) return picture_disabled_;
  if (pressed_ && hover_ && !picture_down_.Empty()) return picture_down_;
  return picture_;
}

void TGlassButton::EraseBackground(HDC) {
  // Transparent: PaintWindow asks the parent for what lies under the button.
}

void TGlassButton::PaintWindow(HDC dc) {
  if (TWinControl* parent = Parent()) parent->PaintBackgroundInto(dc, this);
  // Outer border: a rounded rectangle of the button's size less one pixel.
  {
    UniqueGdiObj<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    ScopedSelectObject select_pen(dc, pen.Get());
    ScopedSelectObject select_brush(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, 0, 0, Width(), Height(), 2 * corner_radius_, 2 * corner_radius_);
  }
  const TGdiPlusPicture& picture = CurrentPicture();
  if (picture.Empty()) return;
  const SIZE s = picture.Size();
  // With the caption hidden under it the picture lands at x = 2, centred in height.
  const int y = std::max(0, (Height() - static_cast<int>(s.cy)) / 2);
  picture.Draw(dc, 2, y);
}

void TGlassButton::EnabledChanged() {
  TCustomControl::EnabledChanged();
  if (!Enabled()) pressed_ = false;
  Invalidate();
}

void TGlassButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && Enabled()) {
    pressed_ = true;
    hover_ = true;
    if (HandleAllocated()) SetFocus();
    Invalidate();
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TGlassButton::MouseMove(TShiftState shift, int x, int y) {
  const bool inside = x >= 0 && y >= 0 && x < Width() && y < Height();
  if (pressed_ && inside != hover_) {
    hover_ = inside;
    Invalidate();
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TGlassButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && pressed_) {
    pressed_ = false;
    Invalidate();
  }
  // The layer fires Click when the press began here and the release is inside.
  TCustomControl::MouseUp(button, shift, x, y);
}

void TGlassButton::Click() {
  if (Enabled()) TCustomControl::Click();
}

void TGlassButton::MouseEnter() {
  hover_ = true;
  TCustomControl::MouseEnter();
}

void TGlassButton::MouseLeave() {
  hover_ = false;
  if (pressed_) Invalidate();
  TCustomControl::MouseLeave();
}

LRESULT TGlassButton::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_WANTALLKEYS;
    case WM_CHAR:
      if (wparam == L' ') {
        Click();
        return 0;
      }
      break;
    case WM_KEYDOWN:
      if (wparam == VK_RETURN && GetKeyState(VK_SHIFT) >= 0 &&
          GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
        Click();
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
    default:
      break;
  }
  return TCustomControl::WndProc(msg, wparam, lparam);
}
