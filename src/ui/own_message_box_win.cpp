#include "ui/own_message_box_win.h"

#include <algorithm>
#include <vector>

#include "base/cp1251_win.h"

namespace {

// One entry per OwnMessageBoxW call on the stack (boxes may nest); the box
// window is filled in when the system creates it.
struct Pending {
  HWND box = nullptr;
};
std::vector<Pending*>& Calls() {
  static std::vector<Pending*> calls;
  return calls;
}
HHOOK g_cbt_hook = nullptr;

bool IsDialogClass(HWND w) {
  wchar_t name[16];
  return ::GetClassNameW(w, name, 16) && ::lstrcmpW(name, L"#32770") == 0;
}

// The first dialog window made after a call started is that call's box:
// MessageBoxW creates it before it handles any message.
LRESULT CALLBACK CbtHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND && !Calls().empty()) {
    Pending* innermost = Calls().back();
    HWND w = reinterpret_cast<HWND>(wparam);
    if (!innermost->box && IsDialogClass(w)) innermost->box = w;
  }
  return ::CallNextHookEx(g_cbt_hook, code, wparam, lparam);
}

}  // namespace

int OwnMessageBoxW(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  Pending call;
  Calls().push_back(&call);
  if (!g_cbt_hook) {
    g_cbt_hook = ::SetWindowsHookExW(WH_CBT, &CbtHook, nullptr, ::GetCurrentThreadId());
  }
  const int result = ::MessageBoxW(owner, text, caption, type);
  auto& calls = Calls();
  calls.erase(std::remove(calls.begin(), calls.end(), &call), calls.end());
  if (calls.empty() && g_cbt_hook) {
    ::UnhookWindowsHookEx(g_cbt_hook);
    g_cbt_hook = nullptr;
  }
  return result;
}

bool IsOwnMessageBox(HWND window) {
  if (!window) return false;
  const auto& calls = Calls();
  return std::any_of(calls.begin(), calls.end(), [window](const Pending* p) { return p->box == window; });
}

std::function<int(HWND, const std::string&, const char*, UINT)> MessageBoxHook;

int ShowMessageBox(HWND owner, const std::string& text, const char* caption, UINT type) {
  if (MessageBoxHook) return MessageBoxHook(owner, text, caption, type);
  const std::wstring wide_text = ToWide(text);
  const std::wstring wide_caption = caption ? ToWide(caption) : std::wstring();
  return OwnMessageBoxW(owner, wide_text.c_str(), caption ? wide_caption.c_str() : nullptr, type);
}
