// Top-level forms: creation, show/hide with their events, close, region, icon.
#include "ui/forms_win.h"

#include "ui/application_win.h"
#include "base/cp1251_win.h"

namespace {

void BorderStyles(TFormBorderStyle border, DWORD& style, DWORD& ex_style) {
  switch (border) {
    case bsNone:
      style = WS_POPUP;
      ex_style = 0;
      break;
    case bsSingle:
      style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER;
      ex_style = 0;
      break;
    case bsSizeable:
      style = WS_OVERLAPPEDWINDOW;
      ex_style = 0;
      break;
    case bsDialog:
      style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
      ex_style = WS_EX_DLGMODALFRAME;
      break;
    case bsToolWindow:
      style = WS_CAPTION | WS_SYSMENU | WS_BORDER;
      ex_style = WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      style = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
      ex_style = WS_EX_TOOLWINDOW;
      break;
  }
}

}  // namespace

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  StoreVisible(false);
  StoreBounds(0, 0, 320, 240);
}

TForm::~TForm() {
  FireDestroy();  // a form deleted without Free()
  Application.FormDestroyed(this);
}

void TForm::AfterConstruction() {
  if (created_fired_) return;
  created_fired_ = true;
  FireEvent(OnCreate, this);
}

void TForm::FireDestroy() {
  if (destroy_fired_) return;
  destroy_fired_ = true;
  FireEvent(OnDestroy, this);
}

void TForm::BeforeDestruction() {
  FireDestroy();
  TWinControl::BeforeDestruction();
}

void TForm::CreateParams(TCreateParams& p) {
  BorderStyles(border_style_, p.Style, p.ExStyle);
  p.Style |= WS_CLIPCHILDREN;
  if (!Enabled()) p.Style |= WS_DISABLED;
  p.X = Left();
  p.Y = Top();
  p.Width = Width();
  p.Height = Height();
  // Owned by the title window: no taskbar button of its own.
  p.WndParent = Application.Handle();
  p.Caption = ToWide(Caption());
}

void TForm::HandleCreated() {
  TWinControl::HandleCreated();
  icons_.ApplyTo(Handle());
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == border_style_) return;
  const int cw = ClientWidth(), ch = ClientHeight();
  border_style_ = style;
  if (HWND h = WindowHandle()) {
    DWORD s, ex;
    BorderStyles(style, s, ex);
    const DWORD keep = static_cast<DWORD>(::GetWindowLongW(h, GWL_STYLE)) &
                       (WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE);
    ::SetWindowLongW(h, GWL_STYLE, static_cast<LONG>(s | WS_CLIPCHILDREN | keep));
    ::SetWindowLongW(h, GWL_EXSTYLE, static_cast<LONG>(ex));
    ::SetWindowPos(h, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  SetClientSize(cw, ch);
}

SIZE TForm::FrameExtra() const {
  DWORD s, ex;
  BorderStyles(border_style_, s, ex);
  RECT r{0, 0, 100, 100};
  ::AdjustWindowRectEx(&r, s, FALSE, ex);
  return SIZE{r.right - r.left - 100, r.bottom - r.top - 100};
}

int TForm::ClientWidth() const {
  HWND h = WindowHandle();
  if (h && !::IsIconic(h)) {
    RECT r;
    ::GetClientRect(h, &r);
    return r.right;
  }
  return Width() - FrameExtra().cx;
}

int TForm::ClientHeight() const {
  HWND h = WindowHandle();
  if (h && !::IsIconic(h)) {
    RECT r;
    ::GetClientRect(h, &r);
    return r.bottom;
  }
  return Height() - FrameExtra().cy;
}

void TForm::SetClientSize(int width, int height) {
  const SIZE extra = FrameExtra();
  SetBounds(Left(), Top(), width + extra.cx, height + extra.cy);
}

TWindowState TForm::WindowState() const {
  HWND h = WindowHandle();
  if (!h) return pending_state_;
  if (::IsIconic(h)) return wsMinimized;
  if (::IsZoomed(h)) return wsMaximized;
  return ::IsWindowVisible(h) ? wsNormal : pending_state_;
}

void TForm::SetWindowState(TWindowState state) {
  pending_state_ = state;
  HWND h = WindowHandle();
  if (!h) return;
  if (!::IsWindowVisible(h)) {
    // Hidden: change the placement without showing the window.
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    ::GetWindowPlacement(h, &wp);
    wp.showCmd = SW_HIDE;
    ::SetWindowPlacement(h, &wp);
    if (state == wsNormal && (::IsIconic(h) || ::IsZoomed(h))) {
      const LONG s = ::GetWindowLongW(h, GWL_STYLE);
      ::SetWindowLongW(h, GWL_STYLE, s & ~(WS_MINIMIZE | WS_MAXIMIZE));
      ::SetWindowPos(h, nullptr, wp.rcNormalPosition.left, wp.rcNormalPosition.top,
                     wp.rcNormalPosition.right - wp.rcNormalPosition.left,
                     wp.rcNormalPosition.bottom - wp.rcNormalPosition.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    return;
  }
  ::ShowWindow(h, state == wsMinimized   ? SW_MINIMIZE
                 : state == wsMaximized ? SW_MAXIMIZE
                                        : SW_RESTORE);
}

bool TForm::SetIconResource(int resource_id) { return icons_.Replace(resource_id, WindowHandle()); }

bool TForm::SetRegion(UniqueGdiObj<HRGN> region, bool redraw) {
  if (!::SetWindowRgn(Handle(), region.Get(), redraw)) return false;
  (void)region.Release();  // the system owns it now
  return true;
}

void TForm::SetVisible(bool visible) {
  if (visible == Visible()) return;
  if (visible) {
    HandleNeeded();
    StoreVisible(true);
    FireEvent(OnShow, this);
    HWND h = WindowHandle();
    if (!Visible() || !h) return;  // the handler hid or destroyed it
    const int cmd = pending_state_ == wsMinimized   ? SW_SHOWMINIMIZED
                    : pending_state_ == wsMaximized ? SW_SHOWMAXIMIZED
                                                    : SW_SHOWNORMAL;
    ::ShowWindow(h, cmd);
  } else {
    if (Application.MouseControl() == this) Application.SetMouseControl(nullptr);
    StoreVisible(false);
    FireEvent(OnHide, this);
    if (HWND h = WindowHandle()) ::ShowWindow(h, SW_HIDE);
  }
}

void TForm::VisibleChanged() {}  // SetVisible does the showing itself

void TForm::BringToFront() {
  HWND h = Handle();
  ::SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetForegroundWindow(h);
}

void TForm::Close() {
  TCloseAction action = caHide;
  if (!FireEvent(OnClose, this, action)) return;  // an error abandons the close
  if (action == caNone) return;
  if (Application.MainForm() == this) {
    Application.Terminate();
    return;
  }
  switch (action) {
    case caHide:
      Hide();
      break;
    case caMinimize:
      SetWindowState(wsMinimized);
      break;
    case caFree:
      Release();
      break;
    default:
      break;
  }
}

void TForm::Release() { Application.QueueRelease(this); }

void TForm::PaintWindow(HDC dc) {
  if (!OnPaint) return;
  struct Bind {
    TCanvas& c;
    ~Bind() { c.SetHandle(nullptr); }
  } bind{canvas_};
  canvas_.SetHandle(dc);
  FireEvent(OnPaint, this);
}

LRESULT TForm::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_SYSCOMMAND:
      // The main form's minimise and restore are the application's.
      if (Application.MainForm() == this && Application.Handle()) {
        if ((wparam & 0xFFF0) == SC_MINIMIZE) {
          Application.Minimize();
          return 0;
        }
        if ((wparam & 0xFFF0) == SC_RESTORE && Application.IsMinimized()) {
          Application.Restore();
          return 0;
        }
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        FireEvent(OnDeactivate, this);
      } else {
        FireEvent(OnActivate, this);
      }
      break;
    default:
      break;
  }
  return TWinControl::WndProc(msg, wparam, lparam);
}
