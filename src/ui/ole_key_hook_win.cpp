// The process-wide key hook and the list of live hosted controls: key
// messages for a hosted control reach it before they are translated.
#include <algorithm>
#include <vector>

#include "ui/application_win.h"
#include "ui/ole_internal_win.h"
#include "ui/ole_site_win.h"

namespace {
// Every live TOleControl, for the keyboard hook. Window thread only.
std::vector<TOleControl*>& LiveControls() {
  static std::vector<TOleControl*> controls;
  return controls;
}

HHOOK g_message_hook = nullptr;

// Key messages for a hosted control go to it before they are translated and
// dispatched: the in-place active object's accelerators (Tab in a page, the
// document's own shortcuts) work only this way. A message hook rather than
// the message loop, so modal loops (menus, message boxes) are covered too.
LRESULT CALLBACK GetMessageHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && wparam == PM_REMOVE) {
    MSG* msg = reinterpret_cast<MSG*>(lparam);
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && msg->hwnd) {
      for (TOleControl* control : std::vector<TOleControl*>(LiveControls())) {
        if (!control->HandleAllocated()) continue;
        HWND h = control->Handle();
        if (msg->hwnd != h && !::IsChild(h, msg->hwnd)) continue;
        bool handled = false;
        SafeCall([&] { handled = control->PreTranslateKey(*msg); });
        if (handled) msg->message = WM_NULL;
        break;
      }
    }
  }
  return ::CallNextHookEx(g_message_hook, code, wparam, lparam);
}

}  // namespace

void RegisterLiveControl(TOleControl* control) {
  LiveControls().push_back(control);
  if (!g_message_hook) {
    g_message_hook = ::SetWindowsHookExW(WH_GETMESSAGE, &GetMessageHook, nullptr,
                                         ::GetCurrentThreadId());
  }
}

void UnregisterLiveControl(TOleControl* control) {
  auto& v = LiveControls();
  v.erase(std::remove(v.begin(), v.end(), control), v.end());
  if (v.empty() && g_message_hook) {
    ::UnhookWindowsHookEx(g_message_hook);
    g_message_hook = nullptr;
  }
}
