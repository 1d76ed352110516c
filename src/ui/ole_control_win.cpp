// TOleControl: the life of a hosted ActiveX control (creation, in-place
// activation, the fixed tear-down order) and its window's re-parenting.
#include <algorithm>

#include "base/cp1251_win.h"
#include "ui/application_win.h"
#include "ui/ole_internal_win.h"
#include "ui/ole_site_win.h"

// ---- TOleControl ------------------------------------------------------------------------

TOleControl::TOleControl(TComponent* owner, const CLSID& clsid, const IID& events)
    : TWinControl(owner), clsid_(clsid), events_(events) {
  RegisterLiveControl(this);
}

TOleControl::~TOleControl() {
  DestroyControl();
  UnregisterLiveControl(this);
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
