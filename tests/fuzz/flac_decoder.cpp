// Fuzzes FLAC: the first byte picks what the rest is.
//   0: a native byte stream for the decoder (frame sync, stream headers, the
//      codec), cut into reads of any size, with a break;
//   1: one frame for the codec, its CRC-8 and CRC-16 set right so that
//      dr_flac decodes mutated subframes rather than refusing them;
//   2: an Ogg stream (page CRCs set right) for the decoder.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/codecs/decoder_flac.h"

namespace {

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

void FixOggCrcs(std::vector<uint8_t>& b) {
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

void DecodeStream(const std::vector<uint8_t>& bytes, size_t chunk, size_t break_at) {
  FuzzInput input(bytes, chunk, break_at);
  FlacDecoder decoder(input, nullptr, 44100);
  int16_t out[2 * 1024];
  for (int guard = 0; guard < 100000; ++guard) {
    const size_t n = decoder.Render(out, 1024);
    if (n > 1024) __builtin_trap();
    if (n == 0) break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const size_t chunk = size_t(data[1]) * 61 + 1;
  const size_t break_at = size_t(data[2]) * 331;
  std::vector<uint8_t> bytes(data + 3, data + size);
  switch (data[0] % 3) {
    case 0:
      DecodeStream(bytes, chunk, break_at);
      break;
    case 1: {
      // The header's own length is found by parsing it with its CRC-8 set.
      FlacFrameHeader header;
      for (size_t len = 5; len <= 16 && len < bytes.size(); ++len) {
        bytes[len - 1] = FlacCrc8(std::span(bytes).first(len - 1));
        if (ParseFlacFrameHeader(bytes, nullptr, header) == FlacHeaderResult::kValid) break;
      }
      if (ParseFlacFrameHeader(bytes, nullptr, header) != FlacHeaderResult::kValid || bytes.size() < header.bytes + 2)
        return 0;
      const uint16_t crc = FlacCrc16(std::span(bytes).first(bytes.size() - 2));
      bytes[bytes.size() - 2] = uint8_t(crc >> 8);
      bytes[bytes.size() - 1] = uint8_t(crc);
      FlacCodec codec;
      std::vector<int16_t> pcm;
      PcmFormat format;
      if (codec.Decode(bytes, header, pcm, format) && pcm.size() != size_t(header.block_size) * header.channels)
        __builtin_trap();
      break;
    }
    default:
      FixOggCrcs(bytes);
      DecodeStream(bytes, chunk, break_at);
      break;
  }
  return 0;
}
