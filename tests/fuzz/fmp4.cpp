// Fuzzes the fragmented MP4 reader: a real initialisation segment's track
// (or one read from the input) against any media segment; every ADTS frame
// it writes is whole, and together they never outgrow the input.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/formats/fmp4.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::span<const uint8_t> input(data + 1, size - 1);
  Fmp4Audio track;
  if (data[0] & 1) {
    if (!ReadFmp4Init(input, track)) return 0;
    if (track.rate_index > 12 || track.channel_config < 1 || track.channel_config > 7) __builtin_trap();
  } else {
    track.track_id = 1;
    track.object_type = 2;
    track.rate_index = 4;
    track.channel_config = 2;
    track.default_sample_size = data[0] >> 1;
  }
  std::vector<uint8_t> adts;
  (void)Fmp4ToAdts(input, track, adts);
  size_t at = 0, frames = 0;
  while (at < adts.size()) {
    if (adts.size() - at < 7) __builtin_trap();
    const uint8_t* h = adts.data() + at;
    const size_t length = (size_t(h[3] & 0x03) << 11) | (size_t(h[4]) << 3) | (h[5] >> 5);
    if (h[0] != 0xFF || (h[1] & 0xF0) != 0xF0 || length < 7 || length > adts.size() - at) __builtin_trap();
    at += length;
    ++frames;
  }
  if (adts.size() - 7 * frames > input.size()) __builtin_trap();
  return 0;
}
