#include "engine/codecs/frame_sync.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

std::vector<uint8_t> ReadFixture(const std::string& name) {
  std::ifstream in(std::string(VOLNAR_FIXTURES) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct FrameRef {
  size_t offset;
  size_t size;
};

// The fixtures start with a frame and hold nothing else, so walking the headers
// one after the other gives every frame.
std::vector<FrameRef> WalkFrames(AudioCodec codec, const std::vector<uint8_t>& data) {
  std::vector<FrameRef> frames;
  size_t pos = 0;
  while (pos < data.size()) {
    auto head = ParseHeader(codec, data.data() + pos, data.size() - pos);
    if (!head || pos + head->frame_bytes > data.size()) break;
    frames.push_back({pos, head->frame_bytes});
    pos += head->frame_bytes;
  }
  return frames;
}

struct Collected {
  std::vector<std::vector<uint8_t>> frames;
  std::vector<FrameInfo> infos;
  std::vector<size_t> changes;  // indexes of frames with format_changed
};

void Drain(FrameSync& sync, Collected& out) {
  while (auto f = sync.Next()) {
    EXPECT_EQ(f->bytes.size(), f->info.frame_bytes);
    if (f->format_changed) out.changes.push_back(out.frames.size());
    out.frames.emplace_back(f->bytes.begin(), f->bytes.end());
    out.infos.push_back(f->info);
  }
}

Collected FeedInChunks(AudioCodec codec, const std::vector<uint8_t>& data, size_t chunk) {
  FrameSync sync(codec);
  Collected out;
  for (size_t pos = 0; pos < data.size(); pos += chunk) {
    sync.Push(std::span(data).subspan(pos, std::min(chunk, data.size() - pos)));
    Drain(sync, out);
  }
  return out;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& data, size_t from, size_t to) {
  return {data.begin() + ptrdiff_t(from), data.begin() + ptrdiff_t(to)};
}

// Junk with many 0xFF bytes, some of them starting plausible headers.
std::vector<uint8_t> Junk(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> junk(size);
  for (auto& b : junk) b = (rng() % 4 == 0) ? 0xFF : uint8_t(rng());
  return junk;
}

struct Fixture {
  const char* name;
  AudioCodec codec;
  uint32_t rate;
  uint32_t channels;
  uint32_t bitrate;  // MP3: exact; AAC: 0 (varies per frame)
};

// Rates as encoded: lame resampled the two low bit-rate tones (24 kHz and 16 kHz, MPEG-2).
const Fixture kFixtures[] = {
    {"tone440-44k-128.mp3", AudioCodec::kMp3, 44100, 2, 128000},
    {"tone1000-24k-64.mp3", AudioCodec::kMp3, 24000, 2, 64000},
    {"tone330-16k-32.mp3", AudioCodec::kMp3, 16000, 2, 32000},
    {"tone660-44k-lc.aac", AudioCodec::kAac, 44100, 2, 0},
    {"tone880-48k-lc.aac", AudioCodec::kAac, 48000, 2, 0},
};

class FixtureSync : public testing::TestWithParam<Fixture> {
 protected:
  void SetUp() override {
    data_ = ReadFixture(GetParam().name);
    ref_ = WalkFrames(GetParam().codec, data_);
    ASSERT_GT(ref_.size(), 20u);
  }
  // Every frame from `first_ref` on, but the last: no header confirms its end.
  void ExpectFramesFrom(const Collected& got, size_t first_ref) {
    ASSERT_EQ(got.frames.size(), ref_.size() - first_ref - 1);
    for (size_t i = 0; i < got.frames.size(); ++i) {
      const FrameRef& r = ref_[first_ref + i];
      ASSERT_EQ(got.frames[i], Slice(data_, r.offset, r.offset + r.size)) << "frame " << i;
    }
  }
  std::vector<uint8_t> data_;
  std::vector<FrameRef> ref_;
};

TEST_P(FixtureSync, HeadersCoverTheWholeFileAndGiveItsDuration) {
  const Fixture& fx = GetParam();
  const FrameRef& last = ref_.back();
  EXPECT_EQ(last.offset + last.size, data_.size()) << "frame lengths must tile the file";
  uint64_t samples = 0;
  for (const FrameRef& r : ref_) {
    auto head = ParseHeader(fx.codec, &data_[r.offset], data_.size() - r.offset);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->sample_rate, fx.rate);
    EXPECT_EQ(head->channels, fx.channels);
    if (fx.bitrate) {
      EXPECT_EQ(head->bitrate, fx.bitrate);
    }
    samples += head->samples;
  }
  // The tones are 8 s long; encoders add up to a few frames of delay and padding.
  const double seconds = double(samples) / fx.rate;
  EXPECT_GT(seconds, 7.95);
  EXPECT_LT(seconds, 8.3);
}

TEST_P(FixtureSync, AnyChunkSizeGivesTheSameFrames) {
  for (size_t chunk : {size_t(1), size_t(2), size_t(3), size_t(7), size_t(64), size_t(417),
                       size_t(4096), data_.size()}) {
    SCOPED_TRACE(chunk);
    Collected got = FeedInChunks(GetParam().codec, data_, chunk);
    ExpectFramesFrom(got, 0);
    EXPECT_EQ(got.changes, std::vector<size_t>{0});
  }
}

TEST_P(FixtureSync, EverySplitPointOfTheFirstFramesGivesTheSameFrames) {
  const size_t end = ref_[8].offset + kMaxHeaderBytes;  // the 9th header confirms the 8th frame
  const std::vector<uint8_t> head = Slice(data_, 0, end);
  for (size_t split = 0; split <= end; ++split) {
    FrameSync sync(GetParam().codec);
    Collected got;
    sync.Push(std::span(head).first(split));
    Drain(sync, got);
    sync.Push(std::span(head).subspan(split));
    Drain(sync, got);
    ASSERT_EQ(got.frames.size(), 8u) << "split at " << split;
    for (size_t i = 0; i < 8; ++i) {
      ASSERT_EQ(got.frames[i], Slice(data_, ref_[i].offset, ref_[i].offset + ref_[i].size));
    }
    EXPECT_EQ(sync.SkippedBytes(), 0u);
  }
}

TEST_P(FixtureSync, JunkBeforeTheStreamIsSkipped) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    std::vector<uint8_t> input = Junk(3000, seed);
    const size_t junk = input.size();
    input.insert(input.end(), data_.begin(), data_.end());
    FrameSync sync(GetParam().codec);
    Collected got;
    for (size_t pos = 0; pos < input.size(); pos += 333) {
      sync.Push(std::span(input).subspan(pos, std::min<size_t>(333, input.size() - pos)));
      Drain(sync, got);
    }
    ExpectFramesFrom(got, 0);
    EXPECT_EQ(sync.SkippedBytes(), junk);
  }
}

TEST_P(FixtureSync, StartInTheMiddleOfAFrame) {
  for (size_t into : {size_t(1), size_t(2), size_t(5), ref_[3].size / 2, ref_[3].size - 1}) {
    SCOPED_TRACE(into);
    const size_t start = ref_[3].offset + into;
    Collected got = FeedInChunks(GetParam().codec, Slice(data_, start, data_.size()), 500);
    ExpectFramesFrom(got, 4);
  }
}

TEST_P(FixtureSync, ProbeFindsCodecRateAndOffset) {
  const Fixture& fx = GetParam();
  const AudioCodec other = fx.codec == AudioCodec::kMp3 ? AudioCodec::kAac : AudioCodec::kMp3;
  for (AudioCodec hint : {fx.codec, other, AudioCodec::kUnknown}) {
    auto f = ProbeFormat(std::span(data_).first(8192), hint);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->codec, fx.codec);
    EXPECT_EQ(f->sample_rate, fx.rate);
    EXPECT_EQ(f->channels, fx.channels);
    EXPECT_EQ(f->offset, 0u);
    if (fx.bitrate) {
      EXPECT_EQ(f->bitrate, fx.bitrate);
    } else {
      EXPECT_NEAR(f->bitrate, 80000, 30000);  // 64 and 96 kbit/s encodes
    }
  }
  std::vector<uint8_t> input = Junk(777, 9);
  const size_t start = ref_[2].offset + 3;  // and mid-frame after the junk
  input.insert(input.end(), data_.begin() + ptrdiff_t(start), data_.begin() + 20000);
  auto f = ProbeFormat(input, AudioCodec::kUnknown);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->codec, fx.codec);
  EXPECT_EQ(f->offset, 777 + ref_[3].offset - start);
  // Two frames are not enough to be sure.
  EXPECT_FALSE(ProbeFormat(std::span(data_).first(ref_[2].offset + 3), fx.codec));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureSync, testing::ValuesIn(kFixtures),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& c : n) if (!isalnum(uint8_t(c))) c = '_';
                           return n;
                         });

// ---- Header tables ----

struct Mp3Case {
  uint8_t b[4];
  bool valid;
  int version = 0;
  uint32_t rate = 0;
  uint32_t bitrate = 0;
  uint32_t channels = 0;
  size_t frame_bytes = 0;
};

TEST(FrameHeaders, Mp3) {
  const Mp3Case cases[] = {
      // MPEG-1, 128 kbit/s, 44100, no padding, joint stereo: 144*128000/44100 = 417.
      {{0xFF, 0xFB, 0x90, 0x64}, true, 10, 44100, 128000, 2, 417},
      {{0xFF, 0xFB, 0x92, 0x64}, true, 10, 44100, 128000, 2, 418},  // padding
      {{0xFF, 0xFB, 0xE4, 0xC0}, true, 10, 48000, 320000, 1, 960},  // mono
      {{0xFF, 0xFB, 0x18, 0x00}, true, 10, 32000, 32000, 2, 144},
      // MPEG-2, 64 kbit/s, 24000: 72*64000/24000 = 192.
      {{0xFF, 0xF3, 0x84, 0x64}, true, 20, 24000, 64000, 2, 192},
      {{0xFF, 0xF3, 0x48, 0x64}, true, 20, 16000, 32000, 2, 144},
      // MPEG-2.5, 8 kbit/s, 8000 Hz, padded: 72*8000/8000 + 1 = 73.
      {{0xFF, 0xE3, 0x1A, 0xC0}, true, 25, 8000, 8000, 1, 73},
      {{0xFF, 0xE3, 0xE0, 0x00}, true, 25, 11025, 160000, 2, 1044},
      {{0xFF, 0xFD, 0x90, 0x64}, false},  // layer II
      {{0xFF, 0xFF, 0x90, 0x64}, false},  // layer I
      {{0xFF, 0xF9, 0x90, 0x64}, false},  // layer bits 00
      {{0xFF, 0xEB, 0x90, 0x64}, false},  // version bits 01
      {{0xFF, 0xFB, 0x00, 0x64}, false},  // free format
      {{0xFF, 0xFB, 0xF0, 0x64}, false},  // bit rate index 15
      {{0xFF, 0xFB, 0x9C, 0x64}, false},  // rate index 3
      {{0xFF, 0xFB, 0x90, 0x66}, false},  // emphasis 2
      {{0xFE, 0xFB, 0x90, 0x64}, false},
      {{0xFF, 0xDB, 0x90, 0x64}, false},
      {{0xFF, 0xF1, 0x50, 0x80}, false},  // an ADTS header is not MP3
  };
  for (const Mp3Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << int(c.b[1]) << " " << int(c.b[2]) << " " << int(c.b[3]));
    auto h = ParseMp3Header(c.b);
    ASSERT_EQ(h.has_value(), c.valid);
    if (!h) continue;
    EXPECT_EQ(h->mpeg_version, c.version);
    EXPECT_EQ(h->sample_rate, c.rate);
    EXPECT_EQ(h->bitrate, c.bitrate);
    EXPECT_EQ(h->channels, c.channels);
    EXPECT_EQ(h->frame_bytes, c.frame_bytes);
    EXPECT_EQ(h->samples, c.version == 10 ? 1152u : 576u);
  }
}

// Builds an ADTS header for a frame of `frame_bytes` bytes.
std::vector<uint8_t> Adts(int profile, int rate_index, int channels, size_t frame_bytes, bool crc,
                          int raw_blocks = 0) {
  std::vector<uint8_t> h(crc ? 9 : 7, 0);
  h[0] = 0xFF;
  h[1] = crc ? 0xF0 : 0xF1;
  h[2] = uint8_t(profile << 6 | rate_index << 2 | (channels >> 2));
  h[3] = uint8_t((channels & 3) << 6 | (frame_bytes >> 11));
  h[4] = uint8_t(frame_bytes >> 3);
  h[5] = uint8_t((frame_bytes & 7) << 5 | 0x1F);
  h[6] = uint8_t(0xFC | raw_blocks);
  return h;
}

TEST(FrameHeaders, Adts) {
  struct Case {
    std::vector<uint8_t> b;
    bool valid;
    uint32_t rate = 0;
    uint32_t channels = 0;
    size_t frame_bytes = 0;
    size_t header_bytes = 0;
    uint32_t samples = 0;
  };
  const Case cases[] = {
      {Adts(1, 4, 2, 371, false), true, 44100, 2, 371, 7, 1024},
      {Adts(1, 3, 1, 8191, false), true, 48000, 1, 8191, 7, 1024},
      {Adts(1, 11, 6, 9, true), true, 8000, 6, 9, 9, 1024},
      {Adts(1, 12, 7, 100, true, 3), true, 7350, 8, 100, 9, 4096},
      {Adts(0, 0, 2, 7, false), true, 96000, 2, 7, 7, 1024},
      {Adts(1, 4, 2, 6, false), false},   // shorter than its header
      {Adts(1, 4, 2, 8, true), false},    // shorter than header + CRC
      {Adts(1, 13, 2, 371, false), false},  // rate index 13
      {Adts(1, 15, 2, 371, false), false},
      {Adts(1, 4, 0, 371, false), false},  // channels in a PCE
  };
  for (const Case& c : cases) {
    auto h = ParseAdtsHeader(c.b.data());
    ASSERT_EQ(h.has_value(), c.valid) << testing::PrintToString(c.b);
    if (!h) continue;
    EXPECT_EQ(h->sample_rate, c.rate);
    EXPECT_EQ(h->channels, c.channels);
    EXPECT_EQ(h->frame_bytes, c.frame_bytes);
    EXPECT_EQ(h->header_bytes, c.header_bytes);
    EXPECT_EQ(h->samples, c.samples);
  }
  std::vector<uint8_t> layer = Adts(1, 4, 2, 371, false);
  layer[1] |= 0x02;  // layer bits must be 0
  EXPECT_FALSE(ParseAdtsHeader(layer.data()));
  const uint8_t mp3[7] = {0xFF, 0xFB, 0x90, 0x64, 0, 0, 0};
  EXPECT_FALSE(ParseAdtsHeader(mp3));
}

// ---- Synthetic streams ----

std::vector<uint8_t> AdtsStream(int frames, int rate_index, int channels, bool crc, uint8_t fill) {
  std::vector<uint8_t> s;
  for (int i = 0; i < frames; ++i) {
    const size_t size = 40 + size_t(i % 5) * 13;
    std::vector<uint8_t> f = Adts(1, rate_index, channels, size, crc);
    f.resize(size, fill);  // payload without 0xFF bytes
    s.insert(s.end(), f.begin(), f.end());
  }
  return s;
}

TEST(FrameSyncTest, AdtsWithCrcAndAFormatChange) {
  std::vector<uint8_t> input = AdtsStream(6, 4, 2, true, 0x11);  // 44100 stereo
  const std::vector<uint8_t> second = AdtsStream(5, 3, 1, false, 0x22);  // 48000 mono
  input.insert(input.end(), second.begin(), second.end());
  Collected got = FeedInChunks(AudioCodec::kAac, input, 5);
  // The last frame waits for a header after it.
  ASSERT_EQ(got.frames.size(), 10u);
  EXPECT_EQ(got.changes, (std::vector<size_t>{0, 6}));
  EXPECT_TRUE(got.infos[0].crc);
  EXPECT_EQ(got.infos[0].header_bytes, 9u);
  EXPECT_EQ(got.infos[5].sample_rate, 44100u);
  EXPECT_EQ(got.infos[6].sample_rate, 48000u);
  EXPECT_EQ(got.infos[6].channels, 1u);
}

TEST(FrameSyncTest, AFormatChangeNeedsThreeFramesToo) {
  std::vector<uint8_t> input = AdtsStream(6, 4, 2, false, 0x11);
  // One lone frame of another format, then the first format again: the lone
  // frame is junk to the synchroniser, and no change is reported.
  const std::vector<uint8_t> lone = AdtsStream(1, 3, 1, false, 0x22);
  input.insert(input.end(), lone.begin(), lone.end());
  const std::vector<uint8_t> more = AdtsStream(4, 4, 2, false, 0x11);
  input.insert(input.end(), more.begin(), more.end());
  FrameSync sync(AudioCodec::kAac);
  Collected got;
  sync.Push(input);
  Drain(sync, got);
  EXPECT_EQ(got.frames.size(), 9u);
  EXPECT_EQ(got.changes, std::vector<size_t>{0});
  EXPECT_EQ(sync.SkippedBytes(), lone.size());
}

TEST(FrameSyncTest, FalseSyncsInJunkAreRejected) {
  const uint8_t head[4] = {0xFF, 0xFB, 0x90, 0x64};  // 417-byte frames
  auto plant = [&](std::vector<uint8_t>& v, size_t at) { std::copy(head, head + 4, v.begin() + ptrdiff_t(at)); };
  // Two agreeing headers 417 bytes apart, the third place holds junk.
  std::vector<uint8_t> junk(417 * 3 + 10, 0x00);
  plant(junk, 0);
  plant(junk, 417);
  FrameSync sync(AudioCodec::kMp3);
  sync.Push(junk);
  EXPECT_FALSE(sync.Next());
  EXPECT_FALSE(sync.Locked());
  EXPECT_EQ(sync.Buffered(), 0u);  // every byte was judged and dropped
  EXPECT_FALSE(ProbeFormat(junk, AudioCodec::kUnknown));
  // Three headers that disagree (MPEG-1 44100, then 48000 at the predicted place).
  std::vector<uint8_t> mixed(417 * 3 + 10, 0x00);
  plant(mixed, 0);
  plant(mixed, 417);
  const uint8_t other[4] = {0xFF, 0xFB, 0x94, 0x64};
  std::copy(other, other + 4, mixed.begin() + 834);
  EXPECT_FALSE(ProbeFormat(mixed, AudioCodec::kMp3));
  // A false header right before the real stream does not swallow its first frame.
  const std::vector<uint8_t> real = ReadFixture("tone440-44k-128.mp3");
  std::vector<uint8_t> input = {0xFF, 0xFB, 0x10, 0x64, 0x00};
  input.insert(input.end(), real.begin(), real.end());
  Collected got = FeedInChunks(AudioCodec::kMp3, input, 100);
  ASSERT_FALSE(got.frames.empty());
  EXPECT_EQ(got.frames[0], Slice(real, 0, 417));
}

TEST(FrameSyncTest, ResynchronisesAfterJunkInTheMiddleAndATruncatedFrame) {
  const std::vector<uint8_t> a = ReadFixture("tone440-44k-128.mp3");
  const std::vector<uint8_t> b = ReadFixture("tone330-16k-32.mp3");
  const auto ra = WalkFrames(AudioCodec::kMp3, a);
  const auto rb = WalkFrames(AudioCodec::kMp3, b);
  // Ten frames of a, half of the eleventh, junk, then b: a spliced reconnect.
  // The cut frame is dropped with the junk; b's last frame waits for a header.
  std::vector<uint8_t> input = Slice(a, 0, ra[10].offset + 200);
  const std::vector<uint8_t> junk = Junk(1000, 4);
  input.insert(input.end(), junk.begin(), junk.end());
  input.insert(input.end(), b.begin(), b.end());
  Collected got = FeedInChunks(AudioCodec::kMp3, input, 256);
  ASSERT_EQ(got.frames.size(), 10 + rb.size() - 1);
  EXPECT_EQ(got.changes, (std::vector<size_t>{0, 10}));
  EXPECT_EQ(got.infos[9].sample_rate, 44100u);
  EXPECT_EQ(got.infos[10].sample_rate, 16000u);
  EXPECT_EQ(got.frames[10], Slice(b, 0, rb[0].size));
}

TEST(FrameSyncTest, ResetKeepsTheFormatSoARelockIsNoChange) {
  const std::vector<uint8_t> a = ReadFixture("tone660-44k-lc.aac");
  FrameSync sync(AudioCodec::kAac);
  Collected got;
  sync.Push(std::span(a).first(5000));
  Drain(sync, got);
  sync.Reset();
  EXPECT_FALSE(sync.Locked());
  EXPECT_EQ(sync.Buffered(), 0u);
  sync.Push(std::span(a).subspan(20000, 5000));
  Drain(sync, got);
  EXPECT_EQ(got.changes, std::vector<size_t>{0});
  EXPECT_GT(got.frames.size(), 15u);
}

}  // namespace
