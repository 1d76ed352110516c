#include "playback/system_media_win.h"

#include <atomic>

#include "base/cp1251_win.h"
#include "playback/winrt_media_win.h"

using namespace winrt_media;

namespace {

// {94ea2b94-e9cc-49e0-c0ff-ee64ca8f5b90}: the handler may be called from any
// thread as it is, so the system need not marshal it.
constexpr IID kIidAgileObject = {0x94ea2b94, 0xe9cc, 0x49e0, {0xc0, 0xff, 0xee, 0x64, 0xca, 0x8f, 0x5b, 0x90}};

class ButtonHandler final : public IButtonPressedHandler {
 public:
  ButtonHandler(HWND window, UINT message) : window_(window), message_(message) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIidButtonPressedHandler) ||
        IsEqualIID(riid, kIidAgileObject)) {
      *out = static_cast<IButtonPressedHandler*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE Invoke(ISystemMediaTransportControls*,
                                   ISystemMediaTransportControlsButtonPressedEventArgs* args) override {
    int32_t button = -1;
    if (!args || FAILED(args->get_Button(&button))) return S_OK;
    // Posted: the window acts on its own thread, and this one never waits.
    PostMessageW(window_, message_, static_cast<WPARAM>(button), 0);
    return S_OK;
  }

 private:
  std::atomic<ULONG> refs_{1};
  HWND window_;
  UINT message_;
};

template <class T>
void ReleaseAndClear(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

}  // namespace

HRESULT SystemMediaControls::Attach(HWND window, HWND notify, UINT button_message, const wchar_t* runtime_dll) {
  Detach();
  module_ = LoadLibraryW(runtime_dll);
  if (!module_) return HRESULT_FROM_WIN32(GetLastError());
  create_string_ = reinterpret_cast<CreateStringFn>(
      reinterpret_cast<void*>(GetProcAddress(module_, "WindowsCreateString")));
  delete_string_ = reinterpret_cast<DeleteStringFn>(
      reinterpret_cast<void*>(GetProcAddress(module_, "WindowsDeleteString")));
  const auto get_factory = reinterpret_cast<ActivationFactoryFn>(
      reinterpret_cast<void*>(GetProcAddress(module_, "RoGetActivationFactory")));
  if (!create_string_ || !delete_string_ || !get_factory) {
    Detach();
    return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  }

  void* class_name = nullptr;
  HRESULT hr = create_string_(kControlsClass, static_cast<UINT32>(wcslen(kControlsClass)), &class_name);
  if (FAILED(hr)) {
    Detach();
    return hr;
  }
  ISystemMediaTransportControlsInterop* interop = nullptr;
  hr = get_factory(class_name, kIidControlsInterop, reinterpret_cast<void**>(&interop));
  delete_string_(class_name);
  if (FAILED(hr) || !interop) {
    Detach();
    return FAILED(hr) ? hr : E_NOINTERFACE;
  }
  hr = interop->GetForWindow(window, kIidControls, reinterpret_cast<void**>(&controls_));
  interop->Release();
  if (FAILED(hr) || !controls_) {
    controls_ = nullptr;
    Detach();
    return FAILED(hr) ? hr : E_NOINTERFACE;
  }

  (void)controls_->put_IsEnabled(TRUE);
  (void)controls_->put_IsPlayEnabled(TRUE);
  (void)controls_->put_IsPauseEnabled(TRUE);
  (void)controls_->put_IsStopEnabled(TRUE);
  (void)controls_->put_PlaybackStatus(kStatusStopped);
  handler_ = new ButtonHandler(notify, button_message);
  EventToken token{};
  if (SUCCEEDED(controls_->add_ButtonPressed(handler_, &token))) {
    token_ = token.value;
    token_set_ = true;
  }
  return S_OK;
}

void SystemMediaControls::Detach() {
  if (controls_) {
    if (token_set_) (void)controls_->remove_ButtonPressed(EventToken{token_});
    (void)controls_->put_PlaybackStatus(kStatusClosed);
  }
  token_set_ = false;
  ReleaseAndClear(controls_);
  ReleaseAndClear(handler_);
  create_string_ = nullptr;
  delete_string_ = nullptr;
  if (module_) FreeLibrary(module_);
  module_ = nullptr;
}

void SystemMediaControls::Show(bool playing, const std::string& station, const std::string& title) {
  if (!controls_) return;
  (void)controls_->put_PlaybackStatus(playing ? kStatusPlaying : kStatusStopped);
  ISystemMediaTransportControlsDisplayUpdater* updater = nullptr;
  if (FAILED(controls_->get_DisplayUpdater(&updater)) || !updater) return;
  IMusicDisplayProperties* music = nullptr;
  if (SUCCEEDED(updater->put_Type(kTypeMusic)) && SUCCEEDED(updater->get_MusicProperties(&music)) && music) {
    // The title line carries the track (the station while none is known),
    // the artist line the station.
    const std::wstring big = ToWide(title.empty() ? station : title);
    const std::wstring small = ToWide(title.empty() ? std::string() : station);
    void* text = nullptr;
    if (SUCCEEDED(create_string_(big.c_str(), static_cast<UINT32>(big.size()), &text))) {
      (void)music->put_Title(static_cast<HSTRING>(text));
      delete_string_(text);
    }
    text = nullptr;
    if (SUCCEEDED(create_string_(small.c_str(), static_cast<UINT32>(small.size()), &text))) {
      (void)music->put_Artist(static_cast<HSTRING>(text));
      delete_string_(text);
    }
    music->Release();
    (void)updater->Update();
  }
  updater->Release();
}
