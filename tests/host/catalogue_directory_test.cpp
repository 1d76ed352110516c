// The directory's JSON, its request and answer, its cache and its servers.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "catalogue/directory.h"
#include "catalogue/directory_json.h"

namespace {

using Json = nlohmann::json;

std::span<const uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

TEST(CatalogueDirectoryJson, ReadsFieldsOfTheirRealNamesAndTypes) {
  const auto stations = ParseStations(R"([
    {"changeuuid":"c1","stationuuid":"9617a958-0601-11e8-ae97-52543be04c81","name":"Радио Рекорд",
     "url":"http://air.example/record","url_resolved":"https://air.example/record_128",
     "homepage":"https://www.radiorecord.example/","favicon":"https://img.example/r.png",
     "tags":"dance,electronic","country":"The Russian Federation","countrycode":"RU",
     "language":"russian","codec":"MP3","bitrate":128,"hls":0,"lastcheckok":1,"votes":5123,
     "clickcount":2310,"geo_lat":null},
    {"name":"Only url","url":"http://x.example/"}
  ])");
  ASSERT_TRUE(stations);
  ASSERT_EQ(stations->size(), 2u);
  const Station& s = (*stations)[0];
  EXPECT_EQ(s.uuid, "9617a958-0601-11e8-ae97-52543be04c81");
  EXPECT_EQ(s.name, "Радио Рекорд");
  EXPECT_EQ(s.StreamAddress(), "https://air.example/record_128");
  EXPECT_EQ(s.tags, "dance,electronic");
  EXPECT_EQ(s.countrycode, "RU");
  EXPECT_EQ(s.codec, "MP3");
  EXPECT_EQ(s.bitrate, 128u);
  EXPECT_FALSE(s.hls);
  EXPECT_TRUE(s.lastcheckok);
  EXPECT_EQ(s.votes, 5123);
  EXPECT_EQ(s.clickcount, 2310);
  EXPECT_EQ((*stations)[1].StreamAddress(), "http://x.example/");  // no url_resolved: url
}

TEST(CatalogueDirectoryJson, SurvivesMissingWrongAndBrokenFields) {
  const std::string answer = std::string(R"([
    {"stationuuid":5,"name":["x"],"url":{"a":1},"url_resolved":"http://ok.example/","bitrate":"192",
     "hls":"1","lastcheckok":false,"votes":-3.5,"clickcount":"12x","codec":null},
    {"name":"Bad )") + "\xFF\xFE" + R"( bytes","url":"http://b.example/","bitrate":1e300},
    17, "text", null, [],
    {"name":"","url":""},
    {"tags":"no name, no address"}
  ])";
  const auto stations = ParseStations(answer);
  ASSERT_TRUE(stations);
  ASSERT_EQ(stations->size(), 2u);
  const Station& a = (*stations)[0];
  EXPECT_EQ(a.uuid, "");
  EXPECT_EQ(a.name, "ok.example");  // nameless: shown by its address's host
  EXPECT_EQ(a.url, "");
  EXPECT_EQ(a.bitrate, 192u);
  EXPECT_TRUE(a.hls);
  EXPECT_FALSE(a.lastcheckok);
  EXPECT_EQ(a.votes, 0);
  EXPECT_EQ(a.clickcount, 0);
  EXPECT_EQ(a.codec, "");
  EXPECT_EQ((*stations)[1].name, "Bad \xEF\xBF\xBD\xEF\xBF\xBD bytes");
  EXPECT_EQ((*stations)[1].bitrate, 0u);

  EXPECT_FALSE(ParseStations("{\"name\":\"not an array\"}"));
  EXPECT_FALSE(ParseStations("<html>502 Bad Gateway</html>"));
  EXPECT_FALSE(ParseStations("[{\"name\":\"cut"));
  EXPECT_FALSE(ParseStations(""));
  const auto long_name = ParseStations("[{\"name\":\"" + std::string(5000, 'n') + "\",\"url\":\"http://a/\"}]");
  ASSERT_TRUE(long_name);
  EXPECT_EQ((*long_name)[0].name.size(), kMaxFieldBytes);
}

TEST(CatalogueDirectoryJson, AHundredThousandEntriesAreBounded) {
  std::string answer = "[";
  for (int i = 0; i < 100000; ++i) {
    if (i) answer += ',';
    answer += R"({"stationuuid":"u)" + std::to_string(i) + R"(","name":"S","url":"http://s.example/"})";
  }
  answer += "]";
  const auto stations = ParseStations(answer);
  ASSERT_TRUE(stations);
  EXPECT_EQ(stations->size(), kMaxAnswerEntries);
  EXPECT_EQ(stations->back().uuid, "u" + std::to_string(kMaxAnswerEntries - 1));
}

TEST(CatalogueDirectoryJson, NamesLoseWhiteSpaceAtTheirEndsAndAnEmptyOneIsTheHost) {
  const struct {
    std::string name, url, shown;
  } cases[] = {
      {"\tArrow Classic Rock", "http://a.example/", "Arrow Classic Rock"},
      {" \t\xC2\xA0\xE1\x9A\x80\xE2\x80\x80\xE2\x80\x8B\xE3\x80\x80\xEF\xBB\xBFX\xE2\x80\x8A\xC2\x85\r\n",
       "http://a.example/", "X"},
      // Inside a name, and the characters just past the white-space ranges, stay.
      {"A\xC2\xA0 B", "http://a.example/", "A\xC2\xA0 B"},
      {"\xE2\x80\x8CX\xE2\x80\x90", "http://a.example/", "\xE2\x80\x8CX\xE2\x80\x90"},
      {std::string(3000, ' ') + "N", "http://a.example/", "N"},  // trimmed before the field bound
      {"\xC2\xA0 \t", "http://user:pw@radio.example:8000/live?x", "radio.example"},
      {"", "https://[::1]:8443/", "[::1]"},
      {"\xE3\x80\x80", "", ""},  // neither name nor address: skipped
  };
  for (const auto& c : cases) {
    const Json entry = {{"name", c.name}, {"url", c.url}};
    const auto stations = ParseStations(Json::array({entry}).dump());
    ASSERT_TRUE(stations) << c.shown;
    ASSERT_EQ(stations->size(), c.shown.empty() ? 0u : 1u) << c.shown;
    if (!c.shown.empty()) {
      EXPECT_EQ((*stations)[0].name, c.shown);
    }
  }
  const auto list = ParseNamedCounts("[{\"name\":\" rock\\t\"},{\"name\":\"\xE3\x80\x80 \"}]");
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 1u);
  EXPECT_EQ((*list)[0].name, "rock");
}

TEST(CatalogueDirectoryJson, NameLists) {
  const auto list = ParseNamedCounts(R"([
    {"name":"Germany","iso_3166_1":"DE","stationcount":6000},
    {"name":"russian","iso_639":"ru","stationcount":"900"},
    {"name":"rock","stationcount":4000}, {"stationcount":3}, 4])");
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 3u);
  EXPECT_EQ((*list)[0].code, "DE");
  EXPECT_EQ((*list)[0].stationcount, 6000);
  EXPECT_EQ((*list)[1].code, "ru");
  EXPECT_EQ((*list)[1].stationcount, 900);
  EXPECT_EQ((*list)[2].code, "");
}

TEST(CatalogueDirectory, PathsEncodeEveryParameter) {
  StationQuery q;
  q.text = "Радио & джаз";
  q.countrycode = "RU";
  q.tag = "rock/pop";
  q.codec = "AAC+";
  q.min_bitrate = 128;
  q.order = StationQuery::Order::kBitrate;
  q.page = 2;
  EXPECT_EQ(StationSearchPath(q),
            "/json/stations/search?name=%D0%A0%D0%B0%D0%B4%D0%B8%D0%BE%20%26%20%D0%B4%D0%B6%D0%B0%D0%B7"
            "&countrycode=RU&tag=rock%2Fpop&tagExact=true&codec=AAC%2B&bitrateMin=128&order=bitrate"
            "&reverse=true&hidebroken=true&offset=100&limit=51");
  EXPECT_EQ(StationSearchPath(StationQuery{}),
            "/json/stations/search?order=clickcount&reverse=true&hidebroken=true&offset=0&limit=51");
  EXPECT_EQ(TopStationsPath("RU", 10),
            "/json/stations/search?countrycode=RU&order=clickcount&reverse=true&hidebroken=true&limit=10");
  EXPECT_EQ(ClickPath("a/b"), "/json/url/a%2Fb");
  EXPECT_EQ(BuildDirectoryRequest("de1.api.radio-browser.info", "/json/tags"),
            "GET /json/tags HTTP/1.1\r\nHost: de1.api.radio-browser.info\r\nUser-Agent: VolnarRadio/1.0\r\n"
            "Accept: application/json\r\nConnection: close\r\n\r\n");
}

TEST(CatalogueDirectory, AnswersByLengthChunksAndClose) {
  const struct {
    const char* name;
    std::string text;
    bool closed;
    DirectoryAnswer::State state;
    std::string body;
  } cases[] = {
      {"length", "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n[1,2]", false, DirectoryAnswer::State::kDone, "[1,2"},
      {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\n[1,\r\n2\r\n2]\r\n0\r\n\r\n", false,
       DirectoryAnswer::State::kDone, "[1,2]"},
      {"to close", "HTTP/1.0 200 OK\r\n\r\n[]", true, DirectoryAnswer::State::kDone, "[]"},
      {"cut short", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n[]", true, DirectoryAnswer::State::kError, "[]"},
      {"cut chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n[", true,
       DirectoryAnswer::State::kError, "["},
      {"too long", "HTTP/1.1 200 OK\r\nContent-Length: 999999999\r\n\r\n", false, DirectoryAnswer::State::kError, ""},
      {"icy", "ICY 200 OK\r\n\r\n", false, DirectoryAnswer::State::kError, ""},
      {"gzip only", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n", false, DirectoryAnswer::State::kError, ""},
  };
  for (const auto& c : cases) {
    for (size_t step = 1; step <= c.text.size(); ++step) {
      DirectoryAnswer a;
      for (size_t at = 0; at < c.text.size(); at += step) a.Feed(Bytes(std::string_view(c.text).substr(at, step)));
      if (c.closed) a.Closed();
      EXPECT_EQ(a.state(), c.state) << c.name << " step " << step;
      if (c.state == DirectoryAnswer::State::kDone) {
        EXPECT_EQ(a.body(), c.body) << c.name;
      }
    }
  }
}

TEST(CatalogueDirectory, ServersFoundComeFirstShuffledThenTheKnownOnes) {
  std::mt19937 random(7);
  const auto order = ServerOrder({"AT1.api.radio-browser.info", "de1.api.radio-browser.info",
                                  "at1.api.radio-browser.info", ""},
                                 random);
  ASSERT_EQ(order.size(), 5u);  // at1, de1 (found), then de2, fi1, nl1
  EXPECT_TRUE((order[0] == "at1.api.radio-browser.info" && order[1] == "de1.api.radio-browser.info") ||
              (order[1] == "at1.api.radio-browser.info" && order[0] == "de1.api.radio-browser.info"));
  EXPECT_EQ(order[2], "de2.api.radio-browser.info");
  EXPECT_EQ(order[4], "nl1.api.radio-browser.info");
  EXPECT_EQ(ServerOrder({}, random).size(), 4u);
}

TEST(CatalogueDirectory, CacheKeepsAnswersForMinutesAndADownDirectoryFailsOnce) {
  uint64_t now = 1000;
  int fetches = 0;
  bool up = true;
  DirectoryClient client(
      [&](const std::string& path) -> std::optional<std::string> {
        ++fetches;
        if (!up) return std::nullopt;
        return "answer " + path + " " + std::to_string(fetches);
      },
      [&] { return now; });
  EXPECT_EQ(client.Get("/a"), "answer /a 1");
  now += DirectoryClient::kCacheMs - 1;
  EXPECT_EQ(client.Get("/a"), "answer /a 1");  // from the cache
  EXPECT_EQ(fetches, 1);
  now += 1;
  EXPECT_EQ(client.Get("/a"), "answer /a 2");  // stale: fetched again
  up = false;
  EXPECT_EQ(client.Get("/b"), std::nullopt);
  EXPECT_EQ(client.Get("/c"), std::nullopt);  // taken as down: not asked again
  client.Send("/json/url/x");
  EXPECT_EQ(fetches, 3);
  EXPECT_FALSE(client.Reachable());
  EXPECT_EQ(client.Get("/a"), "answer /a 2");  // cached answers still served
  now += DirectoryClient::kDownMs;
  up = true;
  EXPECT_EQ(client.Get("/c"), "answer /c 4");
  // The cache has a bound: the oldest entries go first.
  for (size_t i = 0; i < DirectoryClient::kCacheEntries; ++i) client.Get("/n" + std::to_string(i));
  const int before = fetches;
  client.Get("/a");
  EXPECT_EQ(fetches, before + 1);
}

TEST(CatalogueDirectory, CacheHoldsAtMostItsBytesDroppingTheLeastRecentlyUsed) {
  // Paths "/0".."/3" of two bytes; bodies sized so that four fill the bound exactly.
  constexpr size_t kQuarter = DirectoryClient::kCacheBytes / 4 - 2;
  std::map<std::string, size_t> sizes = {{"/0", kQuarter}, {"/1", kQuarter}, {"/2", kQuarter},
                                         {"/3", kQuarter}, {"/4", 1},        {"/big", DirectoryClient::kCacheBytes}};
  std::map<std::string, int> fetched;
  DirectoryClient client(
      [&](const std::string& path) -> std::optional<std::string> {
        ++fetched[path];
        return std::string(sizes.at(path), 'x');
      },
      [] { return uint64_t{1000}; });
  for (const char* p : {"/0", "/1", "/2", "/3", "/0"}) client.Get(p);
  EXPECT_EQ(fetched, (std::map<std::string, int>{{"/0", 1}, {"/1", 1}, {"/2", 1}, {"/3", 1}}));  // all four kept
  client.Get("/4");  // one byte over: "/1", used longest ago, goes; "/0" was used again
  for (const char* p : {"/0", "/2", "/3", "/4"}) client.Get(p);
  EXPECT_EQ(fetched, (std::map<std::string, int>{{"/0", 1}, {"/1", 1}, {"/2", 1}, {"/3", 1}, {"/4", 1}}));
  client.Get("/1");
  EXPECT_EQ(fetched["/1"], 2);
  // An answer larger than the whole bound is handed over but not kept, and costs no other.
  EXPECT_EQ(client.Get("/big")->size(), DirectoryClient::kCacheBytes);
  client.Get("/big");
  EXPECT_EQ(fetched["/big"], 2);
  client.Get("/1");
  EXPECT_EQ(fetched["/1"], 2);
}

}  // namespace
