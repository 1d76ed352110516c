// The download ring and the stream handle table.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include "engine/api/handle_table.h"
#include "engine/session/ring_buffer.h"

namespace {

TEST(RingBuffer, WrapsAndCountsTotals) {
  RingBuffer ring(10);
  uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(ring.Write({data, 8}), 8u);
  uint8_t out[16] = {};
  EXPECT_EQ(ring.Read(out, 5), 5u);
  // 3 left at offset 5; free space 7 of which 2 at the end, 5 at the start.
  EXPECT_EQ(ring.AcquireWrite().size(), 2u);
  EXPECT_EQ(ring.Write({data, 8}), 7u);
  EXPECT_EQ(ring.Fill(), 10u);
  EXPECT_TRUE(ring.AcquireWrite().empty());
  EXPECT_EQ(ring.AcquireRead().size(), 5u);  // contiguous up to the end
  EXPECT_EQ(ring.Read(out, 16), 10u);
  const uint8_t expected[10] = {6, 7, 8, 1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(0, memcmp(out, expected, 10));
  EXPECT_EQ(ring.TotalWritten(), 15u);
  EXPECT_EQ(ring.TotalRead(), 15u);
  EXPECT_EQ(ring.Fill(), 0u);
  EXPECT_EQ(ring.Capacity(), 10u);
}

TEST(RingBuffer, TwoThreadsPassEveryByteInOrder) {
  // Odd capacity and odd pieces make the wrap point move around.
  RingBuffer ring(4099);
  constexpr uint64_t kTotal = 8'000'000;
  std::atomic<bool> failed{false};
  std::thread producer([&] {
    uint64_t next = 0;
    while (next < kTotal) {
      std::span<uint8_t> span = ring.AcquireWrite();
      size_t n = std::min<uint64_t>({span.size(), kTotal - next, next % 613 + 1});
      for (size_t i = 0; i < n; ++i) span[i] = static_cast<uint8_t>((next + i) * 131 >> 3);
      ring.CommitWrite(n);
      next += n;
      if (n == 0) std::this_thread::yield();
    }
  });
  uint64_t next = 0;
  uint8_t buffer[777];
  while (next < kTotal) {
    EXPECT_LE(ring.Fill(), ring.Capacity());
    size_t n = ring.Read(buffer, next % 777 + 1);
    for (size_t i = 0; i < n; ++i) {
      if (buffer[i] != static_cast<uint8_t>((next + i) * 131 >> 3)) failed = true;
    }
    next += n;
    if (n == 0) std::this_thread::yield();
  }
  producer.join();
  EXPECT_FALSE(failed);
  EXPECT_EQ(ring.TotalRead(), kTotal);
  EXPECT_EQ(ring.TotalWritten(), kTotal);
}

TEST(RingBuffer, StartBufferSizedByTimeAtTheBitRate) {
  const struct {
    uint32_t bps;
    size_t bytes;
  } cases[] = {
      {128000, 12000}, {0, 12000},          {320000, 30000}, {64000, 6000},
      {32000, 4096},   {8000000, 524288},   {1, 4096},       {4000000, 375000},
  };
  for (const auto& c : cases) EXPECT_EQ(StartBufferBytes(c.bps), c.bytes) << c.bps;
}

TEST(RingBuffer, BufferGrowsFromTheStartSizeToTheBridgingSizeOncePlaying) {
  const struct {
    uint32_t bps;
    size_t start, bridge;
  } cases[] = {
      {128000, 12000, 208608},  // 8 s would be less than the start buffer plus a burst
      {0, 12000, 208608},
      {32000, 4096, 200704},
      {320000, 30000, 320000},  // 8 s
      {4000000, 375000, 4000000},
      {8000000, 524288, 4194304},  // at most 4 MiB
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bps);
    EXPECT_EQ(StreamBufferBytes(c.bps, false), c.start);
    EXPECT_EQ(StreamBufferBytes(c.bps, true), c.bridge);
    EXPECT_EQ(BridgeBufferBytes(c.bps), c.bridge);
    // A server's burst on (re)connect fits beside a full start buffer.
    EXPECT_GE(c.bridge, std::min<size_t>(c.start + 192 * 1024, 4 * 1024 * 1024));
  }
}

TEST(RingBuffer, StartWaitIsShortAndLeavesACushion) {
  // The program plays once more than 75 % of the start buffer is in: on a
  // server that paces at the bit rate that takes 0.5 to 0.6 s at the usual
  // rates, and that much audio is the cushion playback starts with.
  for (uint32_t kbps : {64u, 96u, 128u, 192u, 256u, 320u}) {
    SCOPED_TRACE(kbps);
    const double bytes_per_second = kbps * 1000 / 8.0;
    const double wait = StartBufferBytes(kbps * 1000) * 0.75 / bytes_per_second;
    EXPECT_GE(wait, 0.5);
    EXPECT_LE(wait, 0.6);
  }
}

TEST(RingBuffer, ACushionAtTheStartLevelIsNeverLeftToDrainBetweenReads) {
  // A stream from a server that never sends ahead stays at its start fill: the
  // download must then take every packet as it comes instead of gathering
  // bytes in the socket, or each pause would eat into that thin cushion.
  const struct {
    uint32_t bps;
    size_t gather;
  } cases[] = {{128000, 16000}, {0, 16000}, {32000, 8192}, {320000, 40000}, {1, 8192}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bps);
    EXPECT_EQ(GatherBytes(c.bps), c.gather);
    EXPECT_GT(GatherBytes(c.bps), StartBufferBytes(c.bps));
    EXPECT_LT(GatherBytes(c.bps), BridgeBufferBytes(c.bps));
  }
}

TEST(HandleTable, OldHandlesNeverReachNewObjects) {
  HandleTable<int> table;
  std::set<uint32_t> seen;
  uint32_t first = table.Add(std::make_shared<int>(1));
  ASSERT_NE(first, 0u);
  EXPECT_EQ(*table.Find(first), 1);
  EXPECT_NE(table.Remove(first), nullptr);
  EXPECT_EQ(table.Find(first), nullptr);
  EXPECT_EQ(table.Remove(first), nullptr);
  seen.insert(first);
  // Many add/remove rounds: every handle is new and never 0, and the first
  // handle keeps finding nothing although its slot is reused.
  for (int i = 0; i < 5000; ++i) {
    uint32_t h = table.Add(std::make_shared<int>(i));
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(seen.insert(h).second) << "handle given out twice: " << h;
    EXPECT_EQ(table.Find(first), nullptr);
    EXPECT_EQ(*table.Find(h), i);
    if (i % 3 != 0) table.Remove(h);
  }
  EXPECT_EQ(table.Handles().size(), 1667u);
  EXPECT_EQ(table.Find(0), nullptr);
  EXPECT_EQ(table.Find(0xffffffffu), nullptr);
}

TEST(HandleTable, OnlyOneOfRacingRemoversGetsTheObject) {
  HandleTable<int> table;
  for (int round = 0; round < 200; ++round) {
    uint32_t h = table.Add(std::make_shared<int>(round));
    std::atomic<int> winners{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&] {
        if (table.Remove(h)) ++winners;
      });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(winners, 1);
  }
  EXPECT_TRUE(table.Handles().empty());
}

TEST(HandleTable, AnObjectOutlivesItsRemovalWhileInUse) {
  HandleTable<std::string> table;
  uint32_t h = table.Add(std::make_shared<std::string>("stream"));
  std::shared_ptr<std::string> in_use = table.Find(h);
  std::weak_ptr<std::string> watch = in_use;
  table.Remove(h);
  EXPECT_EQ(*in_use, "stream");
  in_use.reset();
  EXPECT_TRUE(watch.expired());
}

}  // namespace
