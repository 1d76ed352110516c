// Fuzzes the catalogue server's request parser and the site behind it: the
// first input byte picks the chunk size, so that split points vary too.
#include <cstddef>
#include <cstdint>
#include <span>

#include "catalogue/http_request.h"
#include "catalogue/site.h"
#include "catalogue/web_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t step = data[0] % 64 + 1;
  std::span<const uint8_t> input(data + 1, size - 1);
  HttpRequest request;
  for (size_t at = 0; at < input.size(); at += step) {
    const HttpRequest::State s = request.Feed(input.subspan(at, std::min(step, input.size() - at)));
    if (s == HttpRequest::State::kDone || s == HttpRequest::State::kError) break;
  }
  if (request.state() == HttpRequest::State::kError &&
      (request.error_status() < 400 || request.error_status() > 505)) {
    __builtin_trap();
  }
  if (request.state() != HttpRequest::State::kDone) return 0;
  if (request.body().size() > HttpRequest::kMaxBodyBytes || request.headers().size() > HttpRequest::kMaxHeaders) {
    __builtin_trap();
  }
  static DirectoryClient directory([](const std::string&) { return std::optional<std::string>("[]"); },
                                   [] { return uint64_t{0}; });
  static UserStore store(nullptr);
  static CatalogueSite site(SiteOptions{"127.0.0.1:47471", "token", nullptr}, directory, store);
  const HttpResponse response = site.Handle(request);
  const std::string wire = SerializeResponse(response, false);
  if (wire.find("\r\n\r\n") == std::string::npos) __builtin_trap();
  // A redirect never leaves the catalogue.
  if (!response.location.empty() && response.location.rfind("http://127.0.0.1:47471/", 0) != 0) __builtin_trap();
  (void)ParseForm(request.query());
  return 0;
}
