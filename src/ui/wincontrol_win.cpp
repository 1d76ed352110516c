// Windowed controls: window life, painting (off-screen, and through the
// parent for transparent children), mouse routing and notifications handed
// to the child windows they concern.
#include "ui/wincontrol_win.h"

#include <windowsx.h>

#include <stdexcept>

#include "ui/application_win.h"
#include "base/cp1251_win.h"
#include "ui/window_class_win.h"

namespace {

constexpr wchar_t kWindowClass[] = L"VolnarWindow";

}  // namespace

// ---- TWinControl --------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
  WindowProc = [this](UINT msg, WPARAM wparam, LPARAM lparam) {
    return WndProc(msg, wparam, lparam);
  };
}

TWinControl::~TWinControl() {
  // Messages sent while the window goes must not reach overrides or hooks of
  // parts already destroyed.
  WindowProc = [this](UINT msg, WPARAM wparam, LPARAM lparam) {
    return TWinControl::WndProc(msg, wparam, lparam);
  };
  while (!controls_.empty()) controls_.back()->Free();  // each leaves the list
  DestroyHandle();
}

void TWinControl::BeforeDestruction() {
  TControl::BeforeDestruction();
  DestroyHandle();
}

HWND TWinControl::Handle() {
  if (!handle_) CreateWnd();
  return handle_;
}

void TWinControl::ParentChanged() {
  if (!Parent() || !Parent()->HandleAllocated()) {
    DestroyHandle();
  } else if (handle_) {
    ::SetParent(handle_, Parent()->handle_);
  } else {
    CreateWnd();
  }
}

POINT TWinControl::ClientToScreen(POINT p) const {
  if (!handle_) return TControl::ClientToScreen(p);
  ::ClientToScreen(handle_, &p);
  return p;
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (Visible()) p.Style |= WS_VISIBLE;
  if (!Enabled()) p.Style |= WS_DISABLED;
  p.X = Left();
  p.Y = Top();
  p.Width = Width();
  p.Height = Height();
  if (!Parent()) throw std::logic_error("Control '" + Name() + "' has no parent window");
  p.WndParent = Parent()->Handle();
  p.Caption = ToWide(Caption());
}

void TWinControl::CreateWnd() {
  if (handle_) return;
  TCreateParams p;
  CreateParams(p);
  if (handle_) return;  // the parent's creation made ours already
  HINSTANCE inst = ::GetModuleHandleW(nullptr);
  if (p.SystemClass) {
    HWND h = ::CreateWindowExW(p.ExStyle, p.ClassName.c_str(), p.Caption.c_str(), p.Style, p.X,
                               p.Y, p.Width, p.Height, p.WndParent, nullptr, inst, nullptr);
    if (!h) throw std::runtime_error("Could not create the window of '" + Name() + "'");
    handle_ = h;
    ::SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    system_proc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StdWndProc)));
  } else {
    const std::wstring cls = p.ClassName.empty() ? kWindowClass : p.ClassName;
    if (!RegisterWindowClass(cls.c_str(), &StdWndProc)) {
      throw std::runtime_error("Could not register the window class");
    }
    HWND h = ::CreateWindowExW(p.ExStyle, cls.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y,
                               p.Width, p.Height, p.WndParent, nullptr, inst, this);
    if (!h) throw std::runtime_error("Could not create the window of '" + Name() + "'");
    handle_ = h;  // also set at WM_NCCREATE
  }
  // The system puts a new child window at the bottom; later controls lie above.
  if (p.Style & WS_CHILD) ::SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  HandleCreated();
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (c->IsWindowed()) {
      auto* w = static_cast<TWinControl*>(c);
      if (!w->handle_) w->CreateWnd();
    }
  }
}

void TWinControl::HandleCreated() {
  ::SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
}

void TWinControl::HandleDestroyed() {
  capture_control_ = nullptr;
  pressed_control_ = nullptr;
  tracking_leave_ = false;
}

void TWinControl::DestroyHandle() {
  if (handle_) ::DestroyWindow(handle_);  // WM_NCDESTROY clears handle_
  handle_ = nullptr;
}

LRESULT CALLBACK TWinControl::StdWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  TWinControl* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    if (self) {
      self->handle_ = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<TWinControl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcW(hwnd, msg, wparam, lparam);

  LRESULT result = 0;
  try {
    result = self->WindowProc(msg, wparam, lparam);
  } catch (...) {
    // Exceptions never leave a window procedure.
    Application.HandleException(std::current_exception());
    if (msg == WM_NCCREATE) result = TRUE;
  }
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    if (self->system_proc_) {
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->system_proc_));
    }
    self->handle_ = nullptr;
    self->system_proc_ = nullptr;
    self->HandleDestroyed();
  }
  return result;
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (system_proc_) return ::CallWindowProcW(system_proc_, handle_, msg, wparam, lparam);
  return ::DefWindowProcW(handle_, msg, wparam, lparam);
}

TWinControl* TWinControl::ChildByHandle(HWND hwnd) const {
  if (!hwnd) return nullptr;
  for (TControl* c : controls_) {
    if (!c->IsWindowed()) continue;
    auto* w = static_cast<TWinControl*>(c);
    if (w->handle_ == hwnd) return w;
  }
  return nullptr;
}

bool TWinControl::ReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool TWinControl::DialogChar(wchar_t) { return false; }

bool TWinControl::DispatchDialogChar(wchar_t key) {
  if (DialogChar(key)) return true;
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (c->IsWindowed() && static_cast<TWinControl*>(c)->DispatchDialogChar(key)) return true;
  }
  return false;
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->Parent()) {
    if (!c->Visible() || !c->Enabled()) return false;
  }
  return handle_ != nullptr;
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_PAINT:
      if (system_proc_) break;
      if (wparam) {
        PaintWindow(reinterpret_cast<HDC>(wparam));
      } else {
        PaintComposed();
      }
      return 0;
    case WM_ERASEBKGND:
      if (system_proc_) break;
      if (!in_own_begin_paint_) EraseBackground(reinterpret_cast<HDC>(wparam));
      return 1;
    case WM_PRINTCLIENT:
      if (system_proc_) break;
      EraseBackground(reinterpret_cast<HDC>(wparam));
      PaintWindow(reinterpret_cast<HDC>(wparam));
      PaintGraphicChildren(reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      return RouteMouse(msg, wparam, lparam);
    case WM_MOUSELEAVE: {
      tracking_leave_ = false;
      TControl* m = Application.MouseControl();
      if (m == this || (m && m->Parent() == this && !m->IsWindowed())) {
        Application.SetMouseControl(nullptr);
      }
      break;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lparam) != handle_) {
        pressed_control_ = nullptr;
        capture_control_ = nullptr;
      }
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == handle_ && LOWORD(lparam) == HTCLIENT) {
        POINT p;
        ::GetCursorPos(&p);
        ::ScreenToClient(handle_, &p);
        TCursor cursor = Cursor();
        if (TControl* c = ControlAtPos(p, false); c && c->Cursor() != crDefault) {
          cursor = c->Cursor();
        }
        if (cursor != crDefault) {
          ::SetCursor(CursorHandle(cursor));
          return TRUE;
        }
      }
      break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_COMMAND:
      if (TWinControl* child = ChildByHandle(reinterpret_cast<HWND>(lparam))) {
        LRESULT result = 0;
        if (child->ReflectedMessage(msg, wparam, lparam, result)) return result;
      }
      break;
    case WM_SYSCHAR: {
      // Alt + letter: the window's controls with that access key first.
      TWinControl* top = this;
      while (top->Parent()) top = top->Parent();
      if (top->DispatchDialogChar(static_cast<wchar_t>(wparam))) return 0;
      break;
    }
    case WM_WINDOWPOSCHANGED: {
      // Moves and sizes made by the system or the user: the fields follow.
      const auto* wp = reinterpret_cast<const WINDOWPOS*>(lparam);
      const bool move = !(wp->flags & SWP_NOMOVE), size = !(wp->flags & SWP_NOSIZE);
      StoreBounds(move ? wp->x : Left(), move ? wp->y : Top(), size ? wp->cx : Width(),
                  size ? wp->cy : Height());
      break;
    }
    default:
      break;
  }
  return DefaultHandler(msg, wparam, lparam);
}

LRESULT TWinControl::RouteMouse(UINT msg, WPARAM wparam, LPARAM lparam) {
  const POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  const TShiftState shift = MouseShiftState(wparam);

  // The control under the pointer gets enter/leave; the one holding the
  // mouse (pressed on) gets the events.
  TControl* under = ControlAtPos(p, false);
  if (!under) under = this;
  if (!tracking_leave_) {
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, handle_, 0};
    tracking_leave_ = ::TrackMouseEvent(&tme) != FALSE;
  }
  Application.SetMouseControl(under);

  TControl* target = capture_control_ ? capture_control_ : under;
  if (target->Parent() != this && target != this) target = this;  // stale capture
  const int x = target == this ? p.x : p.x - target->Left();
  const int y = target == this ? p.y : p.y - target->Top();

  switch (msg) {
    case WM_MOUSEMOVE:
      target->MouseMove(shift, x, y);
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      const TMouseButton button =
          msg == WM_LBUTTONDOWN ? mbLeft : msg == WM_RBUTTONDOWN ? mbRight : mbMiddle;
      if (!system_proc_) {
        if (target != this) capture_control_ = target;
        ::SetCapture(handle_);
      }
      if (button == mbLeft) pressed_control_ = target;
      target->MouseDown(button, shift | (button == mbLeft ? ssLeft : 0), x, y);
      break;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const TMouseButton button =
          msg == WM_LBUTTONUP ? mbLeft : msg == WM_RBUTTONUP ? mbRight : mbMiddle;
      const bool click = button == mbLeft && pressed_control_ == target && x >= 0 && y >= 0 &&
                         x < target->Width() && y < target->Height();
      if (button == mbLeft) pressed_control_ = nullptr;
      if (!system_proc_ && !(wparam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
        capture_control_ = nullptr;
        if (::GetCapture() == handle_) ::ReleaseCapture();
      }
      if (click) target->Click();
      target->MouseUp(button, shift, x, y);
      break;
    }
    default:
      break;
  }
  // The default handling too (WM_CONTEXTMENU after a right-button up, the
  // edit box's own mouse handling).
  return handle_ ? DefaultHandler(msg, wparam, lparam) : 0;
}

TControl* TWinControl::ControlAtPos(POINT p, bool allow_disabled) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (c->IsWindowed() || !c->Visible() || (!c->Enabled() && !allow_disabled)) continue;
    const RECT r = c->BoundsRect();
    if (::PtInRect(&r, p)) return c;
  }
  return nullptr;
}

void TWinControl::InsertControl(TControl* c) { controls_.push_back(c); }

void TWinControl::RemoveControl(TControl* c) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
  if (capture_control_ == c) capture_control_ = nullptr;
  if (pressed_control_ == c) pressed_control_ = nullptr;
  if (!c->IsWindowed() && handle_ && c->Visible()) {
    const RECT r = c->BoundsRect();
    ::InvalidateRect(handle_, &r, TRUE);
  }
}

void TWinControl::PaintComposed() {
  in_own_begin_paint_ = true;
  PaintScope ps(handle_);
  in_own_begin_paint_ = false;
  const RECT r = ps.Rect();
  if (::IsRectEmpty(&r)) return;
  RECT client;
  ::GetClientRect(handle_, &client);
  OffscreenSurface off(ps.Dc(), client.right, client.bottom);
  HDC dc = off ? off.Dc() : ps.Dc();
  {
    ScopedSaveDC save(dc);
    ::IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    EraseBackground(dc);
    PaintWindow(dc);
    PaintGraphicChildren(dc);
  }
  if (off) {
    ::BitBlt(ps.Dc(), r.left, r.top, r.right - r.left, r.bottom - r.top, off.Dc(), r.left, r.top,
             SRCCOPY);
  }
}

void TWinControl::EraseBackground(HDC dc) {
  if (Color() == clNone) return;
  const RECT r = ClientRect();
  ::FillRect(dc, &r, BackgroundBrush());
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintGraphicChildren(HDC dc) {
  for (TControl* c : std::vector<TControl*>(controls_)) {
    auto* g = dynamic_cast<TGraphicControl*>(c);
    if (!g || !g->Visible()) continue;
    const RECT b = g->BoundsRect();
    if (!::RectVisible(dc, &b)) continue;
    ScopedSaveDC save(dc);
    ::IntersectClipRect(dc, b.left, b.top, b.right, b.bottom);
    ::OffsetWindowOrgEx(dc, -b.left, -b.top, nullptr);
    TCanvas canvas(dc);
    g->Paint(canvas);
  }
}

void TWinControl::PaintBackgroundInto(HDC dc, const TControl* child) {
  ScopedSaveDC save(dc);
  ::IntersectClipRect(dc, 0, 0, child->Width(), child->Height());
  ::OffsetWindowOrgEx(dc, child->Left(), child->Top(), nullptr);
  HWND h = Handle();
  ::SendMessageW(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  ::SendMessageW(h, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  PaintGraphicChildren(dc);
}

HBRUSH TWinControl::BackgroundBrush() {
  if (!brush_ || brush_color_ != Color()) {
    brush_.Reset(::CreateSolidBrush(ColorToRGB(Color())));
    brush_color_ = Color();
  }
  return brush_.Get();
}

void TWinControl::Invalidate() {
  if (handle_) ::InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::Repaint() {
  if (handle_) {
    ::InvalidateRect(handle_, nullptr, TRUE);
    ::UpdateWindow(handle_);
  }
}

void TWinControl::SetFocus() { ::SetFocus(Handle()); }
bool TWinControl::Focused() const { return handle_ && ::GetFocus() == handle_; }

void TWinControl::BoundsChanged(const RECT&) {
  if (handle_) {
    ::SetWindowPos(handle_, nullptr, Left(), Top(), Width(), Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TWinControl::VisibleChanged() {
  if (handle_) ::ShowWindow(handle_, Visible() ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::EnabledChanged() {
  if (handle_) ::EnableWindow(handle_, Enabled());
  Invalidate();
}

void TWinControl::ColorChanged() { Invalidate(); }

void TWinControl::FontChanged() {
  if (handle_) {
    ::SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
  }
  Invalidate();
}

void TWinControl::TextChanged() {
  if (handle_) ::SetWindowTextW(handle_, ToWide(Caption()).c_str());
}

// ---- TCustomControl -------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

void TCustomControl::Paint(TCanvas&) {}

void TCustomControl::PaintWindow(HDC dc) {
  struct Bind {
    TCanvas& c;
    ~Bind() { c.SetHandle(nullptr); }
  } bind{canvas_};
  canvas_.SetHandle(dc);
  Paint(canvas_);
}
