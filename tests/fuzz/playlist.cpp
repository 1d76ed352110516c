// Fuzzes playlist parsing and address resolution: every entry it returns must
// parse as an address again (or be one of another scheme).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/api/engine.h"
#include "engine/formats/playlist.h"
#include "engine/net/url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  PlaylistKind kind = data[0] & 1 ? PlaylistKind::kPls : PlaylistKind::kM3u;
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  Url base;
  if (ParseUrl("http://127.0.0.1:8000/dir/list.pls?q=1", base) != kErrorOk) __builtin_trap();
  std::vector<std::string> entries;
  int error = ParsePlaylist(kind, text, base, entries);
  if (error == kErrorOk && entries.empty()) __builtin_trap();
  for (const std::string& entry : entries) {
    Url url;
    int e = ParseUrl(entry, url);
    if (e != kErrorOk && e != kErrorProtocol) __builtin_trap();
    if (e == kErrorOk && UrlText(url) != entry) __builtin_trap();
  }
  // The detection and the request builder take network text too.
  (void)DetectPlaylist(text.substr(0, 64), text.substr(std::min<size_t>(64, text.size())));
  Url any;
  if (ParseUrl(text, any) == kErrorOk) (void)BuildRequest(any, {});
  return 0;
}
