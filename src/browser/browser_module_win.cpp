#include "browser/browser_module_win.h"

#include <windows.h>

#include <algorithm>

#include "browser/host_rules.h"
#include "browser/hosted_browser_win.h"
#include "ui/application_win.h"
#include "ui/gdi_handles_win.h"

namespace {

constexpr UINT kFrameworkActivate = 0xB000;  // the framework's activation notice

std::wstring ClassOf(HWND w) {
  wchar_t name[64];
  const int n = ::GetClassNameW(w, name, 64);
  return std::wstring(name, n > 0 ? n : 0);
}

HWND BrowserWindowAround(HWND w) {
  for (; w; w = ::GetParent(w)) {
    if (ClassOf(w) == L"Shell Embedding") return w;
  }
  return nullptr;
}

HHOOK g_mouse_hook = nullptr;

// The first wheel turn over a page that does not have the focus focuses it
// and is discarded; the following turns scroll.
LRESULT CALLBACK MouseHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && wparam == WM_MOUSEWHEEL) {
    const auto* info = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lparam);
    HWND under = ::WindowFromPoint(info->pt);
    if (under && ::GetWindowThreadProcessId(under, nullptr) == ::GetCurrentThreadId()) {
      HWND browser = BrowserWindowAround(under);
      HWND focus = ::GetFocus();
      const bool in_browser = browser && focus && (focus == browser || ::IsChild(browser, focus));
      const bool on_view = in_browser && ClassOf(focus) == L"Shell DocObject View";
      if (RedirectWheelToFocus(browser != nullptr, in_browser, on_view)) {
        ::SetFocus(under);
        return 1;
      }
    }
  }
  return ::CallNextHookEx(g_mouse_hook, code, wparam, lparam);
}

struct BrowserModule {
  // Members go in reverse order: OLE last.
  ScopedOleInit ole;
  uint16_t default_control_word = Get8087CW();
  std::vector<THostedBrowser*> browsers;
  int title_hook = 0;

  BrowserModule() {
    // Re-activating the program gives the page the focus back.
    title_hook = Application.HookMainWindow([this](UINT msg, WPARAM wparam, LPARAM, LRESULT&) {
      if (msg == WM_WINDOWPOSCHANGING || msg == kFrameworkActivate ||
          (msg == WM_ACTIVATEAPP && wparam)) {
        for (THostedBrowser* b : std::vector<THostedBrowser*>(browsers)) b->RestoreFocusIfActive();
      }
      return false;
    });
    g_mouse_hook = ::SetWindowsHookExW(WH_MOUSE, &MouseHook, nullptr, ::GetCurrentThreadId());
  }
  ~BrowserModule() {
    if (g_mouse_hook) ::UnhookWindowsHookEx(g_mouse_hook);
    g_mouse_hook = nullptr;
    Application.UnhookMainWindow(title_hook);
    Set8087CW(default_control_word);
  }
};

BrowserModule& Module() {
  static BrowserModule module;
  return module;
}

}  // namespace

uint16_t Get8087CW() {
  uint16_t cw = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(cw));
  return cw;
}

void Set8087CW(uint16_t control_word) { __asm__ __volatile__("fldcw %0" : : "m"(control_word)); }

void BrowserModuleAttach(THostedBrowser* browser) { Module().browsers.push_back(browser); }

void BrowserModuleDetach(THostedBrowser* browser) {
  auto& v = Module().browsers;
  v.erase(std::remove(v.begin(), v.end(), browser), v.end());
}

const std::vector<THostedBrowser*>& LiveBrowsers() { return Module().browsers; }

uint16_t BrowserModuleDefaultControlWord() { return Module().default_control_word; }
