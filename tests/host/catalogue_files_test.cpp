// The catalogue's data beyond the stations: the titles heard and their stored
// form, playlist files out and in, the upload form, and Russian place names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/place_names.h"
#include "catalogue/playlist_io.h"
#include "catalogue/user_store.h"

namespace {

HeardTitle Heard(const std::string& title, const std::string& url, int64_t at) {
  return HeardTitle{title, "Станция " + url.substr(7, 1), url, at};
}

TEST(CatalogueTitles, TheNewest500AreKeptNewestFirstAndReadBackAsTheyWere) {
  std::optional<std::string> disk;
  int writes = 0;
  UserStore store([&](const std::string& text, bool) {
    disk = text;
    ++writes;
    return true;
  });
  store.Load(std::nullopt);
  for (int i = 0; i < 510; ++i) {
    ASSERT_TRUE(store.NoteTitle(Heard("Песня " + std::to_string(i), i % 2 ? "http://a.example/" : "http://b.example/", 1000 + i)));
  }
  EXPECT_FALSE(store.NoteTitle(Heard("Песня 509", "http://a.example/", 2000)));  // a reconnect repeats it
  EXPECT_TRUE(store.NoteTitle(Heard("Песня 509", "http://b.example/", 2001)));   // another station's
  EXPECT_FALSE(store.NoteTitle(Heard(" \t ", "http://a.example/", 2002)));
  EXPECT_FALSE(store.NoteTitle(Heard("X", "file:///c:/x", 2003)));
  EXPECT_EQ(writes, 511);
  std::vector<HeardTitle> titles = store.Titles();
  ASSERT_EQ(titles.size(), kMaxTitles);
  EXPECT_EQ(titles[0].title, "Песня 509");
  EXPECT_EQ(titles[0].url, "http://b.example/");
  EXPECT_EQ(titles[1].title, "Песня 509");
  EXPECT_EQ(titles[1].started, 1509);
  EXPECT_EQ(titles[499].title, "Песня 11");  // the ten oldest and one more made room

  UserStore again(nullptr);
  again.Load(disk);
  EXPECT_TRUE(again.Problems().empty());
  const std::vector<HeardTitle> read = again.Titles();
  ASSERT_EQ(read.size(), titles.size());
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].title, titles[i].title) << i;
    EXPECT_EQ(read[i].station, titles[i].station) << i;
    EXPECT_EQ(read[i].url, titles[i].url) << i;
    EXPECT_EQ(read[i].started, titles[i].started) << i;
  }
}

TEST(CatalogueTitles, DamagedEntriesAreSkippedAndTheOldFileIsKeptAtTheNextWrite) {
  bool kept_old = false;
  UserStore store([&](const std::string&, bool keep_old) {
    kept_old = keep_old;
    return true;
  });
  store.Load(std::string(R"j({"version":1,"titles":[
    {"title":"Good","station":"S","url":"http://a.example/","time":5},
    {"title":"","station":"S","url":"http://a.example/","time":6},
    {"title":"No time","url":"http://a.example/"},
    {"title":"Bad address","url":"javascript:alert(1)","time":7},
    {"title":"Nameless","url":"http://b.example/","time":8}]})j"));
  const auto titles = store.Titles();
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_EQ(titles[1].station, "http://b.example/");
  ASSERT_EQ(store.Problems().size(), 1u);
  EXPECT_EQ(store.Problems()[0], "Список «Звучало»: 3 записей с ошибками пропущено.");
  EXPECT_TRUE(store.NoteTitle(Heard("New", "http://a.example/", 9)));
  EXPECT_TRUE(kept_old);
}

TEST(CataloguePlaylists, WrittenFilesReadBackAndNamesCannotStartLinesOfTheirOwn) {
  const std::vector<PlaylistEntry> entries = {
      {"Радио «Один»", "http://one.example/live"},
      {"Evil\r\nhttp://evil.example/\r\n#EXTINF:-1,x", "https://two.example/a?b=1&c=2"},
      {"", "http://three.example:8000/"}};
  for (const bool pls : {false, true}) {
    const PlaylistRead read = ReadPlaylist(pls ? WritePls(entries) : WriteM3u(entries));
    EXPECT_EQ(read.pls, pls);
    EXPECT_TRUE(read.bad.empty()) << pls;
    ASSERT_EQ(read.entries.size(), 3u) << pls;
    EXPECT_EQ(read.entries[0].name, "Радио «Один»");
    EXPECT_EQ(read.entries[1].name, "Evil  http://evil.example/  #EXTINF:-1,x");
    EXPECT_EQ(read.entries[1].url, "https://two.example/a?b=1&c=2");
    EXPECT_EQ(read.entries[2].url, "http://three.example:8000/");
  }
}

TEST(CataloguePlaylists, FilesFromOtherProgramsAreReadAndBadLinesNamed) {
  struct Case {
    const char* what;
    std::string file;
    std::vector<std::string> urls, names, bad;
  };
  const Case cases[] = {
      {"m3u: BOM, CP1251 name, CRLF, comments, local files",
       "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:-1,\xD0\xE0\xE4\xE8\xEE\r\nhttp://a.example/\r\n# note\r\n\r\n"
       "C:\\Music\\x.mp3\r\nftp://b.example/\r\n  https://c.example/  \r\n",
       {"http://a.example/", "https://c.example/"},
       {"Радио", ""},
       {"строка 6: не адрес станции (нужен http:// или https://)",
        "строка 7: не адрес станции (нужен http:// или https://)"}},
      {"bare addresses, no header", "http://a.example/\nhttp://b.example/", {"http://a.example/", "http://b.example/"}, {"", ""}, {}},
      {"pls: numbers out of order, a title without a file, a bad file, a stray line",
       "[Playlist]\nNumberOfEntries=4\nFile2=http://two.example/\nTitle2=Two\nFile1=http://one.example/\n"
       "Title3=Lost\nFile4=mms://four.example/\nnonsense\nVersion=2\n",
       {"http://one.example/", "http://two.example/"},
       {"", "Two"},
       {"строка 7: не адрес станции (нужен http:// или https://)", "строка 8: непонятная строка"}},
      {"empty", "", {}, {}, {}},
  };
  for (const Case& c : cases) {
    const PlaylistRead read = ReadPlaylist(c.file);
    std::vector<std::string> urls, names;
    for (const PlaylistEntry& e : read.entries) {
      urls.push_back(e.url);
      names.push_back(e.name);
    }
    EXPECT_EQ(urls, c.urls) << c.what;
    EXPECT_EQ(names, c.names) << c.what;
    EXPECT_EQ(read.bad, c.bad) << c.what;
  }
  std::string many;
  for (int i = 0; i < 30; ++i) many += "not an address\n";
  const PlaylistRead read = ReadPlaylist(many);
  ASSERT_EQ(read.bad.size(), kMaxReportedLines + 1);
  EXPECT_EQ(read.bad.back(), "и ещё строк с ошибками: 10");
}

TEST(CataloguePlaylists, TheUploadFormGivesItsFieldsAndRefusesWhatIsNotOne) {
  const std::string body =
      "--XyZ\r\nContent-Disposition: form-data; name=\"t\"\r\n\r\ntok\r\n"
      "--XyZ\r\nContent-Disposition: form-data; name=\"f\"; filename=\"a.pls\"\r\nContent-Type: audio/x-scpls\r\n\r\n"
      "[playlist]\r\nFile1=http://a/\r\n\r\n--XyZ--\r\n";
  const auto fields = ParseMultipartForm("multipart/form-data; boundary=XyZ", body);
  ASSERT_TRUE(fields);
  EXPECT_EQ(fields->at("t"), "tok");
  EXPECT_EQ(fields->at("f"), "[playlist]\r\nFile1=http://a/\r\n");
  EXPECT_TRUE(ParseMultipartForm("multipart/form-data; boundary=\"XyZ\"", body));
  EXPECT_FALSE(ParseMultipartForm("multipart/form-data; boundary=Other", body));
  EXPECT_FALSE(ParseMultipartForm("application/x-www-form-urlencoded", body));
  EXPECT_FALSE(ParseMultipartForm("multipart/form-data; boundary=XyZ", body.substr(0, body.size() / 2)));
}

TEST(CataloguePlaceNames, CountriesByCodeAndLanguagesByNameOrCode) {
  EXPECT_EQ(CountryNameRu("RU", "The Russian Federation"), "Россия");
  EXPECT_EQ(CountryNameRu("gb", "United Kingdom"), "Великобритания");
  EXPECT_EQ(CountryNameRu("AD", ""), "Андорра");  // the table's first
  EXPECT_EQ(CountryNameRu("ZW", ""), "Зимбабве");  // and last
  EXPECT_EQ(CountryNameRu("QQ", "Atlantis"), "Atlantis");
  EXPECT_EQ(CountryNameRu("RUS", "Russia"), "Russia");
  EXPECT_EQ(CountryNameRu("QQ", ""), "QQ");
  EXPECT_EQ(LanguageNameRu("Russian"), "русский");
  EXPECT_EQ(LanguageNameRu("brazilian portuguese"), "бразильский португальский");
  EXPECT_EQ(LanguageNameRu("de"), "немецкий");
  EXPECT_EQ(LanguageNameRu(" klingon "), "klingon");
  EXPECT_EQ(LanguageFromRu("Русский"), "russian");
  EXPECT_EQ(LanguageFromRu("НЕМЕЦКИЙ "), "german");
  EXPECT_EQ(LanguageFromRu("Ёжик"), "Ёжик");
  EXPECT_EQ(LanguageFromRu("jazz"), "jazz");
}

}  // namespace
