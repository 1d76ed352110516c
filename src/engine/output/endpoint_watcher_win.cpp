#include "engine/output/endpoint_watcher_win.h"

void EndpointWatcher::SetCurrent(const std::wstring& id) {
  std::lock_guard lock(lock_);
  current_ = id;
}

bool EndpointWatcher::IsCurrent(LPCWSTR id) {
  std::lock_guard lock(lock_);
  return current_ == id;
}

ULONG STDMETHODCALLTYPE EndpointWatcher::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE EndpointWatcher::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == __uuidof(IUnknown) || iid == __uuidof(IMMNotificationClient)) {
    *out = static_cast<IMMNotificationClient*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE EndpointWatcher::OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id) {
  // The stream opens for the console role; each role is told separately.
  if (flow != eRender || role != eConsole) return S_OK;
  if (id && IsCurrent(id)) return S_OK;  // a repeat: the stream is there already
  changed_();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE EndpointWatcher::OnDeviceStateChanged(LPCWSTR id, DWORD state) {
  if (state != DEVICE_STATE_ACTIVE && id && IsCurrent(id)) changed_();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE EndpointWatcher::OnDeviceRemoved(LPCWSTR id) {
  if (id && IsCurrent(id)) changed_();
  return S_OK;
}
