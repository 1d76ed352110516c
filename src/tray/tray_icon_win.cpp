#include "tray/tray_icon_win.h"

#include <algorithm>
#include <vector>

#include "ui/application_win.h"
#include "ui/forms_win.h"
#include "ui/menus_win.h"
#include "tray/tray_tip.h"
#include "base/cp1251_win.h"
#include "ui/window_class_win.h"

namespace {

// One hidden window serves every tray icon of the process; it lives from the
// first icon to the last.
HWND g_message_window = nullptr;
int g_message_window_refs = 0;
std::vector<TTrayIcon*> g_icons;
constexpr wchar_t kMessageClass[] = L"VolnarTrayMessages";

DWORD FileVersionOf(const wchar_t* file) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file, &ignored);
  if (size == 0) return 0;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(file, 0, size, data.data())) return 0;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info) return 0;
  return info->dwFileVersionMS;  // major in the high word, minor in the low
}

}  // namespace

UINT TaskbarRestartMessage() {
  static const UINT message = [] {
    const DWORD version = FileVersionOf(L"comctl32.dll");
    return version > 262214u ? RegisterWindowMessageW(L"TaskbarCreated") : 0u;
  }();
  return message;
}

LRESULT CALLBACK TTrayIcon::MessageWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == kCallbackMessage) {
    for (TTrayIcon* icon : g_icons)
      if (icon->Identifier() == static_cast<UINT>(wparam)) return icon->OnCallback(wparam, lparam);
    return 0;
  }
  switch (msg) {
    // Destroy, close, session end queries and quit are not for this window.
    case WM_DESTROY: case WM_CLOSE: case WM_QUERYENDSESSION: case WM_QUIT:
    case WM_ENDSESSION: case WM_NCDESTROY:
      return 1;
    default:
      return DefWindowProcW(hwnd, msg, wparam, lparam);
  }
}

TTrayIcon::TTrayIcon(TComponent* owner) : TComponent(owner) {
  if (g_message_window_refs++ == 0) {
    (void)RegisterWindowClass(kMessageClass, MessageWndProc);
    g_message_window = CreateWindowExW(0, kMessageClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  message_window_ = g_message_window;
  g_icons.push_back(this);
  TaskbarRestartMessage();

  hook_id_ = Application.HookMainWindow(
      [this](UINT msg, WPARAM wparam, LPARAM lparam, LRESULT&) {
        return ApplicationHook(msg, wparam, lparam);
      });

  // Watch the main window's messages: a show by a program call brings the
  // application's window and then the main window to the front.
  form_ = dynamic_cast<TForm*>(owner);
  if (form_) {
    old_form_proc_ = form_->WindowProc;
    form_->WindowProc = [this](UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
      if (msg == WM_SHOWWINDOW && wparam == 1 && lparam == 0) {
        SetForegroundWindow(Application.Handle());
        if (form_->HandleAllocated()) SetForegroundWindow(form_->Handle());
      }
      return old_form_proc_(msg, wparam, lparam);
    };
  }
}

TTrayIcon::~TTrayIcon() {
  RemoveTrayIcon();
  Application.UnhookMainWindow(hook_id_);
  // Freeing the form frees its components while it is whole: the old
  // procedure goes back, or the form's later messages (its children's
  // parent notifications as they go) would call into this freed object.
  if (form_) form_->WindowProc = old_form_proc_;
  g_icons.erase(std::remove(g_icons.begin(), g_icons.end(), this), g_icons.end());
  if (--g_message_window_refs == 0 && g_message_window) {
    // The window answers WM_DESTROY itself, so DestroyWindow still works.
    DestroyWindow(g_message_window);
    g_message_window = nullptr;
  }
}

void TTrayIcon::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == popup_menu_) popup_menu_ = nullptr;
  if (component == form_) {
    // The main window goes first: its window procedure is no longer ours to restore.
    form_ = nullptr;
  }
}

std::wstring TTrayIcon::TipText() const {
  const std::u16string tip = TrayTipText(hint_, show_hint_);
  return std::wstring(tip.begin(), tip.end());
}

NOTIFYICONDATAW TTrayIcon::Record() const {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = message_window_;
  data.uID = Identifier();
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = icons_.small.Get();
  const std::wstring tip = TipText();
  std::copy(tip.begin(), tip.end(), data.szTip);
  return data;
}

bool TTrayIcon::AddTrayIcon() {
  icon_visible_ = true;
  NOTIFYICONDATAW data = Record();
  return Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

bool TTrayIcon::RemoveTrayIcon() {
  icon_visible_ = false;
  NOTIFYICONDATAW data = Record();
  return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

bool TTrayIcon::UpdateTrayIcon() {
  NOTIFYICONDATAW data = Record();
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void TTrayIcon::SetHint(std::string hint) {
  hint_ = std::move(hint);
  UpdateTrayIcon();
}

void TTrayIcon::SetShowHint(bool show) {
  show_hint_ = show;
  UpdateTrayIcon();
}

bool TTrayIcon::SetIconResource(int resource_id) {
  // The tray shows the small image of the pair.
  if (!icons_.Load(resource_id)) icons_ = WindowIcons{};
  UpdateTrayIcon();
  return static_cast<bool>(icons_.small);
}

void TTrayIcon::SetIconVisible(bool visible) {
  if (visible) AddTrayIcon();
  else RemoveTrayIcon();
}

void TTrayIcon::HideMainWindow() {
  TForm* main = Application.MainForm();
  if (!form_ || !main) return;
  // Only the system window goes: the form stays shown as far as the program is
  // concerned, so its return from the tray is no new show (the transport
  // states, the catalogue page and the cookies stay as they were).
  if (main->HandleAllocated()) ShowWindow(main->Handle(), SW_HIDE);
  // The taskbar button is the application's title window.
  if (IsWindowVisible(Application.Handle())) ShowWindow(Application.Handle(), SW_HIDE);
}

void TTrayIcon::HideToTray() {
  HideMainWindow();
  AddTrayIcon();  // harmless when the icon is there already
}

bool TTrayIcon::ApplicationHook(UINT msg, WPARAM wparam, LPARAM) {
  if (msg == WM_SIZE && wparam == SIZE_MINIMIZED && minimize_to_tray_) {
    SafeCall([this] { HideToTray(); });
  } else if (msg == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_RESTORE) {
    if (TForm* main = Application.MainForm()) {
      if (main->WindowState() == wsMinimized) main->SetWindowState(wsNormal);
      if (main->Visible() && main->HandleAllocated()) ShowWindow(main->Handle(), SW_SHOW);
      else main->SetVisible(true);
    }
  } else if (msg != 0 && msg == TaskbarRestartMessage() && icon_visible_) {
    AddTrayIcon();
  }
  return false;  // never consumes a message
}

void TTrayIcon::ShowTrayMenu() {
  POINT at{};
  GetCursorPos(&at);
  if (!popup_menu_) return;
  SetForegroundWindow(message_window_);
  Application.ProcessMessages();
  popup_menu_->SetPopupComponent(this);
  popup_menu_->Popup(at.x, at.y);
  if (form_ && form_->HandleAllocated()) PostMessageW(form_->Handle(), WM_NULL, 0, 0);
}

LRESULT TTrayIcon::OnCallback(WPARAM, LPARAM lparam) {
  if (!enabled_) return 0;
  switch (lparam) {
    case WM_LBUTTONDBLCLK:
      FireEvent(OnDblClick, this);
      // A default item would be clicked here; the tray menu has none.
      if (popup_menu_ && popup_menu_->AutoPopup()) {
        for (int i = 0; i < popup_menu_->Count(); ++i) {
          if (popup_menu_->Items(i)->Default()) {
            popup_menu_->Items(i)->Click();
            break;
          }
        }
      }
      break;
    case WM_RBUTTONDOWN:
      if (popup_menu_ && popup_menu_->AutoPopup()) {
        SetForegroundWindow(message_window_);
        SafeCall([this] { ShowTrayMenu(); });
      }
      break;
    default:
      break;
  }
  return 0;
}
