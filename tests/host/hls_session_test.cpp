// HLS streams through the session against a simulated HTTP world on a
// simulated clock: a live producer whose playlist moves on every 2 s, served
// over kept-alive connections; what reaches the download buffer (audio joined
// with no gap and no repeat, discontinuities where segments were lost), the
// titles, the reload schedule, and how failures of segments and playlists end.
#include "engine/session/stream_session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/api/engine.h"
#include "toy_cipher.h"
#include "ts_builder.h"

namespace {

using testts::Bytes;

// ---- Audio: ADTS frames (AAC LC, 44.1 kHz, stereo) whose payloads never repeat ----

constexpr size_t kFrameBytes = 200;
constexpr int kFramesPerSegment = 12;
constexpr uint64_t kSegmentMs = 2000;

std::string AdtsFrame(int n) {
  std::string f(kFrameBytes, '\0');
  const size_t len = kFrameBytes;
  f[0] = char(0xFF);
  f[1] = char(0xF1);
  f[2] = char((1 << 6) | (4 << 2) | 0);  // LC, 44.1 kHz, channel config high bit 0
  f[3] = char((2 << 6) | ((len >> 11) & 0x03));
  f[4] = char((len >> 3) & 0xFF);
  f[5] = char(((len & 0x07) << 5) | 0x1F);
  f[6] = char(0xFC);
  uint64_t x = uint64_t(n) * 0x9E3779B97F4A7C15ull + 11;
  for (size_t j = 7; j < kFrameBytes; ++j) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    f[j] = char((x >> 24) & 0x7F);
  }
  return f;
}

std::string SegmentAudio(uint64_t sequence) {
  std::string out;
  for (int i = 0; i < kFramesPerSegment; ++i) out += AdtsFrame(int(sequence) * kFramesPerSegment + i);
  return out;
}

std::string TsSegment(uint64_t sequence, const std::vector<uint8_t>& timed_id3 = {}) {
  testts::TsWriter w;
  std::vector<uint8_t> ts = w.Tables({{0x0F, 0x101}, {0x15, 0x102}});
  if (!timed_id3.empty()) {
    std::vector<uint8_t> id3 = w.Pes(0x102, timed_id3, 0xBD);
    ts.insert(ts.end(), id3.begin(), id3.end());
  }
  // Two frames per PES, as muxers group them.
  const std::string audio = SegmentAudio(sequence);
  for (size_t at = 0; at < audio.size(); at += 2 * kFrameBytes) {
    const std::string part = audio.substr(at, 2 * kFrameBytes);
    std::vector<uint8_t> pes = w.Pes(0x101, std::vector<uint8_t>(part.begin(), part.end()));
    ts.insert(ts.end(), pes.begin(), pes.end());
  }
  return Bytes(ts);
}

// ---- The simulated servers ----

struct Answer {
  int status = 200;
  std::string body;
  std::string type = "application/vnd.apple.mpegurl";
  bool close = false;       // Connection: close after this answer
  bool chunked = false;
  size_t cut_after = std::string::npos;  // the connection breaks after this many body bytes
  std::string location;     // for redirects
  uint32_t drip_ms = 0;     // the body comes a byte at a time, this far apart (0 = at once)
};

struct Request {
  uint64_t at_ms;
  std::string host;
  std::string path;
  size_t connection;
  std::string text;
};

class World;

class WorldConnection : public Connection {
 public:
  WorldConnection(World& world, std::string host, size_t number);
  ~WorldConnection() override;
  int Send(std::string_view data, uint32_t) override;
  int Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) override;

 private:
  World& world_;
  std::string host_;
  size_t number_;
  std::string pending_;
  bool closed_ = false;   // by the server, once pending_ is read
  size_t at_once_ = 0;    // bytes of pending_ that come at once, the rest dripping
  uint32_t drip_ms_ = 0;
};

class World : public Network {
 public:
  using Handler = std::function<Answer(const std::string& path, uint64_t range_from)>;

  int Connect(const std::string& host, uint16_t port, uint32_t, std::unique_ptr<Connection>& out) override {
    now += 5;
    const std::string key = host + ":" + std::to_string(port);
    if (Down()) return kErrorNoConnection;
    if (!handlers.count(key)) return kErrorNoConnection;
    connections.push_back(key);
    out = std::make_unique<WorldConnection>(*this, key, connections.size() - 1);
    most_open = std::max(most_open, ++open);
    return kErrorOk;
  }
  int StartTls(const std::string&, uint32_t, std::unique_ptr<Connection>&) override { return kErrorOk; }
  uint64_t NowMs() override { return now; }
  bool Sleep(uint32_t ms) override {
    now += ms;
    return !(stop_at && now >= stop_at);
  }
  bool Cancelled() override { return stop_at && now >= stop_at; }
  std::unique_ptr<BlockDecryptor> MakeAes128(const AesBlock& key) override {
    ++ciphers_made;
    return std::make_unique<toy::Decryptor>(key);
  }
  int ciphers_made = 0;

  std::map<std::string, Handler> handlers;  // by "host:port"
  std::vector<std::string> connections;     // hosts of the connections made, in order
  size_t open = 0, most_open = 0;           // connections not yet let go, now and at most
  std::vector<Request> requests;
  uint64_t now = 100000;
  uint64_t stop_at = 0;     // the stream is closed at this time
  uint64_t down_from = 0, down_until = 0;  // connections are refused between these times
  bool Down() const { return now >= down_from && now < down_until; }
  // Kept connections the server closes while they idle (after each answer).
  bool close_idle = false;
};

WorldConnection::WorldConnection(World& world, std::string host, size_t number)
    : world_(world), host_(std::move(host)), number_(number) {}
WorldConnection::~WorldConnection() { --world_.open; }

int WorldConnection::Send(std::string_view data, uint32_t) {
  if (closed_ || world_.Down()) return kErrorNoConnection;
  std::string text(data);
  const size_t sp = text.find(' ');
  const std::string path = text.substr(sp + 1, text.find(' ', sp + 1) - sp - 1);
  uint64_t range = 0;
  if (size_t r = text.find("Range: bytes="); r != std::string::npos) range = std::stoull(text.substr(r + 13));
  world_.requests.push_back({world_.now, host_, path, number_, text});
  Answer a = world_.handlers[host_](path, range);
  std::string head = "HTTP/1.1 " + std::to_string(a.status) + (a.status == 206 ? " Partial Content" : " OK") + "\r\n";
  head += "Content-Type: " + a.type + "\r\n";
  if (!a.location.empty()) head += "Location: " + a.location + "\r\n";
  if (a.close) head += "Connection: close\r\n";
  std::string body = a.body;
  if (a.cut_after < body.size()) {
    body.resize(a.cut_after);
    a.close = true;
  }
  drip_ms_ = a.drip_ms;
  if (a.chunked) {
    head += "Transfer-Encoding: chunked\r\n\r\n";
    std::string coded;
    for (size_t at = 0; at < body.size(); at += 1000) {
      const std::string part = body.substr(at, 1000);
      char size[16];
      std::snprintf(size, sizeof size, "%zx\r\n", part.size());
      coded += size + part + "\r\n";
    }
    if (a.cut_after == std::string::npos) coded += "0\r\n\r\n";
    at_once_ = pending_.size() + head.size();
    pending_ += head + coded;
  } else {
    head += "Content-Length: " + std::to_string(a.body.size()) + "\r\n\r\n";
    at_once_ = pending_.size() + head.size();
    pending_ += head + body;
  }
  if (a.close || world_.close_idle) closed_ = true;
  return kErrorOk;
}

int WorldConnection::Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) {
  got = 0;
  if (!pending_.empty() && drip_ms_) {
    if (at_once_ > 0) {
      size = std::min(size, at_once_);  // the head
    } else if (drip_ms_ >= timeout_ms) {
      world_.now += timeout_ms;
      return kErrorTimeout;
    } else {
      world_.now += drip_ms_;
      size = 1;
    }
  }
  if (!pending_.empty()) {
    world_.now += 2;  // each piece takes a moment
    got = std::min({size, pending_.size(), size_t(1400)});
    at_once_ -= std::min(at_once_, got);
    std::memcpy(buffer, pending_.data(), got);
    pending_.erase(0, got);
    return kErrorOk;
  }
  if (closed_) return kErrorOk;  // closed by the server
  world_.now += timeout_ms;
  return kErrorTimeout;
}

// A live producer: segment n is complete at start + (n + 1) * 2 s; the list
// holds the newest six, as a producer deleting old segments keeps it.
struct Producer {
  uint64_t start_ms = 0;
  uint64_t first_sequence = 0;
  size_t window = 6;
  bool ended = false;  // a finished list of `window` segments from first_sequence
  std::string ext = ".ts";
  std::function<std::string(uint64_t)> segment = [](uint64_t n) { return TsSegment(n); };
  std::function<std::string(uint64_t)> extinf = [](uint64_t) { return std::string(); };
  std::function<std::string(uint64_t)> tags = [](uint64_t) { return std::string(); };  // lines before a segment
  std::function<std::string(uint64_t)> where = [](uint64_t) { return std::string(); };  // before "seg": a host's directory
  std::map<uint64_t, int> fail_times;  // segment -> how many requests answer 404
  std::map<uint64_t, size_t> cut_at;   // segment -> its first answer breaks after this many bytes
  bool honour_range = true;
  int playlist_down_count = 0;         // playlist requests answered 503

  uint64_t Newest(uint64_t now) const {
    if (ended) return first_sequence + window;
    return now < start_ms ? first_sequence : first_sequence + (now - start_ms) / kSegmentMs;  // exclusive
  }
  std::string Playlist(uint64_t now) const {
    const uint64_t end = Newest(now);
    const uint64_t begin = end > first_sequence + window ? end - window : first_sequence;
    std::string text = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:2\n#EXT-X-MEDIA-SEQUENCE:" +
                       std::to_string(begin) + "\n";
    for (uint64_t n = begin; n < end; ++n) {
      text += tags(n) + "#EXTINF:2.000" + extinf(n) + ",\n" + where(n) + "seg" + std::to_string(n) + ext + "\n";
    }
    if (ended) text += "#EXT-X-ENDLIST\n";
    return text;
  }
  Answer Serve(World& world, const std::string& path, uint64_t range) {
    Answer a;
    if (path.find("index.m3u8") != std::string::npos) {
      if (playlist_down_count > 0) {
        --playlist_down_count;
        a.status = 503;
        return a;
      }
      a.body = Playlist(world.now);
      return a;
    }
    const size_t s = path.find("/seg");
    if (s == std::string::npos) {
      a.status = 404;
      return a;
    }
    const uint64_t n = std::stoull(path.substr(s + 4));
    a.type = ext == ".ts" ? "video/mp2t" : "audio/aac";
    if (n >= Newest(world.now) || (fail_times.count(n) && fail_times[n]-- > 0)) {
      a.status = 404;
      return a;
    }
    a.body = segment(n);
    if (range > 0 && honour_range) {
      a.status = 206;
      a.body = a.body.substr(std::min<size_t>(range, a.body.size()));
    }
    if (auto it = cut_at.find(n); it != cut_at.end()) {
      a.cut_after = it->second;
      cut_at.erase(it);
    }
    return a;
  }
};

NetOptions Options() {
  NetOptions o;
  o.read_timeout_ms = 5000;
  o.connect_timeout_ms = 5000;
  o.resolve_playlists = true;
  o.own_port = 47471;  // the catalogue's, say
  return o;
}

struct Heard {
  int open_error = kErrorOk;
  std::string audio;
  std::vector<size_t> joins;  // offsets in `audio` where a discontinuity starts
  std::vector<std::string> meta;
  StreamSession::Next last = StreamSession::Next::kAudio;
  uint64_t ended_at = 0;
  std::string http_tags;
  std::string name, end_name;  // own_name() once opened, and at the end
};

Heard Play(World& world, const std::string& url) {
  StreamSession session(world, Options(), [](AudioCodec c) { return c == AudioCodec::kAac || c == AudioCodec::kMp3; });
  Heard heard;
  heard.open_error = session.Open(url, 0, nullptr);
  if (heard.open_error != kErrorOk) return heard;
  heard.http_tags = session.http_tags();
  heard.name = session.own_name();
  if (!session.first_meta().empty()) heard.meta.push_back(session.first_meta());
  std::vector<uint8_t> first = session.TakeAudio();
  heard.audio.assign(first.begin(), first.end());
  auto on_meta = [&heard](const std::string& text) { heard.meta.push_back(text); };
  std::vector<uint8_t> audio;
  for (int guard = 0; guard < 200000; ++guard) {
    audio.clear();
    bool discontinuity = false;
    heard.last = session.Receive(audio, discontinuity, on_meta);
    if (discontinuity) heard.joins.push_back(heard.audio.size());
    heard.audio.append(audio.begin(), audio.end());
    if (heard.last != StreamSession::Next::kAudio) break;
  }
  heard.ended_at = world.now;
  heard.end_name = session.own_name();
  return heard;
}

// The segments `audio` is made of, in order, when it is whole segments.
std::vector<uint64_t> SegmentsOf(const std::string& audio) {
  std::vector<uint64_t> out;
  const size_t bytes = kFrameBytes * kFramesPerSegment;
  for (size_t at = 0; at + bytes <= audio.size(); at += bytes) {
    bool found = false;
    for (uint64_t n = 0; n < 1000 && !found; ++n) {
      if (audio.compare(at, bytes, SegmentAudio(n)) == 0) {
        out.push_back(n);
        found = true;
      }
    }
    if (!found) out.push_back(~0ull);
  }
  if (audio.size() % bytes) out.push_back(~0ull);
  return out;
}

std::vector<uint64_t> Range(uint64_t first, uint64_t last) {
  std::vector<uint64_t> out;
  for (uint64_t n = first; n <= last; ++n) out.push_back(n);
  return out;
}

void Serve(World& world, Producer& producer, const std::string& host = "cdn.test:80") {
  world.handlers[host] = [&world, &producer](const std::string& path, uint64_t range) {
    return producer.Serve(world, path, range);
  };
}

std::vector<Request> PlaylistRequests(const World& world) {
  std::vector<Request> out;
  for (const Request& r : world.requests) {
    if (r.path.find(".m3u8") != std::string::npos) out.push_back(r);
  }
  return out;
}

TEST(HlsSession, LiveStreamPlaysOnFromThreeTargetDurationsBeforeTheEnd) {
  World world;
  Producer producer;
  producer.start_ms = world.now - 20 * kSegmentMs;  // 20 segments made: 14..19 listed
  Serve(world, producer);
  world.stop_at = world.now + 60000;
  Heard heard = Play(world, "http://cdn.test/live/index.m3u8");
  ASSERT_EQ(heard.open_error, kErrorOk);
  EXPECT_EQ(heard.last, StreamSession::Next::kClosed);
  // The last three of six listed, then every new one in turn: nothing missing, nothing twice.
  std::vector<uint64_t> segments = SegmentsOf(heard.audio);
  ASSERT_GE(segments.size(), 30u);
  EXPECT_EQ(segments, Range(17, 17 + segments.size() - 1));
  EXPECT_TRUE(heard.joins.empty());
  EXPECT_NE(heard.http_tags.find("HTTP/1.1 200 OK"), std::string::npos);

  // The first request asks to close (it might not have been HLS); all later ones
  // go over one kept connection and ask for no ICY metadata.
  ASSERT_GE(world.requests.size(), 40u);
  EXPECT_EQ(world.connections.size(), 2u);
  for (size_t i = 1; i < world.requests.size(); ++i) {
    EXPECT_EQ(world.requests[i].connection, 1u) << i;
    EXPECT_NE(world.requests[i].text.find("Connection: keep-alive\r\n"), std::string::npos);
    EXPECT_EQ(world.requests[i].text.find("Icy-MetaData"), std::string::npos);
  }
  // The first three segments are fetched at once, one after another.
  EXPECT_EQ(world.requests[1].path, "/live/seg17.ts");
  EXPECT_EQ(world.requests[3].path, "/live/seg19.ts");
  EXPECT_LT(world.requests[3].at_ms - world.requests[0].at_ms, 1000u);
  // Reloads: a target duration after a list that changed, half of one after
  // one that did not (measured from the start of the request before).
  std::vector<Request> loads = PlaylistRequests(world);
  ASSERT_GE(loads.size(), 20u);
  std::string previous, before;
  for (size_t i = 1; i < loads.size(); ++i) {
    const std::string list = producer.Playlist(loads[i - 1].at_ms);
    const bool changed = i == 1 || list != producer.Playlist(loads[i - 2].at_ms);
    const uint64_t gap = loads[i].at_ms - loads[i - 1].at_ms;
    EXPECT_GE(gap, changed ? 2000u : 1000u) << i;
    EXPECT_LT(gap, changed ? 2300u : 1300u) << i;
  }
}

TEST(HlsSession, MasterPlaylistLeadsToTheAudioVariantOnAnotherHost) {
  World world;
  Producer producer;
  producer.start_ms = world.now - 10 * kSegmentMs;
  Serve(world, producer, "media.test:8080");
  world.handlers["radio.test:80"] = [](const std::string& path, uint64_t) {
    Answer a;
    if (path == "/go") {
      a.status = 302;
      a.location = "/hls/master";  // no extension, a neutral type: the tags tell
      return a;
    }
    a.type = "text/plain";
    a.body = "#EXTM3U\n#EXT-X-SESSION-DATA:DATA-ID=\"com.example.title\",VALUE=\"Master FM\"\n"
             "#EXT-X-STREAM-INF:BANDWIDTH=2000000,CODECS=\"avc1.4d401f,mp4a.40.2\"\nhttp://media.test:8080/tv/index.m3u8\n"
             "#EXT-X-STREAM-INF:BANDWIDTH=128000,CODECS=\"mp4a.40.2\"\nhttp://media.test:8080/live/index.m3u8\n";
    return a;
  };
  world.stop_at = world.now + 12000;
  Heard heard = Play(world, "http://radio.test/go");
  ASSERT_EQ(heard.open_error, kErrorOk);
  std::vector<uint64_t> segments = SegmentsOf(heard.audio);
  ASSERT_GE(segments.size(), 6u);
  EXPECT_EQ(segments, Range(7, 7 + segments.size() - 1));
  for (const Request& r : world.requests) EXPECT_EQ(r.path.find("/tv/"), std::string::npos);
  // The stream's headers are those of the first playlist's answer.
  EXPECT_NE(heard.http_tags.find("Content-Type: text/plain"), std::string::npos);
  // So is its name.
  EXPECT_EQ(heard.name, "Master FM");
  EXPECT_EQ(heard.end_name, "Master FM");
}

TEST(HlsSession, PlsEntryThatIsHlsPlaysAsAStream) {
  World world;
  Producer producer;
  producer.start_ms = world.now - 10 * kSegmentMs;
  Serve(world, producer);
  world.handlers["list.test:80"] = [](const std::string&, uint64_t) {
    Answer a;
    a.type = "audio/x-scpls";
    a.body = "[playlist]\nFile1=http://cdn.test/live/index.m3u8\nNumberOfEntries=1\n";
    return a;
  };
  world.stop_at = world.now + 8000;
  Heard heard = Play(world, "http://list.test/radio.pls");
  ASSERT_EQ(heard.open_error, kErrorOk);
  EXPECT_EQ(SegmentsOf(heard.audio).front(), 7u);
}

TEST(HlsSession, PackedAudioLosesItsId3TagsAndTitlesComeOnceEach) {
  World world;
  Producer producer;
  producer.ended = true;  // on demand: from the first segment to the last, then the end
  producer.first_sequence = 0;
  producer.window = 5;
  producer.ext = ".aac";
  // Segments 0-1 one song, 2-4 another; the tag of segment 3 names the same
  // song again (no change); EXTINF attributes name a song on segment 4.
  producer.segment = [](uint64_t n) {
    const char* title = n < 2 ? "First" : "Second";
    std::vector<uint8_t> tag = testts::Id3Tag(4, {{"TIT2", std::string("\x03") + title}, {"TPE1", "\x03" "Band"}}, 30);
    return Bytes(tag) + SegmentAudio(n);
  };
  producer.extinf = [](uint64_t n) { return n == 4 ? std::string(" title=\"Third\",artist=\"Other\"") : ""; };
  Serve(world, producer);
  Heard heard = Play(world, "http://cdn.test/vod/index.m3u8");
  ASSERT_EQ(heard.open_error, kErrorOk);
  EXPECT_EQ(heard.last, StreamSession::Next::kEnd);
  EXPECT_EQ(SegmentsOf(heard.audio), Range(0, 4));
  EXPECT_EQ(heard.meta, (std::vector<std::string>{"StreamTitle='Band - First';", "StreamTitle='Band - Second';",
                                                  "StreamTitle='Other - Third';", "StreamTitle='Band - Second';"}));
}

TEST(HlsSession, TimedId3InTheTransportStreamGivesTitles) {
  World world;
  Producer producer;
  producer.ended = true;
  producer.window = 3;
  producer.segment = [](uint64_t n) {
    if (n == 2) return TsSegment(n, testts::Id3Tag(3, {{"TIT2", "\x03News"}, {"TRSN", std::string("\x00Wave", 5)}}));
    return TsSegment(n, testts::Id3Tag(3, {{"TIT2", "\x03Music"}}));
  };
  Serve(world, producer);
  Heard heard = Play(world, "http://cdn.test/vod/index.m3u8");
  ASSERT_EQ(heard.open_error, kErrorOk);
  EXPECT_EQ(SegmentsOf(heard.audio), Range(0, 2));
  EXPECT_EQ(heard.meta, (std::vector<std::string>{"StreamTitle='Music';", "StreamTitle='News';"}));
  // The station's name in a later segment's tag becomes the stream's.
  EXPECT_EQ(heard.name, "");
  EXPECT_EQ(heard.end_name, "Wave");
}

std::string Fixture(const std::string& name) {
  std::ifstream f(std::string(VOLNAR_FIXTURES) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(HlsSession, FragmentedMp4SegmentsPlayAsAdts) {
  World world;
  const std::string original = Fixture("tone660-44k-lc.aac");
  world.handlers["cdn.test:80"] = [](const std::string& path, uint64_t) {
    Answer a;
    if (path == "/vod/index.m3u8") {
      a.body = "#EXTM3U\n#EXT-X-VERSION:7\n#EXT-X-TARGETDURATION:2\n#EXT-X-MAP:URI=\"init.mp4\"\n"
               "#EXTINF:2.02,\nseg0.m4s\n#EXTINF:2.0,\nseg1.m4s\n#EXT-X-ENDLIST\n";
    } else if (path.rfind("/vod/", 0) == 0) {
      a.type = "video/mp4";
      a.body = Fixture("hls-fmp4/" + path.substr(5));
      if (a.body.empty()) a.status = 404;
    } else {
      a.status = 404;
    }
    return a;
  };
  Heard heard = Play(world, "http://cdn.test/vod/index.m3u8");
  ASSERT_EQ(heard.open_error, kErrorOk);
  EXPECT_EQ(heard.last, StreamSession::Next::kEnd);
  ASSERT_GT(heard.audio.size(), 40000u);
  ASSERT_LE(heard.audio.size(), original.size());
  EXPECT_EQ(heard.audio, original.substr(0, heard.audio.size()));
  EXPECT_TRUE(heard.joins.empty());
  int inits = 0;
  for (const Request& r : world.requests) inits += r.path == "/vod/init.mp4";
  EXPECT_EQ(inits, 1);  // read once for both segments
}

TEST(HlsSession, FailedSegmentIsRetriedThenSkippedWithADiscontinuity) {
  World world;
  Producer producer;
  producer.start_ms = world.now - 6 * kSegmentMs;  // 0..5 listed, start at 3
  producer.fail_times[4] = 1;                       // fails once: the retry has it
  producer.fail_times[7] = 5;                       // fails for good: skipped
  Serve(world, producer);
  world.stop_at = world.now + 20000;
  Heard heard = Play(world, "http://cdn.test/live/index.m3u8");
  ASSERT_EQ(heard.open_error, kErrorOk);
  std::vector<uint64_t> segments = SegmentsOf(heard.audio);
  std::vector<uint64_t> expected = {3, 4, 5, 6};
  for (uint64_t n = 8; n < 8 + segments.size() - 4; ++n) expected.push_back(n);
  EXPECT_EQ(segments, expected);
  const size_t segment_bytes = kFrameBytes * kFramesPerSegment;
  EXPECT_EQ(heard.joins, std::vector<size_t>{4 * segment_bytes});
  int tries = 0;
  for (const Request& r : world.requests) tries += r.path == "/live/seg7.ts";
  EXPECT_EQ(tries, 2);
}

TEST(HlsSession, BrokenSegmentResumesWhereItBrokeOff) {
  for (bool range : {true, false}) {
    World world;
    Producer producer;
    producer.start_ms = world.now - 6 * kSegmentMs;
    producer.cut_at[4] = 1500;  // mid-packet
    producer.honour_range = range;
    Serve(world, producer);
    world.stop_at = world.now + 8000;
    Heard heard = Play(world, "http://cdn.test/live/index.m3u8");
    ASSERT_EQ(heard.open_error, kErrorOk);
    std::vector<uint64_t> segments = SegmentsOf(heard.audio);
    ASSERT_GE(segments.size(), 4u);
    EXPECT_EQ(segments, Range(3, 3 + segments.size() - 1)) << range;
    EXPECT_TRUE(heard.joins.empty()) << range;
    bool asked = false;
    for (const Request& r : world.requests) asked = asked || r.text.find("Range: bytes=1500-") != std::string::npos;
    EXPECT_TRUE(asked);
  }
}

TEST(HlsSession, ExpiredSegmentsAreLeftOutWithADiscontinuity) {
  World world;
  Producer producer;
  producer.start_ms = world.now - 6 * kSegmentMs;
  producer.window = 3;
  Serve(world, producer);
  // Every segment answer takes 3 s to begin: the list moves on faster than we fetch.
  auto serve = world.handlers["cdn.test:80"];
  world.handlers["cdn.test:80"] = [&world, serve](const std::string& path, uint64_t range) {
    if (path.find("seg") != std::string::npos) world.now += 3000;
    return serve(path, range);
  };
  world.stop_at = world.now + 40000;
  Heard heard = Play(world, "http://cdn.test/live/index.m3u8");
  ASSERT_EQ(heard.open_error, kErrorOk);
  std::vector<uint64_t> segments = SegmentsOf(heard.audio);
  ASSERT_GE(segments.size(), 5u);
  // Increasing, with the gaps exactly where a discontinuity was reported.
  const size_t segment_bytes = kFrameBytes * kFramesPerSegment;
  std::vector<size_t> gaps;
  for (size_t i = 1; i < segments.size(); ++i) {
    ASSERT_GT(segments[i], segments[i - 1]) << i;
    if (segments[i] != segments[i - 1] + 1) gaps.push_back(i * segment_bytes);
  }
  EXPECT_FALSE(gaps.empty());
  EXPECT_EQ(heard.joins, gaps);
}

TEST(HlsSession, PlaylistOutageIsBridgedAndALongOneEndsTheStream) {
  {
    World world;
    Producer producer;
    producer.start_ms = world.now - 6 * kSegmentMs;
    Serve(world, producer);
    Heard heard;
    // Down for 5 s from 6 s in (the server gone: refused): the list still
    // holds what came meanwhile.
    world.stop_at = world.now + 30000;
    world.down_from = world.now + 6000;
    world.down_until = world.down_from + 5000;
    heard = Play(world, "http://cdn.test/live/index.m3u8");
    ASSERT_EQ(heard.open_error, kErrorOk);
    std::vector<uint64_t> segments = SegmentsOf(heard.audio);
    ASSERT_GE(segments.size(), 12u);
    EXPECT_EQ(segments, Range(3, 3 + segments.size() - 1));
    EXPECT_TRUE(heard.joins.empty());
    EXPECT_GE(world.connections.size(), 3u);  // a new connection after the outage
  }
  {
    World world;
    Producer producer;
    producer.start_ms = world.now - 6 * kSegmentMs;
    Serve(world, producer);
    const uint64_t down_from = world.now + 5000;
    world.down_from = down_from;
    world.down_until = ~0ull;
    world.stop_at = world.now + 120000;
    Heard heard = Play(world, "http://cdn.test/live/index.m3u8");
    ASSERT_EQ(heard.open_error, kErrorOk);
    EXPECT_EQ(heard.last, StreamSession::Next::kEnd);
    // The reconnection time (30 s) after the first failed reload, give or take a back-off step.
    EXPECT_GE(heard.ended_at, down_from + 30000 - 5000);
    EXPECT_LE(heard.ended_at, down_from + 30000 + 5000);
  }
}

TEST(HlsSession, ServerClosingKeptConnectionsAndChunkedAnswers) {
  World world;
  world.close_idle = true;  // every answer's connection is closed after it
  Producer producer;
  producer.start_ms = world.now - 6 * kSegmentMs;
  auto chunked = [&world, &producer](const std::string& path, uint64_t range) {
    Answer a = producer.Serve(world, path, range);
    a.chunked = true;
    return a;
  };
  world.handlers["cdn.test:80"] = chunked;
  world.stop_at = world.now + 10000;
  Heard heard = Play(world, "http://cdn.test/live/index.m3u8");
  ASSERT_EQ(heard.open_error, kErrorOk);
  std::vector<uint64_t> segments = SegmentsOf(heard.audio);
  ASSERT_GE(segments.size(), 5u);
  EXPECT_EQ(segments, Range(3, 3 + segments.size() - 1));
  EXPECT_TRUE(heard.joins.empty());
}

TEST(HlsSession, KeptConnectionsAreThoseOfTheLastFourHostsUsed) {
  // The playlist's host and segments spread over `edges` other hosts in turn.
  for (uint64_t edges : {3, 4}) {
    World world;
    Producer producer;
    producer.start_ms = world.now - 6 * kSegmentMs;
    producer.where = [edges](uint64_t n) { return "http://edge" + std::to_string(n % edges) + ".test/live/"; };
    Serve(world, producer);
    for (uint64_t e = 0; e < edges; ++e) Serve(world, producer, "edge" + std::to_string(e) + ".test:80");
    world.stop_at = world.now + 30000;
    Heard heard = Play(world, "http://cdn.test/live/index.m3u8");
    ASSERT_EQ(heard.open_error, kErrorOk);
    std::vector<uint64_t> segments = SegmentsOf(heard.audio);
    ASSERT_GE(segments.size(), 15u);
    EXPECT_EQ(segments, Range(3, 3 + segments.size() - 1)) << edges;
    if (edges == 3) {
      // Four hosts: each keeps its one connection (and the opening request had its own).
      EXPECT_EQ(world.connections.size(), 1 + 1 + edges);
    } else {
      EXPECT_GT(world.connections.size(), 1 + 1 + edges);
      EXPECT_LE(world.most_open, 4u);
    }
  }
}

TEST(HlsSession, PlaylistThatComesAByteAtATimeIsGivenUpInTime) {
  World world;
  Producer producer;
  producer.start_ms = world.now - 6 * kSegmentMs;
  Serve(world, producer);
  // From 6 s in, the playlist's bytes come a second apart: every read in time.
  const uint64_t drip_from = world.now + 6000;
  world.handlers["cdn.test:80"] = [&world, &producer, drip_from](const std::string& path, uint64_t range) {
    Answer a = producer.Serve(world, path, range);
    if (path.find(".m3u8") != std::string::npos && world.now >= drip_from) a.drip_ms = 1000;
    return a;
  };
  world.stop_at = world.now + 300000;
  Heard heard = Play(world, "http://cdn.test/live/index.m3u8");
  ASSERT_EQ(heard.open_error, kErrorOk);
  EXPECT_EQ(heard.last, StreamSession::Next::kEnd);
  // Each dripping load is given 15 s, then tried again after a short wait,
  // until the reconnection time (30 s) is over.
  std::vector<uint64_t> dripping;
  for (const Request& r : PlaylistRequests(world)) {
    if (r.at_ms >= drip_from) dripping.push_back(r.at_ms);
  }
  ASSERT_EQ(dripping.size(), 2u);
  EXPECT_GE(dripping[1] - dripping[0], 15000u);
  EXPECT_LE(dripping[1] - dripping[0], 15000u + 1100u);
  EXPECT_LE(heard.ended_at, dripping[1] + 15000u + 100u);
}

TEST(HlsSession, Aes128SegmentsPlayWithEachKeyFetchedOnce) {
  // Segments 0-2 under one key with the IV written out, 3-5 under a key on
  // another host with the IV from the sequence number; segment 4 breaks
  // inside a block and is resumed, so the chaining must go on across requests.
  const AesBlock iv = *HlsIv("0x00112233445566778899aabbccddeeff", 0);
  World world;
  Producer producer;
  producer.ended = true;
  producer.window = 6;
  producer.tags = [](uint64_t n) -> std::string {
    if (n == 0) return "#EXT-X-KEY:METHOD=AES-128,URI=\"keys/a.key\",IV=0x00112233445566778899aabbccddeeff\n";
    if (n == 3) return "#EXT-X-KEY:METHOD=AES-128,URI=\"https://keys.test/b\"\n";
    return "";
  };
  producer.segment = [iv](uint64_t n) {
    return n < 3 ? toy::EncryptCbc(toy::Key(1), iv, TsSegment(n)) : toy::EncryptCbc(toy::Key(2), *HlsIv("", n), TsSegment(n));
  };
  producer.cut_at[4] = 1500;
  Serve(world, producer);
  auto serve = world.handlers["cdn.test:80"];
  world.handlers["cdn.test:80"] = [serve](const std::string& path, uint64_t range) {
    if (path != "/vod/keys/a.key") return serve(path, range);
    Answer a;
    a.type = "application/octet-stream";
    a.body = toy::KeyText(toy::Key(1));
    return a;
  };
  world.handlers["keys.test:443"] = [](const std::string& path, uint64_t) {
    Answer a;
    a.status = path == "/b" ? 200 : 404;
    a.body = toy::KeyText(toy::Key(2));
    return a;
  };
  Heard heard = Play(world, "http://cdn.test/vod/index.m3u8");
  ASSERT_EQ(heard.open_error, kErrorOk);
  EXPECT_EQ(heard.last, StreamSession::Next::kEnd);
  EXPECT_EQ(SegmentsOf(heard.audio), Range(0, 5));
  EXPECT_TRUE(heard.joins.empty());
  int key_loads = 0;
  for (const Request& r : world.requests) key_loads += r.path == "/vod/keys/a.key" || r.path == "/b";
  EXPECT_EQ(key_loads, 2);
  EXPECT_EQ(world.ciphers_made, 2);

  // Keys that cannot be used: the stream does not open.
  for (const std::string& key : {std::string(15, 'k'), std::string()}) {
    World bad;
    bad.handlers["cdn.test:80"] = [&key](const std::string& path, uint64_t) {
      Answer a;
      if (path.find(".m3u8") != std::string::npos) {
        a.body = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\"\n#EXTINF:2,\nseg0.ts\n"
                 "#EXT-X-ENDLIST\n";
      } else if (path == "/live/k") {
        a.body = key;
      } else {
        a.body = toy::EncryptCbc(toy::Key(1), *HlsIv("", 0), TsSegment(0));
      }
      return a;
    };
    EXPECT_EQ(Play(bad, "http://cdn.test/live/index.m3u8").open_error, kErrorFormat) << key.size();
  }
}

TEST(HlsSession, AddressesOfTheProgramsOwnListenerAreNeverAsked) {
  // Each playlist names the own port on the loopback address once, as a
  // segment, key, map or redirect target; the last one names another port.
  const struct {
    const char* name;
    std::string tags;
    std::string segment;
    bool plays;
  } cases[] = {
      {"segment", "", "http://127.0.0.1:47471/seg0.ts", false},
      {"key", "#EXT-X-KEY:METHOD=AES-128,URI=\"http://localhost:47471/k\"\n", "seg0.ts", false},
      {"map", "#EXT-X-MAP:URI=\"http://[::1]:47471/init.mp4\"\n", "seg0.ts", false},
      {"redirect", "", "go0.ts", false},
      {"another port", "", "http://127.0.0.1:47472/seg0.ts", true},
  };
  for (const auto& c : cases) {
    World world;
    world.handlers["cdn.test:80"] = [&c](const std::string& path, uint64_t) {
      Answer a;
      if (path.find(".m3u8") != std::string::npos) {
        a.body = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n" + c.tags + "#EXTINF:2,\n" + c.segment + "\n#EXT-X-ENDLIST\n";
      } else if (path == "/live/go0.ts") {
        a.status = 302;
        a.location = "http://127.1:47471/seg0.ts";
      } else {
        a.body = TsSegment(0);
      }
      return a;
    };
    // What the own listener would answer: a stream that plays.
    for (const char* host : {"127.0.0.1:47471", "localhost:47471", "::1:47471", "127.1:47471", "127.0.0.1:47472"}) {
      world.handlers[host] = [](const std::string& path, uint64_t) {
        Answer a;
        a.body = path == "/k" ? toy::KeyText(toy::Key(1)) : TsSegment(0);
        return a;
      };
    }
    Heard heard = Play(world, "http://cdn.test/live/index.m3u8");
    EXPECT_EQ(heard.open_error == kErrorOk, c.plays) << c.name;
    for (const Request& r : world.requests) EXPECT_EQ(r.host.find(":47471"), std::string::npos) << c.name;
  }
}

TEST(HlsSession, OpeningFailures) {
  const struct {
    const char* name;
    std::string playlist;
    int error;
  } cases[] = {
      {"no variant we decode",
       "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1,CODECS=\"ec-3\"\nhttp://cdn.test/a/index.m3u8\n", kErrorCodec},
      {"a bad target duration", "#EXTM3U\n#EXT-X-TARGETDURATION:x\n#EXTINF:2,\nseg0.ts\n", kErrorFormat},
      {"encrypted segments",
       "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"k\"\n#EXTINF:2,\nseg0.ts\n#EXT-X-ENDLIST\n",
       kErrorFormat},
      {"segments that never come", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\nmissing0.ts\n#EXT-X-ENDLIST\n",
       kErrorHttp},
  };
  for (const auto& c : cases) {
    World world;
    world.handlers["cdn.test:80"] = [&c](const std::string& path, uint64_t) {
      Answer a;
      if (path.find(".m3u8") != std::string::npos) {
        a.body = c.playlist;
      } else if (path.find("/seg") != std::string::npos) {
        a.body = TsSegment(0);
      } else {
        a.status = 404;
      }
      return a;
    };
    world.stop_at = world.now + 60000;
    Heard heard = Play(world, "http://cdn.test/live/index.m3u8");
    EXPECT_EQ(heard.open_error, c.error) << c.name;
  }
}

}  // namespace
