// What the decoder fuzzers share: the fuzzer's bytes as a stream cut into reads
// of any size with one break (a reconnection), Ogg pages made to pass their
// CRC so that mutated packets reach the codec instead of being dropped by the
// page reader, and a decoder drained until it runs dry.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/codecs/decoder_pipeline.h"
#include "engine/formats/ogg_reader.h"

class FuzzInput : public CompressedInput {
 public:
  FuzzInput(const std::vector<uint8_t>& data, size_t chunk, size_t break_at)
      : data_(data), chunk_(chunk), break_at_(break_at) {}
  size_t Read(uint8_t* dst, size_t size) override {
    size_t end = data_.size();
    if (!broke_ && break_at_ > at_) end = std::min(end, break_at_);
    const size_t n = std::min({size, chunk_, end - at_});
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(at_), n, dst);
    at_ += n;
    return n;
  }
  bool TakeDiscontinuity() override {
    if (broke_ || at_ != break_at_) return false;
    broke_ = true;
    return true;
  }

 private:
  const std::vector<uint8_t>& data_;
  size_t chunk_, break_at_, at_ = 0;
  bool broke_ = false;
};

// Sets the CRC of every whole page-like run that starts with the capture pattern.
inline void FixOggCrcs(std::vector<uint8_t>& b) {
  for (size_t at = 0; at + kOggHeaderBytes <= b.size(); ++at) {
    if (b[at] != 'O' || b[at + 1] != 'g' || b[at + 2] != 'g' || b[at + 3] != 'S') continue;
    const size_t segments = b[at + 26];
    if (at + kOggHeaderBytes + segments > b.size()) return;
    size_t len = kOggHeaderBytes + segments;
    for (size_t i = 0; i < segments; ++i) len += b[at + kOggHeaderBytes + i];
    if (at + len > b.size()) return;
    const uint32_t crc = OggCrc(std::span<const uint8_t>(b.data() + at, len));
    for (int i = 0; i < 4; ++i) b[at + 22 + i] = uint8_t(crc >> (8 * i));
  }
}

// Renders until the decoder gives nothing more; it must never give more than asked.
template <class Decoder>
void Drain(Decoder& decoder) {
  int16_t out[2 * 1024];
  for (int guard = 0; guard < 100000; ++guard) {
    const size_t n = decoder.Render(out, 1024);
    if (n > 1024) __builtin_trap();
    if (n == 0) break;
  }
}
