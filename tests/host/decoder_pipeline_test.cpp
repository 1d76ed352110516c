#include "engine/codecs/decoder_pipeline.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

// ADTS frames whose payload carries an index the fake codec "decodes".
std::vector<uint8_t> AdtsFrame(int rate_index, int channels, uint8_t index) {
  const size_t size = 20;
  std::vector<uint8_t> h = {0xFF, 0xF1, uint8_t(1 << 6 | rate_index << 2 | (channels >> 2)),
                            uint8_t((channels & 3) << 6 | (size >> 11)), uint8_t(size >> 3),
                            uint8_t((size & 7) << 5 | 0x1F), 0xFC};
  h.resize(size, index);
  return h;
}

class QueueInput : public CompressedInput {
 public:
  size_t Read(uint8_t* dst, size_t size) override {
    size_t n = 0;
    while (n < size && !bytes.empty()) {
      dst[n++] = bytes.front();
      bytes.pop_front();
    }
    return n;
  }
  void Add(const std::vector<uint8_t>& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
  std::deque<uint8_t> bytes;
};

// Decodes a frame into 4 samples per channel, each the frame's index byte
// (channel c adds c * 100), at the frame's rate; frame index 99 fails.
struct FakeCodec : FrameCodec {
  int* opens;
  explicit FakeCodec(int* o) : opens(o) {}
  bool Open(const FrameInfo&) override {
    ++*opens;
    return true;
  }
  bool Decode(const SyncedFrame& f, std::vector<int16_t>& pcm, PcmFormat& format) override {
    const uint8_t index = f.bytes[7];
    if (index == 99) return false;
    for (int s = 0; s < 4; ++s)
      for (uint32_t c = 0; c < f.info.channels; ++c) pcm.push_back(int16_t(index + c * 100));
    format = {f.info.sample_rate, f.info.channels, 0};
    return true;
  }
};

// "Converts" by repeating every frame `ratio` times.
struct FakeConverter : RateConverter {
  std::vector<std::pair<uint32_t, uint32_t>>* configured;
  int ratio = 1;
  explicit FakeConverter(std::vector<std::pair<uint32_t, uint32_t>>* c) : configured(c) {}
  bool Configure(uint32_t in, uint32_t out) override {
    configured->push_back({in, out});
    ratio = int(out / in);
    return ratio >= 1;
  }
  bool Convert(const int16_t* stereo, size_t frames, std::vector<int16_t>& out) override {
    for (size_t i = 0; i < frames; ++i)
      for (int r = 0; r < ratio; ++r) out.insert(out.end(), stereo + 2 * i, stereo + 2 * i + 2);
    return true;
  }
};

struct Rig {
  QueueInput input;
  int opens = 0;
  std::vector<std::pair<uint32_t, uint32_t>> configured;
  DecoderPipeline pipeline{AudioCodec::kAac, input, std::make_unique<FakeCodec>(&opens),
                           std::make_unique<FakeConverter>(&configured), 48000};
  std::vector<int16_t> RenderAll(size_t block) {
    std::vector<int16_t> out, buf(block * 2);
    while (size_t n = pipeline.Render(buf.data(), block)) out.insert(out.end(), buf.begin(), buf.begin() + ptrdiff_t(2 * n));
    return out;
  }
};

TEST(DecoderPipeline, DryInputGivesWhatThereIsAndResumes) {
  Rig rig;
  int16_t buf[64];
  EXPECT_EQ(rig.pipeline.Render(buf, 32), 0u);  // nothing yet: an underrun, not a wait
  for (uint8_t i = 1; i <= 5; ++i) rig.input.Add(AdtsFrame(3, 2, i));  // 48 kHz stereo
  // Frames 1-4 are confirmed by the header after them; frame 5 waits.
  const auto first = rig.RenderAll(3);
  ASSERT_EQ(first.size(), 4u * 4 * 2);
  for (size_t i = 0; i < first.size(); i += 2) {
    EXPECT_EQ(first[i], int16_t(1 + i / 8));
    EXPECT_EQ(first[i + 1], int16_t(101 + i / 8));
  }
  rig.input.Add(AdtsFrame(3, 2, 6));
  const auto more = rig.RenderAll(100);
  ASSERT_EQ(more.size(), 4u * 2);
  EXPECT_EQ(more[0], 5);
  EXPECT_TRUE(rig.configured.empty());  // 48 kHz in, 48 kHz out: no conversion
  EXPECT_EQ(rig.opens, 1);
}

TEST(DecoderPipeline, MonoIsDoubledAndOtherRatesConverted) {
  Rig rig;
  for (uint8_t i = 1; i <= 4; ++i) rig.input.Add(AdtsFrame(6, 1, i));  // 24 kHz mono
  const auto out = rig.RenderAll(5);
  ASSERT_EQ(out.size(), 3u * 4 * 2 * 2);  // 3 frames, 4 samples, doubled rate, stereo
  for (size_t i = 0; i < out.size(); i += 2) EXPECT_EQ(out[i], out[i + 1]);
  EXPECT_EQ(rig.configured, (std::vector<std::pair<uint32_t, uint32_t>>{{24000, 48000}}));
}

TEST(DecoderPipeline, FormatChangeReopensAndReconfigures) {
  Rig rig;
  for (uint8_t i = 1; i <= 4; ++i) rig.input.Add(AdtsFrame(6, 1, i));   // 24 kHz mono
  for (uint8_t i = 11; i <= 14; ++i) rig.input.Add(AdtsFrame(3, 2, i)); // 48 kHz stereo
  for (uint8_t i = 21; i <= 24; ++i) rig.input.Add(AdtsFrame(6, 2, i)); // 24 kHz stereo
  const auto out = rig.RenderAll(7);
  EXPECT_EQ(rig.opens, 3);
  EXPECT_EQ(rig.configured, (std::vector<std::pair<uint32_t, uint32_t>>{{24000, 48000}, {24000, 48000}}));
  // 4 mono frames doubled, 4 stereo at the output rate, 3 doubled (the last waits).
  EXPECT_EQ(out.size(), (4u * 8 + 4u * 4 + 3u * 8) * 2);
  EXPECT_EQ(rig.pipeline.FramesDecoded(), 11u);
}

TEST(DecoderPipeline, AFailedFrameIsDroppedAndDecodingGoesOn) {
  Rig rig;
  for (uint8_t i : {1, 2, 99, 4, 5, 6}) rig.input.Add(AdtsFrame(3, 2, i));
  const auto out = rig.RenderAll(16);
  EXPECT_EQ(rig.pipeline.FramesFailed(), 1u);
  ASSERT_EQ(out.size(), 4u * 4 * 2);
  EXPECT_EQ(out[2 * 8], 4);  // the third frame out is frame 4
}

}  // namespace

namespace {

// An input with one mark: bytes after `mark` start a new run of audio.
class MarkedInput : public CompressedInput {
 public:
  size_t Read(uint8_t* dst, size_t size) override {
    const size_t limit = at_ < mark ? mark - at_ : bytes.size() - at_;
    const size_t n = std::min({size, limit, bytes.size() - at_});
    std::copy(bytes.begin() + ptrdiff_t(at_), bytes.begin() + ptrdiff_t(at_ + n), dst);
    at_ += n;
    return n;
  }
  bool TakeDiscontinuity() override {
    if (taken_ || at_ != mark) return false;
    taken_ = true;
    return true;
  }
  std::vector<uint8_t> bytes;
  size_t mark = 0;

 private:
  size_t at_ = 0;
  bool taken_ = false;
};

TEST(DecoderPipeline, ANewRunOfAudioDropsThePartialFrameAndStartsTheCodecAfresh) {
  MarkedInput input;
  int opens = 0;
  std::vector<std::pair<uint32_t, uint32_t>> configured;
  DecoderPipeline pipeline(AudioCodec::kAac, input, std::make_unique<FakeCodec>(&opens),
                           std::make_unique<FakeConverter>(&configured), 48000);
  // Frames 1..4, then half of frame 5 (the connection dropped), then, after the
  // mark, frames 10..13 of the new connection at the same format.
  for (uint8_t i = 1; i <= 4; ++i) {
    auto f = AdtsFrame(3, 2, i);
    input.bytes.insert(input.bytes.end(), f.begin(), f.end());
  }
  auto half = AdtsFrame(3, 2, 5);
  input.bytes.insert(input.bytes.end(), half.begin(), half.begin() + 10);
  input.mark = input.bytes.size();
  for (uint8_t i = 10; i <= 13; ++i) {
    auto f = AdtsFrame(3, 2, i);
    input.bytes.insert(input.bytes.end(), f.begin(), f.end());
  }
  std::vector<int16_t> out, buf(64);
  while (size_t n = pipeline.Render(buf.data(), 32)) out.insert(out.end(), buf.begin(), buf.begin() + ptrdiff_t(2 * n));
  std::vector<int> heard;  // the left channel's frame indexes, once per frame
  for (size_t i = 0; i < out.size(); i += 8) heard.push_back(out[i]);
  // Frame 4 is confirmed by the header of the partial frame 5, which goes. The
  // new run is heard from its first whole frame; its last frame stays buffered
  // until the header after it arrives.
  EXPECT_EQ(heard, (std::vector<int>{1, 2, 3, 4, 10, 11, 12}));
  EXPECT_EQ(opens, 2);
}

}  // namespace
