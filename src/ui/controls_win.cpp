// Components, controls, windowed controls: ownership, window life, painting
// (off-screen, and through the parent for transparent children) and mouse routing.
#include "ui/controls_win.h"

#include <windowsx.h>

#include <algorithm>
#include <set>
#include <stdexcept>

#include "ui/application_win.h"
#include "ui/stdctrls_win.h"
#include "ui/text_win.h"

namespace {

constexpr wchar_t kWindowClass[] = L"VolnarWindow";

// Registers a window class of the layer (our procedure, arrow cursor, no
// background brush: every paint draws the whole background itself).
void RegisterLayerClass(const std::wstring& name, WNDPROC proc) {
  static std::set<std::wstring> registered;
  if (registered.count(name)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name.c_str();
  if (::RegisterClassExW(&wc) || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    registered.insert(name);
  } else {
    throw std::runtime_error("Could not register the window class");
  }
}

}  // namespace

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

HCURSOR CursorHandle(TCursor cursor) {
  const wchar_t* id = IDC_ARROW;
  switch (cursor) {
    case crNone: return nullptr;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crNo: id = IDC_NO; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    default: break;
  }
  return ::LoadCursorW(nullptr, id);
}

COLORREF ColorToRGB(TColor color) {
  if (color == clNone || color == clDefault) return RGB(0, 0, 0);
  if (IsSystemColor(color)) return ::GetSysColor(static_cast<int>(color & 0xFF));
  return color & 0x00FFFFFF;
}

// ---- TComponent -------------------------------------------------------------

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  destroying_ = true;
  while (!components_.empty()) components_.back()->Free();  // each leaves the list
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Free() {
  if (destroying_) return;
  destroying_ = true;
  BeforeDestruction();
  delete this;
}

void TComponent::BeforeDestruction() {
  // Owned components go while this one is still whole: their destructors may
  // still use it (a component that subclassed its owner's window puts the old
  // procedure back).
  while (!components_.empty()) components_.back()->Free();
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (c->name_ == name) return c;
  }
  return nullptr;
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::InsertComponent(TComponent* c) {
  c->owner_ = this;
  components_.push_back(c);
}

void TComponent::RemoveComponent(TComponent* c) {
  components_.erase(std::remove(components_.begin(), components_.end(), c), components_.end());
  c->owner_ = nullptr;
  Notification(c, opRemove);
  const std::vector<TComponent*> others = components_;
  for (TComponent* o : others) o->Notification(c, opRemove);
}

// ---- TFont ------------------------------------------------------------------

TFont::TFont() = default;

TFont::TFont(const TFont& o)
    : name_(o.name_), height_(o.height_), color_(o.color_), style_(o.style_),
      charset_(o.charset_) {}

TFont& TFont::operator=(const TFont& o) {
  if (this == &o) return *this;
  name_ = o.name_;
  height_ = o.height_;
  color_ = o.color_;
  style_ = o.style_;
  charset_ = o.charset_;
  Changed();
  return *this;
}

void TFont::SetName(std::string name) {
  if (name == name_) return;
  name_ = std::move(name);
  Changed();
}
void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}
void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}
void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}
void TFont::SetCharset(uint8_t charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

HFONT TFont::Handle() const {
  if (!handle_) {
    LOGFONTW lf{};
    lf.lfHeight = height_;
    lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (style_ & fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (style_ & fsStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = charset_;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    const std::wstring face = ToWide(name_);
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    handle_.Reset(::CreateFontIndirectW(&lf));
  }
  return handle_.Get();
}

void TFont::Changed() {
  // The old font stays alive until the owner has switched to the new one.
  UniqueGdiObj<HFONT> old = std::move(handle_);
  if (OnChange) OnChange();
}

// ---- TCanvas ----------------------------------------------------------------

TCanvas::TCanvas(HDC dc) : dc_(dc) {}

TCanvas::~TCanvas() { Deselect(); }

void TCanvas::SetHandle(HDC dc) {
  Deselect();
  dc_ = dc;
  pen_dirty_ = brush_dirty_ = true;
}

void TCanvas::Deselect() {
  if (dc_) {
    if (old_pen_) ::SelectObject(dc_, old_pen_);
    if (old_font_) ::SelectObject(dc_, old_font_);
  }
  old_pen_ = old_brush_ = old_font_ = nullptr;
  pen_dirty_ = brush_dirty_ = true;
}

void TCanvas::SetPenColor(TColor color) {
  pen_color_ = color;
  pen_dirty_ = true;
}
void TCanvas::SetPenWidth(int width) {
  pen_width_ = width;
  pen_dirty_ = true;
}
void TCanvas::SetBrushColor(TColor color) {
  brush_color_ = color;
  brush_dirty_ = true;
}

void TCanvas::UsePen() {
  if (!pen_dirty_ || !dc_) return;
  UniqueGdiObj<HPEN> pen(pen_color_ == clNone
                             ? ::CreatePen(PS_NULL, 0, 0)
                             : ::CreatePen(PS_SOLID, pen_width_, ColorToRGB(pen_color_)));
  HGDIOBJ prev = ::SelectObject(dc_, pen.Get());
  if (!old_pen_) old_pen_ = prev;
  pen_ = std::move(pen);  // the previous pen of ours is no longer selected
  pen_dirty_ = false;
}

void TCanvas::UseBrush() {
  if (!brush_dirty_) return;
  brush_.Reset(brush_color_ == clNone ? nullptr : ::CreateSolidBrush(ColorToRGB(brush_color_)));
  brush_dirty_ = false;
}

void TCanvas::SetFont(const TFont& font) {
  if (!dc_) return;
  HGDIOBJ prev = ::SelectObject(dc_, font.Handle());
  if (!old_font_) old_font_ = prev;
  ::SetTextColor(dc_, ColorToRGB(font.Color()));
}

void TCanvas::MoveTo(int x, int y) { ::MoveToEx(dc_, x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
  UsePen();
  ::LineTo(dc_, x, y);
}

void TCanvas::SetPixel(int x, int y, TColor color) { ::SetPixel(dc_, x, y, ColorToRGB(color)); }

TColor TCanvas::Pixel(int x, int y) const {
  const COLORREF c = ::GetPixel(dc_, x, y);
  return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::FillRect(const RECT& rect) {
  UseBrush();
  if (brush_) ::FillRect(dc_, &rect, brush_.Get());
}

void TCanvas::FrameRect(const RECT& rect) {
  UseBrush();
  if (brush_) ::FrameRect(dc_, &rect, brush_.Get());
}

void TCanvas::TextAt(int x, int y, std::string_view text) {
  const std::wstring w = ToWide(text);
  ::SetBkMode(dc_, TRANSPARENT);
  ::TextOutW(dc_, x, y, w.c_str(), static_cast<int>(w.size()));
}

void TCanvas::TextInRect(const RECT& rect, std::string_view text, UINT flags) {
  std::wstring w = ToWide(text);
  RECT r = rect;
  ::SetBkMode(dc_, TRANSPARENT);
  ::DrawTextW(dc_, w.data(), static_cast<int>(w.size()), &r, flags);
}

SIZE TCanvas::TextExtent(std::string_view text) {
  const std::wstring w = ToWide(text);
  SIZE s{};
  ::GetTextExtentPoint32W(dc_, w.c_str(), static_cast<int>(w.size()), &s);
  return s;
}

void TCanvas::Draw(int x, int y, HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !::GetObjectW(bitmap, sizeof(bm), &bm)) return;
  UniqueHdc mem(::CreateCompatibleDC(dc_));
  ScopedSelectObject sel(mem.Get(), bitmap);
  ::BitBlt(dc_, x, y, bm.bmWidth, bm.bmHeight, mem.Get(), 0, 0, SRCCOPY);
}

void TCanvas::StretchDraw(const RECT& dest, HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !::GetObjectW(bitmap, sizeof(bm), &bm)) return;
  UniqueHdc mem(::CreateCompatibleDC(dc_));
  ScopedSelectObject sel(mem.Get(), bitmap);
  const int old_mode = ::SetStretchBltMode(dc_, COLORONCOLOR);
  ::StretchBlt(dc_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
               mem.Get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
  ::SetStretchBltMode(dc_, old_mode);
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
  if (!parent_) {
    if (auto* w = dynamic_cast<TWinControl*>(this)) w->DestroyHandle();
    return;
  }
  parent_->InsertControl(this);
  if (!font_set_) {
    font_ = parent_->Font();  // "parent font"; marks the font as set
  }
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    if (parent_->HandleAllocated()) {
      if (w->HandleAllocated()) {
        ::SetParent(w->handle_, parent_->handle_);
      } else {
        w->CreateWnd();
      }
    } else {
      w->DestroyHandle();
    }
  } else {
    Invalidate();
  }
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const RECT old = BoundsRect();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  BoundsChanged(old);
}

void TControl::BoundsChanged(const RECT& old_bounds) {
  if (parent_ && parent_->HandleAllocated() && visible_) {
    ::InvalidateRect(parent_->handle_, &old_bounds, TRUE);
    Invalidate();
  }
}

POINT TControl::ClientToScreen(POINT p) const {
  if (auto* w = dynamic_cast<const TWinControl*>(this); w && w->HandleAllocated()) {
    ::ClientToScreen(w->handle_, &p);
    return p;
  }
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
  if (w && w->handle_ && ::GetCursorPos(&p) && ::WindowFromPoint(p) == w->handle_) {
    ::SendMessageW(w->handle_, WM_SETCURSOR, reinterpret_cast<WPARAM>(w->handle_),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  }
}

void TControl::Invalidate() {}
void TControl::Repaint() {}

void TControl::VisibleChanged() {
  if (parent_ && parent_->HandleAllocated()) {
    const RECT r = BoundsRect();
    ::InvalidateRect(parent_->handle_, &r, TRUE);
  }
}
void TControl::EnabledChanged() { Invalidate(); }
void TControl::ColorChanged() { Invalidate(); }
void TControl::FontChanged() { Invalidate(); }
void TControl::TextChanged() { Invalidate(); }

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
}

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
    RegisterLayerClass(cls, &StdWndProc);
    HWND h = ::CreateWindowExW(p.ExStyle, cls.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y,
                               p.Width, p.Height, p.WndParent, nullptr, inst, this);
    if (!h) throw std::runtime_error("Could not create the window of '" + Name() + "'");
    handle_ = h;  // also set at WM_NCCREATE
  }
  // The system puts a new child window at the bottom; later controls lie above.
  if (p.Style & WS_CHILD) ::SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  HandleCreated();
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (auto* w = dynamic_cast<TWinControl*>(c); w && !w->handle_) w->CreateWnd();
  }
}

void TWinControl::HandleCreated() {
  ::SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
}

void TWinControl::HandleDestroyed() {
  capture_control_ = nullptr;
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

TControl* TWinControl::ChildByHandle(HWND hwnd) const {
  for (TControl* c : controls_) {
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->handle_ == hwnd) return c;
  }
  return nullptr;
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
        if (capture_control_) capture_control_->clicked_ = false;
        clicked_ = false;
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
      if (auto* edit = dynamic_cast<TEdit*>(ChildByHandle(reinterpret_cast<HWND>(lparam)))) {
        return reinterpret_cast<LRESULT>(edit->CtlColor(reinterpret_cast<HDC>(wparam)));
      }
      break;
    case WM_COMMAND:
      if (HIWORD(wparam) == EN_CHANGE) {
        if (auto* edit = dynamic_cast<TEdit*>(ChildByHandle(reinterpret_cast<HWND>(lparam)))) {
          edit->EditChanged();
          return 0;
        }
      }
      break;
    case WM_WINDOWPOSCHANGED: {
      // Moves and sizes made by the system or the user: the fields follow.
      const auto* wp = reinterpret_cast<const WINDOWPOS*>(lparam);
      if (!(wp->flags & SWP_NOMOVE)) {
        left_ = wp->x;
        top_ = wp->y;
      }
      if (!(wp->flags & SWP_NOSIZE)) {
        width_ = wp->cx;
        height_ = wp->cy;
      }
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
      if (button == mbLeft) target->clicked_ = true;
      target->MouseDown(button, shift | (button == mbLeft ? ssLeft : 0), x, y);
      break;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const TMouseButton button =
          msg == WM_LBUTTONUP ? mbLeft : msg == WM_RBUTTONUP ? mbRight : mbMiddle;
      const bool click = button == mbLeft && target->clicked_ && x >= 0 && y >= 0 &&
                         x < target->Width() && y < target->Height();
      if (button == mbLeft) target->clicked_ = false;
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
