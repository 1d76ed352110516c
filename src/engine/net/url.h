// Stream addresses: parsing http:// and https:// addresses, the request we send, and
// resolving redirect targets and playlist entries. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct Url {
  std::string host;       // name or IPv4/IPv6 literal (no brackets)
  bool secure = false;    // https: TLS to the host
  uint16_t port = 80;     // TCP port (80 for http, 443 for https unless given)
  std::string path = "/"; // path and query as given, starts with '/'
  std::string userinfo;   // "user:pass" before '@', empty = none
};

// Parses an address. kErrorOk and `out` filled; kErrorProtocol for another
// scheme (ftp, mms ...); kErrorBadAddress for anything malformed. The scheme
// and host are case-insensitive; "http://host" gets the path "/".
int ParseUrl(std::string_view text, Url& out);

// The address as text, "http[s]://host[:port]/path".
std::string UrlText(const Url& url);

// "host" or "host:port" for the Host header (IPv6 literals in brackets); the
// port is left out when it is the scheme's default.
std::string HostHeader(const Url& url);

struct RequestOptions {
  bool via_proxy = false;      // send the absolute address (a proxy's request line)
  std::string proxy_userinfo;  // "user:pass" for Proxy-Authorization, empty = none
  uint64_t offset = 0;         // byte offset to start from (Range), 0 = from the start
  bool keep_alive = false;     // ask to keep the connection for the next request (HLS)
  bool icy_metadata = true;    // ask for ICY metadata blocks in the audio
};

// The GET request for `url`, head only, CRLF line ends, ended by an empty line.
std::string BuildRequest(const Url& url, const RequestOptions& options);
// The CONNECT request that opens a tunnel through a proxy to `url`'s host and
// port (https through a proxy); `proxy_userinfo` as in RequestOptions.
std::string BuildConnectRequest(const Url& url, std::string_view proxy_userinfo);

// The program's name as sent in User-Agent. A browser-like agent makes old ICY
// servers answer with an HTML status page instead of the stream.
inline constexpr char kUserAgent[] = "VolnarRadio/1.0";

// Resolves a redirect's Location or a playlist entry against `base`: absolute
// addresses as they are, "//host/..." with base's scheme, "/path" on base's
// host and port, anything else relative to base's directory. kErrorOk / kErrorProtocol /
// kErrorBadAddress as ParseUrl.
int ResolveReference(const Url& base, std::string_view reference, Url& out);

// Standard base64 of `data` (Basic authentication).
std::string Base64(std::string_view data);

// Whether `host` (a name or an address literal, as Url holds it) is this
// machine: "localhost" and the names under it; 127.0.0.0/8 and 0.0.0.0 in any
// form an IPv4 resolver reads (one to four parts, each decimal, octal with a
// leading 0, or hex with 0x); the IPv6 loopback and unspecified addresses and
// the IPv4-mapped or -compatible forms of those. A trailing dot and an IPv6
// zone ("%1") do not change it.
bool IsLoopbackHost(std::string_view host);
