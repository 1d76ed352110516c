#include "engine/formats/ogg_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/codecs/frame_sync.h"
#include "engine/net/http_answer.h"

namespace {

std::vector<uint8_t> Fixture(const char* name) {
  std::ifstream in(std::string(VOLNAR_FIXTURES) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Le32At(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// One page with the given lacing values over `body`, its CRC set.
std::vector<uint8_t> Page(uint32_t serial, uint32_t sequence, uint8_t flags, const std::vector<uint8_t>& lacing,
                          const std::vector<uint8_t>& body) {
  std::vector<uint8_t> p = {'O', 'g', 'g', 'S', 0, flags};
  p.resize(kOggHeaderBytes);
  Le32At(p, 14, serial);
  Le32At(p, 18, sequence);
  p[26] = uint8_t(lacing.size());
  p.insert(p.end(), lacing.begin(), lacing.end());
  p.insert(p.end(), body.begin(), body.end());
  Le32At(p, 22, OggCrc(p));
  return p;
}

std::vector<uint8_t> Filled(size_t n, uint8_t start) {
  std::vector<uint8_t> b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(start + i);
  return b;
}

// Every page of `file` given a new serial number (CRC set again).
std::vector<uint8_t> WithSerial(std::vector<uint8_t> file, uint32_t serial) {
  for (size_t at = 0; at + kOggHeaderBytes <= file.size();) {
    size_t len = kOggHeaderBytes + file[at + 26];
    for (size_t i = 0; i < file[at + 26]; ++i) len += file[at + kOggHeaderBytes + i];
    Le32At(file, at + 14, serial);
    Le32At(file, at + 22, OggCrc(std::span<const uint8_t>(file.data() + at, len)));
    at += len;
  }
  return file;
}

struct Summary {
  std::vector<uint32_t> serials;       // of each page
  std::vector<std::vector<uint8_t>> packets;
  std::vector<bool> first;             // of each packet
  int bos = 0;
  bool operator==(const Summary&) const = default;
};

Summary ReadAll(std::span<const uint8_t> data, size_t chunk, OggReader& reader) {
  Summary s;
  for (size_t at = 0; at < data.size(); at += chunk) {
    reader.Push(data.subspan(at, std::min(chunk, data.size() - at)));
    while (auto page = reader.Next()) {
      s.serials.push_back(page->serial);
      s.bos += page->bos;
      for (const OggPacket& p : page->packets) {
        s.packets.push_back(p.data);
        s.first.push_back(p.first);
      }
    }
  }
  return s;
}

Summary ReadAll(std::span<const uint8_t> data, size_t chunk = 1 << 20) {
  OggReader reader;
  return ReadAll(data, chunk, reader);
}

TEST(OggReader, ReadsEveryPageOfARealFileWithItsHeaderPackets) {
  const std::vector<uint8_t> file = Fixture("tone550-44k-q0.ogg");
  OggReader reader;
  const Summary s = ReadAll(file, file.size(), reader);
  EXPECT_EQ(s.serials.size(), 5u);
  EXPECT_EQ(s.bos, 1);
  EXPECT_EQ(reader.BadCrcPages(), 0u);
  EXPECT_EQ(reader.SkippedBytes(), 0u);
  ASSERT_GE(s.packets.size(), 3u);
  EXPECT_EQ(OggStreamCodec(s.packets[0]), AudioCodec::kVorbis);
  EXPECT_TRUE(s.first[0]);
  EXPECT_FALSE(s.first[1]);
  auto id = ParseVorbisId(s.packets[0]);
  ASSERT_TRUE(id);
  EXPECT_EQ(id->sample_rate, 44100u);
  EXPECT_EQ(id->channels, 2u);
  EXPECT_GT(id->bitrate, 0u);
  auto comments = ParseVorbisComments(s.packets[1]);
  ASSERT_TRUE(comments);
  EXPECT_EQ(VorbisTitleMeta(*comments), "StreamTitle='First Artist - Tone 550';");
}

TEST(OggReader, GivesTheSamePagesAndPacketsHoweverTheBytesAreCut) {
  const std::vector<uint8_t> file = Fixture("tone770-22k-mono.ogg");
  const Summary whole = ReadAll(file);
  ASSERT_FALSE(whole.packets.empty());
  for (size_t chunk : {1, 2, 3, 7, 27, 28, 255, 4096}) EXPECT_EQ(ReadAll(file, chunk), whole) << chunk;
  // Two pieces, cut at every byte of the header pages and the first audio
  // page, then at every 13th.
  for (size_t cut = 1; cut < file.size(); cut += cut < 2500 ? 1 : 13) {
    OggReader reader;
    Summary s;
    for (auto part : {std::span<const uint8_t>(file).first(cut), std::span<const uint8_t>(file).subspan(cut)}) {
      Summary more = ReadAll(part, part.size(), reader);
      s.serials.insert(s.serials.end(), more.serials.begin(), more.serials.end());
      s.packets.insert(s.packets.end(), more.packets.begin(), more.packets.end());
      s.first.insert(s.first.end(), more.first.begin(), more.first.end());
      s.bos += more.bos;
    }
    ASSERT_EQ(s, whole) << "cut at " << cut;
  }
}

TEST(OggReader, SkipsJunkAndPagesWhoseCrcFails) {
  std::vector<uint8_t> a = Page(5, 0, 0x02, {3}, {1, 2, 3});
  std::vector<uint8_t> b = Page(5, 1, 0, {2}, {4, 5});
  std::vector<uint8_t> c = Page(5, 2, 0, {1}, {6});
  b.back() ^= 0x40;  // one bit of the body: the page's CRC no longer holds
  std::vector<uint8_t> data = {'O', 'g', 'g', 'x', 'O', 'g', 'g', 'S', 9, 9};  // junk, a false capture
  data.insert(data.end(), a.begin(), a.end());
  data.insert(data.end(), b.begin(), b.end());
  data.insert(data.end(), c.begin(), c.end());
  OggReader reader;
  const Summary s = ReadAll(data, 5, reader);
  ASSERT_EQ(s.packets.size(), 2u);
  EXPECT_EQ(s.packets[0], (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(s.packets[1], (std::vector<uint8_t>{6}));
  EXPECT_EQ(reader.BadCrcPages(), 1u);
  EXPECT_GE(reader.SkippedBytes(), 10u + b.size());
}

TEST(OggReader, JoinsPacketsContinuedOverPagesAndDropsThoseWithAPageLost) {
  const std::vector<uint8_t> body = Filled(600, 7);
  // 600 bytes: 255 + 255 on the first page (open), 90 on the next (continued),
  // then a small packet.
  std::vector<uint8_t> first(body.begin(), body.begin() + 510);
  std::vector<uint8_t> rest(body.begin() + 510, body.end());
  rest.push_back(42);
  const std::vector<uint8_t> p0 = Page(1, 0, 0x02, {255, 255}, first);
  const std::vector<uint8_t> p1 = Page(1, 1, 0x01, {90, 1}, rest);
  std::vector<uint8_t> data = p0;
  data.insert(data.end(), p1.begin(), p1.end());
  Summary s = ReadAll(data, 13);
  ASSERT_EQ(s.packets.size(), 2u);
  EXPECT_EQ(s.packets[0], body);
  EXPECT_TRUE(s.first[0]);
  EXPECT_EQ(s.packets[1], std::vector<uint8_t>{42});

  // A page lost between: the packet cannot be completed, the one after it can.
  const std::vector<uint8_t> middle_lost = Page(1, 2, 0x01, {90, 1}, rest);
  data = p0;
  data.insert(data.end(), middle_lost.begin(), middle_lost.end());
  s = ReadAll(data);
  ASSERT_EQ(s.packets.size(), 1u);
  EXPECT_EQ(s.packets[0], std::vector<uint8_t>{42});

  // A continued page whose start never came (the stream was joined there).
  s = ReadAll(Page(1, 9, 0x01, {90, 1}, rest));
  ASSERT_EQ(s.packets.size(), 1u);
  EXPECT_EQ(s.packets[0], std::vector<uint8_t>{42});

  // A page that does not say it continues, after one left a packet open.
  const std::vector<uint8_t> fresh = Page(1, 1, 0, {2}, {8, 9});
  data = p0;
  data.insert(data.end(), fresh.begin(), fresh.end());
  s = ReadAll(data);
  ASSERT_EQ(s.packets.size(), 1u);
  EXPECT_EQ(s.packets[0], (std::vector<uint8_t>{8, 9}));
}

TEST(OggReader, DropsAPacketLongerThanTheLimitAndGoesOn) {
  std::vector<uint8_t> data;
  const size_t pages = kOggMaxPacketBytes / (255 * 255) + 2;
  for (uint32_t i = 0; i < pages; ++i) {
    std::vector<uint8_t> page = Page(3, i, i ? 0x01 : 0x02, std::vector<uint8_t>(255, 255), Filled(255 * 255, 0));
    data.insert(data.end(), page.begin(), page.end());
  }
  const std::vector<uint8_t> end = Page(3, uint32_t(pages), 0x01, {0, 4}, {1, 2, 3, 4});
  data.insert(data.end(), end.begin(), end.end());
  const Summary s = ReadAll(data, 100000);
  ASSERT_EQ(s.packets.size(), 1u);
  EXPECT_EQ(s.packets[0], (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(OggReader, ChainedStreamsStartAgainWithTheirOwnHeaders) {
  const std::vector<uint8_t> a = Fixture("tone550-44k-q0.ogg");
  for (uint32_t second_serial : {0u, 77u}) {  // the same serial again, or a new one
    std::vector<uint8_t> chain = a;
    const std::vector<uint8_t> b = WithSerial(Fixture("tone770-22k-mono.ogg"), second_serial);
    chain.insert(chain.end(), b.begin(), b.end());
    const Summary s = ReadAll(chain, 1000);
    EXPECT_EQ(s.bos, 2);
    int firsts = 0;
    std::vector<std::vector<uint8_t>> heads;
    for (size_t i = 0; i < s.packets.size(); ++i) {
      if (s.first[i]) {
        ++firsts;
        heads.push_back(s.packets[i]);
      }
    }
    ASSERT_EQ(firsts, 2);
    EXPECT_EQ(ParseVorbisId(heads[0])->sample_rate, 44100u);
    EXPECT_EQ(ParseVorbisId(heads[1])->sample_rate, 22050u);
    EXPECT_EQ(ParseVorbisId(heads[1])->channels, 1u);
  }
}

// A chain whose tracks end without an end-of-stream page (a source that
// reconnected, a fallback mount): every stream still starts, with its title,
// past the number of streams kept open at once.
TEST(OggReader, ChainsWithoutEndOfStreamPagesGoOnPastTheOpenStreamLimit) {
  for (size_t n : {kOggMaxStreams, kOggMaxStreams + 1, kOggMaxStreams + 3}) {
    SCOPED_TRACE(testing::Message() << n << " streams");
    std::vector<uint8_t> chain;
    for (size_t i = 0; i < n; ++i) {
      std::vector<uint8_t> track = WithSerial(Fixture(i % 2 ? "tone770-22k-mono.ogg" : "tone550-44k-q0.ogg"),
                                              uint32_t(100 + i));
      for (size_t at = 0; at + kOggHeaderBytes <= track.size();) {
        size_t len = kOggHeaderBytes + track[at + 26];
        for (size_t k = 0; k < track[at + 26]; ++k) len += track[at + kOggHeaderBytes + k];
        track[at + 5] &= ~uint8_t(0x04);  // no end-of-stream flag
        Le32At(track, at + 22, OggCrc(std::span<const uint8_t>(track.data() + at, len)));
        at += len;
      }
      chain.insert(chain.end(), track.begin(), track.end());
    }
    const Summary s = ReadAll(chain, 4096);
    EXPECT_EQ(size_t(s.bos), n);
    EXPECT_EQ(size_t(std::count(s.first.begin(), s.first.end(), true)), n);
    OggTitles titles;
    size_t seen = 0;
    for (size_t at = 0; at < chain.size(); at += 4096)
      seen += titles.Feed(std::span<const uint8_t>(chain).subspan(at, std::min<size_t>(4096, chain.size() - at))).has_value();
    EXPECT_EQ(seen, n);
  }
}

TEST(OggTitles, ReportsTheTitleOfEachNewStreamOnce) {
  const std::vector<uint8_t> a = Fixture("tone550-44k-q0.ogg");
  const std::vector<uint8_t> b = WithSerial(Fixture("tone770-22k-mono.ogg"), 1234);
  std::vector<uint8_t> chain = a;
  chain.insert(chain.end(), b.begin(), b.end());
  OggTitles titles;
  std::vector<std::string> seen;
  for (size_t at = 0; at < chain.size(); at += 333) {
    auto t = titles.Feed(std::span<const uint8_t>(chain).subspan(at, std::min<size_t>(333, chain.size() - at)));
    if (t) seen.push_back(*t);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"StreamTitle='First Artist - Tone 550';",
                                            "StreamTitle='Second Artist - Tone 770';"}));
  // Audio pages of a stream joined mid-way carry no title.
  OggTitles late;
  EXPECT_FALSE(late.Feed(std::span<const uint8_t>(a).subspan(4000)));
}

TEST(OggTitles, TheStationNameStaysUntilAStreamNamesAnother) {
  // Unnamed, then a station's stream (a chain cut anywhere), then unnamed again.
  std::vector<uint8_t> chain = Fixture("tone550-44k-q0.ogg");
  const std::vector<uint8_t> named = WithSerial(Fixture("tone580-44k-station.ogg"), 77);
  const std::vector<uint8_t> after = WithSerial(Fixture("tone770-22k-mono.ogg"), 1234);
  OggTitles titles;
  titles.Feed(chain);
  EXPECT_EQ(titles.station(), "");
  for (size_t at = 0; at < named.size(); at += 97)
    titles.Feed(std::span<const uint8_t>(named).subspan(at, std::min<size_t>(97, named.size() - at)));
  EXPECT_EQ(titles.station(), "\xD0\xA0\xD0\xB0\xD0\xB4\xD0\xB8\xD0\xBE \xD0\x92\xD0\xBE\xD0\xBB\xD0\xBD\xD0\xB0");
  titles.Feed(after);
  EXPECT_EQ(titles.station(), "\xD0\xA0\xD0\xB0\xD0\xB4\xD0\xB8\xD0\xBE \xD0\x92\xD0\xBE\xD0\xBB\xD0\xBD\xD0\xB0");
}

TEST(VorbisComments, TitleTextAndMalformedHeaders) {
  auto header = [](std::vector<std::string> entries, uint32_t count_delta = 0) {
    std::vector<uint8_t> p = {3, 'v', 'o', 'r', 'b', 'i', 's', 2, 0, 0, 0, 'x', 'y'};
    auto put32 = [&p](uint32_t v) {
      for (int i = 0; i < 4; ++i) p.push_back(uint8_t(v >> (8 * i)));
    };
    put32(uint32_t(entries.size()) + count_delta);
    for (const std::string& e : entries) {
      put32(uint32_t(e.size()));
      p.insert(p.end(), e.begin(), e.end());
    }
    p.push_back(1);
    return p;
  };
  auto meta = [&](std::vector<std::string> e) { return VorbisTitleMeta(*ParseVorbisComments(header(e))); };
  EXPECT_EQ(meta({"title=Song", "Artist=Band", "TITLE=Other"}), "StreamTitle='Band - Song';");
  EXPECT_EQ(meta({"TITLE=Only"}), "StreamTitle='Only';");
  EXPECT_EQ(meta({"ARTIST=Just Band"}), "StreamTitle='Just Band';");
  EXPECT_EQ(meta({"GENRE=x", "noequals"}), "StreamTitle='';");
  EXPECT_EQ(meta({std::string("TITLE=a\0b\nc", 11)}), "StreamTitle='a b c';");
  EXPECT_EQ(meta({"TITLE=\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F"}),  // UTF-8 stays as sent
            "StreamTitle='\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F';");
  auto station = [&](std::vector<std::string> e) { return VorbisStationName(*ParseVorbisComments(header(e))); };
  EXPECT_EQ(station({"organization=Label", "STATION_NAME= \tWave\n", "STATION=  "}), "Wave");
  EXPECT_EQ(station({"ORGANIZATION=Label", "TITLE=Song"}), "Label");
  EXPECT_EQ(station({"STATIONS=x", "ORGANIZATION="}), "");
  EXPECT_FALSE(ParseVorbisComments(header({"TITLE=x"}, 1)));  // one entry more than there is
  std::vector<uint8_t> cut = header({"TITLE=long title"});
  cut.resize(cut.size() - 6);
  EXPECT_FALSE(ParseVorbisComments(cut));
  std::vector<uint8_t> vendor_too_long = header({});
  vendor_too_long[7] = 0xff;
  EXPECT_FALSE(ParseVorbisComments(vendor_too_long));
  EXPECT_FALSE(ParseVorbisComments(std::vector<uint8_t>{1, 'v', 'o', 'r', 'b', 'i', 's'}));
}

TEST(OggProbe, FindsTheCodecOfTheFirstStreamThatStarts) {
  const std::vector<uint8_t> a = Fixture("tone550-44k-q0.ogg");
  auto f = ProbeFormat(a, AudioCodec::kUnknown);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->codec, AudioCodec::kVorbis);
  EXPECT_EQ(f->sample_rate, 44100u);
  EXPECT_EQ(f->channels, 2u);
  EXPECT_EQ(f->offset, 0u);
  EXPECT_GT(f->bitrate, 0u);
  // A burst that starts mid-page, in a stream that chains to a new one: the
  // new stream's first page is where playing can start.
  std::vector<uint8_t> burst(a.begin() + 5000, a.end());
  const std::vector<uint8_t> b = Fixture("tone770-22k-mono.ogg");
  burst.insert(burst.end(), b.begin(), b.end());
  f = ProbeFormat(burst, AudioCodec::kMp3);  // whatever the content type says
  ASSERT_TRUE(f);
  EXPECT_EQ(f->codec, AudioCodec::kVorbis);
  EXPECT_EQ(f->offset, a.size() - 5000);
  EXPECT_EQ(f->sample_rate, 22050u);
  // Joined mid-stream: no stream start yet, nothing to play from.
  EXPECT_FALSE(ProbeFormat(std::span<const uint8_t>(a).subspan(100), AudioCodec::kVorbis));

  std::vector<uint8_t> opus = {'O', 'p', 'u', 's', 'H', 'e', 'a', 'd', 1, 2, 0x38, 1, 0x80, 0xbb, 0, 0, 0, 0, 0};
  f = ProbeFormat(Page(9, 0, 0x02, {uint8_t(opus.size())}, opus), AudioCodec::kVorbis);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->codec, AudioCodec::kOpus);
  // The Ogg FLAC head: mapping 1.0, one header packet, "fLaC", STREAMINFO
  // (4096-sample blocks, 44100 Hz, 2 channels, 16 bits).
  std::vector<uint8_t> flac = {0x7f, 'F', 'L', 'A', 'C', 1, 0, 0, 1, 'f', 'L', 'a', 'C', 0x80, 0, 0, 34,
                               0x10, 0, 0x10, 0, 0, 0, 0, 0, 0, 0, 0x0a, 0xc4, 0x42, 0xf0};
  flac.resize(13 + 4 + 34);
  f = ProbeFormat(Page(9, 0, 0x02, {uint8_t(flac.size())}, flac), AudioCodec::kUnknown);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->codec, AudioCodec::kFlac);
  // Native FLAC, and types that name a codec without a decoder here.
  f = ProbeFormat(std::vector<uint8_t>{'f', 'L', 'a', 'C', 0, 0, 0, 34}, AudioCodec::kUnknown);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->codec, AudioCodec::kFlac);
  f = ProbeFormat(std::vector<uint8_t>(100, 0x55), CodecFromContentType("audio/opus"));
  ASSERT_TRUE(f);
  EXPECT_EQ(f->codec, AudioCodec::kOpus);
  // A stream of another codec (Speex) is no Vorbis.
  std::vector<uint8_t> speex = {'S', 'p', 'e', 'e', 'x', ' ', ' ', ' ', 1};
  EXPECT_FALSE(ProbeFormat(Page(9, 0, 0x02, {uint8_t(speex.size())}, speex), AudioCodec::kVorbis));
}

TEST(OggProbe, ContentTypesOfOggAndItsCodecs) {
  EXPECT_EQ(CodecFromContentType("application/ogg"), AudioCodec::kVorbis);
  EXPECT_EQ(CodecFromContentType("Audio/Ogg; codecs=vorbis"), AudioCodec::kVorbis);
  EXPECT_EQ(CodecFromContentType("audio/flac"), AudioCodec::kFlac);
  EXPECT_EQ(CodecFromContentType("audio/x-flac"), AudioCodec::kFlac);
  EXPECT_EQ(CodecFromContentType("audio/opus"), AudioCodec::kOpus);
  EXPECT_EQ(CodecFromContentType("audio/mpeg"), AudioCodec::kMp3);
}

}  // namespace
