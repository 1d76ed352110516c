// The catalogue's HTTP server: a listener on the loopback address only,
// one thread accepting and one short-lived thread per connection, each
// connection bounded in time (from its acceptance), request size and
// number. One request per connection; the answer closes it.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "base/scoped_win.h"
#include "catalogue/http_request.h"

class CatalogueServer {
 public:
  // Answers one complete request with the bytes to send back (status line
  // to body). Runs on a connection's thread.
  using Handler = std::function<std::string(const HttpRequest& request)>;

  static constexpr int kMaxConnections = 12;
  static constexpr uint32_t kSendTimeoutMs = 10000;

  CatalogueServer() = default;
  CatalogueServer(const CatalogueServer&) = delete;
  CatalogueServer& operator=(const CatalogueServer&) = delete;
  ~CatalogueServer() { Stop(); }

  // Binds 127.0.0.1 at the first port of `ports` that is free. False when
  // none is. Any thread, once, before Run.
  [[nodiscard]] bool Listen(std::span<const uint16_t> ports);
  uint16_t port() const { return port_; }
  // Starts accepting on its own thread.
  [[nodiscard]] bool Run(Handler handler);
  // Requests answered so far (tests: whether the browser asked). Any thread.
  uint64_t answered() const { return answered_.load(); }
  // Stops accepting, ends the connections and waits for their threads.
  // Not from a connection's thread.
  void Stop();

 private:
  void AcceptLoop();
  void Serve(SOCKET client);
  // Waits until `s` can be read, the time is up, or the server stops.
  bool WaitReadable(SOCKET s, uint32_t ms) const;

  UniqueSocket listener_;
  uint16_t port_ = 0;
  Handler handler_;
  std::atomic<bool> stopping_{false};
  std::atomic<uint64_t> answered_{0};
  std::thread accept_thread_;
  // The connection threads' count. Shared with those threads, which are
  // detached: the last one may still be leaving the lock when Stop has seen
  // the count reach 0 and the server is freed, so the count outlives both.
  struct Connections {
    std::mutex lock;
    std::condition_variable idle;
    int active = 0;  // connection threads running; protected by lock
  };
  std::shared_ptr<Connections> connections_ = std::make_shared<Connections>();
};
