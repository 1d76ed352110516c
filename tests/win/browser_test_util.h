// Helpers of the catalogue browser's Windows tests: a form holding a
// THostedBrowser, the browser's inner windows, the host interfaces of its
// site, and closing popup menus and dialogs from a timer.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <exdispid.h>
#include <mshtmhst.h>

#include <string>

#include "browser/hosted_browser_win.h"
#include "resources/resource_ids.h"
#include "ui/ui_win.h"
#include "ui_test_util.h"

inline std::wstring ClassOf(HWND w) {
  wchar_t name[64] = {};
  GetClassNameW(w, name, 64);
  return name;
}

inline std::wstring TextOf(HWND w) {
  wchar_t text[256] = {};
  GetWindowTextW(w, text, 256);
  return text;
}

// The first window of `class_name` on the first-child chain below `top`.
inline HWND FindInChain(HWND top, const wchar_t* class_name) {
  for (HWND w = GetWindow(top, GW_CHILD); w; w = GetWindow(w, GW_CHILD)) {
    if (ClassOf(w) == class_name) return w;
  }
  return nullptr;
}

// A shown borderless form at a fixed place with a browser filling it.
struct BrowserForm {
  TForm* form = nullptr;
  THostedBrowser* browser = nullptr;

  explicit BrowserForm(int left = 60, int top = 60, int width = 420, int height = 320) {
    Application.Initialize();
    (void)Application.SetIconResource(IDI_VOLNAR);  // the icon dialogs are given
    form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(left, top, width, height);
    browser = new THostedBrowser(form);
    browser->SetBounds(10, 20, width - 20, height - 40);
    browser->SetParent(form);
    ShowWindow(Application.Handle(), SW_SHOWNOACTIVATE);
    form->Show();
    (void)browser->OleObject();  // the control, in place
    // The document view appears with the first navigation.
    browser->Navigate(std::string("about:blank"));
    PumpUntil([this] { return DocView() != nullptr; }, 100);
  }
  ~BrowserForm() {
    if (form) form->Free();
  }
  BrowserForm(const BrowserForm&) = delete;
  BrowserForm& operator=(const BrowserForm&) = delete;

  // Another focusable control of the form, beside the browser.
  TEdit* AddEdit() {
    auto* edit = new TEdit(form);
    edit->SetBounds(0, 0, 50, 18);
    edit->SetParent(form);
    return edit;
  }

  HWND Embedding() const { return FindInChain(browser->Handle(), L"Shell Embedding"); }
  HWND DocView() const { return FindInChain(browser->Handle(), L"Shell DocObject View"); }
};

// One of the site's interfaces, through QueryInterface.
template <class I>
ComPtr<I> SiteInterface(THostedBrowser* browser, REFIID iid) {
  ComPtr<I> p;
  if (IOleClientSite* site = browser->Site()) (void)site->QueryInterface(iid, reinterpret_cast<void**>(p.GetAddressOf()));
  return p;
}

// Sends `browser` the control's document-complete event for `url` (the
// arguments the browser's event interface carries, or only `args` of them),
// returning the sink's answer.
inline HRESULT FireDocumentComplete(THostedBrowser* browser, const std::wstring& url,
                                    UINT args = 2) {
  ComPtr<IDispatch> sink = SiteInterface<IDispatch>(browser, DIID_DWebBrowserEvents2);
  if (!sink) return E_NOINTERFACE;
  BSTR text = SysAllocString(url.c_str());
  VARIANT address;
  address.vt = VT_BSTR;
  address.bstrVal = text;
  VARIANTARG a[2];
  a[0].vt = VT_BYREF | VT_VARIANT;
  a[0].pvarVal = &address;
  a[1].vt = VT_DISPATCH;
  a[1].pdispVal = nullptr;
  DISPPARAMS params{a, nullptr, args, 0};
  const HRESULT hr = sink->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0,
                                  DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  SysFreeString(text);
  return hr;
}

// Closes the popup menu that opens next, noting where it was.
inline RECT g_closed_menu_rect;
inline int g_closed_menus = 0;
inline void CALLBACK CloseMenuWhenShown(HWND, UINT, UINT_PTR id, DWORD) {
  HWND popup = FindWindowW(L"#32768", nullptr);
  if (!popup || !IsWindowVisible(popup)) return;
  KillTimer(nullptr, id);
  GetWindowRect(popup, &g_closed_menu_rect);
  ++g_closed_menus;
  EndMenu();
}

// Sets the keyboard state of this thread: Ctrl, Shift, Alt down or up.
inline void SetModifiers(bool ctrl, bool shift, bool alt) {
  BYTE keys[256];
  GetKeyboardState(keys);
  auto set = [&](int vk, bool down) { keys[vk] = down ? 0x80 : 0; };
  set(VK_CONTROL, ctrl);
  set(VK_LCONTROL, ctrl);
  set(VK_SHIFT, shift);
  set(VK_LSHIFT, shift);
  set(VK_MENU, alt);
  set(VK_LMENU, alt);
  SetKeyboardState(keys);
}
