#include "engine/formats/ogg_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr uint8_t kCapture[4] = {'O', 'g', 'g', 'S'};
constexpr size_t kCrcOffset = 22;
constexpr size_t kCompactBytes = 64 * 1024;  // consumed bytes kept before moving the rest down

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t r = i << 24;
    for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) ? (r << 1) ^ 0x04c11db7u : r << 1;
    table[i] = r;
  }
  return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint32_t CrcUpdate(uint32_t crc, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) crc = (crc << 8) ^ kCrcTable[((crc >> 24) ^ p[i]) & 0xff];
  return crc;
}

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool StartsWith(std::span<const uint8_t> data, const char* prefix, size_t n) {
  return data.size() >= n && std::memcmp(data.data(), prefix, n) == 0;
}

// A comment value as it may stand between the quotes of the metadata text:
// control characters (a NUL would end the text early) become spaces.
std::string Clean(std::string_view value) {
  std::string out(value);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  const size_t first = out.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

}  // namespace

uint32_t OggCrc(std::span<const uint8_t> page) {
  if (page.size() < kOggHeaderBytes) return CrcUpdate(0, page.data(), page.size());
  static constexpr uint8_t kZero[4] = {};
  uint32_t crc = CrcUpdate(0, page.data(), kCrcOffset);
  crc = CrcUpdate(crc, kZero, 4);
  return CrcUpdate(crc, page.data() + kCrcOffset + 4, page.size() - kCrcOffset - 4);
}

void OggReader::Push(std::span<const uint8_t> data) {
  Compact();
  buffer_.insert(buffer_.end(), data.begin(), data.end());
}

void OggReader::Reset() {
  base_ += buffer_.size();
  buffer_.clear();
  pos_ = 0;
  streams_.clear();
}

void OggReader::Skip(size_t n) {
  pos_ += n;
  skipped_ += n;
}

void OggReader::Compact() {
  if (pos_ == buffer_.size()) {
    base_ += pos_;
    buffer_.clear();
    pos_ = 0;
  } else if (pos_ >= kCompactBytes) {
    base_ += pos_;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos_));
    pos_ = 0;
  }
}

std::optional<OggPage> OggReader::Next() {
  Compact();
  for (;;) {
    const uint8_t* begin = buffer_.data() + pos_;
    const size_t avail = buffer_.size() - pos_;
    // The next capture pattern; without one, all but a possible start of it is junk.
    const uint8_t* found = std::search(begin, begin + avail, kCapture, kCapture + 4);
    if (found == begin + avail) {
      Skip(avail > 3 ? avail - 3 : 0);
      return std::nullopt;
    }
    Skip(static_cast<size_t>(found - begin));
    const uint8_t* p = buffer_.data() + pos_;
    const size_t have = buffer_.size() - pos_;
    if (have < kOggHeaderBytes) return std::nullopt;
    if (p[4] != 0 || (p[5] & ~0x07) != 0) {  // version 0, no unknown flags
      Skip(1);
      continue;
    }
    const size_t segments = p[26];
    if (have < kOggHeaderBytes + segments) return std::nullopt;
    size_t body_bytes = 0;
    for (size_t i = 0; i < segments; ++i) body_bytes += p[kOggHeaderBytes + i];
    const size_t total = kOggHeaderBytes + segments + body_bytes;
    if (have < total) return std::nullopt;
    const std::span<const uint8_t> bytes(p, total);
    if (OggCrc(bytes) != Le32(p + kCrcOffset)) {
      ++bad_crc_;
      Skip(1);
      continue;
    }
    OggPage page;
    page.continued = p[5] & 0x01;
    page.bos = p[5] & 0x02;
    page.eos = p[5] & 0x04;
    uint64_t granule = 0;
    for (int i = 7; i >= 0; --i) granule = granule << 8 | p[6 + i];
    page.granule = static_cast<int64_t>(granule);
    page.serial = Le32(p + 14);
    page.sequence = Le32(p + 18);
    page.bytes = bytes;
    page.position = base_ + pos_;
    pos_ += total;
    Assemble(page, bytes.subspan(kOggHeaderBytes, segments), bytes.subspan(kOggHeaderBytes + segments));
    return page;
  }
}

void OggReader::Assemble(OggPage& page, std::span<const uint8_t> lacing, std::span<const uint8_t> body) {
  auto it = streams_.find(page.serial);
  if (page.bos && it != streams_.end()) {
    // The serial starts over (a chained stream that kept it): a new stream.
    streams_.erase(it);
    it = streams_.end();
  }
  if (it == streams_.end()) {
    if (streams_.size() >= kOggMaxStreams) {
      // Tracks of a chain that end without an end-of-stream page (a source that
      // reconnected, a fallback mount) stay open here: the stream not heard
      // from for longest gives way to the one that begins.
      streams_.erase(std::min_element(streams_.begin(), streams_.end(), [](const auto& a, const auto& b) {
        return a.second.last_page < b.second.last_page;
      }));
    }
    it = streams_.emplace(page.serial, Partial{}).first;
  }
  Partial& s = it->second;
  s.last_page = ++pages_;
  const bool lost = s.has_sequence && page.sequence != s.next_sequence;
  s.has_sequence = true;
  s.next_sequence = page.sequence + 1;
  if (lost || !page.continued) {
    // A packet left open before a lost page, or one whose end never came,
    // cannot be completed.
    s.data.clear();
    s.open = false;
    s.dropping = false;
  }
  // A continuation whose start is not here is skipped up to its end.
  if (page.continued && !s.open) s.dropping = true;
  if (page.bos) s.first = true;
  size_t offset = 0;
  for (uint8_t len : lacing) {
    if (!s.dropping) {
      if (s.data.size() + len > kOggMaxPacketBytes) {
        s.data.clear();
        s.dropping = true;
      } else {
        s.data.insert(s.data.end(), body.begin() + offset, body.begin() + offset + len);
      }
    }
    offset += len;
    s.open = true;
    if (len == 255) continue;  // the packet goes on
    if (!s.dropping) {
      OggPacket packet;
      packet.data = std::move(s.data);
      packet.first = s.first;
      page.packets.push_back(std::move(packet));
    }
    s.first = false;
    s.data.clear();
    s.open = false;
    s.dropping = false;
  }
  if (page.eos) streams_.erase(it);
}

std::optional<VorbisId> ParseVorbisId(std::span<const uint8_t> packet) {
  if (packet.size() < 30 || !StartsWith(packet, "\x01vorbis", 7)) return std::nullopt;
  const uint8_t* p = packet.data();
  if (Le32(p + 7) != 0) return std::nullopt;  // version
  VorbisId id;
  id.channels = p[11];
  id.sample_rate = Le32(p + 12);
  if (id.channels == 0 || id.sample_rate == 0 || !(p[29] & 1)) return std::nullopt;
  const int32_t maximum = static_cast<int32_t>(Le32(p + 16));
  const int32_t nominal = static_cast<int32_t>(Le32(p + 20));
  id.bitrate = nominal > 0 ? uint32_t(nominal) : maximum > 0 ? uint32_t(maximum) : 0;
  return id;
}

AudioCodec OggStreamCodec(std::span<const uint8_t> first_packet) {
  if (StartsWith(first_packet, "\x01vorbis", 7)) return AudioCodec::kVorbis;
  if (StartsWith(first_packet, "OpusHead", 8)) return AudioCodec::kOpus;
  if (StartsWith(first_packet, "\x7f" "FLAC", 5)) return AudioCodec::kFlac;
  return AudioCodec::kUnknown;
}

std::optional<std::vector<std::pair<std::string, std::string>>> ParseVorbisComments(
    std::span<const uint8_t> packet) {
  if (!StartsWith(packet, "\x03vorbis", 7)) return std::nullopt;
  return ParseCommentList(packet.subspan(7));
}

std::optional<std::vector<std::pair<std::string, std::string>>> ParseOpusTags(std::span<const uint8_t> packet) {
  if (!StartsWith(packet, "OpusTags", 8)) return std::nullopt;
  return ParseCommentList(packet.subspan(8));
}

std::optional<std::vector<std::pair<std::string, std::string>>> ParseCommentList(std::span<const uint8_t> packet) {
  size_t pos = 0;
  auto read32 = [&](uint32_t& v) {
    if (packet.size() - pos < 4) return false;
    v = Le32(packet.data() + pos);
    pos += 4;
    return true;
  };
  uint32_t vendor = 0, count = 0;
  if (!read32(vendor) || packet.size() - pos < vendor) return std::nullopt;
  pos += vendor;
  if (!read32(count)) return std::nullopt;
  std::vector<std::pair<std::string, std::string>> out;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t len = 0;
    if (!read32(len) || packet.size() - pos < len) return std::nullopt;
    std::string_view entry(reinterpret_cast<const char*>(packet.data() + pos), len);
    pos += len;
    const size_t eq = entry.find('=');
    if (eq == std::string_view::npos) continue;
    std::string key(entry.substr(0, eq));
    for (char& c : key) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    out.emplace_back(std::move(key), std::string(entry.substr(eq + 1)));
  }
  return out;
}

std::string VorbisTitleMeta(const std::vector<std::pair<std::string, std::string>>& comments) {
  std::string artist, title;
  bool have_artist = false, have_title = false;
  for (const auto& [key, value] : comments) {
    if (key == "ARTIST" && !have_artist) {
      artist = Clean(value);
      have_artist = !artist.empty();
    } else if (key == "TITLE" && !have_title) {
      title = Clean(value);
      have_title = !title.empty();
    }
  }
  std::string text = have_artist && have_title ? artist + " - " + title : have_title ? title : artist;
  return "StreamTitle='" + text + "';";
}

std::string VorbisStationName(const std::vector<std::pair<std::string, std::string>>& comments) {
  // No comment field is the station's by the format's own list: the fields
  // station software writes come first, then the producing organisation.
  for (const char* wanted : {"STATION", "STATIONNAME", "STATION_NAME", "ORGANIZATION"}) {
    for (const auto& [key, value] : comments) {
      if (key != wanted) continue;
      std::string name = Clean(value);
      if (!name.empty()) return name;
    }
  }
  return {};
}

void OggTitles::Comments(const std::vector<std::pair<std::string, std::string>>& comments) {
  if (std::string name = VorbisStationName(comments); !name.empty()) station_ = std::move(name);
}

std::optional<StreamFormat> ProbeOgg(std::span<const uint8_t> data) {
  if (StartsWith(data, "fLaC", 4)) {
    StreamFormat f;
    f.codec = AudioCodec::kFlac;
    // STREAMINFO is the first block, by the format's rule.
    if (data.size() >= 8 + kFlacStreamInfoBytes && (data[4] & 0x7f) == 0) {
      if (auto info = ParseFlacStreamInfo(data.subspan(8, kFlacStreamInfoBytes))) {
        f.sample_rate = info->sample_rate;
        f.channels = info->channels;
        f.bitrate = FlacBitrateEstimate(info->sample_rate, info->channels, info->bits);
      }
    }
    return f;
  }
  OggReader reader;
  reader.Push(data);
  while (std::optional<OggPage> page = reader.Next()) {
    if (!page->bos || page->packets.empty() || !page->packets.front().first) continue;
    const std::vector<uint8_t>& packet = page->packets.front().data;
    const AudioCodec codec = OggStreamCodec(packet);
    StreamFormat f;
    f.codec = codec;
    f.offset = static_cast<size_t>(page->position);
    if (codec == AudioCodec::kVorbis) {
      std::optional<VorbisId> id = ParseVorbisId(packet);
      if (!id) continue;
      f.sample_rate = id->sample_rate;
      f.channels = id->channels;
      f.bitrate = id->bitrate;
      return f;
    }
    if (codec == AudioCodec::kOpus) {
      std::optional<OpusHead> head = ParseOpusHead(packet);
      if (!head) continue;
      f.sample_rate = 48000;
      f.channels = head->channels;
      return f;
    }
    if (codec == AudioCodec::kFlac) {
      std::optional<OggFlacHead> head = ParseOggFlacHead(packet);
      if (!head) continue;
      f.sample_rate = head->info.sample_rate;
      f.channels = head->info.channels;
      f.bitrate = FlacBitrateEstimate(head->info.sample_rate, head->info.channels, head->info.bits);
      return f;
    }
  }
  return std::nullopt;
}

std::optional<std::string> OggTitles::Feed(std::span<const uint8_t> data) {
  constexpr size_t kMaxFlacHeaderBytes = 1 << 20;  // metadata blocks read for a title (pictures are large)
  if (!decided_ || native_) {
    head_.insert(head_.end(), data.begin(), data.end());
    if (!decided_) {
      if (head_.size() < 4) return std::nullopt;
      decided_ = true;
      native_ = StartsWith(head_, "fLaC", 4);
      if (!native_) {
        std::vector<uint8_t> first = std::move(head_);
        head_.clear();
        return FeedOgg(first);
      }
    }
    FlacHeaders headers;
    const FlacHeadersResult r = ParseFlacHeaders(head_, kMaxFlacHeaderBytes, headers);
    if (r == FlacHeadersResult::kNeedMore) return std::nullopt;
    native_ = false;
    head_.clear();
    head_.shrink_to_fit();
    if (r != FlacHeadersResult::kDone || !headers.comments) return std::nullopt;
    Comments(*headers.comments);
    return VorbisTitleMeta(*headers.comments);
  }
  return FeedOgg(data);
}

std::optional<std::string> OggTitles::FeedOgg(std::span<const uint8_t> data) {
  std::optional<std::string> result;
  reader_.Push(data);
  while (std::optional<OggPage> page = reader_.Next()) {
    if (page->bos) {
      streams_.erase(page->serial);
      if (!page->packets.empty() && page->packets.front().first) {
        Followed followed;
        followed.codec = OggStreamCodec(page->packets.front().data);
        if (followed.codec == AudioCodec::kFlac) {
          std::optional<OggFlacHead> head = ParseOggFlacHead(page->packets.front().data);
          followed.codec = head ? AudioCodec::kFlac : AudioCodec::kUnknown;
          if (head) followed.headers = head->header_packets;
        }
        if (followed.codec != AudioCodec::kUnknown) {
          if (streams_.size() >= kOggMaxStreams) streams_.clear();
          streams_[page->serial] = followed;
        }
      }
    }
    auto it = streams_.find(page->serial);
    if (it == streams_.end()) continue;
    Followed& s = it->second;
    bool done = false;
    for (const OggPacket& packet : page->packets) {
      if (done) break;
      const uint32_t index = s.packets++;
      if (index == 0) continue;  // the identification header
      std::optional<std::vector<std::pair<std::string, std::string>>> comments;
      if (s.codec == AudioCodec::kVorbis) {
        // The comment header is the second packet.
        comments = ParseVorbisComments(packet.data);
        done = true;
      } else if (s.codec == AudioCodec::kOpus) {
        comments = ParseOpusTags(packet.data);
        done = true;
      } else {
        // FLAC: metadata blocks, one a packet, up to the one flagged last (or
        // the count the first packet gave); VORBIS_COMMENT is type 4.
        if (packet.data.size() < 4 || (s.headers && index > s.headers)) {
          done = true;
          continue;
        }
        if ((packet.data[0] & 0x7f) == 4) {
          comments = ParseCommentList(std::span(packet.data).subspan(4));
          done = true;
        }
        if (packet.data[0] & 0x80) done = true;
      }
      if (comments) {
        Comments(*comments);
        result = VorbisTitleMeta(*comments);
      }
    }
    if (page->eos || done) streams_.erase(it);
  }
  return result;
}
