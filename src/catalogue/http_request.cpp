#include "catalogue/http_request.h"

#include "base/ascii.h"

namespace {

bool IsTokenChar(char c) {
  if (c >= 'a' && c <= 'z') return true;
  if (c >= 'A' && c <= 'Z') return true;
  if (c >= '0' && c <= '9') return true;
  return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

std::optional<size_t> ParseLength(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  size_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<size_t>(c - '0');
  }
  return n;
}

}  // namespace

HttpRequest::State HttpRequest::Fail(int status) {
  state_ = State::kError;
  error_status_ = status;
  return state_;
}

HttpRequest::State HttpRequest::Feed(std::span<const uint8_t> data) {
  size_t i = 0;
  while (i < data.size() && state_ == State::kHead) {
    const char c = static_cast<char>(data[i++]);
    if (++head_bytes_ > kMaxHeadBytes) return Fail(431);
    if (c == '\0') return Fail(400);
    if (c != '\n') {
      line_ += c;
      continue;
    }
    std::string_view line(line_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const bool ok = TakeLine(line);
    line_.clear();
    if (!ok) return state_;
  }
  if (state_ == State::kBody) {
    const size_t n = std::min(data.size() - i, body_expected_ - body_.size());
    body_.append(reinterpret_cast<const char*>(data.data() + i), n);
    if (body_.size() == body_expected_) state_ = State::kDone;
  }
  return state_;
}

bool HttpRequest::TakeLine(std::string_view line) {
  if (method_.empty()) {
    // RFC 9112 lets a server skip empty lines before the request line.
    if (line.empty()) return true;
    if (!ParseRequestLine(line)) {
      if (state_ != State::kError) Fail(400);
      return false;
    }
    return true;
  }
  if (line.empty()) return HeadDone();
  // Folded lines are obsolete and a request smuggling vector: refused.
  if (line.front() == ' ' || line.front() == '\t') return Fail(400), false;
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) return Fail(400), false;
  const std::string_view name = line.substr(0, colon);
  for (char c : name) {
    if (!IsTokenChar(c)) return Fail(400), false;
  }
  if (headers_.size() >= kMaxHeaders) return Fail(431), false;
  headers_.push_back({std::string(name), std::string(Trim(line.substr(colon + 1)))});
  return true;
}

bool HttpRequest::ParseRequestLine(std::string_view line) {
  const size_t sp1 = line.find(' ');
  if (sp1 == std::string_view::npos || sp1 == 0) return false;
  const size_t sp2 = line.find(' ', sp1 + 1);
  if (sp2 == std::string_view::npos || sp2 == sp1 + 1) return false;
  const std::string_view method = line.substr(0, sp1);
  const std::string_view target = line.substr(sp1 + 1, sp2 - sp1 - 1);
  const std::string_view version = line.substr(sp2 + 1);
  for (char c : method) {
    if (!IsTokenChar(c)) return false;
  }
  // Origin form only: a proxy's absolute form or "*" is not for us.
  if (target.front() != '/') return false;
  for (char c : target) {
    if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F) return false;
  }
  if (version != "HTTP/1.1" && version != "HTTP/1.0") {
    if (version.rfind("HTTP/", 0) == 0) Fail(505);
    return false;
  }
  method_ = std::string(method);
  target_ = std::string(target);
  return true;
}

bool HttpRequest::HeadDone() {
  if (Header("Transfer-Encoding")) return Fail(501), false;
  size_t length = 0;
  bool seen = false;
  for (const HttpHeader& h : headers_) {
    if (!EqualsIgnoreCase(h.name, "Content-Length")) continue;
    const std::optional<size_t> n = ParseLength(h.value);
    if (!n) return Fail(400), false;
    // Two different lengths are a smuggling attempt.
    if (seen && *n != length) return Fail(400), false;
    length = *n;
    seen = true;
  }
  const size_t limit = method_ == "POST" && path() == kUploadPath ? kMaxUploadBytes : kMaxBodyBytes;
  if (length > limit) return Fail(413), false;
  body_expected_ = length;
  state_ = length == 0 ? State::kDone : State::kBody;
  return true;
}

std::string_view HttpRequest::path() const {
  const std::string_view t(target_);
  return t.substr(0, t.find('?'));
}

std::string_view HttpRequest::query() const {
  const std::string_view t(target_);
  const size_t q = t.find('?');
  return q == std::string_view::npos ? std::string_view() : t.substr(q + 1);
}

std::optional<std::string_view> HttpRequest::Header(std::string_view name) const {
  for (const HttpHeader& h : headers_) {
    if (EqualsIgnoreCase(h.name, name)) return std::string_view(h.value);
  }
  return std::nullopt;
}

std::string_view StatusText(int status) {
  switch (status) {
    case 200: return "OK";
    case 303: return "See Other";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 413: return "Content Too Large";
    case 421: return "Misdirected Request";
    case 431: return "Request Header Fields Too Large";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Error";
  }
}
