// The network as the engine's stream logic sees it: a connection interface small
// enough that the stream session and the HLS source run (and are tested)
// without a network, the network options, and the wait between reconnection
// attempts. Portable; net_win.h implements it over sockets and TLS.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/net/block_cipher.h"
#include "engine/net/engine_error.h"

struct NetOptions {
  uint32_t connect_timeout_ms = 5000;  // option 11
  uint32_t read_timeout_ms = 5000;     // option 37
  uint32_t prebuffer_percent = 75;     // option 15
  bool resolve_playlists = false;      // option 21
  uint32_t reconnect_ms = 30000;       // kOptionNetReconnect
  std::string proxy;                   // option 17, empty = direct
  // The program's own listener on the loopback address (the catalogue's
  // server), 0 = none: addresses that streams name are never let reach it.
  uint16_t own_port = 0;
};

// The options that streams opened now take. Kept by the engine's state
// (api/engine_state.cpp); any thread.
NetOptions CurrentNetOptions();

// One byte stream to a server (TCP, or TLS over it). Results are engine error
// codes: kErrorOk, kErrorNoConnection, kErrorTimeout, kErrorAborted (closed),
// kErrorTls.
class Connection {
 public:
  virtual ~Connection() = default;
  [[nodiscard]] virtual int Send(std::string_view data, uint32_t timeout_ms) = 0;
  // Up to `size` bytes, waiting at most `timeout_ms` for the first; `got` = 0
  // with kErrorOk: the server closed the connection.
  [[nodiscard]] virtual int Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) = 0;
};

// What the stream session and the HLS source need from the platform, for one
// stream. Every wait ends at once, with kErrorAborted or false, when the
// stream is closed.
class Network {
 public:
  virtual ~Network() = default;
  [[nodiscard]] virtual int Connect(const std::string& host, uint16_t port, uint32_t timeout_ms,
                                    std::unique_ptr<Connection>& out) = 0;
  // Replaces `connection` by a TLS connection over it to `host` (SNI, the
  // certificate chain and name verified); kErrorCertificate when verification
  // fails, kErrorTls when no TLS session could be negotiated.
  [[nodiscard]] virtual int StartTls(const std::string& host, uint32_t timeout_ms,
                                     std::unique_ptr<Connection>& connection) = 0;
  virtual uint64_t NowMs() = 0;  // a monotonic clock
  // Waits `ms`; false when the stream was closed meanwhile.
  [[nodiscard]] virtual bool Sleep(uint32_t ms) = 0;
  virtual bool Cancelled() = 0;
  // AES-128 block decryption with `key` for encrypted HLS segments; null
  // where the platform has none (such segments are then not played).
  virtual std::unique_ptr<BlockDecryptor> MakeAes128(const AesBlock& key) {
    (void)key;
    return nullptr;
  }
};

// Reconnection of a dropped live stream: the wait before attempt `attempt`
// (0 = the first). The attempts stop NetOptions::reconnect_ms after the drop.
uint32_t ReconnectDelayMs(int attempt);
