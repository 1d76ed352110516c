// Fuzzes the metadata demultiplexer with any interval and any chunking: the
// audio it passes on must be exactly the interval runs of the input.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/net/icy_demux.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  uint32_t metaint = data[0] % 32;  // small intervals reach the block states often
  size_t step = data[1] % 128 + 1;
  std::span<const uint8_t> input(data + 2, size - 2);
  IcyDemux demux(metaint);
  std::vector<uint8_t> audio;
  size_t metas = 0;
  for (size_t at = 0; at < input.size(); at += step) {
    demux.Feed(input.subspan(at, std::min(step, input.size() - at)), audio,
               [&metas](const std::string& t) {
                 if (t.empty() || t.size() > 4080 || t.back() == '\0') __builtin_trap();
                 ++metas;
               });
  }
  // Replays the format to check the audio byte for byte.
  std::vector<uint8_t> expected;
  size_t i = 0;
  while (i < input.size()) {
    if (metaint == 0) {
      expected.insert(expected.end(), input.begin() + i, input.end());
      break;
    }
    size_t n = std::min<size_t>(metaint, input.size() - i);
    expected.insert(expected.end(), input.begin() + i, input.begin() + i + n);
    i += n;
    if (i < input.size()) i += 1 + input[i] * 16;
  }
  if (audio != expected) __builtin_trap();
  if (metas > demux.blocks()) __builtin_trap();
  return 0;
}
