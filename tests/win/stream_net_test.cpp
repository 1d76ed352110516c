// The engine's streams against the local test station (VOLNAR_STATION):
// answers and header lists, metadata and title changes, buffer positions,
// fault modes, closing while connecting, handles, playlists and redirects.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/api/engine.h"
#include "engine/api/engine_state.h"
#include "engine/api/stream_win.h"
#include "engine/output/pcm_source.h"
#include "engine/session/ring_buffer.h"
#include "engine_env.h"
#include "silent_server.h"

namespace {

using namespace std::chrono_literals;

std::string Encode(const std::string& s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (isalnum(c) || c == '-' || c == '_' || c == '.') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// The texts of a header list (zero-terminated texts ended by an empty one).
std::vector<std::string> ListTexts(const char* list) {
  std::vector<std::string> out;
  for (const char* p = list; p && *p; p += strlen(p) + 1) out.emplace_back(p);
  return out;
}

// Polls `ready` every 50 ms for up to `limit`; a generous bound, not a timing.
template <typename F>
bool WaitFor(F ready, std::chrono::milliseconds limit = 20s) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

struct StatusLines {
  std::mutex lock;
  std::vector<std::string> lines;
  std::vector<DWORD> threads;
  static void ENGINE_CALLBACK Proc(const void* buffer, uint32_t length, void* user) {
    auto* self = static_cast<StatusLines*>(user);
    std::lock_guard guard(self->lock);
    if (buffer && length == 0) self->lines.emplace_back(static_cast<const char*>(buffer));
    self->threads.push_back(GetCurrentThreadId());
  }
};

class StationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* station = getenv("VOLNAR_STATION");
    if (!station || !*station) GTEST_SKIP() << "VOLNAR_STATION is not set";
    station_ = station;
    ASSERT_TRUE(EnsureEngine()) << "EngineInit failed: " << EngineLastError();
    saved_ = CurrentNetOptions();
    engine_env::UseProgramNetOptions();
    EngineSetOptionText(kOptionNetProxy, "");
  }
  void TearDown() override {
    for (HSTREAM h : opened_) StreamClose(h);
    if (station_.empty()) return;
    EngineSetOption(kOptionNetPlaylist, saved_.resolve_playlists ? 1 : 0);
    EngineSetOption(kOptionNetPrebuffer, saved_.prebuffer_percent);
    EngineSetOption(kOptionNetReadTimeout, saved_.read_timeout_ms);
    EngineSetOption(kOptionNetTimeout, saved_.connect_timeout_ms);
    EngineSetOptionText(kOptionNetProxy, saved_.proxy.c_str());
  }

  std::string At(const std::string& path) const { return station_ + path; }

  HSTREAM Open(const std::string& path, StatusLines* status = nullptr) {
    HSTREAM h = StreamOpenUrl(At(path).c_str(), 0, status ? kStreamStatusCallback : 0,
                              status ? &StatusLines::Proc : nullptr, status);
    if (h) opened_.push_back(h);
    return h;
  }

  std::string station_;
  NetOptions saved_;
  std::vector<HSTREAM> opened_;
};

TEST_F(StationTest, AnswerKindDecidesTheHeaderListAndMetadataIsDemultiplexed) {
  const struct {
    const char* query;
    uint32_t list;          // the list that must be there
    const char* first;      // its first text
    const char* must_hold;  // another text it must hold, exactly
  } cases[] = {
      {"status=icy", kTagsIcy, "ICY 200 OK", "icy-name:Volnar Test"},
      {"status=icy&hdrspace=1&br=96", kTagsIcy, "ICY 200 OK", "icy-br: 96"},
      {"status=http10", kTagsHttp, "HTTP/1.0 200 OK", "Content-Type:audio/mpeg"},
      {"status=http11&chunked=1", kTagsHttp, "HTTP/1.1 200 OK", "Transfer-Encoding:chunked"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    StatusLines status;
    std::string path = std::string("/stream/tone440-44k-128.mp3?metaint=1000&titles=Alpha&") + c.query;
    HSTREAM h = Open(path, &status);
    ASSERT_NE(h, 0u) << "error " << EngineLastError();
    {
      std::lock_guard guard(status.lock);
      ASSERT_EQ(status.lines, std::vector<std::string>{c.first});
      EXPECT_EQ(status.threads, std::vector<DWORD>{GetCurrentThreadId()});
    }
    uint32_t other = c.list == kTagsIcy ? kTagsHttp : kTagsIcy;
    EXPECT_EQ(StreamTags(h, other), nullptr);
    std::vector<std::string> texts = ListTexts(StreamTags(h, c.list));
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), c.first);
    EXPECT_NE(std::find(texts.begin(), texts.end(), c.must_hold), texts.end());
    std::string metaint = strstr(c.query, "hdrspace=1") ? "icy-metaint: 1000" : "icy-metaint:1000";
    EXPECT_NE(std::find(texts.begin(), texts.end(), metaint), texts.end());
    // The first block arrives after 1000 audio bytes, well before the buffer fills.
    ASSERT_TRUE(WaitFor([&] { return StreamTags(h, kTagsMeta) != nullptr; }));
    EXPECT_STREQ(StreamTags(h, kTagsMeta), "StreamTitle='Alpha';StreamUrl='';");
    // A header list stays valid while the same thread reads the metadata.
    const char* list = StreamTags(h, c.list);
    StreamTags(h, kTagsMeta);
    EXPECT_EQ(ListTexts(list), texts);
    EXPECT_TRUE(StreamClose(h));
  }
}

struct SyncLog {
  std::mutex lock;
  std::vector<std::string> titles;
  std::set<DWORD> threads;
  HSTREAM stream = 0;
  static void ENGINE_CALLBACK Proc(HSYNC, HSTREAM stream, uint32_t, void* user) {
    auto* self = static_cast<SyncLog*>(user);
    const char* meta = StreamTags(stream, kTagsMeta);
    std::lock_guard guard(self->lock);
    self->stream = stream;
    self->titles.emplace_back(meta ? meta : "(null)");
    self->threads.insert(GetCurrentThreadId());
  }
};

TEST_F(StationTest, TitleChangesCallTheSyncOnAnEngineThread) {
  HSTREAM h = Open("/stream/tone440-44k-128.mp3?metaint=2000&title_every=1&titles=One|Two&burst=8000");
  ASSERT_NE(h, 0u) << "error " << EngineLastError();
  SyncLog log;
  HSYNC sync = StreamSetSync(h, kSyncMeta, 0, &SyncLog::Proc, &log);
  ASSERT_NE(sync, 0u);
  EXPECT_EQ(StreamSetSync(h, 1, 0, &SyncLog::Proc, &log), 0u);
  EXPECT_EQ(EngineLastError(), kErrorIllegalParam);
  ASSERT_TRUE(StreamPlay(h, false)) << EngineLastError();
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard guard(log.lock);
    return log.titles.size() >= 3;
  }));
  std::lock_guard guard(log.lock);
  EXPECT_EQ(log.stream, h);
  EXPECT_EQ(log.threads.count(GetCurrentThreadId()), 0u);
  // Each call saw a change: consecutive titles differ and alternate.
  for (size_t i = 1; i < log.titles.size(); ++i) {
    EXPECT_NE(log.titles[i], log.titles[i - 1]);
    EXPECT_TRUE(log.titles[i] == "StreamTitle='One';StreamUrl='';" ||
                log.titles[i] == "StreamTitle='Two';StreamUrl='';")
        << log.titles[i];
  }
}

TEST_F(StationTest, PositionsReportTheBufferFillWithAndWithoutABurst) {
  const struct {
    const char* path;
    uint32_t bitrate;
  } cases[] = {
      {"/stream/tone440-44k-128.mp3?burst=65536", 128000},
      {"/stream/tone440-44k-128.mp3", 128000},
      {"/stream/tone1000-24k-64.mp3?status=http10", 64000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    HSTREAM h = Open(c.path);
    ASSERT_NE(h, 0u) << "error " << EngineLastError();
    uint64_t total = StreamFilePosition(h, kFilePosTotal);
    EXPECT_EQ(total, StartBufferBytes(c.bitrate));
    uint64_t first = StreamFilePosition(h, kFilePosDownload);
    // Not playing: nothing is decoded, and the fill passes 75 % as the program waits for.
    ASSERT_TRUE(WaitFor([&] {
      uint64_t down = StreamFilePosition(h, kFilePosDownload);
      uint64_t dec = StreamFilePosition(h, kFilePosDecoded);
      return (down - dec) * 100 / total > 75;
    }));
    // The download went on in the background, unless the burst had filled the buffer
    // by the first look (a slow machine looks late).
    if (first < total) {
      EXPECT_GT(StreamFilePosition(h, kFilePosDownload), first);
    }
    EXPECT_EQ(StreamFilePosition(h, kFilePosDecoded), 0u);
    // A full buffer pauses the download: the fill never passes the size.
    std::this_thread::sleep_for(1500ms);
    EXPECT_LE(StreamFilePosition(h, kFilePosDownload), total);
    EXPECT_EQ(StreamFilePosition(h, 7), kFilePosError);
    EXPECT_EQ(EngineLastError(), kErrorIllegalParam);
    // Playing takes bytes out: decoded grows and downloading resumes.
    ASSERT_TRUE(StreamPlay(h, false));
    ASSERT_TRUE(WaitFor([&] { return StreamFilePosition(h, kFilePosDecoded) > 0; }));
    ASSERT_TRUE(WaitFor([&] { return StreamFilePosition(h, kFilePosDownload) > total; }));
    EXPECT_LE(StreamFilePosition(h, kFilePosDecoded), StreamFilePosition(h, kFilePosDownload));
    // The buffer has grown to the bridging size, and the fill stays within it.
    const uint64_t grown = StreamFilePosition(h, kFilePosTotal);
    EXPECT_EQ(grown, BridgeBufferBytes(c.bitrate));
    EXPECT_LE(StreamFilePosition(h, kFilePosDownload) - StreamFilePosition(h, kFilePosDecoded), grown);
    EXPECT_TRUE(StreamClose(h));
  }
}

// A local port with nothing listening.
uint16_t ClosedPort() {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof a;
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  closesocket(s);
  return ntohs(a.sin_port);
}

TEST_F(StationTest, EachFaultGivesItsErrorCode) {
  EngineSetOption(kOptionNetReadTimeout, 1500);
  const struct {
    std::string address;  // a path on the station, or a whole address
    int error;
    const char* status;   // the status line reported, "" = none
  } cases[] = {
      {"/stream/x.mp3?fault=404", kErrorHttp, "HTTP/1.0 404 Not Found"},
      {"/stream/x.mp3?fault=400icy", kErrorHttp, "ICY 400 Server Full"},
      {"/no/such/page", kErrorHttp, "HTTP/1.0 404 Not Found"},
      {"/stream/x.mp3?fault=hang", kErrorTimeout, ""},
      {"/stream/x.mp3?fault=refuse", kErrorNoConnection, ""},
      {"http://127.0.0.1:" + std::to_string(ClosedPort()) + "/", kErrorNoConnection, ""},
      {"/stream/x.mp3?fault=html", kErrorFormat, "HTTP/1.0 200 OK"},
      {"/stream/x.mp3?fault=bigheaders", kErrorBadAnswer, ""},
      {"/redirect?to=/stream/tone440-44k-128.mp3&hops=6", kErrorRedirects, "HTTP/1.0 302 Found"},
      {"ftp://127.0.0.1/stream", kErrorProtocol, ""},
      {"http://", kErrorBadAddress, ""},
      {"/playlist.pls", kErrorPlaylist, "HTTP/1.0 200 OK"},
      {"/playlist.m3u?entry=" + Encode("/stream/x.mp3?fault=404") + "&entry=" +
           Encode("/stream/x.mp3?fault=refuse"),
       kErrorNoConnection, "HTTP/1.0 200 OK"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    StatusLines status;
    std::string address = c.address.front() == '/' ? At(c.address) : c.address;
    HSTREAM h = StreamOpenUrl(address.c_str(), 0, kStreamStatusCallback, &StatusLines::Proc, &status);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(EngineLastError(), c.error);
    std::lock_guard guard(status.lock);
    if (*c.status) {
      ASSERT_FALSE(status.lines.empty());
      EXPECT_EQ(status.lines.front(), c.status);
    } else {
      EXPECT_TRUE(status.lines.empty());
    }
  }
  // Nothing of the failed attempts is left behind.
  EXPECT_TRUE(StreamHandles().empty());
}

TEST_F(StationTest, DamagedStreamsEndCleanly) {
  EngineSetOption(kOptionNetReadTimeout, 1500);
  // A station that drops, stalls or ends its answer is connected again; this
  // one starts its file afresh each time, so the join finds nothing new and
  // the download stops growing while the attempts go on.
  const struct {
    const char* query;
    bool ends;  // downloading stops growing
  } cases[] = {
      {"fault=drop&after=20000", true},
      {"fault=stall&after=20000", true},
      {"limit=1", true},
      {"fault=badmeta&metaint=500", false},
      {"fault=garbage&bytes=5000", false},
      {"fault=slowheaders&metaint=0", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    HSTREAM h = Open(std::string("/stream/tone440-44k-128.mp3?") + c.query);
    ASSERT_NE(h, 0u) << "error " << EngineLastError();
    ASSERT_TRUE(StreamPlay(h, false));
    SyncLog log;
    StreamSetSync(h, kSyncMeta, 0, &SyncLog::Proc, &log);
    if (c.ends) {
      // The download stops; the decoder takes everything that came.
      uint64_t last = ~0ull;
      ASSERT_TRUE(WaitFor([&] {
        uint64_t down = StreamFilePosition(h, kFilePosDownload);
        bool still = down == last && StreamFilePosition(h, kFilePosDecoded) == down;
        last = down;
        return still;
      }, 30s));
      EXPECT_LE(last, 20000u + 16384u);
    } else {
      uint64_t start = StreamFilePosition(h, kFilePosDownload);
      ASSERT_TRUE(WaitFor([&] { return StreamFilePosition(h, kFilePosDownload) > start + 20000; }, 30s));
    }
    EXPECT_TRUE(StreamClose(h));
  }
}

TEST_F(StationTest, ClosingWhileConnectingAbandonsTheConnection) {
  // A long read time-out: the opener can only come back early if Close works.
  EngineSetOption(kOptionNetReadTimeout, 60000);
  std::vector<HSTREAM> before = StreamHandles();
  std::string address = At("/stream/x.mp3?fault=hang");
  auto opener = std::async(std::launch::async, [&address] {
    HSTREAM h = StreamOpenUrl(address.c_str(), 0, 0, nullptr, nullptr);
    return std::pair{h, EngineLastError()};
  });
  HSTREAM connecting = 0;
  ASSERT_TRUE(WaitFor([&] {
    for (HSTREAM h : StreamHandles()) {
      if (std::find(before.begin(), before.end(), h) == before.end()) connecting = h;
    }
    return connecting != 0;
  }));
  // While connecting the stream is not usable yet.
  EXPECT_EQ(StreamFilePosition(connecting, kFilePosTotal), kFilePosError);
  std::this_thread::sleep_for(300ms);  // let it reach the wait for the answer
  EXPECT_TRUE(StreamClose(connecting));
  ASSERT_EQ(opener.wait_for(20s), std::future_status::ready) << "StreamOpenUrl kept waiting";
  auto [handle, error] = opener.get();
  EXPECT_EQ(handle, 0u);
  EXPECT_EQ(error, kErrorAborted);
  EXPECT_FALSE(StreamClose(connecting));
  EXPECT_EQ(EngineLastError(), kErrorHandle);
}

TEST_F(StationTest, ClosedHandlesStayDead) {
  HSTREAM h = Open("/stream/tone440-44k-128.mp3?burst=20000");
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(StreamClose(h));
  HSTREAM next = Open("/stream/tone440-44k-128.mp3?burst=20000");
  ASSERT_NE(next, 0u);
  EXPECT_NE(next, h);
  EXPECT_EQ(StreamFilePosition(h, kFilePosDownload), kFilePosError);
  EXPECT_EQ(EngineLastError(), kErrorHandle);
  EXPECT_EQ(StreamTags(h, kTagsIcy), nullptr);
  EXPECT_EQ(EngineLastError(), kErrorHandle);
  EXPECT_FALSE(StreamPlay(h, false));
  EXPECT_EQ(StreamSetSync(h, kSyncMeta, 0, &SyncLog::Proc, nullptr), 0u);
  EXPECT_FALSE(StreamClose(h));
  EXPECT_EQ(EngineLastError(), kErrorHandle);
  EXPECT_FALSE(StreamClose(0));
  EXPECT_NE(StreamFilePosition(next, kFilePosTotal), kFilePosError);
}

// A close that overtakes a start on another thread (a newer station chosen while
// the older one's connection starts it) leaves nothing sounding: a decoder the
// output kept would go on reading its freed stream.
TEST_F(StationTest, ACloseRacingAStartLeavesNothingInTheOutput) {
  for (int i = 0; i < 20; ++i) {
    HSTREAM h = StreamOpenUrl(At("/stream/tone440-44k-128.mp3?burst=20000").c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(h, 0u) << EngineLastError();
    std::thread starter([h] { (void)StreamPlay(h, false); });
    std::this_thread::sleep_for(std::chrono::microseconds(250 * i));  // the close at varied points of the start
    EXPECT_TRUE(StreamClose(h));
    starter.join();
  }
  std::this_thread::sleep_for(200ms);  // a pass that took its list before the last close
  const uint64_t frames = OutputSourceFramesWritten();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(OutputSourceFramesWritten(), frames) << "a closed stream's decoder is still mixed";
}

TEST_F(StationTest, PlaylistsAndRedirectsLeadToTheStream) {
  auto entry = [](const std::string& path) { return "entry=" + Encode(path); };
  const std::string good = "/stream/tone440-44k-128.mp3?name=Target";
  const std::string bad = "/stream/x.mp3?fault=404";
  const struct {
    std::string path;
    size_t status_lines;  // answers seen on the way
  } cases[] = {
      {"/playlist.pls?" + entry(bad) + "&" + entry(good), 3},
      {"/playlist.m3u?" + entry(bad) + "&" + entry(good), 3},
      {"/playlist.m3u8?" + entry(good), 2},
      {"/list/radio.pls?ctype=text/plain&" + entry(good), 2},
      {"/redirect?to=" + Encode(good) + "&hops=3", 4},
      {"/redirect?to=" + Encode(good) + "&hops=5&rel=1&code=301", 6},
      {"/redirect?to=" + Encode(good) + "&code=307", 2},
      {"/redirect?to=" + Encode("/playlist.pls?" + entry(good)) + "&code=303", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    StatusLines status;
    HSTREAM h = Open(c.path, &status);
    ASSERT_NE(h, 0u) << "error " << EngineLastError();
    std::vector<std::string> texts = ListTexts(StreamTags(h, kTagsIcy));
    EXPECT_NE(std::find(texts.begin(), texts.end(), "icy-name:Target"), texts.end());
    std::lock_guard guard(status.lock);
    EXPECT_EQ(status.lines.size(), c.status_lines);
    if (!status.lines.empty()) {
      EXPECT_EQ(status.lines.back(), "ICY 200 OK");
    }
    EXPECT_TRUE(StreamClose(h));
  }
  // With playlists off, a playlist is just a body that is not audio.
  EngineSetOption(kOptionNetPlaylist, 0);
  EXPECT_EQ(Open("/playlist.pls?" + entry(good)), 0u);
  EXPECT_EQ(EngineLastError(), kErrorFormat);
}

TEST_F(StationTest, PrebufferOptionWaitsForTheFill) {
  EngineSetOption(kOptionNetPrebuffer, 50);
  HSTREAM h = Open("/stream/tone440-44k-128.mp3");
  ASSERT_NE(h, 0u) << "error " << EngineLastError();
  uint64_t total = StreamFilePosition(h, kFilePosTotal);
  EXPECT_GE(StreamFilePosition(h, kFilePosDownload) * 100, total * 50);
}

}  // namespace

// ---- Openings abandoned before they have a handle ----

namespace {

class AbandonedOpening : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureEngine()) << "EngineInit failed: " << EngineLastError();
    ASSERT_TRUE(server_.Ok());
    // Time-outs far beyond the waits here: what ends an opening is the abandon.
    EngineSetOption(kOptionNetTimeout, 600000);
    EngineSetOption(kOptionNetReadTimeout, 600000);
  }
  void TearDown() override { engine_env::UseProgramNetOptions(); }
  SilentServer server_;
};

TEST_F(AbandonedOpening, WhileWaitingForTheAnswerItEndsAndLetsGoOfTheSocket) {
  auto cancel = std::make_shared<OpeningCancel>();
  std::atomic<bool> done{false};
  HSTREAM result = 1;
  int error = kErrorOk;
  std::thread opener([&] {
    result = StreamOpenUrlUnder(server_.Url().c_str(), 0, 0, nullptr, nullptr, cancel);
    error = EngineLastError();
    done = true;
  });
  ASSERT_TRUE(WaitFor([&] { return server_.Accepted() == 1; }));
  ASSERT_TRUE(WaitFor([&] { return !StreamHandles().empty(); }));
  EXPECT_FALSE(done) << "the server never answers";
  cancel->Abandon();
  const bool ended = WaitFor([&] { return done.load(); }, 10s);
  if (!ended) {
    for (HSTREAM h : StreamHandles()) StreamClose(h);  // let the thread go
  }
  opener.join();
  ASSERT_TRUE(ended) << "the opening went on waiting for its answer";
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(error, kErrorAborted);
  EXPECT_TRUE(StreamHandles().empty());
  EXPECT_TRUE(WaitFor([&] { return server_.Open() == 0; }, 10s)) << "the socket stays open";
  EXPECT_TRUE(cancel->Abandoned());
}

TEST_F(AbandonedOpening, AbandonedBeforeItStartsItFailsWithoutConnecting) {
  auto cancel = std::make_shared<OpeningCancel>();
  cancel->Abandon();
  EXPECT_EQ(StreamOpenUrlUnder(server_.Url().c_str(), 0, 0, nullptr, nullptr, cancel), 0u);
  EXPECT_EQ(EngineLastError(), kErrorAborted);
  EXPECT_EQ(server_.Accepted(), 0);
  EXPECT_TRUE(StreamHandles().empty());
  // Openings under another hold, or none, are not touched.
  auto other = std::make_shared<OpeningCancel>();
  std::thread opener([&] { (void)StreamOpenUrlUnder(server_.Url().c_str(), 0, 0, nullptr, nullptr, other); });
  ASSERT_TRUE(WaitFor([&] { return server_.Accepted() == 1 && !StreamHandles().empty(); }));
  cancel->Abandon();
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(server_.Open(), 1);
  other->Abandon();
  opener.join();
  EXPECT_TRUE(StreamHandles().empty());
}

}  // namespace
