#include "catalogue/catalogue_win.h"

#include <winsock2.h>
#include <windows.h>
#include <bcrypt.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "base/cp1251.h"
#include "base/guarded.h"
#include "browser/catalogue_host.h"
#include "catalogue/codecs.h"
#include "catalogue/directory.h"
#include "catalogue/directory_win.h"
#include "catalogue/server_win.h"
#include "catalogue/site.h"
#include "catalogue/store_file_win.h"
#include "catalogue/user_store.h"
#include "engine/codecs/decoder.h"
#include "engine/api/engine_state.h"
#include "engine/net/net_win.h"

#include "directory_address.h"  // VOLNAR_DIRECTORY_URL, a build option

namespace {

struct Catalogue {
  CancelSignal cancel;  // ends every directory request at Stop
  std::unique_ptr<DirectoryFetcher> fetcher;
  std::unique_ptr<DirectoryClient> directory;
  std::unique_ptr<StoreFile> file;
  std::unique_ptr<UserStore> store;
  std::unique_ptr<CatalogueSite> site;
  CatalogueServer server;
  std::string host;

  // What the window hands over: a station started, or a title began
  // (title set, UTF-8), in the order they happened.
  struct Event {
    std::string address;
    std::optional<std::string> title;
    int64_t started = 0;  // seconds since 1970 UTC
  };
  std::thread worker;  // plays: history and the directory's report; titles
  std::mutex lock;
  std::condition_variable wake;
  // Protected by lock.
  std::deque<Event> plays;
  bool stopping = false;

  void Work() {
    for (;;) {
      Event event;
      {
        std::unique_lock<std::mutex> hold(lock);
        wake.wait(hold, [this] { return stopping || !plays.empty(); });
        if (stopping) return;
        event = std::move(plays.front());
        plays.pop_front();
      }
      RunGuarded([&] {
        if (event.title) {
          site->TitleHeard(event.address, *event.title, event.started);
        } else {
          site->StationPlayed(event.address);
        }
      });
    }
  }

  void Queue(Event event) {
    {
      std::lock_guard<std::mutex> hold(lock);
      if (plays.size() < 64) plays.push_back(std::move(event));
    }
    wake.notify_one();
  }
};

std::unique_ptr<Catalogue> g_catalogue;  // window thread only

// Plays asked for by pages in an external browser, from the server's threads.
std::mutex g_play_lock;
HWND g_play_window = nullptr;        // protected by g_play_lock
std::optional<std::string> g_play;  // protected by g_play_lock

void PlayRequested(const std::string& address) {
  std::lock_guard<std::mutex> hold(g_play_lock);
  g_play = address;
  // Posted, never sent: the server thread must not wait for the window.
  if (g_play_window) PostMessageW(g_play_window, kCataloguePlayMessage, 0, 0);
}

int64_t UnixNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<int64_t>(ticks / 10000000ULL) - 11644473600LL;  // 100 ns since 1601 -> s since 1970
}

// A moment as the user's clock showed it then, in the time zone's rules.
std::string LocalClockText(int64_t seconds) {
  const uint64_t ticks = static_cast<uint64_t>(seconds + 11644473600LL) * 10000000ULL;
  FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME u{}, local{};
  if (!FileTimeToSystemTime(&utc, &u) || !SystemTimeToTzSpecificLocalTime(nullptr, &u, &local)) {
    return ClockText(seconds);
  }
  FILETIME lf{};
  if (!SystemTimeToFileTime(&local, &lf)) return ClockText(seconds);
  const uint64_t lt = (static_cast<uint64_t>(lf.dwHighDateTime) << 32) | lf.dwLowDateTime;
  return ClockText(static_cast<int64_t>(lt / 10000000ULL) - 11644473600LL);
}

// The run's form token; empty when the system has no random numbers to
// give, and then the site refuses every change (a token made from clocks
// and process ids could be guessed by a page elsewhere).
std::string RandomToken() {
  unsigned char bytes[16] = {};
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) return {};
  static const char kHex[] = "0123456789abcdef";
  std::string token;
  for (unsigned char b : bytes) {
    token += kHex[b >> 4];
    token += kHex[b & 15];
  }
  return token;
}

}  // namespace

std::string StartCatalogue(bool station_known, const CatalogueSetup& setup) {
  if (!kBuiltInCatalogue) return kCatalogueHost;
  if (g_catalogue) {
    g_catalogue->site->SetStationChosen(station_known);
    return g_catalogue->host;
  }
  auto c = std::make_unique<Catalogue>();
  std::vector<uint16_t> ports = setup.ports;
  if (ports.empty()) {
    for (int i = 0; i <= kCataloguePortFallbacks; ++i) ports.push_back(static_cast<uint16_t>(kCataloguePort + i));
  }
  if (!c->server.Listen(ports)) return kCatalogueHost;  // the page will say it cannot be reached
  c->host = "127.0.0.1:" + std::to_string(c->server.port());

  c->fetcher = std::make_unique<DirectoryFetcher>(
      setup.directory.empty() ? std::string(VOLNAR_DIRECTORY_URL) : setup.directory, c->cancel);
  DirectoryFetcher* fetcher = c->fetcher.get();
  c->directory = std::make_unique<DirectoryClient>([fetcher](const std::string& path) { return fetcher->Fetch(path); },
                                                   [] { return static_cast<uint64_t>(GetTickCount64()); });
  c->file = std::make_unique<StoreFile>(setup.data_folder);
  StoreFile* file = c->file.get();
  c->store = std::make_unique<UserStore>(
      [file](const std::string& document, bool keep_old) { return file->Write(document, keep_old); });
  const StoreFileRead stored = file->Read(kMaxStoreBytes);
  if (stored.unreadable) {
    c->store->LoadUnreadable();
  } else {
    c->store->Load(stored.text);
  }

  SiteOptions options;
  options.host = c->host;
  options.token = RandomToken();
  options.unplayable = [](const Station& s) { return UnplayableReason(s, DecoderAvailable); };
  options.play = PlayRequested;
  options.time_text = LocalClockText;
  c->site = std::make_unique<CatalogueSite>(std::move(options), *c->directory, *c->store);
  c->site->SetStationChosen(station_known);

  Catalogue* raw = c.get();
  if (!StartGuardedThread(c->worker, [raw] { raw->Work(); })) return kCatalogueHost;
  if (!c->server.Run([raw](const HttpRequest& request) {
        return SerializeResponse(raw->site->Handle(request), request.method() == "HEAD");
      })) {
    {
      std::lock_guard<std::mutex> hold(c->lock);
      c->stopping = true;
    }
    c->wake.notify_all();
    c->worker.join();
    return kCatalogueHost;
  }
  g_catalogue = std::move(c);
  SetOwnListeningPort(g_catalogue->server.port());
  return g_catalogue->host;
}

void StopCatalogue() {
  if (!g_catalogue) return;
  Catalogue& c = *g_catalogue;
  c.cancel.Set();
  {
    std::lock_guard<std::mutex> hold(c.lock);
    c.stopping = true;
  }
  c.wake.notify_all();
  c.server.Stop();
  if (c.worker.joinable()) c.worker.join();
  g_catalogue.reset();
  SetOwnListeningPort(0);
}

bool CatalogueRunning() { return g_catalogue != nullptr; }

uint64_t CatalogueRequestsAnswered() { return g_catalogue ? g_catalogue->server.answered() : 0; }

void CatalogueStationPlayed(const std::string& address) {
  if (!g_catalogue || address.empty()) return;
  g_catalogue->Queue({address, std::nullopt, 0});
}

void CatalogueTitleHeard(const std::string& address, const std::string& title) {
  if (!g_catalogue || address.empty() || title.empty()) return;
  g_catalogue->Queue({address, Cp1251ToUtf8(title), UnixNow()});
}

void SetCataloguePlayWindow(HWND window) {
  std::lock_guard<std::mutex> hold(g_play_lock);
  g_play_window = window;
}

std::optional<std::string> TakeCataloguePlayRequest() {
  std::lock_guard<std::mutex> hold(g_play_lock);
  std::optional<std::string> play = std::move(g_play);
  g_play.reset();
  return play;
}

std::string CatalogueStationName(const std::string& address) {
  if (!g_catalogue || address.empty()) return {};
  return g_catalogue->site->KnownName(address);
}
