// Controls of the widget layer:
//
//   TControl           a child control: parent, bounds, Visible, Enabled, Color, Font,
//                      Caption, Cursor, mouse events and Click
//   TGraphicControl    a control without a window: its parent paints it and routes
//                      the mouse to it (labels, images)
//
// The windowed ones (TWinControl, TCustomControl) are in wincontrol_win.h.
//
// Threads: every function of every class here is for the window thread only
// (the thread that called Application.Initialize). Other threads talk to a
// window only through SendMessage/PostMessage of its Handle().
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "ui/component.h"
#include "ui/graphics_win.h"

class TWinControl;

// ---- Events -------------------------------------------------------------

enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TShiftState = uint32_t;  // set of the flags below
inline constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16,
                             ssMiddle = 32, ssDouble = 64;

// X, Y: pointer position in the sender's client coordinates.
using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;

// Shift state from a mouse message's wParam (MK_ flags) plus the Alt key.
TShiftState MouseShiftState(WPARAM wparam);

// ---- Control --------------------------------------------------------------

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;  // leaves its parent

  TWinControl* Parent() const { return parent_; }
  // Moves the control into `parent`'s child list (top of its z-order) and, for
  // a windowed control whose new parent has a window, creates its window.
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  // Left/Top are in the parent's client coordinates (screen ones for forms).
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }
  RECT ClientRect() const { return RECT{0, 0, ClientWidth(), ClientHeight()}; }
  // Client coordinates of this control <-> screen.
  virtual POINT ClientToScreen(POINT p) const;
  POINT ScreenToClient(POINT p) const;

  // Visible is the control's own flag; Showing() also needs every parent visible.
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Showing() const;

  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  TColor Color() const { return color_; }
  void SetColor(TColor color);

  // The font starts as a copy of the parent's when the control is first given a
  // parent and its own font was not set before ("parent font").
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }

  // Caption and Text are the same CP1251 text (the window text of windowed controls).
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string text);
  const std::string& Text() const { return Caption(); }
  void SetText(std::string text) { SetCaption(std::move(text)); }

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);

  // Schedules a repaint of the control's area.
  virtual void Invalidate();
  // Repaints at once.
  virtual void Repaint();

  virtual bool IsWindowed() const { return false; }

  // Events. Handlers run through SafeCall: an exception shows the standard
  // error box and the rest of the handler is skipped.
  TNotifyEvent OnClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;  // the pointer came over the control
  TNotifyEvent OnMouseLeave;  // the pointer left it

  // Input entry points, called by the window that routes the mouse (the
  // control's own window, or for a graphic control its parent's). Overrides
  // call the base version to keep the events. Coordinates are client ones.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseEnter();  // the pointer entered (sent once per entry)
  virtual void MouseLeave();  // the pointer left (sent once per exit)
  virtual void Click();

 protected:
  // After the parent changed (the control is already in the new parent's list).
  virtual void ParentChanged();
  virtual void BoundsChanged(const RECT& old_bounds);
  virtual void VisibleChanged();
  virtual void EnabledChanged();
  virtual void ColorChanged();
  virtual void FontChanged();
  virtual void TextChanged();

  // A property setter's usual body: store a different value and repaint.
  template <class T>
  void ChangeAndInvalidate(T& field, T value) {
    if (field == value) return;
    field = value;
    Invalidate();
  }

  // The fields as the window system reports them, without the *Changed calls
  // (a move made by the system, a form made hidden).
  void StoreBounds(int left, int top, int width, int height);
  void StoreVisible(bool visible) { visible_ = visible; }

 private:
  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clBtnFace;
  TFont font_;
  bool font_set_ = false;  // the font was changed before a parent was set
  std::string caption_;
  TCursor cursor_ = crDefault;
};

// A control without a window: painted by its parent in z-order, with the mouse
// routed to it by its parent.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner);

  // Paints the control; the canvas origin is the control's top-left and
  // drawing is clipped to its bounds.
  virtual void Paint(TCanvas& canvas) = 0;

  void Invalidate() override;
  void Repaint() override;
};
