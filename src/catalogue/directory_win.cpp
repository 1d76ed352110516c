#include "catalogue/directory_win.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <thread>

#include "base/guarded.h"
#include "catalogue/directory.h"
#include "engine/api/engine.h"
#include "engine/net/tls_win.h"

// The directory asks its clients to find its servers by name: every address
// of all.api.radio-browser.info, each named by a reverse lookup (TLS needs
// the name). On its own thread, since a lookup cannot be cancelled.
struct DirectoryFetcher::Discovery {
  UniqueHandle done = MakeEvent(true);
  std::vector<std::string> names;  // written before `done` is set
};

namespace {

constexpr char kDiscoveryName[] = "all.api.radio-browser.info";

void Discover(std::vector<std::string>& names) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(kDiscoveryName, "443", &hints, &list) == 0) {
    for (const addrinfo* a = list; a; a = a->ai_next) {
      char host[NI_MAXHOST] = {};
      if (getnameinfo(a->ai_addr, static_cast<socklen_t>(a->ai_addrlen), host, sizeof host, nullptr, 0,
                      NI_NAMEREQD) == 0) {
        names.emplace_back(host);
      }
    }
    freeaddrinfo(list);
  }
  WSACleanup();
}

}  // namespace

DirectoryFetcher::DirectoryFetcher(std::string base, const CancelSignal& cancel)
    : cancel_(cancel), random_(static_cast<uint32_t>(GetTickCount64() ^ GetCurrentProcessId())) {
  if (!base.empty()) {
    Url url;
    if (ParseUrl(base, url) == kErrorOk) {
      while (url.path.size() > 1 && url.path.back() == '/') url.path.pop_back();
      if (url.path == "/") url.path.clear();
      base_ = url;
    } else {
      base_bad_ = true;
    }
    return;
  }
  discovery_ = std::make_shared<Discovery>();
  std::thread thread;
  if (discovery_->done && StartGuardedThread(thread, [d = discovery_] {
        Discover(d->names);
        SetEvent(d->done.Get());
      })) {
    thread.detach();
  }
}

std::vector<std::string> DirectoryFetcher::Servers(uint64_t deadline) {
  std::vector<std::string> found;
  if (discovery_ && discovery_->done) {
    const uint64_t now = GetTickCount64();
    // Not the whole budget: the known servers are worth a try too.
    const DWORD wait = now >= deadline ? 0 : static_cast<DWORD>(std::min<uint64_t>(deadline - now, 1000));
    HANDLE handles[2] = {cancel_.Event(), discovery_->done.Get()};
    if (WaitForMultipleObjects(2, handles, FALSE, wait) == WAIT_OBJECT_0 + 1) found = discovery_->names;
  }
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<std::string> order = ServerOrder(std::move(found), random_);
  if (!preferred_.empty()) {
    const auto it = std::find(order.begin(), order.end(), preferred_);
    if (it != order.end()) std::rotate(order.begin(), it, it + 1);
  }
  return order;
}

std::optional<std::string> DirectoryFetcher::Fetch(const std::string& path) {
  const uint64_t deadline = GetTickCount64() + kBudgetMs;
  if (base_bad_) return std::nullopt;
  if (base_) {
    Url server = *base_;
    return FetchFrom(server, server.path + path, deadline);
  }
  for (const std::string& name : Servers(deadline)) {
    if (cancel_.IsSet() || GetTickCount64() >= deadline) break;
    Url server;
    server.host = name;
    server.secure = true;
    server.port = 443;
    if (std::optional<std::string> body = FetchFrom(server, path, deadline)) {
      std::lock_guard<std::mutex> hold(lock_);
      preferred_ = name;
      return body;
    }
  }
  return std::nullopt;
}

std::optional<std::string> DirectoryFetcher::FetchFrom(const Url& server, const std::string& path,
                                                       uint64_t deadline) {
  const auto left = [&]() -> uint32_t {
    const uint64_t now = GetTickCount64();
    return now >= deadline ? 0 : static_cast<uint32_t>(deadline - now);
  };
  auto tcp = std::make_unique<TcpConnection>(cancel_);
  if (tcp->Connect(server.host, server.port, left()) != kErrorOk) return std::nullopt;
  std::unique_ptr<Connection> connection = std::move(tcp);
  if (server.secure) {
    std::unique_ptr<Connection> secure;
    if (StartTlsConnection(std::move(connection), server.host, left(), secure) != kErrorOk) return std::nullopt;
    connection = std::move(secure);
  }
  if (connection->Send(BuildDirectoryRequest(HostHeader(server), path), left()) != kErrorOk) return std::nullopt;
  DirectoryAnswer answer;
  std::vector<uint8_t> buffer(16 * 1024);
  while (answer.state() == DirectoryAnswer::State::kReading) {
    const uint32_t ms = left();
    if (ms == 0) return std::nullopt;
    size_t got = 0;
    if (connection->Receive(buffer.data(), buffer.size(), ms, got) != kErrorOk) return std::nullopt;
    if (got == 0) {
      answer.Closed();
      break;
    }
    answer.Feed(std::span<const uint8_t>(buffer.data(), got));
  }
  if (answer.state() != DirectoryAnswer::State::kDone || answer.status() != 200) return std::nullopt;
  return answer.body();
}
