#include "catalogue/directory_json.h"

#include <nlohmann/json.hpp>

#include "catalogue/web_text.h"

namespace {

using Json = nlohmann::json;

// The directory's numbers arrive as numbers, but older servers and proxies
// have sent them as strings; booleans as true/false or 0/1.
std::string Text(const Json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_string()) return {};
  return std::string(CutUtf8(CleanUtf8(it->get_ref<const std::string&>()), kMaxFieldBytes));
}

int64_t Number(const Json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end()) return 0;
  if (it->is_number_integer()) return it->get<int64_t>();
  if (it->is_number_float()) {
    const double d = it->get<double>();
    return d > 0 && d < 9e15 ? static_cast<int64_t>(d) : 0;
  }
  if (it->is_string()) {
    const std::string& s = it->get_ref<const std::string&>();
    if (s.empty() || s.size() > 15) return 0;
    int64_t n = 0;
    for (char c : s) {
      if (c < '0' || c > '9') return 0;
      n = n * 10 + (c - '0');
    }
    return n;
  }
  return 0;
}

// A name as the pages show it: without white space at its ends (the
// directory holds names such as "\tArrow Classic Rock" and names of spaces
// only), cut to the field bound.
std::string DirectoryName(const Json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_string()) return {};
  const std::string clean = CleanUtf8(it->get_ref<const std::string&>());
  return std::string(TrimUnicodeSpace(CutUtf8(TrimUnicodeSpace(clean), kMaxFieldBytes)));
}

// The host of a web address ("http://user@host:8000/x" -> "host"), for a
// station that has no name; the whole address when it has no host part.
// Trimmed as names are.
std::string DirectoryAddressHost(std::string_view address) {
  address = TrimUnicodeSpace(address);
  const size_t scheme = address.find("://");
  if (scheme == std::string_view::npos) return std::string(address);
  std::string_view rest = address.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const size_t at = rest.rfind('@'); at != std::string_view::npos) rest.remove_prefix(at + 1);
  if (rest.empty() || rest.front() != '[') rest = rest.substr(0, rest.find(':'));
  else if (const size_t close = rest.find(']'); close != std::string_view::npos) rest = rest.substr(0, close + 1);
  rest = TrimUnicodeSpace(rest);
  return rest.empty() ? std::string(address) : std::string(rest);
}

bool Flag(const Json& object, const char* key, bool missing) {
  const auto it = object.find(key);
  if (it == object.end()) return missing;
  if (it->is_boolean()) return it->get<bool>();
  if (it->is_number()) return Number(object, key) != 0;
  if (it->is_string()) return it->get_ref<const std::string&>() == "1" || it->get_ref<const std::string&>() == "true";
  return missing;
}

// A JSON document from untrusted bytes: invalid UTF-8 replaced first, since
// the parser would refuse the whole answer for one bad byte in one name.
std::optional<Json> ParseArray(std::string_view text) {
  Json doc = Json::parse(CleanUtf8(text), nullptr, /*allow_exceptions=*/false);
  if (doc.is_discarded() || !doc.is_array()) return std::nullopt;
  return doc;
}

}  // namespace

std::optional<std::vector<Station>> ParseStations(std::string_view json) {
  std::optional<Json> doc = ParseArray(json);
  if (!doc) return std::nullopt;
  std::vector<Station> stations;
  stations.reserve(std::min(doc->size(), kMaxAnswerEntries));
  for (const Json& e : *doc) {
    if (stations.size() >= kMaxAnswerEntries) break;
    if (!e.is_object()) continue;
    Station s;
    s.uuid = Text(e, "stationuuid");
    s.name = DirectoryName(e, "name");
    s.url = Text(e, "url");
    s.url_resolved = Text(e, "url_resolved");
    s.homepage = Text(e, "homepage");
    s.favicon = Text(e, "favicon");
    s.tags = Text(e, "tags");
    s.country = Text(e, "country");
    s.countrycode = Text(e, "countrycode");
    s.language = Text(e, "language");
    s.codec = Text(e, "codec");
    const int64_t br = Number(e, "bitrate");
    s.bitrate = br > 0 && br < 100000 ? static_cast<uint32_t>(br) : 0;
    s.hls = Flag(e, "hls", false);
    s.lastcheckok = Flag(e, "lastcheckok", true);
    s.votes = Number(e, "votes");
    s.clickcount = Number(e, "clickcount");
    if (s.name.empty()) s.name = DirectoryAddressHost(s.StreamAddress());
    if (s.name.empty()) continue;  // neither a name nor an address
    stations.push_back(std::move(s));
  }
  return stations;
}

std::optional<std::vector<NamedCount>> ParseNamedCounts(std::string_view json) {
  std::optional<Json> doc = ParseArray(json);
  if (!doc) return std::nullopt;
  std::vector<NamedCount> list;
  for (const Json& e : *doc) {
    if (list.size() >= kMaxAnswerEntries) break;
    if (!e.is_object()) continue;
    NamedCount n;
    n.name = DirectoryName(e, "name");
    if (n.name.empty()) continue;
    n.code = Text(e, "iso_3166_1");
    if (n.code.empty()) n.code = Text(e, "iso_639");
    n.stationcount = Number(e, "stationcount");
    list.push_back(std::move(n));
  }
  return list;
}
