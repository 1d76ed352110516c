// Streams that hold up, heard through the paced capture: a live station that
// drops its listener and takes it back with a burst (as Icecast does), that
// refuses or stalls for a while, or that is gone for good; and https stations
// with a good, a wrong-host and an untrusted certificate.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/api/engine.h"
#include "engine/api/engine_state.h"
#include "engine/net/net_win.h"
#include "engine/session/ring_buffer.h"
#include "engine_env.h"
#include "pcm_analysis.h"

namespace {

using namespace std::chrono_literals;

// The heard steps as text, for failure messages: one character per block.
std::string StepsText(const pcm::StepReport& r) {
  std::string out;
  for (int v : r.steps) out += v == -2 ? '.' : v == -1 ? '?' : char(v < 10 ? '0' + v : 'A' + v - 10);
  return out;
}

constexpr uint64_t kBytesPerSecond = engine_env::kRate * 4;  // of the capture
const char kSteps[] = "/stream/steps400-44k-128.mp3";

// Polls `ready` every 50 ms for up to `limit`; a generous bound, not a timing.
template <typename F>
bool WaitFor(F ready, std::chrono::milliseconds limit = 30s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

// GET `path` on the station over a plain connection; the body, or "".
std::string Fetch(const std::string& station, const std::string& path) {
  const size_t colon = station.rfind(':');
  const auto port = static_cast<uint16_t>(atoi(station.c_str() + colon + 1));
  CancelSignal cancel;
  TcpConnection c(cancel);
  if (c.Connect("127.0.0.1", port, 5000) != kErrorOk) return "";
  if (c.Send("GET " + path + " HTTP/1.0\r\n\r\n", 5000) != kErrorOk) return "";
  std::string answer;
  uint8_t buffer[4096];
  for (;;) {
    size_t got = 0;
    if (c.Receive(buffer, sizeof buffer, 5000, got) != kErrorOk || got == 0) break;
    answer.append(reinterpret_cast<char*>(buffer), got);
  }
  const size_t body = answer.find("\r\n\r\n");
  return body == std::string::npos ? "" : answer.substr(body + 4);
}

struct SyncLog {
  std::mutex lock;
  std::vector<HSTREAM> streams;
  std::vector<DWORD> threads;
  static void ENGINE_CALLBACK Proc(HSYNC, HSTREAM stream, uint32_t, void* user) {
    auto* self = static_cast<SyncLog*>(user);
    std::lock_guard guard(self->lock);
    self->streams.push_back(stream);
    self->threads.push_back(GetCurrentThreadId());
  }
  size_t Count() {
    std::lock_guard guard(lock);
    return streams.size();
  }
};

class LiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* station = getenv("VOLNAR_STATION");
    if (!station || !*station) GTEST_SKIP() << "VOLNAR_STATION is not set";
    station_ = station;
    ASSERT_TRUE(EnsureEngine()) << "EngineInit failed: " << EngineLastError();
    ASSERT_TRUE(EngineStart());
    saved_ = CurrentNetOptions();
    engine_env::UseProgramNetOptions();
    EngineSetOption(kOptionNetReconnect, 30000);
    capture_ = engine_env::CapturePath();
  }
  void TearDown() override {
    for (HSTREAM h : opened_) StreamClose(h);
    if (station_.empty()) return;
    EngineSetOption(kOptionNetReadTimeout, saved_.read_timeout_ms);
    EngineSetOption(kOptionNetTimeout, saved_.connect_timeout_ms);
    EngineSetOption(kOptionNetReconnect, saved_.reconnect_ms);
  }

  // A broadcast of its own for each test: the station keeps one timeline per name.
  std::string Live(const std::string& query) {
    static int counter = 0;
    name_ = "t" + std::to_string(GetTickCount64()) + "-" + std::to_string(++counter);
    return std::string(kSteps) + "?live=" + name_ + "&" + query;
  }
  std::string Stats() { return Fetch(station_, "/live-stats?name=" + name_); }
  // Connections made to the broadcast so far, and those answered with the stream.
  int Connections() { return atoi(Stats().c_str() + strlen("connections ")); }
  int Served() {
    const std::string s = Stats();
    const size_t at = s.find("served ");
    return at == std::string::npos ? 0 : atoi(s.c_str() + at + 7);
  }

  HSTREAM Open(const std::string& address) {
    const std::string url = address.rfind("http", 0) == 0 ? address : station_ + address;
    HSTREAM h = StreamOpenUrl(url.c_str(), 0, 0, nullptr, nullptr);
    if (h) opened_.push_back(h);
    return h;
  }

  // The captured left channel from byte `from` to now, without its first half
  // second: that still holds what played before (the sound server's latency).
  std::vector<int16_t> Heard(uint64_t from) {
    from += kBytesPerSecond / 2;
    const uint64_t to = engine_env::FileSize(capture_);
    std::vector<int16_t> all = pcm::ReadRaw(capture_, from & ~uint64_t(3));
    all.resize(std::min<size_t>(all.size(), size_t((to - (from & ~uint64_t(3))) / 2)));
    return pcm::Channel(all, 2, 0);
  }

  std::string station_;
  std::string name_;
  std::wstring capture_;
  NetOptions saved_;
  std::vector<HSTREAM> opened_;
};

TEST_F(LiveTest, ADropWithinTheBufferIsHeardWithoutGapOrRepeat) {
  if (capture_.empty()) GTEST_SKIP() << "VOLNAR_AUDIO_OUT not set: no captured device";
  // Icecast's habits: HTTP/1.0, metadata every 16000 bytes, 64 KiB burst on
  // every connect. The first connection ends about 2 s after the start.
  HSTREAM h = Open(Live("status=http10&metaint=16000&burst=65536&drop=100000&titles=A|B&title_every=2"));
  ASSERT_NE(h, 0u) << "error " << EngineLastError();
  SyncLog ended;
  ASSERT_NE(StreamSetSync(h, kSyncEnd, 0, &SyncLog::Proc, &ended), 0u);
  const uint64_t start = engine_env::FileSize(capture_);
  ASSERT_TRUE(StreamPlay(h, false));
  uint64_t last = 0;
  bool monotonic = true;
  ASSERT_TRUE(WaitFor([&] {
    const uint64_t now = StreamFilePosition(h, kFilePosDownload);
    monotonic = monotonic && now >= last;
    last = now;
    return Served() >= 2;
  }));
  // Four more seconds after the reconnection, heard in full.
  const uint64_t at = engine_env::FileSize(capture_);
  engine_env::WaitForCapture(capture_, at, 4 * kBytesPerSecond);
  const std::vector<int16_t> heard = Heard(start);
  EXPECT_TRUE(StreamClose(h));
  const pcm::StepReport r = pcm::AnalyseSteps(heard, engine_env::kRate);
  EXPECT_TRUE(monotonic);
  EXPECT_GE(r.sounding * 0.05, 5.0) << "blocks " << r.blocks;
  EXPECT_EQ(r.gaps, 0u) << StepsText(r);
  EXPECT_EQ(r.backs, 0) << "audio heard twice: " << StepsText(r);
  EXPECT_EQ(r.skips, 0) << "audio lost: " << StepsText(r);
  EXPECT_EQ(r.irregular, 0) << StepsText(r);
  EXPECT_EQ(ended.Count(), 0u);
  EXPECT_EQ(Served(), 2) << Stats();
}

TEST_F(LiveTest, AnOutageSoonAfterAShortStartIsBridgedFromTheBurst) {
  if (capture_.empty()) GTEST_SKIP() << "VOLNAR_AUDIO_OUT not set: no captured device";
  // A 64 KiB burst on every connect; the first connection ends right after the
  // start and the station stays away for 1.5 s. The start waits only for the
  // small start buffer, but once playing the buffer takes the rest of the
  // burst, about four seconds, and plays through the outage.
  HSTREAM h = Open(Live("status=http10&burst=65536&drop=72000&outage=1.5"));
  ASSERT_NE(h, 0u) << "error " << EngineLastError();
  const uint64_t start_total = StreamFilePosition(h, kFilePosTotal);
  EXPECT_EQ(start_total, StartBufferBytes(128000));
  // The program's wait: more than 75 % of the reported total.
  ASSERT_TRUE(WaitFor([&] {
    const uint64_t total = StreamFilePosition(h, kFilePosTotal);
    return total != kFilePosError &&
           (StreamFilePosition(h, kFilePosDownload) - StreamFilePosition(h, kFilePosDecoded)) * 100 / total > 75;
  }));
  EXPECT_LE(StreamFilePosition(h, kFilePosDownload), start_total) << "not playing: held at the start buffer";
  const uint64_t start = engine_env::FileSize(capture_);
  ASSERT_TRUE(StreamPlay(h, false));
  EXPECT_EQ(StreamFilePosition(h, kFilePosTotal), BridgeBufferBytes(128000));
  ASSERT_TRUE(WaitFor([&] { return Served() >= 2; })) << Stats();
  engine_env::WaitForCapture(capture_, engine_env::FileSize(capture_), 3 * kBytesPerSecond);
  const pcm::StepReport r = pcm::AnalyseSteps(Heard(start), engine_env::kRate);
  EXPECT_TRUE(StreamClose(h));
  EXPECT_EQ(r.gaps, 0u) << "the outage broke the sound: " << StepsText(r);
  EXPECT_EQ(r.backs, 0) << StepsText(r);
  EXPECT_EQ(r.skips, 0) << StepsText(r);
  EXPECT_GE(r.sounding * 0.05, 4.0);
}

TEST_F(LiveTest, RefusedAndStalledReconnectionsStillJoinSeamlessly) {
  if (capture_.empty()) GTEST_SKIP() << "VOLNAR_AUDIO_OUT not set: no captured device";
  EngineSetOption(kOptionNetReadTimeout, 1500);  // a stall is noticed after 1.5 s
  const struct {
    const char* query;
    int connections;  // at least, when the audio has come back
  } cases[] = {
      {"burst=65536&drop=90000&refuse=2", 4},
      {"burst=65536&drop=90000&stall=1", 2},
  };

  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    HSTREAM h = Open(Live(c.query));
    ASSERT_NE(h, 0u) << "error " << EngineLastError();
    const uint64_t start = engine_env::FileSize(capture_);
    ASSERT_TRUE(StreamPlay(h, false));
    ASSERT_TRUE(WaitFor([&] { return Connections() >= c.connections && Served() >= 2; })) << Stats();
    engine_env::WaitForCapture(capture_, engine_env::FileSize(capture_), 3 * kBytesPerSecond);
    const pcm::StepReport r = pcm::AnalyseSteps(Heard(start), engine_env::kRate);
    EXPECT_TRUE(StreamClose(h));
    EXPECT_EQ(r.gaps, 0u) << StepsText(r);
    EXPECT_EQ(r.backs, 0) << StepsText(r);
    EXPECT_EQ(r.skips, 0) << StepsText(r);
    EXPECT_GE(r.sounding * 0.05, 5.0);
  }
}

TEST_F(LiveTest, AStallIsBridgedByANewConnectionLongBeforeTheReadTimeOut) {
  if (capture_.empty()) GTEST_SKIP() << "VOLNAR_AUDIO_OUT not set: no captured device";
  // The player's own read time-out (15 s) is far longer than the ~4 s the
  // burst leaves buffered: only a connection made beside the silent one,
  // while the buffer lasts, keeps the sound going.
  EngineSetOption(kOptionNetReadTimeout, 15000);
  HSTREAM h = Open(Live("status=http10&metaint=16000&burst=65536&drop=90000&stall=1"));
  ASSERT_NE(h, 0u) << "error " << EngineLastError();
  const uint64_t start = engine_env::FileSize(capture_);
  ASSERT_TRUE(StreamPlay(h, false));
  ASSERT_TRUE(WaitFor([&] { return Served() >= 2; })) << Stats();
  engine_env::WaitForCapture(capture_, engine_env::FileSize(capture_), 4 * kBytesPerSecond);
  const pcm::StepReport r = pcm::AnalyseSteps(Heard(start), engine_env::kRate);
  EXPECT_TRUE(StreamClose(h));
  EXPECT_EQ(r.gaps, 0u) << "silence while the connection stalled: " << StepsText(r);
  EXPECT_EQ(r.backs, 0) << "audio heard twice: " << StepsText(r);
  EXPECT_EQ(r.skips, 0) << "audio lost: " << StepsText(r);
  EXPECT_GE(r.sounding * 0.05, 6.0) << StepsText(r);
  EXPECT_EQ(Served(), 2) << Stats();
}

TEST_F(LiveTest, ALongOutageResumesWithTheNewAudio) {
  if (capture_.empty()) GTEST_SKIP() << "VOLNAR_AUDIO_OUT not set: no captured device";
  // The station is away for 3 s, longer than the ~1 s buffered. (The fixture
  // loops every 8 s: an outage near a multiple of that would find the old
  // tail again in the new burst, as if nothing had been lost.)
  HSTREAM h = Open(Live("burst=16000&drop=30000&outage=3"));
  ASSERT_NE(h, 0u) << "error " << EngineLastError();
  SyncLog ended;
  StreamSetSync(h, kSyncEnd, 0, &SyncLog::Proc, &ended);
  const uint64_t start = engine_env::FileSize(capture_);
  ASSERT_TRUE(StreamPlay(h, false));
  ASSERT_TRUE(WaitFor([&] { return Served() >= 2; })) << Stats();
  engine_env::WaitForCapture(capture_, engine_env::FileSize(capture_), 3 * kBytesPerSecond);
  const pcm::StepReport r = pcm::AnalyseSteps(Heard(start), engine_env::kRate);
  EXPECT_TRUE(StreamClose(h));
  EXPECT_GT(r.gaps, 0u) << "the outage was longer than the buffer: " << StepsText(r);
  EXPECT_EQ(r.backs, 0) << "audio heard twice";
  EXPECT_EQ(r.skips, 1) << "one jump forward over the outage: " << StepsText(r);
  // Sound after the gap: the last blocks are sounding.
  ASSERT_GE(r.steps.size(), 20u);
  EXPECT_GE(*std::min_element(r.steps.end() - 20, r.steps.end()), -1);
  EXPECT_EQ(ended.Count(), 0u);
}

TEST_F(LiveTest, AStreamThatEndsForGoodCallsTheEndSyncOnce) {
  EngineSetOption(kOptionNetReconnect, 3000);
  const struct {
    std::string address;
    bool play;
  } cases[] = {
      {Live("burst=32768&drop=40000&gone=1"), true},     // reconnection gives up
      // The same while not playing: all that comes fits the start buffer (a
      // full buffer would hold the download back until playback starts).
      {Live("burst=4000&drop=10000&gone=1"), false},
      {std::string(kSteps) + "?status=http10&length=10000", false},  // a file that ends
      {std::string(kSteps) + "?status=http11&length=30000&burst=30000", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    HSTREAM h = Open(c.address);
    ASSERT_NE(h, 0u) << "error " << EngineLastError();
    SyncLog ended, titles;
    ASSERT_NE(StreamSetSync(h, kSyncEnd, 0, &SyncLog::Proc, &ended), 0u);
    if (c.play) {
      ASSERT_TRUE(StreamPlay(h, false));
    }
    ASSERT_TRUE(WaitFor([&] { return ended.Count() > 0; }, 40s));
    std::this_thread::sleep_for(500ms);
    {
      std::lock_guard guard(ended.lock);
      EXPECT_EQ(ended.streams, std::vector<HSTREAM>{h});
      EXPECT_NE(ended.threads.front(), GetCurrentThreadId());
    }
    // Ended, not closed: the handle still answers, and everything was played.
    const uint64_t down = StreamFilePosition(h, kFilePosDownload);
    EXPECT_NE(down, kFilePosError);
    if (c.play) {
      EXPECT_EQ(StreamFilePosition(h, kFilePosDecoded), down);
    }
    EXPECT_TRUE(StreamClose(h));
  }
}

TEST_F(LiveTest, AnEndSyncSetAfterTheEndIsCalledToo) {
  // A file of 8000 bytes is over before anyone asks; a caller that sets its
  // end sync only then still hears of it: at once while not playing, after
  // the buffered audio when playing.
  for (const bool play : {false, true}) {
    SCOPED_TRACE(play ? "playing" : "not playing");
    HSTREAM h = Open(std::string(kSteps) + "?status=http11&length=8000");
    ASSERT_NE(h, 0u) << "error " << EngineLastError();
    ASSERT_TRUE(WaitFor([&] { return StreamFilePosition(h, kFilePosTotal) == kFilePosError; }));
    if (play) {
      ASSERT_TRUE(StreamPlay(h, false));
    }
    SyncLog ended;
    ASSERT_NE(StreamSetSync(h, kSyncEnd, 0, &SyncLog::Proc, &ended), 0u);
    ASSERT_TRUE(WaitFor([&] { return ended.Count() > 0; }, 10s));
    if (play) {
      EXPECT_EQ(StreamFilePosition(h, kFilePosDecoded), StreamFilePosition(h, kFilePosDownload))
          << "everything was played first";
    }
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(ended.Count(), 1u);
    EXPECT_TRUE(StreamClose(h));
  }
}

TEST_F(LiveTest, ClosingDuringTheBackOffEndsEverythingAndReportsNothing) {
  HSTREAM h = Open(Live("burst=32768&drop=40000&gone=1"));
  ASSERT_NE(h, 0u) << "error " << EngineLastError();
  SyncLog ended;
  StreamSetSync(h, kSyncEnd, 0, &SyncLog::Proc, &ended);
  ASSERT_TRUE(StreamPlay(h, false));
  ASSERT_TRUE(WaitFor([&] { return Stats().find("dropped 1") != std::string::npos; }));
  ASSERT_TRUE(WaitFor([&] { return Connections() >= 3; })) << "no attempts to reconnect: " << Stats();
  EXPECT_TRUE(StreamClose(h));
  const int attempts = Connections();
  std::this_thread::sleep_for(5s);  // past several back-off steps
  EXPECT_EQ(Connections(), attempts) << "attempts went on after the close";
  EXPECT_EQ(ended.Count(), 0u);
}

// ---- https ----

class HttpsTest : public LiveTest {
 protected:
  void SetUp() override {
    LiveTest::SetUp();
    if (IsSkipped()) return;
    good_ = Env("VOLNAR_HTTPS_GOOD");
    wrong_host_ = Env("VOLNAR_HTTPS_WRONGHOST");
    untrusted_ = Env("VOLNAR_HTTPS_UNTRUSTED");
    if (good_.empty()) GTEST_SKIP() << "no TLS station (VOLNAR_HTTPS_GOOD)";
  }
  static std::string Env(const char* name) {
    const char* v = getenv(name);
    return v ? v : "";
  }
  std::string good_, wrong_host_, untrusted_;
};

TEST_F(HttpsTest, AnHttpsStationPlaysWithItsHeadersAndMetadata) {
  HSTREAM h = Open(good_ + "/stream/tone440-44k-128.mp3?burst=65536&metaint=1000&titles=Secure&name=TLS%20FM");
  ASSERT_NE(h, 0u) << "error " << EngineLastError();
  const char* list = StreamTags(h, kTagsIcy);
  ASSERT_NE(list, nullptr);
  bool named = false;
  for (const char* p = list; *p; p += strlen(p) + 1) named = named || std::string(p) == "icy-name:TLS FM";
  EXPECT_TRUE(named);
  ASSERT_TRUE(WaitFor([&] { return StreamTags(h, kTagsMeta) != nullptr; }));
  EXPECT_STREQ(StreamTags(h, kTagsMeta), "StreamTitle='Secure';StreamUrl='';");
  ASSERT_TRUE(StreamPlay(h, false));
  ASSERT_TRUE(WaitFor([&] { return StreamFilePosition(h, kFilePosDecoded) > 100000; }));
}

TEST_F(HttpsTest, ACertificateThatFailsVerificationFailsWithItsCode) {
  for (const std::string& base : {wrong_host_, untrusted_}) {
    SCOPED_TRACE(base);
    EXPECT_EQ(Open(base + "/stream/tone440-44k-128.mp3?burst=65536"), 0u);
    EXPECT_EQ(EngineLastError(), kErrorCertificate);
  }
  // Plain http to a TLS port is no stream either.
  const std::string plain_to_tls = "http" + good_.substr(5) + "/stream/tone440-44k-128.mp3";
  EXPECT_EQ(Open(plain_to_tls), 0u);
}

TEST_F(HttpsTest, RedirectsAndPlaylistsCrossBetweenHttpAndHttps) {
  auto encode = [](const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
      char hex[4];
      snprintf(hex, sizeof hex, "%%%02X", c);
      out += isalnum(c) ? std::string(1, char(c)) : std::string(hex);
    }
    return out;
  };
  const std::string target = good_ + "/stream/tone440-44k-128.mp3?burst=20000&name=Crossed";
  const std::string back = station_ + "/stream/tone440-44k-128.mp3?burst=20000&name=Crossed";
  // http -> https by redirect, https -> http by redirect, an https playlist entry.
  HSTREAM a = Open(station_ + "/redirect?to=" + encode(target));
  EXPECT_NE(a, 0u) << "error " << EngineLastError();
  HSTREAM b = Open(good_ + "/redirect?to=" + encode(back));
  EXPECT_NE(b, 0u) << "error " << EngineLastError();
  HSTREAM c = Open(good_ + "/playlist.pls?entry=" + encode("/stream/tone440-44k-128.mp3?burst=20000"));
  EXPECT_NE(c, 0u) << "error " << EngineLastError();
}

}  // namespace
