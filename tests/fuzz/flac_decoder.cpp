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
#include "decoder_input.h"

namespace {

void DecodeStream(const std::vector<uint8_t>& bytes, size_t chunk, size_t break_at) {
  FuzzInput input(bytes, chunk, break_at);
  FlacDecoder decoder(input, nullptr, 44100);
  Drain(decoder);
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
