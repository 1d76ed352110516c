// The Ogg Vorbis decoder as the engine makes it, on the committed fixtures:
// the tone at its pitch, level and length at 44100 Hz through the system rate
// converter, a chained stream that changes rate and channels, and the codecs
// recognised in Ogg that have no decoder here.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <future>
#include <iterator>

#include "engine/decoder.h"
#include "engine_env.h"
#include "pcm_analysis.h"

namespace {

std::vector<uint8_t> ReadOggFixture(const std::string& name) {
  std::ifstream in(std::string("../../tests/fixtures/") + name, std::ios::binary);
  if (!in) in.open(std::string("tests/fixtures/") + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Bytes handed out in slices of odd sizes, dry now and then, as a download buffer does.
class SlicedInput : public CompressedInput {
 public:
  explicit SlicedInput(std::vector<uint8_t> data) : data_(std::move(data)) {}
  size_t Read(uint8_t* dst, size_t size) override {
    if (++calls_ % 5 == 0) return 0;
    static constexpr size_t kSlices[] = {1, 37, 333, 1001, 4095, 7};
    const size_t n = std::min({size, kSlices[calls_ % 6], data_.size() - pos_});
    std::copy_n(data_.begin() + ptrdiff_t(pos_), n, dst);
    pos_ += n;
    return n;
  }
  bool Done() const { return pos_ == data_.size(); }

 private:
  std::vector<uint8_t> data_;
  size_t pos_ = 0;
  size_t calls_ = 0;
};

// On a thread of its own: the rate converter starts COM in the multithreaded apartment.
std::vector<int16_t> DecodeOgg(std::vector<uint8_t> data) {
  return std::async(std::launch::async, [&data] {
           std::vector<int16_t> pcm;
           SlicedInput input(std::move(data));
           std::unique_ptr<PcmSource> decoder = MakeDecoder(AudioCodec::kVorbis, input);
           if (!decoder) return pcm;
           int16_t block[2 * 777];
           int idle = 0;
           while (idle < 20) {
             const size_t n = decoder->Render(block, 777);
             pcm.insert(pcm.end(), block, block + 2 * n);
             idle = (n == 0 && input.Done()) ? idle + 1 : 0;
           }
           return pcm;
         }).get();
}

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
  const std::vector<uint8_t> file = ReadOggFixture("tone550-44k-q0.ogg");
  ASSERT_GT(file.size(), 5000u);
  const std::vector<int16_t> pcm = DecodeOgg(file);
  const double seconds = double(pcm.size() / 2) / engine_env::kRate;
  EXPECT_GT(seconds, 2.9);
  EXPECT_LT(seconds, 3.1);
  ExpectOggTone(pcm, 0.5, 550);
  ExpectOggTone(pcm, 2.2, 550);
}

TEST(VorbisDecoding, ChainedStreamChangesRateAndChannelsAndKeepsBothPitches) {
  engine_env::EnsureEngine();
  // 44.1 kHz stereo, then a new logical stream at 22.05 kHz mono.
  std::vector<uint8_t> chain = ReadOggFixture("tone550-44k-q0.ogg");
  const std::vector<uint8_t> second = ReadOggFixture("tone770-22k-mono.ogg");
  ASSERT_GT(second.size(), 2000u);
  chain.insert(chain.end(), second.begin(), second.end());
  const std::vector<int16_t> pcm = DecodeOgg(chain);
  const double seconds = double(pcm.size() / 2) / engine_env::kRate;
  EXPECT_GT(seconds, 4.85);
  EXPECT_LT(seconds, 5.15);
  ExpectOggTone(pcm, 1.0, 550);
  ExpectOggTone(pcm, 3.6, 770);  // mono on both sides, resampled
}

TEST(VorbisDecoding, OpusAndFlacHaveNoDecoder) {
  engine_env::EnsureEngine();
  EXPECT_FALSE(DecoderAvailable(AudioCodec::kOpus));
  EXPECT_FALSE(DecoderAvailable(AudioCodec::kFlac));
  SlicedInput input({});
  EXPECT_EQ(MakeDecoder(AudioCodec::kOpus, input), nullptr);
  EXPECT_EQ(MakeDecoder(AudioCodec::kFlac, input), nullptr);
}

}  // namespace
