#include "engine/net/chunked.h"

#include <algorithm>

namespace {

int HexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr size_t kMaxLineBytes = 4096;  // extension or trailer line

}  // namespace

bool ChunkedDecoder::Feed(std::span<const uint8_t> data, std::vector<uint8_t>& out) {
  size_t i = 0;
  while (i < data.size()) {
    if (state_ == State::kError) return false;
    if (state_ == State::kDone) return true;
    uint8_t c = data[i];
    switch (state_) {
      case State::kSize: {
        int v = HexValue(c);
        if (v >= 0) {
          remaining_ = remaining_ * 16 + static_cast<uint64_t>(v);
          if (++size_digits_ > 16 || remaining_ > kMaxChunk) state_ = State::kError;
        } else if (size_digits_ == 0) {
          state_ = State::kError;
        } else if (c == ';' || c == ' ' || c == '\t') {
          state_ = State::kSizeExt;
          ext_bytes_ = 0;
        } else if (c == '\r') {
          state_ = State::kSizeLf;
        } else if (c == '\n') {
          state_ = remaining_ ? State::kData : State::kTrailer;
        } else {
          state_ = State::kError;
        }
        ++i;
        break;
      }
      case State::kSizeExt:
        if (c == '\n') {
          state_ = remaining_ ? State::kData : State::kTrailer;
        } else if (c == '\r') {
          state_ = State::kSizeLf;
        } else if (++ext_bytes_ > kMaxLineBytes) {
          state_ = State::kError;
        }
        ++i;
        break;
      case State::kSizeLf:
        state_ = c != '\n' ? State::kError : remaining_ ? State::kData : State::kTrailer;
        trailer_line_ = 0;
        ++i;
        break;
      case State::kData: {
        size_t n = static_cast<size_t>(std::min<uint64_t>(remaining_, data.size() - i));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                   data.begin() + static_cast<std::ptrdiff_t>(i + n));
        remaining_ -= n;
        i += n;
        if (remaining_ == 0) state_ = State::kDataCr;
        break;
      }
      case State::kDataCr:
        // Accept a bare LF as well as CRLF after the data.
        if (c == '\r') {
          state_ = State::kDataLf;
        } else if (c == '\n') {
          state_ = State::kSize;
          size_digits_ = 0;
        } else {
          state_ = State::kError;
        }
        ++i;
        break;
      case State::kDataLf:
        if (c != '\n') {
          state_ = State::kError;
        } else {
          state_ = State::kSize;
          size_digits_ = 0;
        }
        ++i;
        break;
      case State::kTrailer:
        // Trailer lines until an empty one ends the body.
        if (++trailer_bytes_ > kMaxChunkedTrailerBytes) {
          state_ = State::kError;
        } else if (c == '\n') {
          if (trailer_line_ == 0) state_ = State::kDone;
          trailer_line_ = 0;
        } else if (c != '\r' || trailer_line_ > 0) {
          if (++trailer_line_ > kMaxLineBytes) state_ = State::kError;
        }
        ++i;
        break;
      case State::kDone:
      case State::kError:
        break;
    }
  }
  return state_ != State::kError;
}
