// HLS playlists (RFC 8216): telling one from a plain M3U list, master
// playlists (variants and audio renditions, and the one we play), and media
// playlists (the segments of a live or on-demand stream). Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/net/url.h"

// Largest HLS playlist read: an on-demand list of many segments is larger than
// any station's PLS or M3U list.
inline constexpr size_t kMaxHlsPlaylistBytes = 1024 * 1024;
// Limits on what one playlist may make us hold, so that a hostile list within
// that size cannot exhaust a 32-bit process at every reload. Resolving short
// lines against a long address multiplies the text, so the resolved texts
// are counted. A playlist past any of them is refused as malformed.
inline constexpr size_t kMaxHlsAddressBytes = 8 * 1024;     // one address, resolved
inline constexpr size_t kMaxHlsEntries = 65536;             // segments, variants or renditions
inline constexpr size_t kMaxHlsHeldBytes = 8 * 1024 * 1024;  // addresses, titles and IVs, all together

// Whether `text` is an HLS playlist: "#EXTM3U" first, and a target duration
// (media playlist) or a variant (master playlist) in it.
bool IsHlsPlaylist(std::string_view text);

// One attribute list ("A=1,B="x, y",C=0x1F"): names and values in order,
// quoted values without their quotes. False when it is malformed (a name
// without '=', an unterminated quoted string).
using HlsAttributes = std::vector<std::pair<std::string, std::string>>;
bool ParseHlsAttributes(std::string_view text, HlsAttributes& out);
// The value of `name` in `attributes`, or nullopt.
std::optional<std::string_view> HlsAttribute(const HlsAttributes& attributes, std::string_view name);

struct HlsVariant {
  std::string address;      // the variant's media playlist, resolved
  uint64_t bandwidth = 0;   // bits/s (BANDWIDTH)
  std::string codecs;       // CODECS as given, empty = not given
  std::string audio_group;  // AUDIO group id, empty = none
};

struct HlsRendition {
  std::string group_id;  // GROUP-ID
  std::string address;   // its media playlist, resolved; empty = carried in the variant
  std::string name;      // NAME
  bool is_default = false;  // DEFAULT=YES
};

struct HlsMaster {
  std::vector<HlsVariant> variants;
  std::vector<HlsRendition> audio;  // EXT-X-MEDIA TYPE=AUDIO
};

// Reads a master playlist. kErrorOk; kErrorFormat for one that is malformed
// (no #EXTM3U, a variant without an address, a bad BANDWIDTH, one of the
// limits above passed) or has no variant.
int ParseHlsMaster(std::string_view text, const Url& base, HlsMaster& out);

// What a CODECS entry means to us.
enum class HlsCodecKind { kPlayableAudio, kOtherAudio, kVideo, kUnknown };
HlsCodecKind ClassifyHlsCodec(std::string_view codec);

struct HlsChoice {
  std::string address;     // the media playlist to play
  uint64_t bandwidth = 0;  // of the chosen variant, bits/s, 0 = not known
};
// The media playlist to play from `master`: among the variants whose codecs
// we decode (or do not say), audio-only ones first, then the highest
// bandwidth; its audio rendition's playlist when its group has one with an
// address (the default one first). nullopt when no variant is playable.
std::optional<HlsChoice> ChooseHlsMedia(const HlsMaster& master);

enum class HlsKeyMethod { kNone, kAes128, kSampleAes, kOther };

// What the EXT-X-MAP and EXT-X-KEY tags before a segment put in effect. One
// copy is shared by all the segments a tag applies to, so a long address
// costs once per tag, not once per segment.
struct HlsSegmentSetup {
  std::string map_address;  // EXT-X-MAP (fMP4 init segment), resolved; empty = none
  HlsKeyMethod key = HlsKeyMethod::kNone;  // EXT-X-KEY METHOD
  std::string key_address;  // the key's URI, resolved
  std::string key_iv;       // IV as written ("0x..."), empty = from the sequence number
};

struct HlsSegment {
  uint64_t sequence = 0;     // media sequence number
  uint32_t duration_ms = 0;  // EXTINF
  std::string address;       // resolved
  std::string title;         // EXTINF title="..." (empty = none)
  std::string artist;        // EXTINF artist="..." (empty = none)
  bool discontinuity = false;  // EXT-X-DISCONTINUITY before it
  std::shared_ptr<const HlsSegmentSetup> setup;  // null = no map, no key

  const std::string& map_address() const { return setup ? setup->map_address : kNone.map_address; }
  HlsKeyMethod key() const { return setup ? setup->key : HlsKeyMethod::kNone; }
  const std::string& key_address() const { return setup ? setup->key_address : kNone.key_address; }
  const std::string& key_iv() const { return setup ? setup->key_iv : kNone.key_iv; }

 private:
  static inline const HlsSegmentSetup kNone{};
};

struct HlsMedia {
  uint32_t target_duration_ms = 0;  // EXT-X-TARGETDURATION
  uint64_t media_sequence = 0;      // of the first segment listed
  bool ended = false;               // EXT-X-ENDLIST: no more segments will come
  std::vector<HlsSegment> segments;
};

// Reads a media playlist. kErrorOk; kErrorFormat when it is malformed: no
// #EXTM3U, no or a bad target duration, a bad media sequence or segment
// duration, a segment address that cannot be resolved, or one of the limits
// above passed.
int ParseHlsMedia(std::string_view text, const Url& base, HlsMedia& out);

// Where a live stream starts: the last segment that begins at least three
// target durations before the end of the list (the first one if the list is
// shorter); the first segment of an ended list. An index into segments.
size_t HlsStartIndex(const HlsMedia& media);

// Longest playlist name kept (the state slot shows it).
inline constexpr size_t kMaxHlsNameBytes = 256;
// The name a playlist gives its stream, as written (UTF-8 by RFC 8216), or
// empty: the VALUE of an EXT-X-SESSION-DATA whose DATA-ID ends in ".title" or
// ".name" (a Russian one, by LANGUAGE, before the others; of the rest the
// first), else the title of an extended M3U "#PLAYLIST:" line. Cut to
// kMaxHlsNameBytes at a character's start.
std::string HlsPlaylistName(std::string_view text);
