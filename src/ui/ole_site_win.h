// The generic ActiveX site: TOleControl, a windowed control that creates an
// ActiveX control, in-place activates it inside its own window and exposes
// its automation object for late-bound calls (OleObject); and TOleSite, the
// COM object the hosted control talks to (client site, in-place site and
// frame, control site, ambient properties, event sink).
//
// TOleSite is one COM object with one reference count: every interface is a
// thin forwarder (SiteForwarder<I>) whose IUnknown calls go to the site. A
// host that answers more questions (a document host) derives from TOleSite,
// adds its own forwarders and returns them from QueryHostInterface.
//
// Defined in four files: OLE error texts (ole_errors_win.cpp), the key hook
// and the live-control list (ole_key_hook_win.cpp), the site
// (ole_site_win.cpp), TOleControl's life and re-parenting
// (ole_control_win.cpp).
//
// Threads: the window thread only (an STA with OLE initialised). The hosted
// control calls the site on that thread too.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <stdexcept>
#include <string>

#include "ui/controls_win.h"
#include "ui/gdi_handles_win.h"

class TOleControl;

// A failed OLE/COM call, raised by OleCheck; the text is the system's
// message for the code.
class EOleError : public std::runtime_error {
 public:
  EOleError(HRESULT code, const std::string& message) : std::runtime_error(message), code_(code) {}
  HRESULT Code() const noexcept { return code_; }

 private:
  HRESULT code_;
};

// Raises EOleError when `hr` is a failure code.
void OleCheck(HRESULT hr);
// The system's text for `hr` (CP1251), or "OLE error 8xxxxxxx".
std::string OleErrorText(HRESULT hr);

class TOleSite;

// One interface of a TOleSite: IUnknown goes to the site's one count.
template <class I>
class SiteForwarder : public I {
 public:
  explicit SiteForwarder(TOleSite* site) : site_(site) {}
  SiteForwarder(const SiteForwarder&) = delete;
  SiteForwarder& operator=(const SiteForwarder&) = delete;
  virtual ~SiteForwarder() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

 protected:
  TOleSite* site_;
};

class TOleSite {
 public:
  // Made by a control (count 1, the control's); lives until the last
  // reference goes, which may be after the control (Detach). `events` is the
  // control's outgoing dispinterface, answered by Sink().
  TOleSite(TOleControl* control, const IID& events);
  virtual ~TOleSite();
  TOleSite(const TOleSite&) = delete;
  TOleSite& operator=(const TOleSite&) = delete;

  HRESULT QueryInterface(REFIID riid, void** out) noexcept;
  ULONG AddRef() noexcept;
  ULONG Release() noexcept;

  // The control is going: from now on the site answers without it.
  void Detach() noexcept { control_ = nullptr; }
  TOleControl* Control() const noexcept { return control_; }

  IOleClientSite* ClientSite() noexcept { return &client_site_; }
  IDispatch* Sink() noexcept { return &event_sink_; }

  // The standard ambient properties (user mode, colours, locale, name,
  // mnemonics ...); DISP_E_MEMBERNOTFOUND for the rest. Hosts override it
  // for their own and call this one for the others. May throw: the ambient
  // IDispatch turns an error into DISP_E_EXCEPTION.
  virtual HRESULT GetAmbientProperty(DISPID id, VARIANT* result);

 protected:
  // A host's further interfaces (already AddRef'ed through the site), or nullptr.
  virtual void* QueryHostInterface(REFIID riid);

 private:
  class ClientSiteImpl final : public SiteForwarder<IOleClientSite> {
   public:
    using SiteForwarder::SiteForwarder;
    HRESULT STDMETHODCALLTYPE SaveObject() override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** out) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override;
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL show) override;
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;
  };
  class InPlaceSiteImpl final : public SiteForwarder<IOleInPlaceSite> {
   public:
    using SiteForwarder::SiteForwarder;
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnUIActivate() override;
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                               LPRECT pos, LPRECT clip,
                                               LPOLEINPLACEFRAMEINFO info) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE extent) override;
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL undoable) override;
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override;
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override;
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT pos) override;
  };
  class InPlaceFrameImpl final : public SiteForwarder<IOleInPlaceFrame> {
   public:
    using SiteForwarder::SiteForwarder;
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT border) override;
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override;
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object,
                                              LPCOLESTR name) override;
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU shared, HOLEMENU descriptor, HWND object) override;
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU shared) override;
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR text) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, WORD id) override;
  };
  class ControlSiteImpl final : public SiteForwarder<IOleControlSite> {
   public:
    using SiteForwarder::SiteForwarder;
    HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override;
    HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL lock) override;
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** out) override;
    HRESULT STDMETHODCALLTYPE TransformCoords(POINTL* himetric, POINTF* container,
                                              DWORD flags) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* msg, DWORD modifiers) override;
    HRESULT STDMETHODCALLTYPE OnFocus(BOOL got_focus) override;
    HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override;
  };
  // An IDispatch answering only Invoke: no type information, no names.
  class InvokeOnly : public SiteForwarder<IDispatch> {
   public:
    using SiteForwarder::SiteForwarder;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
  };
  // Ambient properties: property gets through GetAmbientProperty.
  class AmbientDispatchImpl final : public InvokeOnly {
   public:
    using InvokeOnly::InvokeOnly;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* error,
                                     UINT* arg_error) override;
  };
  // The control's events: each goes to TOleControl::InvokeEvent.
  class EventSinkImpl final : public InvokeOnly {
   public:
    using InvokeOnly::InvokeOnly;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* error,
                                     UINT* arg_error) override;
  };

  ULONG refs_ = 1;
  TOleControl* control_;
  IID events_;
  ClientSiteImpl client_site_{this};  // also the IUnknown identity
  InPlaceSiteImpl in_place_site_{this};
  InPlaceFrameImpl frame_{this};
  ControlSiteImpl control_site_{this};
  AmbientDispatchImpl ambient_{this};
  EventSinkImpl event_sink_{this};
};

template <class I>
HRESULT STDMETHODCALLTYPE SiteForwarder<I>::QueryInterface(REFIID riid, void** out) {
  return site_->QueryInterface(riid, out);
}
template <class I>
ULONG STDMETHODCALLTYPE SiteForwarder<I>::AddRef() {
  return site_->AddRef();
}
template <class I>
ULONG STDMETHODCALLTYPE SiteForwarder<I>::Release() {
  return site_->Release();
}

// A window control hosting one ActiveX control. The control is created on
// first need (OleObject, or a derived class's first operation) and in-place
// activated as soon as this control's window exists, filling its client area.
class TOleControl : public TWinControl {
 public:
  // `events` is the control's outgoing dispinterface the site sinks.
  TOleControl(TComponent* owner, const CLSID& clsid, const IID& events);
  ~TOleControl() override;

  // The control's automation object, creating the control first if needed.
  // Raises EOleError when the control cannot be made.
  IDispatch* OleObject();
  bool ControlCreated() const { return ole_object_ != nullptr; }
  bool InPlaceActive() const { return in_place_active_; }
  // The hosted control's own outer window (inside ours), or nullptr.
  HWND ControlWindow() const;
  // The site object the control was given (the client site's IUnknown).
  IOleClientSite* Site() const { return site_ ? site_->ClientSite() : nullptr; }
  // The control's in-place active object, as the frame was told last.
  IOleInPlaceActiveObject* ActiveObject() const { return active_object_.Get(); }

  // OLEIVERB_UIACTIVATE within the client rectangle; true on success.
  bool UIActivate();

  // Tears the control down in the fixed order (see the .cpp); a later use
  // creates it afresh.
  void DestroyControl() noexcept;

  // --- Called by the site ---
  HWND FrameWindow();  // the top-level window holding this control
  void SetActiveObject(IOleInPlaceActiveObject* object) { active_object_ = object; }
  void ControlMovedItself();  // OnPosRectChange: keep it in our client area
  void InPlaceDeactivated();
  // An event of the control's event interface. Overrides decode it; the
  // site has already guarded against exceptions.
  virtual void InvokeEvent(DISPID id, DISPPARAMS& params);
  // A key message for a window inside this control, before it is
  // translated and dispatched; true when it was handled and must go no
  // further. The base offers it to the in-place active object.
  virtual bool PreTranslateKey(MSG& msg);
  // The control told its site it got (true) or lost the focus.
  virtual void ControlFocusChanged(bool got_focus) { (void)got_focus; }

 protected:
  // Creates the site the control is given (count 1); hosts return their own
  // kind, made with Events().
  virtual TOleSite* CreateSite();
  const IID& Events() const { return events_; }
  // After the control is made: derived classes take their typed interfaces.
  virtual void ControlInterfacesReady() {}
  // Before the control's interfaces are released: derived classes drop theirs.
  virtual void ReleaseControlInterfaces() {}
  // Makes the control (when needed); raises EOleError on failure.
  void CreateControl();
  // The control's IOleObject once made, else null.
  IOleObject* OleObjectInterface() const { return ole_object_.Get(); }

  void HandleCreated() override;
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;
  void BoundsChanged(const RECT& old_bounds) override;
  void BeforeDestruction() override;

 private:
  void InPlaceActivate();

  CLSID clsid_;
  IID events_;
  TOleSite* site_ = nullptr;  // one reference, ours
  ComPtr<IOleObject> ole_object_;
  ComPtr<IDispatch> dispatch_;
  ComPtr<IOleInPlaceObject> in_place_;
  ComPtr<IOleInPlaceActiveObject> active_object_;
  ComPtr<IConnectionPoint> connection_;
  DWORD advise_cookie_ = 0;
  bool in_place_active_ = false;
  // The control's window while ours is re-created: kept under the
  // application's hidden window.
  HWND set_aside_ = nullptr;
};
