// The generic ActiveX site: one reference count for the client site, the
// in-place site and frame, the control site, the ambient properties and the
// event sink, each a thin forwarder.
#include "ui/ole_site_win.h"

#include "base/cp1251_win.h"
#include "ui/application_win.h"
#include "ui/ole_internal_win.h"

namespace {

void SetBool(VARIANT* v, bool value) {
  v->vt = VT_BOOL;
  v->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetInt(VARIANT* v, LONG value) {
  v->vt = VT_I4;
  v->lVal = value;
}

}  // namespace

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
    FillExceptionInfo(error, e.what(), ExceptionClassName(e));
    hr = DISP_E_EXCEPTION;
  } catch (...) {
    ::VariantClear(answer);
    FillExceptionInfo(error, "Unknown error", "");
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
