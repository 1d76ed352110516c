// The decoders on the committed fixtures: each tone must come out at its pitch
// at 44100 Hz, at its level, for its length, however the bytes arrive.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "decode_fixture.h"
#include "engine/codecs/decoder.h"
#include "engine/codecs/media_win.h"
#include "engine_env.h"
#include "pcm_analysis.h"

namespace {

using decode_fixture::DecodeAll;
using decode_fixture::MemoryInput;
using decode_fixture::ReadFixture;

struct Case {
  const char* file;
  AudioCodec codec;
  double hz;
};

const Case kCases[] = {
    {"tone440-44k-128.mp3", AudioCodec::kMp3, 440},
    {"tone1000-24k-64.mp3", AudioCodec::kMp3, 1000},  // MPEG-2, resampled
    {"tone330-16k-32.mp3", AudioCodec::kMp3, 330},    // MPEG-2, resampled
    {"tone660-44k-lc.aac", AudioCodec::kAac, 660},
    {"tone880-48k-lc.aac", AudioCodec::kAac, 880},    // 48 kHz: resampled
    {"tone740-44k-he1.aac", AudioCodec::kAac, 740},   // HE-AAC: SBR doubles the coded 22050 Hz
    {"tone370-44k-he2.aac", AudioCodec::kAac, 370},   // HE-AAC v2: one coded channel made two
};

// Checks one second of both channels from `at` seconds on.
void ExpectTone(const std::vector<int16_t>& pcm, double at, double hz) {
  const size_t from = size_t(at * engine_env::kRate) * 2;
  ASSERT_GE(pcm.size(), from + engine_env::kRate * 2) << "too short";
  const std::span<const int16_t> second(pcm.data() + from, engine_env::kRate * 2);
  for (int ch = 0; ch < 2; ++ch) {
    const auto one = pcm::Channel(second, 2, ch);
    EXPECT_NEAR(pcm::ZeroCrossingHz(one, engine_env::kRate), hz, 1.0) << "channel " << ch;
    // The fixtures are sines at half of full scale: RMS 32768 * 0.5 / sqrt(2).
    EXPECT_NEAR(pcm::Rms(one), 11585, 1200) << "channel " << ch;
    // Everything but the tone: about -80 dB for these MP3s, -32 dB for the
    // AAC encodes (the encoder's own noise); a wrong pitch or junk decoded as
    // audio gives close to 0 dB.
    EXPECT_LT(pcm::NonToneShare(one, engine_env::kRate, hz), 0.003) << "channel " << ch;
  }
}

class DecoderTest : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    engine_env::EnsureEngine();
    data_ = ReadFixture(GetParam().file);
    ASSERT_GT(data_.size(), 10000u) << "fixture not found from " << GetParam().file;
    ASSERT_TRUE(DecoderAvailable(GetParam().codec));
  }
  std::vector<uint8_t> data_;
};

TEST_P(DecoderTest, ToneComesOutAtItsPitchLevelAndLength) {
  const std::vector<int16_t> pcm = DecodeAll(GetParam().codec, data_);
  const double seconds = double(pcm.size() / 2) / engine_env::kRate;
  EXPECT_GT(seconds, 7.85);  // 8 s tones; encoder delay and padding add a little,
  EXPECT_LT(seconds, 8.35);  // the last frame waits for a header that never comes
  ExpectTone(pcm, 1.0, GetParam().hz);
  ExpectTone(pcm, 6.0, GetParam().hz);
}

TEST_P(DecoderTest, JunkBeforeAndAMidFrameStartAreSkipped) {
  std::mt19937 rng(7);
  std::vector<uint8_t> input(5000);
  for (auto& b : input) b = rng() % 3 ? uint8_t(rng()) : 0xFF;
  const size_t cut = data_.size() / 2 + 123;  // somewhere inside a frame
  input.insert(input.end(), data_.begin() + ptrdiff_t(cut), data_.end());
  const std::vector<int16_t> pcm = DecodeAll(GetParam().codec, input);
  const double seconds = double(pcm.size() / 2) / engine_env::kRate;
  EXPECT_GT(seconds, 3.7);
  EXPECT_LT(seconds, 4.3);
  ExpectTone(pcm, 1.0, GetParam().hz);
  // Junk must not have been decoded into noise at the start either.
  const std::span<const int16_t> start(pcm.data(), engine_env::kRate / 5 * 2);
  EXPECT_LT(pcm::Peak(start), 20000);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DecoderTest, testing::ValuesIn(kCases), [](const auto& info) {
  std::string n = info.param.file;
  for (char& c : n) if (!isalnum(uint8_t(c))) c = '_';
  return n;
});

TEST(DecoderChanges, RateChangeMidStreamKeepsBothPitches) {
  engine_env::EnsureEngine();
  // 44.1 kHz MPEG-1 then 16 kHz MPEG-2: a station switching encoders.
  std::vector<uint8_t> input = ReadFixture("tone440-44k-128.mp3");
  const std::vector<uint8_t> second = ReadFixture("tone330-16k-32.mp3");
  input.insert(input.end(), second.begin(), second.end());
  const std::vector<int16_t> pcm = DecodeAll(AudioCodec::kMp3, input);
  const double seconds = double(pcm.size() / 2) / engine_env::kRate;
  EXPECT_GT(seconds, 15.8);
  EXPECT_LT(seconds, 16.6);
  ExpectTone(pcm, 3.0, 440);
  ExpectTone(pcm, 12.0, 330);
}

TEST(DecoderChanges, AacThenMp3CodecsStaySeparate) {
  engine_env::EnsureEngine();
  // An MP3 decoder given AAC bytes finds no frames: silence, not noise.
  const std::vector<int16_t> pcm = DecodeAll(AudioCodec::kMp3, ReadFixture("tone660-44k-lc.aac"));
  EXPECT_TRUE(pcm.empty());
}

// The rate converter on its own: a 1000 Hz tone at 48 kHz must stay 1000 Hz at
// 44.1 kHz, with little distortion and the right number of frames.
TEST(RateConverter, ToneKeepsItsPitchAndPurity) {
  struct Rates {
    uint32_t in;
    double hz;
  };
  for (Rates r : {Rates{48000, 1000}, Rates{24000, 1000}, Rates{16000, 330}, Rates{22050, 3000}}) {
    SCOPED_TRACE(r.in);
    std::vector<int16_t> out;
    bool ok = std::async(std::launch::async, [&] {
                MfRateConverter converter;
                if (!converter.Configure(r.in, engine_env::kRate)) return false;
                // 3 s in blocks of one MP3 frame.
                std::vector<int16_t> block;
                for (uint32_t i = 0; i < r.in * 3; i += 1152) {
                  block.clear();
                  for (uint32_t j = i; j < std::min(i + 1152, r.in * 3); ++j) {
                    const int16_t v = int16_t(std::lround(16000 * std::sin(2 * std::numbers::pi * r.hz * j / r.in)));
                    block.push_back(v);
                    block.push_back(v);
                  }
                  if (!converter.Convert(block.data(), block.size() / 2, out)) return false;
                }
                return true;
              }).get();
    ASSERT_TRUE(ok);
    EXPECT_NEAR(double(out.size() / 2), engine_env::kRate * 3.0, engine_env::kRate * 0.02);
    ASSERT_GE(out.size(), engine_env::kRate * 2 * 2);
    const auto left = pcm::Channel(std::span(out).subspan(engine_env::kRate, engine_env::kRate * 2), 2, 0);
    EXPECT_NEAR(pcm::ZeroCrossingHz(left, engine_env::kRate), r.hz, 0.5);
    EXPECT_NEAR(pcm::Rms(left), 16000 / std::sqrt(2.0), 400);
    EXPECT_LT(pcm::NonToneShare(left, engine_env::kRate, r.hz), 1e-5);  // under -50 dB; linear interpolation is not
  }
}

}  // namespace
