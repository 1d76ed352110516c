// What one HLS media playlist costs in memory when it is read: the heap bytes
// live at the peak of ParseHlsMedia (the text itself not counted), for the
// hostile lists a server can send within the playlist size limit and for a
// large honest one. A reload holds the list before it meanwhile, so a reload's
// worst is about this figure again on top of the list in use. Figures, not a
// test; a host program (bench/README.md says how to build and run it).
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "engine/api/engine.h"
#include "engine/formats/hls_playlist.h"
#include "engine/net/url.h"

namespace {

// Every allocation carries its size in front, so a free knows what it gives back.
constexpr size_t kHeader = 16;
size_t g_live = 0;   // bytes asked for and not yet freed
size_t g_peak = 0;   // most of g_live since the last Reset
size_t g_blocks = 0; // allocations live

void* Take(size_t size) {
  void* raw = std::malloc(size + kHeader);
  if (!raw) throw std::bad_alloc();
  *static_cast<size_t*>(raw) = size;
  g_live += size;
  ++g_blocks;
  if (g_live > g_peak) g_peak = g_live;
  return static_cast<char*>(raw) + kHeader;
}

void Give(void* p) {
  if (!p) return;
  void* raw = static_cast<char*>(p) - kHeader;
  g_live -= *static_cast<size_t*>(raw);
  --g_blocks;
  std::free(raw);
}

struct Case {
  const char* name;
  std::string base;  // the playlist's own address
  std::string text;
};

// `head` once, then `entry` as often as fits in the playlist size limit.
std::string Fill(const std::string& head, const std::string& entry, size_t limit = kMaxHlsPlaylistBytes) {
  std::string text = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n" + head;
  while (text.size() + entry.size() <= limit) text += entry;
  return text;
}

std::string Directory(size_t length) {
  std::string base = "http://cdn.test/";
  base += std::string(length - base.size() - 11, 'd');
  return base + "/index.m3u8";
}

}  // namespace

void* operator new(size_t size) { return Take(size); }
void* operator new[](size_t size) { return Take(size); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, size_t) noexcept { Give(p); }
void operator delete[](void* p, size_t) noexcept { Give(p); }

int main() {
  const std::string plain = "http://cdn.test/live/index.m3u8";
  const std::string long_key(4096, 'k');
  const Case cases[] = {
      {"4 KiB key URI, one-character segment lines", plain,
       Fill("#EXT-X-KEY:METHOD=AES-128,URI=\"" + long_key + "\"\n", "a\n")},
      {"4 KiB map URI, one-character segment lines", plain, Fill("#EXT-X-MAP:URI=\"" + long_key + "\"\n", "a\n")},
      {"a key tag before every segment, 1 KiB playlist address", Directory(1024),
       Fill("", "#EXT-X-KEY:METHOD=AES-128,URI=\"k\"\na\n")},
      {"one-character segment lines, 250-byte playlist address", Directory(250), Fill("", "a\n")},
      {"one-character segment lines, 8 KiB playlist address", Directory(8192), Fill("", "a\n")},
      {"honest on-demand list: 6 s segments as long as fit", "http://media.test/radio/show/2026-12-08/index.m3u8",
       Fill("#EXT-X-PLAYLIST-TYPE:VOD\n", "#EXTINF:6.000,\nsegment_000123.ts\n")},
  };
  std::printf("%-58s %9s %9s %11s %10s\n", "playlist (1 MiB at most)", "result", "segments", "peak bytes",
              "live after");
  size_t worst = 0;
  for (const Case& c : cases) {
    Url base;
    if (ParseUrl(c.base, base) != kErrorOk) return 1;
    HlsMedia media;
    const size_t before = g_live;
    g_peak = g_live;
    const int result = ParseHlsMedia(c.text, base, media);
    const size_t peak = g_peak - before;
    const size_t after = g_live - before;
    if (peak > worst) worst = peak;
    std::printf("%-58s %9s %9zu %11zu %10zu\n", c.name, result == kErrorOk ? "read" : "refused",
                media.segments.size(), peak, after);
  }
  std::printf("worst peak: %.1f MiB (%zu-bit pointers)\n", double(worst) / (1024 * 1024), sizeof(void*) * 8);
  return 0;
}
