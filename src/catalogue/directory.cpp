#include "catalogue/directory.h"

#include <algorithm>

#include "base/ascii.h"
#include "catalogue/web_text.h"
#include "engine/net/url.h"

namespace {

void AddParam(std::string& path, std::string_view name, std::string_view value) {
  if (value.empty()) return;
  path += path.find('?') == std::string::npos ? '?' : '&';
  path += name;
  path += '=';
  path += PercentEncode(value);
}

}  // namespace

const char* const kKnownDirectoryServers[] = {"de1.api.radio-browser.info", "de2.api.radio-browser.info",
                                              "fi1.api.radio-browser.info", "nl1.api.radio-browser.info",
                                              nullptr};

std::string StationSearchPath(const StationQuery& q) {
  std::string path = "/json/stations/search";
  AddParam(path, "name", q.text);
  AddParam(path, "countrycode", q.countrycode);
  if (!q.tag.empty()) {
    AddParam(path, "tag", q.tag);
    AddParam(path, "tagExact", "true");
  }
  if (!q.language.empty()) {
    AddParam(path, "language", q.language);
    AddParam(path, "languageExact", "true");
  }
  AddParam(path, "codec", q.codec);
  if (q.min_bitrate) AddParam(path, "bitrateMin", std::to_string(q.min_bitrate));
  switch (q.order) {
    case StationQuery::Order::kPopular:
      AddParam(path, "order", "clickcount");
      AddParam(path, "reverse", "true");
      break;
    case StationQuery::Order::kName:
      AddParam(path, "order", "name");
      break;
    case StationQuery::Order::kBitrate:
      AddParam(path, "order", "bitrate");
      AddParam(path, "reverse", "true");
      break;
  }
  AddParam(path, "hidebroken", "true");
  AddParam(path, "offset", std::to_string(static_cast<uint64_t>(q.page) * kStationsPerPage));
  AddParam(path, "limit", std::to_string(kStationsPerPage + 1));
  return path;
}

std::string TopStationsPath(std::string_view countrycode, uint32_t count) {
  std::string path = "/json/stations/search";
  AddParam(path, "countrycode", countrycode);
  AddParam(path, "order", "clickcount");
  AddParam(path, "reverse", "true");
  AddParam(path, "hidebroken", "true");
  AddParam(path, "limit", std::to_string(count));
  return path;
}

std::string TagsPath(uint32_t count) {
  return "/json/tags?order=stationcount&reverse=true&hidebroken=true&limit=" + std::to_string(count);
}

std::string CountriesPath() { return "/json/countries?order=stationcount&reverse=true&hidebroken=true"; }

std::string LanguagesPath(uint32_t count) {
  return "/json/languages?order=stationcount&reverse=true&hidebroken=true&limit=" + std::to_string(count);
}

std::string StationByUuidPath(std::string_view uuid) {
  return "/json/stations/byuuid/" + PercentEncode(uuid);
}

std::string ClickPath(std::string_view uuid) { return "/json/url/" + PercentEncode(uuid); }

std::string BuildDirectoryRequest(std::string_view host_header, std::string_view path) {
  std::string r = "GET ";
  r += path;
  r += " HTTP/1.1\r\nHost: ";
  r += host_header;
  r += "\r\nUser-Agent: ";
  r += kUserAgent;
  r += "\r\nAccept: application/json\r\nConnection: close\r\n\r\n";
  return r;
}

DirectoryAnswer::State DirectoryAnswer::Feed(std::span<const uint8_t> data) {
  if (state_ != State::kReading) return state_;
  if (head_.state() == HttpAnswer::State::kHead) {
    head_.Feed(data);
    if (head_.state() == HttpAnswer::State::kError) return state_ = State::kError;
    if (head_.state() == HttpAnswer::State::kHead) return state_;
    if (head_.kind() != HttpAnswer::Kind::kHttp) return state_ = State::kError;
    if (const auto te = head_.Header("Transfer-Encoding")) {
      if (!EqualsIgnoreCase(*te, "chunked")) return state_ = State::kError;
      chunked_ = true;
    } else if (const auto cl = head_.Header("Content-Length")) {
      length_ = ParseDecimal(*cl);
      if (!length_ || *length_ > kMaxBodyBytes) return state_ = State::kError;
    }
    const std::vector<uint8_t> start = head_.TakeBody();
    if (length_ && *length_ == 0) return state_ = State::kDone;
    return TakeBody(start);
  }
  return TakeBody(data);
}

DirectoryAnswer::State DirectoryAnswer::TakeBody(std::span<const uint8_t> data) {
  if (chunked_) {
    std::vector<uint8_t> out;
    if (!chunks_.Feed(data, out)) return state_ = State::kError;
    body_.append(out.begin(), out.end());
    if (chunks_.done()) state_ = State::kDone;
  } else {
    size_t n = data.size();
    if (length_) n = std::min<uint64_t>(n, *length_ - body_.size());
    body_.append(reinterpret_cast<const char*>(data.data()), n);
    if (length_ && body_.size() == *length_) state_ = State::kDone;
  }
  if (state_ == State::kReading && body_.size() > kMaxBodyBytes) state_ = State::kError;
  return state_;
}

DirectoryAnswer::State DirectoryAnswer::Closed() {
  if (state_ != State::kReading) return state_;
  // Only a body without a length may end at the close; anything else was cut.
  const bool to_close = head_.state() == HttpAnswer::State::kDone && !chunked_ && !length_;
  return state_ = to_close ? State::kDone : State::kError;
}

std::vector<std::string> ServerOrder(std::vector<std::string> found, std::mt19937& random) {
  for (std::string& name : found) name = ToLowerAscii(name);
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  found.erase(std::remove(found.begin(), found.end(), std::string()), found.end());
  std::shuffle(found.begin(), found.end(), random);
  for (const char* const* k = kKnownDirectoryServers; *k; ++k) {
    if (std::find(found.begin(), found.end(), *k) == found.end()) found.push_back(*k);
  }
  return found;
}

void DirectoryClient::DropLocked(std::map<std::string, Entry>::iterator it) {
  cache_bytes_ -= EntryBytes(it->first, it->second.body);
  ages_.erase(it->second.age);
  cache_.erase(it);
}

std::optional<std::string> DirectoryClient::Get(const std::string& path) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    const uint64_t now = clock_();
    const auto it = cache_.find(path);
    if (it != cache_.end()) {
      if (now - it->second.time_ms < kCacheMs) {
        ages_.splice(ages_.end(), ages_, it->second.age);  // now the most recently used
        return it->second.body;
      }
      DropLocked(it);
    }
    if (down_since_ms_ && now - *down_since_ms_ < kDownMs) return std::nullopt;
  }
  std::optional<std::string> body = fetch_(path);
  std::lock_guard<std::mutex> hold(lock_);
  const uint64_t now = clock_();
  if (!body) {
    down_since_ms_ = now;
    return std::nullopt;
  }
  down_since_ms_.reset();
  const auto it = cache_.find(path);
  if (it != cache_.end()) DropLocked(it);  // another thread fetched it meanwhile
  const size_t bytes = EntryBytes(path, *body);
  if (bytes > kCacheBytes) return body;
  while (!cache_.empty() && (cache_.size() >= kCacheEntries || cache_bytes_ + bytes > kCacheBytes)) {
    DropLocked(cache_.find(ages_.front()));
  }
  ages_.push_back(path);
  cache_.emplace(path, Entry{now, *body, std::prev(ages_.end())});
  cache_bytes_ += bytes;
  return body;
}

void DirectoryClient::Send(const std::string& path) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (down_since_ms_ && clock_() - *down_since_ms_ < kDownMs) return;
  }
  (void)fetch_(path);
}

bool DirectoryClient::Reachable() const {
  std::lock_guard<std::mutex> hold(lock_);
  return !down_since_ms_ || clock_() - *down_since_ms_ >= kDownMs;
}
