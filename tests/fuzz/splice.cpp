// Fuzzes the join of a reconnected stream, as the download thread drives it:
// audio kept, connections that start, feed and give up in any order, with new
// bytes that are other audio or copies of what was heard (a burst from any
// point). Whatever happens, each connection passes a run of its own bytes
// that ends where the held ones begin, and every byte it fed is passed, held
// or counted as a repeat. The one-shot search is checked on the side.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "engine/session/splice.h"

namespace {

// Audio that does not repeat itself, from a seed: big inputs from small ones.
std::vector<uint8_t> Noise(size_t n, uint32_t seed) {
  std::vector<uint8_t> out(n);
  uint32_t x = seed * 2654435761u + 1;
  for (auto& b : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<uint8_t>(x >> 24);
  }
  return out;
}

void CheckSearch(std::span<const uint8_t> history, std::span<const uint8_t> fresh) {
  const SpliceResult r = FindSplice(history, fresh, false);
  if (r.fresh_from > fresh.size()) __builtin_trap();
  if (r.kind == SpliceResult::Kind::kNeedMore) __builtin_trap();  // a final answer was asked for
  if (r.kind == SpliceResult::Kind::kNoOverlap && r.fresh_from != 0) __builtin_trap();
  if (const auto at = FindBurstStart(history, fresh)) {
    // A copy of old audio from `at` to the end of one of them.
    const size_t n = std::min(fresh.size(), history.size() - *at);
    if (n < kSpliceProbeBytes || std::memcmp(history.data() + *at, fresh.data(), n) != 0) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Steps of 4 bytes: what (0 keep, 1 restart, 2 feed other audio, 3 feed a
  // copy of what was heard, 4 give up), a length (2 bytes, up to 64 KiB) and a
  // seed or how far back the copy starts (1 byte, in 256-byte steps).
  Splicer splicer(16 * 1024);
  std::vector<uint8_t> heard;         // everything kept or passed, oldest first
  std::vector<uint8_t> connection;    // what the current connection fed
  size_t passed = 0;                  // of it, what passed
  uint64_t repeated_before = 0;       // RepeatedBytes at the connection's start
  std::vector<uint8_t> old;           // the history when the connection started
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 4 <= size; i += 4) {
    const uint8_t what = data[i] % 5;
    const size_t length = (size_t(data[i + 1]) << 8) | data[i + 2];
    const uint8_t arg = data[i + 3];
    bool discontinuity = false;
    out.clear();
    if (what == 0) {
      const std::vector<uint8_t> audio = Noise(length, arg);
      splicer.Keep(audio);
      heard.insert(heard.end(), audio.begin(), audio.end());
      continue;
    }
    if (what == 1) {
      splicer.Restart();
      old.assign(heard.end() - std::ptrdiff_t(std::min(heard.size(), splicer.HistoryBytes())), heard.end());
      if (splicer.HeldBytes() != 0) __builtin_trap();
      connection.clear();
      passed = 0;
      repeated_before = splicer.RepeatedBytes();
      continue;
    }
    if (what == 4) {
      // The one-shot search on the same bytes the splicer holds: while it
      // matches, all the connection fed is held.
      if (splicer.Matching()) CheckSearch(old, connection);
      splicer.GiveUp(out, discontinuity);
      if (splicer.Matching() || splicer.HeldBytes() != 0) __builtin_trap();
    } else {
      std::vector<uint8_t> audio;
      if (what == 2) {
        audio = Noise(length, arg);
      } else {
        const size_t back = std::min(heard.size(), size_t(arg) * 256 + length);
        const size_t from = heard.size() - back;
        audio.assign(heard.begin() + std::ptrdiff_t(from),
                     heard.begin() + std::ptrdiff_t(std::min(heard.size(), from + length)));
      }
      connection.insert(connection.end(), audio.begin(), audio.end());
      splicer.Feed(audio, out, discontinuity);
    }
    // What passed continues this connection's passed run from where it stood,
    // and ends where the held bytes begin.
    const size_t held = splicer.HeldBytes();
    if (passed + out.size() + held > connection.size()) __builtin_trap();
    const size_t run_end = connection.size() - held;
    if (!out.empty() &&
        std::memcmp(out.data(), connection.data() + run_end - out.size(), out.size()) != 0)
      __builtin_trap();
    passed += out.size();
    // Every byte fed is passed, held or dropped as a repeat.
    if (passed + held + (splicer.RepeatedBytes() - repeated_before) != connection.size()) __builtin_trap();
    heard.insert(heard.end(), out.begin(), out.end());
    if (splicer.HistoryBytes() > 16 * 1024) __builtin_trap();
    if (heard.size() > (1u << 22)) break;
  }
  return 0;
}
