#include "engine/session/splice.h"

#include <algorithm>
#include <optional>

namespace {

// For every position j of a text, how many bytes from j on equal the start of a
// pattern (both given by index): the Z-function of the pattern, carried over
// the text. O(pattern + text) whatever the data (silence and other
// self-repeating audio included).
template <typename Pattern, typename Text>
std::vector<uint32_t> PrefixMatches(size_t pattern_size, Pattern pattern, size_t text_size, Text text) {
  const size_t h = pattern_size;
  // z[i]: common prefix of the pattern with itself from i on.
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
  // The same against the text: [l, r) is the rightmost stretch known to
  // equal the start of the pattern.
  std::vector<uint32_t> out(text_size, 0);
  for (size_t j = 0, l = 0, r = 0; j < text_size; ++j) {
    size_t e = 0;
    if (j < r) {
      e = std::min<size_t>(z[j - l], r - j);
      if (e < r - j) {
        out[j] = static_cast<uint32_t>(e);
        continue;
      }
    }
    while (j + e < text_size && e < h && text(j + e) == pattern(e)) ++e;
    out[j] = static_cast<uint32_t>(e);
    if (j + e > r) {
      l = j;
      r = j + e;
    }
  }
  return out;
}

// For every end position q of `fresh` (1..fresh.size()), how many bytes before
// q repeat the end of `history`: the longest common suffix of fresh[0, q) and
// `history`, as ends[q]; ends[0] = 0. Read backwards, that is the common
// prefix of the reversed fresh bytes at each position with the reversed
// history.
std::vector<uint32_t> CommonSuffixes(std::span<const uint8_t> history, std::span<const uint8_t> fresh) {
  const size_t h = history.size();
  const size_t f = fresh.size();
  const std::vector<uint32_t> back = PrefixMatches(
      h, [&](size_t i) { return history[h - 1 - i]; }, f, [&](size_t j) { return fresh[f - 1 - j]; });
  std::vector<uint32_t> ends(f + 1, 0);
  for (size_t j = 0; j < f; ++j) ends[f - j] = back[j];
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

std::optional<size_t> FindBurstStart(std::span<const uint8_t> history, std::span<const uint8_t> fresh) {
  // A copy of at least the probe needs that much old audio to be a copy of;
  // with less, no place can qualify (and the search below would start before
  // the history's first byte).
  if (fresh.size() < kSpliceProbeBytes || history.size() < kSpliceProbeBytes) return std::nullopt;
  // Common prefix of the history from each position on with `fresh`.
  const std::vector<uint32_t> at = PrefixMatches(
      fresh.size(), [&](size_t i) { return fresh[i]; }, history.size(), [&](size_t j) { return history[j]; });
  // The latest place that `fresh` continues to its end or to the history's:
  // the last place a whole probe still fits is history.size() - probe.
  for (size_t s = history.size() - kSpliceProbeBytes + 1; s-- > 0;) {
    if (at[s] >= kSpliceProbeBytes && at[s] == std::min(fresh.size(), history.size() - s)) return s;
  }
  return std::nullopt;
}

void Splicer::Restart() {
  skip_ = 0;
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
  if (!skip_) {
    matched_.clear();
    matched_.shrink_to_fit();
  }
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
    if (skip_) Skip(audio);
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
  if (r.kind == SpliceResult::Kind::kNoOverlap) {
    if (const std::optional<size_t> from = FindBurstStart(matched_, held_)) {
      // The burst so far resends old audio; the old tail has not come yet.
      // Everything up to where the old audio ends is dropped as it comes.
      skip_ = matched_.size() - *from;
      const size_t now = std::min(skip_, held_.size());
      skip_ -= now;
      skip_at_ = *from + now;
      Release(now, true, out, discontinuity);
      return;
    }
  }
  Release(r.fresh_from, r.kind == SpliceResult::Kind::kJoined, out, discontinuity);
}

void Splicer::Skip(std::span<const uint8_t>& audio) {
  while (skip_ && !audio.empty()) {
    if (audio.front() != matched_[skip_at_]) {
      // Not the old audio after all: what comes passes, as a new run.
      skip_ = 0;
      discontinuity_next_ = true;
      break;
    }
    audio = audio.subspan(1);
    ++skip_at_;
    --skip_;
    ++repeated_;
  }
  if (!skip_) {
    matched_.clear();
    matched_.shrink_to_fit();
  }
}
