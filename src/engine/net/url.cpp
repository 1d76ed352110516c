#include "engine/net/url.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <vector>

#include "base/ascii.h"
#include "engine/net/engine_error.h"

namespace {

bool IsSchemeChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
}

// Bytes that may not appear raw in a request line are sent %-encoded; '%'
// itself is kept, as addresses usually arrive already encoded.
std::string EncodePath(std::string_view path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : path) {
    auto u = static_cast<unsigned char>(c);
    if (u <= ' ' || u >= 0x7f || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' ||
        c == '`' || c == '{' || c == '|' || c == '}') {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// Raw control bytes never belong in an address (and would end a header line).
bool HasControlBytes(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) {
    auto u = static_cast<unsigned char>(c);
    return u < ' ' || u == 0x7f;
  });
}

}  // namespace

int ParseUrl(std::string_view text, Url& out) {
  // The fragment is never sent; what is left is trimmed again so that an
  // address and its text form parse alike.
  text = Trim(Trim(text).substr(0, Trim(text).find('#')));
  if (HasControlBytes(text)) return kErrorBadAddress;
  size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0) return kErrorBadAddress;
  std::string_view scheme = text.substr(0, colon);
  if (!std::all_of(scheme.begin(), scheme.end(), IsSchemeChar)) return kErrorBadAddress;
  const bool secure = EqualsIgnoreCase(scheme, "https");
  if (!secure && !EqualsIgnoreCase(scheme, "http")) return kErrorProtocol;
  std::string_view rest = text.substr(colon + 1);
  if (rest.substr(0, 2) != "//") return kErrorBadAddress;
  rest.remove_prefix(2);

  size_t end = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, end);
  std::string_view path = end == std::string_view::npos ? std::string_view() : rest.substr(end);

  Url url;
  url.secure = secure;
  url.port = secure ? 443 : 80;
  if (size_t at = authority.rfind('@'); at != std::string_view::npos) {
    url.userinfo = std::string(authority.substr(0, at));
    authority.remove_prefix(at + 1);
  }
  std::string_view host = authority;
  std::string_view port;
  if (!authority.empty() && authority.front() == '[') {
    size_t close = authority.find(']');
    if (close == std::string_view::npos) return kErrorBadAddress;
    host = authority.substr(1, close - 1);
    std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return kErrorBadAddress;
      port = after.substr(1);
    }
    if (host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos)
      return kErrorBadAddress;
  } else if (size_t pc = authority.rfind(':'); pc != std::string_view::npos) {
    host = authority.substr(0, pc);
    port = authority.substr(pc + 1);
  }
  if (host.empty()) return kErrorBadAddress;
  for (char c : host) {
    auto u = static_cast<unsigned char>(c);
    if (u <= ' ' || u == 0x7f || c == '/' || c == '@' || c == '[' || c == ']' || c == '%')
      return kErrorBadAddress;
  }
  if (authority.front() != '[' && host.find(':') != std::string_view::npos) return kErrorBadAddress;
  url.host = std::string(host);
  if (!port.empty()) {
    if (port.size() > 5 || !std::all_of(port.begin(), port.end(), [](char c) {
          return c >= '0' && c <= '9';
        }))
      return kErrorBadAddress;
    unsigned value = 0;
    for (char c : port) value = value * 10 + static_cast<unsigned>(c - '0');
    if (value == 0 || value > 65535) return kErrorBadAddress;
    url.port = static_cast<uint16_t>(value);
  }
  if (path.empty()) {
    url.path = "/";
  } else if (path.front() == '?') {
    url.path = "/" + std::string(path);
  } else {
    url.path = std::string(path);
  }
  out = std::move(url);
  return kErrorOk;
}

std::string HostHeader(const Url& url) {
  std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
  if (url.port != (url.secure ? 443 : 80)) host += ":" + std::to_string(url.port);
  return host;
}

std::string UrlText(const Url& url) { return (url.secure ? "https://" : "http://") + HostHeader(url) + url.path; }

std::string BuildConnectRequest(const Url& url, std::string_view proxy_userinfo) {
  std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
  host += ":" + std::to_string(url.port);
  std::string r = "CONNECT " + host + " HTTP/1.1\r\n";
  r += "Host: " + host + "\r\n";
  r += "User-Agent: ";
  r += kUserAgent;
  r += "\r\n";
  if (!proxy_userinfo.empty()) r += "Proxy-Authorization: Basic " + Base64(proxy_userinfo) + "\r\n";
  r += "\r\n";
  return r;
}

std::string BuildRequest(const Url& url, const RequestOptions& options) {
  std::string target = options.via_proxy ? UrlText(url) : url.path;
  std::string r = "GET " + EncodePath(target) + " HTTP/1.1\r\n";
  r += "Host: " + HostHeader(url) + "\r\n";
  r += "User-Agent: ";
  r += kUserAgent;
  r += "\r\n";
  r += "Accept: */*\r\n";
  if (options.icy_metadata) r += "Icy-MetaData: 1\r\n";
  if (options.offset > 0) r += "Range: bytes=" + std::to_string(options.offset) + "-\r\n";
  if (!url.userinfo.empty()) r += "Authorization: Basic " + Base64(url.userinfo) + "\r\n";
  if (!options.proxy_userinfo.empty())
    r += "Proxy-Authorization: Basic " + Base64(options.proxy_userinfo) + "\r\n";
  r += options.keep_alive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
  return r;
}

int ResolveReference(const Url& base, std::string_view reference, Url& out) {
  std::string_view ref = Trim(reference);
  if (ref.empty() || HasControlBytes(ref)) return kErrorBadAddress;
  if (ref.substr(0, 2) == "//") return ParseUrl((base.secure ? "https:" : "http:") + std::string(ref), out);
  // A scheme is letters before the first ':' that comes before any '/', '?' or '#'.
  size_t colon = ref.find(':');
  size_t delim = ref.find_first_of("/?#");
  if (colon != std::string_view::npos && colon > 0 && colon < delim &&
      std::isalpha(static_cast<unsigned char>(ref.front())) &&
      std::all_of(ref.begin(), ref.begin() + static_cast<std::ptrdiff_t>(colon), IsSchemeChar)) {
    return ParseUrl(ref, out);
  }
  Url url = base;
  if (size_t hash = ref.find('#'); hash != std::string_view::npos) ref = Trim(ref.substr(0, hash));
  if (ref.empty()) {
    out = url;
    return kErrorOk;
  }
  if (ref.front() == '/') {
    url.path = std::string(ref);
  } else if (ref.front() == '?') {
    url.path = base.path.substr(0, base.path.find('?')) + std::string(ref);
  } else {
    std::string dir = base.path.substr(0, base.path.find('?'));
    dir = dir.substr(0, dir.rfind('/') + 1);
    if (dir.empty()) dir = "/";
    url.path = dir + std::string(ref);
  }
  // Remove "." and ".." segments of the path (not of the query).
  std::string path = url.path.substr(0, url.path.find('?'));
  std::string query = url.path.substr(path.size());
  std::vector<std::string> segments;
  size_t pos = 1;
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    std::string seg = path.substr(pos, next - pos);
    bool last = next == path.size();
    if (seg == "..") {
      if (!segments.empty()) segments.pop_back();
      if (last) segments.emplace_back();
    } else if (seg == ".") {
      if (last) segments.emplace_back();
    } else {
      segments.push_back(seg);
    }
    pos = next + 1;
  }
  std::string clean;
  for (const std::string& s : segments) clean += "/" + s;
  if (clean.empty()) clean = "/";
  url.path = clean + query;
  out = std::move(url);
  return kErrorOk;
}

std::string Base64(std::string_view data) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  while (i + 3 <= data.size()) {
    uint32_t v = (static_cast<uint8_t>(data[i]) << 16) | (static_cast<uint8_t>(data[i + 1]) << 8) |
                 static_cast<uint8_t>(data[i + 2]);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
    i += 3;
  }
  size_t left = data.size() - i;
  if (left > 0) {
    uint32_t v = static_cast<uint8_t>(data[i]) << 16;
    if (left == 2) v |= static_cast<uint8_t>(data[i + 1]) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += left == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// A number as an IPv4 resolver reads one part of a dotted address.
std::optional<uint64_t> Ipv4Part(std::string_view part) {
  unsigned base = 10;
  if (part.size() > 1 && part[0] == '0' && (part[1] == 'x' || part[1] == 'X')) {
    base = 16;
    part.remove_prefix(2);
  } else if (part.size() > 1 && part[0] == '0') {
    base = 8;
    part.remove_prefix(1);
  }
  if (part.empty() && base != 16) return std::nullopt;
  uint64_t value = 0;
  for (char c : part) {
    const int d = DigitValue(c);
    if (d >= static_cast<int>(base)) return std::nullopt;
    value = value * base + static_cast<unsigned>(d);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return value;
}

// "a.b.c.d", "a.b.c", "a.b" or "a" (the last part fills the bytes left).
std::optional<uint32_t> ParseIpv4(std::string_view text) {
  uint64_t parts[4];
  size_t count = 0;
  for (;;) {
    const size_t dot = text.find('.');
    if (count == 4) return std::nullopt;
    const std::optional<uint64_t> part = Ipv4Part(text.substr(0, dot));
    if (!part) return std::nullopt;
    parts[count++] = *part;
    if (dot == std::string_view::npos) break;
    text.remove_prefix(dot + 1);
  }
  uint32_t address = 0;
  for (size_t i = 0; i + 1 < count; ++i) {
    if (parts[i] > 0xFF) return std::nullopt;
    address |= static_cast<uint32_t>(parts[i]) << (24 - 8 * i);
  }
  const unsigned last_bits = 32 - 8 * static_cast<unsigned>(count - 1);
  if (last_bits < 32 && parts[count - 1] >> last_bits) return std::nullopt;
  return address | static_cast<uint32_t>(parts[count - 1]);
}

bool IsLoopbackIpv4(uint32_t address) { return address >> 24 == 127 || address == 0; }

// The 16 bytes of an IPv6 literal (groups of hex digits, one "::", a dotted
// IPv4 address at the end).
std::optional<std::array<uint8_t, 16>> ParseIpv6(std::string_view text) {
  std::vector<uint16_t> head, tail;
  bool gap = false;
  const size_t double_colon = text.find("::");
  if (double_colon != std::string_view::npos) {
    gap = true;
    if (text.find("::", double_colon + 1) != std::string_view::npos) return std::nullopt;
  }
  auto groups = [](std::string_view part, std::vector<uint16_t>& out, bool last) {
    if (part.empty()) return true;
    for (;;) {
      const size_t colon = part.find(':');
      const std::string_view group = part.substr(0, colon);
      if (last && colon == std::string_view::npos && group.find('.') != std::string_view::npos) {
        // Four decimal parts only here, as IPv6 text writes them.
        if (std::count(group.begin(), group.end(), '.') != 3 ||
            !std::all_of(group.begin(), group.end(),
                         [](char c) { return (c >= '0' && c <= '9') || c == '.'; }))
          return false;
        const std::optional<uint32_t> v4 = ParseIpv4(group);
        if (!v4) return false;
        out.push_back(static_cast<uint16_t>(*v4 >> 16));
        out.push_back(static_cast<uint16_t>(*v4 & 0xFFFF));
        return true;
      }
      if (group.empty() || group.size() > 4) return false;
      uint32_t value = 0;
      for (char c : group) {
        const int d = DigitValue(c);
        if (d >= 16) return false;
        value = value * 16 + static_cast<uint32_t>(d);
      }
      out.push_back(static_cast<uint16_t>(value));
      if (colon == std::string_view::npos) return true;
      part.remove_prefix(colon + 1);
    }
  };
  if (gap) {
    if (!groups(text.substr(0, double_colon), head, false) ||
        !groups(text.substr(double_colon + 2), tail, true))
      return std::nullopt;
    if (head.size() + tail.size() > 7) return std::nullopt;
  } else {
    if (!groups(text, head, true) || head.size() != 8) return std::nullopt;
  }
  std::array<uint8_t, 16> bytes{};
  for (size_t i = 0; i < head.size(); ++i) {
    bytes[2 * i] = static_cast<uint8_t>(head[i] >> 8);
    bytes[2 * i + 1] = static_cast<uint8_t>(head[i]);
  }
  for (size_t i = 0; i < tail.size(); ++i) {
    const size_t at = 16 - 2 * (tail.size() - i);
    bytes[at] = static_cast<uint8_t>(tail[i] >> 8);
    bytes[at + 1] = static_cast<uint8_t>(tail[i]);
  }
  return bytes;
}

}  // namespace

bool IsLoopbackHost(std::string_view host) {
  if (!host.empty() && host.back() == '.') host.remove_suffix(1);
  if (host.find(':') != std::string_view::npos) {
    const std::optional<std::array<uint8_t, 16>> bytes = ParseIpv6(host.substr(0, host.find('%')));
    if (!bytes) return false;
    const auto zero = [&bytes](size_t from, size_t to) {
      return std::all_of(bytes->begin() + static_cast<std::ptrdiff_t>(from),
                         bytes->begin() + static_cast<std::ptrdiff_t>(to),
                         [](uint8_t b) { return b == 0; });
    };
    const uint32_t v4 = uint32_t((*bytes)[12]) << 24 | uint32_t((*bytes)[13]) << 16 |
                        uint32_t((*bytes)[14]) << 8 | (*bytes)[15];
    if (zero(0, 15) && (*bytes)[15] <= 1) return true;  // :: and ::1
    if (zero(0, 10) && (*bytes)[10] == 0xFF && (*bytes)[11] == 0xFF)
      return IsLoopbackIpv4(v4);               // ::ffff:a.b.c.d
    return zero(0, 12) && IsLoopbackIpv4(v4);  // ::a.b.c.d
  }
  if (std::optional<uint32_t> v4 = ParseIpv4(host)) return IsLoopbackIpv4(*v4);
  const std::string name = ToLowerAscii(host);
  return name == "localhost" ||
         (name.size() > 10 && name.compare(name.size() - 10, 10, ".localhost") == 0);
}
