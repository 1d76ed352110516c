// Requests to the built-in catalogue server: a push parser for one HTTP/1.1
// request (head and a form body), with hard bounds on its size and header
// count, and the deadline that keeps a slow client from holding a
// connection. Portable; one parser per connection, on that connection's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct HttpHeader {
  std::string name;   // as received
  std::string value;  // trimmed
};

class HttpRequest {
 public:
  enum class State { kHead, kBody, kDone, kError };

  static constexpr size_t kMaxHeadBytes = 8 * 1024;  // request line and headers
  static constexpr size_t kMaxHeaders = 40;
  static constexpr size_t kMaxBodyBytes = 16 * 1024;  // our forms are a few hundred bytes
  // The one form that carries a file: a playlist to import.
  static constexpr size_t kMaxUploadBytes = 1024 * 1024;
  static constexpr char kUploadPath[] = "/fav/import";

  // Takes the next bytes from the client, in chunks of any size. Returns the
  // state after them; bytes after a complete request are ignored (we answer
  // one request per connection).
  State Feed(std::span<const uint8_t> data);
  State Feed(std::string_view data) {
    return Feed(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
  }
  State state() const { return state_; }
  // The status to answer with once kError: 400 malformed, 413 body too large,
  // 431 head too large or too many headers, 501 a coding we don't take,
  // 505 not HTTP/1.x.
  int error_status() const { return error_status_; }

  // Valid once kDone.
  const std::string& method() const { return method_; }  // "GET", "POST" ... as sent
  const std::string& target() const { return target_; }  // "/list?q=x"
  std::string_view path() const;                         // the target before '?'
  std::string_view query() const;                        // after '?', empty when none
  const std::vector<HttpHeader>& headers() const { return headers_; }
  const std::string& body() const { return body_; }
  // The first header named `name` (any case); nullopt when absent.
  std::optional<std::string_view> Header(std::string_view name) const;

 private:
  State Fail(int status);
  bool TakeLine(std::string_view line);
  bool ParseRequestLine(std::string_view line);
  bool HeadDone();

  State state_ = State::kHead;
  int error_status_ = 0;
  size_t head_bytes_ = 0;
  size_t body_expected_ = 0;  // Content-Length
  std::string line_;          // the head line being received
  std::string method_, target_;
  std::vector<HttpHeader> headers_;
  std::string body_;
};

// How long one connection may take from its acceptance to a complete
// request: fixed at the start, so that a client sending a byte a second
// cannot stretch it. Times in ms of a monotonic clock.
class RequestDeadline {
 public:
  static constexpr uint64_t kRequestMs = 10000;
  explicit RequestDeadline(uint64_t accepted_ms) : end_ms_(accepted_ms + kRequestMs) {}
  bool Expired(uint64_t now_ms) const { return now_ms >= end_ms_; }
  // How long the next read may wait, 0 when the time is up.
  uint32_t RemainingMs(uint64_t now_ms) const {
    return now_ms >= end_ms_ ? 0 : static_cast<uint32_t>(end_ms_ - now_ms);
  }

 private:
  uint64_t end_ms_;
};

// The reason phrase of the statuses the server sends.
std::string_view StatusText(int status);
