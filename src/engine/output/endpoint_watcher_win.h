// Hears the system's render endpoint news on a thread of the system's, for the
// default device's path (wasapi_stream_win.cpp). It only passes them on: a
// notification callback may not call back into the enumerator.
#pragma once

#include <windows.h>
#include <mmdeviceapi.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

class EndpointWatcher final : public IMMNotificationClient {
 public:
  // `changed`: the default render endpoint changed, or the current one went.
  explicit EndpointWatcher(std::function<void()> changed) : changed_(std::move(changed)) {}

  // The endpoint opened last; any thread.
  void SetCurrent(const std::wstring& id);

  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;

  HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id) override;
  HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR id, DWORD state) override;
  HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR id) override;
  HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override { return S_OK; }

 private:
  ~EndpointWatcher() = default;
  bool IsCurrent(LPCWSTR id);

  std::atomic<ULONG> refs_{1};
  const std::function<void()> changed_;
  std::mutex lock_;
  std::wstring current_;  // protected by lock_: the endpoint opened last
};
