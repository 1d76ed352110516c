// Removes HTTP/1.1 chunked transfer coding from a body. A push decoder: feed
// it the body bytes as they arrive, in chunks of any size. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Most bytes of trailer after the last chunk, line ends included: a server
// that goes on sending trailer lines (or bare CRs) never ends the body.
inline constexpr size_t kMaxChunkedTrailerBytes = 8 * 1024;

class ChunkedDecoder {
 public:
  enum class State { kSize, kSizeExt, kSizeLf, kData, kDataCr, kDataLf, kTrailer, kDone, kError };

  // Appends the payload bytes in `data` to `out`. Returns false once the
  // coding is malformed (state kError); bytes after the last chunk are ignored.
  bool Feed(std::span<const uint8_t> data, std::vector<uint8_t>& out);
  State state() const { return state_; }
  bool done() const { return state_ == State::kDone; }

 private:
  // Largest chunk size accepted: bigger ones are bogus for a radio stream and
  // this keeps the arithmetic far from overflow.
  static constexpr uint64_t kMaxChunk = 1ull << 40;

  State state_ = State::kSize;
  uint64_t remaining_ = 0;   // bytes of chunk data still to come
  int size_digits_ = 0;      // hex digits seen in the size line
  size_t trailer_line_ = 0;  // bytes of the current trailer line
  size_t trailer_bytes_ = 0; // bytes of trailer so far
  size_t ext_bytes_ = 0;     // bytes of chunk extension on this size line
};
