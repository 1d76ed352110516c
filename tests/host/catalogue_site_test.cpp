// The built-in catalogue site: who may reach it, what its pages show, what
// its forms change, and what a play reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string>

#include "catalogue/codecs.h"
#include "catalogue/site.h"
#include "catalogue/web_text.h"
#include "engine/api/engine.h"

namespace {

constexpr char kHost[] = "127.0.0.1:47471";
constexpr char kToken[] = "0123456789abcdef0123456789abcdef";

const char kRussia[] = R"([
  {"stationuuid":"ogg-1","name":"Ogg FM","url_resolved":"http://ogg.example/","codec":"OGG","bitrate":96,"countrycode":"RU"},
  {"stationuuid":"ru-1","name":"Европа Плюс","url":"http://ep.example/live","codec":"MP3","bitrate":128,
   "country":"Russia","countrycode":"RU","homepage":"https://europaplus.example/","favicon":"https://img.example/ep.png","tags":"pop,hits"},
  {"stationuuid":"ru-2","name":"Радио Jazz","url":"http://jazz.example/aac","codec":"AAC","bitrate":64}
])";

struct Fixture {
  explicit Fixture(std::string form_token = kToken) : token(std::move(form_token)) {
    store.Load(std::nullopt);
    answers[TopStationsPath("RU", 10)] = kRussia;
  }
  std::string token;
  std::map<std::string, std::string> answers;  // path -> body
  std::vector<std::string> asked;
  bool up = true;
  uint64_t now = 0;
  std::optional<std::string> disk;
  std::mutex asked_lock;  // the home page asks from several threads
  DirectoryClient directory{[this](const std::string& path) -> std::optional<std::string> {
                              std::lock_guard<std::mutex> hold(asked_lock);
                              asked.push_back(path);
                              if (!up) return std::nullopt;
                              const auto it = answers.find(path);
                              if (it == answers.end()) return std::string("[]");
                              return it->second;
                            },
                            [this] { return now; }};
  UserStore store{[this](const std::string& text, bool) {
    disk = text;
    return true;
  }};
  std::vector<std::string> plays;  // what pages in an external browser asked to play
  CatalogueSite site{SiteOptions{kHost, token,
                                 [](const Station& s) {
                                   return s.codec == "OGG" ? std::string("Формат OGG плеер пока не проигрывает")
                                                           : std::string();
                                 },
                                 [this](const std::string& address) { plays.push_back(address); },
                                 [](int64_t t) { return ClockText(t + 3 * 3600); }},
                     directory, store};

  HttpResponse Send(const std::string& text) {
    HttpRequest r;
    r.Feed(text);
    EXPECT_EQ(r.state(), HttpRequest::State::kDone) << text;
    return site.Handle(r);
  }
  HttpResponse Get(const std::string& target, const std::string& host = kHost) {
    return Send("GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
  }
  HttpResponse Post(const std::string& path, const std::string& form, const std::string& extra = "") {
    return Send("POST " + path + " HTTP/1.1\r\nHost: " + kHost +
                "\r\nContent-Type: application/x-www-form-urlencoded\r\n" + extra +
                "Content-Length: " + std::to_string(form.size()) + "\r\n\r\n" + form);
  }
  // The upload form as a browser sends it: the token and one file.
  HttpResponse Upload(const std::string& token_value, const std::string& file, const std::string& extra = "") {
    const std::string body = "------b7\r\nContent-Disposition: form-data; name=\"t\"\r\n\r\n" + token_value +
                             "\r\n------b7\r\nContent-Disposition: form-data; name=\"f\"; filename=\"my.m3u\"\r\n"
                             "Content-Type: audio/x-mpegurl\r\n\r\n" + file + "\r\n------b7--\r\n";
    return Send(std::string("POST /fav/import HTTP/1.1\r\nHost: ") + kHost +
                "\r\nContent-Type: multipart/form-data; boundary=----b7\r\n" + extra +
                "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  }
};

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(CatalogueSite, AnswersOnlyItsOwnHost) {
  Fixture f;
  EXPECT_EQ(f.Get("/").status, 200);
  EXPECT_EQ(f.Get("/", "127.0.0.1:47471").status, 200);
  // Another name pointed at the loopback address, another port, no port.
  EXPECT_EQ(f.Get("/", "evil.example").status, 421);
  EXPECT_EQ(f.Get("/", "evil.example:47471").status, 421);
  EXPECT_EQ(f.Get("/", "127.0.0.1:8080").status, 421);
  EXPECT_EQ(f.Get("/", "localhost:47471").status, 421);
  EXPECT_EQ(f.Send("GET / HTTP/1.0\r\n\r\n").status, 400);
  EXPECT_EQ(f.Get("/nothing").status, 404);
  EXPECT_EQ(f.Send(std::string("DELETE / HTTP/1.1\r\nHost: ") + kHost + "\r\n\r\n").status, 405);
}

TEST(CatalogueSite, ChangesNeedPostWithTheTokenFromOurOwnPages) {
  Fixture f;
  f.Get("/");  // the station becomes known
  const std::string form = std::string("t=") + kToken + "&k=u%3Aru-1&back=%2Flist%3Fq%3Dx";
  EXPECT_EQ(f.Get("/fav/toggle?" + form).status, 405);  // a GET never changes anything
  EXPECT_EQ(f.Post("/fav/toggle", "k=u%3Aru-1").status, 403);
  EXPECT_EQ(f.Post("/fav/toggle", "t=wrong&k=u%3Aru-1").status, 403);
  EXPECT_EQ(f.Post("/fav/toggle", std::string("t=") + kToken + "X&k=u%3Aru-1").status, 403);
  EXPECT_EQ(f.Post("/fav/toggle", form, "Origin: http://evil.example\r\n").status, 403);
  EXPECT_EQ(f.Post("/fav/toggle", form, "Origin: null\r\n").status, 403);
  EXPECT_EQ(f.Post("/fav/toggle", form, "Referer: http://127.0.0.1:47471.evil.example/\r\n").status, 403);
  EXPECT_EQ(f.Send(std::string("POST /fav/toggle HTTP/1.1\r\nHost: ") + kHost +
                   "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(form.size()) + "\r\n\r\n" + form)
                .status,
            400);
  EXPECT_TRUE(f.store.Favourites().empty());
  EXPECT_FALSE(f.disk);

  const HttpResponse ok = f.Post("/fav/toggle", form, "Origin: http://127.0.0.1:47471\r\n");
  EXPECT_EQ(ok.status, 303);
  EXPECT_EQ(ok.location, "http://127.0.0.1:47471/list?q=x");
  ASSERT_EQ(f.store.Favourites().size(), 1u);
  EXPECT_EQ(f.store.Favourites()[0].name, "Европа Плюс");
  EXPECT_TRUE(f.disk);
  // A foreign return address is not followed.
  const HttpResponse back = f.Post("/fav/toggle", std::string("t=") + kToken + "&k=u%3Aru-1&back=%2F%2Fevil.example%2F",
                                   "Referer: http://127.0.0.1:47471/fav\r\n");
  EXPECT_EQ(back.location, "http://127.0.0.1:47471/");
  EXPECT_TRUE(f.store.Favourites().empty());
}

TEST(CatalogueSite, WithoutARandomTokenEveryChangeIsRefusedAndThePagesSaySo) {
  Fixture f("");
  f.Get("/");
  for (const char* path : {"/fav/toggle", "/own/add"}) {
    const HttpResponse r = f.Post(path, "t=&k=u%3Aru-1&name=X&url=http%3A%2F%2Fx.example%2F");
    EXPECT_EQ(r.status, 503) << path;
    EXPECT_NE(r.body.find("сейчас отключено"), std::string::npos) << path;
  }
  EXPECT_TRUE(f.store.Favourites().empty());
  EXPECT_TRUE(f.store.OwnStations().empty());
  EXPECT_FALSE(f.disk);
  EXPECT_NE(f.Get("/fav").body.find("случайного числа"), std::string::npos);
}

TEST(CatalogueSite, HomeListsStationsWithPlayAndNewLinksAndGreysWhatCannotPlay) {
  Fixture f;
  f.answers[TagsPath(30)] = R"([{"name":"pop","stationcount":5000},{"name":"рок","stationcount":300}])";
  f.answers[CountriesPath()] = R"([{"name":"Russia","iso_3166_1":"RU","stationcount":2000}])";
  const HttpResponse home = f.Get("/");
  ASSERT_EQ(home.status, 200);
  const std::string wire = SerializeResponse(home, false);
  EXPECT_NE(wire.find("\r\nX-UA-Compatible: IE=edge\r\n"), std::string::npos);
  EXPECT_NE(wire.find("\r\nContent-Type: text/html; charset=utf-8\r\n"), std::string::npos);
  const std::string& page = home.body;
  EXPECT_NE(page.find("<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">"), std::string::npos);
  EXPECT_NE(page.find("<a class=\"name\" href=\"play:http://ep.example/live\" title=\"Слушать\">Европа Плюс</a>"),
            std::string::npos);
  EXPECT_NE(page.find("href=\"new:https://europaplus.example/\""), std::string::npos);
  EXPECT_NE(page.find("Россия · MP3 128 кбит/с · pop hits"), std::string::npos);
  EXPECT_NE(page.find("<img src=\"https://img.example/ep.png\""), std::string::npos);
  EXPECT_EQ(page.find("Ogg FM"), std::string::npos);  // left out by default
  EXPECT_NE(page.find("href=\"/list?tag=%D1%80%D0%BE%D0%BA\">рок <small>300</small></a>"), std::string::npos);
  EXPECT_NE(page.find("href=\"/list?country=RU\">Россия <small>2000</small></a>"), std::string::npos);
  // The first run names the most listened-to playable station for Play.
  EXPECT_EQ(Count(page, "href=\"playmain:"), 1u);
  EXPECT_NE(page.find("href=\"playmain:http://ep.example/live\""), std::string::npos);
  f.site.SetStationChosen(true);
  EXPECT_EQ(f.Get("/").body.find("\"playmain:"), std::string::npos);

  // A search shows what the player cannot play when asked, greyed, with why and no play: link.
  StationQuery q;
  q.text = "Ogg";
  f.answers[StationSearchPath(q)] = kRussia;
  const std::string hidden = f.Get("/list?q=Ogg").body;
  EXPECT_EQ(hidden.find("Ogg FM"), std::string::npos);
  EXPECT_NE(hidden.find("Скрыто станций, которые плеер не проигрывает: 1."), std::string::npos);
  const std::string all = f.Get("/list?q=Ogg&all=1").body;
  EXPECT_NE(all.find("<div class=\"st off\">"), std::string::npos);
  EXPECT_NE(all.find("Формат OGG плеер пока не проигрывает"), std::string::npos);
  EXPECT_EQ(all.find("play:http://ogg.example/"), std::string::npos);
}

TEST(CatalogueSite, CyrillicSearchReachesTheDirectoryEncodedAndPagesOn) {
  Fixture f;
  std::string many = "[";
  for (int i = 0; i < 51; ++i) {
    many += std::string(i ? "," : "") + R"({"stationuuid":"s)" + std::to_string(i) +
            R"(","name":"Рок )" + std::to_string(i) + R"(","url":"http://r.example/)" + std::to_string(i) + "\"}";
  }
  many += "]";
  StationQuery q;
  q.text = "рок";
  f.answers[StationSearchPath(q)] = many;
  const std::string page = f.Get("/list?q=%D1%80%D0%BE%D0%BA").body;
  EXPECT_EQ(f.asked.back().find("/json/stations/search?name=%D1%80%D0%BE%D0%BA&"), 0u) << f.asked.back();
  EXPECT_EQ(Count(page, "href=\"play:"), 50u);  // one page; the 51st says there is more
  EXPECT_NE(page.find("value=\"рок\""), std::string::npos);  // the search box keeps the text
  EXPECT_NE(page.find("&amp;page=1\">Дальше →</a>"), std::string::npos);
  EXPECT_EQ(page.find("Назад"), std::string::npos);
  const std::string second = f.Get("/list?q=%D1%80%D0%BE%D0%BA&page=1").body;
  EXPECT_EQ(f.asked.back().find("offset=50&limit=51"), f.asked.back().size() - 18);
  EXPECT_NE(second.find("&amp;page=0\">← Назад</a>"), std::string::npos);
}

TEST(CatalogueSite, EveryStationFieldIsEscaped) {
  // Each field of a station in turn carries markup, quotes and a script
  // address; no page may carry it as markup or as a link.
  const char* const hostile = "x\"'><script>alert(1)</script><a href=javascript:alert(2)>";
  const char* const fields[] = {"stationuuid", "name", "url", "url_resolved", "homepage", "favicon",
                                "tags", "country", "countrycode", "language", "codec"};
  for (const char* field : fields) {
    Fixture f;
    std::string station = R"({"stationuuid":"u1","name":"N","url":"http://ok.example/","codec":"MP3")";
    station += std::string(",\"") + field + "\":\"" + std::string(hostile).replace(1, 1, "\\\"") + "\"}";
    f.answers[TopStationsPath("RU", 10)] = "[" + station + "]";
    f.answers[TopStationsPath("", 10)] = "[" + station + "]";
    f.Get("/");
    f.Post("/fav/toggle", std::string("t=") + kToken + "&k=u%3Au1");
    f.site.StationPlayed("http://ok.example/");
    for (const char* target : {"/", "/fav", "/recent"}) {
      const std::string page = f.Get(target).body;
      EXPECT_EQ(page.find("<script"), std::string::npos) << field << " " << target;
      // As text it is harmless; never as the start of an address or in a tag.
      for (const char* link : {"\"javascript:", ":javascript:", "<a href=javascript"}) {
        EXPECT_EQ(page.find(link), std::string::npos) << field << " " << target << " " << link;
      }
      EXPECT_EQ(page.find("\"'>"), std::string::npos) << field << " " << target;
    }
  }
  // A script address as the station's address gives no link at all.
  Fixture f;
  f.answers[TopStationsPath("RU", 10)] = R"j([{"name":"Evil","url":"javascript:alert(1)","homepage":"file:///c:/"}])j";
  const std::string page = f.Get("/").body;
  EXPECT_EQ(page.find("\"play:"), std::string::npos);
  EXPECT_EQ(page.find("\"new:"), std::string::npos);
  EXPECT_NE(page.find("<span class=\"name\">Evil</span>"), std::string::npos);
}

TEST(CatalogueSite, UnreachableDirectoryGivesANoticeAndTheLocalParts) {
  Fixture f;
  f.store.ToggleFavourite([] {
    Station s;
    s.name = "Любимая";
    s.url = "http://fav.example/";
    return s;
  }());
  f.up = false;
  const std::string home = f.Get("/").body;
  EXPECT_NE(home.find("Каталог станций сейчас недоступен"), std::string::npos);
  EXPECT_NE(home.find("play:http://fav.example/"), std::string::npos);
  const size_t asked = f.asked.size();
  EXPECT_GE(asked, 1u);
  EXPECT_LE(asked, 5u);  // the home page's lists, asked at once
  EXPECT_NE(f.Get("/").body.find("Каталог станций сейчас недоступен"), std::string::npos);
  EXPECT_EQ(f.asked.size(), asked);  // taken as down for a while: not asked again
  EXPECT_NE(f.Get("/list?q=x").body.find("Каталог станций сейчас недоступен"), std::string::npos);
  EXPECT_NE(f.Get("/fav").body.find("Любимая"), std::string::npos);
  EXPECT_EQ(f.Post("/own/add", std::string("t=") + kToken + "&name=%D0%9C%D0%BE%D1%8F&url=http%3A%2F%2Fmine.example%2F").status,
            303);
  EXPECT_NE(f.Get("/own").body.find("<a class=\"name\" href=\"play:http://mine.example/\" title=\"Слушать\">Моя</a>"),
            std::string::npos);
}

TEST(CatalogueSite, OwnStationFormsRefuseBadAddressesWithAMessage) {
  Fixture f;
  const HttpResponse r = f.Post("/own/add", std::string("t=") + kToken + "&name=X&url=ftp%3A%2F%2Fx.example%2F");
  EXPECT_EQ(r.status, 200);
  EXPECT_NE(r.body.find("<div class=\"err\">Адрес станции должен начинаться с http:// или https://"), std::string::npos);
  EXPECT_NE(r.body.find("value=\"ftp://x.example/\""), std::string::npos);  // kept for correcting
  EXPECT_TRUE(f.store.OwnStations().empty());
  ASSERT_EQ(f.Post("/own/add", std::string("t=") + kToken + "&name=X&url=http%3A%2F%2Fx.example%2F").status, 303);
  const std::string id = f.store.OwnStations()[0].id;
  EXPECT_NE(f.Get("/own?edit=" + id).body.find("action=\"/own/edit\""), std::string::npos);
  EXPECT_EQ(f.Post("/own/edit", std::string("t=") + kToken + "&id=" + id + "&name=Y&url=http%3A%2F%2Fy.example%2F").status,
            303);
  EXPECT_EQ(f.store.OwnStations()[0].url, "http://y.example/");
  EXPECT_EQ(f.Post("/own/remove", std::string("t=") + kToken + "&id=" + id).status, 303);
  EXPECT_TRUE(f.store.OwnStations().empty());
}

TEST(CatalogueSite, APlayGoesIntoTheHistoryAndReportsADirectoryStation) {
  Fixture f;
  f.Get("/");
  f.site.StationPlayed("http://ep.example/live");
  EXPECT_EQ(f.asked.back(), "/json/url/ru-1");
  f.site.StationPlayed("http://elsewhere.example/x");  // the Play button with an address of its own
  EXPECT_EQ(f.asked.back(), "/json/url/ru-1");  // nothing to report
  const auto history = f.store.History();
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].name, "http://elsewhere.example/x");
  EXPECT_EQ(history[1].name, "Европа Плюс");
  const std::string recent = f.Get("/recent").body;
  EXPECT_LT(recent.find("elsewhere.example"), recent.find("Европа Плюс"));
  // Played once, the home page names no default station any more.
  EXPECT_EQ(f.Get("/").body.find("\"playmain:"), std::string::npos);
}

TEST(CatalogueSite, TheNameKnownForAPlayedAddress) {
  Fixture f;
  EXPECT_EQ(f.site.KnownName("http://ep.example/live"), "");  // not seen on a page yet
  f.Get("/");
  EXPECT_EQ(f.site.KnownName("http://ep.example/live"), "Европа Плюс");
  // The user's own names come first: a favourite's, then an own station's.
  ASSERT_EQ(f.Post("/own/add", std::string("t=") + kToken + "&name=%D0%9C%D0%BE%D1%8F&url=http%3A%2F%2Fep.example%2Flive").status,
            303);
  EXPECT_EQ(f.site.KnownName("http://ep.example/live"), "Моя");
  Station fav;
  fav.name = "Любимая";
  fav.url = "http://ep.example/live";
  f.store.ToggleFavourite(fav);
  EXPECT_EQ(f.site.KnownName("http://ep.example/live"), "Любимая");
  // An address played without a name is known by none.
  f.site.StationPlayed("http://elsewhere.example/x");
  EXPECT_EQ(f.site.KnownName("http://elsewhere.example/x"), "");
}

TEST(CatalogueSite, FavouritesMoveAndStoredProblemsAreShown) {
  Fixture f;
  f.store.Load(std::string(R"({"favourites":[{"name":"A","url":"http://a.example/"},{"name":"B","url":"http://b.example/"}],"own":7})"));
  std::string page = f.Get("/fav").body;
  EXPECT_LT(page.find(">A<"), page.find(">B<"));
  EXPECT_NE(page.find("<div class=\"err\">Список «Свои станции» в файле повреждён и не прочитан.</div>"),
            std::string::npos);
  EXPECT_EQ(f.Post("/fav/move", std::string("t=") + kToken + "&k=" + PercentEncode("a:http://b.example/") + "&d=up&back=%2Ffav")
                .location,
            "http://127.0.0.1:47471/fav");
  page = f.Get("/fav").body;
  EXPECT_LT(page.find(">B<"), page.find(">A<"));
}

}  // namespace

// ---- Which directory stations play ----

// The directory's codec names against the engine's own list: every codec the
// engine names as playing is offered when its decoder is there, every one it
// names as not playing is shown greyed, whatever the system's decoders.
TEST(CatalogueCodecs, TheEnginesListDecidesWhatPlays) {
  const auto every_decoder = [](AudioCodec) { return true; };
  for (const EngineCodec& c : kEngineCodecs) {
    Station s;
    s.codec = c.name;
    EXPECT_EQ(UnplayableReason(s, every_decoder).empty(), c.plays) << c.name;
  }
  struct Case {
    const char* codec;
    bool hls;
    std::string reason;
  } cases[] = {
      {"MP3", false, ""},
      {"mpeg", false, ""},
      {"AAC+", false, ""},
      {"Ogg", false, ""},
      {"", false, ""},         // not known: tried
      {"UNKNOWN", false, ""},  // the same
      {"OPUS", false, ""},
      {"flac", false, ""},
      {"WMA", false, "Формат WMA плеер пока не проигрывает"},
      {"MP3", true, ""},  // HLS plays when its codec does
      {"AAC", true, ""},
      {"OPUS", true, "Формат OPUS плеер пока не проигрывает"},
  };
  for (const Case& c : cases) {
    Station s;
    s.codec = c.codec;
    s.hls = c.hls;
    EXPECT_EQ(UnplayableReason(s, every_decoder), c.reason) << c.codec;
  }
  Station aac;
  aac.codec = "AAC";
  EXPECT_EQ(UnplayableReason(aac, [](AudioCodec codec) { return codec != AudioCodec::kAac; }),
            "Для формата AAC в системе нет декодера");
  aac.hls = true;
  EXPECT_EQ(UnplayableReason(aac, [](AudioCodec codec) { return codec != AudioCodec::kAac; }),
            "Для формата AAC в системе нет декодера");
}

namespace {

TEST(CatalogueSite, TheRecentPageListsTheTitlesHeardUnderTheStationsWithCopyAndSearch) {
  Fixture f;
  f.Get("/");
  f.site.StationPlayed("http://ep.example/live");
  f.site.TitleHeard("http://ep.example/live", "Ария — «Штиль» <live>", 1765300000);  // 17:06:40 UTC
  f.site.TitleHeard("http://nowhere.example/", "Second", 1765300060);
  f.site.TitleHeard("http://nowhere.example/", "Second", 1765300090);  // the same again: not a new title
  ASSERT_EQ(f.store.Titles().size(), 2u);
  const std::string page = f.Get("/recent").body;
  const size_t stations = page.find("<h2>Недавние</h2>"), heard = page.find("<h2>Звучало</h2>");
  ASSERT_NE(heard, std::string::npos);
  EXPECT_LT(stations, heard);
  const size_t second = page.find("Second"), first = page.find("Ария — «Штиль» &lt;live&gt;</span>");
  ASSERT_NE(first, std::string::npos);
  EXPECT_LT(second, first);  // newest first
  EXPECT_NE(page.find("<span class=\"when\">09.12.2025 20:06</span>"), std::string::npos);  // as time_text says
  EXPECT_NE(page.find("<div class=\"meta\">Европа Плюс</div>"), std::string::npos);  // the catalogue's name
  EXPECT_NE(page.find("<div class=\"meta\">http://nowhere.example/</div>"), std::string::npos);
  EXPECT_NE(page.find("data-copy=\"Ария — «Штиль» &lt;live&gt;\" onclick=\"return vnCopy(this)\""), std::string::npos);
  EXPECT_NE(page.find("href=\"new:https://yandex.ru/search/?text=%D0%90%D1%80%D0%B8%D1%8F%20%E2%80%94%20%C2%AB%D0%A8"),
            std::string::npos);
  EXPECT_EQ(ClockText(0), "01.01.1970 00:00");
  EXPECT_EQ(ClockText(951782400 + 86399), "29.02.2000 23:59");
}

TEST(CatalogueSite, FavouritesGoOutAsM3uAndPlsAndFilesComeInWithoutDuplicates) {
  Fixture f;
  f.Get("/");
  ASSERT_EQ(f.Post("/fav/toggle", std::string("t=") + kToken + "&k=u%3Aru-1").status, 303);
  ASSERT_EQ(f.store.AddOwn("Своя", "http://own.example/"), "");
  const HttpResponse m3u = f.Get("/fav/export.m3u8");
  EXPECT_EQ(m3u.body, "#EXTM3U\r\n#EXTINF:-1,Европа Плюс\r\nhttp://ep.example/live\r\n#EXTINF:-1,Своя\r\nhttp://own.example/\r\n");
  EXPECT_NE(SerializeResponse(m3u, true).find("\r\nContent-Disposition: attachment; filename=\"volnar-stations.m3u8\"\r\n"),
            std::string::npos);
  const HttpResponse pls = f.Get("/fav/export.pls");
  EXPECT_NE(pls.body.find("File2=http://own.example/\r\nTitle2=Своя\r\n"), std::string::npos);
  EXPECT_NE(pls.body.find("NumberOfEntries=2\r\n"), std::string::npos);
  EXPECT_NE(f.Get("/fav").body.find("action=\"/fav/import\" enctype=\"multipart/form-data\""), std::string::npos);

  const std::string file = "#EXTM3U\r\n#EXTINF:-1,Европа again\r\nhttp://ep.example/live\r\nhttp://own.example/\r\n"
                           "#EXTINF:-1,Новая\r\nhttp://new.example/a\r\nC:\\Music\\song.mp3\r\nhttp://new.example/a\r\n";
  EXPECT_EQ(f.Upload("wrong", file).status, 403);
  EXPECT_EQ(f.Upload(kToken, file, "Origin: http://evil.example\r\n").status, 403);
  EXPECT_EQ(f.Post("/fav/import", std::string("t=") + kToken + "&f=http%3A%2F%2Fx.example%2F").status, 400);
  EXPECT_EQ(f.store.Favourites().size(), 1u);
  const HttpResponse in = f.Upload(kToken, file);
  EXPECT_EQ(in.status, 200);
  const auto fav = f.store.Favourites();
  ASSERT_EQ(fav.size(), 2u);
  EXPECT_EQ(fav[1].name, "Новая");
  EXPECT_EQ(fav[1].url, "http://new.example/a");
  EXPECT_NE(in.body.find("добавлено в избранное станций: 1. Уже были в списке, пропущено: 3."), std::string::npos);
  EXPECT_NE(in.body.find("<li>строка 7: не адрес станции"), std::string::npos);
  EXPECT_NE(in.body.find(">Новая</a>"), std::string::npos);  // the list as it is now
  // A playlist may be larger than any other form, but only on its own path.
  HttpRequest big, other;
  EXPECT_EQ(big.Feed("POST /fav/import HTTP/1.1\r\nContent-Length: 500000\r\n\r\n"), HttpRequest::State::kBody);
  EXPECT_EQ(other.Feed("POST /fav/toggle HTTP/1.1\r\nContent-Length: 500000\r\n\r\n"), HttpRequest::State::kError);
}

TEST(CatalogueSite, AnExternalBrowserPlaysThroughTheServerOnlyWithOurHostOriginAndToken) {
  Fixture f;
  const HttpResponse entry = f.Get(kExternalEntryPath);
  EXPECT_EQ(entry.status, 303);
  EXPECT_EQ(entry.set_cookie.rfind("vext=1; Path=/; HttpOnly", 0), 0u);
  // The pane's pages keep their play: and new: links.
  EXPECT_NE(f.Get("/").body.find("href=\"play:http://ep.example/live\""), std::string::npos);
  const auto get = [&](const std::string& target) {
    return f.Send("GET " + target + " HTTP/1.1\r\nHost: " + kHost + "\r\nCookie: a=b; vext=1\r\n\r\n");
  };
  const std::string page = get("/").body;
  EXPECT_EQ(page.find("href=\"play:"), std::string::npos);
  EXPECT_EQ(page.find("href=\"new:"), std::string::npos);
  EXPECT_NE(page.find("href=\"https://europaplus.example/\" target=\"_blank\""), std::string::npos);
  EXPECT_NE(page.find("<form class=\"play\" method=\"post\" action=\"/play\"><input type=\"hidden\" name=\"t\" value=\"" +
                      std::string(kToken) + "\"><input type=\"hidden\" name=\"back\" value=\"/\">"
                      "<input type=\"hidden\" name=\"u\" value=\"http://ep.example/live\">"),
            std::string::npos);

  const std::string form = std::string("t=") + kToken + "&u=http%3A%2F%2Fep.example%2Flive&n=%D0%95%D0%9F&back=%2Flist%3Fq%3Dx";
  EXPECT_EQ(f.Post("/play", "u=http%3A%2F%2Fep.example%2Flive").status, 403);
  EXPECT_EQ(f.Post("/play", form, "Origin: http://evil.example\r\n").status, 403);
  EXPECT_EQ(f.Post("/play", form, "Referer: http://evil.example/\r\n").status, 403);
  EXPECT_EQ(f.Send("POST /play HTTP/1.1\r\nHost: evil.example:47471\r\nContent-Type: application/x-www-form-urlencoded"
                   "\r\nContent-Length: " + std::to_string(form.size()) + "\r\n\r\n" + form).status,
            421);
  EXPECT_EQ(f.Get("/play?" + form).status, 405);
  EXPECT_EQ(f.Post("/play", std::string("t=") + kToken + "&u=file%3A%2F%2F%2Fc%3A%2Fx.exe").status, 400);
  EXPECT_TRUE(f.plays.empty());

  const HttpResponse played = f.Post("/play", form, "Origin: http://127.0.0.1:47471\r\n");
  EXPECT_EQ(played.status, 303);
  EXPECT_EQ(played.location, "http://127.0.0.1:47471/list?q=x&played=1");
  EXPECT_EQ(f.plays, std::vector<std::string>{"http://ep.example/live"});
  EXPECT_NE(get("/list?q=x&played=1").body.find("Плеер включил станцию «ЕП»"), std::string::npos);
  EXPECT_EQ(get("/list?q=x&played=2").body.find("Плеер включил"), std::string::npos);  // not a play of ours
  // The next form on that page returns without the note's number.
  const std::string home = get("/?played=1").body;
  EXPECT_NE(home.find("name=\"back\" value=\"/\"><input type=\"hidden\" name=\"u\""), std::string::npos);
  EXPECT_NE(home.find("Плеер включил станцию «ЕП»"), std::string::npos);
}

TEST(CatalogueSite, CountriesAndLanguagesAreNamedInRussian) {
  Fixture f;
  f.answers[CountriesPath()] = R"([{"name":"Germany","iso_3166_1":"DE","stationcount":5},
    {"name":"Austria","iso_3166_1":"AT","stationcount":4},{"name":"Atlantis","iso_3166_1":"QQ","stationcount":3}])";
  f.answers[LanguagesPath(24)] = R"([{"name":"russian","iso_639":"ru","stationcount":9},{"name":"klingon","stationcount":1}])";
  const std::string home = f.Get("/").body;
  EXPECT_NE(home.find("href=\"/list?country=DE\">Германия <small>5</small>"), std::string::npos);
  EXPECT_NE(home.find("href=\"/list?country=QQ\">Atlantis <small>3</small>"), std::string::npos);
  EXPECT_NE(home.find("href=\"/list?language=russian\">русский <small>9</small>"), std::string::npos);
  EXPECT_NE(home.find("href=\"/list?language=klingon\">klingon <small>1</small>"), std::string::npos);
  const std::string list = f.Get("/list?country=AT").body;
  const size_t at = list.find("<option value=\"AT\" selected>Австрия</option>");
  ASSERT_NE(at, std::string::npos);
  EXPECT_LT(at, list.find("<option value=\"DE\">Германия</option>"));
  // A language typed in Russian is looked for by the directory's name, and shown in Russian.
  const std::string typed = f.Get("/list?language=" + PercentEncode("Русский")).body;
  EXPECT_NE(typed.find("name=\"language\" size=\"10\" value=\"русский\""), std::string::npos);
  EXPECT_NE(std::find_if(f.asked.begin(), f.asked.end(),
                         [](const std::string& p) { return p.find("language=russian") != std::string::npos; }),
            f.asked.end());
}

}  // namespace
