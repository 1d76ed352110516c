// Controls: parent link, bounds, flags, events; graphic controls painted and
// invalidated through their parent.
#include "ui/control_win.h"

#include <stdexcept>

#include "ui/application_win.h"
#include "ui/wincontrol_win.h"

TShiftState MouseShiftState(WPARAM wparam) {
  TShiftState s = 0;
  if (wparam & MK_SHIFT) s |= ssShift;
  if (wparam & MK_CONTROL) s |= ssCtrl;
  if (wparam & MK_LBUTTON) s |= ssLeft;
  if (wparam & MK_RBUTTON) s |= ssRight;
  if (wparam & MK_MBUTTON) s |= ssMiddle;
  if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

// ---- TControl ---------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {
  font_.OnChange = [this] {
    font_set_ = true;
    FontChanged();
  };
}

TControl::~TControl() {
  Application.ControlDestroyed(this);
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw std::logic_error("A control cannot be its own parent");
  if (parent_) parent_->RemoveControl(this);
  parent_ = parent;
  if (parent_) {
    parent_->InsertControl(this);
    if (!font_set_) font_ = parent_->Font();  // "parent font"; marks the font as set
  }
  ParentChanged();
}

void TControl::ParentChanged() {
  if (parent_) Invalidate();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const RECT old = BoundsRect();
  StoreBounds(left, top, width, height);
  BoundsChanged(old);
}

void TControl::StoreBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

void TControl::BoundsChanged(const RECT& old_bounds) {
  if (parent_ && parent_->HandleAllocated() && visible_) {
    ::InvalidateRect(parent_->Handle(), &old_bounds, TRUE);
    Invalidate();
  }
}

POINT TControl::ClientToScreen(POINT p) const {
  p.x += left_;
  p.y += top_;
  return parent_ ? parent_->ClientToScreen(p) : p;
}

POINT TControl::ScreenToClient(POINT p) const {
  const POINT origin = ClientToScreen(POINT{0, 0});
  return POINT{p.x - origin.x, p.y - origin.y};
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  if (!visible && Application.MouseControl() == this) Application.SetMouseControl(nullptr);
  visible_ = visible;
  VisibleChanged();
}

bool TControl::Showing() const { return visible_ && (!parent_ || parent_->Showing()); }

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  EnabledChanged();
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  ColorChanged();
}

void TControl::SetCaption(std::string text) {
  if (text == caption_) return;
  caption_ = std::move(text);
  TextChanged();
}

void TControl::SetCursor(TCursor cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  // Show the change at once when the pointer is over the window concerned.
  TWinControl* w = IsWindowed() ? static_cast<TWinControl*>(this) : parent_;
  POINT p;
  if (w && w->HandleAllocated() && ::GetCursorPos(&p) && ::WindowFromPoint(p) == w->Handle()) {
    ::SendMessageW(w->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(w->Handle()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  }
}

void TControl::Invalidate() {}
void TControl::Repaint() {}

void TControl::VisibleChanged() {
  if (parent_ && parent_->HandleAllocated()) {
    const RECT r = BoundsRect();
    ::InvalidateRect(parent_->Handle(), &r, TRUE);
  }
}
void TControl::EnabledChanged() { Invalidate(); }
void TControl::ColorChanged() { Invalidate(); }
void TControl::FontChanged() { Invalidate(); }
void TControl::TextChanged() { Invalidate(); }

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  FireEvent(OnMouseDown, this, button, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  FireEvent(OnMouseUp, this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
  FireEvent(OnMouseMove, this, shift, x, y);
}
void TControl::MouseEnter() { FireEvent(OnMouseEnter, this); }
void TControl::MouseLeave() { FireEvent(OnMouseLeave, this); }
void TControl::Click() { FireEvent(OnClick, this); }

// ---- TGraphicControl ----------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

void TGraphicControl::Invalidate() {
  TWinControl* p = Parent();
  if (p && p->HandleAllocated() && Visible()) {
    const RECT r = BoundsRect();
    ::InvalidateRect(p->Handle(), &r, TRUE);
  }
}

void TGraphicControl::Repaint() {
  Invalidate();
  if (Parent() && Parent()->HandleAllocated()) ::UpdateWindow(Parent()->Handle());
}
