// A server that takes every connection and never answers: a station that
// hangs. It counts the connections it accepted and those the client has not
// closed yet, so a test can see that an abandoned opening let go of its socket.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class SilentServer {
 public:
  SilentServer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (listener_ == INVALID_SOCKET || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 64) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~SilentServer() {
    quit_ = true;
    if (thread_.joinable()) thread_.join();
    for (SOCKET s : clients_) closesocket(s);
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
  }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;

  bool Ok() const { return port_ != 0; }
  std::string Url(const std::string& path = "/stream") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  int Accepted() const { return accepted_; }
  int Open() const { return open_; }  // accepted, not closed by the client yet

 private:
  void Serve() {
    while (!quit_) {
      fd_set read;
      FD_ZERO(&read);
      FD_SET(listener_, &read);
      for (SOCKET s : clients_) FD_SET(s, &read);
      timeval wait{0, 20000};
      if (select(0, &read, nullptr, nullptr, &wait) <= 0) continue;
      if (FD_ISSET(listener_, &read)) {
        const SOCKET s = accept(listener_, nullptr, nullptr);
        if (s != INVALID_SOCKET && clients_.size() < FD_SETSIZE - 1) {
          clients_.push_back(s);
          ++accepted_;
          ++open_;
        } else if (s != INVALID_SOCKET) {
          closesocket(s);
        }
      }
      for (auto it = clients_.begin(); it != clients_.end();) {
        char buffer[4096];
        // The request is read and ignored; a close (0) or a reset ends the client.
        if (FD_ISSET(*it, &read) && recv(*it, buffer, sizeof buffer, 0) <= 0) {
          closesocket(*it);
          it = clients_.erase(it);
          --open_;
        } else {
          ++it;
        }
      }
    }
  }

  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::thread thread_;
  std::atomic<bool> quit_{false};
  std::vector<SOCKET> clients_;  // the serving thread's
  std::atomic<int> accepted_{0}, open_{0};
};
