// The download ring and the stream handle table.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "engine/handle_table.h"
#include "engine/ring_buffer.h"

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

TEST(RingBuffer, SizedByTimeAtTheBitRate) {
  const struct {
    uint32_t bps;
    size_t bytes;
  } cases[] = {
      {128000, 32000}, {0, 32000},        {320000, 80000}, {64000, 16384},
      {32000, 16384},  {8000000, 1048576}, {1, 16384},      {4000000, 1000000},
  };
  for (const auto& c : cases) EXPECT_EQ(DownloadBufferBytes(c.bps), c.bytes) << c.bps;
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
