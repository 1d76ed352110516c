// The Ogg Vorbis decoder as the engine makes it, on the committed fixtures:
// the tone at its pitch, level and length at 44100 Hz through the system rate
// converter, a chained stream that changes rate and channels, and the codecs
// recognised in Ogg that have no decoder here.
#include <gtest/gtest.h>

#include <algorithm>

#include "decode_fixture.h"
#include "engine/codecs/decoder.h"
#include "engine_env.h"
#include "pcm_analysis.h"

namespace {

using decode_fixture::DecodeAll;
using decode_fixture::MemoryInput;
using decode_fixture::ReadFixture;


// Half a second of both channels from `at` seconds on: the tone, at the
// fixtures' level (sines at half of full scale), and little else.
void ExpectOggTone(const std::vector<int16_t>& pcm, double at, double hz) {
  const size_t from = size_t(at * engine_env::kRate) * 2;
  const size_t count = engine_env::kRate / 2 * 2;
  ASSERT_GE(pcm.size(), from + count) << "too short";
  const std::span<const int16_t> part(pcm.data() + from, count);
  for (int ch = 0; ch < 2; ++ch) {
    const auto one = pcm::Channel(part, 2, ch);
    EXPECT_NEAR(pcm::ZeroCrossingHz(one, engine_env::kRate), hz, 2.0) << "channel " << ch << " at " << at;
    EXPECT_NEAR(pcm::Rms(one), 11585, 1500) << "channel " << ch << " at " << at;
    EXPECT_LT(pcm::NonToneShare(one, engine_env::kRate, hz), 0.01) << "channel " << ch << " at " << at;
  }
}

TEST(VorbisDecoding, ToneComesOutAtItsPitchLevelAndLength) {
  engine_env::EnsureEngine();
  ASSERT_TRUE(DecoderAvailable(AudioCodec::kVorbis));
  const std::vector<uint8_t> file = ReadFixture("tone550-44k-q0.ogg");
  ASSERT_GT(file.size(), 5000u);
  const std::vector<int16_t> pcm = DecodeAll(AudioCodec::kVorbis, file);
  const double seconds = double(pcm.size() / 2) / engine_env::kRate;
  EXPECT_GT(seconds, 2.9);
  EXPECT_LT(seconds, 3.1);
  ExpectOggTone(pcm, 0.5, 550);
  ExpectOggTone(pcm, 2.2, 550);
}

TEST(VorbisDecoding, ChainedStreamChangesRateAndChannelsAndKeepsBothPitches) {
  engine_env::EnsureEngine();
  // 44.1 kHz stereo, then a new logical stream at 22.05 kHz mono.
  std::vector<uint8_t> chain = ReadFixture("tone550-44k-q0.ogg");
  const std::vector<uint8_t> second = ReadFixture("tone770-22k-mono.ogg");
  ASSERT_GT(second.size(), 2000u);
  chain.insert(chain.end(), second.begin(), second.end());
  const std::vector<int16_t> pcm = DecodeAll(AudioCodec::kVorbis, chain);
  const double seconds = double(pcm.size() / 2) / engine_env::kRate;
  EXPECT_GT(seconds, 4.85);
  EXPECT_LT(seconds, 5.15);
  ExpectOggTone(pcm, 1.0, 550);
  ExpectOggTone(pcm, 3.6, 770);  // mono on both sides, resampled
}

// Opus (always 48 kHz) and FLAC of other rates reach the output at 44100 Hz
// through the system's resampler, at their pitch, for their length.
TEST(VorbisDecoding, OpusAndFlacPlayThroughTheSystemResampler) {
  engine_env::EnsureEngine();
  ASSERT_TRUE(DecoderAvailable(AudioCodec::kOpus));
  ASSERT_TRUE(DecoderAvailable(AudioCodec::kFlac));
  std::vector<uint8_t> opus = ReadFixture("tone600-48k.opus");
  const std::vector<uint8_t> mono = ReadFixture("tone900-48k-mono.opus");
  opus.insert(opus.end(), mono.begin(), mono.end());
  std::vector<int16_t> pcm = DecodeAll(AudioCodec::kOpus, opus);
  EXPECT_NEAR(double(pcm.size() / 2) / engine_env::kRate, 5.0, 0.02);
  ExpectOggTone(pcm, 1.0, 600);
  ExpectOggTone(pcm, 3.5, 900);  // mono on both sides
  pcm = DecodeAll(AudioCodec::kFlac, ReadFixture("tone700-48k-24-mono.flac"));
  EXPECT_NEAR(double(pcm.size() / 2) / engine_env::kRate, 2.0, 0.1);  // the last frame waits for a header
  ExpectOggTone(pcm, 0.5, 700);
  pcm = DecodeAll(AudioCodec::kFlac, ReadFixture("tone800-48k-16.oga"));
  EXPECT_NEAR(double(pcm.size() / 2) / engine_env::kRate, 3.0, 0.02);
  ExpectOggTone(pcm, 1.0, 800);
}

}  // namespace
