#include "engine/output/wasapi_stream_win.h"

#include <windows.h>
#include <audioclient.h>
#include <mmdeviceapi.h>

#include <new>

#include "base/scoped_win.h"
#include "engine/output/endpoint_watcher_win.h"
#include "engine/output/mixer_win.h"
#include "engine/output/output_timing.h"

namespace {

constexpr REFERENCE_TIME kCapacity = REFERENCE_TIME(kEndpointBufferMs) * 10000;  // in 100 ns units

class SystemStream final : public RenderStream {
 public:
  SystemStream(ComPtr<IAudioClient> client, ComPtr<IAudioRenderClient> render, UINT32 frames)
      : client_(std::move(client)), render_(std::move(render)), frames_(frames) {}
  UINT32 BufferFrames() const override { return frames_; }
  HRESULT Padding(UINT32& frames) override { return client_->GetCurrentPadding(&frames); }
  HRESULT GetBuffer(UINT32 frames, BYTE*& data) override { return render_->GetBuffer(frames, &data); }
  HRESULT ReleaseBuffer(UINT32 frames) override { return render_->ReleaseBuffer(frames, 0); }
  HRESULT Start() override { return client_->Start(); }
  HRESULT Stop() override { return client_->Stop(); }
  HRESULT Reset() override { return client_->Reset(); }

 private:
  ComPtr<IAudioClient> client_;
  ComPtr<IAudioRenderClient> render_;
  UINT32 frames_;
};

class SystemEndpoints final : public RenderEndpoints {
 public:
  SystemEndpoints() {
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, IID_PPV_ARGS(&devices_))))
      devices_.Reset();
  }
  ~SystemEndpoints() override {
    if (watcher_) devices_->UnregisterEndpointNotificationCallback(watcher_.Get());
  }

  HRESULT OpenDefault(uint32_t rate, std::unique_ptr<RenderStream>& out) override {
    if (!devices_) return REGDB_E_CLASSNOTREG;
    ComPtr<IMMDevice> endpoint;
    if (HRESULT hr = devices_->GetDefaultAudioEndpoint(eRender, eConsole, &endpoint); FAILED(hr)) return hr;
    if (watcher_) {
      LPWSTR id = nullptr;
      if (SUCCEEDED(endpoint->GetId(&id)) && id) {
        watcher_->SetCurrent(id);
        CoTaskMemFree(id);
      }
    }
    ComPtr<IAudioClient> client;
    if (HRESULT hr = endpoint->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, &client); FAILED(hr)) return hr;
    const WAVEFORMATEX format = MixFormat(rate);
    HRESULT hr = client->Initialize(AUDCLNT_SHAREMODE_SHARED, AUDCLNT_STREAMFLAGS_NOPERSIST, kCapacity, 0, &format, nullptr);
    if (hr == AUDCLNT_E_UNSUPPORTED_FORMAT) {
      // The endpoint mixes at another rate or sample type: let the system convert.
      client.Reset();
      if (hr = endpoint->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, &client); FAILED(hr)) return hr;
      hr = client->Initialize(AUDCLNT_SHAREMODE_SHARED,
                              AUDCLNT_STREAMFLAGS_NOPERSIST | AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM |
                                  AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY,
                              kCapacity, 0, &format, nullptr);
    }
    if (FAILED(hr)) return hr;
    ComPtr<IAudioRenderClient> render;
    UINT32 frames = 0;
    if (hr = client->GetBufferSize(&frames); FAILED(hr)) return hr;
    if (hr = client->GetService(IID_PPV_ARGS(&render)); FAILED(hr)) return hr;
    out = std::make_unique<SystemStream>(std::move(client), std::move(render), frames);
    return S_OK;
  }

  void Watch(std::function<void()> changed) override {
    if (!devices_ || watcher_) return;
    ComPtr<EndpointWatcher> watcher;
    watcher.Attach(new (std::nothrow) EndpointWatcher(std::move(changed)));
    if (watcher && SUCCEEDED(devices_->RegisterEndpointNotificationCallback(watcher.Get())))
      watcher_ = std::move(watcher);
  }

 private:
  ComPtr<IMMDeviceEnumerator> devices_;
  ComPtr<EndpointWatcher> watcher_;  // registered while set
};

}  // namespace

std::unique_ptr<RenderEndpoints> MakeSystemEndpoints() { return std::make_unique<SystemEndpoints>(); }
