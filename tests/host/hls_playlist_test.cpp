// HLS playlists: detection, attribute lists, master playlists and the variant
// chosen, media playlists and where a live stream starts.
#include "engine/formats/hls_playlist.h"

#include <gtest/gtest.h>

#include "engine/api/engine.h"

namespace {

Url Base(const char* address = "http://cdn.test/radio/live/index.m3u8?token=1") {
  Url url;
  EXPECT_EQ(ParseUrl(address, url), kErrorOk);
  return url;
}

TEST(HlsPlaylist, DetectedByItsTagsNotByItsName) {
  const struct {
    const char* text;
    bool hls;
  } cases[] = {
      {"#EXTM3U\n#EXT-X-TARGETDURATION:6\n#EXTINF:6,\na.ts\n", true},
      {"\xEF\xBB\xBF#EXTM3U\r\n#EXT-X-STREAM-INF:BANDWIDTH=1\r\nv.m3u8\r\n", true},
      {"  #EXTM3U\n\n#EXT-X-TARGETDURATION:2\n", true},
      {"#EXTM3U\n#EXTINF:-1,Radio\nhttp://radio.test/live\n", false},  // a plain M3U list
      {"#EXTM3U\n#EXT-X-TARGETDURATIONS:6\n", false},                   // another tag
      {"http://radio.test/live\n#EXT-X-TARGETDURATION:6\n", false},     // #EXTM3U not first
      {"", false},
      {"[playlist]\nFile1=http://x/\n", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsHlsPlaylist(c.text), c.hls) << c.text;
}

TEST(HlsPlaylist, AttributeListsKeepCommasInsideQuotes) {
  HlsAttributes a;
  ASSERT_TRUE(ParseHlsAttributes(R"(BANDWIDTH=128000,CODECS="mp4a.40.2,avc1.4d401e",NAME="A, B", X=0x1F)", a));
  ASSERT_EQ(a.size(), 4u);
  EXPECT_EQ(HlsAttribute(a, "BANDWIDTH"), "128000");
  EXPECT_EQ(HlsAttribute(a, "CODECS"), "mp4a.40.2,avc1.4d401e");
  EXPECT_EQ(HlsAttribute(a, "NAME"), "A, B");
  EXPECT_EQ(HlsAttribute(a, "X"), "0x1F");
  EXPECT_FALSE(HlsAttribute(a, "URI"));
  ASSERT_TRUE(ParseHlsAttributes("", a));
  EXPECT_TRUE(a.empty());
  for (const char* bad : {R"(URI="open)", "NOVALUE", R"(A="x"B=1)", "=1"}) {
    EXPECT_FALSE(ParseHlsAttributes(bad, a)) << bad;
  }
}

TEST(HlsPlaylist, TheNameAPlaylistGivesItsStream) {
  const struct {
    const char* text;
    std::string name;
  } cases[] = {
      {"#EXTM3U\n#EXT-X-SESSION-DATA:DATA-ID=\"com.example.lyrics\",VALUE=\"la\"\n"
       "#EXT-X-SESSION-DATA:DATA-ID=\"com.example.title\",LANGUAGE=\"en\",VALUE=\" Wave FM \"\n"
       "#EXT-X-SESSION-DATA:DATA-ID=\"com.example.title\",LANGUAGE=\"ru-RU\",VALUE=\"Волна\"\n",
       "Волна"},
      {"#EXTM3U\n#PLAYLIST:Listed\n#EXT-X-SESSION-DATA:DATA-ID=\"station.NAME\",VALUE=\"Data\"\n", "Data"},
      // A URI is data to fetch; a broken attribute list is skipped; a longer tag is another.
      {"#EXTM3U\n#EXT-X-SESSION-DATA:DATA-ID=\"x.title\",URI=\"t.json\"\n"
       "#EXT-X-SESSION-DATA:DATA-ID=\"x.title\",VALUE=\"open\n#PLAYLISTS:No\n#PLAYLIST: Listed \n",
       "Listed"},
      {"#EXTM3U\n#EXT-X-SESSION-DATA:DATA-ID=\"x.subtitle\",VALUE=\"No\"\n#EXT-X-TARGETDURATION:6\n", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(HlsPlaylistName(c.text), c.name) << c.text;
  // Cut to the bound at a character's start.
  std::string cyrillic;
  for (int i = 0; i < 200; ++i) cyrillic += "\xD0\xAF";
  const std::string name = HlsPlaylistName("#EXTM3U\n#PLAYLIST:x" + cyrillic + "\n");
  EXPECT_EQ(name, "x" + cyrillic.substr(0, 254));  // 255 bytes: the 256th would start a letter that does not fit
}

TEST(HlsPlaylist, CodecsAreClassified) {
  const struct {
    const char* codec;
    HlsCodecKind kind;
  } cases[] = {
      {"mp4a.40.2", HlsCodecKind::kPlayableAudio},  {"mp4a.40.5", HlsCodecKind::kPlayableAudio},
      {"MP4A.40.29", HlsCodecKind::kPlayableAudio}, {"mp4a.40.34", HlsCodecKind::kPlayableAudio},
      {"mp4a.6b", HlsCodecKind::kPlayableAudio},    {"ec-3", HlsCodecKind::kOtherAudio},
      {"ac-3", HlsCodecKind::kOtherAudio},          {"opus", HlsCodecKind::kOtherAudio},
      {"mp4a.a6", HlsCodecKind::kOtherAudio},       {"avc1.64001f", HlsCodecKind::kVideo},
      {"hvc1.1.6.L93.B0", HlsCodecKind::kVideo},    {"mp4a.40.x", HlsCodecKind::kOtherAudio},
      {"foo", HlsCodecKind::kUnknown},
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyHlsCodec(c.codec), c.kind) << c.codec;
}

TEST(HlsPlaylist, MasterChoosesTheBestPlayableAudio) {
  const struct {
    const char* name;
    const char* text;
    const char* chosen;  // nullptr: none playable
  } cases[] = {
      {"highest bandwidth of the playable ones",
       "#EXTM3U\n"
       "#EXT-X-STREAM-INF:BANDWIDTH=64000,CODECS=\"mp4a.40.5\"\nlow/index.m3u8\n"
       "#EXT-X-STREAM-INF:BANDWIDTH=320000,CODECS=\"ec-3\"\nsurround/index.m3u8\n"
       "#EXT-X-STREAM-INF:BANDWIDTH=128000,CODECS=\"mp4a.40.2\"\nhigh/index.m3u8\n",
       "http://cdn.test/radio/live/high/index.m3u8"},
      {"audio-only before video, whatever the bandwidth",
       "#EXTM3U\n"
       "#EXT-X-STREAM-INF:BANDWIDTH=2000000,CODECS=\"avc1.4d401f,mp4a.40.2\"\n/tv/hd.m3u8\n"
       "#EXT-X-STREAM-INF:BANDWIDTH=96000,CODECS=\"mp4a.40.2\"\naudio.m3u8\n",
       "http://cdn.test/radio/live/audio.m3u8"},
      {"a variant that does not name its codecs is tried before a video one",
       "#EXTM3U\n"
       "#EXT-X-STREAM-INF:BANDWIDTH=900000,CODECS=\"avc1.4d401f,mp4a.40.2\"\nvideo.m3u8\n"
       "#EXT-X-STREAM-INF:BANDWIDTH=64000\nhttps://other.test/a.m3u8\n",
       "https://other.test/a.m3u8"},
      {"video with playable audio when nothing else",
       "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=900000,CODECS=\"avc1.4d401f,mp4a.40.2\"\nvideo.m3u8\n",
       "http://cdn.test/radio/live/video.m3u8"},
      {"the audio rendition of the chosen variant, its default first",
       "#EXTM3U\n"
       "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aud\",NAME=\"en\",URI=\"en/a.m3u8\"\n"
       "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aud\",NAME=\"ru, main\",DEFAULT=YES,URI=\"ru/a.m3u8\"\n"
       "#EXT-X-MEDIA:TYPE=SUBTITLES,GROUP-ID=\"sub\",NAME=\"x\",URI=\"s.m3u8\"\n"
       "#EXT-X-STREAM-INF:BANDWIDTH=900000,CODECS=\"avc1.4d401f,mp4a.40.2\",AUDIO=\"aud\"\nvideo.m3u8\n",
       "http://cdn.test/radio/live/ru/a.m3u8"},
      {"only undecodable audio", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1,CODECS=\"ac-3\"\na.m3u8\n", nullptr},
  };
  for (const auto& c : cases) {
    HlsMaster master;
    ASSERT_EQ(ParseHlsMaster(c.text, Base(), master), kErrorOk) << c.name;
    std::optional<HlsChoice> choice = ChooseHlsMedia(master);
    if (!c.chosen) {
      EXPECT_FALSE(choice) << c.name;
      continue;
    }
    ASSERT_TRUE(choice) << c.name;
    EXPECT_EQ(choice->address, c.chosen) << c.name;
  }
}

TEST(HlsPlaylist, MalformedMastersAreRefused) {
  for (const char* text : {
           "#EXT-X-STREAM-INF:BANDWIDTH=1\na.m3u8\n",                  // no #EXTM3U
           "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\n",                 // no address
           "#EXTM3U\n#EXT-X-STREAM-INF:CODECS=\"mp4a.40.2\"\na.m3u8\n",  // no bandwidth
           "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=12k\na.m3u8\n",       // a bad number
           "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=99999999999999999999999\na.m3u8\n",
           "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1,CODECS=\"mp4a\na.m3u8\n",
           "#EXTM3U\n#EXT-X-MEDIA:TYPE=AUDIO,URI=\"a.m3u8\"\n#EXT-X-STREAM-INF:BANDWIDTH=1\nb.m3u8\n",
           "#EXTM3U\n",
       }) {
    HlsMaster master;
    EXPECT_EQ(ParseHlsMaster(text, Base(), master), kErrorFormat) << text;
  }
}

TEST(HlsPlaylist, MediaPlaylistSegments) {
  const char* text =
      "#EXTM3U\n"
      "#EXT-X-VERSION:3\n"
      "#EXT-X-TARGETDURATION:4\n"
      "#EXT-X-MEDIA-SEQUENCE:4711\n"
      "#EXT-X-DISCONTINUITY-SEQUENCE:2\n"
      "#EXTINF:3.96,title=\"Song, part 1\",artist=\"Singer\"\n"
      "seg4711.ts\n"
      "#EXTINF:4.004, artist=\"B\" title=\"A\"\n"
      "/abs/seg4712.ts?x=1\n"
      "#EXT-X-DISCONTINUITY\n"
      "#EXT-X-KEY:METHOD=AES-128,URI=\"key.bin\",IV=0x0102\n"
      "#EXTINF:4,\n"
      "https://other.test/seg4713.aac\n"
      "#EXT-X-KEY:METHOD=NONE\n"
      "#EXT-X-MAP:URI=\"init.mp4\"\n"
      "#EXTINF:2.5,Plain text title\n"
      "seg4714.m4s\n";
  HlsMedia media;
  ASSERT_EQ(ParseHlsMedia(text, Base(), media), kErrorOk);
  EXPECT_EQ(media.target_duration_ms, 4000u);
  EXPECT_EQ(media.media_sequence, 4711u);
  EXPECT_FALSE(media.ended);
  ASSERT_EQ(media.segments.size(), 4u);
  const HlsSegment* s = media.segments.data();
  EXPECT_EQ(s[0].sequence, 4711u);
  EXPECT_EQ(s[0].duration_ms, 3960u);
  EXPECT_EQ(s[0].address, "http://cdn.test/radio/live/seg4711.ts");
  EXPECT_EQ(s[0].title, "Song, part 1");
  EXPECT_EQ(s[0].artist, "Singer");
  EXPECT_FALSE(s[0].discontinuity);
  EXPECT_EQ(s[1].sequence, 4712u);
  EXPECT_EQ(s[1].duration_ms, 4004u);
  EXPECT_EQ(s[1].address, "http://cdn.test/abs/seg4712.ts?x=1");
  EXPECT_EQ(s[1].title, "A");
  EXPECT_EQ(s[1].artist, "B");
  EXPECT_EQ(s[2].address, "https://other.test/seg4713.aac");
  EXPECT_TRUE(s[2].discontinuity);
  EXPECT_EQ(s[2].key(), HlsKeyMethod::kAes128);
  EXPECT_EQ(s[2].key_address(), "http://cdn.test/radio/live/key.bin");
  EXPECT_EQ(s[2].key_iv(), "0x0102");
  EXPECT_TRUE(s[2].title.empty());
  EXPECT_EQ(s[3].key(), HlsKeyMethod::kNone);
  EXPECT_EQ(s[3].map_address(), "http://cdn.test/radio/live/init.mp4");
  EXPECT_TRUE(s[3].discontinuity);  // a new initialisation section
  EXPECT_EQ(s[3].duration_ms, 2500u);
  EXPECT_TRUE(s[3].title.empty());  // only attributes name titles

  ASSERT_EQ(ParseHlsMedia("#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:9,\na.ts\n#EXT-X-ENDLIST\n", Base(), media),
            kErrorOk);
  EXPECT_TRUE(media.ended);
  EXPECT_EQ(media.media_sequence, 0u);
  ASSERT_EQ(media.segments.size(), 1u);
  EXPECT_EQ(media.segments[0].sequence, 0u);
}

TEST(HlsPlaylist, MalformedMediaPlaylistsAreRefused) {
  for (const char* text : {
           "#EXT-X-TARGETDURATION:4\n#EXTINF:4,\na.ts\n",                              // no #EXTM3U
           "#EXTM3U\n#EXTINF:4,\na.ts\n",                                              // no target duration
           "#EXTM3U\n#EXT-X-TARGETDURATION:0\n#EXTINF:4,\na.ts\n",                     // zero
           "#EXTM3U\n#EXT-X-TARGETDURATION:4.5\n#EXTINF:4,\na.ts\n",                   // not an integer
           "#EXTM3U\n#EXT-X-TARGETDURATION:-4\n",                                      //
           "#EXTM3U\n#EXT-X-TARGETDURATION:99999999\n",                                // too long
           "#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXT-X-MEDIA-SEQUENCE:x\n",              //
           "#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXT-X-MEDIA-SEQUENCE:18446744073709551615\n",
           "#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXTINF:four,\na.ts\n",                  //
           "#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXTINF:-1,\na.ts\n",                    //
           "#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXTINF:4.,\na.ts\n",                    //
           "#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXT-X-KEY:URI=\"k\"\n#EXTINF:4,\na.ts\n",  // no method
           "#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXT-X-KEY:METHOD=AES-128\n",            // no key address
           "#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXT-X-MAP:BYTERANGE=\"1@0\"\n",         // no map address
           "#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXTINF:4,\nhttp://[bad/a.ts\n",         // bad address
       }) {
    HlsMedia media;
    EXPECT_EQ(ParseHlsMedia(text, Base(), media), kErrorFormat) << text;
  }
}

// A media playlist of `count` segment lines `line` after `head`.
std::string MediaList(size_t count, const std::string& head = "", const std::string& line = "a") {
  std::string text = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n" + head;
  for (size_t i = 0; i < count; ++i) text += line + "\n";
  return text;
}

TEST(HlsPlaylist, WhatOnePlaylistMayMakeUsHoldIsBounded) {
  // An address of kMaxHlsAddressBytes once resolved, and one a byte longer:
  // as a segment, a key, an initialisation segment, a variant.
  for (size_t length : {kMaxHlsAddressBytes, kMaxHlsAddressBytes + 1}) {
    const std::string address = "http://cdn.test/" + std::string(length - 16, 'p');
    const int expected = length <= kMaxHlsAddressBytes ? kErrorOk : kErrorFormat;
    HlsMedia media;
    EXPECT_EQ(ParseHlsMedia(MediaList(1, "", address), Base(), media), expected) << length;
    EXPECT_EQ(ParseHlsMedia(MediaList(1, "#EXT-X-KEY:METHOD=AES-128,URI=\"" + address + "\"\n"), Base(), media), expected)
        << length;
    EXPECT_EQ(ParseHlsMedia(MediaList(1, "#EXT-X-MAP:URI=\"" + address + "\"\n"), Base(), media), expected) << length;
    HlsMaster master;
    EXPECT_EQ(ParseHlsMaster("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\n" + address + "\n", Base(), master), expected)
        << length;
  }
  // As many segments as allowed under one key of the longest address: the
  // key's address is held once, not once a segment. One more is refused.
  const std::string key = "#EXT-X-KEY:METHOD=AES-128,URI=\"http://k.test/" + std::string(kMaxHlsAddressBytes - 14, 'k') +
                          "\"\n";
  HlsMedia media;
  ASSERT_EQ(ParseHlsMedia(MediaList(kMaxHlsEntries, key), Base(), media), kErrorOk);
  ASSERT_EQ(media.segments.size(), kMaxHlsEntries);
  EXPECT_EQ(media.segments.back().key_address().size(), kMaxHlsAddressBytes);
  EXPECT_EQ(ParseHlsMedia(MediaList(kMaxHlsEntries + 1, key), Base(), media), kErrorFormat);
  // Short lines against a long playlist address: each resolves to
  // kMaxHlsAddressBytes, so kMaxHlsHeldBytes hold this many and no more.
  const Url base = Base(("http://cdn.test/" + std::string(kMaxHlsAddressBytes - 18, 'd') + "/index.m3u8").c_str());
  const size_t fit = kMaxHlsHeldBytes / kMaxHlsAddressBytes;
  ASSERT_EQ(ParseHlsMedia(MediaList(fit), base, media), kErrorOk);
  EXPECT_EQ(media.segments.back().address.size(), kMaxHlsAddressBytes);
  EXPECT_EQ(ParseHlsMedia(MediaList(fit + 1), base, media), kErrorFormat);
}

TEST(HlsPlaylist, LiveStartsThreeTargetDurationsFromTheEnd) {
  const struct {
    std::vector<uint32_t> durations_ms;
    uint32_t target_ms;
    bool ended;
    size_t start;
  } cases[] = {
      {{2000, 2000, 2000, 2000, 2000, 2000}, 2000, false, 3},  // the last three: 6 s
      {{2000, 2000, 2000, 2000, 2000, 2000}, 2000, true, 0},   // on demand: from the start
      {{2000, 2000}, 2000, false, 0},                          // shorter than that
      {{1900, 1900, 1900, 1900, 1900}, 2000, false, 1},        // 4 segments make 6 s
      {{}, 2000, false, 0},
  };
  for (const auto& c : cases) {
    HlsMedia media;
    media.target_duration_ms = c.target_ms;
    media.ended = c.ended;
    for (uint32_t d : c.durations_ms) {
      HlsSegment s;
      s.duration_ms = d;
      media.segments.push_back(s);
    }
    EXPECT_EQ(HlsStartIndex(media), c.start) << c.durations_ms.size() << " " << c.ended;
  }
}

}  // namespace
