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
// A numbered device, and the default one when WASAPI cannot open it (no
// endpoint, a format the endpoint will not take even converted), go through
// waveOut: the thread waits on the device's event (CALLBACK_EVENT: a waveOut
// callback may not call wave functions, so the work happens here) and refills
// each buffer the device has finished with.
//
// Either way, while stopped the thread keeps writing silence rather than
// pausing the device, so no stale audio is left in a paused queue to play on
// the next start, and the device clock (and a captured output file) keeps
// running.
#include "engine/output_win.h"

#include <windows.h>
#include <mmsystem.h>
#include <audioclient.h>
#include <mmdeviceapi.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "base/guarded.h"
#include "base/scoped_win.h"
#include "engine/engine.h"
#include "engine/pcm_convert.h"
#include "engine/pcm_source.h"

namespace {

constexpr int kBufferCount = 4;
constexpr uint32_t kBufferMs = 25;  // 4 x 25 ms queued: ~100 ms latency

class WaveOutput {
 public:
  ~WaveOutput() { Close(); }  // a program that ends without EngineFree
  int Open(int device, uint32_t rate);
  void Close();
  bool IsOpen() const { return thread_.joinable(); }
  // Drops what is queued. Under gOpenLock, so that Close cannot close the event meanwhile.
  void RequestSilence() {
    reset_ = true;
    if (event_) SetEvent(event_.Get());
  }
  uint32_t Rate() const { return rate_; }

 private:
  bool OpenDevice(UINT id);
  void CloseDevice();
  void Run();

  // The output thread owns everything below while it runs.
  HWAVEOUT wave_ = nullptr;
  UniqueHandle event_;
  std::atomic<uint32_t> rate_{0};
  size_t frames_per_buffer_ = 0;
  std::vector<int16_t> samples_[kBufferCount];
  WAVEHDR headers_[kBufferCount]{};
  bool queued_[kBufferCount]{};
  std::thread thread_;
  std::atomic<bool> quit_{false};
  std::atomic<bool> reset_{false};
};

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

// One buffer's worth of mixed audio.
void Mix(int16_t* out, size_t frames) {
  std::lock_guard render(gRenderLock);
  if (!gRunning) {
    std::fill(out, out + frames * 2, int16_t{0});
    return;
  }
  std::vector<std::shared_ptr<PcmSource>> sources;
  {
    std::lock_guard lock(gSourcesLock);
    sources = gSources;
  }
  static thread_local std::vector<int32_t> acc;
  static thread_local std::vector<int16_t> one;
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
}

// Shared-mode WASAPI on the default render endpoint, timer-driven (see the top).
// Queued audio swings between kQueueMs and kQueueMs - kPassMs (less what one
// pass takes): about the latency of the waveOut queue, with margin for a late
// wake-up. 50 ms passes measured no cheaper than 30 ms.
constexpr uint32_t kQueueMs = 100;
constexpr uint32_t kPassMs = 30;
constexpr REFERENCE_TIME kCapacity = 300 * 10000;  // the endpoint buffer, 300 ms in 100 ns units

class WasapiOutput {
 public:
  ~WasapiOutput() { Close(); }
  int Open(uint32_t rate);  // the default device
  void Close();
  bool IsOpen() const { return thread_.joinable(); }
  void RequestSilence() { reset_ = true; }
  uint32_t Rate() const { return rate_; }

 private:
  int OpenDevice();
  void CloseDevice();
  bool Fill();
  void Run();

  // The output thread owns the device while it runs.
  ComPtr<IAudioClient> client_;
  ComPtr<IAudioRenderClient> render_;
  UINT32 queue_frames_ = 0;
  bool started_ = false;
  std::atomic<uint32_t> rate_{0};
  std::thread thread_;
  std::atomic<bool> quit_{false};
  std::atomic<bool> reset_{false};
  std::promise<int> opened_;  // the first open's result
};

int WasapiOutput::OpenDevice() {
  ComPtr<IMMDeviceEnumerator> devices;
  if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, IID_PPV_ARGS(&devices))))
    return kErrorNoDevice;
  ComPtr<IMMDevice> endpoint;
  if (FAILED(devices->GetDefaultAudioEndpoint(eRender, eConsole, &endpoint))) return kErrorNoDevice;
  ComPtr<IAudioClient> client;
  if (FAILED(endpoint->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, &client))) return kErrorNoDevice;
  const WAVEFORMATEX format = StereoPcm16(rate_);
  HRESULT hr = client->Initialize(AUDCLNT_SHAREMODE_SHARED, AUDCLNT_STREAMFLAGS_NOPERSIST, kCapacity, 0, &format, nullptr);
  if (hr == AUDCLNT_E_UNSUPPORTED_FORMAT) {
    // The endpoint mixes at another rate or sample type: let the system convert.
    client.Reset();
    if (FAILED(endpoint->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, &client))) return kErrorNoDevice;
    hr = client->Initialize(AUDCLNT_SHAREMODE_SHARED,
                            AUDCLNT_STREAMFLAGS_NOPERSIST | AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM |
                                AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY,
                            kCapacity, 0, &format, nullptr);
  }
  if (FAILED(hr)) return kErrorNoDevice;
  ComPtr<IAudioRenderClient> render;
  UINT32 capacity = 0;
  if (FAILED(client->GetBufferSize(&capacity)) || FAILED(client->GetService(IID_PPV_ARGS(&render)))) return kErrorNoDevice;
  client_ = std::move(client);
  render_ = std::move(render);
  queue_frames_ = std::min<UINT32>(capacity, rate_ * kQueueMs / 1000);
  started_ = false;
  return kErrorOk;
}

void WasapiOutput::CloseDevice() {
  if (client_ && started_) client_->Stop();
  render_.Reset();
  client_.Reset();
  started_ = false;
}

// Tops the endpoint buffer up to the queue length. False when the device is gone.
bool WasapiOutput::Fill() {
  UINT32 padding = 0;
  if (FAILED(client_->GetCurrentPadding(&padding))) return false;
  if (padding >= queue_frames_) return true;
  const UINT32 frames = queue_frames_ - padding;
  BYTE* data = nullptr;
  if (FAILED(render_->GetBuffer(frames, &data))) return false;
  Mix(reinterpret_cast<int16_t*>(data), frames);
  return SUCCEEDED(render_->ReleaseBuffer(frames, 0));
}

void WasapiOutput::Run() {
  gOutputThread = std::this_thread::get_id();
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  ScopedComInit com;
  int first = kErrorNoDevice;
  try {
    if (com.Usable()) first = OpenDevice();
  } catch (...) {
    first = kErrorMemory;  // Open must hear back whatever happens
  }
  opened_.set_value(first);
  if (first != kErrorOk) {
    gOutputThread = std::thread::id{};
    return;
  }
  while (!quit_) {
    if (!client_ && OpenDevice() != kErrorOk) {
      // The device went away: try the default one again now and then.
      for (int i = 0; i < 10 && !quit_; ++i) Sleep(50);
      continue;
    }
    if (reset_.exchange(false) && started_) {
      client_->Stop();
      client_->Reset();
      started_ = false;
    }
    if (!Fill()) {
      CloseDevice();
      continue;
    }
    if (!started_) started_ = SUCCEEDED(client_->Start());
    Sleep(kPassMs);
  }
  CloseDevice();
  gOutputThread = std::thread::id{};
}

int WasapiOutput::Open(uint32_t rate) {
  rate_ = rate;
  quit_ = false;
  reset_ = false;
  opened_ = std::promise<int>();
  std::future<int> opened = opened_.get_future();
  if (!StartGuardedThread(thread_, [this] { Run(); })) {
    rate_ = 0;
    return kErrorMemory;
  }
  const int result = opened.get();
  if (result != kErrorOk) {
    thread_.join();
    rate_ = 0;
  }
  return result;
}

void WasapiOutput::Close() {
  if (!thread_.joinable()) return;
  quit_ = true;
  thread_.join();
  rate_ = 0;
}

int WaveOutput::Open(int device, uint32_t rate) {
  if (waveOutGetNumDevs() == 0) return kErrorNoDevice;
  UINT id = WAVE_MAPPER;
  if (device >= 0) {
    if (UINT(device) >= waveOutGetNumDevs()) return kErrorNoDevice;
    id = UINT(device);
  }
  event_ = MakeEvent(false);
  if (!event_) return kErrorMemory;
  rate_ = rate;
  frames_per_buffer_ = rate * kBufferMs / 1000;
  for (auto& s : samples_) s.assign(frames_per_buffer_ * 2, 0);
  if (!OpenDevice(id)) {
    event_.Reset();
    rate_ = 0;
    return kErrorNoDevice;
  }
  quit_ = false;
  reset_ = false;
  if (!StartGuardedThread(thread_, [this] { Run(); })) {
    CloseDevice();
    event_.Reset();
    rate_ = 0;
    return kErrorMemory;
  }
  return kErrorOk;
}

void WaveOutput::Close() {
  if (!thread_.joinable()) return;
  quit_ = true;
  SetEvent(event_.Get());
  thread_.join();
  CloseDevice();
  event_.Reset();
  rate_ = 0;
}

bool WaveOutput::OpenDevice(UINT id) {
  const WAVEFORMATEX format = StereoPcm16(rate_);
  if (waveOutOpen(&wave_, id, &format, DWORD_PTR(event_.Get()), 0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
    wave_ = nullptr;
    return false;
  }
  for (int i = 0; i < kBufferCount; ++i) {
    headers_[i] = WAVEHDR{};
    headers_[i].lpData = reinterpret_cast<LPSTR>(samples_[i].data());
    headers_[i].dwBufferLength = DWORD(frames_per_buffer_ * 4);
    queued_[i] = false;
    if (waveOutPrepareHeader(wave_, &headers_[i], sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
      CloseDevice();
      return false;
    }
  }
  return true;
}

void WaveOutput::CloseDevice() {
  if (!wave_) return;
  waveOutReset(wave_);  // returns every queued buffer
  for (auto& h : headers_) {
    if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(wave_, &h, sizeof(WAVEHDR));
  }
  waveOutClose(wave_);
  wave_ = nullptr;
}

void WaveOutput::Run() {
  gOutputThread = std::this_thread::get_id();
  // Above normal work, below the system's time-critical threads: Render decodes here.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  while (!quit_) {
    if (!wave_) {
      // The device went away: try the default one again now and then.
      if (!OpenDevice(WAVE_MAPPER)) {
        WaitForSingleObject(event_.Get(), 500);
        continue;
      }
    }
    if (reset_.exchange(false)) {
      waveOutReset(wave_);
      for (bool& q : queued_) q = false;
    }
    for (int i = 0; i < kBufferCount && wave_ && !quit_; ++i) {
      if (queued_[i] && !(headers_[i].dwFlags & WHDR_DONE)) continue;
      Mix(samples_[i].data(), frames_per_buffer_);
      const MMRESULT r = waveOutWrite(wave_, &headers_[i], sizeof(WAVEHDR));
      queued_[i] = r == MMSYSERR_NOERROR;
      if (r != MMSYSERR_NOERROR) CloseDevice();  // MMSYSERR_NODRIVER: removed; reopen above
    }
    WaitForSingleObject(event_.Get(), 100);
  }
  gOutputThread = std::thread::id{};
}

// The device in use: the default one through WASAPI when it opens, otherwise waveOut.
// Defined after everything the output thread mixes from, so that it is destroyed
// (and its thread ended) first when a program ends without EngineFree.
class Output {
 public:
  int Open(int device, uint32_t rate) {
    wave_in_use_ = device >= 0 || wasapi_.Open(rate) != kErrorOk;
    return wave_in_use_ ? wave_.Open(device, rate) : kErrorOk;
  }
  void Close() { wave_in_use_ ? wave_.Close() : wasapi_.Close(); }
  bool IsOpen() const { return wave_in_use_ ? wave_.IsOpen() : wasapi_.IsOpen(); }
  void RequestSilence() { wave_in_use_ ? wave_.RequestSilence() : wasapi_.RequestSilence(); }
  uint32_t Rate() const { return wave_in_use_ ? wave_.Rate() : wasapi_.Rate(); }

 private:
  WasapiOutput wasapi_;
  WaveOutput wave_;
  std::atomic<bool> wave_in_use_{false};  // set under gOpenLock; Rate reads it without
};
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
  std::lock_guard lock(gSourcesLock);
  if (std::find(gSources.begin(), gSources.end(), source) == gSources.end()) gSources.push_back(std::move(source));
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
