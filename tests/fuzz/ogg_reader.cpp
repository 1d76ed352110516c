// Fuzzes the Ogg side of the engine: the page reader fed any bytes in chunks
// of any size (pages it hands out hold together: whole, in the buffer, with a
// CRC that holds), the title follower and the format probe on the same bytes,
// and the header parsers on every packet found.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/formats/ogg_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t chunk = size_t(data[0]) * 17 + 1;
  std::span<const uint8_t> bytes(data + 1, size - 1);

  OggReader reader;
  OggTitles titles;
  uint64_t page_bytes = 0;
  for (size_t at = 0; at < bytes.size(); at += chunk) {
    const auto part = bytes.subspan(at, std::min(chunk, bytes.size() - at));
    reader.Push(part);
    (void)titles.Feed(part);
    if (data[0] & 1) reader.Reset();  // a break in the byte stream now and then
    while (auto page = reader.Next()) {
      if (page->bytes.size() < kOggHeaderBytes || page->bytes.size() > kOggMaxPageBytes) __builtin_trap();
      const uint8_t* p = page->bytes.data();
      const uint32_t stored = uint32_t(p[22]) | uint32_t(p[23]) << 8 | uint32_t(p[24]) << 16 | uint32_t(p[25]) << 24;
      if (OggCrc(page->bytes) != stored) __builtin_trap();
      page_bytes += page->bytes.size();
      for (const OggPacket& packet : page->packets) {
        if (packet.data.size() > kOggMaxPacketBytes) __builtin_trap();
        (void)ParseVorbisId(packet.data);
        (void)OggStreamCodec(packet.data);
        if (auto comments = ParseVorbisComments(packet.data)) {
          (void)VorbisTitleMeta(*comments);
          (void)VorbisStationName(*comments);
        }
      }
    }
  }
  if (page_bytes > bytes.size()) __builtin_trap();  // no byte is handed out twice
  if (auto f = ProbeOgg(bytes); f && f->offset > bytes.size()) __builtin_trap();
  return 0;
}
