// TSkinTrackBar: the volume slider. A windowed control with no track of its
// own: it shows its parent's picture under it (transparency through the
// parent) and a thumb picture on top. Position/Min/Max/OnChange, keys, wheel
// and what a press starts follow TrackBarCore (controls/trackbar_core.h).
//
// Input: thumb dragging, click-stepping toward the pointer with auto-repeat
// (400 ms, then 100 ms), the arrow/page/home/end keys (ignored with Shift),
// and the wheel. No double clicks: a quick second press is a press.
//
// Threads: window thread only.
#pragma once

#include "controls/gdiplus_picture_win.h"
#include "controls/trackbar_core.h"
#include "ui/controls_win.h"
#include "ui/timer_win.h"

class TSkinTrackBar : public TCustomControl {
 public:
  explicit TSkinTrackBar(TComponent* owner);

  int Position() const { return core_.Position(); }
  void SetPosition(int value) { core_.SetPosition(value); }
  int Min() const { return core_.Min(); }
  int Max() const { return core_.Max(); }
  void SetMin(int value);
  void SetMax(int value);
  int PageSize() const { return core_.PageSize(); }
  void SetPageSize(int value) { core_.SetPageSize(value); }
  void SetMoveOnClick(MoveOnClick mode) { core_.SetMoveOnClick(mode); }
  // Stored values as the form loads them: no OnChange.
  void LoadValues(int min, int max, int position) { core_.LoadBounds(min, max, position); }

  // Thumb pictures (normal, pointer over, pressed, disabled). The normal one
  // sets the thumb's size (ApplyThumbSize, also run when it changes).
  TGdiPlusPicture& ThumbPicture() { return thumb_; }
  TGdiPlusPicture& ThumbPictureHot() { return thumb_hot_picture_; }
  TGdiPlusPicture& ThumbPictureDown() { return thumb_down_picture_; }
  TGdiPlusPicture& ThumbPictureDisabled() { return thumb_disabled_picture_; }
  void ApplyThumbSize();
  // The thumb's colours when no picture is there: fill (top to bottom) and outline.
  void SetThumbColors(TColor color, TColor color_to, TColor border);

  // The picture the thumb shows now (nullptr: drawn from the thumb colours).
  const TGdiPlusPicture* CurrentThumbPicture() const;

  const TrackBarCore& Core() const { return core_; }
  bool Dragging() const { return dragging_; }
  bool Stepping() const { return stepping_; }
  bool ThumbHot() const { return thumb_hot_; }
  bool ThumbDown() const { return thumb_down_flag_; }
  // The repeat timer (nullptr until the first stepping press).
  const TTimer* RepeatTimer() const { return repeat_timer_; }

  TNotifyEvent OnChange;

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseLeave() override;

  // Repeat timer tick (also called by tests).
  void RepeatTick();

  static constexpr unsigned kInitRepeatPause = 400;  // ms before the first repeat
  static constexpr unsigned kRepeatPause = 100;      // ms between later repeats

 protected:
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;
  void EraseBackground(HDC dc) override;
  void PaintWindow(HDC dc) override;
  void BoundsChanged(const RECT& old_bounds) override;
  void EnabledChanged() override;

 private:
  void DrawThumb(HDC dc);
  void RedrawThumb();  // at once, onto the control's surface
  void StopRepeat();

  TrackBarCore core_;
  TGdiPlusPicture thumb_, thumb_hot_picture_, thumb_down_picture_, thumb_disabled_picture_;
  TColor thumb_color_ = 15653832, thumb_color_to_ = 15653832, thumb_border_ = 10317632;
  bool dragging_ = false;
  bool thumb_down_flag_ = false;
  bool thumb_hot_ = false;
  bool stepping_ = false;
  POINT press_{0, 0};
  TTimer* repeat_timer_ = nullptr;  // owned; made at the first stepping press
};
