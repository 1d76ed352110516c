// Fuzzes the Vorbis decoder with pages that pass their CRC: the input's page
// CRCs are set right before decoding, so mutated headers and audio packets
// reach the codec instead of being dropped by the page reader. The stream is
// cut into reads of any size, with a break (a reconnection) now and then.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/codecs/decoder_vorbis.h"
#include "decoder_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const size_t chunk = size_t(data[0]) * 31 + 1;
  const size_t break_at = size_t(data[1]) * 97;
  std::vector<uint8_t> bytes(data + 2, data + size);
  FixOggCrcs(bytes);
  FuzzInput input(bytes, chunk, break_at);
  VorbisDecoder decoder(input, nullptr, 44100);
  Drain(decoder);
  return 0;
}
