// Winsock 2 client connections for the engine's streams, and the Network of
// one stream. Every wait (name lookup, connect, send, receive, back-off) also
// ends at once when the stream's cancel event is set, so closing a stream
// never waits for a time-out.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/scoped_win.h"
#include "engine/net/network.h"

// A stream's close signal: an event that ends every wait, and a flag for the
// checks between waits (under Wine each look at an event is a round trip to
// its server, and the download thread checks on every read). Any thread.
class CancelSignal {
 public:
  CancelSignal() : event_(MakeEvent(true)) {}
  bool Valid() const { return bool(event_); }
  void Set() {
    set_.store(true, std::memory_order_release);
    SetEvent(event_.Get());
  }
  bool IsSet() const { return set_.load(std::memory_order_acquire); }
  HANDLE Event() const { return event_.Get(); }

 private:
  UniqueHandle event_;  // manual reset
  std::atomic<bool> set_{false};
};

// Results are engine error codes: kErrorOk, kErrorNoConnection (host not
// found, refused, reset), kErrorTimeout, kErrorAborted (the signal was set).
class TcpConnection final : public Connection {
 public:
  // `cancel` is the caller's; it must outlive this.
  explicit TcpConnection(const CancelSignal& cancel) : cancel_(cancel) {}
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  // Looks `host` up and connects to the first address that accepts, all
  // within `timeout_ms`. Any thread; one call per object.
  [[nodiscard]] int Connect(const std::string& host, uint16_t port, uint32_t timeout_ms);
  // Sends all of `data`, waiting at most `timeout_ms` for room each time.
  [[nodiscard]] int Send(std::string_view data, uint32_t timeout_ms) override;
  [[nodiscard]] int Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) override;

 private:
  // Waits for a network event or the cancel event until `deadline` (tick ms).
  int Wait(uint64_t deadline);
  void CloseSocket();

  const CancelSignal& cancel_;
  UniqueSocket socket_;
  UniqueWsaEvent event_;
};

// The platform side of one stream's connection policy: TCP connections, TLS
// over them, a clock, and back-off waits, all ended by `cancel`.
class StreamNetwork final : public Network {
 public:
  explicit StreamNetwork(const CancelSignal& cancel) : cancel_(cancel) {}
  int Connect(const std::string& host, uint16_t port, uint32_t timeout_ms,
              std::unique_ptr<Connection>& out) override;
  int StartTls(const std::string& host, uint32_t timeout_ms, std::unique_ptr<Connection>& connection) override;
  uint64_t NowMs() override;
  bool Sleep(uint32_t ms) override;
  bool Cancelled() override;
  std::unique_ptr<BlockDecryptor> MakeAes128(const AesBlock& key) override;

 private:
  const CancelSignal& cancel_;
};
