// Fragmented MP4 audio: ffmpeg's HLS segments of an ADTS tone (tests/fixtures/
// hls-fmp4, made by tools/make-fixtures.sh) give back the tone's ADTS frames
// byte for byte; broken boxes are refused without reading past them.
#include "engine/formats/fmp4.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/codecs/frame_sync.h"

namespace {

std::vector<uint8_t> ReadFixture(const std::string& name) {
  std::ifstream f(std::string(VOLNAR_FIXTURES) + "/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

TEST(Fmp4, SegmentsGiveBackTheAdtsFramesTheyWereMadeFrom) {
  const std::vector<uint8_t> init = ReadFixture("hls-fmp4/init.mp4");
  const std::vector<uint8_t> original = ReadFixture("tone660-44k-lc.aac");
  ASSERT_FALSE(init.empty());
  Fmp4Audio track;
  ASSERT_TRUE(ReadFmp4Init(init, track));
  EXPECT_EQ(track.object_type, 2);
  EXPECT_EQ(track.rate_index, 4);  // 44100 Hz
  EXPECT_EQ(track.channel_config, 2);
  std::vector<uint8_t> adts;
  for (const char* name : {"hls-fmp4/seg0.m4s", "hls-fmp4/seg1.m4s"}) {
    const std::vector<uint8_t> segment = ReadFixture(name);
    ASSERT_FALSE(segment.empty()) << name;
    ASSERT_TRUE(Fmp4ToAdts(segment, track, adts)) << name;
  }
  ASSERT_GT(adts.size(), 40000u);  // about 4 s at 96 kbit/s
  ASSERT_LE(adts.size(), original.size());
  EXPECT_TRUE(std::equal(adts.begin(), adts.end(), original.begin()));
  std::optional<StreamFormat> format = ProbeFormat(adts, AudioCodec::kAac);
  ASSERT_TRUE(format);
  EXPECT_EQ(format->sample_rate, 44100u);
  EXPECT_EQ(format->offset, 0u);
}

TEST(Fmp4, BrokenBoxesAreRefused) {
  const std::vector<uint8_t> init = ReadFixture("hls-fmp4/init.mp4");
  const std::vector<uint8_t> segment = ReadFixture("hls-fmp4/seg0.m4s");
  Fmp4Audio track;
  ASSERT_TRUE(ReadFmp4Init(init, track));
  // Every cut of the init segment short of its end loses the track or is refused.
  for (size_t n = 0; n + 1 < init.size(); n += 7) {
    Fmp4Audio t;
    EXPECT_FALSE(ReadFmp4Init(std::span(init).first(n), t)) << n;
  }
  // A segment cut short: the samples whose bytes are not all there are not given.
  std::vector<uint8_t> adts;
  EXPECT_FALSE(Fmp4ToAdts(std::span(segment).first(segment.size() - 100), track, adts));
  // A box that claims more than there is.
  std::vector<uint8_t> bad = segment;
  bad[0] = 0x7F;
  adts.clear();
  EXPECT_FALSE(Fmp4ToAdts(bad, track, adts));
  EXPECT_TRUE(adts.empty());
  // Another track's fragments are not ours.
  Fmp4Audio other = track;
  other.track_id = track.track_id + 1;
  adts.clear();
  EXPECT_TRUE(Fmp4ToAdts(segment, other, adts));
  EXPECT_TRUE(adts.empty());
}

std::vector<uint8_t> Box(const char* type, const std::vector<uint8_t>& body) {
  const uint32_t size = uint32_t(body.size() + 8);
  std::vector<uint8_t> out = {uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size)};
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

// A moof of `fragments` track fragments, each naming the same `count` samples
// of `size` bytes in the mdat after it; with `base`, the fragments give that
// base data offset and the runs their usual offset from it.
std::vector<uint8_t> SegmentNamingTheSameBytes(int fragments, uint32_t size = 100, uint32_t count = 10,
                                               std::optional<uint64_t> base = std::nullopt) {
  std::vector<uint8_t> tfhd = {0, 0, 0, uint8_t(base ? 0x11 : 0x10), 0, 0, 0, 1};  // track 1
  for (int i = 7; base && i >= 0; --i) tfhd.push_back(uint8_t(*base >> (8 * i)));
  for (int i = 3; i >= 0; --i) tfhd.push_back(uint8_t(size >> (8 * i)));  // default sample size
  std::vector<uint8_t> moof_body = Box("mfhd", std::vector<uint8_t>(8, 0));
  const size_t moof_size = 8 + moof_body.size() + size_t(fragments) * (8 + (8 + tfhd.size()) + (8 + 12));
  const uint32_t offset = uint32_t(moof_size + 8);  // the mdat's body, from the moof's start
  const std::vector<uint8_t> trun = {0, 0, 0, 1, uint8_t(count >> 24), uint8_t(count >> 16), uint8_t(count >> 8),
                                     uint8_t(count), uint8_t(offset >> 24), uint8_t(offset >> 16),
                                     uint8_t(offset >> 8), uint8_t(offset)};
  for (int i = 0; i < fragments; ++i) {
    std::vector<uint8_t> traf = Box("tfhd", tfhd);
    Append(traf, Box("trun", trun));
    Append(moof_body, Box("traf", traf));
  }
  std::vector<uint8_t> segment = Box("moof", moof_body);
  EXPECT_EQ(segment.size(), moof_size);
  Append(segment, Box("mdat", std::vector<uint8_t>(size * count, 0x21)));
  return segment;
}

TEST(Fmp4, SampleBytesNamedAgainAndAgainAreRefused) {
  Fmp4Audio track;
  track.track_id = 1;
  track.object_type = 2;
  track.rate_index = 4;
  track.channel_config = 2;
  std::vector<uint8_t> adts;
  ASSERT_TRUE(Fmp4ToAdts(SegmentNamingTheSameBytes(1), track, adts));
  EXPECT_EQ(adts.size(), 10u * 107);
  // Hostile: every fragment names the whole mdat again, so the output would
  // grow with the square of the input. No more sample bytes than the segment holds.
  const std::vector<uint8_t> hostile = SegmentNamingTheSameBytes(400);
  adts.clear();
  EXPECT_FALSE(Fmp4ToAdts(hostile, track, adts));
  size_t frames = adts.size() / 107;
  EXPECT_LE(adts.size() - 7 * frames, hostile.size());
  // Tiny samples would each grow by an ADTS header: the output stays within
  // 2.5 times the segment, and frames of several bytes (silence) still pass.
  for (uint32_t size : {1u, 4u, 6u}) {
    SCOPED_TRACE(testing::Message() << size << "-byte samples");
    const std::vector<uint8_t> tiny = SegmentNamingTheSameBytes(1, size, 20000);
    adts.clear();
    EXPECT_EQ(Fmp4ToAdts(tiny, track, adts), size >= 6);
    EXPECT_LE(adts.size(), tiny.size() * 5 / 2);
  }
  // A base offset near the end of the 64-bit range does not overflow.
  for (uint64_t base : {uint64_t(INT64_MAX) - 16, ~uint64_t(0)}) {
    adts.clear();
    EXPECT_FALSE(Fmp4ToAdts(SegmentNamingTheSameBytes(1, 100, 10, base), track, adts));
  }
}

}  // namespace
