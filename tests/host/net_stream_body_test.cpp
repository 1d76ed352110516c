// The stream body pipeline: chunk removal, ICY demultiplexing and both
// together, fed at every split.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engine/net/chunked.h"
#include "engine/net/http_answer.h"
#include "engine/net/icy_demux.h"
#include "engine/net/stream_body.h"

namespace {

using std::string_literals::operator""s;

std::span<const uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}
std::string Text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A metadata block: length byte and text padded with zeros to 16 bytes.
std::string Block(std::string_view text) {
  size_t len = (text.size() + 15) / 16;
  std::string b(1, static_cast<char>(len));
  b += text;
  b.resize(1 + len * 16, '\0');
  return b;
}

struct DemuxResult {
  std::string audio;
  std::vector<std::string> metas;
};

DemuxResult Demux(uint32_t metaint, std::string_view wire, std::vector<size_t> cuts) {
  IcyDemux demux(metaint);
  DemuxResult r;
  std::vector<uint8_t> audio;
  size_t from = 0;
  cuts.push_back(wire.size());
  for (size_t cut : cuts) {
    demux.Feed(Bytes(wire.substr(from, cut - from)), audio,
               [&r](const std::string& t) { r.metas.push_back(t); });
    from = cut;
  }
  r.audio = Text(audio);
  return r;
}

TEST(IcyDemux, SeparatesAudioAndMetadataAtEverySplit) {
  // metaint 8: audio, block, audio, empty block, audio, same block again, audio, new block.
  std::string wire = "AAAAAAAA" + Block("StreamTitle='One';") + "BBBBBBBB" + "\0"s + "CCCCCCCC" +
                     Block("StreamTitle='One';") + "DDDDDDDD" + Block("StreamTitle='Two';StreamUrl='';") +
                     "EEE";
  for (size_t a = 0; a <= wire.size(); ++a) {
    for (size_t b = a; b <= wire.size(); ++b) {
      DemuxResult r = Demux(8, wire, {a, b});
      ASSERT_EQ(r.audio, "AAAAAAAABBBBBBBBCCCCCCCCDDDDDDDDEEE") << a << "," << b;
      ASSERT_EQ(r.metas, (std::vector<std::string>{"StreamTitle='One';",
                                                   "StreamTitle='Two';StreamUrl='';"}))
          << a << "," << b;
    }
  }
}

TEST(IcyDemux, KeepsBytesAsSentAndIgnoresPaddingOnlyBlocks) {
  // CP1251 text, a quote inside, an exactly 16-byte text (no padding), an all-zero block.
  std::string cp1251 = "StreamTitle='\xc0\xeb\xe8\xf1\xe0 - \xcf\xe5\xf1\xed\xff';";
  std::string exact16 = "StreamTitle='x';";
  ASSERT_EQ(exact16.size(), 16u);
  std::string wire = "aa" + Block(cp1251) + "bb" + "\x02"s + std::string(32, '\0') + "cc" +
                     Block(exact16) + "dd";
  DemuxResult r = Demux(2, wire, {});
  EXPECT_EQ(r.audio, "aabbccdd");
  EXPECT_EQ(r.metas, (std::vector<std::string>{cp1251, exact16}));
}

TEST(IcyDemux, NoMetaintMeansEveryByteIsAudio) {
  std::string wire = "\x01StreamTitle='x';\0\0\0"s;
  DemuxResult r = Demux(0, wire, {3});
  EXPECT_EQ(r.audio, wire);
  EXPECT_TRUE(r.metas.empty());
}

TEST(IcyDemux, GarbageLengthsStayInStep) {
  // Random length bytes with random contents: the audio between blocks must
  // still be exactly the metaint runs, whatever the blocks hold.
  std::mt19937 rng(7);
  const uint32_t metaint = 100;
  std::string wire, expected_audio;
  for (int i = 0; i < 200; ++i) {
    std::string audio(metaint, static_cast<char>('a' + i % 26));
    wire += audio;
    expected_audio += audio;
    uint8_t len = static_cast<uint8_t>(rng());
    wire += static_cast<char>(len);
    for (int j = 0; j < len * 16; ++j) wire += static_cast<char>(rng());
  }
  IcyDemux demux(metaint);
  std::vector<uint8_t> audio;
  size_t at = 0;
  int metas = 0;
  while (at < wire.size()) {
    size_t n = std::min<size_t>(rng() % 5000 + 1, wire.size() - at);
    demux.Feed(Bytes(std::string_view(wire).substr(at, n)), audio, [&](const std::string& t) {
      ++metas;
      EXPECT_LE(t.size(), 4080u);
      EXPECT_FALSE(t.empty());
      EXPECT_NE(t.back(), '\0');
    });
    at += n;
  }
  EXPECT_EQ(Text(audio), expected_audio);
  EXPECT_EQ(demux.blocks(), 200u);
  EXPECT_GT(metas, 150);
}

TEST(Chunked, RemovesTheCodingAtEverySplit) {
  const struct {
    std::string wire;
    std::string payload;
    bool done;
  } cases[] = {
      {"5\r\nHello\r\n7\r\n, World\r\n0\r\n\r\nIGNORED", "Hello, World", true},
      {"3;ext=1\r\nabc\r\nA\r\n0123456789\r\n0\r\nTrailer: x\r\n\r\n", "abc0123456789", true},
      {"4\nabcd\n0\n\n", "abcd", true},
      {"1f\r\n" + std::string(31, 'z') + "\r\n", std::string(31, 'z'), false},
  };
  for (const auto& c : cases) {
    for (size_t a = 0; a <= c.wire.size(); ++a) {
      ChunkedDecoder d;
      std::vector<uint8_t> out;
      EXPECT_TRUE(d.Feed(Bytes(std::string_view(c.wire).substr(0, a)), out));
      EXPECT_TRUE(d.Feed(Bytes(std::string_view(c.wire).substr(a)), out));
      EXPECT_EQ(Text(out), c.payload) << "split " << a;
      EXPECT_EQ(d.done(), c.done);
    }
  }
}

TEST(Chunked, RefusesMalformedCoding) {
  for (std::string wire : {"x\r\n"s, "\r\n"s, "5\r\nHelloX"s, "5\rX"s, "11111111111111111\r\n"s,
                           "3;" + std::string(5000, 'e')}) {
    ChunkedDecoder d;
    std::vector<uint8_t> out;
    EXPECT_FALSE(d.Feed(Bytes(wire), out)) << wire.substr(0, 20);
    EXPECT_EQ(d.state(), ChunkedDecoder::State::kError);
  }
}

TEST(Chunked, TrailerEndsWithinItsLimit) {
  // Trailer lines of `total` bytes with the empty line that ends them.
  auto trailer = [](size_t total) {
    auto line = [](size_t bytes) { return "X:" + std::string(bytes - 4, 'a') + "\r\n"; };
    size_t first = (total - 2) % 100;
    if (first < 4) first += 100;
    std::string t = line(first);
    while (t.size() + 2 < total) t += line(100);
    return t + "\r\n";
  };
  for (size_t total : {kMaxChunkedTrailerBytes, kMaxChunkedTrailerBytes + 1}) {
    ChunkedDecoder d;
    std::vector<uint8_t> out;
    const std::string t = trailer(total);
    ASSERT_EQ(t.size(), total);
    EXPECT_EQ(d.Feed(Bytes("2\r\nok\r\n0\r\n" + t), out), total <= kMaxChunkedTrailerBytes) << total;
    EXPECT_EQ(d.done(), total <= kMaxChunkedTrailerBytes) << total;
  }
  // Bare CRs at the start of a line, which no line length counts.
  ChunkedDecoder d;
  std::vector<uint8_t> out;
  EXPECT_FALSE(d.Feed(Bytes("0\r\n" + std::string(kMaxChunkedTrailerBytes + 1, '\r')), out));
}

HttpAnswer Head(std::string_view text) {
  HttpAnswer head;
  head.Feed(Bytes(text));
  EXPECT_EQ(head.state(), HttpAnswer::State::kDone);
  return head;
}

TEST(StreamBody, CountsMetadataAfterRemovingChunks) {
  // Payload with metaint 4; the chunk boundaries fall inside audio, on the
  // length byte and inside the block.
  std::string payload = "abcd" + Block("StreamTitle='T';") + "efgh" + "\0"s + "ij";
  std::string wire;
  for (size_t at = 0; at < payload.size(); at += 3) {
    std::string piece = payload.substr(at, 3);
    char size[8];
    snprintf(size, sizeof size, "%zx", piece.size());
    wire += std::string(size) + "\r\n" + piece + "\r\n";
  }
  wire += "0\r\n\r\n";
  HttpAnswer head = Head("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nicy-metaint: 4\r\n\r\n");
  for (size_t a = 0; a <= wire.size(); ++a) {
    StreamBody body(head, true);
    std::vector<uint8_t> audio;
    std::vector<std::string> metas;
    auto on_meta = [&](const std::string& t) { metas.push_back(t); };
    body.Feed(Bytes(std::string_view(wire).substr(0, a)), audio, on_meta);
    body.Feed(Bytes(std::string_view(wire).substr(a)), audio, on_meta);
    EXPECT_EQ(Text(audio), "abcdefghij") << a;
    EXPECT_EQ(metas, std::vector<std::string>{"StreamTitle='T';"}) << a;
    EXPECT_TRUE(body.complete());
  }
}

TEST(StreamBody, HonoursLengthAndIgnoresChunkingOrMetadataWhereItDoesNotApply) {
  {
    HttpAnswer head = Head("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n");
    StreamBody body(head, true);
    std::vector<uint8_t> out;
    body.Feed(Bytes("abc"), out, nullptr);
    EXPECT_FALSE(body.complete());
    body.Feed(Bytes("defgh"), out, nullptr);
    EXPECT_TRUE(body.complete());
    body.Feed(Bytes("more"), out, nullptr);
    EXPECT_EQ(Text(out), "abcde");
  }
  {
    // ICY answers are never chunked; metadata is off for playlist bodies.
    HttpAnswer head = Head("ICY 200 OK\r\nTransfer-Encoding: chunked\r\nicy-metaint: 2\r\n\r\n");
    StreamBody body(head, false);
    std::vector<uint8_t> out;
    body.Feed(Bytes("3\r\nabc"), out, nullptr);
    EXPECT_EQ(Text(out), "3\r\nabc");
    EXPECT_EQ(body.metaint(), 0u);
  }
  {
    HttpAnswer head = Head("ICY 200 OK\r\nicy-metaint: 99999999999\r\n\r\n");
    StreamBody body(head, true);
    EXPECT_EQ(body.metaint(), 0u);
  }
}

}  // namespace
