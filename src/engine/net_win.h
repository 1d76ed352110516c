// Winsock 2 client connections for the engine's streams. Every wait (name
// lookup, connect, send, receive) also ends at once when the connection's
// cancel event is set, so closing a stream never waits for a time-out.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Results are engine error codes: kErrorOk, kErrorNoConnection (host not
// found, refused, reset), kErrorTimeout, kErrorAborted (cancel event set).
class NetConnection {
 public:
  // `cancel`: a manual-reset event owned by the caller; it must outlive this.
  explicit NetConnection(HANDLE cancel) : cancel_(cancel) {}
  ~NetConnection();
  NetConnection(const NetConnection&) = delete;
  NetConnection& operator=(const NetConnection&) = delete;

  // Looks `host` up and connects to the first address that accepts, all
  // within `timeout_ms`. Any thread; one call per object.
  [[nodiscard]] int Connect(const std::string& host, uint16_t port, uint32_t timeout_ms);
  // Sends all of `data`, waiting at most `timeout_ms` for room each time.
  [[nodiscard]] int SendAll(std::string_view data, uint32_t timeout_ms);
  // Receives up to `size` bytes, waiting at most `timeout_ms` for the first.
  // `got` = 0 with kErrorOk: the server closed the connection.
  [[nodiscard]] int Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got);

 private:
  // Waits for a network event or the cancel event until `deadline` (tick ms).
  int Wait(uint64_t deadline);
  void CloseSocket();

  HANDLE cancel_;
  SOCKET socket_ = INVALID_SOCKET;
  WSAEVENT event_ = WSA_INVALID_EVENT;
};
