#include "catalogue/server_win.h"

#include <ws2tcpip.h>

#include "base/guarded.h"

namespace {

// Stop requests are noticed within this time by every waiting thread.
constexpr uint32_t kPollMs = 200;

bool SocketsReady() {
  static const bool ok = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;  // never undone: threads may outlive callers
  }();
  return ok;
}

void SendAll(SOCKET s, std::string_view data) {
  while (!data.empty()) {
    const int n = send(s, data.data(), static_cast<int>(std::min<size_t>(data.size(), 64 * 1024)), 0);
    if (n <= 0) return;  // the client went away or the send timed out
    data.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace

bool CatalogueServer::Listen(std::span<const uint16_t> ports) {
  if (!SocketsReady()) return false;
  for (uint16_t port : ports) {
    UniqueSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!s) return false;
    // No other program may bind the same port beside us and take our requests.
    BOOL on = TRUE;
    (void)setsockopt(s.Get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // never another interface
    address.sin_port = htons(port);
    if (bind(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) continue;
    if (listen(s.Get(), 16) != 0) continue;
    // Port 0 (tests) lets the system choose.
    sockaddr_in bound{};
    int length = sizeof bound;
    if (getsockname(s.Get(), reinterpret_cast<sockaddr*>(&bound), &length) != 0) continue;
    listener_ = std::move(s);
    port_ = ntohs(bound.sin_port);
    return true;
  }
  return false;
}

bool CatalogueServer::Run(Handler handler) {
  if (!listener_) return false;
  handler_ = std::move(handler);
  stopping_.store(false);
  return StartGuardedThread(accept_thread_, [this] { AcceptLoop(); });
}

void CatalogueServer::Stop() {
  stopping_.store(true);
  if (accept_thread_.joinable()) accept_thread_.join();
  listener_.Reset();
  Connections& c = *connections_;
  std::unique_lock<std::mutex> hold(c.lock);
  // Each connection notices within kPollMs; a page waiting for the
  // directory ends when its fetch is cancelled by the owner.
  c.idle.wait(hold, [&c] { return c.active == 0; });
}

bool CatalogueServer::WaitReadable(SOCKET s, uint32_t ms) const {
  for (;;) {
    if (stopping_.load()) return false;
    const uint32_t slice = std::min(ms, kPollMs);
    fd_set read;
    FD_ZERO(&read);
    FD_SET(s, &read);
    timeval tv{static_cast<long>(slice / 1000), static_cast<long>((slice % 1000) * 1000)};
    const int r = select(0, &read, nullptr, nullptr, &tv);
    if (r > 0) return true;
    if (r < 0) return false;
    if (ms <= slice) return false;
    ms -= slice;
  }
}

void CatalogueServer::AcceptLoop() {
  while (!stopping_.load()) {
    if (!WaitReadable(listener_.Get(), kPollMs)) continue;
    UniqueSocket client(accept(listener_.Get(), nullptr, nullptr));
    if (!client) continue;
    const std::shared_ptr<Connections> shared = connections_;
    {
      std::lock_guard<std::mutex> hold(shared->lock);
      if (shared->active >= kMaxConnections) continue;  // refused: closed at once
      ++shared->active;
    }
    const SOCKET raw = client.Release();
    std::thread thread;
    if (!StartGuardedThread(thread, [this, raw, shared] {
          UniqueSocket owned(raw);
          RunGuarded([&] { Serve(owned.Get()); });
          owned.Reset();
          // Nothing of the server is touched once the count is down.
          std::lock_guard<std::mutex> hold(shared->lock);
          --shared->active;
          shared->idle.notify_all();
        })) {
      closesocket(raw);
      std::lock_guard<std::mutex> hold(shared->lock);
      --shared->active;
      continue;
    }
    thread.detach();
  }
}

void CatalogueServer::Serve(SOCKET client) {
  DWORD timeout = kSendTimeoutMs;
  (void)setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  const RequestDeadline deadline(GetTickCount64());
  HttpRequest request;
  char buffer[4096];
  while (request.state() == HttpRequest::State::kHead || request.state() == HttpRequest::State::kBody) {
    const uint32_t left = deadline.RemainingMs(GetTickCount64());
    if (left == 0) {
      SendAll(client, "HTTP/1.1 408 Request Timeout\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
      return;
    }
    if (!WaitReadable(client, left)) {
      if (stopping_.load()) return;
      continue;  // the loop checks the time
    }
    const int n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    request.Feed(std::string_view(buffer, static_cast<size_t>(n)));
    if (stopping_.load()) return;
  }
  if (request.state() == HttpRequest::State::kError) {
    const int status = request.error_status();
    SendAll(client, "HTTP/1.1 " + std::to_string(status) + " " + std::string(StatusText(status)) +
                        "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    return;
  }
  SendAll(client, handler_(request));
  answered_.fetch_add(1);
  shutdown(client, SD_SEND);
}
