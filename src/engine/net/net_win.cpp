#include "engine/net/net_win.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/guarded.h"
#include "engine/net/aes_win.h"
#include "engine/net/engine_error.h"
#include "engine/net/tls_win.h"

namespace {

bool NetStartup() {
  static std::once_flag once;
  static bool ok = false;
  // Never cleaned up: streams may be closed from any thread up to process exit.
  std::call_once(once, [] {
    WSADATA data;
    ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  });
  return ok;
}

struct Address {
  int family = AF_INET;
  sockaddr_storage storage{};
  int length = 0;
};

void CopyAddresses(const addrinfo* list, std::vector<Address>& out) {
  for (const addrinfo* a = list; a; a = a->ai_next) {
    if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
    Address address;
    address.family = a->ai_family;
    memcpy(&address.storage, a->ai_addr, a->ai_addrlen);
    address.length = static_cast<int>(a->ai_addrlen);
    out.push_back(address);
  }
}

// Whether `address` is a loopback (or unspecified) address of this machine at
// `port`: the program's own listener when `port` is its port. A name of a
// stream's, a playlist's or a redirect's may resolve to one.
bool IsOwnListener(const Address& address, uint16_t port) {
  if (port == 0) return false;
  if (address.family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(address.storage);
    const uint32_t v4 = ntohl(in.sin_addr.s_addr);
    return ntohs(in.sin_port) == port && (v4 >> 24 == 127 || v4 == 0);
  }
  if (address.family != AF_INET6) return false;
  const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address.storage);
  if (ntohs(in6.sin6_port) != port) return false;
  const uint8_t* b = in6.sin6_addr.s6_addr;
  auto zero = [b](int from, int to) {
    return std::all_of(b + from, b + to, [](uint8_t x) { return x == 0; });
  };
  if (zero(0, 15) && b[15] <= 1) return true;  // :: and ::1
  // IPv4-mapped: ::ffff:127.x.x.x and ::ffff:0.0.0.0
  return zero(0, 10) && b[10] == 0xFF && b[11] == 0xFF && (b[12] == 127 || zero(12, 16));
}

// A name lookup on its own thread: getaddrinfo cannot be cancelled, so the
// caller waits for it or for the cancel event, whichever comes first, and an
// abandoned lookup finishes and frees itself later.
struct Lookup {
  std::string host;
  std::string port;
  UniqueHandle done = MakeEvent(true);
  int result = EAI_FAIL;
  std::vector<Address> addresses;
};

int Resolve(const std::string& host, uint16_t port, HANDLE cancel, uint64_t deadline,
            std::vector<Address>& out) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  std::string service = std::to_string(port);
  // Literal addresses need no lookup thread.
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &list) == 0) {
    CopyAddresses(list, out);
    freeaddrinfo(list);
    return out.empty() ? kErrorNoConnection : kErrorOk;
  }

  auto lookup = std::make_shared<Lookup>();
  lookup->host = host;
  lookup->port = service;
  if (!lookup->done) return kErrorMemory;
  std::thread thread;
  if (!StartGuardedThread(thread, [lookup] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        addrinfo* list = nullptr;
        lookup->result = getaddrinfo(lookup->host.c_str(), lookup->port.c_str(), &hints, &list);
        if (lookup->result == 0) {
          CopyAddresses(list, lookup->addresses);
          freeaddrinfo(list);
        }
        SetEvent(lookup->done.Get());
      }))
    return kErrorMemory;
  thread.detach();
  uint64_t now = GetTickCount64();
  DWORD wait = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
  HANDLE handles[2] = {cancel, lookup->done.Get()};
  switch (WaitForMultipleObjects(2, handles, FALSE, wait)) {
    case WAIT_OBJECT_0: return kErrorAborted;
    case WAIT_OBJECT_0 + 1: break;
    case WAIT_TIMEOUT: return kErrorTimeout;
    default: return kErrorUnknown;
  }
  if (lookup->result != 0 || lookup->addresses.empty()) return kErrorNoConnection;
  out = lookup->addresses;
  return kErrorOk;
}

uint64_t DeadlineAfter(uint32_t ms) { return GetTickCount64() + ms; }

}  // namespace

void TcpConnection::CloseSocket() {
  socket_.Reset();
  event_.Reset();
}

int TcpConnection::Wait(uint64_t deadline) {
  uint64_t now = GetTickCount64();
  DWORD wait = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
  // The cancel event first: when both are set, closing wins.
  WSAEVENT events[2] = {cancel_.Event(), event_.Get()};
  DWORD r = WSAWaitForMultipleEvents(2, events, FALSE, wait, FALSE);
  if (r == WSA_WAIT_EVENT_0) return kErrorAborted;
  if (r == WSA_WAIT_TIMEOUT) return kErrorTimeout;
  if (r != WSA_WAIT_EVENT_0 + 1) return kErrorNoConnection;
  return kErrorOk;
}

int TcpConnection::Connect(const std::string& host, uint16_t port, uint32_t timeout_ms) {
  if (!NetStartup()) return kErrorNoConnection;
  CloseSocket();
  uint64_t deadline = DeadlineAfter(timeout_ms);
  std::vector<Address> addresses;
  if (int error = Resolve(host, port, cancel_.Event(), deadline, addresses); error != kErrorOk)
    return error;

  const uint16_t own_port = CurrentNetOptions().own_port;
  int last = kErrorNoConnection;
  for (const Address& address : addresses) {
    if (IsOwnListener(address, own_port)) {
      last = kErrorBadAddress;
      continue;
    }
    CloseSocket();
    socket_.Reset(socket(address.family, SOCK_STREAM, IPPROTO_TCP));
    event_.Reset(WSACreateEvent());
    if (!socket_ || !event_) return kErrorNoConnection;
    // Makes the socket non-blocking; the event reports what can go on.
    if (WSAEventSelect(socket_.Get(), event_.Get(), FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0)
      return kErrorNoConnection;
    if (connect(socket_.Get(), reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0)
      return kErrorOk;
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
      last = kErrorNoConnection;
      continue;
    }
    for (;;) {
      int error = Wait(deadline);
      if (error == kErrorAborted || error == kErrorTimeout) {
        CloseSocket();
        return error;
      }
      WSANETWORKEVENTS events{};
      if (error != kErrorOk || WSAEnumNetworkEvents(socket_.Get(), event_.Get(), &events) != 0) {
        last = kErrorNoConnection;
        break;
      }
      if (events.lNetworkEvents & FD_CONNECT) {
        if (events.iErrorCode[FD_CONNECT_BIT] == 0) return kErrorOk;
        last = kErrorNoConnection;
        break;
      }
    }
  }
  CloseSocket();
  return last;
}

int TcpConnection::Send(std::string_view data, uint32_t timeout_ms) {
  if (!socket_) return kErrorNoConnection;
  uint64_t deadline = DeadlineAfter(timeout_ms);
  while (!data.empty()) {
    if (cancel_.IsSet()) return kErrorAborted;
    int chunk = static_cast<int>(std::min<size_t>(data.size(), 64 * 1024));
    int sent = send(socket_.Get(), data.data(), chunk, 0);
    if (sent > 0) {
      data.remove_prefix(static_cast<size_t>(sent));
      deadline = DeadlineAfter(timeout_ms);
      continue;
    }
    if (sent == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) return kErrorNoConnection;
    if (int error = Wait(deadline); error != kErrorOk) return error;
    WSANETWORKEVENTS events{};
    WSAEnumNetworkEvents(socket_.Get(), event_.Get(), &events);
    if ((events.lNetworkEvents & FD_CLOSE) && !(events.lNetworkEvents & FD_WRITE))
      return kErrorNoConnection;
  }
  return kErrorOk;
}

int TcpConnection::Receive(uint8_t* buffer, size_t size, uint32_t timeout_ms, size_t& got) {
  got = 0;
  if (!socket_) return kErrorNoConnection;
  uint64_t deadline = DeadlineAfter(timeout_ms);
  int want = static_cast<int>(std::min<size_t>(size, 1 << 20));
  for (;;) {
    if (cancel_.IsSet()) return kErrorAborted;
    int r = recv(socket_.Get(), reinterpret_cast<char*>(buffer), want, 0);
    if (r > 0) {
      got = static_cast<size_t>(r);
      return kErrorOk;
    }
    if (r == 0) return kErrorOk;  // orderly close
    int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK) return kErrorNoConnection;
    if (int wait = Wait(deadline); wait != kErrorOk) return wait;
    // Resets the event; the next recv tells what happened.
    WSANETWORKEVENTS events{};
    WSAEnumNetworkEvents(socket_.Get(), event_.Get(), &events);
  }
}

int StreamNetwork::Connect(const std::string& host, uint16_t port, uint32_t timeout_ms,
                           std::unique_ptr<Connection>& out) {
  auto tcp = std::make_unique<TcpConnection>(cancel_);
  if (int error = tcp->Connect(host, port, timeout_ms); error != kErrorOk) return error;
  out = std::move(tcp);
  return kErrorOk;
}

int StreamNetwork::StartTls(const std::string& host, uint32_t timeout_ms, std::unique_ptr<Connection>& connection) {
  std::unique_ptr<Connection> secure;
  if (int error = StartTlsConnection(std::move(connection), host, timeout_ms, secure); error != kErrorOk)
    return Cancelled() ? kErrorAborted : error;
  connection = std::move(secure);
  return kErrorOk;
}

uint64_t StreamNetwork::NowMs() { return GetTickCount64(); }

bool StreamNetwork::Sleep(uint32_t ms) { return WaitForSingleObject(cancel_.Event(), ms) == WAIT_TIMEOUT; }

bool StreamNetwork::Cancelled() { return cancel_.IsSet(); }

std::unique_ptr<BlockDecryptor> StreamNetwork::MakeAes128(const AesBlock& key) { return MakeCngAes128(key); }
