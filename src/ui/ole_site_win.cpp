// The generic ActiveX site and the control that hosts one.
#include "ui/ole_site_win.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <typeinfo>
#include <vector>

#include "ui/application_win.h"
#include "ui/text_win.h"

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

void Register(TOleControl* control) {
  LiveControls().push_back(control);
  if (!g_message_hook) {
    g_message_hook = ::SetWindowsHookExW(WH_GETMESSAGE, &GetMessageHook, nullptr,
                                         ::GetCurrentThreadId());
  }
}

void Unregister(TOleControl* control) {
  auto& v = LiveControls();
  v.erase(std::remove(v.begin(), v.end(), control), v.end());
  if (v.empty() && g_message_hook) {
    ::UnhookWindowsHookEx(g_message_hook);
    g_message_hook = nullptr;
  }
}

std::string ClassNameOf(const std::exception& error) {
  const char* mangled = typeid(error).name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                             std::free);
  return status == 0 && name ? name.get() : mangled;
}

BSTR MakeBstr(const std::string& cp1251) { return ::SysAllocString(ToWide(cp1251).c_str()); }

void FillException(EXCEPINFO* info, const std::string& message, const std::string& source) {
  if (!info) return;
  *info = EXCEPINFO{};
  info->wCode = 9999;
  info->bstrDescription = MakeBstr(message);
  info->bstrSource = MakeBstr(source);
}

void SetBool(VARIANT* v, bool value) {
  v->vt = VT_BOOL;
  v->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetInt(VARIANT* v, LONG value) {
  v->vt = VT_I4;
  v->lVal = value;
}

}  // namespace

// ---- Errors ---------------------------------------------------------------------

std::string OleErrorText(HRESULT hr) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n && buffer ? std::wstring(buffer, n) : std::wstring();
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                           text.back() == L'.')) {
    text.pop_back();
  }
  if (!text.empty()) return FromWide(text);
  char fallback[32];
  std::snprintf(fallback, sizeof(fallback), "OLE error %08lX", static_cast<unsigned long>(hr));
  return fallback;
}

void OleCheck(HRESULT hr) {
  if (FAILED(hr)) throw EOleError(hr, OleErrorText(hr));
}

// ---- TOleSite ---------------------------------------------------------------------

TOleSite::TOleSite(TOleControl* control, const IID& events) : control_(control), events_(events) {}

TOleSite::~TOleSite() = default;

HRESULT TOleSite::QueryInterface(REFIID riid, void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  void* p = nullptr;
  if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
    p = static_cast<IOleClientSite*>(&client_site_);
  } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) {
    p = static_cast<IOleInPlaceSite*>(&in_place_site_);
  } else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame) {
    p = static_cast<IOleInPlaceFrame*>(&frame_);
  } else if (riid == IID_IOleControlSite) {
    p = static_cast<IOleControlSite*>(&control_site_);
  } else if (riid == IID_IDispatch) {
    p = static_cast<IDispatch*>(&ambient_);
  } else if (riid == events_) {
    p = static_cast<IDispatch*>(&event_sink_);
  }
  if (p) {
    AddRef();
    *out = p;
    return S_OK;
  }
  try {
    p = QueryHostInterface(riid);
  } catch (...) {
    p = nullptr;
  }
  if (!p) return E_NOINTERFACE;
  *out = p;
  return S_OK;
}

ULONG TOleSite::AddRef() noexcept { return ++refs_; }

ULONG TOleSite::Release() noexcept {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

void* TOleSite::QueryHostInterface(REFIID) { return nullptr; }

HRESULT TOleSite::GetAmbientProperty(DISPID id, VARIANT* result) {
  TOleControl* c = control_;
  switch (id) {
    case DISPID_AMBIENT_USERMODE:
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
    case DISPID_AMBIENT_AUTOCLIP:
      SetBool(result, true);
      return S_OK;
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_DISPLAYASDEFAULT:
    case DISPID_AMBIENT_MESSAGEREFLECT:
      SetBool(result, false);
      return S_OK;
    case DISPID_AMBIENT_LOCALEID:
      SetInt(result, static_cast<LONG>(::GetUserDefaultLCID()));
      return S_OK;
    case DISPID_AMBIENT_BACKCOLOR:
      if (!c || c->Color() == clNone) break;
      SetInt(result, static_cast<LONG>(ColorToRGB(c->Color())));
      return S_OK;
    case DISPID_AMBIENT_FORECOLOR:
      if (!c) break;
      SetInt(result, static_cast<LONG>(ColorToRGB(c->Font().Color())));
      return S_OK;
    case DISPID_AMBIENT_DISPLAYNAME:
      if (!c) break;
      result->vt = VT_BSTR;
      result->bstrVal = MakeBstr(c->Name());
      return S_OK;
    default:
      break;
  }
  return DISP_E_MEMBERNOTFOUND;
}

// ---- Client site ----------------------------------------------------------------

HRESULT STDMETHODCALLTYPE TOleSite::ClientSiteImpl::SaveObject() { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TOleSite::ClientSiteImpl::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TOleSite::ClientSiteImpl::GetContainer(IOleContainer** out) {
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE TOleSite::ClientSiteImpl::ShowObject() { return S_OK; }
HRESULT STDMETHODCALLTYPE TOleSite::ClientSiteImpl::OnShowWindow(BOOL) { return S_OK; }
HRESULT STDMETHODCALLTYPE TOleSite::ClientSiteImpl::RequestNewObjectLayout() { return E_NOTIMPL; }

// ---- In-place site ---------------------------------------------------------------

HRESULT STDMETHODCALLTYPE TOleSite::InPlaceSiteImpl::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  TOleControl* c = site_->Control();
  *out = c && c->HandleAllocated() ? c->Handle() : nullptr;
  return *out ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE TOleSite::InPlaceSiteImpl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TOleSite::InPlaceSiteImpl::CanInPlaceActivate() {
  TOleControl* c = site_->Control();
  return c && c->HandleAllocated() ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE TOleSite::InPlaceSiteImpl::OnInPlaceActivate() { return S_OK; }
HRESULT STDMETHODCALLTYPE TOleSite::InPlaceSiteImpl::OnUIActivate() { return S_OK; }

HRESULT STDMETHODCALLTYPE TOleSite::InPlaceSiteImpl::GetWindowContext(IOleInPlaceFrame** frame,
                                                                  IOleInPlaceUIWindow** doc,
                                                                  LPRECT pos, LPRECT clip,
                                                                  LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
  TOleControl* c = site_->Control();
  *doc = nullptr;
  if (!c || !c->HandleAllocated()) {
    *frame = nullptr;
    return E_FAIL;
  }
  site_->frame_.AddRef();
  *frame = &site_->frame_;
  *pos = c->ClientRect();
  *clip = *pos;
  info->fMDIApp = FALSE;
  info->hwndFrame = c->FrameWindow();
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TOleSite::InPlaceSiteImpl::Scroll(SIZE) { return S_FALSE; }
HRESULT STDMETHODCALLTYPE TOleSite::InPlaceSiteImpl::OnUIDeactivate(BOOL) { return S_OK; }

HRESULT STDMETHODCALLTYPE TOleSite::InPlaceSiteImpl::OnInPlaceDeactivate() {
  if (TOleControl* c = site_->Control()) c->InPlaceDeactivated();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TOleSite::InPlaceSiteImpl::DiscardUndoState() { return S_OK; }
HRESULT STDMETHODCALLTYPE TOleSite::InPlaceSiteImpl::DeactivateAndUndo() { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TOleSite::InPlaceSiteImpl::OnPosRectChange(LPCRECT) {
  // The control stays where the layout puts it.
  if (TOleControl* c = site_->Control()) c->ControlMovedItself();
  return S_OK;
}

// ---- In-place frame --------------------------------------------------------------

HRESULT STDMETHODCALLTYPE TOleSite::InPlaceFrameImpl::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  TOleControl* c = site_->Control();
  *out = c ? c->FrameWindow() : nullptr;
  return *out ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE TOleSite::InPlaceFrameImpl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

// The frame has no tool space to give.
HRESULT STDMETHODCALLTYPE TOleSite::InPlaceFrameImpl::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
HRESULT STDMETHODCALLTYPE TOleSite::InPlaceFrameImpl::RequestBorderSpace(LPCBORDERWIDTHS) {
  return INPLACE_E_NOTOOLSPACE;
}
HRESULT STDMETHODCALLTYPE TOleSite::InPlaceFrameImpl::SetBorderSpace(LPCBORDERWIDTHS widths) {
  if (!widths) return S_OK;
  const bool none = widths->left == 0 && widths->top == 0 && widths->right == 0 && widths->bottom == 0;
  return none ? S_OK : INPLACE_E_NOTOOLSPACE;
}

HRESULT STDMETHODCALLTYPE TOleSite::InPlaceFrameImpl::SetActiveObject(IOleInPlaceActiveObject* object,
                                                                  LPCOLESTR) {
  if (TOleControl* c = site_->Control()) c->SetActiveObject(object);
  return S_OK;
}

// No menus are merged: the window has none.
HRESULT STDMETHODCALLTYPE TOleSite::InPlaceFrameImpl::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) {
  if (widths) {
    widths->width[0] = 0;
    widths->width[2] = 0;
    widths->width[4] = 0;
  }
  return S_OK;
}
HRESULT STDMETHODCALLTYPE TOleSite::InPlaceFrameImpl::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
HRESULT STDMETHODCALLTYPE TOleSite::InPlaceFrameImpl::RemoveMenus(HMENU) { return S_OK; }
HRESULT STDMETHODCALLTYPE TOleSite::InPlaceFrameImpl::SetStatusText(LPCOLESTR) { return S_OK; }
HRESULT STDMETHODCALLTYPE TOleSite::InPlaceFrameImpl::EnableModeless(BOOL) { return S_OK; }
HRESULT STDMETHODCALLTYPE TOleSite::InPlaceFrameImpl::TranslateAccelerator(LPMSG, WORD) {
  return S_FALSE;
}

// ---- Control site ----------------------------------------------------------------

HRESULT STDMETHODCALLTYPE TOleSite::ControlSiteImpl::OnControlInfoChanged() { return S_OK; }
HRESULT STDMETHODCALLTYPE TOleSite::ControlSiteImpl::LockInPlaceActive(BOOL) { return S_OK; }
HRESULT STDMETHODCALLTYPE TOleSite::ControlSiteImpl::GetExtendedControl(IDispatch** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE TOleSite::ControlSiteImpl::TransformCoords(POINTL*, POINTF*, DWORD) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE TOleSite::ControlSiteImpl::TranslateAccelerator(MSG*, DWORD) {
  return S_FALSE;
}
HRESULT STDMETHODCALLTYPE TOleSite::ControlSiteImpl::OnFocus(BOOL got_focus) {
  if (TOleControl* c = site_->Control()) SafeCall([&] { c->ControlFocusChanged(got_focus != FALSE); });
  return S_OK;
}
HRESULT STDMETHODCALLTYPE TOleSite::ControlSiteImpl::ShowPropertyFrame() { return E_NOTIMPL; }

// ---- Dispatch objects without type information ----------------------------------

HRESULT STDMETHODCALLTYPE TOleSite::InvokeOnly::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TOleSite::InvokeOnly::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TOleSite::InvokeOnly::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                                              DISPID*) {
  return E_NOTIMPL;
}

// ---- Ambient properties ------------------------------------------------------------

HRESULT STDMETHODCALLTYPE TOleSite::AmbientDispatchImpl::Invoke(DISPID id, REFIID, LCID, WORD flags,
                                                            DISPPARAMS*, VARIANT* result,
                                                            EXCEPINFO* error, UINT*) {
  if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  VARIANT scratch;
  ::VariantInit(&scratch);
  VARIANT* answer = result ? result : &scratch;
  ::VariantInit(answer);
  HRESULT hr;
  try {
    hr = site_->GetAmbientProperty(id, answer);
  } catch (const std::exception& e) {
    ::VariantClear(answer);
    FillException(error, e.what(), ClassNameOf(e));
    hr = DISP_E_EXCEPTION;
  } catch (...) {
    ::VariantClear(answer);
    FillException(error, "Unknown error", "");
    hr = DISP_E_EXCEPTION;
  }
  ::VariantClear(&scratch);
  return hr;
}

// ---- Event sink ----------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE TOleSite::EventSinkImpl::Invoke(DISPID id, REFIID, LCID, WORD,
                                                      DISPPARAMS* params, VARIANT* result,
                                                      EXCEPINFO*, UINT*) {
  if (result) ::VariantInit(result);
  TOleControl* c = site_->Control();
  if (!c) return S_OK;
  DISPPARAMS none{};
  DISPPARAMS& args = params ? *params : none;
  // The control's reference keeps the site alive; an event may free the
  // control itself, so nothing of it is used after the call.
  site_->AddRef();
  SafeCall([&] { c->InvokeEvent(id, args); });
  site_->Release();
  return S_OK;
}

// ---- TOleControl ------------------------------------------------------------------------

TOleControl::TOleControl(TComponent* owner, const CLSID& clsid, const IID& events)
    : TWinControl(owner), clsid_(clsid), events_(events) {
  Register(this);
}

TOleControl::~TOleControl() {
  DestroyControl();
  Unregister(this);
}

TOleSite* TOleControl::CreateSite() { return new TOleSite(this, events_); }

IDispatch* TOleControl::OleObject() {
  CreateControl();
  return dispatch_.Get();
}

void TOleControl::CreateControl() {
  if (ole_object_) return;
  ComPtr<IOleObject> object;
  OleCheck(::CoCreateInstance(clsid_, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)));
  ComPtr<IDispatch> dispatch;
  OleCheck(object.As(&dispatch));

  site_ = CreateSite();
  ole_object_ = object;
  dispatch_ = dispatch;
  try {
    DWORD misc = 0;
    (void)object->GetMiscStatus(DVASPECT_CONTENT, &misc);
    const bool site_first = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (site_first) OleCheck(object->SetClientSite(site_->ClientSite()));
    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(object.As(&persist))) (void)persist->InitNew();
    if (!site_first) OleCheck(object->SetClientSite(site_->ClientSite()));

    ComPtr<IConnectionPointContainer> points;
    if (SUCCEEDED(object.As(&points)) &&
        SUCCEEDED(points->FindConnectionPoint(events_, &connection_))) {
      if (FAILED(connection_->Advise(site_->Sink(), &advise_cookie_))) {
        connection_.Reset();
        advise_cookie_ = 0;
      }
    }
    ControlInterfacesReady();
  } catch (...) {
    DestroyControl();
    throw;
  }
  if (HandleAllocated()) InPlaceActivate();
}

void TOleControl::InPlaceActivate() {
  if (!ole_object_ || in_place_active_ || !HandleAllocated()) return;
  RECT r = ClientRect();
  if (FAILED(ole_object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_->ClientSite(), 0,
                                 Handle(), &r))) {
    return;  // the control stays without a window; its operations still work
  }
  in_place_active_ = true;
  if (!in_place_) (void)ole_object_.As(&in_place_);
  if (in_place_) (void)in_place_->SetObjectRects(&r, &r);
}

void TOleControl::DestroyControl() noexcept {
  if (!ole_object_) return;
  // The fixed tear-down order:
  // 1. In-place deactivate: the control takes its windows down while its
  //    site and our window are still whole.
  if (in_place_ && in_place_active_) (void)in_place_->InPlaceDeactivate();
  in_place_active_ = false;
  // 2. Unadvise: no event reaches a control that is going.
  if (connection_ && advise_cookie_) (void)connection_->Unadvise(advise_cookie_);
  advise_cookie_ = 0;
  // 3. Detach the client site: the control drops its references to the site.
  (void)ole_object_->SetClientSite(nullptr);
  // 4. Close, without saving: the control frees what it holds.
  (void)ole_object_->Close(OLECLOSE_NOSAVE);
  // 5. Release our interfaces of the control, then our reference of the site
  //    (which may outlive us if the control still holds one: it no longer
  //    calls into this object).
  ReleaseControlInterfaces();
  connection_.Reset();
  active_object_.Reset();
  in_place_.Reset();
  dispatch_.Reset();
  ole_object_.Reset();
  if (site_) {
    site_->Detach();
    site_->Release();
    site_ = nullptr;
  }
  set_aside_ = nullptr;
}

HWND TOleControl::ControlWindow() const {
  if (set_aside_) return set_aside_;
  HWND h = nullptr;
  if (in_place_ && in_place_active_ && SUCCEEDED(in_place_->GetWindow(&h))) return h;
  return nullptr;
}

bool TOleControl::UIActivate() {
  if (!ole_object_ || !HandleAllocated()) return false;
  RECT r = ClientRect();
  return SUCCEEDED(
      ole_object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_->ClientSite(), 0, Handle(), &r));
}

HWND TOleControl::FrameWindow() {
  return HandleAllocated() ? ::GetAncestor(Handle(), GA_ROOT) : nullptr;
}

void TOleControl::ControlMovedItself() {
  if (!in_place_ || !in_place_active_) return;
  RECT r = ClientRect();
  (void)in_place_->SetObjectRects(&r, &r);
}

void TOleControl::InPlaceDeactivated() {
  in_place_active_ = false;
  active_object_.Reset();
}

void TOleControl::InvokeEvent(DISPID, DISPPARAMS&) {}

bool TOleControl::PreTranslateKey(MSG& msg) {
  return active_object_ && active_object_->TranslateAccelerator(&msg) == S_OK;
}

void TOleControl::HandleCreated() {
  TWinControl::HandleCreated();
  if (set_aside_) {
    // Our window was re-created: the control's window comes back, filling it.
    HWND w = set_aside_;
    set_aside_ = nullptr;
    if (::IsWindow(w)) {
      ::SetParent(w, Handle());
      ::MoveWindow(w, 0, 0, ClientWidth(), ClientHeight(), TRUE);
      ControlMovedItself();
      return;
    }
    in_place_active_ = false;
  }
  if (ole_object_) InPlaceActivate();
}

LRESULT TOleControl::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_DESTROY && !Destroying()) {
    // Our window goes but we stay: the control's window is kept under the
    // application's hidden window until ours is made again.
    HWND w = ControlWindow();
    if (w && ::IsWindow(w) && Application.Handle()) {
      ::SetParent(w, Application.Handle());
      set_aside_ = w;
    }
  }
  return TWinControl::WndProc(msg, wparam, lparam);
}

void TOleControl::BoundsChanged(const RECT& old_bounds) {
  TWinControl::BoundsChanged(old_bounds);
  ControlMovedItself();
}

void TOleControl::BeforeDestruction() {
  // The control goes before our window does.
  DestroyControl();
  TWinControl::BeforeDestruction();
}
