#include "engine/formats/playlist.h"

#include <gtest/gtest.h>

#include "engine/api/engine.h"

namespace {

TEST(Playlist, DetectedByContentTypeOrExtension) {
  const struct {
    const char* type;
    const char* path;
    PlaylistKind kind;
  } cases[] = {
      {"audio/x-scpls", "/listen", PlaylistKind::kPls},
      {"audio/scpls; charset=utf-8", "/x", PlaylistKind::kPls},
      {"audio/x-mpegurl", "/x", PlaylistKind::kM3u},
      {"Audio/MPEGURL", "/x", PlaylistKind::kM3u},
      {"application/vnd.apple.mpegurl", "/x", PlaylistKind::kM3u},
      {"application/x-mpegurl", "/x", PlaylistKind::kM3u},
      {"text/plain", "/list/radio.PLS", PlaylistKind::kPls},
      {"", "/list/radio.m3u?x=1", PlaylistKind::kM3u},
      {"application/octet-stream", "/a.m3u8", PlaylistKind::kM3u},
      {"audio/mpeg", "/a.pls", PlaylistKind::kNone},
      {"", "/stream.mp3", PlaylistKind::kNone},
      {"", "/x?file=a.pls", PlaylistKind::kNone},
      {"text/html", "/", PlaylistKind::kNone},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DetectPlaylist(c.type, c.path), c.kind) << c.type << " " << c.path;
  }
}

struct ParseCase {
  const char* name;
  PlaylistKind kind;
  const char* text;
  int error;
  std::vector<std::string> entries;
};

TEST(Playlist, ParsesEntriesInOrderAgainstThePlaylistAddress) {
  Url base;
  ASSERT_EQ(ParseUrl("http://127.0.0.1:8000/lists/all.pls", base), kErrorOk);
  const ParseCase cases[] = {
      {"pls numbered out of order", PlaylistKind::kPls,
       "[playlist]\r\nNumberOfEntries=3\r\nFile2=http://b.example/two\r\nTitle2=Two\r\n"
       "file1=/stream/one.mp3\r\nFile3 = three.mp3 \r\nLength1=-1\r\nVersion=2\r\n",
       kErrorOk,
       {"http://127.0.0.1:8000/stream/one.mp3", "http://b.example/two",
        "http://127.0.0.1:8000/lists/three.mp3"}},
      {"pls with bom and https entry", PlaylistKind::kPls,
       "\xEF\xBB\xBF[playlist]\nFile1=https://secure.example/s\nFile2=http://a.example:81/",
       kErrorOk, {"https://secure.example/s", "http://a.example:81/"}},
      {"pls without files", PlaylistKind::kPls, "[playlist]\nNumberOfEntries=0\n",
       kErrorPlaylist, {}},
      {"m3u extended", PlaylistKind::kM3u,
       "#EXTM3U\n#EXTINF:-1,Radio One\nhttp://one.example/live\n\n#EXTINF:-1,Two\n/two\n",
       kErrorOk, {"http://one.example/live", "http://127.0.0.1:8000/two"}},
      {"m3u plain with CR ends", PlaylistKind::kM3u, "a.mp3\rb.mp3\r", kErrorOk,
       {"http://127.0.0.1:8000/lists/a.mp3", "http://127.0.0.1:8000/lists/b.mp3"}},
      // HLS playlists never get here (the session plays them as streams); read
      // as plain lists, their tags are comments.
      {"m3u8 master playlist", PlaylistKind::kM3u,
       "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=128000\nlow/index.m3u8\n", kErrorOk,
       {"http://127.0.0.1:8000/lists/low/index.m3u8"}},
      {"m3u8 media playlist", PlaylistKind::kM3u,
       "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nseg1.aac\n", kErrorOk,
       {"http://127.0.0.1:8000/lists/seg1.aac"}},
      {"m3u comments only", PlaylistKind::kM3u, "#EXTM3U\n#EXTINF:-1,Nothing\n", kErrorPlaylist,
       {}},
      {"empty", PlaylistKind::kM3u, "", kErrorPlaylist, {}},
  };
  for (const ParseCase& c : cases) {
    std::vector<std::string> entries{"stale"};
    EXPECT_EQ(ParsePlaylist(c.kind, c.text, base, entries), c.error) << c.name;
    EXPECT_EQ(entries, c.entries) << c.name;
  }
}

}  // namespace
