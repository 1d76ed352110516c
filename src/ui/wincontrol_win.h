// Windowed controls of the widget layer:
//
//   TWinControl        a control with a window (HWND), owned from WM_NCCREATE to
//                      WM_NCDESTROY; children; painting; the WindowProc chain
//   TCustomControl     a windowed control that paints itself through Paint(TCanvas&)
//
// Threads: window thread only (see control_win.h).
//
// A windowed control also frees the child controls it still holds.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/control_win.h"

// How a windowed control's window is made. CreateParams fills it; a control
// that wraps a system class (the edit box) names it in ClassName and is
// subclassed after creation.
struct TCreateParams {
  std::wstring ClassName;       // empty = the layer's own class
  bool SystemClass = false;     // ClassName is a system class: subclass it
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  std::wstring Caption;
};

using TWindowProc = std::function<LRESULT(UINT msg, WPARAM wparam, LPARAM lparam)>;

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;  // frees the child controls it still holds, destroys the window

  // The window, created when first asked for (its parent's first).
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  void DestroyHandle();

  bool IsWindowed() const override { return true; }
  POINT ClientToScreen(POINT p) const override;

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const { return controls_.at(index); }
  // The topmost visible non-windowed child at `p` (client coordinates), or
  // nullptr; disabled ones only when `allow_disabled`.
  TControl* ControlAtPos(POINT p, bool allow_disabled) const;

  // Every message of the window goes through WindowProc. It starts as a call
  // of WndProc; a component that needs to see the window's messages first
  // keeps the old value, installs its own and calls the old one (and puts it
  // back when it goes).
  TWindowProc WindowProc;
  // Calls WindowProc directly (no window needed).
  LRESULT Perform(UINT msg, WPARAM wparam, LPARAM lparam) { return WindowProc(msg, wparam, lparam); }

  // Painting through the parent (transparent children). Asks this control to
  // paint, into `dc` belonging to `child` (a direct child), what lies under the
  // child: the background (WM_ERASEBKGND with wParam = dc), the own surface
  // (WM_PAINT with wParam = dc) and the non-windowed children. The child's
  // origin maps to its place here; drawing is clipped to the child's size.
  void PaintBackgroundInto(HDC dc, const TControl* child);
  // Paints the visible non-windowed children, in z-order, into `dc` whose
  // logical origin is this control's client origin.
  void PaintGraphicChildren(HDC dc);

  void Invalidate() override;
  void Repaint() override;
  void SetFocus();
  bool Focused() const;
  // Enabled and showing, with a window: it can take the keyboard focus.
  bool CanFocus() const;

  // A typed accelerator character (Alt + letter) offered to this control and
  // then to its windowed children; true when one of them took it. Controls
  // with an access key in their caption override DialogChar.
  bool DispatchDialogChar(wchar_t key);

 protected:
  // The control's message handling; overrides call the base version for what
  // they do not handle. Handles: mouse routing (to graphic children, enter and
  // leave, capture, Click), WM_SETCURSOR, painting (below), notifications
  // about child windows (WM_CTLCOLOR*, WM_COMMAND) handed to that child's
  // ReflectedMessage, WM_SYSCHAR offered as a dialog character to the whole
  // window, WM_NCDESTROY.
  //
  // Painting of the layer's own windows: WM_PAINT without a DC composes
  // EraseBackground + PaintWindow + PaintGraphicChildren off-screen and copies
  // it in one transfer; WM_PAINT with wParam = DC runs PaintWindow only;
  // WM_ERASEBKGND with a DC runs EraseBackground (the system's own erase
  // during BeginPaint is skipped: the paint covers it); WM_PRINTCLIENT runs all
  // three into its DC.
  virtual LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam);
  // The default handling: DefWindowProc, or the system class's procedure.
  LRESULT DefaultHandler(UINT msg, WPARAM wparam, LPARAM lparam);

  // A notification the parent's window received about this control's window
  // (WM_CTLCOLOREDIT/STATIC, WM_COMMAND): answer it in `result` and return
  // true, or return false to leave it to the parent's default handling.
  virtual bool ReflectedMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);
  // An accelerator character for this control alone; true when taken.
  virtual bool DialogChar(wchar_t key);

  virtual void CreateParams(TCreateParams& params);
  // After the window exists: font, text, enabled state are applied. Overrides
  // call the base version.
  virtual void HandleCreated();
  // At WM_NCDESTROY, when the window is already gone.
  virtual void HandleDestroyed();
  // The window without creating it (nullptr while there is none).
  HWND WindowHandle() const { return handle_; }

  // Fills the client area with Color (nothing for clNone).
  virtual void EraseBackground(HDC dc);
  // The control's own surface above the background (nothing here).
  virtual void PaintWindow(HDC dc);

  void BeforeDestruction() override;
  void ParentChanged() override;
  void BoundsChanged(const RECT& old_bounds) override;
  void VisibleChanged() override;
  void EnabledChanged() override;
  void ColorChanged() override;
  void FontChanged() override;
  void TextChanged() override;

  // The solid brush of Color, for WM_CTLCOLOR* answers; made on demand.
  HBRUSH BackgroundBrush();

 private:
  friend class TControl;  // keeps the child list as controls join and leave
  static LRESULT CALLBACK StdWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  void CreateWnd();
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);
  LRESULT RouteMouse(UINT msg, WPARAM wparam, LPARAM lparam);
  void PaintComposed();
  TWinControl* ChildByHandle(HWND hwnd) const;

  HWND handle_ = nullptr;
  WNDPROC system_proc_ = nullptr;  // the system class's procedure when subclassed
  std::vector<TControl*> controls_;  // z-order: later = above
  TControl* capture_control_ = nullptr;  // graphic child holding the mouse
  TControl* pressed_control_ = nullptr;  // the left button went down on it: its up is a click
  bool in_own_begin_paint_ = false;
  bool tracking_leave_ = false;
  TColor brush_color_ = clNone;
  UniqueGdiObj<HBRUSH> brush_;
};

// A windowed control that paints itself: override Paint.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* owner);

 protected:
  // Paints the control's own surface (the background is already erased).
  virtual void Paint(TCanvas& canvas);
  // The canvas of the running paint (valid inside Paint only).
  TCanvas& Canvas() { return canvas_; }

  void PaintWindow(HDC dc) override;

 private:
  TCanvas canvas_;
};
