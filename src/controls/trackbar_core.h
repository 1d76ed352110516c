// The volume slider's value rules and geometry, apart from the platform
// (portable). TSkinTrackBar wires the hooks to InvalidateRect and OnChange.
//
// Horizontal orientation only, as the window uses it: the slider line is hidden
// and there are no tick marks, so the thumb sits on the track's top edge.
// Key, wheel and press rules are here too; the control only translates
// messages into these calls.
#pragma once

#include <functional>

struct TrackRect {
  int left;  // client pixels; right and bottom exclusive
  int top;
  int right;
  int bottom;
  bool operator==(const TrackRect&) const = default;
};

enum class ThumbPointer { kLeft, kCenter, kRight };

// What a left press beside the thumb does: step toward the pointer, or move
// the thumb to it at once.
enum class MoveOnClick { kStep, kMove };

// What a left press at a point starts.
enum class PressAction {
  kNone,  // outside the thumb and the stepping area: nothing
  kDrag,  // on the thumb: dragging
  kStep,  // beside the thumb: click-stepping with auto-repeat
  kMove,  // beside the thumb with MoveOnClick kMove: Position := value at the pointer
};

// The keys the slider answers, numbered as the platform's virtual keys.
inline constexpr int kKeyPageUp = 33, kKeyPageDown = 34, kKeyEnd = 35, kKeyHome = 36,
                     kKeyLeft = 37, kKeyUp = 38, kKeyRight = 39, kKeyDown = 40;

class TrackBarCore {
 public:
  static constexpr int kBorderAndMargin = 3;  // 1 pixel border + 2 pixels margin
  static constexpr int kSliderOffset = 10;    // track top below the inner rectangle's top

  // Called with the rectangle to repaint (old and new thumb, grown by 1).
  std::function<void(const TrackRect&)> invalidate;
  // Called after every accepted change of Position, even when clamping kept it.
  std::function<void()> on_change;

  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  int PageSize() const { return page_size_; }
  int ThumbWidth() const { return thumb_width_; }
  int ThumbSize() const { return thumb_size_; }

  // Position: equal value does nothing; otherwise clamp, invalidate the old
  // and new thumb, store, then OnChange.
  void SetPosition(int value);
  // Bounds: stored first; a Position outside goes through SetPosition. The
  // caller repaints the whole control after.
  void SetMin(int value);
  void SetMax(int value);
  void SetPageSize(int value) { page_size_ = value; }
  // Loading a stored value without any notification (as the form loads).
  void LoadBounds(int min, int max, int position);

  // Thumb picture size rule: with a picture present, Width := picture width and
  // Size := picture height; the setters have no effect then.
  void SetThumbPicture(int picture_width, int picture_height);
  void ClearThumbPicture() { has_picture_ = false; }
  void SetThumbWidth(int value) { if (!has_picture_) thumb_width_ = value; }
  void SetThumbSize(int value) { if (!has_picture_) thumb_size_ = value; }
  void SetThumbPointer(ThumbPointer pointer) { pointer_ = pointer; }
  void SetMoveOnClick(MoveOnClick mode) { move_on_click_ = mode; }

  void SetClientSize(int width, int height) { width_ = width; height_ = height; }

  TrackRect InnerRect() const;
  TrackRect TrackRectangle() const;
  TrackRect ThumbRectFor(int position) const;
  TrackRect ThumbRect() const { return ThumbRectFor(position_); }
  int PointerOffset() const;
  // The value whose thumb marks pointer x, halves to even, clamped.
  int ValueFromX(int x) const;
  // The stepping area: the track rectangle grown by 4 on every side.
  TrackRect SteppingArea() const;
  // One click-step toward press x: returns false when the thumb is already
  // within one unit of the press point (no step made).
  bool StepToward(int press_x);

  // A left press at (x, y): what it starts (the caller then drags, steps or
  // sets ValueFromX(x)).
  PressAction PressAt(int x, int y) const;
  // A key press, after the ordinary key handling: Page Up/Down step by
  // PageSize, Home/End go to Min/Max, the arrows step by 1 while inside the
  // bounds. Every key is ignored while Shift is held.
  void KeyDown(int key, bool shift);
  // A wheel turn (delta < 0: down): Position - 1 above Min, + 1 below Max.
  void Wheel(int delta);

 private:
  int min_ = 0;
  int max_ = 10;
  int position_ = 0;
  int page_size_ = 1;
  int thumb_width_ = 10;
  int thumb_size_ = 15;
  bool has_picture_ = false;
  ThumbPointer pointer_ = ThumbPointer::kCenter;
  MoveOnClick move_on_click_ = MoveOnClick::kStep;
  int width_ = 0;
  int height_ = 0;
};

bool PointInRect(const TrackRect& r, int x, int y);
TrackRect UnionRect(const TrackRect& a, const TrackRect& b);
TrackRect Inflate(const TrackRect& r, int by);
