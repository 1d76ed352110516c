// Playlists given as stream addresses: PLS and M3U/M3U8, found by content type
// or by the address's extension. An HLS playlist (M3U8 with segment or variant
// tags, hls_playlist.h) is a stream of its own: the session tells it apart
// before it would be read as a list here. Portable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/net/url.h"

enum class PlaylistKind { kNone, kPls, kM3u };

// The playlist kind an answer holds, from its Content-Type (may be empty) and
// the path of its address. A playlist content type wins; an audio content type
// means no playlist; otherwise the extension (.pls, .m3u, .m3u8) decides.
PlaylistKind DetectPlaylist(std::string_view content_type, std::string_view path);

// Reads the entries of a playlist body, in playlist order (PLS: by entry
// number), each resolved against `base` (the playlist's own address) and
// written as an address. Entries with another scheme are kept as written so
// that trying them reports why they fail; malformed ones are skipped.
// Returns kErrorOk, or kErrorPlaylist when no entry is left.
int ParsePlaylist(PlaylistKind kind, std::string_view text, const Url& base,
                  std::vector<std::string>& entries);

// Largest playlist body read.
inline constexpr size_t kMaxPlaylistBytes = 64 * 1024;
