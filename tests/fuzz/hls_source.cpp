// Fuzzes the HLS source against a scripted network on a simulated clock: the
// input is the first playlist, then one answer for each request in the order
// they come (status, chunked or not, closing, broken off, stalling, sent a
// byte at a time; a playlist, segment, key or redirect target as its body).
// Whatever the script, the source ends in bounded time, never holds more than
// four connections, never asks the program's own listener, and gives out
// audio in proportion to the bodies it read.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../host/toy_cipher.h"
#include "engine/api/engine.h"
#include "engine/formats/hls_source.h"
#include "engine/net/url.h"
#include "engine/session/stream_session.h"
#include "scripted_network.h"

namespace {

constexpr uint16_t kOwnPort = 47471;
constexpr std::string_view kSeparator = "\n%%\n";

struct Answer {
  uint8_t flags = 0;
  std::string body;
};

class Script;

class ScriptConnection final : public Connection {
 public:
  explicit ScriptConnection(Script& script);
  ~ScriptConnection() override;
  int Send(std::string_view data, uint32_t timeout_ms) override;
  int Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) override;

 private:
  Script& script_;
  std::string pending_;
  size_t head_left_ = 0;  // bytes of pending_ that are the answer's head
  bool closed_ = false;   // after pending_
  bool stall_ = false;    // one read times out after the head
  bool drip_ = false;     // the body a byte at a time
};

class Script final : public SimulatedClockNetwork {
 public:
  explicit Script(std::vector<Answer> answers) : answers_(std::move(answers)) {}

  int Connect(const std::string& host, uint16_t port, uint32_t timeout_ms, std::unique_ptr<Connection>& out) override {
    now += 3;
    if (port == kOwnPort && IsLoopbackHost(host)) __builtin_trap();
    if (next_ >= answers_.size()) {
      now += timeout_ms / 4;
      return kErrorNoConnection;
    }
    out = std::make_unique<ScriptConnection>(*this);
    if (++open > 4) __builtin_trap();
    return kErrorOk;
  }
  std::unique_ptr<BlockDecryptor> MakeAes128(const AesBlock& key) override {
    return std::make_unique<toy::Decryptor>(key);
  }

  const Answer* Take() { return next_ < answers_.size() ? &answers_[next_++] : nullptr; }

  uint64_t body_bytes = 0;  // every body byte sent

 private:
  std::vector<Answer> answers_;
  size_t next_ = 0;
};

ScriptConnection::ScriptConnection(Script& script) : script_(script) {}
ScriptConnection::~ScriptConnection() { --script_.open; }

int ScriptConnection::Send(std::string_view, uint32_t) {
  if (closed_) return kErrorNoConnection;
  const Answer* a = script_.Take();
  if (!a) return kErrorNoConnection;
  static const int kStatus[8] = {200, 200, 200, 206, 404, 302, 503, 200};
  const int status = kStatus[a->flags & 7];
  std::string head = "HTTP/1.1 " + std::to_string(status) + " X\r\n";
  std::string body = a->body;
  if (status == 302) {
    head += "Location: " + body + "\r\n";
    body.clear();
  }
  if (a->flags & 0x10) head += "Connection: close\r\n";
  std::string coded = body;
  if (a->flags & 0x08) {
    head += "Transfer-Encoding: chunked\r\n\r\n";
    coded.clear();
    for (size_t at = 0; at < body.size(); at += 700) {
      const std::string part = body.substr(at, 700);
      char line[16];
      std::snprintf(line, sizeof line, "%zx\r\n", part.size());
      coded += line + part + "\r\n";
    }
    coded += "0\r\n\r\n";
  } else {
    head += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  }
  // Broken off halfway through the body: the connection drops there.
  if (a->flags & 0x20) {
    coded.resize(coded.size() / 2);
    closed_ = true;
  }
  if (a->flags & 0x10) closed_ = true;
  stall_ = a->flags & 0x40;
  drip_ = a->flags & 0x80;
  script_.body_bytes += body.size();
  head_left_ = head.size();
  pending_ = head + coded;
  return kErrorOk;
}

int ScriptConnection::Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) {
  got = 0;
  if (pending_.empty()) {
    if (closed_) return kErrorOk;
    script_.now += timeout_ms;
    return kErrorTimeout;
  }
  if (head_left_ == 0 && stall_) {
    stall_ = false;
    script_.now += timeout_ms;
    return kErrorTimeout;
  }
  size = std::min({size, pending_.size(), size_t(1400)});
  if (head_left_ > 0) size = std::min(size, head_left_);
  if (head_left_ == 0 && drip_) {
    if (timeout_ms <= 1000) {
      script_.now += timeout_ms;
      return kErrorTimeout;
    }
    script_.now += 1000;
    size = 1;
  }
  script_.now += 2;
  got = size;
  std::memcpy(buffer, pending_.data(), got);
  pending_.erase(0, got);
  head_left_ -= std::min(head_left_, got);
  return kErrorOk;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> records;
  for (size_t at = 0;;) {
    const size_t end = input.find(kSeparator, at);
    records.push_back(input.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
    if (end == std::string_view::npos || records.size() > 200) break;
    at = end + kSeparator.size();
  }
  std::vector<Answer> answers;
  for (size_t i = 1; i < records.size(); ++i) {
    if (records[i].empty()) continue;
    answers.push_back({static_cast<uint8_t>(records[i][0]), std::string(records[i].substr(1))});
  }
  Script script(std::move(answers));
  NetOptions options;
  options.read_timeout_ms = 5000;
  options.connect_timeout_ms = 5000;
  options.reconnect_ms = 30000;
  options.own_port = kOwnPort;
  HlsSource source(script, options,
                   [&script](const Url& url, uint32_t timeout_ms, RequestOptions&, std::unique_ptr<Connection>& out) {
                     return script.Connect(url.host, url.port, timeout_ms, out);
                   });
  Url url;
  if (ParseUrl("http://cdn.test/live/index.m3u8", url) != kErrorOk) __builtin_trap();
  source.set_opening(true);
  if (source.Open(url, records[0]) != kErrorOk) return 0;
  uint64_t audio_bytes = 0;
  std::vector<uint8_t> audio;
  for (int step = 0;; ++step) {
    if (step > 100000) __builtin_trap();  // never ends
    if (step == 2) source.set_opening(false);
    audio.clear();
    bool discontinuity = false;
    const HlsSource::Result result = source.Next(audio, discontinuity, [](const std::string& meta) {
      if (meta.size() > 64 * 1024) __builtin_trap();
    });
    audio_bytes += audio.size();
    if (result != HlsSource::Result::kAudio) break;
  }
  // fMP4 samples gain a 7-byte ADTS header each; nothing else adds bytes.
  if (audio_bytes > 8 * (script.body_bytes + records[0].size()) + 4096) __builtin_trap();
  return 0;
}
