#include "controls/skin_trackbar_win.h"

#include <algorithm>

#include "ui/application_win.h"

TSkinTrackBar::TSkinTrackBar(TComponent* owner) : TCustomControl(owner) {
  core_.LoadBounds(0, 10, 0);
  core_.invalidate = [this](const TrackRect& r) {
    if (!HandleAllocated()) return;
    RECT rect{r.left, r.top, r.right, r.bottom};
    InvalidateRect(Handle(), &rect, TRUE);
  };
  core_.on_change = [this] { FireEvent(OnChange, this); };
  thumb_.OnChange = [this] {
    ApplyThumbSize();
    Invalidate();
  };
  const auto repaint = [this] { Invalidate(); };
  thumb_hot_picture_.OnChange = repaint;
  thumb_down_picture_.OnChange = repaint;
  thumb_disabled_picture_.OnChange = repaint;
}

void TSkinTrackBar::SetMin(int value) {
  core_.SetMin(value);
  Invalidate();
}

void TSkinTrackBar::SetMax(int value) {
  core_.SetMax(value);
  Invalidate();
}

void TSkinTrackBar::ApplyThumbSize() {
  if (thumb_.Empty()) {
    core_.ClearThumbPicture();
    return;
  }
  const SIZE s = thumb_.Size();
  core_.SetThumbPicture(s.cx, s.cy);
}

void TSkinTrackBar::SetThumbColors(TColor color, TColor color_to, TColor border) {
  thumb_color_ = color;
  thumb_color_to_ = color_to;
  thumb_border_ = border;
  Invalidate();
}

void TSkinTrackBar::BoundsChanged(const RECT& old_bounds) {
  TCustomControl::BoundsChanged(old_bounds);
  core_.SetClientSize(Width(), Height());
}

void TSkinTrackBar::EnabledChanged() {
  if (!Enabled()) {
    StopRepeat();
    stepping_ = dragging_ = thumb_down_flag_ = thumb_hot_ = false;
  }
  TCustomControl::EnabledChanged();  // repaints
}

void TSkinTrackBar::EraseBackground(HDC) {
  // Transparent: the paint asks the parent for everything under the control.
}

void TSkinTrackBar::PaintWindow(HDC dc) {
  if (TWinControl* parent = Parent()) parent->PaintBackgroundInto(dc, this);
  DrawThumb(dc);
}

const TGdiPlusPicture* TSkinTrackBar::CurrentThumbPicture() const {
  const TGdiPlusPicture* picture = &thumb_;
  if (thumb_down_flag_ && !thumb_down_picture_.Empty()) {
    picture = &thumb_down_picture_;
  } else if (thumb_hot_ && !thumb_hot_picture_.Empty()) {
    picture = &thumb_hot_picture_;
  }
  if (!Enabled() && !thumb_disabled_picture_.Empty()) picture = &thumb_disabled_picture_;
  return picture->Empty() ? nullptr : picture;
}

void TSkinTrackBar::DrawThumb(HDC dc) {
  if (core_.ThumbSize() < 1) return;
  const TrackRect r = core_.ThumbRect();
  if (const TGdiPlusPicture* picture = CurrentThumbPicture()) {
    picture->Draw(dc, r.left, r.top);
    return;
  }
  // No picture: a rounded bar in the thumb colours, lighter while hot,
  // darker while pressed, grey while disabled.
  const int w = r.right - r.left, h = r.bottom - r.top;
  COLORREF top = ColorToRGB(thumb_color_), bottom = ColorToRGB(thumb_color_to_);
  COLORREF border = ColorToRGB(thumb_border_);
  auto shade = [](COLORREF c, int percent) {
    auto one = [&](int v) { return std::clamp(v + (percent > 0 ? (255 - v) : v) * percent / 100, 0, 255); };
    return RGB(one(GetRValue(c)), one(GetGValue(c)), one(GetBValue(c)));
  };
  if (!Enabled()) {
    top = bottom = GetSysColor(COLOR_BTNFACE);
    border = GetSysColor(COLOR_GRAYTEXT);
  } else if (thumb_down_flag_) {
    top = shade(top, -20);
    bottom = shade(bottom, -20);
  } else if (thumb_hot_) {
    top = shade(top, 30);
    bottom = shade(bottom, 30);
  }
  ScopedSaveDC save(dc);
  UniqueGdiObj<HRGN> shape(CreateRoundRectRgn(r.left, r.top, r.right + 1, r.bottom + 1, 8, 8));
  SelectClipRgn(dc, shape.Get());
  for (int y = 0; y < h; ++y) {
    const int t = h > 1 ? y * 256 / (h - 1) : 0;
    auto mix = [t](int a, int b) { return a + (b - a) * t / 256; };
    UniqueGdiObj<HBRUSH> brush(CreateSolidBrush(RGB(mix(GetRValue(top), GetRValue(bottom)),
                                                    mix(GetGValue(top), GetGValue(bottom)),
                                                    mix(GetBValue(top), GetBValue(bottom)))));
    const RECT row{r.left, r.top + y, r.left + w, r.top + y + 1};
    FillRect(dc, &row, brush.Get());
  }
  SelectClipRgn(dc, nullptr);
  UniqueGdiObj<HPEN> pen(CreatePen(PS_SOLID, 1, border));
  ScopedSelectObject select_pen(dc, pen.Get());
  ScopedSelectObject select_brush(dc, GetStockObject(NULL_BRUSH));
  RoundRect(dc, r.left, r.top, r.right, r.bottom, 8, 8);
}

void TSkinTrackBar::RedrawThumb() {
  if (!HandleAllocated()) return;
  // Hot and pressed changes redraw only the thumb's rectangle, at once, with
  // what lies under it first: pictures of different shapes leave nothing behind.
  const TrackRect r = core_.ThumbRect();
  RECT rect{r.left, r.top, r.right, r.bottom};
  InvalidateRect(Handle(), &rect, TRUE);
  UpdateWindow(Handle());
}

void TSkinTrackBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (!Focused() && HandleAllocated()) SetFocus();
  if (button != mbLeft) return;
  switch (core_.PressAt(x, y)) {
    case PressAction::kMove:
      core_.SetPosition(core_.ValueFromX(x));
      break;
    case PressAction::kDrag:
      dragging_ = true;
      thumb_down_flag_ = true;
      RedrawThumb();
      break;
    case PressAction::kStep:
      stepping_ = true;
      press_ = {x, y};
      core_.StepToward(x);
      if (!repeat_timer_) {
        repeat_timer_ = new TTimer(this);
        repeat_timer_->SetEnabled(false);
        repeat_timer_->OnTimer = [this](TObject*) { RepeatTick(); };
      }
      repeat_timer_->SetEnabled(false);
      repeat_timer_->SetInterval(kInitRepeatPause);
      repeat_timer_->SetEnabled(true);
      break;
    case PressAction::kNone:
      break;
  }
}

void TSkinTrackBar::RepeatTick() {
  if (repeat_timer_) repeat_timer_->SetInterval(kRepeatPause);
  // Without the mouse capture the timer keeps running until the release.
  if (!HandleAllocated() || GetCapture() != Handle()) return;
  if (stepping_) {
    core_.StepToward(press_.x);
  } else {
    StopRepeat();
  }
}

void TSkinTrackBar::StopRepeat() {
  if (repeat_timer_) repeat_timer_->SetEnabled(false);
}

void TSkinTrackBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  StopRepeat();
  stepping_ = false;
  if (button == mbLeft) {
    dragging_ = false;
    if (thumb_down_flag_) {
      thumb_down_flag_ = false;
      if (!PointInRect(core_.ThumbRect(), x, y)) thumb_hot_ = false;
      RedrawThumb();
    }
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

void TSkinTrackBar::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (dragging_) {
    stepping_ = false;
    core_.SetPosition(core_.ValueFromX(x));
    return;
  }
  const bool over = PointInRect(core_.ThumbRect(), x, y);
  if (over && !thumb_hot_) {
    thumb_hot_ = true;
    RedrawThumb();
  } else if (!over && thumb_hot_) {
    thumb_hot_ = false;
    thumb_down_flag_ = false;
    RedrawThumb();
  }
}

void TSkinTrackBar::MouseLeave() {
  TCustomControl::MouseLeave();
  if ((thumb_hot_ || thumb_down_flag_) && !dragging_) {
    thumb_hot_ = false;
    thumb_down_flag_ = false;
    RedrawThumb();
  }
}

LRESULT TSkinTrackBar::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_KEYDOWN: {
      const LRESULT r = TCustomControl::WndProc(msg, wparam, lparam);
      SafeCall([&] { core_.KeyDown(static_cast<int>(wparam), GetKeyState(VK_SHIFT) < 0); });
      return r;
    }
    case WM_MOUSEWHEEL:
      SafeCall([&] { core_.Wheel(GET_WHEEL_DELTA_WPARAM(wparam)); });
      return 0;  // always handled
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
    default:
      break;
  }
  return TCustomControl::WndProc(msg, wparam, lparam);
}
