// Fuzzes the address parser, the reference resolver and the request builders:
// a parsed address prints as text that parses to the same address; a request
// never carries a raw line break outside its own line ends.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/api/engine.h"
#include "engine/net/url.h"

namespace {

// The text form leaves credentials out (it is what status texts and logs may show).
bool Same(const Url& a, const Url& b) {
  return a.host == b.host && a.port == b.port && a.path == b.path && a.secure == b.secure;
}

void CheckRequest(const std::string& request) {
  // Every CR is part of a CRLF, and the head ends with the one empty line.
  for (size_t i = 0; i < request.size(); ++i) {
    if (request[i] == '\r' && (i + 1 >= request.size() || request[i + 1] != '\n')) __builtin_trap();
    if (request[i] == '\n' && (i == 0 || request[i - 1] != '\r')) __builtin_trap();
  }
  if (request.find("\r\n\r\n") + 4 != request.size()) __builtin_trap();
}

void CheckAddress(const Url& url) {
  Url again;
  if (ParseUrl(UrlText(url), again) != kErrorOk || !Same(url, again)) __builtin_trap();
  RequestOptions options;
  CheckRequest(BuildRequest(url, options));
  options.via_proxy = true;
  options.proxy_userinfo = url.userinfo;
  CheckRequest(BuildRequest(url, options));
  CheckRequest(BuildConnectRequest(url, url.userinfo));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  Url url;
  const int error = ParseUrl(text, url);
  if (error != kErrorOk && error != kErrorProtocol && error != kErrorBadAddress) __builtin_trap();
  if (error == kErrorOk) CheckAddress(url);
  for (const char* base_text : {"http://127.0.0.1:8000/dir/list.pls?q=1", "https://radio.example/a/b/c"}) {
    Url base;
    if (ParseUrl(base_text, base) != kErrorOk) __builtin_trap();
    Url out;
    const int e = ResolveReference(base, text, out);
    if (e != kErrorOk && e != kErrorProtocol && e != kErrorBadAddress) __builtin_trap();
    if (e == kErrorOk) CheckAddress(out);
  }
  return 0;
}
