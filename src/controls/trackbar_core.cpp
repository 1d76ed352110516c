#include "controls/trackbar_core.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/rounding.h"

bool PointInRect(const TrackRect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

TrackRect UnionRect(const TrackRect& a, const TrackRect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

TrackRect Inflate(const TrackRect& r, int by) {
  return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

void TrackBarCore::SetPosition(int value) {
  if (value == position_) return;
  value = std::clamp(value, min_, std::max(min_, max_));
  const TrackRect old_thumb = ThumbRectFor(position_);
  position_ = value;
  const TrackRect new_thumb = ThumbRectFor(position_);
  if (invalidate) invalidate(UnionRect(Inflate(old_thumb, 1), Inflate(new_thumb, 1)));
  if (on_change) on_change();
}

void TrackBarCore::SetMin(int value) {
  min_ = value;
  if (position_ < min_) SetPosition(min_);
}

void TrackBarCore::SetMax(int value) {
  max_ = value;
  if (position_ > max_) SetPosition(max_);
}

void TrackBarCore::LoadBounds(int min, int max, int position) {
  min_ = min;
  max_ = max;
  position_ = position;
}

void TrackBarCore::SetThumbPicture(int picture_width, int picture_height) {
  if (picture_width <= 0 || picture_height <= 0) {
    has_picture_ = false;
    return;
  }
  has_picture_ = true;
  thumb_width_ = picture_width;
  thumb_size_ = picture_height;
}

TrackRect TrackBarCore::InnerRect() const {
  return {kBorderAndMargin, kBorderAndMargin, width_ - kBorderAndMargin, height_ - kBorderAndMargin};
}

TrackRect TrackBarCore::TrackRectangle() const {
  TrackRect r = InnerRect();
  r.top += kSliderOffset;
  return r;
}

TrackRect TrackBarCore::ThumbRectFor(int position) const {
  const TrackRect track = TrackRectangle();
  const int travel = (track.right - track.left) - thumb_width_;
  // Integer division truncating toward zero, as the rule says.
  const int offset = max_ == min_ ? 0 : (position - min_) * travel / (max_ - min_);
  const int left = track.left + offset;
  return {left, track.top, left + thumb_width_, track.top + thumb_size_};
}

int TrackBarCore::PointerOffset() const {
  if (thumb_width_ <= 0) return 0;
  switch (pointer_) {
    case ThumbPointer::kLeft: return 0;
    case ThumbPointer::kCenter: return thumb_width_ / 2;
    case ThumbPointer::kRight: return thumb_width_;
  }
  return 0;
}

int TrackBarCore::ValueFromX(int x) const {
  const TrackRect track = TrackRectangle();
  const int travel = (track.right - track.left) - thumb_width_;
  if (travel <= 0) return min_;
  const double value =
      static_cast<double>(x - track.left - PointerOffset()) / travel * (max_ - min_) + min_;
  return std::clamp(RoundHalfEven(value), min_, std::max(min_, max_));
}

TrackRect TrackBarCore::SteppingArea() const { return Inflate(TrackRectangle(), 4); }

bool TrackBarCore::StepToward(int press_x) {
  const TrackRect track = TrackRectangle();
  const int travel = (track.right - track.left) - thumb_width_;
  const double scale = max_ == min_ ? 0.0 : static_cast<double>(travel) / (max_ - min_);
  const int t = RoundHalfEven((position_ - min_) * scale) + track.left;
  int reference;
  int target;
  if (t > press_x) {
    reference = press_x - PointerOffset();
    target = position_ - page_size_;
  } else {
    reference = press_x;
    target = position_ + page_size_;
  }
  if (std::abs(reference - t) < scale) return false;
  SetPosition(target);
  return true;
}

PressAction TrackBarCore::PressAt(int x, int y) const {
  if (PointInRect(ThumbRect(), x, y)) return PressAction::kDrag;
  if (move_on_click_ == MoveOnClick::kMove) return PressAction::kMove;
  if (PointInRect(SteppingArea(), x, y)) return PressAction::kStep;
  return PressAction::kNone;
}

void TrackBarCore::KeyDown(int key, bool shift) {
  if (shift) return;
  const int pos = position_;
  switch (key) {
    case kKeyPageUp: SetPosition(pos + page_size_); break;
    case kKeyPageDown: SetPosition(pos - page_size_); break;
    case kKeyEnd: SetPosition(max_); break;
    case kKeyHome: SetPosition(min_); break;
    case kKeyLeft:
    case kKeyDown:
      if (pos > min_) SetPosition(pos - 1);
      break;
    case kKeyUp:
    case kKeyRight:
      if (pos < max_) SetPosition(pos + 1);
      break;
    default: break;
  }
}

void TrackBarCore::Wheel(int delta) {
  if (delta < 0 && position_ > min_) SetPosition(position_ - 1);
  if (delta > 0 && position_ < max_) SetPosition(position_ + 1);
}
