#include "catalogue/site.h"

#include <algorithm>
#include <future>

#include "base/ascii.h"
#include "catalogue/directory_json.h"
#include "catalogue/place_names.h"
#include "catalogue/playlist_io.h"
#include "catalogue/web_text.h"

namespace {

constexpr uint32_t kTopCount = 10;
constexpr uint32_t kTagCount = 30;
constexpr uint32_t kLanguageCount = 24;
constexpr size_t kHomeCountries = 30;
constexpr size_t kSeenStations = 5000;

const char* const kCodecChoices[] = {"MP3", "AAC", "AAC+", "OGG", "OPUS", "FLAC", nullptr};
const uint32_t kBitrateChoices[] = {0, 64, 96, 128, 192, 256, 320};

std::string Param(const std::map<std::string, std::string>& q, const std::string& name) {
  const auto it = q.find(name);
  return it == q.end() ? std::string() : std::string(CutUtf8(it->second, 200));
}

uint32_t Number(std::string_view text, uint32_t max) {
  uint64_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + static_cast<uint64_t>(c - '0');
    if (n > max) return max;
  }
  return static_cast<uint32_t>(n);
}

// Equal texts in time independent of where they differ (the form token).
constexpr char kNoTokenProblem[] =
    "Система не дала случайного числа для защиты форм каталога, поэтому в этот раз избранное и свои "
    "станции можно только смотреть: изменения отключены. Перезапустите программу.";

bool SameSecret(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

std::string Option(std::string_view value, std::string_view label, bool selected) {
  std::string out = "<option value=\"";
  out += HtmlEscape(value);
  out += selected ? "\" selected>" : "\">";
  out += HtmlEscape(label);
  out += "</option>";
  return out;
}

constexpr char kExternalCookie[] = "vext=1";

bool FromExternalBrowser(const HttpRequest* request) {
  if (!request) return false;
  const auto cookies = request->Header("Cookie");
  if (!cookies) return false;
  std::string_view rest = *cookies;
  while (!rest.empty()) {
    const size_t semi = rest.find(';');
    std::string_view one = rest.substr(0, semi);
    rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
    while (!one.empty() && one.front() == ' ') one.remove_prefix(1);
    while (!one.empty() && one.back() == ' ') one.remove_suffix(1);
    if (one == kExternalCookie) return true;
  }
  return false;
}

// `target` without its query parameter `name`.
std::string WithoutParam(const std::string& target, std::string_view name) {
  const size_t q = target.find('?');
  if (q == std::string::npos) return target;
  std::string out = target.substr(0, q);
  std::string_view rest = std::string_view(target).substr(q + 1);
  char joint = '?';
  while (!rest.empty()) {
    const size_t amp = rest.find('&');
    const std::string_view one = rest.substr(0, amp);
    rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
    if (one.substr(0, one.find('=')) == name || one.empty()) continue;
    out += joint;
    out += one;
    joint = '&';
  }
  return out;
}

std::string Chips(const std::vector<NamedCount>& list, size_t count, const char* param, bool by_code) {
  std::string out = "<div class=\"chips\">";
  for (size_t i = 0; i < list.size() && i < count; ++i) {
    const NamedCount& n = list[i];
    const std::string& value = by_code ? n.code : n.name;
    if (value.empty()) continue;
    out += "<a href=\"/list?";
    out += param;
    out += '=';
    out += HtmlEscape(PercentEncode(value));
    out += "\">";
    // Countries and languages in Russian where we know the name; genres as they are.
    out += HtmlEscape(by_code ? CountryNameRu(n.code, n.name)
                              : std::string(param) == "language" ? LanguageNameRu(n.name) : n.name);
    out += " <small>";
    out += std::to_string(n.stationcount);
    out += "</small></a>";
  }
  out += "</div>\n";
  return out;
}

}  // namespace

std::string SerializeResponse(const HttpResponse& r, bool head_only) {
  std::string out = "HTTP/1.1 " + std::to_string(r.status) + " ";
  out += StatusText(r.status);
  out += "\r\nContent-Type: ";
  out += r.content_type;
  out += "\r\nContent-Length: " + std::to_string(r.body.size());
  if (!r.location.empty()) {
    out += "\r\nLocation: ";
    out += r.location;
  }
  if (r.status == 405) out += "\r\nAllow: GET, HEAD, POST";
  if (!r.disposition.empty()) {
    out += "\r\nContent-Disposition: ";
    out += r.disposition;
  }
  if (!r.set_cookie.empty()) {
    out += "\r\nSet-Cookie: ";
    out += r.set_cookie;
  }
  // The hosted browser renders loopback pages in an old document mode
  // unless told otherwise. Logos are the only thing loaded from elsewhere.
  out += "\r\nX-UA-Compatible: IE=edge"
         "\r\nCache-Control: no-store"
         "\r\nX-Content-Type-Options: nosniff"
         "\r\nX-Frame-Options: DENY"
         "\r\nReferrer-Policy: same-origin"
         "\r\nContent-Security-Policy: default-src 'none'; img-src http: https: data:; "
         "style-src 'unsafe-inline'; script-src 'unsafe-inline'; form-action 'self'; "
         "frame-ancestors 'none'; base-uri 'none'"
         "\r\nConnection: close\r\n\r\n";
  if (!head_only) out += r.body;
  return out;
}

std::string SafeBackPath(std::string_view back) {
  if (back.empty() || back.front() != '/' || back.size() > 1000) return "/";
  if (back.size() > 1 && (back[1] == '/' || back[1] == '\\')) return "/";
  for (char ch : back) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= ' ' || c >= 0x7F || c == '\\' || c == '"' || c == '<' || c == '>') return "/";
  }
  return std::string(back);
}

CatalogueSite::CatalogueSite(SiteOptions options, DirectoryClient& directory, UserStore& store)
    : options_(std::move(options)), directory_(directory), store_(store) {}

HttpResponse CatalogueSite::Refuse(int status, std::string_view text) const {
  HttpResponse r;
  r.status = status;
  r.content_type = "text/plain; charset=utf-8";
  r.body = std::string(text) + "\n";
  return r;
}

bool CatalogueSite::SameOrigin(const HttpRequest& request) const {
  const std::string origin = "http://" + options_.host;
  if (const auto o = request.Header("Origin")) return EqualsIgnoreCase(*o, origin);
  if (const auto ref = request.Header("Referer")) {
    return StartsWithIgnoreCase(*ref, origin + "/") || EqualsIgnoreCase(*ref, origin);
  }
  return true;  // neither sent: the token decides
}

HttpResponse CatalogueSite::Handle(const HttpRequest& request) {
  // A page elsewhere may point a name of its own at 127.0.0.1: its requests
  // carry that name, never ours.
  const auto host = request.Header("Host");
  if (!host) return Refuse(400, "Host header required");
  if (!EqualsIgnoreCase(*host, options_.host)) return Refuse(421, "Wrong host");

  const std::string path(request.path());
  const std::string& method = request.method();
  // Each connection has a thread of its own: the pages find their request by it.
  struct Current {
    CatalogueSite& site;
    Current(CatalogueSite& s, const HttpRequest& r) : site(s) {
      std::lock_guard<std::mutex> hold(site.lock_);
      site.answering_[std::this_thread::get_id()] = &r;
    }
    ~Current() {
      std::lock_guard<std::mutex> hold(site.lock_);
      site.answering_.erase(std::this_thread::get_id());
    }
  } current(*this, request);
  const bool action = path == "/fav/toggle" || path == "/fav/move" || path == "/own/add" ||
                      path == "/own/edit" || path == "/own/remove" || path == HttpRequest::kUploadPath ||
                      path == "/play";
  if (method == "POST") {
    if (!action) return Refuse(405, "Method not allowed");
    if (options_.token.empty()) {
      // No random token this run: a forged form could not be told from ours.
      HttpResponse r;
      r.status = 503;
      r.body = RenderPage("Изменения недоступны", Tab::kNone, {}, Context("/"),
                          "<div class=\"note\">Изменение избранного и своих станций сейчас отключено. "
                          "<a href=\"/\">На главную</a></div>");
      return r;
    }
    const auto type = request.Header("Content-Type");
    // The playlist comes as an upload; every other form is a plain one.
    const bool upload = path == HttpRequest::kUploadPath;
    if (!type || !StartsWithIgnoreCase(*type, upload ? "multipart/form-data" : "application/x-www-form-urlencoded")) {
      return Refuse(400, "Form expected");
    }
    if (!SameOrigin(request)) return Refuse(403, "Foreign origin");
    std::map<std::string, std::string> form;
    if (upload) {
      auto parts = ParseMultipartForm(*type, request.body());
      if (!parts) return Refuse(400, "Form expected");
      form = std::move(*parts);
    } else {
      form = ParseForm(request.body());
    }
    if (!SameSecret(Param(form, "t"), options_.token)) return Refuse(403, "Bad form token");
    if (upload) return Import(form);
    if (path == "/play") return PlayRequest(form);
    return Post(path, form);
  }
  if (method != "GET" && method != "HEAD") return Refuse(405, "Method not allowed");
  if (action) return Refuse(405, "Method not allowed");

  const std::map<std::string, std::string> q = ParseForm(request.query());
  const std::string& target = request.target();
  if (path == "/") return HomePage(q);
  if (path == "/list") return ListPage(q, target);
  if (path == "/fav") return FavouritesPage(target);
  if (path == "/own") return OwnPage(q, target, {}, {}, {});
  if (path == "/recent") return RecentPage(target);
  if (path == "/fav/export.m3u8") return Export(false);
  if (path == "/fav/export.pls") return Export(true);
  if (path == kExternalEntryPath) {
    // Only how the pages offer plays changes; what a play needs stays the token.
    HttpResponse r;
    r.status = 303;
    r.location = "http://" + options_.host + "/";
    r.set_cookie = std::string(kExternalCookie) + "; Path=/; HttpOnly; SameSite=Strict; Max-Age=31536000";
    return r;
  }
  HttpResponse r;
  r.status = 404;
  r.body = RenderPage("Нет такой страницы", Tab::kNone, {}, Context(target),
                      "<div class=\"note\">Такой страницы в каталоге нет. <a href=\"/\">На главную</a></div>");
  return r;
}

PageContext CatalogueSite::Context(const std::string& target) const {
  PageContext c;
  c.token = options_.token;
  c.back = SafeBackPath(WithoutParam(target, "played"));
  const HttpRequest* request = nullptr;
  {
    std::lock_guard<std::mutex> hold(lock_);
    const auto it = answering_.find(std::this_thread::get_id());
    if (it != answering_.end()) request = it->second;
  }
  c.external = FromExternalBrowser(request);
  // The note goes by the address asked for (some pages render as another).
  const std::string& asked = request ? request->target() : target;
  if (c.external && asked.find("played=") != std::string::npos) {
    const size_t q = asked.find('?');
    const std::map<std::string, std::string> query =
        ParseForm(q == std::string::npos ? std::string_view() : std::string_view(asked).substr(q + 1));
    const auto it = query.find("played");
    std::lock_guard<std::mutex> hold(lock_);
    // Only the newest play's number names it: an address typed by hand or
    // linked from elsewhere cannot make a page claim a play.
    if (it != query.end() && play_number_ && it->second == std::to_string(play_number_)) c.played = played_name_;
  }
  c.problems = store_.Problems();
  if (options_.token.empty()) c.problems.push_back(kNoTokenProblem);
  c.unplayable = options_.unplayable;
  c.is_favourite = [this](const std::string& key) { return store_.IsFavourite(key); };
  return c;
}

void CatalogueSite::Remember(const std::vector<Station>& stations) {
  std::lock_guard<std::mutex> hold(lock_);
  if (seen_.size() > kSeenStations) {
    seen_.clear();
    uuid_by_address_.clear();
  }
  for (const Station& s : stations) {
    if (s.uuid.empty()) continue;
    seen_[s.uuid] = s;
    uuid_by_address_[LinkAddress(s.StreamAddress())] = s.uuid;
  }
}

std::optional<std::vector<Station>> CatalogueSite::Stations(const std::string& path) {
  const std::optional<std::string> body = directory_.Get(path);
  if (!body) return std::nullopt;
  std::optional<std::vector<Station>> stations = ParseStations(*body);
  if (!stations) return std::nullopt;
  Remember(*stations);
  return stations;
}

HttpResponse CatalogueSite::HomePage(const std::map<std::string, std::string>&) {
  const PageContext context = Context("/");
  std::string content;
  // The home page needs five answers: asked at once, so that a slow
  // directory costs the time of one request, not of five.
  const auto ask = [this](std::string path) {
    return std::async(std::launch::async, [this, path = std::move(path)] { return directory_.Get(path); });
  };
  auto world_answer = ask(TopStationsPath("", kTopCount));
  auto tags_answer = ask(TagsPath(kTagCount));
  auto countries_answer = ask(CountriesPath());
  auto languages_answer = ask(LanguagesPath(kLanguageCount));
  const std::optional<std::vector<Station>> russia = Stations(TopStationsPath("RU", kTopCount));
  if (!russia) {
    content += RenderUnreachable();
    const std::vector<Station> favourites = store_.Favourites();
    content += Section("Избранное", favourites.empty()
                                        ? std::string("<div class=\"note\">В избранном пока ничего нет.</div>")
                                        : RenderStationRows(favourites, RowKind::kFavourite, context, false, nullptr));
    HttpResponse r;
    r.body = RenderPage("Каталог станций", Tab::kHome, {}, context, content);
    return r;
  }
  if (!station_chosen_.load()) {
    // The first run: Play should work at once, with the most listened-to
    // station of Russia that the player can play.
    for (const Station& s : *russia) {
      if ((options_.unplayable && !options_.unplayable(s).empty()) || !IsStationAddress(s.StreamAddress())) {
        continue;
      }
      content += "<div class=\"note\">Кнопка «Играть» включит станцию ";
      content += RenderPlayLink(s.StreamAddress(), s.name, "", context, "playmain:");
      content += ". Любую другую станцию можно выбрать ниже.</div>\n";
      break;
    }
  }
  content += Section("Популярное в России", RenderStationRows(*russia, RowKind::kDirectory, context, true, nullptr));
  if (const auto body = world_answer.get()) {
    if (auto world = ParseStations(*body)) {
      Remember(*world);
      content += Section("Популярное в мире", RenderStationRows(*world, RowKind::kDirectory, context, true, nullptr));
    }
  }
  if (const auto body = tags_answer.get()) {
    if (const auto tags = ParseNamedCounts(*body)) content += Section("Жанры", Chips(*tags, kTagCount, "tag", false));
  }
  if (const auto body = countries_answer.get()) {
    if (const auto countries = ParseNamedCounts(*body)) {
      content += Section("Страны", Chips(*countries, kHomeCountries, "country", true));
    }
  }
  if (const auto body = languages_answer.get()) {
    if (const auto languages = ParseNamedCounts(*body)) {
      content += Section("Языки", Chips(*languages, kLanguageCount, "language", false));
    }
  }
  HttpResponse r;
  r.body = RenderPage("Каталог станций", Tab::kHome, {}, context, content);
  return r;
}

HttpResponse CatalogueSite::ListPage(const std::map<std::string, std::string>& q, const std::string& target) {
  StationQuery query;
  query.text = Param(q, "q");
  query.countrycode = Param(q, "country");
  query.tag = Param(q, "tag");
  query.language = LanguageFromRu(Param(q, "language"));  // typed in Russian or linked in English
  query.codec = Param(q, "codec");
  query.min_bitrate = Number(Param(q, "minbr"), 10000);
  const std::string order = Param(q, "order");
  query.order = order == "name" ? StationQuery::Order::kName
                : order == "br" ? StationQuery::Order::kBitrate
                                : StationQuery::Order::kPopular;
  query.page = Number(Param(q, "page"), 10000);
  const bool all = Param(q, "all") == "1";
  const PageContext context = Context(target);

  std::string content = "<form class=\"filters\" method=\"get\" action=\"/list\">";
  content += "<input type=\"hidden\" name=\"q\" value=\"" + HtmlEscape(query.text) + "\">";
  content += "<label>Страна <select name=\"country\">" + Option("", "любая", query.countrycode.empty());
  std::optional<std::vector<NamedCount>> countries;
  if (const auto body = directory_.Get(CountriesPath())) countries = ParseNamedCounts(*body);
  bool country_listed = query.countrycode.empty();
  if (countries) {
    std::vector<std::pair<std::string, std::string>> named;  // Russian name, code
    for (const NamedCount& c : *countries) {
      if (!c.code.empty()) named.emplace_back(CountryNameRu(c.code, c.name), c.code);
    }
    std::sort(named.begin(), named.end());
    for (const auto& [name, code] : named) {
      const bool on = EqualsIgnoreCase(code, query.countrycode);
      country_listed = country_listed || on;
      content += Option(code, name, on);
    }
  }
  if (!country_listed) content += Option(query.countrycode, query.countrycode, true);
  content += "</select></label>";
  content += "<label>Жанр <input type=\"text\" name=\"tag\" size=\"10\" value=\"" + HtmlEscape(query.tag) + "\"></label>";
  content += "<label>Язык <input type=\"text\" name=\"language\" size=\"10\" value=\"" +
             HtmlEscape(query.language.empty() ? std::string() : LanguageNameRu(query.language)) + "\"></label><br>";
  content += "<label>Формат <select name=\"codec\">" + Option("", "любой", query.codec.empty());
  bool codec_listed = query.codec.empty();
  for (const char* const* c = kCodecChoices; *c; ++c) {
    codec_listed = codec_listed || query.codec == *c;
    content += Option(*c, *c, query.codec == *c);
  }
  if (!codec_listed) content += Option(query.codec, query.codec, true);
  content += "</select></label><label>Битрейт от <select name=\"minbr\">";
  for (uint32_t b : kBitrateChoices) {
    content += Option(std::to_string(b), b ? std::to_string(b) + " кбит/с" : std::string("любой"),
                      query.min_bitrate == b);
  }
  content += "</select></label><label>Порядок <select name=\"order\">";
  content += Option("", "популярные", query.order == StationQuery::Order::kPopular);
  content += Option("name", "по названию", query.order == StationQuery::Order::kName);
  content += Option("br", "по битрейту", query.order == StationQuery::Order::kBitrate);
  content += "</select></label><label><input type=\"checkbox\" name=\"all\" value=\"1\"";
  content += all ? " checked" : "";
  content += "> и те, что плеер не играет</label> <button type=\"submit\" class=\"btn\">Показать</button></form>\n";

  std::optional<std::vector<Station>> stations = Stations(StationSearchPath(query));
  if (!stations) {
    content += RenderUnreachable();
  } else {
    const bool more = stations->size() > kStationsPerPage;
    if (more) stations->resize(kStationsPerPage);
    size_t hidden = 0;
    const std::string rows = RenderStationRows(*stations, RowKind::kDirectory, context, !all, &hidden);
    if (stations->empty()) content += "<div class=\"note\">Ничего не найдено.</div>";
    content += rows;
    // Every parameter but the page, for the pager and the "show all" link.
    std::string base = "/list?q=" + PercentEncode(query.text) + "&country=" + PercentEncode(query.countrycode) +
                       "&tag=" + PercentEncode(query.tag) + "&language=" + PercentEncode(query.language) +
                       "&codec=" + PercentEncode(query.codec) + "&minbr=" + std::to_string(query.min_bitrate) +
                       "&order=" + PercentEncode(order);
    if (hidden) {
      content += "<div class=\"note\">Скрыто станций, которые плеер не проигрывает: " + std::to_string(hidden) +
                 ". <a href=\"" + HtmlEscape(base + "&all=1&page=" + std::to_string(query.page)) +
                 "\">Показать все</a></div>";
    }
    if (all) base += "&all=1";
    content += "<div class=\"pager\"><span>";
    if (query.page > 0) {
      content += "<a href=\"" + HtmlEscape(base + "&page=" + std::to_string(query.page - 1)) + "\">← Назад</a>";
    }
    content += "</span><span>Страница " + std::to_string(query.page + 1) + "</span><span>";
    if (more) {
      content += "<a href=\"" + HtmlEscape(base + "&page=" + std::to_string(query.page + 1)) + "\">Дальше →</a>";
    }
    content += "</span></div>";
  }
  HttpResponse r;
  r.body = RenderPage(query.text.empty() ? "Станции" : "Поиск: " + query.text, Tab::kList, query.text, context,
                      content);
  return r;
}

HttpResponse CatalogueSite::FavouritesPage(const std::string& target) {
  const PageContext context = Context(target);
  const std::vector<Station> favourites = store_.Favourites();
  std::string content;
  if (favourites.empty()) {
    content = "<div class=\"note\">В избранном пока ничего нет. Звёздочка ☆ у станции добавляет её сюда.</div>";
  } else {
    content = RenderStationRows(favourites, RowKind::kFavourite, context, false, nullptr);
  }
  HttpResponse r;
  r.body = RenderPage("Избранное", Tab::kFavourites, {}, context, Section("Избранное", content) + FilesSection(context));
  return r;
}

std::string CatalogueSite::FilesSection(const PageContext& context) const {
  std::string files =
      "<div class=\"files\">Избранное и свои станции в файл: "
      "<a class=\"btn\" href=\"/fav/export.m3u8\" download=\"volnar-stations.m3u8\">M3U</a> "
      "<a class=\"btn\" href=\"/fav/export.pls\" download=\"volnar-stations.pls\">PLS</a>"
      "<form method=\"post\" action=\"/fav/import\" enctype=\"multipart/form-data\">"
      "<input type=\"hidden\" name=\"t\" value=\"";
  files += HtmlEscape(context.token);
  files += "\"><label>Добавить станции из файла M3U или PLS: <input type=\"file\" name=\"f\" "
           "accept=\".m3u,.m3u8,.pls\"></label> <button type=\"submit\" class=\"btn\">Добавить</button></form></div>";
  return Section("Файл со станциями", files);
}

std::vector<PlaylistEntry> ExportEntries(const UserStore& store) {
  std::vector<PlaylistEntry> entries;
  const auto add = [&](const std::string& name, const std::string& url) {
    for (const PlaylistEntry& e : entries) {
      if (e.url == url) return;
    }
    entries.push_back({name, url});
  };
  for (const Station& s : store.Favourites()) add(s.name, s.StreamAddress());
  for (const OwnStation& o : store.OwnStations()) add(o.name, o.url);
  return entries;
}

HttpResponse CatalogueSite::Export(bool pls) {
  HttpResponse r;
  const std::vector<PlaylistEntry> entries = ExportEntries(store_);
  r.body = pls ? WritePls(entries) : WriteM3u(entries);
  r.content_type = pls ? "audio/x-scpls; charset=utf-8" : "audio/x-mpegurl; charset=utf-8";
  r.disposition = pls ? "attachment; filename=\"volnar-stations.pls\"" : "attachment; filename=\"volnar-stations.m3u8\"";
  return r;
}

HttpResponse CatalogueSite::Import(const std::map<std::string, std::string>& form) {
  const auto it = form.find("f");
  const PageContext context = Context("/fav");
  std::string report;
  if (it == form.end() || it->second.empty()) {
    report = "<div class=\"err\">Выберите файл M3U или PLS.</div>";
  } else {
    const PlaylistRead read = ReadPlaylist(it->second);
    std::vector<Station> stations;
    for (const PlaylistEntry& e : read.entries) {
      Station s;
      s.name = e.name;
      s.url = e.url;
      stations.push_back(std::move(s));
    }
    const UserStore::ImportCount count = store_.ImportFavourites(stations);
    std::string text = "Из файла " + std::string(read.pls ? "PLS" : "M3U") +
                       " добавлено в избранное станций: " + std::to_string(count.added) + ".";
    if (count.duplicates) text += " Уже были в списке, пропущено: " + std::to_string(count.duplicates) + ".";
    if (count.no_room) text += " Не поместилось (избранное полно): " + std::to_string(count.no_room) + ".";
    if (read.entries.empty() && read.bad.empty()) text += " В файле не нашлось ни одной станции.";
    report = "<div class=\"note\" id=\"imported\">" + HtmlEscape(text) + "</div>";
    if (!read.bad.empty()) {
      report += "<div class=\"err\" id=\"badlines\">Пропущены строки с ошибками:<ul>";
      for (const std::string& b : read.bad) report += "<li>" + HtmlEscape(b) + "</li>";
      report += "</ul></div>";
    }
  }
  // Shown as the answer to the upload itself, with the list as it is now.
  const std::vector<Station> favourites = store_.Favourites();
  std::string content = report;
  content += Section("Избранное", favourites.empty()
                                     ? std::string("<div class=\"note\">В избранном пока ничего нет.</div>")
                                     : RenderStationRows(favourites, RowKind::kFavourite, context, false, nullptr));
  content += FilesSection(context);
  HttpResponse r;
  r.body = RenderPage("Избранное", Tab::kFavourites, {}, context, content);
  return r;
}

HttpResponse CatalogueSite::PlayRequest(const std::map<std::string, std::string>& form) {
  const auto u = form.find("u");
  const std::string address = u == form.end() ? std::string() : u->second;
  if (!IsStationAddress(address) || address.size() > kMaxAddressBytes) {
    return Refuse(400, "Not a station address");
  }
  if (!options_.play) return Refuse(503, "Nothing plays here");
  options_.play(LinkAddress(address));
  std::string number;
  {
    std::lock_guard<std::mutex> hold(lock_);
    played_name_ = std::string(CutUtf8(Param(form, "n").empty() ? address : Param(form, "n"), kMaxNameBytes));
    number = std::to_string(++play_number_);
  }
  const std::string back = SafeBackPath(WithoutParam(Param(form, "back"), "played"));
  HttpResponse r;
  r.status = 303;
  r.location = "http://" + options_.host + back + (back.find('?') == std::string::npos ? "?" : "&") + "played=" + number;
  return r;
}

void CatalogueSite::TitleHeard(const std::string& address, const std::string& title, int64_t started) {
  HeardTitle heard;
  heard.title = title;
  heard.url = address;
  heard.started = started;
  heard.station = KnownName(address);
  if (heard.station.empty()) heard.station = address;
  (void)store_.NoteTitle(heard);
}

HttpResponse CatalogueSite::RecentPage(const std::string& target) {
  const PageContext context = Context(target);
  const std::vector<Station> history = store_.History();
  std::string content = history.empty()
                            ? std::string("<div class=\"note\">Вы ещё ничего не слушали.</div>")
                            : RenderStationRows(history, RowKind::kHistory, context, false, nullptr);
  const std::vector<HeardTitle> titles = store_.Titles();
  content = Section("Недавние", content);
  content += Section("Звучало", titles.empty()
                                   ? std::string("<div class=\"note\">Названий передач и песен пока не было.</div>")
                                   : RenderTitleRows(titles, context, options_.time_text));
  HttpResponse r;
  r.body = RenderPage("Недавние", Tab::kRecent, {}, context, content);
  return r;
}

HttpResponse CatalogueSite::OwnPage(const std::map<std::string, std::string>& q, const std::string& target,
                                    std::string_view error, std::string_view name, std::string_view url) {
  const PageContext context = Context(target);
  const std::vector<OwnStation> own = store_.OwnStations();
  std::string content;
  std::string edit_id = Param(q, "edit");
  std::optional<OwnStation> editing = edit_id.empty() ? std::nullopt : store_.FindOwn(edit_id);
  if (!error.empty()) content += "<div class=\"err\">" + HtmlEscape(error) + "</div>";

  std::string rows;
  for (const OwnStation& o : own) {
    const bool playable = IsStationAddress(o.url);
    rows += "<div class=\"st\"><span class=\"logo\">♪</span><div class=\"info\">";
    if (playable) {
      rows += RenderPlayLink(o.url, o.name, "name", context);
    } else {
      rows += "<span class=\"name\">" + HtmlEscape(o.name) + "</span>";
    }
    rows += "<div class=\"addr\">" + HtmlEscape(o.url) + "</div></div><div class=\"act\">";
    rows += "<a class=\"btn\" href=\"/own?edit=" + HtmlEscape(PercentEncode(o.id)) + "\">изменить</a> ";
    rows += RenderPostButton("/own/remove", {{"id", o.id}}, "✕", "Удалить", context);
    rows += "</div></div>\n";
  }
  content += Section("Свои станции", rows.empty() ? std::string("<div class=\"note\">Своих станций пока нет.</div>") : rows);

  const bool edit = editing.has_value() || (!error.empty() && !edit_id.empty());
  std::string form = "<form class=\"own\" method=\"post\" action=\"" + std::string(edit ? "/own/edit" : "/own/add") + "\">";
  form += "<input type=\"hidden\" name=\"t\" value=\"" + HtmlEscape(options_.token) + "\">";
  form += "<input type=\"hidden\" name=\"back\" value=\"/own\">";
  if (edit) form += "<input type=\"hidden\" name=\"id\" value=\"" + HtmlEscape(edit_id) + "\">";
  const std::string shown_name(editing && error.empty() ? std::string_view(editing->name) : name);
  const std::string shown_url(editing && error.empty() ? std::string_view(editing->url) : url);
  form += "<label>Название</label><input type=\"text\" name=\"name\" maxlength=\"300\" value=\"" + HtmlEscape(shown_name) + "\">";
  form += "<label>Адрес потока (http:// или https://)</label><input type=\"text\" name=\"url\" maxlength=\"2048\" value=\"" +
          HtmlEscape(shown_url) + "\">";
  form += edit ? "<button type=\"submit\" class=\"btn\">Сохранить</button> <a href=\"/own\">отмена</a>"
               : "<button type=\"submit\" class=\"btn\">Добавить</button>";
  form += "</form>";
  content += Section(edit ? "Изменить станцию" : "Добавить станцию", form);
  HttpResponse r;
  r.body = RenderPage("Свои станции", Tab::kOwn, {}, context, content);
  return r;
}

std::optional<Station> CatalogueSite::StationForKey(const std::string& key) {
  for (const Station& s : store_.Favourites()) {
    if (FavouriteKey(s) == key) return s;
  }
  for (const Station& s : store_.History()) {
    if (FavouriteKey(s) == key) return s;
  }
  if (key.rfind("u:", 0) != 0) return std::nullopt;
  const std::string uuid = key.substr(2);
  {
    std::lock_guard<std::mutex> hold(lock_);
    const auto it = seen_.find(uuid);
    if (it != seen_.end()) return it->second;
  }
  // A page from before a restart: ask the directory.
  if (auto found = Stations(StationByUuidPath(uuid))) {
    for (Station& s : *found) {
      if (s.uuid == uuid) return s;
    }
  }
  return std::nullopt;
}

HttpResponse CatalogueSite::Post(std::string_view path, const std::map<std::string, std::string>& form) {
  const auto done = [&](const std::string& back) {
    HttpResponse r;
    r.status = 303;
    r.location = "http://" + options_.host + SafeBackPath(back);
    return r;
  };
  const auto failed = [&](std::string_view text) {
    HttpResponse r;
    r.body = RenderPage("Каталог станций", Tab::kNone, {}, Context("/"),
                        "<div class=\"err\">" + HtmlEscape(text) + "</div><a href=\"" +
                            HtmlEscape(SafeBackPath(Param(form, "back"))) + "\">Вернуться</a>");
    return r;
  };
  const std::string back = Param(form, "back");
  if (path == "/fav/toggle") {
    const std::optional<Station> station = StationForKey(Param(form, "k"));
    if (!station) return failed("Станция не найдена: каталог, возможно, недоступен.");
    if (!store_.ToggleFavourite(*station)) return failed("Избранное заполнено: уберите из него что-нибудь.");
    return done(back);
  }
  if (path == "/fav/move") {
    const std::string d = Param(form, "d");
    (void)store_.MoveFavourite(Param(form, "k"), d == "up" ? -1 : 1);
    return done(back);
  }
  if (path == "/own/remove") {
    (void)store_.RemoveOwn(Param(form, "id"));
    return done("/own");
  }
  const std::string name(Trim(Param(form, "name")));
  const std::string url(Trim(Param(form, "url")));
  const std::string id = Param(form, "id");
  const std::string error = path == "/own/add" ? store_.AddOwn(name, url) : store_.EditOwn(id, name, url);
  if (!error.empty()) {
    std::map<std::string, std::string> q;
    if (path == "/own/edit") q["edit"] = id;
    return OwnPage(q, "/own", error, name, url);
  }
  return done("/own");
}

void CatalogueSite::StationPlayed(const std::string& address) {
  station_chosen_.store(true);
  std::optional<Station> station;
  for (const Station& s : store_.Favourites()) {
    if (LinkAddress(s.StreamAddress()) == address) station = s;
  }
  if (!station) {
    for (const OwnStation& o : store_.OwnStations()) {
      if (LinkAddress(o.url) == address) {
        station = Station{};
        station->name = o.name;
        station->url = o.url;
      }
    }
  }
  if (!station) {
    std::lock_guard<std::mutex> hold(lock_);
    const auto it = uuid_by_address_.find(address);
    if (it != uuid_by_address_.end()) station = seen_[it->second];
  }
  if (!station) {
    for (const Station& s : store_.History()) {
      if (LinkAddress(s.StreamAddress()) == address) station = s;
    }
  }
  if (!station) {
    station = Station{};
    station->name = address;
    station->url = address;
  }
  store_.NotePlayed(*station);
  if (!station->uuid.empty()) directory_.Send(ClickPath(station->uuid));
}

std::string CatalogueSite::KnownName(const std::string& address) const {
  for (const Station& s : store_.Favourites()) {
    if (LinkAddress(s.StreamAddress()) == address && !s.name.empty()) return s.name;
  }
  for (const OwnStation& o : store_.OwnStations()) {
    if (LinkAddress(o.url) == address && !o.name.empty()) return o.name;
  }
  {
    std::lock_guard<std::mutex> hold(lock_);
    const auto it = uuid_by_address_.find(address);
    if (it != uuid_by_address_.end()) {
      const auto seen = seen_.find(it->second);
      if (seen != seen_.end() && !seen->second.name.empty()) return seen->second.name;
    }
  }
  // A station played before without a name has its address as its name.
  for (const Station& s : store_.History()) {
    if (LinkAddress(s.StreamAddress()) == address && s.name != address) return s.name;
  }
  return {};
}
