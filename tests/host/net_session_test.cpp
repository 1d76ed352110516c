// A stream's connection policy against a scripted network: what is asked of
// the server, what reaches the download buffer, and how drops, refusals,
// stalls and closes during a back-off are handled.
#include "engine/session/stream_session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "engine/api/engine.h"
#include "ts_builder.h"

namespace {

// ---- A station's audio: MP3 frames whose payloads never repeat ----

constexpr size_t kFrameBytes = 417;  // MPEG-1 layer III, 128 kbit/s, 44.1 kHz, no padding

std::string Frames(int first, int count) {
  std::string out;
  for (int i = first; i < first + count; ++i) {
    out += std::string("\xFF\xFB\x90\x00", 4);
    uint64_t x = uint64_t(i) * 0x9E3779B97F4A7C15ull + 7;
    for (size_t j = 4; j < kFrameBytes; ++j) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      out += char((x >> 24) & 0x7F);  // no 0xFF: no false frame starts
    }
  }
  return out;
}

// One scripted connection attempt.
struct Attempt {
  int connect_error = kErrorOk;  // kErrorNoConnection: refused
  std::string answer;            // everything the server sends
  size_t chunk = 1500;           // bytes per receive
  uint64_t ms_per_chunk = 1;     // how long each takes to arrive
  std::vector<uint64_t> pauses_ms;  // or this, piece by piece (the last one repeats)
  enum class End { kClose, kReset, kStall } end = End::kClose;
  int tls_error = kErrorOk;
};

class FakeNetwork;

class FakeConnection : public Connection {
 public:
  FakeConnection(FakeNetwork& net, Attempt attempt, size_t number)
      : net_(net), attempt_(std::move(attempt)), number_(number) {}
  ~FakeConnection() override;
  int Send(std::string_view data, uint32_t) override;
  int Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) override;

 private:
  FakeNetwork& net_;
  Attempt attempt_;
  size_t number_;  // the how-manieth connection made (0 = the first)
  size_t at_ = 0;
  uint64_t due_ = 0;  // when the next piece arrives, once a wait for it began
  size_t chunks_ = 0;  // pieces sent
};

class FakeNetwork : public Network {
 public:
  int Connect(const std::string& host, uint16_t port, uint32_t, std::unique_ptr<Connection>& out) override {
    hosts.push_back(host + ":" + std::to_string(port));
    if (script.empty()) return kErrorNoConnection;
    Attempt a = std::move(script.front());
    script.pop_front();
    if (a.connect_error != kErrorOk) return a.connect_error;
    tls_next = a.tls_error;
    connected_at.push_back(now);
    closed_at.push_back(0);
    last_data_at.push_back(0);
    out = std::make_unique<FakeConnection>(*this, std::move(a), connected_at.size() - 1);
    return kErrorOk;
  }
  int StartTls(const std::string& host, uint32_t, std::unique_ptr<Connection>&) override {
    tls_hosts.push_back(host);
    return tls_next;
  }
  uint64_t NowMs() override { return now; }
  bool Sleep(uint32_t ms) override {
    sleeps.push_back(ms);
    now += ms;
    if (int(sleeps.size()) == cancel_at_sleep) cancelled = true;
    return !cancelled;
  }
  bool Cancelled() override { return cancelled; }

  std::deque<Attempt> script;
  std::vector<std::string> hosts, tls_hosts, requests;
  std::vector<uint32_t> sleeps;
  // Per connection made: when it was made, when it was closed (0: still
  // open), when its last byte was received.
  std::vector<uint64_t> connected_at, closed_at, last_data_at;
  uint64_t now = 1000;
  int cancel_at_sleep = -1;
  bool cancelled = false;
  int tls_next = kErrorOk;
};

FakeConnection::~FakeConnection() { net_.closed_at[number_] = net_.now; }

int FakeConnection::Send(std::string_view data, uint32_t) {
  net_.requests.emplace_back(data);
  return kErrorOk;
}

int FakeConnection::Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) {
  got = 0;
  if (at_ < attempt_.answer.size()) {
    const uint64_t pause = attempt_.pauses_ms.empty()
                               ? attempt_.ms_per_chunk
                               : attempt_.pauses_ms[std::min(chunks_, attempt_.pauses_ms.size() - 1)];
    // A piece that is not due within the wait: the wait times out.
    if (!due_) due_ = net_.now + pause;
    if (due_ > net_.now + timeout_ms) {
      net_.now += timeout_ms;
      return kErrorTimeout;
    }
    net_.now = due_;
    due_ = 0;
    got = std::min({size, attempt_.chunk, attempt_.answer.size() - at_});
    std::memcpy(buffer, attempt_.answer.data() + at_, got);
    at_ += got;
    ++chunks_;
    net_.last_data_at[number_] = net_.now;
    return kErrorOk;
  }
  switch (attempt_.end) {
    case Attempt::End::kClose: return kErrorOk;
    case Attempt::End::kReset: return kErrorNoConnection;
    case Attempt::End::kStall: net_.now += timeout_ms; return kErrorTimeout;
  }
  return kErrorUnknown;
}

const std::string kIcyHead = "ICY 200 OK\r\nicy-name:Test\r\ncontent-type:audio/mpeg\r\n\r\n";

Attempt Live(const std::string& audio, Attempt::End end = Attempt::End::kReset) {
  Attempt a;
  a.answer = kIcyHead + audio;
  a.end = end;
  return a;
}

Attempt Refused() {
  Attempt a;
  a.connect_error = kErrorNoConnection;
  return a;
}

NetOptions Options() {
  NetOptions o;
  o.read_timeout_ms = 5000;
  o.connect_timeout_ms = 5000;
  o.resolve_playlists = true;
  return o;
}

struct Heard {
  std::string audio;
  std::vector<size_t> joins;  // offsets in `audio` where a new run starts
  std::vector<std::string> meta;
  StreamSession::Next last = StreamSession::Next::kAudio;
  std::string name;  // own_name() once opened
};

// Opens `url` and downloads until the session ends for good or is closed.
Heard Play(FakeNetwork& net, const std::string& url = "http://radio.test/live", int* open_error = nullptr) {
  StreamSession session(net, Options(), [](AudioCodec c) { return c == AudioCodec::kMp3; });
  Heard heard;
  const int error = session.Open(url, 0, nullptr);
  if (open_error) *open_error = error;
  if (error != kErrorOk) return heard;
  if (!session.first_meta().empty()) heard.meta.push_back(session.first_meta());
  heard.name = session.own_name();
  std::vector<uint8_t> first = session.TakeAudio();
  heard.audio.assign(first.begin(), first.end());
  auto on_meta = [&heard](const std::string& text) { heard.meta.push_back(text); };
  std::vector<uint8_t> audio;
  for (int guard = 0; guard < 100000; ++guard) {
    audio.clear();
    bool discontinuity = false;
    heard.last = session.Receive(audio, discontinuity, on_meta);
    if (heard.last != StreamSession::Next::kAudio) break;
    if (discontinuity) heard.joins.push_back(heard.audio.size());
    heard.audio.append(audio.begin(), audio.end());
  }
  return heard;
}

TEST(ReconnectSchedule, BacksOffAndStopsWithinTheBudget) {
  const uint32_t expected[] = {200, 500, 1000, 2000, 4000, 4000, 4000};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(ReconnectDelayMs(i), expected[i]) << i;
  EXPECT_EQ(ReconnectDelayMs(100), 4000u);
  EXPECT_EQ(ReconnectDelayMs(-1), 200u);
}

TEST(StreamSession, ADropIsJoinedWithoutRepeatOrGapAfterEachKindOfOutage) {
  const std::string timeline = Frames(0, 400);
  const auto upto = [&](int frame) { return timeline.substr(0, size_t(frame) * kFrameBytes); };
  const auto from = [&](size_t byte) { return timeline.substr(byte); };
  const struct {
    const char* what;
    std::vector<Attempt> script;
    std::vector<uint32_t> sleeps;
  } cases[] = {
      {"reset, then a burst of the last 64 KiB from mid-frame",
       {Live(upto(200)), Live(from(200 * kFrameBytes - 65536 + 3), Attempt::End::kClose)},
       {200}},
      {"closed by the server, burst of a few frames",
       {Live(upto(100), Attempt::End::kClose), Live(from(97 * kFrameBytes + 100), Attempt::End::kClose)},
       {200}},
      {"stalled past the read time-out",
       {Live(upto(100), Attempt::End::kStall), Live(from(90 * kFrameBytes), Attempt::End::kClose)},
       {200}},
      {"refused three times first",
       {Live(upto(100)), Refused(), Refused(), Refused(), Live(from(60 * kFrameBytes + 17), Attempt::End::kClose)},
       {200, 500, 1000, 2000}},
      {"dropped mid-frame, burst with the frame's start",
       {Live(timeline.substr(0, 100 * kFrameBytes + 200)), Live(from(99 * kFrameBytes), Attempt::End::kClose)},
       {200}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeNetwork net;
    net.script.assign(c.script.begin(), c.script.end());
    const Heard heard = Play(net);
    EXPECT_EQ(heard.last, StreamSession::Next::kEnd);
    ASSERT_EQ(heard.audio.size(), timeline.size());
    EXPECT_TRUE(heard.audio == timeline) << "audio repeated or lost at the join";
    EXPECT_TRUE(heard.joins.empty());
    // The attempts after the last connection ended used up the budget.
    ASSERT_GE(net.sleeps.size(), c.sleeps.size());
    EXPECT_EQ(std::vector<uint32_t>(net.sleeps.begin(), net.sleeps.begin() + ptrdiff_t(c.sleeps.size())), c.sleeps);
  }
}

// A connection that goes silent without a reset or a close (a dead link):
// noticed after kStallMs, long before the read time-out; a new connection is
// made beside it, its burst joined, and the silent one closed once the new one
// has delivered.
TEST(StreamSession, AStallIsBridgedByAConnectionMadeBesideIt) {
  const std::string timeline = Frames(0, 400);
  const std::string before = timeline.substr(0, 200 * kFrameBytes);
  const std::string burst = timeline.substr(200 * kFrameBytes - 65536 + 3);
  const struct {
    const char* what;
    std::vector<Attempt> script;
    std::vector<uint64_t> tries;  // ms after the last byte of the stalled one that each new connection is tried
  } cases[] = {
      {"answered at once", {Live(before, Attempt::End::kStall), Live(burst, Attempt::End::kClose)}, {kStallMs}},
      {"refused twice first",
       {Live(before, Attempt::End::kStall), Refused(), Refused(), Live(burst, Attempt::End::kClose)},
       {kStallMs, kStallMs + 200, kStallMs + 700}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeNetwork net;
    net.script.assign(c.script.begin(), c.script.end());
    const Heard heard = Play(net);
    EXPECT_TRUE(heard.audio == timeline) << "audio repeated or lost at the join: " << heard.audio.size();
    EXPECT_TRUE(heard.joins.empty());
    // Refusals beside a stalled connection wait on it, not in a back-off.
    ASSERT_FALSE(net.sleeps.empty());  // the back-off after the last connection ended
    EXPECT_EQ(net.sleeps.front(), 200u);
    ASSERT_GE(net.hosts.size(), c.tries.size() + 1);
    const uint64_t stalled_at = net.last_data_at[0];
    ASSERT_GE(net.connected_at.size(), 2u);
    EXPECT_GE(net.connected_at[1], stalled_at + c.tries.back());
    EXPECT_LE(net.connected_at[1], stalled_at + c.tries.back() + 50);
    // Closed once the new connection delivered, not before it was made.
    EXPECT_GE(net.closed_at[0], net.connected_at[1]);
    EXPECT_LE(net.closed_at[0], net.last_data_at[1]);
  }
}

// Nothing answers beside the stalled connection: the read time-out still
// ends it, then the usual reconnection runs until its time limit.
TEST(StreamSession, AStallThatNeverEndsIsEndedByTheReadTimeOut) {
  FakeNetwork net;
  net.script = {Live(Frames(0, 100), Attempt::End::kStall)};  // every later attempt refused
  const Heard heard = Play(net);
  EXPECT_EQ(heard.last, StreamSession::Next::kEnd);
  EXPECT_TRUE(heard.audio == Frames(0, 100));
  ASSERT_EQ(net.closed_at.size(), 1u);
  const uint64_t silent = net.closed_at[0] - net.last_data_at[0];
  EXPECT_GE(silent, Options().read_timeout_ms);
  EXPECT_LE(silent, Options().read_timeout_ms + 1000);  // an attempt beside it may be under way
  // Tried beside it while it lasted (2, 2.2, 2.7 and 3.7 s into the
  // silence), then once after each wait of the back-off.
  EXPECT_EQ(net.hosts.size(), 1u + 4u + net.sleeps.size());
}

// The new connection's burst comes over a slow link: when the wait for the
// old tail ends, only older audio has come. It is still a repeat, and the
// join stays exact; a link so slow that too little has come to tell is
// waited for a while longer.
TEST(StreamSession, ASlowBurstIsJoinedWhereTheOldAudioEnds) {
  const std::string timeline = Frames(0, 400);
  const struct {
    const char* what;
    size_t chunk;
    uint64_t ms;
  } cases[] = {
      {"15 KB/s", 1500, 100},
      {"1.7 KB/s: 1000 bytes by the end of the usual wait", 500, 300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeNetwork net;
    Attempt slow = Live(timeline.substr(200 * kFrameBytes - 65536 + 3), Attempt::End::kClose);
    slow.chunk = c.chunk;
    slow.ms_per_chunk = c.ms;
    net.script = {Live(timeline.substr(0, 200 * kFrameBytes)), slow};
    const Heard heard = Play(net);
    EXPECT_TRUE(heard.audio == timeline) << "audio repeated or lost at the join: " << heard.audio.size();
    EXPECT_TRUE(heard.joins.empty());
  }
}

// A healthy server that sends its audio in sparse pieces is not taken as
// stalled once its pace is known: no connection beside it, nothing lost.
TEST(StreamSession, AServerThatSendsSparsePiecesIsNotTakenAsStalled) {
  const std::string audio = Frames(0, 100);
  FakeNetwork net;
  Attempt paced = Live(audio, Attempt::End::kClose);
  // Pieces every 1.5 s at first, then every 2.5 s: longer than kStallMs,
  // shorter than twice the pauses seen before.
  paced.pauses_ms = {1500, 1500, 1500, 2500};
  net.script = {paced};
  StreamSession session(net, Options(), [](AudioCodec c) { return c == AudioCodec::kMp3; });
  ASSERT_EQ(session.Open("http://radio.test/live", 0, nullptr), kErrorOk);
  std::vector<uint8_t> heard = session.TakeAudio();
  std::vector<uint8_t> piece;
  bool discontinuity = false;
  for (int i = 0; i < 10; ++i) {
    piece.clear();
    ASSERT_EQ(session.Receive(piece, discontinuity, nullptr), StreamSession::Next::kAudio);
    heard.insert(heard.end(), piece.begin(), piece.end());
  }
  EXPECT_EQ(net.hosts.size(), 1u) << "taken as stalled";
  EXPECT_FALSE(discontinuity);
  EXPECT_TRUE(std::string(heard.begin(), heard.end()) == audio.substr(0, heard.size()));
}

TEST(StreamSession, ALongOutageResumesWithTheNewAudioAsANewRun) {
  const std::string timeline = Frames(0, 300);
  FakeNetwork net;
  // The burst starts after where the old audio ended: nothing repeats, some is lost.
  net.script = {Live(timeline.substr(0, 100 * kFrameBytes)),
                Live(timeline.substr(150 * kFrameBytes + 5), Attempt::End::kStall)};
  const Heard heard = Play(net);
  EXPECT_TRUE(heard.audio == timeline.substr(0, 100 * kFrameBytes) + timeline.substr(150 * kFrameBytes + 5))
      << heard.audio.size();
  EXPECT_EQ(heard.joins, std::vector<size_t>{100 * kFrameBytes});
}

TEST(StreamSession, GivesUpAfterTheBudgetAndReportsTheEnd) {
  FakeNetwork net;
  net.script = {Live(Frames(0, 50))};  // then every attempt is refused
  const Heard heard = Play(net);
  EXPECT_EQ(heard.last, StreamSession::Next::kEnd);
  uint64_t total = 0;
  for (uint32_t s : net.sleeps) total += s;
  EXPECT_LT(total, 30000u);  // the default: 30 s
  EXPECT_GE(total + 4000, 30000u - 4000);
  EXPECT_EQ(net.sleeps.front(), 200u);
  EXPECT_EQ(net.hosts.size(), net.sleeps.size() + 1);  // one attempt after each wait
}

TEST(StreamSession, AServerThatDropsBeforeSendingAnythingNewIsOneOutage) {
  // Each connection resends the same bytes and ends: nothing new ever comes.
  const std::string audio = Frames(0, 40);
  FakeNetwork net;
  for (int i = 0; i < 40; ++i) net.script.push_back(Live(audio, Attempt::End::kClose));
  const Heard heard = Play(net);
  EXPECT_EQ(heard.last, StreamSession::Next::kEnd);
  EXPECT_TRUE(heard.audio == audio);
  // The waits keep growing as for refusals, and the time limit holds.
  ASSERT_GE(net.sleeps.size(), 6u);
  EXPECT_EQ(std::vector<uint32_t>(net.sleeps.begin(), net.sleeps.begin() + 6),
            (std::vector<uint32_t>{200, 500, 1000, 2000, 4000, 4000}));
  uint64_t total = 0;
  for (uint32_t s : net.sleeps) total += s;
  EXPECT_LT(total, 30000u);
}

TEST(StreamSession, NoReconnectionWhenSwitchedOff) {
  FakeNetwork net;
  net.script = {Live(Frames(0, 20)), Live(Frames(0, 40))};
  NetOptions options = Options();
  options.reconnect_ms = 0;
  StreamSession session(net, options, [](AudioCodec) { return true; });
  ASSERT_EQ(session.Open("http://radio.test/", 0, nullptr), kErrorOk);
  std::vector<uint8_t> audio;
  bool discontinuity = false;
  StreamSession::Next next;
  do {
    next = session.Receive(audio, discontinuity, nullptr);
  } while (next == StreamSession::Next::kAudio);
  EXPECT_EQ(next, StreamSession::Next::kEnd);
  EXPECT_TRUE(net.sleeps.empty());
  EXPECT_EQ(net.hosts.size(), 1u);
}

TEST(StreamSession, CloseDuringABackOffEndsAtOnce) {
  FakeNetwork net;
  net.script = {Live(Frames(0, 50)), Refused(), Refused(), Refused()};
  net.cancel_at_sleep = 2;
  const Heard heard = Play(net);
  EXPECT_EQ(heard.last, StreamSession::Next::kClosed);
  EXPECT_EQ(net.sleeps.size(), 2u);
  EXPECT_EQ(net.hosts.size(), 2u);  // the first connection and the one attempt before the close
}

TEST(StreamSession, AFileOfKnownLengthEndsCleanlyWithoutReconnecting) {
  const std::string audio = Frames(0, 40);
  for (Attempt::End end : {Attempt::End::kClose, Attempt::End::kReset}) {
    FakeNetwork net;
    Attempt a;
    a.answer = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: " + std::to_string(audio.size()) +
               "\r\n\r\n" + audio + "trailing bytes after the body";
    a.end = end;
    net.script = {a};
    const Heard heard = Play(net);
    EXPECT_EQ(heard.last, StreamSession::Next::kEnd);
    EXPECT_TRUE(heard.audio == audio) << heard.audio.size();
    EXPECT_TRUE(net.sleeps.empty());
  }
  // Cut short: also the end, as there is no live stream to go back to.
  FakeNetwork net;
  Attempt a;
  a.answer = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: 999999\r\n\r\n" + audio;
  net.script = {a, Live(audio)};
  const Heard heard = Play(net);
  EXPECT_EQ(heard.last, StreamSession::Next::kEnd);
  EXPECT_TRUE(net.sleeps.empty());
}

TEST(StreamSession, AFileThatStartsWithAnId3TagIsNamedByItsStationFrame) {
  const std::string audio = Frames(0, 40);
  const struct {
    std::vector<std::pair<std::string, std::string>> frames;
    std::string name;
  } cases[] = {
      {{{"TIT2", "\x03Song"}, {"TRSN", "\x03Radio One"}}, "Radio One"},
      {{{"TIT2", "\x03Song"}}, ""},
  };
  for (const auto& c : cases) {
    const std::vector<uint8_t> tag = testts::Id3Tag(4, c.frames, 20);
    FakeNetwork net;
    Attempt a;
    a.answer = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n" + std::string(tag.begin(), tag.end()) + audio;
    net.script = {a};
    const Heard heard = Play(net);
    EXPECT_EQ(heard.name, c.name);
    EXPECT_TRUE(heard.audio == audio) << heard.audio.size();  // the tag is not audio
  }
}

TEST(StreamSession, ReconnectsToTheAddressThatPlayedWithMetadataCountedAfresh) {
  const std::string timeline = Frames(0, 100);
  // Metadata every 1000 audio bytes, counted from each connection's first body byte.
  auto with_meta = [](const std::string& audio, const std::string& title) {
    std::string out;
    const std::string text = "StreamTitle='" + title + "';";
    std::string block(1, char((text.size() + 15) / 16));
    block += text;
    block.resize(1 + size_t(block[0]) * 16, '\0');
    for (size_t at = 0; at < audio.size(); at += 1000) {
      out += audio.substr(at, 1000);
      if (at + 1000 <= audio.size()) out += block;
    }
    return out;
  };
  FakeNetwork net;
  Attempt redirect;
  redirect.answer = "HTTP/1.0 302 Found\r\nLocation: https://cdn.test:8443/mount\r\n\r\n";
  Attempt first;
  first.answer = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-metaint:1000\r\n\r\n" +
                 with_meta(timeline.substr(0, 50 * kFrameBytes), "One");
  first.end = Attempt::End::kReset;
  Attempt second;
  second.answer = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-metaint:1000\r\n\r\n" +
                  with_meta(timeline.substr(40 * kFrameBytes), "Two");
  Attempt not_found;
  not_found.answer = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n";
  net.script = {redirect, first, not_found, second};
  const Heard heard = Play(net, "http://radio.test/live");
  EXPECT_TRUE(heard.audio == timeline) << heard.audio.size() << " of " << timeline.size();
  // Each connection's first block is at its own 1000th audio byte: both titles arrive, once each.
  EXPECT_EQ(heard.meta, (std::vector<std::string>{"StreamTitle='One';", "StreamTitle='Two';"}));
  // The redirect is followed once; the reconnections go to where it led, over TLS.
  ASSERT_GE(net.requests.size(), 4u);
  EXPECT_EQ(net.requests[0].substr(0, 15), "GET /live HTTP/");
  for (size_t i = 1; i < 4; ++i) EXPECT_EQ(net.requests[i].substr(0, 16), "GET /mount HTTP/") << i;
  EXPECT_EQ(net.hosts[1], "cdn.test:8443");
  EXPECT_EQ(net.tls_hosts.size(), 3u);
}

TEST(StreamSession, OpeningFailuresGiveTheirCodes) {
  const struct {
    const char* what;
    std::string url;
    std::vector<Attempt> script;
    int error;
  } cases[] = {
      {"refused", "http://radio.test/", {Refused()}, kErrorNoConnection},
      {"https with a bad certificate", "https://radio.test/", {[] { Attempt a = Live(Frames(0, 10)); a.tls_error = kErrorCertificate; return a; }()}, kErrorCertificate},
      {"not found", "http://radio.test/", {[] { Attempt a; a.answer = "HTTP/1.0 404 Not Found\r\n\r\n"; return a; }()}, kErrorHttp},
      {"no audio", "http://radio.test/", {[] { Attempt a; a.answer = kIcyHead + std::string(5000, 'x'); return a; }()}, kErrorFormat},
      {"closed before answering", "http://radio.test/", {Attempt{}}, kErrorNoConnection},
      {"other scheme", "ftp://radio.test/", {}, kErrorProtocol},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeNetwork net;
    net.script.assign(c.script.begin(), c.script.end());
    int error = -2;
    Play(net, c.url, &error);
    EXPECT_EQ(error, c.error);
    EXPECT_TRUE(net.sleeps.empty());  // opening never waits to retry: the program does
  }
}

TEST(StreamSession, PlaylistEntriesAndTheProbeThroughOneReceiveLoop) {
  FakeNetwork net;
  Attempt list;
  list.answer = "HTTP/1.0 200 OK\r\nContent-Type: audio/x-mpegurl\r\n\r\n#EXTM3U\r\nhttps://a.test/x\r\nhttp://b.test/y\r\n";
  list.chunk = 5;
  Attempt tls_fails = Live(Frames(0, 5));
  tls_fails.tls_error = kErrorCertificate;
  Attempt good = Live(Frames(0, 30), Attempt::End::kClose);
  good.chunk = 3;  // the probe gathers frames from many small reads
  net.script = {list, tls_fails, good};
  std::vector<std::string> status;
  StreamSession session(net, Options(), [](AudioCodec c) { return c == AudioCodec::kMp3; });
  ASSERT_EQ(session.Open("http://lists.test/radio.m3u", 0, [&](const std::string& s) { status.push_back(s); }),
            kErrorOk);
  EXPECT_EQ(status, (std::vector<std::string>{"HTTP/1.0 200 OK", "ICY 200 OK"}));
  EXPECT_EQ(session.format().codec, AudioCodec::kMp3);
  EXPECT_EQ(session.bitrate(), 128000u);
  EXPECT_EQ(UrlText(session.url()), "http://b.test/y");
  EXPECT_EQ(session.icy_tags().substr(0, 11), std::string("ICY 200 OK\0", 11));
}

}  // namespace

TEST(StreamSession, EachMetadataBlockIsPlacedWhereItStandsInTheAudio) {
  // A block after every 1000 audio bytes, each with its own title: "T<k>"
  // after the k-th thousand. Reads of several sizes cut blocks and audio anywhere.
  const std::string audio = Frames(0, 60);
  std::string body;
  for (size_t at = 0, k = 1; at < audio.size(); at += 1000, ++k) {
    body += audio.substr(at, 1000);
    if (at + 1000 > audio.size()) break;
    const std::string text = "StreamTitle='T" + std::to_string(k) + "';";
    std::string block(1, char((text.size() + 15) / 16));
    block += text;
    block.resize(1 + size_t(block[0]) * 16, '\0');
    body += block;
  }
  for (size_t chunk : {size_t{1}, size_t{700}, size_t{1500}, size_t{4096}}) {
    FakeNetwork net;
    Attempt a;
    a.answer = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-metaint:1000\r\n\r\n" + body;
    a.chunk = chunk;
    a.end = Attempt::End::kClose;
    net.script = {a};
    StreamSession session(net, Options(), [](AudioCodec c) { return c == AudioCodec::kMp3; });
    ASSERT_EQ(session.Open("http://radio.test/live", 0, nullptr), kErrorOk);
    size_t received = session.TakeAudio().size();
    std::vector<std::pair<size_t, std::string>> placed;
    std::vector<uint8_t> piece;
    auto on_meta = [&](const std::string& text) { placed.emplace_back(received + session.meta_at(), text); };
    for (int guard = 0; guard < 100000; ++guard) {
      piece.clear();
      bool discontinuity = false;
      if (session.Receive(piece, discontinuity, on_meta) != StreamSession::Next::kAudio) break;
      received += piece.size();
    }
    EXPECT_EQ(received, audio.size()) << chunk;
    ASSERT_GT(placed.size(), 10u) << chunk;  // those that came while opening are not among them
    for (const auto& [at, text] : placed)
      EXPECT_EQ(text, "StreamTitle='T" + std::to_string(at / 1000) + "';") << chunk << " at " << at;
    for (const auto& [at, text] : placed) EXPECT_EQ(at % 1000, 0u) << chunk << " " << text;
  }
}
