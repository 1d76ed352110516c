// The directory's answers over the network: HTTPS with the engine's TLS
// (Schannel, certificates verified) to a server of the public directory, or
// HTTP(S) to the address the program was built with (a local stand-in in
// the tests). Any thread; each fetch ends within its time budget or when
// the owner's cancel signal is set.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/net/net_win.h"
#include "engine/net/url.h"

class DirectoryFetcher {
 public:
  // A whole fetch, including trying further servers, takes at most this.
  static constexpr uint32_t kBudgetMs = 3000;

  // `base`: "" for the public directory (its servers found by name lookup),
  // otherwise an http:// or https:// address the paths are appended to.
  DirectoryFetcher(std::string base, const CancelSignal& cancel);

  std::optional<std::string> Fetch(const std::string& path);

 private:
  struct Discovery;
  std::optional<std::string> FetchFrom(const Url& server, const std::string& path, uint64_t deadline);
  std::vector<std::string> Servers(uint64_t deadline);

  const CancelSignal& cancel_;
  std::optional<Url> base_;  // set: a fixed directory address
  bool base_bad_ = false;    // the built-in address does not parse
  std::shared_ptr<Discovery> discovery_;
  std::mutex lock_;
  // Protected by lock_: the server that answered last, tried first.
  std::string preferred_;
  std::mt19937 random_;
};
