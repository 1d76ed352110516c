// The head of a server's answer: status line and header lines, as ICY
// ("ICY 200 OK") and HTTP/1.x servers send them. A push parser: feed it the
// bytes as they arrive, in chunks of any size. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/net/audio_codec.h"
#include "engine/net/url.h"

class HttpAnswer {
 public:
  enum class State { kHead, kDone, kError };
  enum class Kind { kIcy, kHttp };

  // Largest head accepted; a larger one is a malformed answer.
  static constexpr size_t kMaxHeadBytes = 16 * 1024;

  // Takes bytes of the answer. Once the head is complete, the state is kDone
  // and the rest of `data` (the start of the body) is in Body(); bytes fed
  // after that are refused (returns false). kError: malformed or oversized.
  bool Feed(std::span<const uint8_t> data);
  State state() const { return state_; }

  // Valid once kDone.
  Kind kind() const { return kind_; }
  int status() const { return status_; }                     // 200, 404 ...
  const std::string& status_line() const { return status_line_; }  // without its line end
  // Header lines exactly as received (without line ends), in order.
  const std::vector<std::string>& lines() const { return lines_; }
  // Body bytes that came with the head.
  const std::vector<uint8_t>& body() const { return body_; }
  std::vector<uint8_t> TakeBody() { return std::move(body_); }

  // Value of the first header named `name` (any case), trimmed; nullopt if none.
  std::optional<std::string_view> Header(std::string_view name) const;

  // The answer as a header list: the status line and the header lines, each
  // ended by a zero byte, and one more zero byte after the last.
  std::string TagList() const;

 private:
  bool ParseStatus(const std::string& line);
  bool TakeLine(std::string line);

  State state_ = State::kHead;
  Kind kind_ = Kind::kHttp;
  int status_ = 0;
  size_t head_bytes_ = 0;
  std::string partial_;  // the line being received
  std::string status_line_;
  std::vector<std::string> lines_;
  std::vector<uint8_t> body_;
};

// Whether `status` is a redirect we follow (301, 302, 303, 307, 308).
bool IsRedirect(int status);

// Redirects followed for one request, at most.
inline constexpr int kMaxRedirects = 5;

// One redirect step: `url` becomes where the redirect answer `head` points,
// the `redirects`-th one followed so far (0 = the first). kErrorOk, or
// kErrorHttp without a Location, kErrorRedirects past kMaxRedirects, or the
// error of an address that cannot be resolved.
int FollowRedirect(const HttpAnswer& head, int redirects, Url& url);

// The codec a Content-Type names, kUnknown for anything else.
AudioCodec CodecFromContentType(std::string_view content_type);

// The media type of a Content-Type value, lower case, without parameters.
std::string MediaType(std::string_view content_type);

// Parses a decimal header value (icy-metaint, icy-br, Content-Length);
// nullopt unless it is all digits and fits.
std::optional<uint64_t> ParseDecimal(std::string_view value);
