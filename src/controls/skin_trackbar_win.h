// TSkinTrackBar: the volume slider. A windowed control with no track of its
// own: it shows its parent's picture under it (transparency through the
// parent) and a thumb picture on top. Position/Min/Max/OnChange follow the
// rules of TrackBarCore (controls/trackbar_core.h).
//
// Input: thumb dragging, click-stepping toward the pointer with auto-repeat
// (400 ms, then 100 ms), the arrow/page/home/end keys (ignored with Shift),
// and the wheel.
//
// Threads: window thread only.
#pragma once

#include "controls/gdiplus_picture_win.h"
#include "controls/trackbar_core.h"
#include "ui/controls_win.h"

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
  // Stored values as the form loads them: no OnChange.
  void LoadValues(int min, int max, int position) { core_.LoadBounds(min, max, position); }

  // Thumb pictures (normal, pointer over, pressed). Setting the normal one
  // applies the size rule: the thumb takes the picture's size.
  TGdiPlusPicture& ThumbPicture() { return thumb_; }
  TGdiPlusPicture& ThumbPictureHot() { return thumb_hot_picture_; }
  TGdiPlusPicture& ThumbPictureDown() { return thumb_down_picture_; }
  void ApplyThumbSize();

  const TrackBarCore& Core() const { return core_; }
  bool Dragging() const { return dragging_; }
  bool Stepping() const { return stepping_; }

  TNotifyEvent OnChange;

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseLeave() override;

  // Repeat timer tick (also called by tests).
  void RepeatTick();

  static constexpr UINT kInitRepeatPause = 400;  // ms before the first repeat
  static constexpr UINT kRepeatPause = 100;      // ms between later repeats

 protected:
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;
  void EraseBackground(HDC dc) override;
  void PaintWindow(HDC dc) override;
  void BoundsChanged(const RECT& old_bounds) override;
  void HandleDestroyed() override;

 private:
  void DrawThumb(HDC dc);
  void RedrawThumb();  // at once, onto the control's surface
  void StopRepeat();
  void KeyDown(WPARAM key);

  TrackBarCore core_;
  TGdiPlusPicture thumb_, thumb_hot_picture_, thumb_down_picture_;
  bool dragging_ = false;
  bool thumb_down_flag_ = false;
  bool thumb_hot_ = false;
  bool stepping_ = false;
  POINT press_{0, 0};
  bool repeat_running_ = false;
};
