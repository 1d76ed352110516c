#include "browser/doc_host_win.h"

#include <docobj.h>
#include <servprov.h>

#include "ui/menus_win.h"
#include "base/cp1251_win.h"

// {F38BC242-B950-11D1-8918-00C04FC2C836}
const GUID CGID_DocHostCommandHandler = {
    0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};
// {000214D0-0000-0000-C000-000000000046}
const GUID CGID_Explorer = {0x000214d0, 0x0000, 0x0000, {0xc0, 0x00, 0, 0, 0, 0, 0, 0x46}};

namespace {

constexpr DISPID kAmbientDownloadControl = -5512;
constexpr DISPID kAmbientUserAgent = -5513;
constexpr DWORD kShowScriptError = 40;  // OLECMDID_SHOWSCRIPTERROR
constexpr DWORD kExplorerWindowsReady = 39;

// The client site of the browser control, answering the document host's
// questions through its TCustomHostedBrowser. Every interface shares the
// site's one count.
class TDocHostSite final : public TOleSite {
 public:
  TDocHostSite(TCustomHostedBrowser* browser, const IID& events) : TOleSite(browser, events) {}

  HRESULT GetAmbientProperty(DISPID id, VARIANT* result) override {
    if (TCustomHostedBrowser* b = Browser(); b && b->HostAmbient(id, result)) return S_OK;
    return TOleSite::GetAmbientProperty(id, result);
  }

  TCustomHostedBrowser* Browser() const { return static_cast<TCustomHostedBrowser*>(Control()); }

 protected:
  void* QueryHostInterface(REFIID riid) override {
    void* p = nullptr;
    if (riid == __uuidof(IDocHostUIHandler) || riid == __uuidof(IDocHostUIHandler2)) {
      p = static_cast<IDocHostUIHandler2*>(&ui_handler_);
    } else if (riid == __uuidof(IDocHostShowUI)) {
      p = static_cast<IDocHostShowUI*>(&show_ui_);
    } else if (riid == IID_IOleCommandTarget) {
      p = static_cast<IOleCommandTarget*>(&command_target_);
    } else if (riid == IID_IServiceProvider) {
      p = static_cast<IServiceProvider*>(&services_);
    } else if (riid == __uuidof(IProtectFocus)) {
      p = static_cast<IProtectFocus*>(&protect_focus_);
    }
    if (p) AddRef();
    return p;
  }

 private:
  // Runs an answer of the browser; E_FAIL once the browser is gone, and no
  // exception leaves the COM method.
  template <class F>
  static HRESULT Answer(TOleSite* site, HRESULT gone, F&& f) noexcept {
    auto* b = static_cast<TCustomHostedBrowser*>(site->Control());
    if (!b) return gone;
    try {
      return f(b);
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

  class UiHandler final : public SiteForwarder<IDocHostUIHandler2> {
   public:
    using SiteForwarder::SiteForwarder;
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD id, POINT*, IUnknown*, IDispatch*) override {
      return Answer(site_, S_OK, [&](TCustomHostedBrowser* b) { return b->HostContextMenu(id); });
    }
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override {
      return Answer(site_, E_FAIL, [&](TCustomHostedBrowser* b) { return b->HostInfo(info); });
    }
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                     IOleInPlaceFrame*, IOleInPlaceUIWindow*) override {
      return S_FALSE;  // the browser shows its own
    }
    HRESULT STDMETHODCALLTYPE HideUI() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL) override {
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, const GUID*, DWORD) override {
      return Answer(site_, S_FALSE,
                    [&](TCustomHostedBrowser* b) { return b->HostTranslateAccelerator(msg); });
    }
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override {
      if (key) *key = nullptr;
      return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** out) override {
      if (out) *out = nullptr;
      return Answer(site_, E_NOTIMPL, [&](TCustomHostedBrowser* b) { return b->HostDropTarget(); });
    }
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** out) override {
      if (out) *out = nullptr;
      return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
      if (out) *out = nullptr;
      return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** out) override {
      if (out) *out = nullptr;
      return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetOverrideKeyPath(LPOLESTR* key, DWORD) override {
      if (key) *key = nullptr;
      return S_FALSE;
    }
  };

  class ShowUi final : public SiteForwarder<IDocHostShowUI> {
   public:
    using SiteForwarder::SiteForwarder;
    // The browser shows its own message boxes and help.
    HRESULT STDMETHODCALLTYPE ShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD,
                                          LRESULT*) override {
      return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) override {
      return S_FALSE;
    }
  };

  class CommandTarget final : public SiteForwarder<IOleCommandTarget> {
   public:
    using SiteForwarder::SiteForwarder;
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override {
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD command, DWORD, VARIANT*,
                                   VARIANT* out) override {
      return Answer(site_, OLECMDERR_E_NOTSUPPORTED,
                    [&](TCustomHostedBrowser* b) { return b->HostExec(group, command, out); });
    }
  };

  class Services final : public SiteForwarder<IServiceProvider> {
   public:
    using SiteForwarder::SiteForwarder;
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** out) override {
      if (!out) return E_POINTER;
      *out = nullptr;
      // Only the focus protection is offered; every other service is refused.
      if (service != __uuidof(IProtectFocus)) return E_NOINTERFACE;
      auto* self = static_cast<TDocHostSite*>(site_);
      if (riid != __uuidof(IProtectFocus) && riid != IID_IUnknown) return E_NOINTERFACE;
      self->AddRef();
      *out = static_cast<IProtectFocus*>(&self->protect_focus_);
      return S_OK;
    }
  };

  class ProtectFocus final : public SiteForwarder<IProtectFocus> {
   public:
    using SiteForwarder::SiteForwarder;
    // Focus changes the document asks for are always allowed.
    HRESULT STDMETHODCALLTYPE AllowFocusChange(WINBOOL* allow) override {
      if (!allow) return E_POINTER;
      *allow = TRUE;
      return S_OK;
    }
  };

  UiHandler ui_handler_{this};
  ShowUi show_ui_{this};
  CommandTarget command_target_{this};
  Services services_{this};
  ProtectFocus protect_focus_{this};
};

// True when a window of `class_name` lies on the first-child chain below `top`.
bool FirstChildChainHas(HWND top, const wchar_t* class_name) {
  for (HWND w = ::GetWindow(top, GW_CHILD); w; w = ::GetWindow(w, GW_CHILD)) {
    wchar_t name[64];
    if (::GetClassNameW(w, name, 64) && ::lstrcmpW(name, class_name) == 0) return true;
  }
  return false;
}

}  // namespace

TCustomHostedBrowser::TCustomHostedBrowser(TComponent* owner) : TWebBrowserWrapper(owner) {
  SetUserInterfaceOptions(OptionSet(EnablesFormsAutoComplete, EnableThemes));
  SetDownloadOptions(OptionSet(DownloadImages, DownloadVideos, DownloadBGSounds));
}

TOleSite* TCustomHostedBrowser::CreateSite() { return new TDocHostSite(this, Events()); }

void TCustomHostedBrowser::Notification(TComponent* component, TOperation operation) {
  TWebBrowserWrapper::Notification(component, operation);
  if (operation == opRemove && component == popup_menu_) popup_menu_ = nullptr;
}

void TCustomHostedBrowser::SetUserInterfaceOptions(TOptionSet options) {
  ui_options_ = options;
  host_flags_ = HostFlags(options);
  DownloadControlChanged();
}

void TCustomHostedBrowser::SetDownloadOptions(TOptionSet options) {
  download_options_ = options;
  download_flags_ = DownloadFlags(options);
  DownloadControlChanged();
}

void TCustomHostedBrowser::DownloadControlChanged() {
  // A running control re-reads the download-control ambient property.
  IWebBrowser2* browser = ControlCreated() ? Browser() : nullptr;
  if (!browser) return;
  ComPtr<IDispatch> application;
  if (FAILED(browser->get_Application(&application)) || !application) return;
  ComPtr<IOleControl> control;
  if (SUCCEEDED(application.As(&control))) (void)control->OnAmbientPropertyChange(kAmbientDownloadControl);
}

HRESULT TCustomHostedBrowser::HostInfo(DOCHOSTUIINFO* info) {
  if (!info) return E_POINTER;
  *info = DOCHOSTUIINFO{};
  info->cbSize = 20;
  info->dwFlags = host_flags_;
  info->dwDoubleClick = 0;  // DOCHOSTUIDBLCLK_DEFAULT
  return S_OK;
}

HRESULT TCustomHostedBrowser::HostContextMenu(DWORD menu_id) {
  if (!IsContextMenuDisabled(disabled_menus_, menu_id)) return E_NOTIMPL;  // the browser's own
  if (popup_menu_) {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    popup_menu_->SetPopupComponent(this);
    popup_menu_->Popup(cursor.x, cursor.y);
  }
  return S_OK;
}

HRESULT TCustomHostedBrowser::HostTranslateAccelerator(const MSG* msg) {
  if (!msg) return S_FALSE;
  const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  const bool swallow =
      SwallowCtrlShortcut(disable_ctrl_shortcuts_, msg->message, static_cast<uint32_t>(msg->wParam),
                          static_cast<uint32_t>(msg->lParam), ctrl, shift);
  return swallow ? S_OK : S_FALSE;
}

HRESULT TCustomHostedBrowser::HostExec(const GUID* group, DWORD command, VARIANT* out) {
  if (!group) return OLECMDERR_E_NOTSUPPORTED;
  if (*group == CGID_DocHostCommandHandler && command == kShowScriptError) {
    if (script_error_action_ == eaAskUser) return S_FALSE;  // the browser's own dialog
    if (out) {
      ::VariantClear(out);
      out->vt = VT_BOOL;
      out->boolVal = script_error_action_ == eaContinue ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
  }
  if (*group == CGID_Explorer && command == kExplorerWindowsReady && HandleAllocated()) {
    if (FirstChildChainHas(Handle(), L"Internet Explorer_Server") ||
        FirstChildChainHas(Handle(), L"SysListView32")) {
      FocusTrackingRequested();
    }
  }
  return OLECMDERR_E_NOTSUPPORTED;
}

HRESULT TCustomHostedBrowser::HostDropTarget() {
  // The browser keeps its own drag and drop. Registering may ask this again.
  if (!in_drop_target_ && ControlCreated()) {
    in_drop_target_ = true;
    (void)Browser()->put_RegisterAsDropTarget(VARIANT_TRUE);
    in_drop_target_ = false;
  }
  return E_NOTIMPL;
}

bool TCustomHostedBrowser::HostAmbient(DISPID id, VARIANT* result) {
  switch (id) {
    case kAmbientDownloadControl:
      result->vt = VT_I4;
      result->lVal = static_cast<LONG>(download_flags_);
      return true;
    case kAmbientUserAgent:
      if (user_agent_mode_ != uaInternal || user_agent_.empty()) return false;
      result->vt = VT_BSTR;
      result->bstrVal = ::SysAllocString(ToWide(user_agent_ + "\r\n").c_str());
      return true;
    case DISPID_AMBIENT_USERMODE:
      result->vt = VT_BOOL;
      result->boolVal = VARIANT_TRUE;
      return true;
    default:
      return false;
  }
}
