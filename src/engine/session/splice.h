// Joining a reconnected live stream to what was already downloaded. Portable.
//
// A server that bursts on connect (Icecast sends its last 64 KiB) resends audio
// the listener has already had. The new connection's first bytes are matched
// against the tail of the old audio: where the old tail reappears, everything
// after it is new. The burst starts at an arbitrary byte (mid-frame) and the
// audio bytes are the server's own, so a byte match is exact; no frame parsing
// is needed for the join itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Bytes of the old tail that must reappear for a join: long enough that a
// chance match inside other audio is out of the question (several frames).
inline constexpr size_t kSpliceProbeBytes = 2048;
// Shortest old audio worth matching: below it a join is declared impossible.
inline constexpr size_t kSpliceMinHistory = 256;
// Shortest overlap taken when the new bytes start with the old tail but are
// too short to hold the whole probe (a repeat shorter than this stays: it is
// less than a frame).
inline constexpr size_t kSpliceMinOverlap = 64;

struct SpliceResult {
  enum class Kind {
    kJoined,     // `fresh_from` is the first byte of `fresh` that is new
    kNoOverlap,  // nothing of `fresh` repeats the history: all of it is new
    kNeedMore,   // the history's tail may still come: wait for more bytes
  };
  Kind kind = Kind::kNeedMore;
  size_t fresh_from = 0;  // offset into `fresh`; 0 for kNoOverlap
};

// Where `fresh` (the first bytes of a new connection) continues `history` (the
// old audio, oldest first). The old tail (kSpliceProbeBytes) is looked for
// anywhere in `fresh` (junk may come first); a shorter overlap only at its
// start, and only once the answer is final. With `more_coming`, kNeedMore is
// answered while `fresh` is still too short to rule an overlap out; without
// it the answer is final. Among several places the tail matches (audio that
// repeats itself), the one whose match reaches furthest back wins, the latest
// on a tie: they sound the same. While more may come, nothing is decided until
// `fresh` holds the whole history and the probe after it (a later place may
// still reach further back); the search itself is linear in both lengths.
SpliceResult FindSplice(std::span<const uint8_t> history, std::span<const uint8_t> fresh,
                        bool more_coming);

// Where the start of `fresh` lies in `history` when `fresh` (at least
// kSpliceProbeBytes of it) is a copy of old audio that stops before the old
// tail: a burst that has not reached the end of the old audio yet. The latest
// such place; nullopt when there is none.
std::optional<size_t> FindBurstStart(std::span<const uint8_t> history, std::span<const uint8_t> fresh);

// The stream side of it: keeps the newest audio as history and, after a
// reconnect, holds the new connection's audio back until FindSplice decides.
// One thread (the download thread).
class Splicer {
 public:
  explicit Splicer(size_t history_bytes);

  // A new connection starts: its audio is matched before it passes.
  void Restart();
  // Audio of the current connection. Appends to `out` what the listener has
  // not had yet; sets `discontinuity` when `out` starts a run of audio that does
  // not continue the old one byte for byte (no overlap: the decoder must
  // resynchronise there).
  void Feed(std::span<const uint8_t> audio, std::vector<uint8_t>& out, bool& discontinuity);
  // Ends the wait for the old tail (the server is slow to send, or a time
  // limit passed): what is held is taken as new, unless it is a copy of old
  // audio that has not reached the old tail yet (a burst that comes slowly):
  // then the rest of the old audio is dropped as it arrives, byte for byte.
  void GiveUp(std::vector<uint8_t>& out, bool& discontinuity);

  // Audio that reached the listener another way (the probed start of the
  // first connection): becomes history.
  void Keep(std::span<const uint8_t> audio);

  bool Matching() const { return matching_; }
  size_t HeldBytes() const { return held_.size(); }
  size_t HistoryBytes() const { return history_fill_; }  // at most the capacity
  uint64_t RepeatedBytes() const { return repeated_; }  // dropped as already heard

 private:
  // Ends matching: held bytes from `from` on pass as new.
  void Release(size_t from, bool joined, std::vector<uint8_t>& out, bool& discontinuity);
  void Pass(std::span<const uint8_t> audio, std::vector<uint8_t>& out, bool& discontinuity);
  // Drops from the front of `audio` what is still to be skipped as heard.
  void Skip(std::span<const uint8_t>& audio);

  const size_t capacity_;
  // The newest `capacity_` bytes that passed, circular: the oldest byte is at
  // history_at_ once the buffer is full.
  std::vector<uint8_t> history_;
  size_t history_at_ = 0;    // where the next byte goes
  size_t history_fill_ = 0;  // bytes held, up to capacity_
  std::vector<uint8_t> matched_;  // while matching or skipping: the history as one run, oldest first
  size_t skip_ = 0;               // bytes still to drop as old audio after a slow burst
  size_t skip_at_ = 0;            // where in matched_ the next skipped byte is
  std::vector<uint8_t> held_;     // new connection's audio while matching
  bool matching_ = false;
  bool discontinuity_next_ = false;  // the next audio that passes starts a new run
  uint64_t repeated_ = 0;
};
