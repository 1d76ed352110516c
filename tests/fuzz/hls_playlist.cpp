// Fuzzes the HLS playlist parsers: whatever the text, a parsed playlist holds
// only addresses that parse again, numbered segments in order, durations
// within bounds, and a choice among its own variants.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/api/engine.h"
#include "engine/formats/hls_playlist.h"
#include "engine/net/url.h"

namespace {

void CheckAddress(const std::string& address) {
  Url url;
  if (ParseUrl(address, url) != kErrorOk || UrlText(url) != address) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  Url base;
  if (ParseUrl("https://cdn.test:8443/live/a/index.m3u8?t=1", base) != kErrorOk) __builtin_trap();
  (void)IsHlsPlaylist(text);
  HlsAttributes attributes;
  (void)ParseHlsAttributes(text, attributes);
  if (HlsPlaylistName(text).size() > kMaxHlsNameBytes) __builtin_trap();

  HlsMaster master;
  if (ParseHlsMaster(text, base, master) == kErrorOk) {
    if (master.variants.empty()) __builtin_trap();
    for (const HlsVariant& v : master.variants) CheckAddress(v.address);
    for (const HlsRendition& r : master.audio) {
      if (!r.address.empty()) CheckAddress(r.address);
    }
    if (std::optional<HlsChoice> choice = ChooseHlsMedia(master)) CheckAddress(choice->address);
  }
  HlsMedia media;
  if (ParseHlsMedia(text, base, media) == kErrorOk) {
    if (media.target_duration_ms == 0 || media.target_duration_ms > 86400000u) __builtin_trap();
    uint64_t expected = media.media_sequence;
    for (const HlsSegment& s : media.segments) {
      if (s.sequence != expected++ || s.duration_ms > 86400000u) __builtin_trap();
      CheckAddress(s.address);
    }
    if (!media.segments.empty() && HlsStartIndex(media) >= media.segments.size()) __builtin_trap();
  }
  return 0;
}
