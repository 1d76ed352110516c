// The public station directory as the catalogue uses it: the API addresses
// of the lists it shows, the request it sends, reading the answer, a short
// in-memory cache, and the order in which its servers are tried. The
// network itself is behind a fetch function (the platform side). Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/net/chunked.h"
#include "engine/net/http_answer.h"

// A search or list of stations.
struct StationQuery {
  enum class Order { kPopular, kName, kBitrate };
  std::string text;         // part of the name, UTF-8
  std::string countrycode;  // ISO 3166-1 alpha-2
  std::string tag;          // one genre, exact
  std::string language;     // one language, exact
  std::string codec;        // "MP3", "AAC" ...
  uint32_t min_bitrate = 0; // kbit/s
  Order order = Order::kPopular;
  uint32_t page = 0;        // 0 = the first
};

inline constexpr uint32_t kStationsPerPage = 50;

// The API path of one page of `query`: one station more than a page, so
// that the page knows whether another follows. Broken stations are hidden.
std::string StationSearchPath(const StationQuery& query);
// The `count` most listened-to working stations, of one country or ("") all.
std::string TopStationsPath(std::string_view countrycode, uint32_t count);
std::string TagsPath(uint32_t count);       // most used genres
std::string CountriesPath();                // every country with its station count
std::string LanguagesPath(uint32_t count);  // most used languages
std::string StationByUuidPath(std::string_view uuid);
// The play report the directory asks its clients to send.
std::string ClickPath(std::string_view uuid);

// The GET request for `path` on `host_header` (head only, the connection
// closed after the answer), with our User-Agent.
std::string BuildDirectoryRequest(std::string_view host_header, std::string_view path);

// Reads one answer of the directory: head, then a body by Content-Length,
// chunked, or up to the close; at most kMaxBodyBytes. Push parser.
class DirectoryAnswer {
 public:
  static constexpr size_t kMaxBodyBytes = 8 * 1024 * 1024;
  enum class State { kReading, kDone, kError };

  State Feed(std::span<const uint8_t> data);
  // The server closed the connection: a body read up to the close ends here.
  State Closed();
  State state() const { return state_; }
  int status() const { return head_.status(); }
  const std::string& body() const { return body_; }

 private:
  State TakeBody(std::span<const uint8_t> data);

  State state_ = State::kReading;
  HttpAnswer head_;
  bool chunked_ = false;
  std::optional<uint64_t> length_;
  ChunkedDecoder chunks_;
  std::string body_;
};

// The names of the directory's servers to try, in order: the ones found by
// the lookup, shuffled (the directory asks clients to spread over its
// servers), then the known ones not among them.
std::vector<std::string> ServerOrder(std::vector<std::string> found, std::mt19937& random);
// Servers the directory has run for years, for when the lookup finds none.
extern const char* const kKnownDirectoryServers[];

// Directory answers through a cache of a few minutes, bounded by entries
// and by bytes (a 32-bit process cannot spare 64 answers of kMaxBodyBytes),
// dropping the least recently used first. Any thread; the fetch runs
// outside the lock, so pages of other threads are not held up by it.
class DirectoryClient {
 public:
  // Fetches `path` from the directory: the body of a 200 answer, or nullopt.
  using Fetch = std::function<std::optional<std::string>(const std::string& path)>;
  using Clock = std::function<uint64_t()>;  // ms, monotonic

  static constexpr uint64_t kCacheMs = 5 * 60 * 1000;
  static constexpr size_t kCacheEntries = 64;
  // Bodies and paths together; an answer larger than this is not kept.
  static constexpr size_t kCacheBytes = 8 * 1024 * 1024;
  // After a failure the directory is taken as unreachable for this long, so
  // that a page needing several answers fails once, not once per answer.
  static constexpr uint64_t kDownMs = 15 * 1000;

  DirectoryClient(Fetch fetch, Clock clock) : fetch_(std::move(fetch)), clock_(std::move(clock)) {}

  // The answer for `path`, from the cache when it is fresh.
  std::optional<std::string> Get(const std::string& path);
  // Sends a request whose answer is not kept (the play report).
  void Send(const std::string& path);
  bool Reachable() const;

 private:
  struct Entry {
    uint64_t time_ms;
    std::string body;
    std::list<std::string>::iterator age;  // place in ages_
  };
  static size_t EntryBytes(const std::string& path, const std::string& body) { return path.size() + body.size(); }
  void DropLocked(std::map<std::string, Entry>::iterator it);

  const Fetch fetch_;
  const Clock clock_;
  mutable std::mutex lock_;
  // All the following fields are protected by lock_.
  std::map<std::string, Entry> cache_;
  std::list<std::string> ages_;  // paths, least recently used first
  size_t cache_bytes_ = 0;
  std::optional<uint64_t> down_since_ms_;
};
