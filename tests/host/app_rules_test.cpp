// Window arithmetic: volume read-back, the message-pumping wait, the window
// region and frame, and the show handler's layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/rounding.h"
#include "app/skin_geometry.h"
#include "app/wait_rules.h"
#include "playback/volume.h"

TEST(RoundHalfEven, Table) {
  const struct { double in; int out; } cases[] = {
      {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {218.5, 218}, {219.5, 220}, {-0.5, 0},
      {-1.5, -2}, {-2.5, -2}, {0.49999999, 0}, {0.50000001, 1}, {12.0, 12}, {-0.7, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(Volume, ReadBackRoundsHalvesToEven) {
  const struct { float volume; int position; } cases[] = {
      {0.5f, 50},   {0.125f, 12}, {0.375f, 38}, {0.625f, 62}, {0.875f, 88},
      {1.0f, 100},  {0.0f, 0},    {0.005f, 0},  {0.37f, 37},  {0.99f, 99},
      // 0.015f is stored just below 0.015: the exact product is 1.4999999..,
      // while a product rounded to float would be 1.5 and give 2.
      {0.015f, 1},  {0.025f, 3},  {0.01f, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(VolumeToPosition(c.volume), c.position) << c.volume;
}

TEST(Volume, PositionToVolumeIsSinglePrecisionQuotient) {
  EXPECT_EQ(PositionToVolume(0), 0.0f);
  EXPECT_EQ(PositionToVolume(100), 1.0f);
  EXPECT_EQ(PositionToVolume(37), 0.37f);
  EXPECT_EQ(PositionToVolume(50), 0.5f);
  // Every slider position survives the round trip through the engine.
  for (int p = 0; p <= 100; ++p) EXPECT_EQ(VolumeToPosition(PositionToVolume(p)), p) << p;
}

// A scripted clock: records the order of calls.
struct WaitScript {
  std::vector<char> calls;  // 's' sleep, 'p' pump, 't' tick read
  std::vector<uint32_t> ticks;
  size_t next_tick = 0;
  uint32_t last = 0;
  WaitHooks Hooks() {
    WaitHooks h;
    h.sleep_one_ms = [this] { calls.push_back('s'); };
    h.pump = [this] { calls.push_back('p'); };
    h.tick_count = [this] {
      calls.push_back('t');
      if (next_tick < ticks.size()) last = ticks[next_tick++];
      return last;
    };
    return h;
  }
  int Count(char c) const { return static_cast<int>(std::count(calls.begin(), calls.end(), c)); }
};

TEST(WaitWithMessages, SleepCountAndRemainder) {
  const struct { uint32_t ms, sleeps, rest; } cases[] = {
      {0, 1, 0}, {9, 1, 9}, {10, 2, 0}, {11, 2, 1}, {3000, 301, 0}, {3009, 301, 9},
      {0xFFFFFFFFu, 429496730, 5},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SleepCount(c.ms), c.sleeps) << c.ms;
    EXPECT_EQ(RemainderMs(c.ms), c.rest) << c.ms;
  }
}

TEST(WaitWithMessages, ZeroSleepsOnceAndPumpsTwice) {
  WaitScript s;
  s.ticks = {1000, 1000};
  RunWait(0, s.Hooks());
  EXPECT_EQ(std::string(s.calls.begin(), s.calls.end()), "spt" "pt");
}

TEST(WaitWithMessages, TenSleepsTwice) {
  WaitScript s;
  s.ticks = {50, 50};
  RunWait(10, s.Hooks());
  EXPECT_EQ(std::string(s.calls.begin(), s.calls.end()), "spsp" "t" "pt");
}

TEST(WaitWithMessages, NineWaitsForTheRemainderWhilePumping) {
  WaitScript s;
  // start 100; then 100, 104, 108 (8 < 9 keeps going), 109 stops.
  s.ticks = {100, 100, 104, 108, 109, 500};
  RunWait(9, s.Hooks());
  EXPECT_EQ(s.Count('s'), 1);
  EXPECT_EQ(s.Count('p'), 1 + 4);
  EXPECT_EQ(s.next_tick, 5u);
}

TEST(WaitWithMessages, ThreeThousandSleeps301Times) {
  WaitScript s;
  s.ticks = {7, 7};
  RunWait(3000, s.Hooks());
  EXPECT_EQ(s.Count('s'), 301);
  EXPECT_EQ(s.Count('p'), 302);
  // Each sleep is followed by its pump.
  for (size_t i = 0; i < 602; i += 2) {
    ASSERT_EQ(s.calls[i], 's') << i;
    ASSERT_EQ(s.calls[i + 1], 'p') << i;
  }
}

TEST(WaitWithMessages, TickWrapEndsTheRemainderLoop) {
  WaitScript s;
  // Start just below the wrap; the next reading has wrapped round to 2:
  // now - start (unsigned) is 5 < 7, but now < start ends the wait.
  s.ticks = {0xFFFFFFFDu, 0xFFFFFFFEu, 2u, 100u};
  RunWait(7, s.Hooks());
  EXPECT_EQ(s.next_tick, 3u);
  EXPECT_EQ(s.Count('p'), 1 + 2);
}

TEST(SkinGeometry, RegionPolygonFor600x637) {
  const auto p = WindowRegionPolygon(600, 637);
  ASSERT_EQ(p.size(), 54u);
  const std::vector<SkinPoint> expected = {
      {0, 15},   {1, 15},   {1, 14},   {2, 14},   {2, 13},   {558, 13}, {558, 3},  {559, 3},
      {559, 2},  {560, 2},  {560, 1},  {561, 1},  {561, 0},  {569, 0},  {569, 1},  {570, 1},
      {570, 2},  {571, 2},  {571, 3},  {573, 3},  {573, 2},  {574, 2},  {574, 1},  {575, 1},
      {575, 0},  {583, 0},  {583, 1},  {584, 1},  {584, 2},  {585, 2},  {585, 3},  {587, 3},
      {587, 2},  {588, 2},  {588, 1},  {589, 1},  {589, 0},  {597, 0},  {597, 1},  {598, 1},
      {598, 2},  {599, 2},  {599, 3},  {600, 3},  {600, 635}, {599, 635}, {599, 636}, {598, 636},
      {598, 637}, {2, 637}, {2, 636},  {1, 636},  {1, 635},  {0, 635},
  };
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(p[i], expected[i]) << "vertex " << i;
}

TEST(SkinGeometry, RegionIsRectilinearAndTabsAreEightWide) {
  // Every edge is axis-parallel (the polygon is made of one-pixel steps), and
  // each tab's top edge (y = 0) is 8 pixels wide, for any window size.
  for (int w : {100, 600, 1000}) {
    const auto p = WindowRegionPolygon(w, 300);
    int tops = 0;
    for (size_t i = 0; i < p.size(); ++i) {
      const SkinPoint a = p[i];
      const SkinPoint b = p[(i + 1) % p.size()];
      EXPECT_TRUE(a.x == b.x || a.y == b.y) << w << " edge " << i;
      if (a.y == 0 && b.y == 0) {
        EXPECT_EQ(b.x - a.x, 8) << w;
        ++tops;
      }
    }
    EXPECT_EQ(tops, 3);
  }
}

TEST(SkinGeometry, FramePaintingOrderAndEnds) {
  const FramePaint f = FramePainting(600, 637);
  ASSERT_EQ(f.lines.size(), 6u);
  EXPECT_EQ(f.lines[0].color, kFrameLight);
  EXPECT_EQ(f.lines[0].from, (SkinPoint{0, 13}));
  EXPECT_EQ(f.lines[0].to, (SkinPoint{600, 13}));
  EXPECT_EQ(f.lines[1].to, (SkinPoint{600, 14}));
  EXPECT_EQ(f.lines[2].color, kFrameDark);
  EXPECT_EQ(f.lines[2].to, (SkinPoint{0, 636}));
  EXPECT_EQ(f.lines[3].to, (SkinPoint{599, 636}));
  EXPECT_EQ(f.lines[4].to, (SkinPoint{599, 0}));
  EXPECT_EQ(f.lines[5].to, (SkinPoint{559, 13}));
  EXPECT_EQ(f.dark_pixels, (std::vector<SkinPoint>{{1, 635}, {598, 635}, {1, 14}}));
  // Colours are 00BBGGRR: #92D0EB and #D6F3FF.
  EXPECT_EQ(kFrameDark & 0xFF, 0x92u);
  EXPECT_EQ(kFrameLight >> 16, 0xFFu);
}

TEST(SkinGeometry, TitleImages) {
  EXPECT_EQ(TitleImageRect(600, 0), (SkinRect{558, 0, 14, 13}));
  EXPECT_EQ(TitleImageRect(600, 1), (SkinRect{572, 0, 14, 13}));
  EXPECT_EQ(TitleImageRect(600, 2), (SkinRect{586, 0, 14, 13}));
}

TEST(SkinGeometry, ShowLayout) {
  const ShowLayout l = ComputeShowLayout(600, 637, 161);
  EXPECT_EQ(l.browser, (SkinRect{1, 15, 598, 620}));
  EXPECT_EQ(l.pleasewait_left, 219);  // (598 - 161) / 2 = 218.5 -> 218, + 1
  EXPECT_EQ(l.panel1, (SkinRect{48, 14, 290, 62}));
  EXPECT_EQ(l.panel2, (SkinRect{338, 15, 175, 33}));
  // A half going to the odd side rounds up: (598 - 159) / 2 = 219.5 -> 220.
  EXPECT_EQ(ComputeShowLayout(600, 637, 159).pleasewait_left, 221);
  EXPECT_EQ(ComputeShowLayout(600, 637, 160).pleasewait_left, 220);
}
