#include "catalogue/catalogue_win.h"

#include <winsock2.h>
#include <windows.h>
#include <bcrypt.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

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

  std::thread worker;  // plays: history and the directory's report
  std::mutex lock;
  std::condition_variable wake;
  // Protected by lock.
  std::deque<std::string> plays;
  bool stopping = false;

  void Work() {
    for (;;) {
      std::string address;
      {
        std::unique_lock<std::mutex> hold(lock);
        wake.wait(hold, [this] { return stopping || !plays.empty(); });
        if (stopping) return;
        address = std::move(plays.front());
        plays.pop_front();
      }
      RunGuarded([&] { site->StationPlayed(address); });
    }
  }
};

std::unique_ptr<Catalogue> g_catalogue;  // window thread only

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
  {
    std::lock_guard<std::mutex> hold(g_catalogue->lock);
    if (g_catalogue->plays.size() < 16) g_catalogue->plays.push_back(address);
  }
  g_catalogue->wake.notify_one();
}

std::string CatalogueStationName(const std::string& address) {
  if (!g_catalogue || address.empty()) return {};
  return g_catalogue->site->KnownName(address);
}
