// The engine's output: one output thread mixing every attached PcmSource with
// the master volume into the sound device.
//
// The default device is written through shared-mode WASAPI, timer-driven: the
// thread tops the endpoint's buffer up to kQueueMs of audio, then sleeps
// kPassMs. No event is registered with the endpoint, so the sound system
// signals nothing per device period, and a plain Sleep costs no trip through
// the system's wait machinery (under Wine each wait on an event is a round trip
// to wineserver). Compared with waveOut this also leaves out winmm's own device
// thread, which copied our blocks into the same endpoint every 10 ms.
//
// While no source sounds, only kIdleQueueMs of silence is kept queued, and the
// thread waits on its event instead of sleeping, so that a source attached
// then is rendered at once and its first audio plays after little silence;
// the queue fills up to its full length in that same pass.
//
// The default device is followed: when the system names another default
// endpoint, the old one plays out what it holds and the stream moves to the new
// one; when the endpoint goes away (AUDCLNT_E_DEVICE_INVALIDATED from any call)
// or will not start, it is given up and the stream reopens on the default one
// at once. Audio mixed for a device that did not take it is kept for the next,
// and the sources, their buffers and the volume belong to the output, not to a
// device, so nothing of theirs is lost on the way. When WASAPI devices keep
// failing, or none opens, waveOut plays instead until the default changes.
//
// A numbered device, and the default one when WASAPI cannot play, go through
// waveOut: the thread waits on the device's event (CALLBACK_EVENT: a waveOut
// callback may not call wave functions, so the work happens here) and refills
// each buffer the device has finished with.
//
// Either way, while stopped the thread keeps writing silence rather than
// pausing the device, so no stale audio is left in a paused queue to play on
// the next start, and the device clock (and a captured output file) keeps
// running.
#include "engine/output/output_win.h"

#include <windows.h>
#include <mmsystem.h>
#include <audioclient.h>
#include <mmdeviceapi.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "base/guarded.h"
#include "base/scoped_win.h"
#include "base/thread_owned_win.h"
#include "engine/net/engine_error.h"
#include "engine/output/pcm_convert.h"
#include "engine/output/pcm_source.h"

namespace {

std::mutex gSourcesLock;
std::vector<std::shared_ptr<PcmSource>> gSources;  // protected by gSourcesLock

// Held by the output thread for a whole mix pass, so that OutputDetach can wait
// for a pass that may still be inside the source's Render.
std::mutex gRenderLock;
std::atomic<std::thread::id> gOutputThread{};

std::atomic<bool> gRunning{true};
std::atomic<float> gVolume{1.0f};
std::atomic<uint64_t> gSourceFrames{0};

// The one format the mix produces: 16-bit stereo PCM at `rate`.
WAVEFORMATEX StereoPcm16(uint32_t rate) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = rate * 4;
  return format;
}

// One buffer's worth of mixed audio. Returns how many of its frames carry a
// source's audio (0: silence only); `attached`: whether any source was asked.
size_t Mix(int16_t* out, size_t frames, bool& attached) {
  std::lock_guard render(gRenderLock);
  attached = false;
  if (!gRunning) {
    std::fill(out, out + frames * 2, int16_t{0});
    return 0;
  }
  std::vector<std::shared_ptr<PcmSource>> sources;
  {
    std::lock_guard lock(gSourcesLock);
    sources = gSources;
  }
  attached = !sources.empty();
  struct Buffers {
    std::vector<int32_t> acc;
    std::vector<int16_t> one;
  };
  static ThreadOwned<Buffers> buffers;
  Buffers* held = buffers.Get();
  if (!held) {
    std::fill(out, out + frames * 2, int16_t{0});
    return 0;
  }
  std::vector<int32_t>& acc = held->acc;
  std::vector<int16_t>& one = held->one;
  acc.assign(frames * 2, 0);
  one.resize(frames * 2);
  size_t most = 0;
  for (const auto& source : sources) {
    const size_t n = std::min(source->Render(one.data(), frames), frames);
    MixAdd(one.data(), n, acc.data());
    most = std::max(most, n);
  }
  sources.clear();  // before the render lock goes: a detached source dies with its owner
  MixOut(acc.data(), frames, gVolume, out);
  gSourceFrames += most;
  return most;
}

// ---- The system's render endpoints ----

constexpr REFERENCE_TIME kCapacity = 300 * 10000;  // the endpoint buffer, 300 ms in 100 ns units

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

// Hears the system's endpoint news on a thread of the system's. It only passes
// them on: a notification callback may not call back into the enumerator.
class EndpointWatcher final : public IMMNotificationClient {
 public:
  explicit EndpointWatcher(std::function<void()> changed) : changed_(std::move(changed)) {}

  void SetCurrent(const std::wstring& id) {
    std::lock_guard lock(lock_);
    current_ = id;
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IMMNotificationClient)) {
      *out = static_cast<IMMNotificationClient*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id) override {
    // The stream opens for the console role; each role is told separately.
    if (flow != eRender || role != eConsole) return S_OK;
    if (id && IsCurrent(id)) return S_OK;  // a repeat: the stream is there already
    changed_();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR id, DWORD state) override {
    if (state != DEVICE_STATE_ACTIVE && id && IsCurrent(id)) changed_();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR id) override {
    if (id && IsCurrent(id)) changed_();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override { return S_OK; }

 private:
  ~EndpointWatcher() = default;
  bool IsCurrent(LPCWSTR id) {
    std::lock_guard lock(lock_);
    return current_ == id;
  }

  std::atomic<ULONG> refs_{1};
  const std::function<void()> changed_;
  std::mutex lock_;
  std::wstring current_;  // protected by lock_: the endpoint opened last
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
    const WAVEFORMATEX format = StereoPcm16(rate);
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

// ---- waveOut ----

constexpr int kBufferCount = 4;
constexpr uint32_t kBufferMs = 25;  // 4 x 25 ms queued: ~100 ms latency

// One open waveOut device; the output thread's.
class WaveDevice {
 public:
  ~WaveDevice() { Close(); }
  bool Open(UINT id, uint32_t rate, HANDLE event);
  void Close();
  bool IsOpen() const { return wave_ != nullptr; }
  void Drop();  // every queued buffer back, unplayed
  // Refills each buffer the device is done with from `produce`. False when a
  // write failed (MMSYSERR_NODRIVER: the device was removed); that buffer's
  // audio goes back to `unplayed`.
  template <typename Produce>
  bool Fill(Produce&& produce, std::vector<int16_t>& unplayed);

 private:
  HWAVEOUT wave_ = nullptr;
  size_t frames_per_buffer_ = 0;
  std::vector<int16_t> samples_[kBufferCount];
  WAVEHDR headers_[kBufferCount]{};
  bool queued_[kBufferCount]{};
};

bool WaveDevice::Open(UINT id, uint32_t rate, HANDLE event) {
  Close();
  if (waveOutGetNumDevs() == 0) return false;
  frames_per_buffer_ = rate * kBufferMs / 1000;
  for (auto& s : samples_) s.assign(frames_per_buffer_ * 2, 0);
  const WAVEFORMATEX format = StereoPcm16(rate);
  if (waveOutOpen(&wave_, id, &format, DWORD_PTR(event), 0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
    wave_ = nullptr;
    return false;
  }
  for (int i = 0; i < kBufferCount; ++i) {
    headers_[i] = WAVEHDR{};
    headers_[i].lpData = reinterpret_cast<LPSTR>(samples_[i].data());
    headers_[i].dwBufferLength = DWORD(frames_per_buffer_ * 4);
    queued_[i] = false;
    if (waveOutPrepareHeader(wave_, &headers_[i], sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
      Close();
      return false;
    }
  }
  return true;
}

void WaveDevice::Close() {
  if (!wave_) return;
  waveOutReset(wave_);  // returns every queued buffer
  for (auto& h : headers_) {
    if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(wave_, &h, sizeof(WAVEHDR));
  }
  waveOutClose(wave_);
  wave_ = nullptr;
}

void WaveDevice::Drop() {
  if (!wave_) return;
  waveOutReset(wave_);
  for (bool& q : queued_) q = false;
}

template <typename Produce>
bool WaveDevice::Fill(Produce&& produce, std::vector<int16_t>& unplayed) {
  for (int i = 0; i < kBufferCount && wave_; ++i) {
    if (queued_[i] && !(headers_[i].dwFlags & WHDR_DONE)) continue;
    produce(samples_[i].data(), frames_per_buffer_);
    const MMRESULT r = waveOutWrite(wave_, &headers_[i], sizeof(WAVEHDR));
    queued_[i] = r == MMSYSERR_NOERROR;
    if (r != MMSYSERR_NOERROR) {
      unplayed.insert(unplayed.begin(), samples_[i].begin(), samples_[i].end());
      return false;
    }
  }
  return true;
}

// ---- The output thread ----

// Queued audio swings between kQueueMs and kQueueMs - kPassMs (less what one
// pass takes): about the latency of the waveOut queue, with margin for a late
// wake-up. 50 ms passes measured no cheaper than 30 ms.
constexpr uint32_t kQueueMs = 100;
constexpr uint32_t kPassMs = 30;
// Silence queued while no source sounds: what a source's first audio waits
// behind. More than one pass, so the device does not run dry between passes.
constexpr uint32_t kIdleQueueMs = 50;
constexpr DWORD kRetryMs = 500;      // between attempts while no device opens
constexpr int kStartTries = 10;      // passes (~300 ms) a new stream may refuse to start
constexpr int kDrainPasses = 10;     // passes an old default device may take to play out
constexpr int kWasapiStrikes = 3;    // WASAPI streams given up in a row before waveOut plays

std::mutex gEndpointsLock;
std::function<std::unique_ptr<RenderEndpoints>()> gMakeEndpoints;  // protected by gEndpointsLock

class Output {
 public:
  ~Output() { Close(); }  // a program that ends without EngineFree
  int Open(int device, uint32_t rate);
  void Close();
  bool IsOpen() const { return thread_.joinable(); }
  // Drops what is queued. Under gOpenLock, so that Close cannot close the event meanwhile.
  void RequestSilence() {
    reset_ = true;
    if (event_) SetEvent(event_.Get());
  }
  // A source may have audio now: an idle pass renders it at once. Under
  // gOpenLock, as RequestSilence.
  void Wake() {
    if (event_) SetEvent(event_.Get());
  }
  uint32_t Rate() const { return rate_; }
  OutputStatus Status() const {
    OutputStatus s;
    s.path = path_;
    s.opens = opens_;
    s.lost = lost_;
    s.start_failures = start_failures_;
    s.default_changes = default_changes_;
    s.short_mixes = short_mixes_;
    s.late_passes = late_passes_;
    s.longest_pass_ms = longest_pass_ms_;
    return s;
  }

 private:
  void Run();
  bool OpenSomeDevice();
  bool OpenWasapi();
  void CloseDevices();
  void GiveUpWasapi();
  void DropQueued();
  HRESULT FillWasapi(bool& delivered);
  bool WasapiPass();
  // Fills `out` with `frames` frames: what a lost device did not take first.
  void Produce(int16_t* out, size_t frames);
  // Mixes `frames` frames into `out`, updating sounding_ and short_mixes_.
  void MixSounding(int16_t* out, size_t frames);
  // Notes the time since the last pass while a source sounds.
  void TimePass();
  void Wait(DWORD ms) { WaitForSingleObject(event_.Get(), ms); }

  // Set by Open before the thread starts, then read-only.
  bool default_device_ = true;
  UINT wave_id_ = WAVE_MAPPER;
  std::function<std::unique_ptr<RenderEndpoints>()> make_endpoints_;
  std::atomic<uint32_t> rate_{0};
  UniqueHandle event_;  // auto reset: waveOut's buffer event; also wakes the thread

  // The output thread's own while it runs.
  std::unique_ptr<RenderEndpoints> endpoints_;
  std::unique_ptr<RenderStream> stream_;
  UINT32 queue_frames_ = 0;  // queued while a source sounds
  UINT32 idle_frames_ = 0;   // queued while none does
  bool sounding_ = false;    // the last mix carried a source's audio
  bool started_ = false;
  int start_tries_ = 0;     // failed Start calls of the current stream
  int drain_passes_ = -1;   // >= 0: the current stream plays out before the move
  int strikes_ = 0;         // WASAPI streams given up since one last played
  WaveDevice wave_;
  std::vector<int16_t> unplayed_;  // mixed audio no device has taken yet

  std::thread thread_;
  std::atomic<bool> quit_{false};
  std::atomic<bool> reset_{false};
  std::atomic<bool> follow_{false};  // the default endpoint changed or went away
  std::promise<int> opened_;         // the first open's result

  std::atomic<OutputPath> path_{OutputPath::kNone};
  std::atomic<uint32_t> opens_{0}, lost_{0}, start_failures_{0}, default_changes_{0};
  std::atomic<uint32_t> short_mixes_{0}, late_passes_{0}, longest_pass_ms_{0};
  ULONGLONG last_pass_ = 0;  // GetTickCount64 of the last pass while sounding; 0: none
};

void Output::Produce(int16_t* out, size_t frames) {
  const size_t kept = std::min(frames, unplayed_.size() / 2);
  std::copy_n(unplayed_.begin(), kept * 2, out);
  unplayed_.erase(unplayed_.begin(), unplayed_.begin() + kept * 2);
  if (kept < frames) MixSounding(out + kept * 2, frames - kept);
}

void Output::MixSounding(int16_t* out, size_t frames) {
  bool attached = false;
  const size_t sounded = Mix(out, frames, attached);
  // A source that sounded, is still attached and now gives less than asked
  // leaves silence in the middle of its audio: its stream ran short (or ended).
  if (sounding_ && attached && sounded < frames) ++short_mixes_;
  sounding_ = sounded > 0;
}

bool Output::OpenWasapi() {
  std::unique_ptr<RenderStream> stream;
  if (!endpoints_ || FAILED(endpoints_->OpenDefault(rate_, stream)) || !stream) return false;
  stream_ = std::move(stream);
  queue_frames_ = std::min<UINT32>(stream_->BufferFrames(), rate_ * kQueueMs / 1000);
  idle_frames_ = std::min<UINT32>(queue_frames_, rate_ * kIdleQueueMs / 1000);
  started_ = false;
  start_tries_ = 0;
  drain_passes_ = -1;
  return true;
}

bool Output::OpenSomeDevice() {
  if (default_device_ && strikes_ < kWasapiStrikes && OpenWasapi()) {
    ++opens_;
    path_ = OutputPath::kWasapi;
    return true;
  }
  if (wave_.Open(wave_id_, rate_, event_.Get())) {
    ++opens_;
    path_ = OutputPath::kWaveOut;
    return true;
  }
  // Nothing plays: WASAPI gets another chance on the next round.
  strikes_ = std::min(strikes_, kWasapiStrikes - 1);
  path_ = OutputPath::kNone;
  return false;
}

void Output::CloseDevices() {
  if (stream_ && started_) (void)stream_->Stop();
  stream_.reset();
  started_ = false;
  wave_.Close();
  path_ = OutputPath::kNone;
}

void Output::GiveUpWasapi() {
  CloseDevices();
  ++lost_;
  ++strikes_;
}

void Output::DropQueued() {
  unplayed_.clear();
  wave_.Drop();
  if (stream_ && started_) {
    (void)stream_->Stop();
    (void)stream_->Reset();
    started_ = false;
  }
}

// Tops the endpoint buffer up: to the queue length while a source sounds, to
// the idle length while none does. When a source's first audio comes in, the
// rest of the queue is filled in the same pass. `delivered`: the stream took
// audio. A failure means the stream is of no more use.
HRESULT Output::FillWasapi(bool& delivered) {
  delivered = false;
  for (;;) {
    const bool was_sounding = sounding_;
    UINT32 padding = 0;
    if (HRESULT hr = stream_->Padding(padding); FAILED(hr)) return hr;
    if (sounding_ && padding == 0 && started_) ++late_passes_;
    const UINT32 target = sounding_ ? queue_frames_ : idle_frames_;
    if (padding >= target) return S_OK;
    const UINT32 frames = target - padding;
    // Mixed before the device is asked for room, and kept until the device has
    // taken it: a device that fails on the way loses none of it.
    const size_t have = unplayed_.size() / 2;
    if (have < frames) {
      unplayed_.resize(size_t(frames) * 2);
      MixSounding(unplayed_.data() + have * 2, frames - have);
    }
    BYTE* data = nullptr;
    if (HRESULT hr = stream_->GetBuffer(frames, data); FAILED(hr)) return hr;
    std::memcpy(data, unplayed_.data(), size_t(frames) * 4);
    if (HRESULT hr = stream_->ReleaseBuffer(frames); FAILED(hr)) return hr;
    unplayed_.erase(unplayed_.begin(), unplayed_.begin() + size_t(frames) * 2);
    delivered = true;
    if (was_sounding || !sounding_) return S_OK;
  }
}

void Output::TimePass() {
  const ULONGLONG now = GetTickCount64();
  if (sounding_ && last_pass_) {
    const auto gap = uint32_t(std::min<ULONGLONG>(now - last_pass_, UINT32_MAX));
    if (gap > longest_pass_ms_) longest_pass_ms_ = gap;
  }
  last_pass_ = sounding_ ? now : 0;
}

// One pass over the WASAPI stream. False when it has to go: lost, never
// started, or played out after the default device moved.
bool Output::WasapiPass() {
  if (drain_passes_ >= 0) {
    UINT32 padding = 0;
    if (!started_ || FAILED(stream_->Padding(padding)) || padding == 0 || ++drain_passes_ > kDrainPasses) {
      CloseDevices();  // not lost: the default moved on
      return false;
    }
    return true;
  }
  HRESULT hr = S_OK;
  if (!started_) {
    // Started before it is given audio: a stream that will not start must not
    // take any (it would never play it). Until the fill below it plays silence.
    hr = stream_->Start();
    if (SUCCEEDED(hr)) {
      started_ = true;
    } else {
      ++start_failures_;
      // A stream that never starts would hold the sources still for good: a
      // few passes, then the next device.
      if (hr != AUDCLNT_E_DEVICE_INVALIDATED && ++start_tries_ < kStartTries) return true;
    }
  }
  TimePass();
  bool delivered = false;
  if (SUCCEEDED(hr)) hr = FillWasapi(delivered);
  if (FAILED(hr)) {
    GiveUpWasapi();
    return false;
  }
  if (delivered) strikes_ = 0;
  return true;
}

void Output::Run() {
  gOutputThread = std::this_thread::get_id();
  // Above normal work, below the system's time-critical threads: Render decodes here.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  ScopedComInit com;
  int first = kErrorNoDevice;
  try {
    if (default_device_ && com.Usable()) {
      endpoints_ = make_endpoints_ ? make_endpoints_() : std::make_unique<SystemEndpoints>();
      if (endpoints_) {
        endpoints_->Watch([this] {
          follow_ = true;
          SetEvent(event_.Get());
        });
      }
    }
    if (OpenSomeDevice()) first = kErrorOk;
  } catch (...) {
    first = kErrorMemory;  // Open must hear back whatever happens
  }
  opened_.set_value(first);
  if (first != kErrorOk) {
    endpoints_.reset();
    gOutputThread = std::thread::id{};
    return;
  }
  while (!quit_) {
    if (reset_.exchange(false)) DropQueued();
    if (default_device_ && follow_.exchange(false)) {
      ++default_changes_;
      strikes_ = 0;
      // A stream that plays goes on until it has played out, then the new
      // default opens; any other device goes at once.
      if (stream_ && started_) {
        drain_passes_ = 0;
      } else {
        CloseDevices();
      }
    }
    if (!stream_ && !wave_.IsOpen() && !OpenSomeDevice()) {
      Wait(kRetryMs);
      continue;
    }
    if (stream_) {
      if (WasapiPass()) {
        // Sounding: a plain sleep, the cheap wait. Silent: woken when a
        // source comes.
        if (sounding_) {
          Sleep(kPassMs);
        } else {
          Wait(kPassMs);
        }
      }
      continue;  // a stream that went is replaced at once
    }
    if (!wave_.Fill([this](int16_t* out, size_t frames) { Produce(out, frames); }, unplayed_)) {
      wave_.Close();
      ++lost_;
      path_ = OutputPath::kNone;
      // A removed numbered device is replaced by the default one.
      wave_id_ = WAVE_MAPPER;
      continue;
    }
    Wait(100);
  }
  CloseDevices();
  endpoints_.reset();
  unplayed_.clear();
  gOutputThread = std::thread::id{};
}

int Output::Open(int device, uint32_t rate) {
  if (device >= 0 && (waveOutGetNumDevs() == 0 || UINT(device) >= waveOutGetNumDevs())) return kErrorNoDevice;
  event_ = MakeEvent(false);
  if (!event_) return kErrorMemory;
  default_device_ = device < 0;
  wave_id_ = device < 0 ? WAVE_MAPPER : UINT(device);
  {
    std::lock_guard lock(gEndpointsLock);
    make_endpoints_ = gMakeEndpoints;
  }
  rate_ = rate;
  quit_ = false;
  reset_ = false;
  follow_ = false;
  strikes_ = 0;
  opens_ = lost_ = start_failures_ = default_changes_ = 0;
  short_mixes_ = late_passes_ = longest_pass_ms_ = 0;
  last_pass_ = 0;
  opened_ = std::promise<int>();
  std::future<int> opened = opened_.get_future();
  if (!StartGuardedThread(thread_, [this] { Run(); })) {
    rate_ = 0;
    event_.Reset();
    return kErrorMemory;
  }
  const int result = opened.get();
  if (result != kErrorOk) {
    thread_.join();
    rate_ = 0;
    event_.Reset();
  }
  return result;
}

void Output::Close() {
  if (!thread_.joinable()) return;
  quit_ = true;
  SetEvent(event_.Get());
  thread_.join();
  event_.Reset();
  rate_ = 0;
  path_ = OutputPath::kNone;
}

// Defined after everything the output thread mixes from, so that it is
// destroyed (and its thread ended) first when a program ends without EngineFree.
Output gOutput;
std::mutex gOpenLock;  // serialises Open, Close and RequestSilence: they share the device

}  // namespace

int OutputOpen(int device, uint32_t rate) {
  std::lock_guard lock(gOpenLock);
  if (gOutput.IsOpen()) return kErrorAlready;
  return gOutput.Open(device, rate);
}

void OutputClose() {
  std::lock_guard lock(gOpenLock);
  gOutput.Close();
}

bool OutputIsOpen() {
  std::lock_guard lock(gOpenLock);
  return gOutput.IsOpen();
}

OutputStatus OutputGetStatus() { return gOutput.Status(); }

void OutputUseEndpoints(std::function<std::unique_ptr<RenderEndpoints>()> make) {
  std::lock_guard lock(gEndpointsLock);
  gMakeEndpoints = std::move(make);
}

void OutputSetRunning(bool running) {
  if (running == gRunning.exchange(running)) return;
  if (!running) {
    // After this no Render is in progress and none starts until the next start.
    std::lock_guard render(gRenderLock);
  }
  if (!running) {
    std::lock_guard lock(gOpenLock);
    gOutput.RequestSilence();
  }
}

bool OutputRunning() { return gRunning; }
void OutputSetVolume(float volume) { gVolume = volume; }
float OutputVolume() { return gVolume; }

void OutputAttach(std::shared_ptr<PcmSource> source) {
  if (!source) return;
  {
    std::lock_guard lock(gSourcesLock);
    if (std::find(gSources.begin(), gSources.end(), source) != gSources.end()) return;
    gSources.push_back(std::move(source));
  }
  std::lock_guard lock(gOpenLock);
  gOutput.Wake();
}

void OutputDetach(const PcmSource* source) {
  {
    std::lock_guard lock(gSourcesLock);
    std::erase_if(gSources, [source](const auto& s) { return s.get() == source; });
  }
  // Wait out a mix pass that took its list before the removal (not on the
  // output thread itself, which is never inside Render when it detaches).
  if (std::this_thread::get_id() != gOutputThread.load()) std::lock_guard render(gRenderLock);
}

uint32_t OutputRate() { return gOutput.Rate(); }
uint64_t OutputSourceFramesWritten() { return gSourceFrames; }
