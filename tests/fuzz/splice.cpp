// Fuzzes the join of a reconnected stream: for any old audio and any new
// bytes (overlapping or not, cut into any chunks), the splicer passes a suffix
// of the new bytes, and what it dropped is a repeat of old audio: the old
// audio's end, or (a burst that had not reached the end when the wait ended)
// a stretch of the old audio.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "engine/splice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  // Layout: history length (2 bytes), chunk size (1 byte), overlap flag (1
  // byte), then the bytes: history first, the rest new.
  const size_t history_size = std::min<size_t>(size - 4, (size_t(data[0]) << 8) | data[1]);
  const size_t chunk = size_t(data[2]) + 1;
  const bool overlap = data[3] & 1;
  std::span<const uint8_t> history(data + 4, history_size);
  std::vector<uint8_t> fresh(data + 4 + history_size, data + size);
  if (overlap && !history.empty()) {
    // Make the new bytes start with part of the old end, as a burst does.
    const size_t n = std::min<size_t>(history.size(), size_t(data[3]) * 37 + 1);
    fresh.insert(fresh.begin(), history.end() - std::ptrdiff_t(n), history.end());
  }

  const SpliceResult r = FindSplice(history, fresh, false);
  if (r.fresh_from > fresh.size()) __builtin_trap();
  if (r.kind == SpliceResult::Kind::kNeedMore) __builtin_trap();  // a final answer was asked for
  if (r.kind == SpliceResult::Kind::kNoOverlap && r.fresh_from != 0) __builtin_trap();

  Splicer splicer(64 * 1024);
  std::vector<uint8_t> out;
  bool discontinuity = false;
  splicer.Feed(history, out, discontinuity);
  if (out.size() != history.size() || discontinuity) __builtin_trap();
  out.clear();
  splicer.Restart();
  for (size_t at = 0; at < fresh.size(); at += chunk) {
    splicer.Feed(std::span<const uint8_t>(fresh).subspan(at, std::min(chunk, fresh.size() - at)), out,
                 discontinuity);
  }
  splicer.GiveUp(out, discontinuity);
  // What passed is the new bytes from some point on.
  if (out.size() > fresh.size()) __builtin_trap();
  const size_t dropped = fresh.size() - out.size();
  if (!out.empty() && std::memcmp(out.data(), fresh.data() + dropped, out.size()) != 0) __builtin_trap();
  if (dropped != splicer.RepeatedBytes()) __builtin_trap();
  if (dropped == 0) return 0;
  // Dropped as a stretch of old audio from the start of the new bytes.
  const auto copy = std::search(history.begin(), history.end(), fresh.begin(), fresh.begin() + std::ptrdiff_t(dropped));
  if (dropped >= kSpliceProbeBytes && copy != history.end()) return 0;
  // Otherwise the old end repeated: an overlap at the very start, or a join
  // found deeper in (after junk), where the probe precedes the cut.
  if (discontinuity) __builtin_trap();
  if (dropped <= history.size() &&
      std::memcmp(fresh.data(), history.data() + history.size() - dropped, dropped) == 0)
    return 0;
  const size_t k = std::min(kSpliceProbeBytes, history.size());
  if (dropped < k || std::memcmp(fresh.data() + dropped - k, history.data() + history.size() - k, k) != 0)
    __builtin_trap();
  return 0;
}
