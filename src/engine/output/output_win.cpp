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
//
// This file holds the output thread and the public calls. The mix and its
// sources are in mixer_win.cpp, the system's WASAPI endpoints in
// wasapi_stream_win.cpp (their watcher in endpoint_watcher_win.cpp), the
// waveOut device in wave_device_win.cpp, and the lengths of the devices'
// queues and passes in output_timing.h.
#include "engine/output/output_win.h"

#include <windows.h>
#include <mmsystem.h>
#include <audioclient.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/guarded.h"
#include "base/scoped_win.h"
#include "engine/net/engine_error.h"
#include "engine/output/mixer_win.h"
#include "engine/output/output_timing.h"
#include "engine/output/pcm_source.h"
#include "engine/output/wasapi_stream_win.h"
#include "engine/output/wave_device_win.h"

namespace {

// The devices' buffer and pass lengths are in output_timing.h.
constexpr DWORD kRetryMs = 500;      // between attempts while no device opens
constexpr int kStartTries = 10;      // passes (~300 ms) a new stream may refuse to start
constexpr int kDrainPasses = 10;     // passes an old default device may take to play out
constexpr int kWasapiStrikes = 3;    // WASAPI streams given up in a row before waveOut plays

std::mutex gEndpointsLock;
std::function<std::unique_ptr<RenderEndpoints>()> gMakeEndpoints;  // protected by gEndpointsLock

class Output {
 public:
  // The mix is made first, so that it outlives the output thread.
  Output() : mixer_(Mixer::Get()) {}
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

  Mixer& mixer_;
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
  const size_t sounded = mixer_.Mix(out, frames, attached);
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
  mixer_.SetMixingThread(std::this_thread::get_id());
  // Above normal work, below the system's time-critical threads: Render decodes here.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  ScopedComInit com;
  int first = kErrorNoDevice;
  try {
    if (default_device_ && com.Usable()) {
      endpoints_ = make_endpoints_ ? make_endpoints_() : MakeSystemEndpoints();
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
    mixer_.SetMixingThread({});
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
          Wait(kIdlePassMs);
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
  mixer_.SetMixingThread({});
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

// Ended (its thread joined) when a program ends without EngineFree; the mix it
// reads from is destroyed after it (Output's constructor).
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
  // A stop returns once no Render is in progress; then what is queued goes.
  if (Mixer::Get().SetRunning(running) && !running) {
    std::lock_guard lock(gOpenLock);
    gOutput.RequestSilence();
  }
}

bool OutputRunning() { return Mixer::Get().Running(); }
void OutputSetVolume(float volume) { Mixer::Get().SetVolume(volume); }
float OutputVolume() { return Mixer::Get().Volume(); }

void OutputAttach(std::shared_ptr<PcmSource> source) {
  if (!source || !Mixer::Get().Attach(std::move(source))) return;
  std::lock_guard lock(gOpenLock);
  gOutput.Wake();
}

void OutputDetach(const PcmSource* source) { Mixer::Get().Detach(source); }

uint32_t OutputRate() { return gOutput.Rate(); }
uint64_t OutputSourceFramesWritten() { return Mixer::Get().SourceFrames(); }
