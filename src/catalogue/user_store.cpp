#include "catalogue/user_store.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "catalogue/web_text.h"

namespace {

using Json = nlohmann::json;

constexpr int kDocumentVersion = 1;

// The name shown for a station: its own, or for a nameless one its address,
// either cut to the bound that loading applies to names.
std::string StoreShownName(std::string_view name, std::string_view url) {
  return std::string(CutUtf8(name.empty() ? url : name, kMaxNameBytes));
}

std::string Field(const Json& object, const char* key, size_t max_bytes, bool* too_long = nullptr) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_string()) return {};
  const std::string& s = it->get_ref<const std::string&>();
  if (s.size() > max_bytes && too_long) *too_long = true;
  return std::string(CutUtf8(s, max_bytes));
}

Json StationJson(const Station& s) {
  Json j = {{"name", s.name}, {"url", s.StreamAddress()}};
  if (!s.uuid.empty()) j["stationuuid"] = s.uuid;
  if (!s.homepage.empty()) j["homepage"] = s.homepage;
  if (!s.favicon.empty()) j["favicon"] = s.favicon;
  if (!s.country.empty()) j["country"] = s.country;
  if (!s.countrycode.empty()) j["countrycode"] = s.countrycode;
  if (!s.codec.empty()) j["codec"] = s.codec;
  if (!s.tags.empty()) j["tags"] = s.tags;
  if (s.bitrate) j["bitrate"] = s.bitrate;
  if (s.hls) j["hls"] = true;
  return j;
}

// A stored station; nullopt when the entry is unusable (not an object, no
// address that can be played).
std::optional<Station> StationFrom(const Json& j) {
  if (!j.is_object()) return std::nullopt;
  Station s;
  bool too_long = false;
  s.url = Field(j, "url", kMaxAddressBytes, &too_long);
  if (too_long || !IsStationAddress(s.url)) return std::nullopt;
  s.name = StoreShownName(Field(j, "name", kMaxNameBytes), s.url);
  s.uuid = Field(j, "stationuuid", 64);
  s.homepage = Field(j, "homepage", kMaxAddressBytes);
  s.favicon = Field(j, "favicon", kMaxAddressBytes);
  s.country = Field(j, "country", kMaxNameBytes);
  s.countrycode = Field(j, "countrycode", 8);
  s.codec = Field(j, "codec", 32);
  s.tags = Field(j, "tags", kMaxNameBytes);
  const auto br = j.find("bitrate");
  if (br != j.end() && br->is_number_unsigned() && br->get<uint64_t>() < 100000) {
    s.bitrate = static_cast<uint32_t>(br->get<uint64_t>());
  }
  const auto hls = j.find("hls");
  s.hls = hls != j.end() && hls->is_boolean() && hls->get<bool>();
  return s;
}

std::string Counted(size_t n, const char* what) {
  return std::to_string(n) + " " + what;
}

}  // namespace

std::string FavouriteKey(const Station& station) {
  return station.uuid.empty() ? "a:" + station.StreamAddress() : "u:" + station.uuid;
}

std::string CheckStationAddress(std::string_view url) {
  if (url.empty()) return "Введите адрес станции.";
  if (url.size() > kMaxAddressBytes) return "Адрес слишком длинный.";
  if (!IsStationAddress(url)) {
    return "Адрес станции должен начинаться с http:// или https:// и не содержать пробелов и "
           "кавычек.";
  }
  return {};
}

void UserStore::Load(const std::optional<std::string>& document) {
  std::lock_guard<std::mutex> hold(lock_);
  favourites_.clear();
  own_.clear();
  history_.clear();
  titles_.clear();
  load_problems_.clear();
  save_problem_.clear();
  keep_old_on_save_ = false;
  unread_ = false;
  if (!document) return;  // nothing stored yet
  const auto problem = [&](std::string text) {
    load_problems_.push_back(std::move(text));
    keep_old_on_save_ = true;
  };
  if (document->size() > kMaxStoreBytes) {
    problem("Файл сохранённых станций слишком велик (" + std::to_string(document->size() / 1024) +
            " КБ), он не прочитан. Он будет сохранён рядом под другим именем, когда вы что-то "
            "измените.");
    return;
  }
  const std::string clean = CleanUtf8(*document);
  if (clean != *document) {
    problem("В файле сохранённых станций испорчен текст: неверные символы заменены.");
  }
  const Json doc = Json::parse(clean, nullptr, /*allow_exceptions=*/false);
  if (doc.is_discarded() || !doc.is_object()) {
    problem("Файл сохранённых станций повреждён и не прочитан. Он будет сохранён рядом под "
            "другим именем, когда вы что-то измените.");
    return;
  }

  // Each list on its own: a broken one does not cost the others.
  const auto read_list = [&](const char* key, const char* title, size_t limit,
                             const std::function<bool(const Json&)>& take) {
    const auto it = doc.find(key);
    if (it == doc.end()) return;
    if (!it->is_array()) {
      problem(std::string("Список «") + title + "» в файле повреждён и не прочитан.");
      return;
    }
    size_t bad = 0, over = 0, kept = 0;
    for (const Json& e : *it) {
      if (kept >= limit) {
        ++over;
        continue;
      }
      if (take(e)) {
        ++kept;
      } else {
        ++bad;
      }
    }
    if (bad) problem(std::string("Список «") + title + "»: " + Counted(bad, "записей") + " с ошибками пропущено.");
    if (over) problem(std::string("Список «") + title + "»: " + Counted(over, "лишних записей") + " пропущено.");
  };

  read_list("favourites", "Избранное", kMaxFavourites, [&](const Json& e) {
    std::optional<Station> s = StationFrom(e);
    if (!s) return false;
    const std::string key = FavouriteKey(*s);
    if (std::any_of(favourites_.begin(), favourites_.end(),
                    [&](const Station& f) { return FavouriteKey(f) == key; })) {
      return true;  // a duplicate: the first place counts
    }
    favourites_.push_back(std::move(*s));
    return true;
  });
  read_list("own", "Свои станции", kMaxOwnStations, [&](const Json& e) {
    if (!e.is_object()) return false;
    OwnStation o;
    bool too_long = false;
    o.url = Field(e, "url", kMaxAddressBytes, &too_long);
    o.name = Field(e, "name", kMaxNameBytes);
    o.id = Field(e, "id", 20);
    if (too_long || !IsStationAddress(o.url)) return false;
    o.name = StoreShownName(o.name, o.url);
    if (o.id.empty() || std::any_of(own_.begin(), own_.end(), [&](const OwnStation& x) { return x.id == o.id; })) {
      o.id.clear();  // given below
    }
    own_.push_back(std::move(o));
    return true;
  });
  read_list("history", "Недавние", kMaxHistory, [&](const Json& e) {
    std::optional<Station> s = StationFrom(e);
    if (!s) return false;
    history_.push_back(std::move(*s));
    return true;
  });

  read_list("titles", "Звучало", kMaxTitles, [&](const Json& e) {
    if (!e.is_object()) return false;
    HeardTitle t;
    bool too_long = false;
    t.url = Field(e, "url", kMaxAddressBytes, &too_long);
    t.title = Field(e, "title", kMaxTitleBytes);
    t.station = Field(e, "station", kMaxNameBytes);
    const auto time = e.find("time");
    if (too_long || !IsStationAddress(t.url) || t.title.empty() || time == e.end() ||
        !time->is_number_integer()) {
      return false;
    }
    t.started = time->get<int64_t>();
    if (t.station.empty()) t.station = StoreShownName({}, t.url);
    titles_.push_back(std::move(t));
    return true;
  });

  for (const OwnStation& o : own_) {
    if (o.id.empty()) continue;
    uint64_t n = 0;
    bool digits = true;
    for (char c : o.id) digits = digits && c >= '0' && c <= '9';
    if (digits && o.id.size() < 19) n = std::stoull(o.id);
    next_own_id_ = std::max(next_own_id_, n + 1);
  }
  for (OwnStation& o : own_) {
    if (o.id.empty()) o.id = std::to_string(next_own_id_++);
  }
}

void UserStore::LoadUnreadable() {
  Load(std::nullopt);
  std::lock_guard<std::mutex> hold(lock_);
  unread_ = true;
  load_problems_.push_back(
      "Файл сохранённых станций (catalogue.json) сейчас не удалось прочитать: возможно, его держит "
      "другая программа. Ваши станции в нём не тронуты. До перезапуска программы изменения на диск "
      "не записываются и действуют только до выхода.");
}

std::vector<std::string> UserStore::Problems() const {
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<std::string> all = load_problems_;
  if (!save_problem_.empty()) all.push_back(save_problem_);
  return all;
}

std::vector<Station> UserStore::Favourites() const {
  std::lock_guard<std::mutex> hold(lock_);
  return favourites_;
}

bool UserStore::IsFavourite(std::string_view key) const {
  std::lock_guard<std::mutex> hold(lock_);
  return std::any_of(favourites_.begin(), favourites_.end(),
                     [&](const Station& f) { return FavouriteKey(f) == key; });
}

bool UserStore::ToggleFavourite(const Station& station) {
  std::lock_guard<std::mutex> hold(lock_);
  const std::string key = FavouriteKey(station);
  const auto it = std::find_if(favourites_.begin(), favourites_.end(),
                               [&](const Station& f) { return FavouriteKey(f) == key; });
  if (it != favourites_.end()) {
    favourites_.erase(it);
  } else {
    if (favourites_.size() >= kMaxFavourites || !IsStationAddress(station.StreamAddress())) return false;
    Station kept = station;
    kept.url = station.StreamAddress();
    kept.url_resolved.clear();
    kept.name = std::string(CutUtf8(kept.name, kMaxNameBytes));
    favourites_.push_back(std::move(kept));
  }
  SaveLocked();
  return true;
}

bool UserStore::RemoveFavourite(std::string_view key) {
  std::lock_guard<std::mutex> hold(lock_);
  const auto it = std::find_if(favourites_.begin(), favourites_.end(),
                               [&](const Station& f) { return FavouriteKey(f) == key; });
  if (it == favourites_.end()) return false;
  favourites_.erase(it);
  SaveLocked();
  return true;
}

bool UserStore::MoveFavourite(std::string_view key, int step) {
  std::lock_guard<std::mutex> hold(lock_);
  const auto it = std::find_if(favourites_.begin(), favourites_.end(),
                               [&](const Station& f) { return FavouriteKey(f) == key; });
  if (it == favourites_.end() || (step != -1 && step != 1)) return false;
  const size_t at = static_cast<size_t>(it - favourites_.begin());
  if ((step < 0 && at == 0) || (step > 0 && at + 1 >= favourites_.size())) return false;
  std::swap(favourites_[at], favourites_[step < 0 ? at - 1 : at + 1]);
  SaveLocked();
  return true;
}

UserStore::ImportCount UserStore::ImportFavourites(const std::vector<Station>& stations) {
  std::lock_guard<std::mutex> hold(lock_);
  ImportCount count;
  const auto known = [&](const std::string& address) {
    return std::any_of(favourites_.begin(), favourites_.end(),
                       [&](const Station& f) { return f.StreamAddress() == address; }) ||
           std::any_of(own_.begin(), own_.end(), [&](const OwnStation& o) { return o.url == address; });
  };
  for (const Station& station : stations) {
    const std::string address = station.StreamAddress();
    if (!IsStationAddress(address) || address.size() > kMaxAddressBytes) continue;
    if (known(address)) {
      ++count.duplicates;
    } else if (favourites_.size() >= kMaxFavourites) {
      ++count.no_room;
    } else {
      Station kept = station;
      kept.url = address;
      kept.url_resolved.clear();
      kept.name = StoreShownName(CleanUtf8(station.name), address);
      favourites_.push_back(std::move(kept));
      ++count.added;
    }
  }
  if (count.added) SaveLocked();
  return count;
}

std::vector<OwnStation> UserStore::OwnStations() const {
  std::lock_guard<std::mutex> hold(lock_);
  return own_;
}

std::optional<OwnStation> UserStore::FindOwn(std::string_view id) const {
  std::lock_guard<std::mutex> hold(lock_);
  for (const OwnStation& o : own_) {
    if (o.id == id) return o;
  }
  return std::nullopt;
}

std::string UserStore::CheckOwn(std::string_view name, std::string_view url) const {
  if (name.size() > kMaxNameBytes) return "Название слишком длинное.";
  return CheckStationAddress(url);
}

std::string UserStore::AddOwn(std::string_view name, std::string_view url, std::string* id_out) {
  std::lock_guard<std::mutex> hold(lock_);
  if (std::string why = CheckOwn(name, url); !why.empty()) return why;
  if (own_.size() >= kMaxOwnStations) return "Список своих станций полон.";
  OwnStation o{std::to_string(next_own_id_++), StoreShownName(name, url), std::string(url)};
  if (id_out) *id_out = o.id;
  own_.push_back(std::move(o));
  SaveLocked();
  return {};
}

std::string UserStore::EditOwn(std::string_view id, std::string_view name, std::string_view url) {
  std::lock_guard<std::mutex> hold(lock_);
  if (std::string why = CheckOwn(name, url); !why.empty()) return why;
  for (OwnStation& o : own_) {
    if (o.id != id) continue;
    o.name = StoreShownName(name, url);
    o.url = std::string(url);
    SaveLocked();
    return {};
  }
  return "Такой станции больше нет.";
}

bool UserStore::RemoveOwn(std::string_view id) {
  std::lock_guard<std::mutex> hold(lock_);
  const auto it = std::find_if(own_.begin(), own_.end(), [&](const OwnStation& o) { return o.id == id; });
  if (it == own_.end()) return false;
  own_.erase(it);
  SaveLocked();
  return true;
}

std::vector<Station> UserStore::History() const {
  std::lock_guard<std::mutex> hold(lock_);
  return history_;
}

void UserStore::NotePlayed(const Station& station) {
  const std::string address = station.StreamAddress();
  if (!IsStationAddress(address) || address.size() > kMaxAddressBytes) return;
  std::lock_guard<std::mutex> hold(lock_);
  history_.erase(std::remove_if(history_.begin(), history_.end(),
                                [&](const Station& h) { return h.url == address; }),
                 history_.end());
  Station kept = station;
  kept.url = address;
  kept.url_resolved.clear();
  kept.name = std::string(CutUtf8(kept.name.empty() ? address : kept.name, kMaxNameBytes));
  history_.insert(history_.begin(), std::move(kept));
  if (history_.size() > kMaxHistory) history_.resize(kMaxHistory);
  SaveLocked();
}

std::vector<HeardTitle> UserStore::Titles() const {
  std::lock_guard<std::mutex> hold(lock_);
  return titles_;
}

bool UserStore::NoteTitle(const HeardTitle& heard) {
  const std::string title(TrimUnicodeSpace(CutUtf8(CleanUtf8(heard.title), kMaxTitleBytes)));
  if (title.empty() || !IsStationAddress(heard.url) || heard.url.size() > kMaxAddressBytes) return false;
  std::lock_guard<std::mutex> hold(lock_);
  if (!titles_.empty() && titles_.front().title == title && titles_.front().url == heard.url) return false;
  HeardTitle kept{title, StoreShownName(CleanUtf8(heard.station), heard.url), heard.url, heard.started};
  titles_.insert(titles_.begin(), std::move(kept));
  if (titles_.size() > kMaxTitles) titles_.resize(kMaxTitles);
  SaveLocked();
  return true;
}

std::string UserStore::Serialize() const {
  std::lock_guard<std::mutex> hold(lock_);
  return SerializeLocked();
}

std::string UserStore::SerializeLocked() const {
  Json doc = {{"version", kDocumentVersion}};
  Json& fav = doc["favourites"] = Json::array();
  for (const Station& s : favourites_) fav.push_back(StationJson(s));
  Json& own = doc["own"] = Json::array();
  for (const OwnStation& o : own_) own.push_back({{"id", o.id}, {"name", o.name}, {"url", o.url}});
  Json& history = doc["history"] = Json::array();
  for (const Station& s : history_) history.push_back(StationJson(s));
  Json& titles = doc["titles"] = Json::array();
  for (const HeardTitle& t : titles_) {
    titles.push_back({{"title", t.title}, {"station", t.station}, {"url", t.url}, {"time", t.started}});
  }
  // Texts were cleaned on the way in; replace rather than throw all the same.
  return doc.dump(1, ' ', false, Json::error_handler_t::replace);
}

void UserStore::SaveLocked() {
  if (!writer_ || unread_) return;
  if (writer_(SerializeLocked(), keep_old_on_save_)) {
    save_problem_.clear();
    if (keep_old_on_save_) {
      keep_old_on_save_ = false;
      load_problems_.clear();
      load_problems_.push_back(
          "Прежний файл сохранённых станций с ошибками сохранён рядом с новым под именем "
          "catalogue.json.bad- с датой и временем.");
    }
  } else if (keep_old_on_save_) {
    save_problem_ =
        "Не удалось сохранить изменения на диск: прежний файл с ошибками оставлен на месте как был, "
        "новый не записан. Изменения действуют до выхода из программы.";
  } else {
    save_problem_ = "Не удалось сохранить изменения на диск. Они действуют до выхода из программы.";
  }
}
