// The engine's output: one waveOut device fed by its own thread, mixing every
// attached PcmSource with the master volume.
//
// The thread waits on the device's event (CALLBACK_EVENT: a waveOut callback
// may not call wave functions, so the work happens here) and refills each
// buffer the device has finished with. While stopped it keeps writing silence
// rather than pausing the device, so no stale audio is left in a paused queue
// to play on the next start, and the device clock (and a captured output file)
// keeps running.
#include "engine/output_win.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
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

// Defined after everything the output thread mixes from, so that it is
// destroyed (and its thread ended) first when a program ends without EngineFree.
WaveOutput gOutput;
std::mutex gOpenLock;  // serialises Open, Close and RequestSilence: they share the event

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
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = rate_;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = rate_ * 4;
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
