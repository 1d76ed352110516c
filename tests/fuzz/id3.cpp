// Fuzzes the ID3v2 reader: the tag length never points before its header,
// the texts it reads are bounded by the tag.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/formats/id3.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  const std::optional<size_t> length = Id3TagLength(input);
  if (!length && size >= kId3HeaderBytes) __builtin_trap();
  if (length && *length != 0 && *length < kId3HeaderBytes) __builtin_trap();
  Id3Text text;
  if (ReadId3(input, text)) {
    // UTF-16 doubles at most to three bytes of UTF-8 per two input bytes;
    // ISO-8859-1 to two per byte.
    if (text.title.size() + text.artist.size() + text.station.size() > 2 * size) __builtin_trap();
  } else if (!text.title.empty() || !text.artist.empty() || !text.station.empty()) {
    __builtin_trap();
  }
  (void)StreamTitleMeta(text.artist, text.title);
  return 0;
}
