// The recording's rules: where a stream's audio is cut into files (at whole
// frames or pages, at the titles' places in the bytes), what an Ogg file gets
// in front, the names of files and folders, and the MP3 files' tag.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/formats/ogg_reader.h"
#include "engine/session/record_cut.h"
#include "playback/record_rules.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Frame `i` of a stream: a header, then payload bytes that name the frame and
// never hold 0xFF (no false frame starts).
Bytes Frame(AudioCodec codec, int i) {
  Bytes f;
  size_t size = 0;
  if (codec == AudioCodec::kMp3) {
    f = {0xFF, 0xFB, 0x90, 0x00};  // MPEG-1 layer III, 128 kbit/s, 44.1 kHz: 417 bytes
    size = 417;
  } else {
    size = 300 + (i % 7);  // ADTS, AAC LC, 44.1 kHz, stereo, no CRC
    f = {0xFF, 0xF1, 0x50, uint8_t(0x80 | (size >> 11)), uint8_t(size >> 3), uint8_t(((size & 7) << 5) | 0x1F), 0xFC};
  }
  while (f.size() < size) f.push_back(uint8_t(i & 0x7F));
  return f;
}

// Records what the cutter hands out: one file per Begin.
struct Files final : RecordTap {
  struct File {
    std::string meta, extension;
    Bytes bytes;
  };
  std::vector<File> files;
  void Begin(const std::string& meta, const char* extension) override { files.push_back({meta, extension, {}}); }
  void Write(std::span<const uint8_t> b) override {
    ASSERT_FALSE(files.empty()) << "bytes before the first file";
    files.back().bytes.insert(files.back().bytes.end(), b.begin(), b.end());
  }
};

// A stream's bytes with titles at places in them, fed in chunks of `chunk`.
struct Event {
  size_t at;  // the title arrives after this many bytes
  std::string meta;
};
void Feed(RecordCutter& cutter, const Bytes& stream, const std::vector<Event>& events, size_t chunk, RecordTap& tap) {
  size_t at = 0;
  size_t next = 0;
  while (at < stream.size() || next < events.size()) {
    size_t until = std::min(stream.size(), at + chunk);
    if (next < events.size()) until = std::min(until, events[next].at);
    cutter.Feed(std::span<const uint8_t>(stream).subspan(at, until - at), tap);
    at = until;
    while (next < events.size() && events[next].at == at) cutter.Title(events[next++].meta);
  }
}

Bytes Join(const std::vector<Bytes>& parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(RecordCutter, FramesAreCutAtTheFirstFrameAfterEachTitleWhateverTheChunks) {
  for (AudioCodec codec : {AudioCodec::kMp3, AudioCodec::kAac}) {
    std::vector<Bytes> frames;
    size_t offset[41] = {};
    Bytes stream(150, 0x11);  // the recording starts mid-frame: junk first
    for (int i = 0; i < 40; ++i) {
      frames.push_back(Frame(codec, i));
      offset[i] = stream.size();
      stream.insert(stream.end(), frames.back().begin(), frames.back().end());
    }
    offset[40] = stream.size();
    const std::vector<Event> events = {
        {offset[10] + 5, "StreamTitle='Two';"},  // inside frame 10: it stays with the first file
        {offset[20], "StreamTitle='Two';"},      // a repeat (a reconnect resends it): no cut
        {offset[25], "StreamTitle='Three';"},    // exactly at a frame's start
    };
    for (size_t chunk : {size_t{1}, size_t{333}, size_t{5000}, stream.size()}) {
      RecordCutter cutter(codec, "StreamTitle='One';");
      cutter.Start();
      Files tap;
      Feed(cutter, stream, events, chunk, tap);
      ASSERT_EQ(tap.files.size(), 3u) << chunk;
      const char* ext = codec == AudioCodec::kMp3 ? ".mp3" : ".aac";
      EXPECT_EQ(tap.files[0].meta, "StreamTitle='One';");
      EXPECT_EQ(tap.files[1].meta, "StreamTitle='Two';");
      EXPECT_EQ(tap.files[2].meta, "StreamTitle='Three';");
      for (const auto& f : tap.files) EXPECT_EQ(f.extension, ext);
      EXPECT_TRUE(tap.files[0].bytes == Join({frames.begin(), frames.begin() + 11})) << chunk;
      EXPECT_TRUE(tap.files[1].bytes == Join({frames.begin() + 11, frames.begin() + 25})) << chunk;
      // The last frame waits for the header after it, which never comes.
      EXPECT_TRUE(tap.files[2].bytes == Join({frames.begin() + 25, frames.end() - 1})) << chunk;
    }
  }
}

TEST(RecordCutter, NothingIsHandedOutBeforeStartOrAfterStopAndARestartBeginsAFreshFile) {
  Bytes stream;
  for (int i = 0; i < 30; ++i) {
    const Bytes f = Frame(AudioCodec::kMp3, i);
    stream.insert(stream.end(), f.begin(), f.end());
  }
  RecordCutter cutter(AudioCodec::kMp3, "");
  Files tap;
  cutter.Feed(std::span<const uint8_t>(stream).first(417 * 10 + 100), tap);
  cutter.Title("StreamTitle='Later';");  // while nothing records: in force at once
  EXPECT_TRUE(tap.files.empty());
  cutter.Start();
  cutter.Feed(std::span<const uint8_t>(stream).subspan(417 * 10 + 100, 417 * 10), tap);
  cutter.Stop();
  cutter.Feed(std::span<const uint8_t>(stream).subspan(417 * 20 + 100, 417 * 5), tap);
  ASSERT_EQ(tap.files.size(), 1u);
  EXPECT_EQ(tap.files[0].meta, "StreamTitle='Later';");
  // From frame 11 (the first whole one after the start) while the frames confirm each other.
  ASSERT_FALSE(tap.files[0].bytes.empty());
  EXPECT_EQ(tap.files[0].bytes.size() % 417, 0u);
  EXPECT_TRUE(std::equal(tap.files[0].bytes.begin(), tap.files[0].bytes.end(), stream.begin() + 417 * 11));
  cutter.Start();
  cutter.Feed(std::span<const uint8_t>(stream).subspan(417 * 25 + 100), tap);
  ASSERT_EQ(tap.files.size(), 2u);
  EXPECT_EQ(tap.files[1].bytes[0], 0xFF);
}

// ---- Ogg ----

Bytes Page(uint32_t serial, uint32_t sequence, int64_t granule, bool bos, const std::vector<Bytes>& packets) {
  Bytes lacing, body;
  for (const Bytes& p : packets) {
    size_t n = p.size();
    while (n >= 255) {
      lacing.push_back(255);
      n -= 255;
    }
    lacing.push_back(uint8_t(n));
    body.insert(body.end(), p.begin(), p.end());
  }
  Bytes page = {'O', 'g', 'g', 'S', 0, uint8_t(bos ? 2 : 0)};
  for (int i = 0; i < 8; ++i) page.push_back(uint8_t(uint64_t(granule) >> (8 * i)));
  for (uint32_t v : {serial, sequence, 0u})
    for (int i = 0; i < 4; ++i) page.push_back(uint8_t(v >> (8 * i)));
  page.push_back(uint8_t(lacing.size()));
  page.insert(page.end(), lacing.begin(), lacing.end());
  page.insert(page.end(), body.begin(), body.end());
  const uint32_t crc = OggCrc(page);
  for (int i = 0; i < 4; ++i) page[22 + i] = uint8_t(crc >> (8 * i));
  return page;
}

Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes VorbisComments(const std::string& title) {
  Bytes p = Text("\x03vorbis");
  auto put32 = [&p](uint32_t v) {
    for (int i = 0; i < 4; ++i) p.push_back(uint8_t(v >> (8 * i)));
  };
  put32(4);
  for (char c : std::string("test")) p.push_back(uint8_t(c));
  put32(1);
  const std::string entry = "TITLE=" + title;
  put32(uint32_t(entry.size()));
  for (char c : entry) p.push_back(uint8_t(c));
  p.push_back(1);
  return p;
}

// One chained stream: its header pages and its audio pages.
struct Chain {
  Bytes headers;
  std::vector<Bytes> audio;
};
Chain MakeChain(uint32_t serial, const std::string& title, int pages) {
  Chain c;
  const Bytes id = Join({Text("\x01vorbis"), Bytes(23, 0x22)});
  c.headers = Join({Page(serial, 0, 0, true, {id}),
                    Page(serial, 1, 0, false, {VorbisComments(title), Join({Text("\x05vorbis"), Bytes(40, 0x33)})})});
  for (int i = 0; i < pages; ++i)
    c.audio.push_back(Page(serial, 2 + i, 1024 * (i + 1), false, {Bytes(200, uint8_t(serial + i))}));
  return c;
}

TEST(RecordCutter, OggFilesGetTheirStreamsHeadersAndEachChainedTrackIsAFileOfItsOwn) {
  const Chain a = MakeChain(7, "First", 6);
  const Chain b = MakeChain(8, "Second", 4);
  // The stream as it plays: track A, then (a reconnect) A's headers resent
  // and the rest of A, then track B; an ICY-style title at a page boundary in B.
  const Bytes before = Join({a.headers, a.audio[0], a.audio[1]});
  const Bytes stream = Join({before, a.audio[2], a.headers, a.audio[3], a.audio[4], a.audio[5], b.headers, b.audio[0],
                             b.audio[1], b.audio[2], b.audio[3]});
  const size_t icy_at = stream.size() - b.audio[3].size() - b.audio[2].size() - 10;  // inside B's second page
  for (size_t chunk : {size_t{1}, size_t{100}, stream.size()}) {
    RecordCutter cutter(AudioCodec::kVorbis, "StreamTitle='First';");
    Files tap;
    // Recording starts after A's headers went by, in the middle of a page:
    // that page is whole when it comes, and is the file's first.
    cutter.Feed(std::span<const uint8_t>(stream).first(before.size() + 50), tap);
    cutter.Start();
    Feed(cutter, Bytes(stream.begin() + before.size() + 50, stream.end()), {{icy_at - before.size() - 50, "StreamTitle='Third';"}},
         chunk, tap);
    ASSERT_EQ(tap.files.size(), 3u) << chunk;
    EXPECT_EQ(tap.files[0].meta, "StreamTitle='First';");
    EXPECT_EQ(tap.files[1].meta, "StreamTitle='Second';");
    EXPECT_EQ(tap.files[2].meta, "StreamTitle='Third';");
    EXPECT_EQ(tap.files[0].extension, ".ogg");
    EXPECT_TRUE(tap.files[0].bytes == Join({a.headers, a.audio[2], a.audio[3], a.audio[4], a.audio[5]})) << chunk;
    EXPECT_TRUE(tap.files[1].bytes == Join({b.headers, b.audio[0], b.audio[1]})) << chunk;
    EXPECT_TRUE(tap.files[2].bytes == Join({b.headers, b.audio[2], b.audio[3]})) << chunk;
  }
}

TEST(RecordCutter, OnlyStreamsThatArriveInFramesOrPagesCanBeRecorded) {
  EXPECT_TRUE(RecordableStream(AudioCodec::kMp3, {}));
  EXPECT_TRUE(RecordableStream(AudioCodec::kOpus, Text("OggS")));
  EXPECT_TRUE(RecordableStream(AudioCodec::kFlac, Text("OggS\0\2")));
  EXPECT_FALSE(RecordableStream(AudioCodec::kFlac, Text("fLaC")));
  EXPECT_FALSE(RecordableStream(AudioCodec::kUnknown, Text("OggS")));
  EXPECT_STREQ(RecordExtension(AudioCodec::kOpus), ".opus");
  EXPECT_STREQ(RecordExtension(AudioCodec::kFlac), ".oga");
}

// ---- Names and the tag ----

TEST(RecordRules, FileNamesKeepOnlyWhatWindowsAllows) {
  const RecordTime t{2026, 3, 7, 9, 5};
  EXPECT_EQ(RecordFileName(t, "Радио Рок", "AC/DC - Back: In \"Black\"?", ".mp3"),
            "2026-03-07 09-05 Радио Рок - AC_DC - Back_ In _Black__.mp3");
  EXPECT_EQ(RecordFileName(t, "a<b>c|d*e\\f", "", ".aac"), "2026-03-07 09-05 a_b_c_d_e_f.aac");
  EXPECT_EQ(RecordFileName(t, "Station", "Tab\there...  ", ".ogg"), "2026-03-07 09-05 Station - Tab_here.ogg");
  EXPECT_EQ(RecordFileName(t, "S", "T", ".mp3", 3), "2026-03-07 09-05 S - T (3).mp3");
  const std::string long_name = RecordFileName(t, "S", std::string(400, 'x'), ".mp3", 2);
  EXPECT_EQ(long_name.size(), 150u + 4);
  EXPECT_EQ(long_name.substr(long_name.size() - 8), " (2).mp3");

  EXPECT_EQ(CleanFileName("CON", 100, "x"), "CON_");
  EXPECT_EQ(CleanFileName("lpt1.txt", 100, "x"), "lpt1_.txt");
  EXPECT_EQ(CleanFileName("COM10", 100, "x"), "COM10");
  EXPECT_EQ(CleanFileName(" ...", 100, "радио"), "радио");
  EXPECT_EQ(CleanFileName("abc. ", 2, "x"), "ab");
}

TEST(RecordRules, TheStationIsTheStateSlotsNameOrTheAddressHost) {
  EXPECT_EQ(RecordStationName("Радио Рок", "http://rock.example:8000/live"), "Радио Рок");
  for (const char* state : {"", "Воспроизведение", "соединение...", "буфферизация... 100%", "Нет потока",
                            "Ошибка соединения. Попытка 2."})
    EXPECT_EQ(RecordStationName(state, "http://rock.example:8000/live"), "rock.example") << state;
  EXPECT_EQ(RecordStationName("", "not an address"), "радио");
}

TEST(RecordRules, Mp3FilesGetAnId3v2TagWithArtistAndTitle) {
  const Bytes tag = Id3v2TitleTag("Ab - Сd");
  const Bytes expected = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 34,
                          'T', 'P', 'E', '1', 0, 0, 0, 7, 0, 0, 1, 0xFF, 0xFE, 'A', 0, 'b', 0,
                          'T', 'I', 'T', '2', 0, 0, 0, 7, 0, 0, 1, 0xFF, 0xFE, 0x21, 0x04, 'd', 0};
  EXPECT_EQ(tag, expected);
  // Without " - " the whole text is the title; a size past 127 is synchsafe.
  const Bytes only = Id3v2TitleTag(std::string(100, 'z'));
  ASSERT_EQ(only.size(), 10u + 10 + 3 + 200);
  EXPECT_EQ(Bytes(only.begin() + 6, only.begin() + 14), (Bytes{0, 0, 1, 85, 'T', 'I', 'T', '2'}));
  EXPECT_TRUE(Id3v2TitleTag("  ").empty());
}

TEST(RecordRules, TheStatusLineAndHintSayThatItRecords) {
  EXPECT_EQ(WithRecordMark("Радио   песня", true, ""), "[Запись] Радио   песня");
  EXPECT_EQ(WithRecordMark("Радио   песня", false, kRecordDiskFull),
            std::string(kRecordDiskFull) + "  Радио   песня");
  EXPECT_EQ(WithRecordMark("Радио", false, ""), "Радио");
}

}  // namespace
