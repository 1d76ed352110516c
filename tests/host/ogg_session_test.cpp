// Ogg streams through the connection policy and into the Vorbis decoder, over a
// scripted network: which codecs open and which fail at once, and a reconnection
// that joins the same logical stream or goes on with a new one.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/api/engine.h"
#include "engine/codecs/decoder_vorbis.h"
#include "engine/session/stream_session.h"

namespace {

std::string Fixture(const char* name) {
  std::ifstream in(std::string(VOLNAR_FIXTURES) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Where each page of an Ogg file starts.
std::vector<size_t> PageStarts(const std::string& f) {
  std::vector<size_t> starts;
  for (size_t at = 0; at + kOggHeaderBytes <= f.size();) {
    starts.push_back(at);
    const auto* p = reinterpret_cast<const uint8_t*>(f.data() + at);
    size_t len = kOggHeaderBytes + p[26];
    for (size_t i = 0; i < p[26]; ++i) len += p[kOggHeaderBytes + i];
    at += len;
  }
  return starts;
}

struct Script {
  std::string answer;
  bool reset_at_end = true;  // false: the server stalls after its bytes
};

class ScriptedNetwork;

class ScriptedConnection : public Connection {
 public:
  ScriptedConnection(ScriptedNetwork& net, Script s) : net_(net), script_(std::move(s)) {}
  int Send(std::string_view, uint32_t) override { return kErrorOk; }
  int Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) override;

 private:
  ScriptedNetwork& net_;
  Script script_;
  size_t at_ = 0;
};

class ScriptedNetwork : public Network {
 public:
  int Connect(const std::string&, uint16_t, uint32_t, std::unique_ptr<Connection>& out) override {
    if (script.empty()) return kErrorNoConnection;
    out = std::make_unique<ScriptedConnection>(*this, std::move(script.front()));
    script.pop_front();
    return kErrorOk;
  }
  int StartTls(const std::string&, uint32_t, std::unique_ptr<Connection>&) override { return kErrorOk; }
  uint64_t NowMs() override { return now; }
  bool Sleep(uint32_t ms) override {
    now += ms;
    return true;
  }
  bool Cancelled() override { return false; }
  std::deque<Script> script;
  uint64_t now = 1000;
  uint64_t stalled_ms = 0;
};

int ScriptedConnection::Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) {
  got = std::min<size_t>({size, 1000, script_.answer.size() - at_});
  if (got) {
    std::memcpy(buffer, script_.answer.data() + at_, got);
    at_ += got;
    net_.now += 1;
    return kErrorOk;
  }
  if (script_.reset_at_end) return kErrorNoConnection;
  net_.now += timeout_ms;
  net_.stalled_ms += timeout_ms;
  return kErrorTimeout;
}

std::string Head(const char* type) {
  return std::string("HTTP/1.0 200 OK\r\nContent-Type: ") + type + "\r\nicy-name:Ogg Test\r\n\r\n";
}

bool Decodes(AudioCodec c) { return c == AudioCodec::kMp3 || c == AudioCodec::kVorbis; }

int OpenOnly(std::deque<Script> script, AudioCodec* codec = nullptr, ScriptedNetwork* out_net = nullptr) {
  ScriptedNetwork net;
  net.script = std::move(script);
  StreamSession session(net, NetOptions(), Decodes);
  const int error = session.Open("http://radio.test/ogg", 0, nullptr);
  if (codec) *codec = session.format().codec;
  if (out_net) out_net->stalled_ms = net.stalled_ms;
  return error;
}

TEST(OggSession, VorbisOpensAndOpusOrFlacFailAtOnceWithTheCodecError) {
  const std::string vorbis = Fixture("tone550-44k-q0.ogg");
  AudioCodec codec = AudioCodec::kUnknown;
  // Junk before the first page (a cut page) is dropped by the probe.
  EXPECT_EQ(OpenOnly({{Head("application/ogg") + "junk" + vorbis, false}}, &codec), kErrorOk);
  EXPECT_EQ(codec, AudioCodec::kVorbis);
  // Without a content type, or with a wrong one: found by its pages.
  EXPECT_EQ(OpenOnly({{Head("audio/mpeg") + vorbis, false}}, &codec), kErrorOk);
  EXPECT_EQ(codec, AudioCodec::kVorbis);

  // An Opus stream's first page: recognised while opening, before any more
  // bytes are waited for (the server then stalls).
  std::string opus_page = vorbis.substr(0, 58);
  const std::string opus_head = std::string("OpusHead\x01\x02\x38\x01\x80\xbb\x00\x00\x00\x00\x00", 19);
  {
    std::vector<uint8_t> p = {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 19};
    p.insert(p.end(), opus_head.begin(), opus_head.end());
    const uint32_t crc = OggCrc(p);
    for (int i = 0; i < 4; ++i) p[22 + i] = uint8_t(crc >> (8 * i));
    opus_page.assign(p.begin(), p.end());
  }
  ScriptedNetwork stalls;
  EXPECT_EQ(OpenOnly({{Head("audio/ogg") + opus_page, false}}, &codec, &stalls), kErrorCodec);
  EXPECT_EQ(stalls.stalled_ms, 0u);
  EXPECT_EQ(OpenOnly({{Head("audio/flac") + std::string(3000, '\x11'), false}}, &codec, &stalls), kErrorCodec);
  EXPECT_EQ(stalls.stalled_ms, 0u);
  EXPECT_EQ(OpenOnly({{Head("application/octet-stream") + "fLaC" + std::string(3000, '\0'), false}}, &codec),
            kErrorCodec);
}

// Downloads everything a session gives, with its joins, then decodes it.
struct Played {
  std::string audio;
  std::vector<size_t> joins;
  std::vector<int16_t> pcm;
  uint64_t streams = 0;
};

class JoinedInput : public CompressedInput {
 public:
  explicit JoinedInput(const Played& p) : p_(p) {}
  size_t Read(uint8_t* dst, size_t size) override {
    size_t end = p_.audio.size();
    for (size_t j : p_.joins) {
      if (j > at_) {
        end = std::min(end, j);
        break;
      }
    }
    const size_t n = std::min(size, end - at_);
    std::memcpy(dst, p_.audio.data() + at_, n);
    at_ += n;
    return n;
  }
  bool TakeDiscontinuity() override {
    if (next_join_ < p_.joins.size() && p_.joins[next_join_] == at_) {
      ++next_join_;
      return true;
    }
    return false;
  }

 private:
  const Played& p_;
  size_t at_ = 0;
  size_t next_join_ = 0;
};

// 22050 Hz to 44100 Hz by doubling each frame: enough to count what is heard.
struct DoublingConverter : RateConverter {
  bool Configure(uint32_t in_rate, uint32_t out_rate) override { return in_rate * 2 == out_rate; }
  bool Convert(const int16_t* stereo, size_t frames, std::vector<int16_t>& out) override {
    for (size_t i = 0; i < frames; ++i) out.insert(out.end(), {stereo[2 * i], stereo[2 * i + 1], stereo[2 * i], stereo[2 * i + 1]});
    return true;
  }
};

void Decode(Played& played) {
  JoinedInput input(played);
  VorbisDecoder decoder(input, std::make_unique<DoublingConverter>(), 44100);
  int16_t buf[2048];
  for (size_t n; (n = decoder.Render(buf, 1024)) > 0;) played.pcm.insert(played.pcm.end(), buf, buf + 2 * n);
  played.streams = decoder.StreamsOpened();
}

Played Play(std::deque<Script> script) {
  ScriptedNetwork net;
  net.script = std::move(script);
  NetOptions options;
  options.reconnect_ms = 5000;
  StreamSession session(net, options, Decodes);
  Played played;
  if (session.Open("http://radio.test/ogg", 0, nullptr) != kErrorOk) return played;
  std::vector<uint8_t> first = session.TakeAudio();
  played.audio.assign(first.begin(), first.end());
  std::vector<uint8_t> audio;
  for (int guard = 0; guard < 10000; ++guard) {
    audio.clear();
    bool discontinuity = false;
    if (session.Receive(audio, discontinuity, nullptr) != StreamSession::Next::kAudio) break;
    if (discontinuity) played.joins.push_back(played.audio.size());
    played.audio.append(audio.begin(), audio.end());
  }
  Decode(played);
  return played;
}

TEST(OggSession, AReconnectionToTheSameStreamJoinsWithoutRepeatingHeadersOrAudio) {
  const std::string file = Fixture("tone550-44k-q0.ogg");
  const std::vector<size_t> pages = PageStarts(file);
  ASSERT_EQ(pages.size(), 5u);
  // The first connection drops in the middle of the fourth page. The server
  // answers the reconnection as Icecast does: the stream's header pages again,
  // then a burst from the second audio page on (overlapping what was had).
  const std::string headers = file.substr(0, pages[2]);
  const size_t cut = pages[3] + 1000;
  Played p = Play({{Head("application/ogg") + file.substr(0, cut)},
                   {Head("application/ogg") + headers + file.substr(pages[2]), false}});
  EXPECT_EQ(p.audio, file);  // byte for byte: no repeat, no loss
  EXPECT_TRUE(p.joins.empty());
  EXPECT_EQ(p.streams, 1u);
  EXPECT_NEAR(double(p.pcm.size() / 2), 3 * 44100.0, 2048);
}

TEST(OggSession, AReconnectionThatStartsANewStreamPlaysOnWithIt) {
  const std::string a = Fixture("tone550-44k-q0.ogg");
  std::string b = Fixture("tone770-22k-mono.ogg");
  const std::vector<size_t> pages = PageStarts(a);
  // After the drop the source restarted: a new logical stream, nothing in
  // common with what was had.
  const size_t cut = pages[3] + 1000;
  Played p = Play({{Head("application/ogg") + a.substr(0, cut)}, {Head("application/ogg") + b, false}});
  ASSERT_EQ(p.joins.size(), 1u);
  EXPECT_EQ(p.audio, a.substr(0, cut) + b);
  EXPECT_EQ(p.streams, 2u);
  // Both streams heard: the first up to its last whole page before the cut,
  // then the two seconds of the second.
  Played first_part;
  first_part.audio = a.substr(0, cut);
  Decode(first_part);
  EXPECT_GT(first_part.pcm.size() / 2, 44100u);
  EXPECT_NEAR(double(p.pcm.size() / 2), double(first_part.pcm.size() / 2) + 2 * 44100.0, 2048);
}

}  // namespace
