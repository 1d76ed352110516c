// The output following the default device, through stand-in endpoints whose
// calls fail the way Windows makes them fail: a render stream that reports
// AUDCLNT_E_DEVICE_INVALIDATED mid-stream (the headset unplugged), a Start that
// fails, a new default device, no endpoint at all.
//
// Under Wine these cannot be brought about for real, which is why they are
// played here: Wine 8 calls no IMMNotificationClient method at all, neither
// when the sound server's default sink changes nor when the playing sink is
// unloaded (the sound server moves the stream to another sink by itself and
// every render call goes on succeeding); only a stream the sound server kills
// makes GetCurrentPadding return AUDCLNT_E_DEVICE_INVALIDATED. The end-to-end
// check (tests/e2e/test_output_device.py) does all three for real.
//
// The source plays a ramp, so what each stand-in device took or played can be
// checked sample by sample: audio mixed for a device that failed must reach the
// next one, none twice, none lost.
#include <gtest/gtest.h>

#include <windows.h>
#include <audioclient.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/api/engine.h"
#include "engine/output/output_win.h"
#include "engine/output/pcm_source.h"
#include "engine_env.h"

namespace {

constexpr int kRampLength = 30000;
constexpr size_t kFifth = engine_env::kRate / 5;  // frames in 0.2 s
// GetDefaultAudioEndpoint's answer when there is no render endpoint.
const HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);

// 1, 2, ... kRampLength, 1, 2, ... on both channels; 0 never occurs, so the
// device's silence before the source is attached can be told apart.
// Has every frame it is asked for until `short_` is set, then only half.
class RampSource : public PcmSource {
 public:
  size_t Render(int16_t* out, size_t frames) override {
    if (short_) frames = (frames + 1) / 2;
    for (size_t i = 0; i < frames; ++i, ++next_) out[2 * i] = out[2 * i + 1] = int16_t(1 + next_ % kRampLength);
    rendered_ += frames;
    return frames;
  }
  std::atomic<uint64_t> rendered_{0};
  std::atomic<bool> short_{false};

 private:
  uint64_t next_ = 0;  // output thread only
};

enum class Call { kOpen, kPadding, kGetBuffer, kReleaseBuffer, kStart };

// One stand-in stream's record; it outlives the stream.
struct Device {
  int number = 0;             // 1 = the first stream opened
  std::vector<int16_t> taken;  // interleaved samples the stream accepted
  size_t played_frames = 0;    // when it closed: frames it had played
  bool started = false;
  bool closed = false;
  int start_calls = 0;
  // Frames queued and not yet played ahead of the first sound (a sample that is
  // not 0) when it was handed over; SIZE_MAX until then. A test may set it
  // back to hear the next first sound.
  size_t silence_ahead = SIZE_MAX;
  size_t sound_from = 0;  // then: the frame in `taken` where that sound starts
};

// The stand-in machine: endpoints that play at real-time rate, faults the
// test chooses, and the notification the system would send.
struct Machine {
  std::mutex lock;
  std::vector<std::shared_ptr<Device>> devices;  // protected by lock
  std::function<void()> changed;                 // protected by lock
  // What call `call` of stream `number` returns, given the frames it has taken.
  std::function<HRESULT(int number, Call call, size_t taken_frames)> fault;  // protected by lock
  // Padding calls, from now on, that find a started stream played out: the
  // device ran dry before the output came back to it.
  int run_dry = 0;  // protected by lock

  HRESULT Fault(int number, Call call, size_t taken) {
    return fault ? fault(number, call, taken) : S_OK;
  }
  std::shared_ptr<Device> Get(int number) {
    std::lock_guard l(lock);
    return number <= int(devices.size()) ? devices[number - 1] : nullptr;
  }
  // As the system's notification thread does.
  void Notify() {
    std::function<void()> call;
    {
      std::lock_guard l(lock);
      call = changed;
    }
    if (call) call();
  }
};

class StandInStream final : public RenderStream {
 public:
  StandInStream(std::shared_ptr<Machine> machine, std::shared_ptr<Device> device, uint32_t rate)
      : machine_(std::move(machine)), device_(std::move(device)), rate_(rate) {}
  ~StandInStream() override {
    std::lock_guard l(machine_->lock);
    device_->played_frames = PlayedLocked();
    device_->closed = true;
  }
  UINT32 BufferFrames() const override { return rate_ * 3 / 10; }
  HRESULT Padding(UINT32& frames) override {
    std::lock_guard l(machine_->lock);
    if (HRESULT hr = machine_->Fault(device_->number, Call::kPadding, Taken()); FAILED(hr)) return hr;
    if (machine_->run_dry > 0 && device_->started) {
      --machine_->run_dry;
      played_before_ = Taken();
      started_at_ = GetTickCount64();
    }
    frames = UINT32(Taken() - PlayedLocked());
    return S_OK;
  }
  HRESULT GetBuffer(UINT32 frames, BYTE*& data) override {
    std::lock_guard l(machine_->lock);
    if (HRESULT hr = machine_->Fault(device_->number, Call::kGetBuffer, Taken()); FAILED(hr)) return hr;
    if (Taken() - PlayedLocked() + frames > BufferFrames()) return AUDCLNT_E_BUFFER_TOO_LARGE;
    buffer_.assign(size_t(frames) * 2, 0);
    data = reinterpret_cast<BYTE*>(buffer_.data());
    return S_OK;
  }
  HRESULT ReleaseBuffer(UINT32 frames) override {
    std::lock_guard l(machine_->lock);
    if (HRESULT hr = machine_->Fault(device_->number, Call::kReleaseBuffer, Taken()); FAILED(hr)) return hr;
    if (device_->silence_ahead == SIZE_MAX) {
      auto sound = std::find_if(buffer_.begin(), buffer_.begin() + size_t(frames) * 2, [](int16_t v) { return v != 0; });
      if (sound != buffer_.begin() + size_t(frames) * 2) {
        device_->sound_from = Taken() + size_t(sound - buffer_.begin()) / 2;
        device_->silence_ahead = device_->sound_from - PlayedLocked();
      }
    }
    device_->taken.insert(device_->taken.end(), buffer_.begin(), buffer_.begin() + size_t(frames) * 2);
    return S_OK;
  }
  HRESULT Start() override {
    std::lock_guard l(machine_->lock);
    device_->start_calls++;
    if (HRESULT hr = machine_->Fault(device_->number, Call::kStart, Taken()); FAILED(hr)) return hr;
    if (device_->started) return AUDCLNT_E_NOT_STOPPED;
    device_->started = true;
    started_at_ = GetTickCount64();
    return S_OK;
  }
  HRESULT Stop() override {
    std::lock_guard l(machine_->lock);
    played_before_ = PlayedLocked();
    device_->started = false;
    return S_OK;
  }
  HRESULT Reset() override {
    std::lock_guard l(machine_->lock);
    if (device_->started) return AUDCLNT_E_NOT_STOPPED;
    device_->taken.resize(played_before_ * 2);  // what was queued is gone unplayed
    return S_OK;
  }

 private:
  size_t Taken() const { return device_->taken.size() / 2; }
  // Frames played so far: the clock runs from Start, and never past what was taken.
  size_t PlayedLocked() const {
    size_t played = played_before_;
    if (device_->started) played += size_t((GetTickCount64() - started_at_) * rate_ / 1000);
    return std::min(played, Taken());
  }

  std::shared_ptr<Machine> machine_;
  std::shared_ptr<Device> device_;
  uint32_t rate_;
  std::vector<int16_t> buffer_;
  uint64_t started_at_ = 0;
  size_t played_before_ = 0;
};

class StandInEndpoints final : public RenderEndpoints {
 public:
  explicit StandInEndpoints(std::shared_ptr<Machine> machine) : machine_(std::move(machine)) {}
  HRESULT OpenDefault(uint32_t rate, std::unique_ptr<RenderStream>& out) override {
    auto device = std::make_shared<Device>();
    {
      std::lock_guard l(machine_->lock);
      device->number = int(machine_->devices.size()) + 1;
      // No endpoint: GetDefaultAudioEndpoint's answer.
      if (HRESULT hr = machine_->Fault(device->number, Call::kOpen, 0); FAILED(hr)) return hr;
      machine_->devices.push_back(device);
    }
    out = std::make_unique<StandInStream>(machine_, device, rate);
    return S_OK;
  }
  void Watch(std::function<void()> changed) override {
    std::lock_guard l(machine_->lock);
    machine_->changed = std::move(changed);
  }

 private:
  std::shared_ptr<Machine> machine_;
};

// Waits up to 20 s (a guard against hanging, not a measure) for `done`.
bool WaitFor(const std::function<bool()>& done) {
  for (int waited = 0; waited < 20000; waited += 10) {
    if (done()) return true;
    Sleep(10);
  }
  return done();
}

// The ramp's left channel across `pieces`, leading silence left out; the
// number of places where it does not go on by exactly one.
int RampBreaks(const std::vector<std::vector<int16_t>>& pieces, size_t* frames = nullptr) {
  int breaks = 0;
  int prev = -1;
  size_t count = 0;
  for (const auto& piece : pieces) {
    for (size_t i = 0; i < piece.size(); i += 2) {
      const int v = piece[i];
      if (prev < 0 && v == 0) continue;
      if (prev >= 0 && v != prev % kRampLength + 1) ++breaks;
      prev = v;
      ++count;
    }
  }
  if (frames) *frames = count;
  return breaks;
}

std::vector<int16_t> Taken(const std::shared_ptr<Device>& d, size_t frames = SIZE_MAX) {
  std::vector<int16_t> out = d->taken;
  if (frames != SIZE_MAX) out.resize(std::min(out.size(), frames * 2));
  return out;
}

class OutputDevice : public testing::Test {
 protected:
  void SetUp() override {
    EngineFree();  // whatever state the process is in
    machine_ = std::make_shared<Machine>();
    std::shared_ptr<Machine> machine = machine_;
    OutputUseEndpoints([machine] { return std::make_unique<StandInEndpoints>(machine); });
  }
  void TearDown() override {
    if (source_) OutputDetach(source_.get());
    EngineFree();
    OutputUseEndpoints({});
    EngineSetVolume(1.0f);
    EnsureEngine();  // the real device again, for the tests after
  }
  void SetFault(std::function<HRESULT(int, Call, size_t)> fault) {
    std::lock_guard l(machine_->lock);
    machine_->fault = std::move(fault);
  }
  bool Init() { return EngineInit(kEngineDefaultDevice, engine_env::kRate, 0, nullptr, nullptr); }
  void Play() {
    source_ = std::make_shared<RampSource>();
    OutputAttach(source_);
  }
  // Frames device `number` has taken, once it exists (0 before).
  size_t TakenFrames(int number) {
    std::shared_ptr<Device> d = machine_->Get(number);
    std::lock_guard l(machine_->lock);
    return d ? d->taken.size() / 2 : 0;
  }
  std::shared_ptr<Device> Snapshot(int number) {
    std::shared_ptr<Device> d = machine_->Get(number);
    if (!d) return nullptr;
    std::lock_guard l(machine_->lock);
    return std::make_shared<Device>(*d);
  }

  std::shared_ptr<Machine> machine_;
  std::shared_ptr<RampSource> source_;
};

// Headphones pulled out: whichever call comes next fails with
// AUDCLNT_E_DEVICE_INVALIDATED, and so does every later call on that stream.
// The output opens the new default device, and everything mixed since the
// old device last accepted audio plays there, in order.
TEST_F(OutputDevice, InvalidatedMidStreamReopensWithNothingMixedLost) {
  for (Call failing : {Call::kPadding, Call::kGetBuffer, Call::kReleaseBuffer}) {
    SCOPED_TRACE(int(failing));
    SetUp();
    const size_t cut = 2 * kFifth;
    auto dead = std::make_shared<std::atomic<bool>>(false);
    SetFault([cut, failing, dead](int number, Call call, size_t taken) -> HRESULT {
      if (number != 1 || taken < cut) return S_OK;
      if (call == failing) *dead = true;
      return *dead ? AUDCLNT_E_DEVICE_INVALIDATED : S_OK;
    });
    ASSERT_TRUE(Init()) << EngineLastError();
    Play();
    ASSERT_TRUE(WaitFor([&] { return TakenFrames(2) >= 2 * kFifth; })) << "no second device";
    std::shared_ptr<Device> first = Snapshot(1), second = Snapshot(2);
    EXPECT_TRUE(first->closed);
    size_t frames = 0;
    EXPECT_EQ(RampBreaks({Taken(first), Taken(second)}, &frames), 0)
        << "audio mixed for the lost device is missing or doubled on the new one";
    EXPECT_GE(frames, 3 * kFifth);
    const OutputStatus status = OutputGetStatus();
    EXPECT_EQ(status.path, OutputPath::kWasapi);
    EXPECT_EQ(status.opens, 2u);
    EXPECT_EQ(status.lost, 1u);
    TearDown();
  }
}

// A stream whose Start keeps failing never plays what it is given: the output
// gives it up and the sound goes to the next device, from the ramp's start.
TEST_F(OutputDevice, StartThatKeepsFailingMovesToTheNextDevice) {
  SetFault([](int number, Call call, size_t) -> HRESULT {
    return number == 1 && call == Call::kStart ? AUDCLNT_E_DEVICE_IN_USE : S_OK;
  });
  ASSERT_TRUE(Init()) << EngineLastError();
  Play();
  ASSERT_TRUE(WaitFor([&] { return TakenFrames(2) >= 2 * kFifth; })) << "the sources stall behind a stream that never starts";
  std::shared_ptr<Device> first = Snapshot(1), second = Snapshot(2);
  EXPECT_GT(first->start_calls, 1) << "a failed start is tried again before the device is given up";
  EXPECT_TRUE(first->taken.empty()) << "a stream that never started took audio it never played";
  ASSERT_FALSE(second->taken.empty());
  size_t frames = 0;
  EXPECT_EQ(RampBreaks({Taken(second)}, &frames), 0);
  // Attached before the second device opened: the ramp starts at its beginning.
  auto start = std::find_if(second->taken.begin(), second->taken.end(), [](int16_t v) { return v != 0; });
  ASSERT_NE(start, second->taken.end());
  EXPECT_EQ(*start, 1);
  const OutputStatus status = OutputGetStatus();
  EXPECT_EQ(status.lost, 1u);
  EXPECT_GE(status.start_failures, 2u);
}

// A source attached while nothing sounds is rendered at once and its first
// audio queued behind no more than the idle queue of silence (50 ms), not
// behind the full queue a sounding output keeps; whatever the moment of the
// attach within the output's passes.
TEST_F(OutputDevice, ASourceStartingInSilenceWaitsBehindLittleQueuedSilence) {
  ASSERT_TRUE(Init()) << EngineLastError();
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    // Silence for a while first, so that only the idle queue is queued.
    const size_t before = TakenFrames(1);
    ASSERT_TRUE(WaitFor([&] { return TakenFrames(1) >= before + kFifth + size_t(round) * 331; }));
    std::shared_ptr<Device> device = machine_->Get(1);
    ASSERT_TRUE(device);
    {
      std::lock_guard l(machine_->lock);
      device->silence_ahead = SIZE_MAX;
    }
    Play();
    ASSERT_TRUE(WaitFor([&] { return Snapshot(1)->silence_ahead != SIZE_MAX; })) << "the source was never heard";
    EXPECT_LE(Snapshot(1)->silence_ahead, engine_env::kRate * 50 / 1000);
    // The queue fills up behind the first audio, and the ramp goes on unbroken.
    const size_t heard = TakenFrames(1);
    ASSERT_TRUE(WaitFor([&] { return TakenFrames(1) >= heard + kFifth; }));
    std::shared_ptr<Device> now = Snapshot(1);
    std::vector<int16_t> since(now->taken.begin() + std::ptrdiff_t(now->sound_from) * 2, now->taken.end());
    size_t frames = 0;
    EXPECT_EQ(RampBreaks({since}, &frames), 0);
    EXPECT_GE(frames, kFifth);
    EXPECT_EQ(since.front(), 1) << "the source's first frame comes first";
    OutputDetach(source_.get());
    source_.reset();
  }
}

// When no WASAPI stream ever starts, waveOut plays: the sources go on being
// rendered (into the real device under the tests).
TEST_F(OutputDevice, NoStreamStartsAtAllFallsBackToWaveOut) {
  if (waveOutGetNumDevs() == 0) GTEST_SKIP() << "no waveOut device here";
  SetFault([](int, Call call, size_t) -> HRESULT { return call == Call::kStart ? E_FAIL : S_OK; });
  ASSERT_TRUE(Init()) << EngineLastError();
  Play();
  ASSERT_TRUE(WaitFor([&] { return OutputGetStatus().path == OutputPath::kWaveOut; }));
  const uint64_t rendered = source_->rendered_;
  ASSERT_TRUE(WaitFor([&] { return source_->rendered_ > rendered + engine_env::kRate / 2; }))
      << "the sources stall";
  const OutputStatus status = OutputGetStatus();
  EXPECT_GE(status.lost, 3u);
  for (int n = 1; n <= int(status.lost); ++n) EXPECT_TRUE(Snapshot(n)->taken.empty()) << n;
}

// A new default device (headphones plugged in): the stream there plays on
// from where the old device stopped, after the old one has played out what
// it held, and the volume is the same.
TEST_F(OutputDevice, DefaultDeviceChangeMovesTheSoundWithoutLosingAny) {
  ASSERT_TRUE(Init()) << EngineLastError();
  Play();
  ASSERT_TRUE(WaitFor([&] { return TakenFrames(1) >= 2 * kFifth; }));
  machine_->Notify();
  ASSERT_TRUE(WaitFor([&] { return TakenFrames(2) >= 2 * kFifth; })) << "the output stays on the old default device";
  std::shared_ptr<Device> first = Snapshot(1), second = Snapshot(2);
  EXPECT_TRUE(first->closed);
  EXPECT_EQ(first->played_frames, first->taken.size() / 2) << "the old device was closed before it had played out";
  EXPECT_EQ(RampBreaks({Taken(first, first->played_frames), Taken(second)}), 0);
  const OutputStatus status = OutputGetStatus();
  EXPECT_EQ(status.default_changes, 1u);
  EXPECT_EQ(status.lost, 0u);
  EXPECT_EQ(status.opens, 2u);

  // And again with the volume turned down: the level on the next device is the one set.
  ASSERT_TRUE(EngineSetVolume(0.5f));
  const size_t before = TakenFrames(2);
  ASSERT_TRUE(WaitFor([&] { return TakenFrames(2) >= before + kFifth; }));
  machine_->Notify();
  ASSERT_TRUE(WaitFor([&] { return TakenFrames(3) >= kFifth; }));
  // At half volume the ramp climbs by one every second frame.
  std::shared_ptr<Device> third = Snapshot(3);
  size_t frames = 0, repeats = 0;
  for (size_t i = 2; i < third->taken.size(); i += 2, ++frames) repeats += third->taken[i] == third->taken[i - 2];
  ASSERT_GT(frames, 0u);
  EXPECT_NEAR(double(repeats) / frames, 0.5, 0.05);
  EXPECT_EQ(EngineGetVolume(), 0.5f);
}

// The device goes and WASAPI finds no endpoint any more: waveOut plays until
// the system names a default device again, which then gets the sound back.
TEST_F(OutputDevice, NoEndpointLeftFallsBackToWaveOutUntilANewDefault) {
  if (waveOutGetNumDevs() == 0) GTEST_SKIP() << "no waveOut device here";
  std::atomic<bool> endpoints{true};
  SetFault([&endpoints](int number, Call call, size_t taken) -> HRESULT {
    if (call == Call::kOpen) return endpoints || number == 1 ? S_OK : kNotFound;
    return number == 1 && taken >= kFifth ? AUDCLNT_E_DEVICE_INVALIDATED : S_OK;
  });
  ASSERT_TRUE(Init()) << EngineLastError();
  Play();
  ASSERT_TRUE(WaitFor([&] { return TakenFrames(1) >= kFifth; }));
  endpoints = false;
  ASSERT_TRUE(WaitFor([&] { return OutputGetStatus().path == OutputPath::kWaveOut; }))
      << "the output keeps trying an endpoint that is not there";
  const uint64_t rendered = source_->rendered_;
  ASSERT_TRUE(WaitFor([&] { return source_->rendered_ > rendered + engine_env::kRate / 2; }));

  endpoints = true;
  machine_->Notify();
  ASSERT_TRUE(WaitFor([&] { return OutputGetStatus().path == OutputPath::kWasapi && source_->rendered_ > 0; }));
  std::shared_ptr<Device> back;
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard l(machine_->lock);
    back = machine_->devices.back();
    return back->number > 1 && back->taken.size() / 2 >= size_t(kFifth);
  }));
  EXPECT_EQ(OutputGetStatus().default_changes, 1u);
}

// The output's own figures tell a stream that ran short from a device the
// output came back to too late, so that a break in the sound can be placed.
// Neither is counted while the source has everything and the device has audio
// queued, nor for the silence after a source is detached.
TEST_F(OutputDevice, FiguresTellAShortSourceFromALateOutput) {
  ASSERT_TRUE(Init()) << EngineLastError();
  Play();
  ASSERT_TRUE(WaitFor([&] { return TakenFrames(1) >= 2 * kFifth; }));
  OutputStatus status = OutputGetStatus();
  EXPECT_EQ(status.short_mixes, 0u);
  EXPECT_GT(status.longest_pass_ms, 0u);

  {
    std::lock_guard l(machine_->lock);
    machine_->run_dry = 1;
  }
  ASSERT_TRUE(WaitFor([&] { return OutputGetStatus().late_passes >= 1; })) << "a device that ran dry goes unnoticed";
  EXPECT_EQ(OutputGetStatus().short_mixes, 0u) << "a late output is not a short source";

  source_->short_ = true;
  ASSERT_TRUE(WaitFor([&] { return OutputGetStatus().short_mixes >= 3; }))
      << "a source that gives half of what is asked goes unnoticed";
  source_->short_ = false;

  // Detached while sounding: what follows is the end of the sound, not a shortage.
  const size_t taken = TakenFrames(1);
  ASSERT_TRUE(WaitFor([&] { return TakenFrames(1) >= taken + kFifth / 4; }));
  const uint32_t short_mixes = OutputGetStatus().short_mixes;
  OutputDetach(source_.get());
  source_.reset();
  const size_t after = TakenFrames(1);
  ASSERT_TRUE(WaitFor([&] { return TakenFrames(1) >= after + kFifth; }));
  EXPECT_EQ(OutputGetStatus().short_mixes, short_mixes);
}

}  // namespace
