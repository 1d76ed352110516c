// Fuzzes the stream session against a scripted network on a simulated clock.
// The input is one option byte, then six bytes for each connection attempt in
// the order they come: the answer (ICY, HTTP/1.0, HTTP/1.1 chunked or with a
// length, a redirect, an error, a playlist, a refusal), whether it carries
// metadata blocks, how it ends (reset, close, silence, or a long pause
// halfway), whose audio it sends (the station's, resending some of what it
// sent before, or other audio), how much, in what pieces and at what pace.
// Whatever the script, the session ends by itself in bounded time with no
// connection left open, holds at most two connections at once, hands out no
// more audio than was served, and keeps its metadata texts to a block's size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/api/engine.h"
#include "engine/session/stream_session.h"
#include "scripted_network.h"

namespace {

constexpr size_t kRecordBytes = 6;
constexpr size_t kFrameBytes = 417;  // MPEG-1 layer III, 128 kbit/s, 44.1 kHz
constexpr size_t kMaxMetaBytes = 255 * 16;

// Audio made of frames whose payloads never repeat; tape 0 is the station's,
// tape 1 other audio (another programme after a reconnect).
uint8_t TapeByte(int tape, size_t pos) {
  static constexpr uint8_t kHeader[4] = {0xFF, 0xFB, 0x90, 0x00};
  const size_t off = pos % kFrameBytes;
  if (off < 4) return kHeader[off];
  uint64_t x = (uint64_t(pos) << 1 | uint64_t(tape)) * 0x9E3779B97F4A7C15ull;
  x ^= x >> 31;
  x *= 0xBF58476D1CE4E5B9ull;
  return uint8_t((x >> 40) & 0x7F);  // no 0xFF: no false frame starts
}

struct Record {
  uint8_t kind, source, pace, meta;
  size_t length;
};

class Script;

class ScriptConnection final : public Connection {
 public:
  ScriptConnection(Script& script, Record record) : script_(script), record_(record) {}
  ~ScriptConnection() override;
  int Send(std::string_view data, uint32_t timeout_ms) override;
  int Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) override;

 private:
  Script& script_;
  Record record_;
  std::string pending_;
  size_t at_ = 0, head_bytes_ = 0, piece_ = 1, pause_at_ = 0;
  uint64_t pace_ms_ = 0, due_ = 0;
};

class Script final : public SimulatedClockNetwork {
 public:
  explicit Script(std::vector<Record> records) : records_(std::move(records)) {
    // Each attempt may cost its pieces' pace, a pause, a read time-out, a
    // whole reconnection budget and its waits; past all that the session is stuck.
    uint64_t budget = 120000;
    for (const Record& r : records_) budget += 60000 + (r.length / 8 + 2) * 2500;
    limit = kStart + budget;
  }
  int Connect(const std::string&, uint16_t, uint32_t timeout_ms, std::unique_ptr<Connection>& out) override {
    now += 3;
    if (next_ >= records_.size() || (records_[next_].kind & 7) == 7) {
      next_ += next_ < records_.size();
      now += timeout_ms / 4;
      return kErrorNoConnection;
    }
    out = std::make_unique<ScriptConnection>(*this, records_[next_++]);
    if (++open > 2) __builtin_trap();  // the current one and one beside it
    return kErrorOk;
  }

  uint64_t audio_served = 0;  // audio bytes put in bodies
  size_t station_at = 0;      // where the station's audio has got to

 private:
  std::vector<Record> records_;
  size_t next_ = 0;
};

ScriptConnection::~ScriptConnection() { --script_.open; }

int ScriptConnection::Send(std::string_view, uint32_t) {
  const Record& r = record_;
  const int kind = r.kind & 7;
  const bool meta = r.kind & 0x08;
  const uint32_t metaint = 16 + uint32_t(r.meta) * 24;
  std::string head, body;
  if (kind == 4) {
    static const char* const kTargets[4] = {"http://other.test/live", "/moved", "https://secure.test/s",
                                            "http://radio.test:8000/live"};
    head = "HTTP/1.1 302 Found\r\nLocation: " + std::string(kTargets[r.source & 3]) + "\r\nContent-Length: 0\r\n";
  } else if (kind == 5) {
    head = (r.source & 1) ? "HTTP/1.1 503 Busy\r\n" : "HTTP/1.0 404 Not Found\r\n";
  } else if (kind == 6) {
    const bool pls = r.source & 1;
    body = pls ? "[playlist]\nNumberOfEntries=2\nFile1=http://relay.test/a\nFile2=http://relay2.test:8080/b\n"
               : "http://relay.test/a\nhttp://relay2.test:8080/b\n";
    head = "HTTP/1.0 200 OK\r\nContent-Type: " + std::string(pls ? "audio/x-scpls" : "audio/x-mpegurl") +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
  } else {
    // The station resends some of what it sent before (a burst), or other audio comes.
    const int tape = r.source >> 7;
    size_t start = size_t(r.source & 0x7F) * 256;
    if (tape == 0) start = script_.station_at - std::min(start, script_.station_at);
    std::string audio(r.length, '\0');
    for (size_t i = 0; i < r.length; ++i) audio[i] = char(TapeByte(tape, start + i));
    if (tape == 0) script_.station_at = std::max(script_.station_at, start + r.length);
    script_.audio_served += audio.size();
    const char* type = (r.kind & 0x80) ? "audio/aacp" : (r.kind & 0x10) ? nullptr : "audio/mpeg";
    head = kind == 0 ? "ICY 200 OK\r\nicy-name:Test\r\nicy-br:128\r\n"
                     : kind == 1 ? "HTTP/1.0 200 OK\r\n" : "HTTP/1.1 200 OK\r\n";
    if (type) head += std::string(kind == 0 ? "content-type:" : "Content-Type: ") + type + "\r\n";
    if (meta) head += "icy-metaint:" + std::to_string(metaint) + "\r\n";
    body.reserve(audio.size() + 32 * 1024);
    size_t texts = 0;  // metadata bytes in this answer
    for (size_t i = 0; i < audio.size(); i += metaint) {
      body.append(audio, i, meta ? metaint : std::string::npos);
      if (!meta || i + metaint > audio.size()) break;
      // Blocks of every size, empty now and then, the same text often (which
      // is not handed out again); past 16 KiB of text in an answer, only
      // empty ones.
      const size_t n = i / metaint;
      const size_t blocks = (r.meta + n * 37) % 7 == 0 || texts > 16384 ? 0 : (r.meta * 13 + n) % 256;
      texts += blocks * 16;
      std::string text = "StreamTitle='" + std::to_string(n % 3) + "';";
      text.resize(blocks * 16, (n & 1) ? '\0' : 'x');
      body += char(blocks);
      body += text;
    }
    if (kind == 2) {
      head += "Transfer-Encoding: chunked\r\n";
      std::string coded;
      coded.reserve(body.size() + body.size() / 64 + 16);
      for (size_t at = 0; at < body.size(); at += 700) {
        char line[16];
        std::snprintf(line, sizeof line, "%zx\r\n", std::min<size_t>(700, body.size() - at));
        coded.append(line).append(body, at, 700).append("\r\n");
      }
      body = coded + "0\r\n\r\n";
    } else if (kind == 3) {
      head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
  }
  head += "\r\n";
  static constexpr size_t kPieces[16] = {1400, 1, 7, 64, 300, 417, 700, 1000,
                                         1500, 2150, 3000, 4096, 8192, 16384, 100, 2048};
  static constexpr uint64_t kPaceMs[16] = {1, 0, 2, 5, 20, 50, 100, 200, 400, 600, 1000, 1500, 1900, 2100, 2500, 3};
  // At most a few hundred pieces an answer: each run stays short.
  piece_ = std::max(kPieces[r.pace & 15], body.size() / 256 + 1);
  pace_ms_ = kPaceMs[r.pace >> 4];
  pause_at_ = (r.kind & 0x60) == 0x60 ? head.size() + body.size() / 2 : SIZE_MAX;
  head_bytes_ = head.size();
  pending_ = std::move(head);
  pending_ += body;
  return kErrorOk;
}

int ScriptConnection::Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) {
  got = 0;
  if (at_ < pending_.size()) {
    // A piece not due within the wait: the wait times out.
    if (!due_) due_ = script_.now + (at_ < head_bytes_ ? 1 : pace_ms_) + (at_ >= pause_at_ ? 3000 : 0);
    if (at_ >= pause_at_) pause_at_ = SIZE_MAX;
    if (due_ > script_.now + timeout_ms) {
      script_.now += timeout_ms;
      return kErrorTimeout;
    }
    script_.now = std::max(script_.now, due_);
    due_ = 0;
    const size_t limit = at_ < head_bytes_ ? head_bytes_ - at_ + piece_ : piece_;
    got = std::min({size, limit, pending_.size() - at_});
    std::memcpy(buffer, pending_.data() + at_, got);
    at_ += got;
    return kErrorOk;
  }
  switch ((record_.kind >> 5) & 3) {
    case 0: return kErrorNoConnection;  // reset
    case 1: return kErrorOk;            // closed
    default: script_.now += timeout_ms; return kErrorTimeout;  // silent
  }
}

void CheckMeta(const std::string& text) {
  if (text.size() > kMaxMetaBytes) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::vector<Record> records;
  for (size_t at = 1; at + kRecordBytes <= size && records.size() < 32; at += kRecordBytes) {
    const uint8_t* r = data + at;
    records.push_back({r[0], r[1], r[4], r[5], size_t(r[2] | (r[3] & 0x3F) << 8)});  // up to 16 KiB
  }
  Script script(std::move(records));
  NetOptions options;
  options.read_timeout_ms = 5000;
  options.connect_timeout_ms = 5000;
  options.reconnect_ms = 30000;
  options.resolve_playlists = data[0] & 1;
  uint64_t handed = 0, repeated = 0;
  {
    StreamSession session(script, options, [](AudioCodec c) { return c == AudioCodec::kMp3 || c == AudioCodec::kAac; });
    static const char* const kAddresses[4] = {"http://radio.test/live", "http://radio.test/list.pls",
                                              "https://radio.test/list.m3u", "http://radio.test:8000/"};
    if (session.Open(kAddresses[(data[0] >> 1) & 3], 0, nullptr) == kErrorOk) {
      CheckMeta(session.first_meta());
      handed += session.TakeAudio().size();
      std::vector<uint8_t> audio;
      for (uint64_t step = 0;; ++step) {
        // Each step but the last hands out a byte at least.
        if (step > script.audio_served + 2) __builtin_trap();
        audio.clear();
        bool discontinuity = false;
        const StreamSession::Next next = session.Receive(audio, discontinuity, CheckMeta);
        handed += audio.size();
        if (next != StreamSession::Next::kAudio) {
          // Closed only by the clock's limit: the session did not end by itself.
          if (next == StreamSession::Next::kClosed || script.Cancelled()) __builtin_trap();
          break;
        }
        if (audio.empty()) __builtin_trap();
      }
      if (script.open != 0) __builtin_trap();  // ended, yet a connection is kept
      repeated = session.repeated_bytes();
    }
  }
  if (script.open != 0) __builtin_trap();
  // Audio is passed on or dropped as already heard, never made up.
  if (handed + repeated > script.audio_served) __builtin_trap();
  return 0;
}
