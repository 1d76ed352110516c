// THostedBrowser's ties into the program's windows: dialog supervision on its
// owner window, focus tracking of the browser's inner windows, and the focus
// restoration that the per-process hook triggers.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "browser/browser_module_win.h"
#include "browser/host_rules.h"
#include "browser/hosted_browser_win.h"
#include "ui/application_win.h"
#include "ui/own_message_box_win.h"
#include "base/cp1251_win.h"

namespace {

constexpr UINT kDialogChar = 0xB006;  // the framework's mnemonic dispatch

// The one browser whose owner window is supervised (one per process).
THostedBrowser* g_supervisor = nullptr;

// A subclassed browser window. `browser` is null once the browser let go
// while someone else's procedure sat above ours: the window then only
// passes its messages on until it goes.
struct Tracked {
  HWND window;
  THostedBrowser* browser;
  WNDPROC previous;
  bool list_view;
};
std::vector<Tracked>& TrackedWindows() {
  static std::vector<Tracked> windows;
  return windows;
}

Tracked* FindTracked(HWND w) {
  for (Tracked& t : TrackedWindows()) {
    if (t.window == w) return &t;
  }
  return nullptr;
}

std::wstring ClassOf(HWND w) {
  wchar_t name[64];
  const int n = ::GetClassNameW(w, name, 64);
  return std::wstring(name, n > 0 ? n : 0);
}

std::wstring TextOf(HWND w) {
  const int n = ::GetWindowTextLengthW(w);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const int got = ::GetWindowTextW(w, text.data(), n + 1);
  text.resize(got > 0 ? got : 0);
  return text;
}

HICON ApplicationSmallIcon() {
  HWND app = Application.Handle();
  if (!app) return nullptr;
  for (WPARAM kind : {static_cast<WPARAM>(ICON_SMALL), static_cast<WPARAM>(ICON_BIG)}) {
    if (auto icon = reinterpret_cast<HICON>(::SendMessageW(app, WM_GETICON, kind, 0))) return icon;
  }
  return reinterpret_cast<HICON>(::GetClassLongPtrW(app, GCLP_HICONSM));
}

}  // namespace

LRESULT CALLBACK TrackedWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Tracked* t = FindTracked(hwnd);
  if (!t) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  const WNDPROC previous = t->previous;
  THostedBrowser* browser = t->browser;
  const bool list_view = t->list_view;
  if (!browser) {
    if (msg == WM_NCDESTROY) {
      auto& v = TrackedWindows();
      v.erase(std::remove_if(v.begin(), v.end(), [hwnd](const Tracked& x) { return x.window == hwnd; }),
              v.end());
    }
    return ::CallWindowProcW(previous, hwnd, msg, wparam, lparam);
  }
  switch (msg) {
    case WM_SETFOCUS: {
      const LRESULT result = ::CallWindowProcW(previous, hwnd, msg, wparam, lparam);
      SafeCall([&] { browser->TrackedWindowFocused(list_view); });
      return result;
    }
    case WM_KILLFOCUS:
      SafeCall([&] { browser->FocusMovedTo(reinterpret_cast<HWND>(wparam)); });
      break;
    case WM_DESTROY:
      // One of them goes: all are let go, to be tracked again on the next request.
      browser->RemoveFocusTracking();
      return ::CallWindowProcW(previous, hwnd, msg, wparam, lparam);
    default:
      break;
  }
  return ::CallWindowProcW(previous, hwnd, msg, wparam, lparam);
}

// ---- Dialog supervision ------------------------------------------------------------

bool THostedBrowser::DialogSupervisionInstalled() { return g_supervisor != nullptr; }

uint16_t THostedBrowser::DefaultControlWord() { return BrowserModuleDefaultControlWord(); }

void THostedBrowser::InstallDialogSupervision() {
  if (g_supervisor) return;
  auto* owner = dynamic_cast<TWinControl*>(Owner());
  if (!owner) return;
  g_supervisor = this;
  supervised_owner_ = owner;
  owner_previous_proc_ = owner->WindowProc;
  owner->WindowProc = [this](UINT msg, WPARAM wparam, LPARAM lparam) {
    return SuperviseOwnerMessage(msg, wparam, lparam);
  };
}

void THostedBrowser::RemoveDialogSupervision() {
  if (g_supervisor != this) return;
  supervised_owner_->WindowProc = std::move(owner_previous_proc_);
  owner_previous_proc_ = nullptr;
  supervised_owner_ = nullptr;
  g_supervisor = nullptr;
}

LRESULT THostedBrowser::SuperviseOwnerMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_ACTIVATE && LOWORD(wparam) == WA_INACTIVE) {
    SafeCall([&] { SuperviseDialog(reinterpret_cast<HWND>(lparam)); });
  } else if (msg == kDialogChar) {
    return 0;
  }
  return owner_previous_proc_(msg, wparam, lparam);
}

void THostedBrowser::SuperviseDialog(HWND dialog) {
  if (!dialog || !::IsWindow(dialog)) return;
  // The window named may be another program's: never touch it.
  DWORD process = 0;
  ::GetWindowThreadProcessId(dialog, &process);
  if (process != ::GetCurrentProcessId()) return;
  if (!IsSupervisedDialogClass(FromWide(ClassOf(dialog)))) return;
  // The program's own boxes ("Не могу проиграть поток", start-up and error
  // boxes) must be seen: at most their icon changes.
  const bool own = IsOwnMessageBox(dialog);
  if (dialog_boxes_.DisableAll && !own) ::SendMessageW(dialog, WM_CLOSE, 0, 0);
  if (!::IsWindow(dialog)) return;
  if (dialog_boxes_.ReplaceIcon) {
    if (HICON icon = ApplicationSmallIcon()) {
      ::SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
  }
  if (own || !::IsWindow(dialog)) return;
  std::string caption = FromWide(TextOf(dialog));
  if (dialog_boxes_.ReplaceCaption) {
    const std::string replaced = ReplaceDialogCaption(caption, dialog_boxes_.NewCaption);
    // Unchanged captions are left untouched (a caption outside CP1251 keeps its letters).
    if (replaced != caption) {
      ::SetWindowTextW(dialog, ToWide(replaced).c_str());
      caption = replaced;
    }
  }
  const auto ex_style = static_cast<int32_t>(::GetWindowLongW(dialog, GWL_EXSTYLE));
  switch (DecideDialogAction(disable_errors_.ScriptErrorsSuppressed, caption, ex_style)) {
    case DialogAction::kClickAndClose:
      ::PostMessageW(dialog, WM_LBUTTONDOWN, 0, 0);
      ::PostMessageW(dialog, WM_LBUTTONUP, 0, 0);
      ::SendMessageW(dialog, WM_CLOSE, 0, 0);
      Application.ProcessMessages();
      break;
    case DialogAction::kDestroy:
      ::DestroyWindow(dialog);  // fails for a window of another thread, which stays
      break;
    case DialogAction::kNone:
      break;
  }
}

// ---- Focus tracking ------------------------------------------------------------------

void THostedBrowser::FocusTrackingRequested() {
  if (!tracked_.empty() || !HandleAllocated()) return;
  HWND first = ::GetWindow(Handle(), GW_CHILD);
  if (!first) return;
  HWND second = ::GetWindow(first, GW_CHILD);
  HWND list_view = nullptr;
  for (HWND w = first; w; w = ::GetWindow(w, GW_CHILD)) {
    if (ClassOf(w) == L"SysListView32") {
      list_view = w;
      break;
    }
  }
  auto track = [this](HWND w, bool is_list_view) {
    if (!w || FindTracked(w)) return;
    const auto previous = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
        w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TrackedWindowProc)));
    if (!previous) return;
    TrackedWindows().push_back({w, this, previous, is_list_view});
    tracked_.push_back(w);
  };
  track(first, first == list_view);
  if (second != list_view) track(second, false);
  track(list_view, true);
}

void THostedBrowser::RemoveFocusTracking() {
  auto& all = TrackedWindows();
  for (HWND w : tracked_) {
    Tracked* t = FindTracked(w);
    if (!t || t->browser != this) continue;
    const bool ours = ::IsWindow(w) && ::GetWindowLongPtrW(w, GWLP_WNDPROC) ==
                                            reinterpret_cast<LONG_PTR>(&TrackedWindowProc);
    if (ours) {
      ::SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(t->previous));
      all.erase(all.begin() + (t - all.data()));
    } else if (::IsWindow(w)) {
      t->browser = nullptr;  // another procedure sits above ours: pass messages on
    } else {
      all.erase(all.begin() + (t - all.data()));
    }
  }
  tracked_.clear();
}

void THostedBrowser::TrackedWindowFocused(bool list_view) {
  // UI activation may focus a tracked window again.
  if (in_focus_tracking_) return;
  in_focus_tracking_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{in_focus_tracking_};
  MakeActiveControl();
  if (list_view) return;
  if (Document() && UIActivate()) MakeActiveControl();
}

// ---- Active control and focus restoration ---------------------------------------------

bool THostedBrowser::FocusInside() const {
  if (!HandleAllocated()) return false;
  HWND focus = ::GetFocus();
  HWND self = const_cast<THostedBrowser*>(this)->Handle();
  return focus && (focus == self || ::IsChild(self, focus));
}

bool THostedBrowser::CanFocus() {
  if (!HandleAllocated()) return false;
  HWND self = Handle();
  HWND form = FrameWindow();
  return ::IsWindowVisible(self) && ::IsWindowEnabled(self) && form && ::IsWindowVisible(form) &&
         ::IsWindowEnabled(form);
}

void THostedBrowser::MakeActiveControl() {
  active_control_ = true;
  if (!HandleAllocated() || FocusInside() || !CanFocus()) return;
  if (::GetActiveWindow() == FrameWindow()) ::SetFocus(Handle());
}

void THostedBrowser::FocusMovedTo(HWND window) {
  // Focus leaving the program (another application, nothing) keeps the
  // browser as the form's control; another control of the form takes over.
  if (!window || !HandleAllocated()) return;
  if (window == Handle() || ::IsChild(Handle(), window)) return;
  // The form's own window is no control (the system focuses it on activation).
  HWND form = FrameWindow();
  if (window != form && ::GetAncestor(window, GA_ROOT) == form) active_control_ = false;
}

void THostedBrowser::RestoreFocusIfActive() {
  if (!active_control_ || !HandleAllocated() || FocusInside() || !CanFocus()) return;
  HWND form = FrameWindow();
  HWND active = ::GetActiveWindow();
  if (active != form && !(active && ::IsChild(active, form))) return;
  ::PostMessageW(Handle(), kMsgRestoreFocus, 0, 0);
}
