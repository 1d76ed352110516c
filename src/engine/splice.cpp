#include "engine/splice.h"

#include <algorithm>
#include <cstring>

namespace {

// Rolling hash of a window (Rabin-Karp), so the search stays linear in the
// length of `fresh` whatever the data; every hit is checked byte for byte.
constexpr uint32_t kBase = 257;

uint32_t PowerOf(size_t n) {
  uint32_t p = 1;
  for (size_t i = 0; i < n; ++i) p *= kBase;
  return p;
}

}  // namespace

SpliceResult FindSplice(std::span<const uint8_t> history, std::span<const uint8_t> fresh,
                        bool more_coming) {
  SpliceResult result;
  if (history.size() < kSpliceMinHistory) {
    result.kind = SpliceResult::Kind::kNoOverlap;
    return result;
  }
  const size_t k = std::min(kSpliceProbeBytes, history.size());
  const std::span<const uint8_t> probe = history.last(k);
  const std::span<const uint8_t> before = history.first(history.size() - k);

  size_t best_at = 0;
  size_t best_back = 0;
  bool found = false;
  if (fresh.size() >= k) {
    uint32_t want = 0, have = 0;
    for (size_t i = 0; i < k; ++i) {
      want = want * kBase + probe[i];
      have = have * kBase + fresh[i];
    }
    const uint32_t top = PowerOf(k - 1);
    for (size_t at = 0;; ++at) {
      if (have == want && std::memcmp(fresh.data() + at, probe.data(), k) == 0) {
        // How far the match reaches back before the probe.
        size_t back = 0;
        const size_t limit = std::min(at, before.size());
        while (back < limit && fresh[at - 1 - back] == before[before.size() - 1 - back]) ++back;
        if (!found || back >= best_back) {
          found = true;
          best_at = at;
          best_back = back;
        }
      }
      if (at + k >= fresh.size()) break;
      have = (have - fresh[at] * top) * kBase + fresh[at + k];
    }
  }
  if (found) {
    result.kind = SpliceResult::Kind::kJoined;
    result.fresh_from = best_at + k;
    return result;
  }
  // The tail can only reappear within the first history.size() bytes of a
  // burst; past that (or when nothing more comes) the probe will not appear.
  if (more_coming && fresh.size() < history.size() + k) return result;
  // A burst shorter than the probe: the new bytes may still begin with the
  // end of the old ones.
  for (size_t n = std::min({k - 1, fresh.size(), history.size()}); n >= kSpliceMinOverlap; --n) {
    if (std::memcmp(fresh.data(), history.data() + history.size() - n, n) == 0) {
      result.kind = SpliceResult::Kind::kJoined;
      result.fresh_from = n;
      return result;
    }
  }
  result.kind = SpliceResult::Kind::kNoOverlap;
  return result;
}

Splicer::Splicer(size_t history_bytes) : capacity_(std::max(history_bytes, kSpliceProbeBytes)) {}

void Splicer::Restart() {
  held_.clear();
  matching_ = true;
}

void Splicer::Keep(std::span<const uint8_t> audio) {
  if (audio.size() >= capacity_) {
    history_.assign(audio.end() - static_cast<std::ptrdiff_t>(capacity_), audio.end());
    return;
  }
  const size_t overflow = history_.size() + audio.size() > capacity_ ? history_.size() + audio.size() - capacity_ : 0;
  history_.erase(history_.begin(), history_.begin() + static_cast<std::ptrdiff_t>(overflow));
  history_.insert(history_.end(), audio.begin(), audio.end());
}

void Splicer::Release(size_t from, bool joined, std::vector<uint8_t>& out, bool& discontinuity) {
  repeated_ += from;
  matching_ = false;
  if (!joined) discontinuity_next_ = true;
  const std::span<const uint8_t> fresh = std::span<const uint8_t>(held_).subspan(from);
  Pass(fresh, out, discontinuity);
  held_.clear();
}

void Splicer::Pass(std::span<const uint8_t> audio, std::vector<uint8_t>& out, bool& discontinuity) {
  if (audio.empty()) return;
  if (discontinuity_next_) {
    discontinuity = true;
    discontinuity_next_ = false;
  }
  out.insert(out.end(), audio.begin(), audio.end());
  Keep(audio);
}

void Splicer::Feed(std::span<const uint8_t> audio, std::vector<uint8_t>& out, bool& discontinuity) {
  if (!matching_) {
    Pass(audio, out, discontinuity);
    return;
  }
  if (audio.empty()) return;
  held_.insert(held_.end(), audio.begin(), audio.end());
  const SpliceResult r = FindSplice(history_, held_, true);
  if (r.kind == SpliceResult::Kind::kNeedMore) return;
  Release(r.fresh_from, r.kind == SpliceResult::Kind::kJoined, out, discontinuity);
}

void Splicer::GiveUp(std::vector<uint8_t>& out, bool& discontinuity) {
  if (!matching_) return;
  const SpliceResult r = FindSplice(history_, held_, false);
  Release(r.fresh_from, r.kind == SpliceResult::Kind::kJoined, out, discontinuity);
}
