#include "controls/skin_trackbar_win.h"

#include "ui/application_win.h"

namespace {
constexpr UINT_PTR kRepeatTimerId = 1;
}

TSkinTrackBar::TSkinTrackBar(TComponent* owner) : TCustomControl(owner) {
  core_.LoadBounds(0, 10, 0);
  core_.invalidate = [this](const TrackRect& r) {
    if (!HandleAllocated()) return;
    RECT rect{r.left, r.top, r.right, r.bottom};
    InvalidateRect(Handle(), &rect, TRUE);
  };
  core_.on_change = [this] { FireEvent(OnChange, this); };
  thumb_.OnChange = [this] { ApplyThumbSize(); Invalidate(); };
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

void TSkinTrackBar::BoundsChanged(const RECT& old_bounds) {
  TCustomControl::BoundsChanged(old_bounds);
  core_.SetClientSize(Width(), Height());
}

void TSkinTrackBar::EraseBackground(HDC) {
  // Transparent: the paint asks the parent for everything under the control.
}

void TSkinTrackBar::PaintWindow(HDC dc) {
  if (TWinControl* parent = Parent()) parent->PaintBackgroundInto(dc, this);
  DrawThumb(dc);
}

void TSkinTrackBar::DrawThumb(HDC dc) {
  if (core_.ThumbSize() < 1) return;
  const TGdiPlusPicture* picture = &thumb_;
  if (thumb_down_flag_ && !thumb_down_picture_.Empty()) {
    picture = &thumb_down_picture_;
  } else if (thumb_hot_ && !thumb_hot_picture_.Empty()) {
    picture = &thumb_hot_picture_;
  }
  const TrackRect r = core_.ThumbRect();
  picture->Draw(dc, r.left, r.top);
}

void TSkinTrackBar::RedrawThumb() {
  if (!HandleAllocated()) return;
  // Hot and pressed changes redraw only the thumb, straight onto the surface,
  // with what lies under it first (the pictures may differ in shape).
  const TrackRect r = core_.ThumbRect();
  RECT rect{r.left, r.top, r.right, r.bottom};
  InvalidateRect(Handle(), &rect, TRUE);
  UpdateWindow(Handle());
}

void TSkinTrackBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (!Focused()) SetFocus();
  if (button != mbLeft) return;
  if (PointInRect(core_.ThumbRect(), x, y)) {
    dragging_ = true;
    thumb_down_flag_ = true;
    RedrawThumb();
  } else if (PointInRect(core_.SteppingArea(), x, y)) {
    stepping_ = true;
    press_ = {x, y};
    core_.StepToward(x);
    if (HandleAllocated()) {
      SetTimer(Handle(), kRepeatTimerId, kInitRepeatPause, nullptr);
      repeat_running_ = true;
    }
  }
}

void TSkinTrackBar::RepeatTick() {
  if (HandleAllocated() && repeat_running_) SetTimer(Handle(), kRepeatTimerId, kRepeatPause, nullptr);
  if (!HandleAllocated() || GetCapture() != Handle()) return;  // keeps running until release
  if (stepping_) {
    core_.StepToward(press_.x);
  } else {
    StopRepeat();
  }
}

void TSkinTrackBar::StopRepeat() {
  if (repeat_running_ && HandleAllocated()) KillTimer(Handle(), kRepeatTimerId);
  repeat_running_ = false;
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

void TSkinTrackBar::KeyDown(WPARAM key) {
  if (GetKeyState(VK_SHIFT) < 0) return;
  const int pos = core_.Position();
  switch (key) {
    case VK_PRIOR: core_.SetPosition(pos + core_.PageSize()); break;
    case VK_NEXT: core_.SetPosition(pos - core_.PageSize()); break;
    case VK_END: core_.SetPosition(core_.Max()); break;
    case VK_HOME: core_.SetPosition(core_.Min()); break;
    case VK_LEFT:
    case VK_DOWN:
      if (pos > core_.Min()) core_.SetPosition(pos - 1);
      break;
    case VK_UP:
    case VK_RIGHT:
      if (pos < core_.Max()) core_.SetPosition(pos + 1);
      break;
    default: break;
  }
}

void TSkinTrackBar::HandleDestroyed() {
  repeat_running_ = false;  // the window's timers went with it
  TCustomControl::HandleDestroyed();
}

LRESULT TSkinTrackBar::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_KEYDOWN: {
      const LRESULT r = TCustomControl::WndProc(msg, wparam, lparam);
      SafeCall([&] { KeyDown(wparam); });
      return r;
    }
    case WM_MOUSEWHEEL: {
      const int pos = core_.Position();
      const short delta = GET_WHEEL_DELTA_WPARAM(wparam);
      SafeCall([&] {
        if (delta < 0 && pos > core_.Min()) core_.SetPosition(pos - 1);
        if (delta > 0 && pos < core_.Max()) core_.SetPosition(pos + 1);
      });
      return 0;  // always handled
    }
    case WM_TIMER:
      if (wparam == kRepeatTimerId) {
        SafeCall([&] { RepeatTick(); });
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
      Invalidate();
      break;
    default:
      break;
  }
  return TCustomControl::WndProc(msg, wparam, lparam);
}
