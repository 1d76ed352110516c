#include "engine/formats/hls_playlist.h"

#include <algorithm>
#include <tuple>

#include "base/ascii.h"
#include "engine/net/engine_error.h"
#include "engine/net/http_answer.h"

namespace {

// Longest target or segment duration taken: a day. Larger values are bogus
// and keep the millisecond arithmetic far from overflow.
constexpr uint64_t kMaxDurationSeconds = 24 * 3600;
// Highest media sequence number accepted (2^63 - 1): sequences are counted on
// from the last one without overflow.
constexpr uint64_t kMaxSequence = (1ull << 63) - 1;

// The playlist's non-empty lines, trimmed, one at a time: a list of views of
// them would cost more than the text for a list of one-character lines.
class HlsLines {
 public:
  explicit HlsLines(std::string_view text) : rest_(text) {
    if (rest_.substr(0, 3) == "\xEF\xBB\xBF") rest_.remove_prefix(3);  // UTF-8 byte order mark
  }
  bool Next(std::string_view& line) {
    while (!rest_.empty()) {
      const size_t end = rest_.find_first_of("\r\n");
      line = Trim(rest_.substr(0, end));
      rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
      if (!line.empty()) return true;
    }
    return false;
  }

 private:
  std::string_view rest_;
};

// The bytes a playlist's reading holds (kMaxHlsHeldBytes).
class Holding {
 public:
  [[nodiscard]] bool Take(size_t bytes) {
    if (bytes > kMaxHlsHeldBytes - held_) return false;
    held_ += bytes;
    return true;
  }

 private:
  size_t held_ = 0;
};

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// The value of a "#TAG:value" line when it is `tag`, else nullopt.
std::optional<std::string_view> TagValue(std::string_view line, std::string_view tag) {
  if (!StartsWith(line, tag)) return std::nullopt;
  std::string_view rest = line.substr(tag.size());
  if (rest.empty()) return rest;
  if (rest.front() != ':') return std::nullopt;  // a longer tag with the same start
  return Trim(rest.substr(1));
}

// "12" or "12.345" seconds as milliseconds (rounded down); nullopt for
// anything else, negative values included.
std::optional<uint32_t> ParseSeconds(std::string_view text) {
  const size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  std::optional<uint64_t> seconds = ParseDecimal(whole);
  if (!seconds || *seconds > kMaxDurationSeconds) return std::nullopt;
  uint64_t ms = *seconds * 1000;
  if (dot != std::string_view::npos) {
    const std::string_view fraction = text.substr(dot + 1);
    if (fraction.empty()) return std::nullopt;
    uint64_t scale = 100;
    for (char c : fraction) {
      if (c < '0' || c > '9') return std::nullopt;
      ms += static_cast<uint64_t>(c - '0') * scale;
      scale /= 10;
    }
  }
  return static_cast<uint32_t>(ms);
}

// False for a reference that cannot be resolved or an address past kMaxHlsAddressBytes.
bool Resolve(const Url& base, std::string_view reference, std::string& out) {
  if (reference.size() > kMaxHlsAddressBytes) return false;
  Url url;
  if (ResolveReference(base, reference, url) != kErrorOk) return false;
  out = UrlText(url);
  out.shrink_to_fit();  // built by appending: up to twice its size, for every segment
  return out.size() <= kMaxHlsAddressBytes;
}

HlsKeyMethod KeyMethod(std::string_view method) {
  if (method == "NONE") return HlsKeyMethod::kNone;
  if (method == "AES-128") return HlsKeyMethod::kAes128;
  if (method == "SAMPLE-AES") return HlsKeyMethod::kSampleAes;
  return HlsKeyMethod::kOther;
}

// Reads the EXTINF value: the duration, then a title after the comma, which
// some stations write as attributes: `10.0,title="Song",artist="Singer"`.
bool ParseExtinf(std::string_view value, HlsSegment& segment) {
  const size_t end = value.find_first_of(", \t");
  std::optional<uint32_t> ms = ParseSeconds(value.substr(0, end));
  if (!ms) return false;
  segment.duration_ms = *ms;
  if (end == std::string_view::npos) return true;
  const std::string_view rest = value.substr(end + 1);
  // Attributes named title= and artist= anywhere after the duration, each
  // starting the text or following a separator.
  for (std::string_view name : {std::string_view("title"), std::string_view("artist")}) {
    size_t at = 0;
    while ((at = rest.find(name, at)) != std::string_view::npos) {
      const bool starts = at == 0 || rest[at - 1] == ',' || rest[at - 1] == ' ' || rest[at - 1] == '\t';
      const size_t quote = at + name.size() + 1;
      if (starts && quote < rest.size() && rest[quote - 1] == '=' && rest[quote] == '"') {
        const size_t close = rest.find('"', quote + 1);
        if (close == std::string_view::npos) break;
        (name == "title" ? segment.title : segment.artist) = std::string(rest.substr(quote + 1, close - quote - 1));
        break;
      }
      at += name.size();
    }
  }
  return true;
}

// Ranking of a variant: playable at all, audio-only, bandwidth.
std::tuple<bool, int, uint64_t> Rank(const HlsVariant& variant, bool audio_rendition) {
  bool playable = true;
  bool video = false;
  bool known = !variant.codecs.empty();
  std::string_view codecs = variant.codecs;
  while (!codecs.empty()) {
    const size_t comma = codecs.find(',');
    const std::string_view codec = Trim(codecs.substr(0, comma));
    switch (ClassifyHlsCodec(codec)) {
      case HlsCodecKind::kPlayableAudio: break;
      case HlsCodecKind::kOtherAudio: playable = false; break;
      case HlsCodecKind::kVideo: video = true; break;
      case HlsCodecKind::kUnknown: known = false; break;
    }
    if (comma == std::string_view::npos) break;
    codecs.remove_prefix(comma + 1);
  }
  // Audio-only: said so by the codecs, or audio that comes on its own from a
  // rendition playlist. Variants that do not say come before video ones.
  const int audio_only = (known && !video) || audio_rendition ? 2 : video ? 0 : 1;
  return {playable, audio_only, variant.bandwidth};
}

const HlsRendition* AudioRendition(const HlsMaster& master, const std::string& group) {
  if (group.empty()) return nullptr;
  const HlsRendition* found = nullptr;
  for (const HlsRendition& r : master.audio) {
    if (r.group_id != group || r.address.empty()) continue;
    if (r.is_default) return &r;
    if (!found) found = &r;
  }
  return found;
}

}  // namespace

bool IsHlsPlaylist(std::string_view text) {
  HlsLines lines(text.substr(0, kMaxHlsPlaylistBytes));
  std::string_view line;
  if (!lines.Next(line) || !TagValue(line, "#EXTM3U")) return false;
  while (lines.Next(line)) {
    if (TagValue(line, "#EXT-X-TARGETDURATION") || TagValue(line, "#EXT-X-STREAM-INF")) return true;
  }
  return false;
}

bool ParseHlsAttributes(std::string_view text, HlsAttributes& out) {
  out.clear();
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i == text.size()) break;
    const size_t eq = text.find('=', i);
    if (eq == std::string_view::npos) return false;
    std::string name(Trim(text.substr(i, eq - i)));
    if (name.empty() || name.find(',') != std::string::npos) return false;
    i = eq + 1;
    std::string value;
    if (i < text.size() && text[i] == '"') {
      const size_t close = text.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      value = std::string(text.substr(i + 1, close - i - 1));
      i = close + 1;
      while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
      if (i < text.size() && text[i] != ',') return false;
    } else {
      const size_t comma = text.find(',', i);
      value = std::string(Trim(text.substr(i, comma == std::string_view::npos ? std::string_view::npos : comma - i)));
      i = comma == std::string_view::npos ? text.size() : comma;
    }
    if (i < text.size()) ++i;  // the comma
    out.emplace_back(std::move(name), std::move(value));
  }
  return true;
}

std::optional<std::string_view> HlsAttribute(const HlsAttributes& attributes, std::string_view name) {
  for (const auto& [n, v] : attributes) {
    if (n == name) return std::string_view(v);
  }
  return std::nullopt;
}

HlsCodecKind ClassifyHlsCodec(std::string_view codec) {
  const std::string c = ToLowerAscii(Trim(codec));
  // mp4a.40.34 and mp4a.6b / mp4a.69 are MPEG audio (MP3); every other
  // mp4a.40.N is an AAC object type, which the AAC decoder takes.
  if (c == "mp4a.40.34" || c == "mp4a.6b" || c == "mp4a.69" || c == "mp3") return HlsCodecKind::kPlayableAudio;
  if (StartsWith(c, "mp4a.40.") && c.size() > 8 &&
      std::all_of(c.begin() + 8, c.end(), [](char d) { return d >= '0' && d <= '9'; }))
    return HlsCodecKind::kPlayableAudio;
  if (c == "mp4a.40") return HlsCodecKind::kPlayableAudio;
  static const char* const kOtherAudio[] = {"ac-3", "ec-3", "ac-4", "opus", "flac", "alac", "mp4a.a5", "mp4a.a6",
                                            "dtsc", "dtse", "dtsh", "dtsl"};
  for (const char* a : kOtherAudio) {
    if (c == a || StartsWith(c, std::string(a) + ".")) return HlsCodecKind::kOtherAudio;
  }
  if (StartsWith(c, "mp4a.")) return HlsCodecKind::kOtherAudio;
  static const char* const kVideo[] = {"avc1", "avc3", "hvc1", "hev1", "vp09", "vp08", "av01", "dvh1", "dvhe", "mp4v"};
  for (const char* v : kVideo) {
    if (c == v || StartsWith(c, std::string(v) + ".")) return HlsCodecKind::kVideo;
  }
  // Captions and subtitles in CODECS carry no sound and need no decoder.
  if (c == "wvtt" || c == "stpp" || StartsWith(c, "stpp.")) return HlsCodecKind::kPlayableAudio;
  return HlsCodecKind::kUnknown;
}

int ParseHlsMaster(std::string_view text, const Url& base, HlsMaster& out) {
  out = HlsMaster();
  HlsLines lines(text);
  std::string_view line;
  if (!lines.Next(line) || !TagValue(line, "#EXTM3U")) return kErrorFormat;
  std::optional<HlsVariant> pending;  // an EXT-X-STREAM-INF waiting for its address line
  HlsAttributes attributes;
  Holding holding;
  while (lines.Next(line)) {
    if (auto value = TagValue(line, "#EXT-X-STREAM-INF")) {
      if (pending || !ParseHlsAttributes(*value, attributes)) return kErrorFormat;
      HlsVariant variant;
      std::optional<std::string_view> bandwidth = HlsAttribute(attributes, "BANDWIDTH");
      if (!bandwidth) return kErrorFormat;  // required
      std::optional<uint64_t> bits = ParseDecimal(*bandwidth);
      if (!bits) return kErrorFormat;
      variant.bandwidth = *bits;
      variant.codecs = std::string(HlsAttribute(attributes, "CODECS").value_or(""));
      variant.audio_group = std::string(HlsAttribute(attributes, "AUDIO").value_or(""));
      if (!holding.Take(variant.codecs.size() + variant.audio_group.size())) return kErrorFormat;
      pending = std::move(variant);
    } else if (auto media = TagValue(line, "#EXT-X-MEDIA")) {
      if (!ParseHlsAttributes(*media, attributes)) return kErrorFormat;
      if (HlsAttribute(attributes, "TYPE") != "AUDIO") continue;
      HlsRendition rendition;
      std::optional<std::string_view> group = HlsAttribute(attributes, "GROUP-ID");
      if (!group) return kErrorFormat;
      rendition.group_id = std::string(*group);
      rendition.name = std::string(HlsAttribute(attributes, "NAME").value_or(""));
      rendition.is_default = HlsAttribute(attributes, "DEFAULT") == "YES";
      if (out.audio.size() == kMaxHlsEntries || !holding.Take(rendition.group_id.size() + rendition.name.size()))
        return kErrorFormat;
      if (auto uri = HlsAttribute(attributes, "URI")) {
        if (!Resolve(base, *uri, rendition.address) || !holding.Take(rendition.address.size())) return kErrorFormat;
      }
      out.audio.push_back(std::move(rendition));
    } else if (line.front() == '#') {
      continue;  // other tags and comments
    } else if (pending) {
      if (out.variants.size() == kMaxHlsEntries || !Resolve(base, line, pending->address) ||
          !holding.Take(pending->address.size()))
        return kErrorFormat;
      out.variants.push_back(std::move(*pending));
      pending.reset();
    }
  }
  if (pending || out.variants.empty()) return kErrorFormat;
  return kErrorOk;
}

std::optional<HlsChoice> ChooseHlsMedia(const HlsMaster& master) {
  const HlsVariant* best = nullptr;
  std::tuple<bool, int, uint64_t> best_rank;
  for (const HlsVariant& v : master.variants) {
    const auto rank = Rank(v, AudioRendition(master, v.audio_group) != nullptr);
    if (!std::get<0>(rank)) continue;
    if (!best || rank > best_rank) {
      best = &v;
      best_rank = rank;
    }
  }
  if (!best) return std::nullopt;
  HlsChoice choice;
  choice.bandwidth = best->bandwidth;
  const HlsRendition* audio = AudioRendition(master, best->audio_group);
  choice.address = audio ? audio->address : best->address;
  return choice;
}

int ParseHlsMedia(std::string_view text, const Url& base, HlsMedia& out) {
  out = HlsMedia();
  HlsLines lines(text);
  std::string_view line;
  if (!lines.Next(line) || !TagValue(line, "#EXTM3U")) return kErrorFormat;
  bool has_target = false;
  HlsSegment next;  // what the tags so far say of the next segment
  bool has_extinf = false;
  HlsSegmentSetup setup;          // the map and key in effect
  bool setup_changed = false;     // since next.setup was made from it
  std::vector<HlsSegment> segments;
  HlsAttributes attributes;
  Holding holding;
  while (lines.Next(line)) {
    if (line.front() != '#') {
      if (segments.size() == kMaxHlsEntries) return kErrorFormat;
      if (setup_changed) {
        // A copy for the segments from here to the next map or key tag.
        const bool none = setup.map_address.empty() && setup.key == HlsKeyMethod::kNone && setup.key_iv.empty();
        next.setup = none ? nullptr : std::make_shared<const HlsSegmentSetup>(setup);
        setup_changed = false;
        if (!holding.Take(sizeof setup + setup.map_address.size() + setup.key_address.size() + setup.key_iv.size()))
          return kErrorFormat;
      }
      HlsSegment segment = next;
      if (!Resolve(base, line, segment.address) ||
          !holding.Take(segment.address.size() + segment.title.size() + segment.artist.size()))
        return kErrorFormat;
      if (!has_extinf) segment.duration_ms = 0;  // filled in with the target duration below
      segments.push_back(std::move(segment));
      // Tags that apply to one segment end with it; the map and key stay.
      next.title.clear();
      next.artist.clear();
      next.discontinuity = false;
      next.duration_ms = 0;
      has_extinf = false;
    } else if (auto target = TagValue(line, "#EXT-X-TARGETDURATION")) {
      std::optional<uint64_t> seconds = ParseDecimal(*target);
      if (!seconds || *seconds == 0 || *seconds > kMaxDurationSeconds) return kErrorFormat;
      out.target_duration_ms = static_cast<uint32_t>(*seconds * 1000);
      has_target = true;
    } else if (auto sequence = TagValue(line, "#EXT-X-MEDIA-SEQUENCE")) {
      std::optional<uint64_t> n = ParseDecimal(*sequence);
      if (!n || *n > kMaxSequence || !segments.empty()) return kErrorFormat;
      out.media_sequence = *n;
    } else if (auto extinf = TagValue(line, "#EXTINF")) {
      if (!ParseExtinf(*extinf, next)) return kErrorFormat;
      has_extinf = true;
    } else if (TagValue(line, "#EXT-X-ENDLIST")) {
      out.ended = true;
    } else if (TagValue(line, "#EXT-X-DISCONTINUITY")) {
      next.discontinuity = true;
    } else if (auto map = TagValue(line, "#EXT-X-MAP")) {
      if (!ParseHlsAttributes(*map, attributes)) return kErrorFormat;
      std::optional<std::string_view> uri = HlsAttribute(attributes, "URI");
      if (!uri || !Resolve(base, *uri, setup.map_address)) return kErrorFormat;
      setup_changed = true;
      next.discontinuity = next.discontinuity || !segments.empty();
    } else if (auto key = TagValue(line, "#EXT-X-KEY")) {
      if (!ParseHlsAttributes(*key, attributes)) return kErrorFormat;
      std::optional<std::string_view> method = HlsAttribute(attributes, "METHOD");
      if (!method) return kErrorFormat;
      setup.key = KeyMethod(*method);
      setup.key_address.clear();
      setup.key_iv = std::string(HlsAttribute(attributes, "IV").value_or(""));
      setup_changed = true;
      if (setup.key != HlsKeyMethod::kNone) {
        std::optional<std::string_view> uri = HlsAttribute(attributes, "URI");
        if (!uri || !Resolve(base, *uri, setup.key_address)) return kErrorFormat;
      }
    }
  }
  if (!has_target) return kErrorFormat;
  uint64_t number = out.media_sequence;
  for (HlsSegment& s : segments) {
    if (number > kMaxSequence) return kErrorFormat;
    s.sequence = number++;
    if (s.duration_ms == 0) s.duration_ms = out.target_duration_ms;
  }
  out.segments = std::move(segments);
  return kErrorOk;
}

size_t HlsStartIndex(const HlsMedia& media) {
  if (media.ended || media.segments.empty()) return 0;
  const uint64_t hold = 3ull * media.target_duration_ms;
  uint64_t from_end = 0;
  for (size_t i = media.segments.size(); i-- > 0;) {
    from_end += media.segments[i].duration_ms;
    if (from_end >= hold) return i;
  }
  return 0;
}

std::string HlsPlaylistName(std::string_view text) {
  std::string session, russian, listed;
  HlsLines lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    if (std::optional<std::string_view> value = TagValue(line, "#EXT-X-SESSION-DATA")) {
      HlsAttributes attributes;
      if (!ParseHlsAttributes(*value, attributes)) continue;
      const std::string id = ToLowerAscii(HlsAttribute(attributes, "DATA-ID").value_or(""));
      const std::string_view last = std::string_view(id).substr(id.rfind('.') + 1);
      if (last != "title" && last != "name") continue;
      const std::string_view name = Trim(HlsAttribute(attributes, "VALUE").value_or(""));
      if (name.empty()) continue;  // a URI value is data to fetch, not a name
      const std::string language = ToLowerAscii(HlsAttribute(attributes, "LANGUAGE").value_or(""));
      if (russian.empty() && language.substr(0, language.find('-')) == "ru") russian = name;
      if (session.empty()) session = name;
    } else if (std::optional<std::string_view> title = TagValue(line, "#PLAYLIST")) {
      if (listed.empty()) listed = *title;
    }
  }
  std::string name = !russian.empty() ? russian : !session.empty() ? session : listed;
  if (name.size() > kMaxHlsNameBytes) {
    size_t cut = kMaxHlsNameBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
    name.resize(cut);
  }
  return name;
}
