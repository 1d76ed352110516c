// The user's favourites, own stations and history, and their stored form.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "catalogue/user_store.h"

namespace {

struct Disk {
  std::optional<std::string> document;
  int writes = 0;
  bool kept_old = false;
  bool fail = false;
  UserStore::Writer Writer() {
    return [this](const std::string& text, bool keep_old) {
      if (fail) return false;
      ++writes;
      kept_old = kept_old || keep_old;
      document = text;
      return true;
    };
  }
};

Station Make(const std::string& uuid, const std::string& name, const std::string& url) {
  Station s;
  s.uuid = uuid;
  s.name = name;
  s.url = url;
  return s;
}

TEST(CatalogueStore, EveryChangeIsWrittenAndReadBackInOrder) {
  Disk disk;
  UserStore store(disk.Writer());
  store.Load(std::nullopt);
  EXPECT_TRUE(store.Problems().empty());
  Station a = Make("ua", "Радио А", "http://a.example/");
  a.url_resolved = "http://a.example/resolved";
  a.codec = "MP3";
  a.bitrate = 128;
  ASSERT_TRUE(store.ToggleFavourite(a));
  ASSERT_TRUE(store.ToggleFavourite(Make("ub", "B", "http://b.example/")));
  ASSERT_TRUE(store.ToggleFavourite(Make("", "C", "https://c.example/")));
  EXPECT_EQ(disk.writes, 3);
  EXPECT_TRUE(store.MoveFavourite("a:https://c.example/", -1));
  EXPECT_FALSE(store.MoveFavourite("u:ua", -1));  // already first
  EXPECT_FALSE(store.MoveFavourite("u:gone", 1));
  EXPECT_TRUE(store.MoveFavourite("u:ua", 1));
  std::string id;
  EXPECT_EQ(store.AddOwn("Своя", "http://own.example:8000/live", &id), "");
  store.NotePlayed(Make("ub", "B", "http://b.example/"));
  store.NotePlayed(Make("", "", "http://own.example:8000/live"));

  UserStore again(nullptr);
  again.Load(disk.document);
  EXPECT_TRUE(again.Problems().empty());
  const auto fav = again.Favourites();
  ASSERT_EQ(fav.size(), 3u);
  EXPECT_EQ(fav[0].name, "C");
  EXPECT_EQ(fav[1].name, "Радио А");
  EXPECT_EQ(fav[1].StreamAddress(), "http://a.example/resolved");  // the address that plays
  EXPECT_EQ(fav[1].bitrate, 128u);
  EXPECT_EQ(fav[2].name, "B");
  ASSERT_EQ(again.OwnStations().size(), 1u);
  EXPECT_EQ(again.OwnStations()[0].id, id);
  const auto history = again.History();
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].name, "http://own.example:8000/live");  // newest first
  EXPECT_EQ(history[1].uuid, "ub");
  // A new own station after a restart gets a new id.
  std::string id2;
  UserStore third(nullptr);
  third.Load(disk.document);
  EXPECT_EQ(third.AddOwn("Ещё", "http://two.example/", &id2), "");
  EXPECT_NE(id2, id);
}

TEST(CatalogueStore, ToggleRemovesAndLimitsHold) {
  // Nothing is written: a save of the whole list after each of the thousands
  // of toggles would only make the test slow.
  UserStore store(nullptr);
  store.Load(std::nullopt);
  for (size_t i = 0; i < kMaxFavourites; ++i) {
    ASSERT_TRUE(store.ToggleFavourite(Make("u" + std::to_string(i), "S", "http://s.example/" + std::to_string(i))));
  }
  EXPECT_GE(kMaxFavourites, 500u);
  EXPECT_FALSE(store.ToggleFavourite(Make("extra", "S", "http://s.example/x")));  // full
  EXPECT_TRUE(store.IsFavourite("u:u7"));
  EXPECT_TRUE(store.ToggleFavourite(Make("u7", "S", "http://s.example/7")));  // toggled off
  EXPECT_FALSE(store.IsFavourite("u:u7"));
  EXPECT_EQ(store.Favourites().size(), kMaxFavourites - 1);
  EXPECT_FALSE(store.ToggleFavourite(Make("js", "S", "javascript:alert(1)")));

  for (int i = 0; i < 60; ++i) store.NotePlayed(Make("", "H", "http://h.example/" + std::to_string(i)));
  store.NotePlayed(Make("", "H", "http://h.example/30"));
  const auto history = store.History();
  ASSERT_EQ(history.size(), kMaxHistory);
  EXPECT_EQ(history[0].url, "http://h.example/30");
  EXPECT_EQ(history[1].url, "http://h.example/59");
  EXPECT_EQ(std::count_if(history.begin(), history.end(),
                          [](const Station& s) { return s.url == "http://h.example/30"; }),
            1);
}

TEST(CatalogueStore, OwnStationsRefuseAddressesThatAreNotWebStreams) {
  UserStore store(nullptr);
  store.Load(std::nullopt);
  for (const char* bad : {"ftp://x.example/", "javascript:alert(1)", "file:///c:/x", "radio.example/live",
                          "http://a b/", ""}) {
    EXPECT_NE(store.AddOwn("X", bad), "") << bad;
  }
  EXPECT_EQ(store.AddOwn("X", "ftp://x.example/"),
            "Адрес станции должен начинаться с http:// или https:// и не содержать пробелов и кавычек.");
  EXPECT_TRUE(store.OwnStations().empty());
  std::string id;
  ASSERT_EQ(store.AddOwn("", "https://ok.example/", &id), "");
  EXPECT_EQ(store.OwnStations()[0].name, "https://ok.example/");  // nameless: its address
  EXPECT_NE(store.EditOwn(id, "Y", "mms://old.example/"), "");
  EXPECT_EQ(store.OwnStations()[0].url, "https://ok.example/");  // unchanged
  EXPECT_EQ(store.EditOwn(id, "Y", "http://new.example/"), "");
  EXPECT_EQ(store.OwnStations()[0].name, "Y");
  EXPECT_NE(store.EditOwn("nope", "Y", "http://new.example/"), "");
  EXPECT_TRUE(store.RemoveOwn(id));
  EXPECT_FALSE(store.RemoveOwn(id));
  // A nameless station is named by its address, within the names' bound, so
  // that the next start reads back the same name.
  const std::string longest = "http://a.example/" + std::string(kMaxAddressBytes - 17, 'x');
  EXPECT_EQ(store.AddOwn("", longest), "");
  UserStore again(nullptr);
  again.Load(R"({"own":[{"url":")" + longest + R"("}],"favourites":[{"url":")" + longest + R"("}]})");
  for (const UserStore* s : {&store, &again}) {
    ASSERT_EQ(s->OwnStations().size(), 1u);
    EXPECT_EQ(s->OwnStations()[0].name, longest.substr(0, kMaxNameBytes));
  }
  ASSERT_EQ(again.Favourites().size(), 1u);
  EXPECT_EQ(again.Favourites()[0].name, longest.substr(0, kMaxNameBytes));
}

TEST(CatalogueStore, BadStoredDataKeepsWhatCanBeReadAndIsNotOverwrittenUntilAChange) {
  const struct {
    const char* name;
    std::string document;
    size_t favourites, own, history;
    size_t problems;
  } cases[] = {
      {"not json", "{\"favourites\":[{\"name\":", 0, 0, 0, 1},
      {"not an object", "[1,2]", 0, 0, 0, 1},
      {"favourites of the wrong type, own kept",
       R"({"favourites":"x","own":[{"id":"4","name":"O","url":"http://o.example/"}]})", 0, 1, 0, 1},
      {"bad entries skipped",
       R"({"favourites":[{"name":"A","url":"http://a.example/"},5,{"name":"JS","url":"javascript:x"},
          {"name":"B","url":"http://b.example/","bitrate":"x"}],
          "history":[{"url":"http://h.example/"},{"url":7}]})",
       2, 0, 1, 2},
      {"broken text", "{\"favourites\":[{\"name\":\"\xC3\x28 bad\",\"url\":\"http://a.example/\"}]}", 1, 0, 0, 1},
      {"oversize", std::string(kMaxStoreBytes + 1, ' '), 0, 0, 0, 1},
      {"own without ids get new ones",
       R"({"own":[{"name":"A","url":"http://a.example/"},{"id":"9","name":"B","url":"http://b.example/"},
          {"id":"9","name":"C","url":"http://c.example/"}]})",
       0, 3, 0, 0},
  };
  for (const auto& c : cases) {
    Disk disk;
    UserStore store(disk.Writer());
    store.Load(c.document);
    EXPECT_EQ(store.Favourites().size(), c.favourites) << c.name;
    EXPECT_EQ(store.OwnStations().size(), c.own) << c.name;
    EXPECT_EQ(store.History().size(), c.history) << c.name;
    EXPECT_EQ(store.Problems().size(), c.problems) << c.name;
    EXPECT_EQ(disk.writes, 0) << c.name;  // loading never writes
    store.NotePlayed(Make("", "N", "http://n.example/"));
    EXPECT_EQ(disk.writes, 1) << c.name;
    EXPECT_EQ(disk.kept_old, c.problems > 0) << c.name;  // the old file is kept aside
  }
  // Own ids stay unique.
  UserStore store(nullptr);
  store.Load(std::string(R"({"own":[{"name":"A","url":"http://a.example/"},{"id":"9","name":"B","url":"http://b.example/"},
          {"id":"9","name":"C","url":"http://c.example/"}]})"));
  const auto own = store.OwnStations();
  EXPECT_EQ(own[1].id, "9");
  EXPECT_NE(own[0].id, own[2].id);
  EXPECT_NE(own[0].id, "9");
  EXPECT_NE(own[2].id, "9");
}

TEST(CatalogueStore, AFileThatCouldNotBeReadIsNeverReplacedInThatRun) {
  Disk disk;
  UserStore store(disk.Writer());
  store.LoadUnreadable();
  ASSERT_EQ(store.Problems().size(), 1u);
  EXPECT_TRUE(store.ToggleFavourite(Make("u", "S", "http://s.example/")));
  store.NotePlayed(Make("", "N", "http://n.example/"));
  EXPECT_EQ(store.AddOwn("O", "http://o.example/"), "");
  EXPECT_EQ(disk.writes, 0);
  EXPECT_EQ(store.Favourites().size(), 1u);  // the changes hold for the run
  EXPECT_EQ(store.Problems().size(), 1u);
}

TEST(CatalogueStore, AFailedWriteIsReportedAndTheChangeStaysForTheRun) {
  Disk disk;
  disk.fail = true;
  UserStore store(disk.Writer());
  store.Load(std::nullopt);
  EXPECT_TRUE(store.ToggleFavourite(Make("u", "S", "http://s.example/")));
  ASSERT_EQ(store.Problems().size(), 1u);
  EXPECT_EQ(store.Favourites().size(), 1u);
  disk.fail = false;
  store.NotePlayed(Make("", "N", "http://n.example/"));
  EXPECT_TRUE(store.Problems().empty());
  EXPECT_NE(disk.document->find("http://s.example/"), std::string::npos);
}

}  // namespace
