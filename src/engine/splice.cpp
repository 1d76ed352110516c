#include "engine/splice.h"

#include <algorithm>

namespace {

// For every end position q of `fresh` (1..fresh.size()), how many bytes before
// q repeat the end of `history`: the longest common suffix of fresh[0, q) and
// `history`. Returned as ends[q]; ends[0] = 0.
//
// Read backwards, this is the longest common prefix of each position of the
// reversed `fresh` with the reversed `history`, which the Z-function of the
// reversed history gives for all positions in one pass: O(history + fresh)
// whatever the data (silence and other self-repeating audio included).
std::vector<uint32_t> CommonSuffixes(std::span<const uint8_t> history, std::span<const uint8_t> fresh) {
  const size_t h = history.size();
  const size_t f = fresh.size();
  auto pattern = [&](size_t i) { return history[h - 1 - i]; };
  auto text = [&](size_t j) { return fresh[f - 1 - j]; };

  // z[i]: common prefix of the reversed history with itself from i on.
  std::vector<uint32_t> z(h, 0);
  if (h) z[0] = static_cast<uint32_t>(h);
  for (size_t i = 1, l = 0, r = 0; i < h; ++i) {
    size_t e = 0;
    if (i < r) e = std::min<size_t>(z[i - l], r - i);
    while (i + e < h && pattern(e) == pattern(i + e)) ++e;
    z[i] = static_cast<uint32_t>(e);
    if (i + e > r) {
      l = i;
      r = i + e;
    }
  }
  // The same against the reversed fresh bytes: [l, r) is the rightmost
  // stretch known to equal the start of the reversed history.
  std::vector<uint32_t> ends(f + 1, 0);
  for (size_t j = 0, l = 0, r = 0; j < f; ++j) {
    size_t e = 0;
    if (j < r) {
      e = std::min<size_t>(z[j - l], r - j);
      if (e < r - j) {
        ends[f - j] = static_cast<uint32_t>(e);
        continue;
      }
    }
    while (j + e < f && e < h && text(j + e) == pattern(e)) ++e;
    ends[f - j] = static_cast<uint32_t>(e);
    if (j + e > r) {
      l = j;
      r = j + e;
    }
  }
  return ends;
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
  // A later place may always reach further back than the best one so far
  // (audio that repeats itself: silence, a jingle), so nothing is decided
  // while the burst may still be resending old audio: up to the whole history
  // and the probe after it.
  if (more_coming && fresh.size() < history.size() + k) return result;

  const std::vector<uint32_t> ends = CommonSuffixes(history, fresh);
  // The old tail (k bytes at least) anywhere in `fresh`; the place whose
  // match reaches furthest back wins, the latest on a tie.
  size_t best_at = 0;
  size_t best_length = 0;
  for (size_t q = k; q <= fresh.size(); ++q) {
    if (ends[q] >= k && ends[q] >= best_length) {
      best_at = q;
      best_length = ends[q];
    }
  }
  if (best_length) {
    result.kind = SpliceResult::Kind::kJoined;
    result.fresh_from = best_at;
    return result;
  }
  // A burst shorter than the probe: the new bytes may still begin with the
  // end of the old ones.
  for (size_t n = std::min({k - 1, fresh.size(), history.size()}); n >= kSpliceMinOverlap; --n) {
    if (ends[n] == n) {
      result.kind = SpliceResult::Kind::kJoined;
      result.fresh_from = n;
      return result;
    }
  }
  result.kind = SpliceResult::Kind::kNoOverlap;
  return result;
}

Splicer::Splicer(size_t history_bytes)
    : capacity_(std::max(history_bytes, kSpliceProbeBytes)), history_(capacity_) {}

void Splicer::Restart() {
  // The old audio as one run, oldest first; nothing joins the history while
  // matching, so this stays right until the match is decided.
  matched_.resize(history_fill_);
  const size_t start = (history_at_ + capacity_ - history_fill_) % capacity_;
  const size_t first = std::min(history_fill_, capacity_ - start);
  std::copy_n(history_.begin() + static_cast<std::ptrdiff_t>(start), first, matched_.begin());
  std::copy_n(history_.begin(), history_fill_ - first, matched_.begin() + static_cast<std::ptrdiff_t>(first));
  held_.clear();
  matching_ = true;
}

void Splicer::Keep(std::span<const uint8_t> audio) {
  if (audio.size() >= capacity_) audio = audio.last(capacity_);
  // A circular buffer: each byte is copied once, whatever the chunks.
  while (!audio.empty()) {
    const size_t n = std::min(audio.size(), capacity_ - history_at_);
    std::copy_n(audio.begin(), n, history_.begin() + static_cast<std::ptrdiff_t>(history_at_));
    history_at_ = (history_at_ + n) % capacity_;
    history_fill_ = std::min(capacity_, history_fill_ + n);
    audio = audio.subspan(n);
  }
}

void Splicer::Release(size_t from, bool joined, std::vector<uint8_t>& out, bool& discontinuity) {
  repeated_ += from;
  matching_ = false;
  if (!joined) discontinuity_next_ = true;
  const std::span<const uint8_t> fresh = std::span<const uint8_t>(held_).subspan(from);
  Pass(fresh, out, discontinuity);
  // A burst's worth each; not needed until the next reconnect.
  held_.clear();
  held_.shrink_to_fit();
  matched_.clear();
  matched_.shrink_to_fit();
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
  // Answers at once (no search) until enough is held to decide, then searches
  // once: the bytes fed are looked at a bounded number of times in all.
  const SpliceResult r = FindSplice(matched_, held_, true);
  if (r.kind == SpliceResult::Kind::kNeedMore) return;
  Release(r.fresh_from, r.kind == SpliceResult::Kind::kJoined, out, discontinuity);
}

void Splicer::GiveUp(std::vector<uint8_t>& out, bool& discontinuity) {
  if (!matching_) return;
  const SpliceResult r = FindSplice(matched_, held_, false);
  Release(r.fresh_from, r.kind == SpliceResult::Kind::kJoined, out, discontinuity);
}
