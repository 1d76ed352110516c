// The application object: title window, minimise/restore, message loop,
// error box, and the utility window that carries timers and menu commands.
#include "ui/application_win.h"

#include <algorithm>

#include "ui/forms_win.h"
#include "ui/menus_win.h"
#include "ui/own_message_box_win.h"
#include "base/cp1251_win.h"
#include "ui/timer_win.h"
#include "ui/window_class_win.h"

TApplication Application;

namespace {

constexpr wchar_t kTitleClass[] = L"VolnarApplication";
constexpr wchar_t kUtilityClass[] = L"VolnarUtility";

}  // namespace

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
  // Normally empty by now (DestroyComponents after Run). Forms still here go
  // now, while this object's members are whole.
  ErrorBoxHook = nullptr;
  DestroyComponents();
}

void TApplication::Initialize() {
  if (handle_) return;
  if (!RegisterWindowClass(kTitleClass, &TitleWndProc, ::LoadIconW(nullptr, IDI_APPLICATION))) {
    throw std::runtime_error("Could not register the application window class");
  }
  // A zero-sized popup with a caption and system menu in the middle of the
  // screen: invisible itself, it carries the taskbar button and its menu.
  const int x = ::GetSystemMetrics(SM_CXSCREEN) / 2;
  const int y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
  HWND h = ::CreateWindowExW(0, kTitleClass, ToWide(pending_title_).c_str(),
                             WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                             x, y, 0, 0, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!h) throw std::runtime_error("Could not create the application window");
  handle_ = h;
  if (HMENU menu = ::GetSystemMenu(h, FALSE)) {
    // The button's menu offers only what makes sense for a window of no size.
    ::DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    ::DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    ::DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
  }
}

void TApplication::SetTitle(std::string_view title) {
  if (!handle_) {
    pending_title_ = std::string(title);
    return;
  }
  ::SetWindowTextW(handle_, ToWide(title).c_str());
}

std::string TApplication::Title() const {
  if (!handle_) return pending_title_.substr(0, 255);
  wchar_t buf[256];
  const int n = ::GetWindowTextW(handle_, buf, 256);  // at most 255 characters
  return FromWide(std::wstring_view(buf, n > 0 ? static_cast<size_t>(n) : 0));
}

bool TApplication::SetIconResource(int resource_id) { return icons_.Replace(resource_id, handle_); }

void TApplication::RegisterForm(TForm* form) {
  if (!main_form_) main_form_ = form;
  form->AfterConstruction();
}

std::vector<TForm*> TApplication::Forms() const {
  std::vector<TForm*> forms;
  for (int i = 0; i < ComponentCount(); ++i) {
    if (auto* f = dynamic_cast<TForm*>(Components(i))) forms.push_back(f);
  }
  if (main_form_ && std::find(forms.begin(), forms.end(), main_form_) == forms.end()) {
    forms.push_back(main_form_);
  }
  return forms;
}

bool TApplication::IsMinimized() const { return handle_ && ::IsIconic(handle_); }

void TApplication::Minimize() {
  if (handle_ && !::IsIconic(handle_)) ::SendMessageW(handle_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void TApplication::Restore() {
  if (handle_ && ::IsIconic(handle_)) ::SendMessageW(handle_, WM_SYSCOMMAND, SC_RESTORE, 0);
}

void TApplication::DoMinimize() {
  if (::IsIconic(handle_)) return;
  ::ShowWindow(handle_, SW_MINIMIZE);  // WM_SIZE with SIZE_MINIMIZED reaches the hooks
  // Owned windows are not hidden with their owner everywhere; do it here.
  for (TForm* f : Forms()) {
    if (f->HandleAllocated() && ::IsWindowVisible(f->Handle())) {
      ::ShowWindow(f->Handle(), SW_HIDE);
      hidden_by_minimize_.push_back(f);
    }
  }
  FireEvent(OnMinimize, this);
}

void TApplication::DoRestore() {
  if (!::IsIconic(handle_)) return;
  ::ShowWindow(handle_, SW_RESTORE);
  const std::vector<TForm*> hidden = std::move(hidden_by_minimize_);
  hidden_by_minimize_.clear();
  for (TForm* f : hidden) {
    if (f->Visible() && f->HandleAllocated()) ::ShowWindow(f->Handle(), SW_SHOW);
  }
  if (main_form_ && main_form_->HandleAllocated() && ::IsWindowVisible(main_form_->Handle())) {
    ::SetActiveWindow(main_form_->Handle());
  }
  FireEvent(OnRestore, this);
}

int TApplication::HookMainWindow(TWindowHook hook) {
  const int id = next_hook_id_++;
  hooks_.emplace_back(id, std::move(hook));
  return id;
}

void TApplication::UnhookMainWindow(int id) {
  hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(),
                              [id](const auto& h) { return h.first == id; }),
               hooks_.end());
}

LRESULT CALLBACK TApplication::TitleWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  // Messages of the window's creation arrive before handle_ is known.
  if (Application.handle_ != hwnd) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  try {
    return Application.TitleMessage(msg, wparam, lparam);
  } catch (...) {
    Application.HandleException(std::current_exception());
    return 0;
  }
}

LRESULT TApplication::TitleMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  // Hooks first, in the order they were added; a hook removed by another
  // one meanwhile is skipped.
  const auto hooks = hooks_;
  for (const auto& [id, hook] : hooks) {
    const bool still_there = std::any_of(hooks_.begin(), hooks_.end(),
                                         [id = id](const auto& h) { return h.first == id; });
    if (!still_there) continue;
    LRESULT result = 0;
    bool handled = false;
    SafeCall([&] { handled = hook(msg, wparam, lparam, result); });
    if (handled) return result;
  }
  switch (msg) {
    case WM_SYSCOMMAND:
      switch (wparam & 0xFFF0) {
        case SC_MINIMIZE:
          DoMinimize();
          return 0;
        case SC_RESTORE:
          DoRestore();
          return 0;
        default:
          break;
      }
      break;
    case WM_CLOSE:  // "Close window" on the taskbar button
      if (main_form_) main_form_->Close();
      return 0;
    case WM_SETFOCUS:  // activated through the taskbar button: the main form takes over
      if (main_form_ && main_form_->HandleAllocated()) {
        HWND f = main_form_->Handle();
        if (::IsWindowVisible(f) && ::IsWindowEnabled(f)) ::SetFocus(f);
      }
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(handle_, msg, wparam, lparam);
}

void TApplication::Run() {
  if (main_form_) {
    if (handle_ && !::IsWindowVisible(handle_)) ::ShowWindow(handle_, SW_SHOWNOACTIVATE);
    main_form_->Show();
  }
  while (!terminated_) HandleMessage();
}

void TApplication::HandleMessage() {
  MSG m;
  const BOOL r = ::GetMessageW(&m, nullptr, 0, 0);
  if (r == 0 || r == -1) {
    terminated_ = true;
    return;
  }
  ::TranslateMessage(&m);
  ::DispatchMessageW(&m);
}

void TApplication::ProcessMessages() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  ::PostQuitMessage(0);
}

void TApplication::DestroyComponents() {
  while (ComponentCount() > 0) Components(ComponentCount() - 1)->Free();
}

std::string TApplication::ErrorBoxText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

void TApplication::HandleException(const std::exception& error) {
  if (dynamic_cast<const EAbort*>(&error)) return;
  ShowErrorBox(ErrorBoxText(error.what()));
}

void TApplication::HandleException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    HandleException(e);
  } catch (...) {
    ShowErrorBox(ErrorBoxText("Unknown error"));
  }
}

void TApplication::ShowErrorBox(const std::string& text) {
  const std::string caption = Title();
  if (ErrorBoxHook) {
    try {
      ErrorBoxHook(text, caption);
    } catch (...) {
    }
    return;
  }
  HWND owner = ::GetActiveWindow();
  if (!owner) owner = handle_;
  const std::wstring wcaption = ToWide(caption);
  OwnMessageBoxW(owner, ToWide(text).c_str(), caption.empty() ? nullptr : wcaption.c_str(),
                MB_OK | MB_ICONERROR);
}

void TApplication::SetMouseControl(TControl* control) {
  if (control == mouse_control_) return;
  TControl* old = mouse_control_;
  mouse_control_ = control;
  if (old) old->MouseLeave();
  if (control && mouse_control_ == control) control->MouseEnter();
}

void TApplication::ControlDestroyed(TControl* control) {
  if (mouse_control_ == control) mouse_control_ = nullptr;
}

void TApplication::FormDestroyed(TForm* form) {
  if (main_form_ == form) main_form_ = nullptr;
  auto drop = [form](std::vector<TForm*>& v) { v.erase(std::remove(v.begin(), v.end(), form), v.end()); };
  drop(hidden_by_minimize_);
  drop(pending_release_);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == main_form_) main_form_ = nullptr;
}

HWND TApplication::UtilityWindow() {
  if (!utility_) {
    if (!RegisterWindowClass(kUtilityClass, &UtilityWndProc)) {
      throw std::runtime_error("Could not register the utility window class");
    }
    // Top-level (not message-only): popup menus need an owner that can be
    // the foreground window.
    utility_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, kUtilityClass, L"", WS_POPUP, 0, 0, 0, 0,
                                 nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!utility_) throw std::runtime_error("Could not create the utility window");
  }
  return utility_;
}

void TApplication::QueueRelease(TForm* form) {
  if (std::find(pending_release_.begin(), pending_release_.end(), form) == pending_release_.end()) {
    pending_release_.push_back(form);
  }
  ::PostMessageW(UtilityWindow(), kMsgRelease, 0, 0);
}

LRESULT CALLBACK TApplication::UtilityWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  try {
    switch (msg) {
      case WM_TIMER:
        TTimer::Dispatch(wparam);
        return 0;
      case kMsgMenuCommand:
        if (TMenuItem* item = TMenuItem::FindByCommand(static_cast<UINT>(wparam))) item->Click();
        return 0;
      case kMsgRelease:
        while (!Application.pending_release_.empty()) {
          TForm* f = Application.pending_release_.back();
          Application.pending_release_.pop_back();
          f->Free();
        }
        return 0;
      default:
        break;
    }
  } catch (...) {
    Application.HandleException(std::current_exception());
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wparam, lparam);
}
