// The engine's start-up calls and its output, heard through the captured
// device: a tone attached to the mix lands in the file at the volume set,
// nothing is added while stopped, and a detached source is never called again.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <numbers>

#include "engine/api/engine.h"
#include "engine/codecs/decoder.h"
#include "engine/output/pcm_source.h"
#include "engine_env.h"
#include "pcm_analysis.h"

namespace {

constexpr uint64_t kBytesPerSecond = engine_env::kRate * 4;

class SineSource : public PcmSource {
 public:
  SineSource(double hz, int amplitude) : hz_(hz), amplitude_(amplitude) {}
  size_t Render(int16_t* out, size_t frames) override {
    inside_ = true;
    if (slow_) Sleep(30);
    for (size_t i = 0; i < frames; ++i, ++phase_) {
      const auto v = int16_t(std::lround(amplitude_ * std::sin(2 * std::numbers::pi * hz_ * phase_ / engine_env::kRate)));
      out[2 * i] = out[2 * i + 1] = v;
    }
    calls_++;
    inside_ = false;
    return frames;
  }
  std::atomic<int> calls_{0};
  std::atomic<bool> inside_{false};
  std::atomic<bool> slow_{false};

 private:
  double hz_;
  int amplitude_;
  uint64_t phase_ = 0;  // output thread only
};

// The captured samples from `from` to `to` bytes, left channel.
std::vector<int16_t> CapturedLeft(const std::wstring& path, uint64_t from, uint64_t to) {
  std::vector<int16_t> all = pcm::ReadRaw(path, from & ~uint64_t(3));
  all.resize(std::min<size_t>(all.size(), (to - (from & ~uint64_t(3))) / 2));
  return pcm::Channel(all, 2, 0);
}

class EngineOutput : public testing::Test {
 protected:
  void SetUp() override {
    if (!EnsureEngine()) GTEST_SKIP() << "no output device";
    ASSERT_TRUE(EngineStart());
    ASSERT_TRUE(EngineSetVolume(1.0f));
  }
  void TearDown() override { EngineSetVolume(1.0f); }
};

TEST(EngineStartup, VersionInitTwiceAndPlugins) {
  EXPECT_EQ(EngineVersion() >> 16, 0x0204u);
  if (!EnsureEngine()) GTEST_SKIP() << "no output device";
  EXPECT_FALSE(EngineInit(kEngineDefaultDevice, engine_env::kRate, 0, nullptr, nullptr));
  EXPECT_EQ(EngineLastError(), kErrorAlready);
  EXPECT_EQ(OutputRate(), engine_env::kRate);

  // The folder is ignored and the name's case does not matter (Windows names).
  EXPECT_NE(EngineLoadPlugin("C:\\Program Files\\Volnar\\vnaac.dll", 0), 0u);
  EXPECT_NE(EngineLoadPlugin("VNAAC.DLL", 0), 0u);
  EXPECT_TRUE(DecoderAvailable(AudioCodec::kAac));
  EXPECT_TRUE(DecoderAvailable(AudioCodec::kMp3));
  struct Case {
    const char* file;
    int error;
  };
  for (Case c : {Case{"C:\\x\\vnwma.dll", kErrorCodec}, Case{"C:\\x\\other.dll", kErrorFileOpen},
                 Case{"vnaac.dll.bak", kErrorFileOpen}, Case{"", kErrorFileOpen}, Case{nullptr, kErrorFileOpen}}) {
    EXPECT_EQ(EngineLoadPlugin(c.file, 0), 0u) << (c.file ? c.file : "null");
    EXPECT_EQ(EngineLastError(), c.error) << (c.file ? c.file : "null");
  }
  // The options the program sets, and one it does not know.
  EXPECT_TRUE(EngineSetOption(kOptionNetPlaylist, 1));
  EXPECT_TRUE(EngineSetOption(kOptionWmaPrebuffer, 0));
  EXPECT_TRUE(EngineSetOptionText(kOptionNetProxy, ""));
  EXPECT_FALSE(EngineSetOption(12345, 1));
  EXPECT_EQ(EngineLastError(), kErrorIllegalParam);
}

TEST(EngineStartup, BadArgumentsAreRefused) {
  EngineFree();  // whatever state the process is in
  EXPECT_FALSE(EngineInit(99, engine_env::kRate, 0, nullptr, nullptr));
  EXPECT_EQ(EngineLastError(), kErrorNoDevice);
  EXPECT_FALSE(EngineInit(-2, engine_env::kRate, 0, nullptr, nullptr));
  EXPECT_EQ(EngineLastError(), kErrorIllegalParam);
  EXPECT_FALSE(EngineInit(kEngineDefaultDevice, 0, 0, nullptr, nullptr));
  EXPECT_EQ(EngineLastError(), kErrorIllegalParam);
  EXPECT_FALSE(EngineStop());
  EXPECT_EQ(EngineLastError(), kErrorNotInit);
  EXPECT_FALSE(EngineFree());
  EXPECT_EQ(EngineLastError(), kErrorNotInit);
  EXPECT_EQ(OutputRate(), 0u);
  // Free, then init again: the device opens anew.
  if (!EnsureEngine()) GTEST_SKIP() << "no output device";
  EXPECT_TRUE(EngineFree());
  EXPECT_TRUE(EngineInit(kEngineDefaultDevice, engine_env::kRate, 0, nullptr, nullptr));
  EXPECT_EQ(OutputRate(), engine_env::kRate);
}

TEST(EngineVolume, RoundTripAndRangeCheck) {
  for (float v : {0.0f, 0.37f, 0.5f, 1.0f}) {
    EXPECT_TRUE(EngineSetVolume(v));
    EXPECT_EQ(EngineGetVolume(), v);
  }
  EXPECT_TRUE(EngineSetVolume(0.25f));
  for (float bad : {-0.01f, 1.01f, std::nanf(""), INFINITY}) {
    EXPECT_FALSE(EngineSetVolume(bad));
    EXPECT_EQ(EngineLastError(), kErrorIllegalParam);
    EXPECT_EQ(EngineGetVolume(), 0.25f);  // unchanged
  }
  EXPECT_TRUE(EngineSetVolume(1.0f));
}

TEST_F(EngineOutput, DetachWaitsForRenderAndIsFinal) {
  auto source = std::make_shared<SineSource>(500, 1000);
  source->slow_ = true;
  OutputAttach(source);
  OutputAttach(source);  // not added twice
  while (source->calls_ < 3) Sleep(5);
  for (int i = 0; i < 20 && !source->inside_; ++i) Sleep(3);  // likely inside now
  OutputDetach(source.get());
  EXPECT_FALSE(source->inside_);
  const int calls = source->calls_;
  Sleep(300);
  EXPECT_EQ(source->calls_, calls);
  EXPECT_EQ(source.use_count(), 1);  // the output keeps no reference
}

TEST_F(EngineOutput, ToneReachesTheDeviceAtTheVolumeAndStopSilencesIt) {
  const std::wstring path = engine_env::CapturePath();
  if (path.empty()) GTEST_SKIP() << "VOLNAR_AUDIO_OUT not set: no captured device";
  auto source = std::make_shared<SineSource>(440, 8000);
  const uint64_t frames_before = OutputSourceFramesWritten();
  OutputAttach(source);

  // Full volume: skip half a second of queue and start-up, then listen to one.
  uint64_t start = engine_env::WaitForCapture(path, engine_env::FileSize(path), kBytesPerSecond / 2);
  uint64_t end = engine_env::WaitForCapture(path, start, kBytesPerSecond);
  ASSERT_GE(end - start, kBytesPerSecond) << "the captured file does not grow";
  std::vector<int16_t> full = CapturedLeft(path, start, start + kBytesPerSecond);
  EXPECT_NEAR(pcm::ZeroCrossingHz(full, engine_env::kRate), 440, 1.0);
  EXPECT_NEAR(pcm::Rms(full), 8000 / std::sqrt(2.0), 200);
  EXPECT_GT(OutputSourceFramesWritten() - frames_before, engine_env::kRate);

  // Half volume halves the amplitude.
  ASSERT_TRUE(EngineSetVolume(0.5f));
  start = engine_env::WaitForCapture(path, engine_env::FileSize(path), kBytesPerSecond / 2);
  end = engine_env::WaitForCapture(path, start, kBytesPerSecond);
  std::vector<int16_t> half = CapturedLeft(path, start, start + kBytesPerSecond);
  EXPECT_NEAR(pcm::ZeroCrossingHz(half, engine_env::kRate), 440, 1.0);
  EXPECT_NEAR(pcm::Rms(half) / pcm::Rms(full), 0.5, 0.02);

  // Stopped: the source is not asked for audio and nothing audible is added
  // (after what the device had already taken).
  ASSERT_TRUE(EngineStop());
  const int calls = source->calls_;
  const uint64_t frames_stopped = OutputSourceFramesWritten();
  start = engine_env::WaitForCapture(path, engine_env::FileSize(path), kBytesPerSecond / 2);
  end = engine_env::WaitForCapture(path, start, kBytesPerSecond);
  std::vector<int16_t> quiet = CapturedLeft(path, start, end);
  EXPECT_GT(quiet.size(), engine_env::kRate / 2) << "the device should keep running while stopped";
  EXPECT_EQ(pcm::Peak(quiet), 0);
  EXPECT_EQ(source->calls_, calls);
  EXPECT_EQ(OutputSourceFramesWritten(), frames_stopped);

  // Started again: the tone comes back.
  ASSERT_TRUE(EngineStart());
  start = engine_env::WaitForCapture(path, engine_env::FileSize(path), kBytesPerSecond / 2);
  end = engine_env::WaitForCapture(path, start, kBytesPerSecond / 2);
  std::vector<int16_t> again = CapturedLeft(path, start, start + kBytesPerSecond / 2);
  EXPECT_NEAR(pcm::Rms(again), 4000 / std::sqrt(2.0), 200);
  EXPECT_GT(source->calls_, calls);
  OutputDetach(source.get());
}

// Device 0 is a numbered device, which plays through the other path (waveOut)
// than the default device: the tone, the volume and a stop that silences it.
TEST(EngineStartup, NumberedDevicePlaysToo) {
  const std::wstring path = engine_env::CapturePath();
  if (path.empty()) GTEST_SKIP() << "VOLNAR_AUDIO_OUT not set: no captured device";
  EngineFree();
  ASSERT_TRUE(EngineInit(0, engine_env::kRate, 0, nullptr, nullptr)) << EngineLastError();
  EXPECT_EQ(OutputRate(), engine_env::kRate);
  auto source = std::make_shared<SineSource>(660, 8000);
  ASSERT_TRUE(EngineSetVolume(0.5f));
  OutputAttach(source);
  uint64_t start = engine_env::WaitForCapture(path, engine_env::FileSize(path), kBytesPerSecond / 2);
  uint64_t end = engine_env::WaitForCapture(path, start, kBytesPerSecond / 2);
  std::vector<int16_t> heard = CapturedLeft(path, start, end);
  EXPECT_NEAR(pcm::ZeroCrossingHz(heard, engine_env::kRate), 660, 2.0);
  EXPECT_NEAR(pcm::Rms(heard), 4000 / std::sqrt(2.0), 200);
  ASSERT_TRUE(EngineStop());
  const int calls = source->calls_;
  start = engine_env::WaitForCapture(path, engine_env::FileSize(path), kBytesPerSecond / 2);
  end = engine_env::WaitForCapture(path, start, kBytesPerSecond / 2);
  EXPECT_EQ(pcm::Peak(CapturedLeft(path, start, end)), 0);
  EXPECT_EQ(source->calls_, calls);
  OutputDetach(source.get());
  EXPECT_TRUE(EngineSetVolume(1.0f));
  EXPECT_TRUE(EngineFree());
  EXPECT_TRUE(EngineInit(kEngineDefaultDevice, engine_env::kRate, 0, nullptr, nullptr));
}

TEST_F(EngineOutput, SourcesAreMixedAndClipped) {
  const std::wstring path = engine_env::CapturePath();
  if (path.empty()) GTEST_SKIP() << "VOLNAR_AUDIO_OUT not set: no captured device";
  // Two loud tones: their sum exceeds 16 bits and must clip, not wrap.
  auto a = std::make_shared<SineSource>(300, 30000);
  auto b = std::make_shared<SineSource>(300, 30000);
  OutputAttach(a);
  OutputAttach(b);
  uint64_t start = engine_env::WaitForCapture(path, engine_env::FileSize(path), kBytesPerSecond / 2);
  uint64_t end = engine_env::WaitForCapture(path, start, kBytesPerSecond / 2);
  std::vector<int16_t> loud = CapturedLeft(path, start, end);
  OutputDetach(a.get());
  OutputDetach(b.get());
  ASSERT_FALSE(loud.empty());
  EXPECT_EQ(pcm::Peak(loud), 32768);
  // Wrapping would flip the sign at the peaks; clipping keeps the pitch.
  EXPECT_NEAR(pcm::ZeroCrossingHz(loud, engine_env::kRate), 300, 2.0);
}

}  // namespace
