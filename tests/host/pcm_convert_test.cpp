#include "engine/output/pcm_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

std::vector<int16_t> Stereo(const std::vector<int16_t>& in, uint32_t channels, uint32_t mask = 0) {
  std::vector<int16_t> out;
  AppendAsStereo(in.data(), in.size() / channels, channels, mask, out);
  return out;
}

TEST(PcmConvert, ChannelLayoutsToStereo) {
  EXPECT_EQ(Stereo({1, -2, 3}, 1), (std::vector<int16_t>{1, 1, -2, -2, 3, 3}));
  EXPECT_EQ(Stereo({1, -2, 3, 4}, 2), (std::vector<int16_t>{1, -2, 3, 4}));
  // 5.1 (FL FR FC LFE BL BR): gains into the left are 1 + 0.707 + 0.707, so
  // everything is scaled by 1/2.414 to keep full scale from clipping.
  const float s = 1.f / (1.f + 2 * 0.70710678f);
  struct Case {
    std::vector<int16_t> frame;
    int16_t left, right;
  };
  const Case cases[] = {
      {{10000, 0, 0, 0, 0, 0}, int16_t(std::lround(10000 * s)), 0},   // front left
      {{0, 10000, 0, 0, 0, 0}, 0, int16_t(std::lround(10000 * s))},   // front right
      {{0, 0, 10000, 0, 0, 0}, int16_t(std::lround(7071.07 * s)), int16_t(std::lround(7071.07 * s))},
      {{0, 0, 0, 30000, 0, 0}, 0, 0},                                  // LFE dropped
      {{0, 0, 0, 0, 10000, 0}, int16_t(std::lround(7071.07 * s)), 0},  // back left
      {{32767, 32767, 32767, 32767, 32767, 32767}, 32767, 32767},     // no clipping, no wrap
      {{-32768, -32768, -32768, -32768, -32768, -32768}, -32768, -32768},
  };
  for (const Case& c : cases) {
    const auto out = Stereo(c.frame, 6);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_NEAR(out[0], c.left, 1) << testing::PrintToString(c.frame);
    EXPECT_NEAR(out[1], c.right, 1) << testing::PrintToString(c.frame);
  }
  // A mask that does not fit the count falls back to the usual layout.
  EXPECT_EQ(Stereo({0, 0, 0, 30000, 0, 0}, 6, kSpeakerFrontLeft), (std::vector<int16_t>{0, 0}));
  // 3 channels (L R C): the centre reaches both sides equally.
  const auto three = Stereo({0, 0, 20000}, 3);
  EXPECT_EQ(three[0], three[1]);
  EXPECT_GT(three[0], 0);
}

TEST(PcmConvert, MixScalesAndClips) {
  std::vector<int32_t> acc(4, 0);
  const int16_t a[4] = {30000, -30000, 100, -3};
  const int16_t b[4] = {30000, -30000, 101, 0};
  MixAdd(a, 2, acc.data());
  MixAdd(b, 2, acc.data());
  int16_t out[4];
  MixOut(acc.data(), 2, 1.0f, out);
  EXPECT_EQ(std::vector<int16_t>(out, out + 4), (std::vector<int16_t>{32767, -32768, 201, -3}));
  MixOut(acc.data(), 2, 0.5f, out);
  EXPECT_EQ(std::vector<int16_t>(out, out + 4), (std::vector<int16_t>{30000, -30000, 101, -2}));  // -1.5 rounds away
  MixOut(acc.data(), 2, 0.0f, out);
  EXPECT_EQ(std::vector<int16_t>(out, out + 4), (std::vector<int16_t>{0, 0, 0, 0}));
}

TEST(PcmConvert, FloatToSampleRoundsHalvesAwayAndClips) {
  struct Case {
    float in;
    int16_t out;
  };
  for (Case c : {Case{0.f, 0}, Case{0.5f, 1}, Case{-0.5f, -1}, Case{1.5f, 2}, Case{2.5f, 3}, Case{-2.5f, -3},
                 Case{0.49999997f, 0}, Case{-0.49999997f, 0}, Case{32766.5f, 32767}, Case{32767.f, 32767},
                 Case{40000.f, 32767}, Case{-32768.f, -32768}, Case{-32767.5f, -32768}, Case{-1e9f, -32768},
                 Case{INFINITY, 32767}, Case{-INFINITY, -32768}, Case{std::nanf(""), 0}}) {
    EXPECT_EQ(FloatToSample(c.in), c.out) << c.in;
  }
  // The same as the C runtime's rounding over the whole range, in steps that hit
  // halves and their float neighbours.
  for (float v = -33000.f; v <= 33000.f; v += 0.25f) {
    for (float w : {v, std::nextafter(v, -INFINITY), std::nextafter(v, INFINITY)}) {
      ASSERT_EQ(FloatToSample(w), int16_t(std::lround(std::clamp(w, -32768.f, 32767.f)))) << w;
    }
  }
}

TEST(PcmConvert, MixVolumeStaysWithinOneStepOfTheExactProduct) {
  std::vector<int32_t> acc;
  for (int32_t v = -70000; v <= 70000; v += 37) acc.push_back(v);
  acc.push_back(-1);
  acc.push_back(1);
  std::vector<int16_t> out(acc.size());
  for (float volume : {0.37f, 0.01f, 0.999f, 0.75f}) {
    MixOut(acc.data(), acc.size() / 2, volume, out.data());
    for (size_t i = 0; i < acc.size(); ++i) {
      const double exact = std::clamp(double(acc[i]) * volume, -32768.0, 32767.0);
      ASSERT_LE(std::abs(out[i] - exact), 1.0) << acc[i] << " at " << volume;
    }
  }
}

TEST(PcmConvert, FifoKeepsOrderAcrossUnevenAppendsAndTakes) {
  PcmFifo fifo;
  int16_t next_in = 0, next_out = 0;
  std::vector<int16_t> buf;
  for (int round = 0; round < 500; ++round) {
    const size_t add = size_t(round * 7 % 13);
    buf.clear();
    for (size_t i = 0; i < add * 2; ++i) buf.push_back(next_in++);
    fifo.Append(buf.data(), add);
    int16_t out[2 * 11];
    const size_t want = size_t(round % 11);
    const size_t got = fifo.Take(out, want);
    ASSERT_LE(got, want);
    for (size_t i = 0; i < got * 2; ++i) ASSERT_EQ(out[i], next_out++);
  }
  EXPECT_EQ(fifo.Frames(), size_t(next_in - next_out) / 2);
  fifo.Clear();
  EXPECT_EQ(fifo.Frames(), 0u);
}

}  // namespace
