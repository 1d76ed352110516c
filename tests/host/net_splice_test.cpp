// The join of a reconnected stream: a burst that resends audio the listener
// already has is cut where the old audio ends, whatever its size and however
// the bytes arrive; audio that does not continue the old is passed whole and
// marked as a new run.
#include "engine/session/splice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// Bytes that never repeat in the sizes used here (a station's audio).
std::vector<uint8_t> Noise(size_t n, uint64_t seed) {
  std::vector<uint8_t> out(n);
  uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
  for (auto& b : out) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    b = static_cast<uint8_t>(x >> 24);
  }
  return out;
}

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<uint8_t> Tail(const std::vector<uint8_t>& v, size_t n) { return {v.end() - ptrdiff_t(n), v.end()}; }

TEST(Splice, BurstOverlapsOfEverySizeAreCutAtTheOldEnd) {
  const std::vector<uint8_t> history = Noise(100000, 1);
  const std::vector<uint8_t> fresh = Noise(30000, 2);
  const struct {
    size_t overlap;     // bytes of the old tail that the burst repeats
    size_t junk;        // bytes before them that are neither
    SpliceResult::Kind kind;
    size_t fresh_from;
  } cases[] = {
      {0, 0, SpliceResult::Kind::kNoOverlap, 0},
      {1, 0, SpliceResult::Kind::kNoOverlap, 0},  // below kSpliceMinOverlap: kept
      {63, 0, SpliceResult::Kind::kNoOverlap, 0},
      {64, 0, SpliceResult::Kind::kJoined, 64},
      {500, 0, SpliceResult::Kind::kJoined, 500},
      {2047, 0, SpliceResult::Kind::kJoined, 2047},
      {2048, 0, SpliceResult::Kind::kJoined, 2048},
      {2049, 0, SpliceResult::Kind::kJoined, 2049},
      {65536, 0, SpliceResult::Kind::kJoined, 65536},
      {100000, 0, SpliceResult::Kind::kJoined, 100000},  // all of it
      {10000, 417, SpliceResult::Kind::kJoined, 10417},  // junk at the join (a partial frame)
      {3000, 1, SpliceResult::Kind::kJoined, 3001},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "overlap " << c.overlap << " junk " << c.junk);
    const std::vector<uint8_t> burst = Cat(Cat(Noise(c.junk, 3), Tail(history, c.overlap)), fresh);
    const SpliceResult r = FindSplice(history, burst, false);
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(r.fresh_from, c.fresh_from);
  }
}

TEST(Splice, WaitsWhileTheTailMayStillComeAndDecidesWhenFinal) {
  const std::vector<uint8_t> history = Noise(20000, 4);
  const std::vector<uint8_t> burst = Tail(history, 8000);
  // The first bytes of the burst, without the end of the old audio yet.
  const std::span<const uint8_t> part(burst.data(), 5000);
  EXPECT_EQ(FindSplice(history, part, true).kind, SpliceResult::Kind::kNeedMore);
  // The tail has come, but a later place may still reach further back: only
  // the final answer (or the whole history and more) decides.
  EXPECT_EQ(FindSplice(history, burst, true).kind, SpliceResult::Kind::kNeedMore);
  EXPECT_EQ(FindSplice(history, burst, false).kind, SpliceResult::Kind::kJoined);
  EXPECT_EQ(FindSplice(history, Cat(burst, Noise(20000, 14)), true).fresh_from, 8000u);
  // Another stream altogether: once more than the history came, it cannot be a repeat.
  const std::vector<uint8_t> other = Noise(25000, 5);
  EXPECT_EQ(FindSplice(history, std::span(other).first(1000), true).kind, SpliceResult::Kind::kNeedMore);
  EXPECT_EQ(FindSplice(history, other, true).kind, SpliceResult::Kind::kNoOverlap);
  EXPECT_EQ(FindSplice(history, std::span(other).first(1000), false).kind, SpliceResult::Kind::kNoOverlap);
  // Too little old audio to match against.
  EXPECT_EQ(FindSplice(std::span(history).first(100), burst, true).kind, SpliceResult::Kind::kNoOverlap);
}

TEST(Splice, RepeatingAudioJoinsWhereItSoundsTheSame) {
  // A period of 1000 bytes: every alignment sounds alike; the one chosen must
  // keep the pattern's phase, so the listener hears it continue.
  std::vector<uint8_t> period = Noise(1000, 6);
  std::vector<uint8_t> history, burst;
  for (int i = 0; i < 30; ++i) history = Cat(history, period);
  for (int i = 0; i < 12; ++i) burst = Cat(burst, period);
  burst.erase(burst.begin(), burst.begin() + 333);  // starts mid-period
  const SpliceResult r = FindSplice(history, burst, false);
  ASSERT_EQ(r.kind, SpliceResult::Kind::kJoined);
  std::vector<uint8_t> heard = Cat(history, std::vector<uint8_t>(burst.begin() + ptrdiff_t(r.fresh_from), burst.end()));
  for (size_t i = 1000; i < heard.size(); ++i) ASSERT_EQ(heard[i], heard[i - 1000]) << i;
}

// The splicer fed in chunks of every size gives the same audio.
TEST(Splice, SplicerPassesEachByteOnceWhateverTheChunks) {
  const std::vector<uint8_t> before = Noise(50000, 7);
  const std::vector<uint8_t> after = Noise(40000, 8);
  const struct {
    std::vector<uint8_t> burst;
    bool discontinuity;
    std::vector<uint8_t> heard;  // what must come out of the new connection
  } cases[] = {
      {Cat(Tail(before, 30000), after), false, after},
      {Cat(Cat(Noise(100, 9), Tail(before, 5000)), after), false, after},
      {after, true, after},
      {Tail(before, 30000), false, {}},
  };
  for (size_t chunk : {size_t(1), size_t(7), size_t(1000), size_t(4096), size_t(100000)}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << "chunk " << chunk << " burst " << c.burst.size());
      Splicer splicer(64 * 1024);
      std::vector<uint8_t> out;
      bool discontinuity = false;
      for (size_t at = 0; at < before.size(); at += 3000) {
        splicer.Feed(std::span(before).subspan(at, std::min<size_t>(3000, before.size() - at)), out, discontinuity);
      }
      ASSERT_EQ(out, before);
      ASSERT_FALSE(discontinuity);
      out.clear();
      splicer.Restart();
      EXPECT_TRUE(splicer.Matching());
      for (size_t at = 0; at < c.burst.size(); at += chunk) {
        splicer.Feed(std::span(c.burst).subspan(at, std::min(chunk, c.burst.size() - at)), out, discontinuity);
      }
      splicer.GiveUp(out, discontinuity);  // the connection ended or the wait did
      EXPECT_FALSE(splicer.Matching());
      EXPECT_EQ(out, c.heard);
      EXPECT_EQ(discontinuity, c.discontinuity);
      // Later audio passes at once.
      out.clear();
      discontinuity = false;
      splicer.Feed(std::span(before).first(10), out, discontinuity);
      EXPECT_EQ(out.size(), 10u);
      EXPECT_FALSE(discontinuity);
    }
  }
}

TEST(Splice, ANewRunIsMarkedOnItsFirstBytesEvenAfterAnEmptyWait) {
  Splicer splicer(64 * 1024);
  std::vector<uint8_t> out;
  bool discontinuity = false;
  const std::vector<uint8_t> before = Noise(5000, 10);
  splicer.Feed(before, out, discontinuity);
  splicer.Restart();
  splicer.GiveUp(out, discontinuity);  // nothing came before the wait ended
  EXPECT_FALSE(discontinuity);
  out.clear();
  splicer.Feed(Noise(300, 11), out, discontinuity);
  EXPECT_EQ(out.size(), 300u);
  EXPECT_TRUE(discontinuity);
}

TEST(Splice, HistoryKeepsOnlyTheNewestBytes) {
  Splicer splicer(4096);
  std::vector<uint8_t> out;
  bool discontinuity = false;
  const std::vector<uint8_t> a = Noise(100000, 12);
  splicer.Feed(a, out, discontinuity);
  splicer.Restart();
  // A repeat of older audio than the history holds cannot be recognised;
  // the newest 4096 bytes can.
  std::vector<uint8_t> burst = Cat(Tail(a, 4096), Noise(100, 13));
  out.clear();
  splicer.Feed(burst, out, discontinuity);
  splicer.GiveUp(out, discontinuity);
  EXPECT_EQ(out.size(), 100u);
  EXPECT_EQ(splicer.RepeatedBytes(), 4096u);
}

std::vector<uint8_t> Zeros(size_t n) { return std::vector<uint8_t>(n, 0); }

// Whatever a splicer fed `history` and then, after a reconnect, `burst` in
// chunks of `chunk` bytes lets through from the new connection.
std::vector<uint8_t> Spliced(const std::vector<uint8_t>& history, const std::vector<uint8_t>& burst, size_t chunk,
                             size_t capacity = 64 * 1024) {
  Splicer splicer(capacity);
  std::vector<uint8_t> out;
  bool discontinuity = false;
  splicer.Feed(history, out, discontinuity);
  out.clear();
  splicer.Restart();
  for (size_t at = 0; at < burst.size(); at += chunk)
    splicer.Feed(std::span(burst).subspan(at, std::min(chunk, burst.size() - at)), out, discontinuity);
  splicer.GiveUp(out, discontinuity);
  return out;
}

// Audio that repeats itself (silence, a passage heard twice) matches the old
// tail in more than one place: the join is where the match reaches furthest
// back, the latest of equals; fed whole or in pieces, the answer is the same.
TEST(Splice, TheJoinIsThePlaceWhoseMatchReachesFurthestBack) {
  const std::vector<uint8_t> x = Noise(3000, 20), b = Noise(3000, 21), y = Noise(3000, 22), c = Noise(5000, 23);
  const std::vector<uint8_t> s = Zeros(3000);  // longer than the probe
  const std::vector<uint8_t> old = Noise(20000, 24);
  const struct {
    const char* what;
    std::vector<uint8_t> history, burst, heard;
  } cases[] = {
      // The first silence matches the old tail too, but only the second one
      // continues "B, silence" behind it: joining at the first replays B.
      {"silence B silence", Cat(Cat(Cat(old, s), b), s), Cat(Cat(Cat(s, b), s), c), c},
      // The later silence follows Y, which was never heard; the earlier one
      // follows X like the old audio: that is the join, and Y is new.
      {"X silence", Cat(Cat(old, x), s), Cat(Cat(Cat(Cat(x, s), y), s), c), Cat(Cat(y, s), c)},
      // X comes twice: both places match back to the start of the burst,
      // equally far; the later one is taken, so X is not heard a third time.
      {"tie", Cat(old, x), Cat(Cat(x, x), c), c},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    const SpliceResult r = FindSplice(k.history, k.burst, false);
    ASSERT_EQ(r.kind, SpliceResult::Kind::kJoined);
    EXPECT_EQ(r.fresh_from, k.burst.size() - k.heard.size());
    for (size_t chunk : {size_t(1), size_t(1000), k.burst.size()}) {
      SCOPED_TRACE(testing::Message() << "chunk " << chunk);
      EXPECT_EQ(Spliced(k.history, k.burst, chunk), k.heard);
    }
  }
}

// The same rule, checked against the plainest possible search on bursts
// built from pieces of the history (two byte values only, so that chance
// matches of every length abound).
TEST(Splice, AgreesWithAByteByByteSearch) {
  uint64_t seed = 99;
  auto next = [&seed](uint64_t n) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return (seed >> 33) % n;
  };
  auto binary = [&](size_t n) {
    std::vector<uint8_t> v(n);
    for (auto& e : v) e = static_cast<uint8_t>(next(2));
    return v;
  };
  for (int trial = 0; trial < 150; ++trial) {
    SCOPED_TRACE(testing::Message() << "trial " << trial);
    const std::vector<uint8_t> history = binary(256 + next(4000));
    std::vector<uint8_t> burst;
    for (int piece = 0, pieces = 1 + int(next(5)); piece < pieces; ++piece) {
      const size_t n = next(history.size()) + 1;
      switch (next(3)) {
        case 0: burst = Cat(burst, binary(next(300))); break;  // junk
        case 1: burst = Cat(burst, Tail(history, n)); break;   // the old tail
        default: {                                             // an older passage
          const size_t from = next(history.size() - n + 1);
          burst.insert(burst.end(), history.begin() + ptrdiff_t(from), history.begin() + ptrdiff_t(from + n));
        }
      }
    }
    // The reference: every end position, its match measured byte by byte.
    const size_t k = std::min(kSpliceProbeBytes, history.size());
    size_t want_at = 0, want_length = 0;
    auto common = [&](size_t q) {
      size_t n = 0;
      while (n < q && n < history.size() && burst[q - 1 - n] == history[history.size() - 1 - n]) ++n;
      return n;
    };
    for (size_t q = k; q <= burst.size(); ++q) {
      const size_t n = common(q);
      if (n >= k && n >= want_length) {
        want_at = q;
        want_length = n;
      }
    }
    for (size_t n = std::min({k - 1, burst.size(), history.size()}); !want_length && n >= kSpliceMinOverlap; --n) {
      if (common(n) == n) want_at = want_length = n;
    }
    const SpliceResult r = FindSplice(history, burst, false);
    EXPECT_EQ(r.kind, want_length ? SpliceResult::Kind::kJoined : SpliceResult::Kind::kNoOverlap);
    EXPECT_EQ(r.fresh_from, want_at);
  }
}

// Fed in pieces far past its size, the history holds its capacity and no
// more: older audio is not recognised (and memory does not grow).
TEST(Splice, HistoryFedInPiecesStaysWithinItsCapacity) {
  Splicer splicer(4096);
  std::vector<uint8_t> out;
  bool discontinuity = false;
  const std::vector<uint8_t> a = Noise(100000, 30);
  for (size_t at = 0; at < a.size(); at += 1000) splicer.Feed(std::span(a).subspan(at, 1000), out, discontinuity);
  EXPECT_EQ(out, a);
  EXPECT_EQ(splicer.HistoryBytes(), 4096u);
  // A passage from well before the newest 4096 bytes is new audio here.
  const std::vector<uint8_t> older(a.begin() + 80000, a.begin() + 90000);
  out.clear();
  splicer.Restart();
  splicer.Feed(older, out, discontinuity);
  splicer.GiveUp(out, discontinuity);
  EXPECT_EQ(out, older);
  EXPECT_TRUE(discontinuity);
  EXPECT_EQ(splicer.RepeatedBytes(), 0u);
  EXPECT_EQ(splicer.HistoryBytes(), 4096u);
  // The newest bytes still join.
  out.clear();
  splicer.Restart();
  const std::vector<uint8_t> after = Noise(5000, 31);
  splicer.Feed(Cat(Tail(older, 3000), after), out, discontinuity);
  splicer.GiveUp(out, discontinuity);
  EXPECT_EQ(out, after);
}

}  // namespace

namespace {

struct Rejoined {
  std::vector<uint8_t> out;  // what the listener hears of the new connection
  bool discontinuity = false;
  uint64_t repeated = 0;
};

// `old` played, then a new connection brings `fresh` and the wait for the old
// tail ends.
Rejoined Reconnect(std::span<const uint8_t> old, std::span<const uint8_t> fresh) {
  Splicer splicer(64 * 1024);
  Rejoined r;
  splicer.Feed(old, r.out, r.discontinuity);
  r.out.clear();
  r.discontinuity = false;
  splicer.Restart();
  splicer.Feed(fresh, r.out, r.discontinuity);
  splicer.GiveUp(r.out, r.discontinuity);
  r.repeated = splicer.RepeatedBytes();
  return r;
}

// A burst that comes slowly: when the wait ends, only old audio from before
// the old tail has come. It is not new: the rest of the old audio is dropped
// as it arrives, and what follows the old tail passes as one run with it.
TEST(Splice, ABurstCutShortByTheWaitStillJoinsAtTheOldEnd) {
  const std::vector<uint8_t> before = Noise(60000, 40);
  const std::vector<uint8_t> after = Noise(20000, 41);
  const std::vector<uint8_t> burst = Cat(std::vector<uint8_t>(before.begin() + 10000, before.end()), after);
  for (size_t by_then : {size_t(3000), size_t(30000), size_t(49000)}) {
    for (size_t chunk : {size_t(1), size_t(1500)}) {
      SCOPED_TRACE(testing::Message() << by_then << " bytes before the wait ended, chunk " << chunk);
      Splicer splicer(64 * 1024);
      std::vector<uint8_t> out;
      bool discontinuity = false;
      splicer.Feed(before, out, discontinuity);
      out.clear();
      splicer.Restart();
      splicer.Feed(std::span(burst).first(by_then), out, discontinuity);
      splicer.GiveUp(out, discontinuity);
      EXPECT_TRUE(out.empty());
      for (size_t at = by_then; at < burst.size(); at += chunk)
        splicer.Feed(std::span(burst).subspan(at, std::min(chunk, burst.size() - at)), out, discontinuity);
      EXPECT_EQ(out, after);
      EXPECT_FALSE(discontinuity);
      EXPECT_EQ(splicer.RepeatedBytes(), 50000u);
    }
  }
  // Old audio that turns into something else before the old tail: from there
  // on it is new, marked as a new run.
  Splicer splicer(64 * 1024);
  std::vector<uint8_t> out;
  bool discontinuity = false;
  splicer.Feed(before, out, discontinuity);
  out.clear();
  splicer.Restart();
  splicer.Feed(std::span(before).subspan(20000, 5000), out, discontinuity);
  splicer.GiveUp(out, discontinuity);
  const std::vector<uint8_t> other = Noise(7000, 42);
  splicer.Feed(Cat(std::vector<uint8_t>(before.begin() + 25000, before.begin() + 26000), other), out, discontinuity);
  EXPECT_EQ(out, other);
  EXPECT_TRUE(discontinuity);
  // New audio that is not in the history at all passes whole, as before.
  EXPECT_FALSE(FindBurstStart(before, other).has_value());
  EXPECT_EQ(FindBurstStart(before, std::span(before).subspan(20000, 5000)), std::optional<size_t>(20000));
  // A copy that turns into other audio before either end is no burst: a
  // station that replays a stretch and goes on elsewhere is heard whole.
  const std::vector<uint8_t> aside = Cat(std::vector<uint8_t>(before.begin() + 1000, before.begin() + 4000), other);
  EXPECT_FALSE(FindBurstStart(before, aside).has_value());
  const Rejoined turned = Reconnect(before, aside);
  EXPECT_EQ(turned.out, aside);
  EXPECT_TRUE(turned.discontinuity);
}

// Little old audio: a connection that drops early (a low bit rate station, a
// hostile server). Every size around the limits, with new bytes that repeat
// nothing, cut off by the wait; a copy of the old audio's start; a repeat of
// its end on either side of the least history worth matching.
TEST(Splice, LittleOldAudioAtEveryBoundary) {
  for (size_t old_size : {size_t(255), size_t(256), size_t(1500), size_t(2047), size_t(2048), size_t(2049)}) {
    const std::vector<uint8_t> history = Noise(old_size, 50);
    for (size_t fresh_size : {size_t(2047), size_t(2048), size_t(2100)}) {
      SCOPED_TRACE(testing::Message() << old_size << " old bytes, " << fresh_size << " new");
      const std::vector<uint8_t> fresh = Noise(fresh_size, 51);
      const Rejoined r = Reconnect(history, fresh);
      EXPECT_EQ(r.out, fresh);
      EXPECT_TRUE(r.discontinuity);
      EXPECT_EQ(r.repeated, 0u);
    }
  }
  // The start of the old audio again, the probe's length of it and no more,
  // with one old byte still to come.
  const std::vector<uint8_t> history = Noise(kSpliceProbeBytes + 1, 52);
  const std::span<const uint8_t> copy = std::span(history).first(kSpliceProbeBytes);
  EXPECT_EQ(FindBurstStart(history, copy), std::optional<size_t>(0));
  EXPECT_FALSE(FindBurstStart(copy.first(1500), copy).has_value());
  // Below kSpliceMinHistory no join is made, even with the old end repeated.
  for (size_t old_size : {kSpliceMinHistory - 1, kSpliceMinHistory}) {
    SCOPED_TRACE(testing::Message() << old_size << " old bytes");
    const std::vector<uint8_t> little = Noise(old_size, 53);
    const SpliceResult r = FindSplice(little, Cat(Tail(little, 200), Noise(3000, 54)), false);
    EXPECT_EQ(r.kind, old_size < kSpliceMinHistory ? SpliceResult::Kind::kNoOverlap : SpliceResult::Kind::kJoined);
    EXPECT_EQ(r.fresh_from, old_size < kSpliceMinHistory ? 0u : 200u);
  }
}

}  // namespace
