// ID3v2 tags: their length (to reach the audio after them), titles and
// artists in every text encoding, the station name, v2.3 and v2.4 frame sizes
// and flags.
#include "engine/formats/id3.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ts_builder.h"

namespace {

using testts::Id3Tag;

std::vector<uint8_t> V(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST(Id3, TagLengthFromTheHeader) {
  const struct {
    std::string bytes;
    std::optional<size_t> length;
  } cases[] = {
      {std::string("ID3\x04\x00\x00\x00\x00\x02\x01", 10), 10 + 257},                // sync-safe size
      {std::string("ID3\x04\x00\x10\x00\x00\x00\x05", 10), 10 + 5 + 10},             // with a footer
      {std::string("ID3\x03\x00\x10\x00\x00\x00\x05", 10), 10 + 5},                  // v2.3 has no footer
      {std::string("ID3\x04\x00\x00\x00\x00\x00\x80", 10), 0},                       // not sync-safe
      {std::string("ID3\xFF\x00\x00\x00\x00\x00\x00", 10), 0},
      {std::string("\xFF\xF1\x50\x80\x02\x1F\xFC\x00\x00\x00", 10), 0},              // ADTS audio
      {"ID", std::nullopt},
      {"", std::nullopt},
      {"IX", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Id3TagLength(V(c.bytes)), c.length) << c.bytes.size();
  }
}

TEST(Id3, TitleAndArtistInEveryEncoding) {
  const std::string cyrillic = "\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F";  // "Песня" in UTF-8
  const struct {
    const char* name;
    int version;
    std::string title_frame, artist_frame;
    std::string title, artist;
  } cases[] = {
      {"ISO-8859-1", 3, std::string("\x00" "Caf\xE9", 5), std::string("\x00" "Band\x00", 6), "Caf\xC3\xA9", "Band"},
      {"UTF-16 little-endian with BOM", 3, std::string("\x01\xFF\xFE\x1F\x04\x35\x04", 7),
       std::string("\x01\xFF\xFE" "A\0B\0\0\0", 9), "\xD0\x9F\xD0\xB5", "AB"},
      {"UTF-16 big-endian with BOM", 4, std::string("\x01\xFE\xFF\x04\x1F\x04\x35", 7), "", "\xD0\x9F\xD0\xB5", ""},
      {"UTF-16BE", 4, std::string("\x02\xD8\x3D\xDE\x00", 5), std::string("\x02\x00" "X", 3), "\xF0\x9F\x98\x80", "X"},
      {"UTF-8, first of several values", 4, "\x03" + cyrillic + std::string("\0second", 7), "\x03" "Artist",
       cyrillic, "Artist"},
      {"lone surrogate", 4, std::string("\x02\xDC\x00\x00\x41", 5), "", "\xEF\xBF\xBD" "A", ""},
      {"unknown encoding", 4, "\x07text", "\x03" "A", "", "A"},
  };
  for (const auto& c : cases) {
    std::vector<std::pair<std::string, std::string>> frames = {{"TALB", "\x03" "Album"}, {"TIT2", c.title_frame}};
    if (!c.artist_frame.empty()) frames.push_back({"TPE1", c.artist_frame});
    std::vector<uint8_t> tag = Id3Tag(c.version, frames, 16);
    Id3Text text;
    ASSERT_TRUE(ReadId3(tag, text)) << c.name;
    EXPECT_EQ(text.title, c.title) << c.name;
    EXPECT_EQ(text.artist, c.artist) << c.name;
  }
}

TEST(Id3, V24FrameSizesAreSyncSafeAndV23OnesAreNot) {
  // 200 bytes of title: 0x00 0x00 0x01 0x48 (v2.4) against 0x00 0x00 0x00 0xC8 (v2.3).
  const std::string long_title(199, 'x');
  for (int version : {3, 4}) {
    std::vector<uint8_t> tag = Id3Tag(version, {{"TIT2", "\x03" + long_title}, {"TPE1", "\x03" "Y"}});
    Id3Text text;
    ASSERT_TRUE(ReadId3(tag, text)) << version;
    EXPECT_EQ(text.title, long_title) << version;
    EXPECT_EQ(text.artist, "Y") << version;
  }
}

TEST(Id3, FrameFlagsAndBrokenTags) {
  // v2.4: a data length indicator before the text; an encrypted frame skipped.
  std::vector<uint8_t> tag = Id3Tag(4, {{"TIT2", std::string("\x00\x00\x00\x05\x03Title", 10)},
                                        {"TPE1", "\x03Secret"}});
  tag[10 + 9] = 0x01;               // TIT2: data length indicator
  tag[10 + 20 + 9] = 0x04;  // TPE1, after TIT2's 20 bytes: encrypted
  Id3Text text;
  ASSERT_TRUE(ReadId3(tag, text));
  EXPECT_EQ(text.title, "Title");
  EXPECT_EQ(text.artist, "");

  // v2.3 unsynchronised as a whole: 0xFF 0x00 stands for 0xFF.
  std::vector<uint8_t> unsync = Id3Tag(3, {{"TIT2", std::string("\x00\xFF\x00", 3)}});
  unsync[5] = 0x80;
  // The frame's size counts the bytes after resynchronisation: 2.
  unsync[10 + 7] = 2;
  ASSERT_TRUE(ReadId3(unsync, text));
  EXPECT_EQ(text.title, "\xC3\xBF");

  // Cut short: the frames that arrived whole are read (a picture after the
  // titles is cut off by the caller's limit), a frame cut itself is not.
  const std::string picture = "\x00image/jpeg\x00\x03\x00" + std::string(100 * 1024, '\xAB');
  for (int version : {3, 4}) {
    const std::vector<uint8_t> art = Id3Tag(version, {{"TIT2", "\x03" "Song"}, {"TPE1", "\x03" "Band"}, {"APIC", picture}});
    ASSERT_TRUE(ReadId3(std::span(art).first(64 * 1024), text)) << version;
    EXPECT_EQ(text.title, "Song") << version;
    EXPECT_EQ(text.artist, "Band") << version;
  }
  std::vector<uint8_t> whole = Id3Tag(4, {{"TIT2", "\x03" "abc"}});
  ASSERT_TRUE(ReadId3(std::span(whole).first(whole.size() - 1), text));
  EXPECT_EQ(text.title, "");
  // Another version, a frame longer than the tag.
  std::vector<uint8_t> v2 = whole;
  v2[3] = 2;
  EXPECT_FALSE(ReadId3(v2, text));
  std::vector<uint8_t> oversized = whole;
  oversized[10 + 7] = 0x7F;
  ASSERT_TRUE(ReadId3(oversized, text));
  EXPECT_EQ(text.title, "");
}

TEST(Id3, StationNameFromTheRadioStationFrame) {
  Id3Text text;
  // v2.3 in UTF-16 beside the titles; the picture before it is no obstacle.
  const std::vector<uint8_t> v23 = Id3Tag(3, {{"TIT2", std::string("\x00Song", 5)}, {"APIC", std::string(300, '\x01')},
                                             {"TRSN", std::string("\x01\xFF\xFE" "R\0" "1\0", 7)}});
  ASSERT_TRUE(ReadId3(v23, text));
  EXPECT_EQ(text.station, "R1");
  EXPECT_EQ(text.title, "Song");
  // v2.4 in UTF-8; the owner frame (TRSO) is not the name; cut inside the
  // station frame, it is not read.
  const std::vector<uint8_t> v24 = Id3Tag(4, {{"TRSO", "\x03Owner"}, {"TRSN", "\x03\xD0\xA0\xD0\xB0"}});
  ASSERT_TRUE(ReadId3(v24, text));
  EXPECT_EQ(text.station, "\xD0\xA0\xD0\xB0");
  ASSERT_TRUE(ReadId3(std::span(v24).first(v24.size() - 1), text));
  EXPECT_EQ(text.station, "");
}

TEST(Id3, StreamTitleText) {
  EXPECT_EQ(StreamTitleMeta("Artist", "Title"), "StreamTitle='Artist - Title';");
  EXPECT_EQ(StreamTitleMeta("", "Title"), "StreamTitle='Title';");
  EXPECT_EQ(StreamTitleMeta("Artist", ""), "StreamTitle='Artist';");
  EXPECT_EQ(StreamTitleMeta("", ""), "");
}

}  // namespace
