// The transport stream demultiplexer: packets split anywhere, PAT -> PMT ->
// the audio and ID3 streams, adaptation fields, PES over many packets, lost
// and repeated packets, a programme map that changes, the end of a segment.
#include "engine/formats/mpeg_ts.h"

#include <gtest/gtest.h>

#include "engine/formats/hls_source.h"

#include <string>
#include <vector>

#include "ts_builder.h"

namespace {

using testts::Bytes;
using testts::TsWriter;

constexpr int kAudioPid = 0x101;
constexpr int kId3Pid = 0x102;

std::vector<uint8_t> Payload(int seed, size_t n) {
  std::vector<uint8_t> out(n);
  uint32_t x = uint32_t(seed) * 2654435761u + 1;
  for (auto& b : out) {
    x = x * 1103515245u + 12345u;
    b = uint8_t(x >> 16);
  }
  return out;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& more) { to.insert(to.end(), more.begin(), more.end()); }

struct Result {
  std::string audio;
  std::vector<std::string> id3;
};

Result Demux(TsDemux& demux, const std::vector<uint8_t>& stream, size_t piece) {
  Result r;
  std::vector<uint8_t> audio;
  auto on_id3 = [&r](std::span<const uint8_t> tag) { r.id3.emplace_back(tag.begin(), tag.end()); };
  for (size_t at = 0; at < stream.size(); at += piece) {
    demux.Feed(std::span(stream).subspan(at, std::min(piece, stream.size() - at)), audio, on_id3);
  }
  demux.EndOfSegment(audio, on_id3);
  r.audio = Bytes(audio);
  return r;
}

TEST(MpegTs, CrcOfASectionWithItsCrcIsZero) {
  const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(TsCrc32(check), 0x0376E6E7u);  // the CRC-32/MPEG-2 check value
}

TEST(MpegTs, AudioAndTimedId3ThroughEveryChunkSplit) {
  TsWriter w;
  std::vector<uint8_t> ts = w.Tables({{0x0F, kAudioPid}, {0x15, kId3Pid}});
  std::string expected;
  for (int i = 0; i < 5; ++i) {
    const std::vector<uint8_t> frame = Payload(i, 100 + 170 * size_t(i));  // 1 to 5 packets each
    Append(ts, w.Pes(kAudioPid, frame, 0xC0, i == 2));
    expected += Bytes(frame);
    if (i == 1) Append(ts, w.Pes(kId3Pid, {'I', 'D', '3', 4, 0}, 0xBD));
  }
  for (size_t piece : {size_t(1), size_t(7), size_t(187), size_t(188), size_t(189), size_t(1000), ts.size()}) {
    TsDemux demux;
    Result r = Demux(demux, ts, piece);
    EXPECT_EQ(r.audio, expected) << piece;
    ASSERT_EQ(r.id3.size(), 1u) << piece;
    EXPECT_EQ(r.id3[0], std::string("ID3\x04\x00", 5));
    EXPECT_EQ(demux.codec(), AudioCodec::kAac);
    EXPECT_EQ(demux.continuity_errors(), 0u);
    EXPECT_EQ(demux.skipped_bytes(), 0u);
  }
}

TEST(MpegTs, MpegAudioStreamTypes) {
  for (uint8_t type : {uint8_t(0x03), uint8_t(0x04)}) {
    TsWriter w;
    std::vector<uint8_t> ts = w.Tables({{0x1B, 0x100}, {type, kAudioPid}});
    Append(ts, w.Pes(0x100, Payload(9, 400), 0xE0));  // video: not ours
    Append(ts, w.Pes(kAudioPid, Payload(1, 300)));
    TsDemux demux;
    EXPECT_EQ(Demux(demux, ts, 188).audio, Bytes(Payload(1, 300)));
    EXPECT_EQ(demux.codec(), AudioCodec::kMp3);
  }
}

TEST(MpegTs, NothingBeforeTheTablesAndNothingWithABadCrc) {
  TsWriter w;
  std::vector<uint8_t> early = w.Pes(kAudioPid, Payload(1, 50));
  std::vector<uint8_t> tables = w.Tables({{0x0F, kAudioPid}});
  std::vector<uint8_t> ts = early;
  Append(ts, tables);
  Append(ts, w.Pes(kAudioPid, Payload(2, 50)));
  TsDemux demux;
  EXPECT_EQ(Demux(demux, ts, 188).audio, Bytes(Payload(2, 50)));

  std::vector<uint8_t> broken = tables;
  broken[2 * 188 - 1] ^= 0x01;  // the last bit of the PMT (its CRC, at the end of the packet)
  Append(broken, w.Pes(kAudioPid, Payload(3, 50)));
  TsDemux other;
  EXPECT_EQ(Demux(other, broken, 188).audio, "");
}

TEST(MpegTs, LostPacketDropsItsPesAndRepeatedPacketIsIgnored) {
  TsWriter w;
  std::vector<uint8_t> ts = w.Tables({{0x0F, kAudioPid}});
  const size_t first = ts.size();
  Append(ts, w.Pes(kAudioPid, Payload(1, 500)));  // three packets
  Append(ts, w.Pes(kAudioPid, Payload(2, 500)));
  Append(ts, w.Pes(kAudioPid, Payload(3, 100)));
  // The second packet of the first PES lost: that PES goes, the next ones stay.
  std::vector<uint8_t> lost = ts;
  lost.erase(lost.begin() + std::ptrdiff_t(first + 188), lost.begin() + std::ptrdiff_t(first + 376));
  TsDemux demux;
  EXPECT_EQ(Demux(demux, lost, 100).audio, Bytes(Payload(2, 500)) + Bytes(Payload(3, 100)));
  EXPECT_EQ(demux.continuity_errors(), 1u);
  // The same packet sent twice: nothing lost, nothing doubled.
  std::vector<uint8_t> doubled = ts;
  doubled.insert(doubled.begin() + std::ptrdiff_t(first + 188), ts.begin() + std::ptrdiff_t(first + 188),
                 ts.begin() + std::ptrdiff_t(first + 376));
  TsDemux again;
  EXPECT_EQ(Demux(again, doubled, 188).audio, Bytes(Payload(1, 500)) + Bytes(Payload(2, 500)) + Bytes(Payload(3, 100)));
  EXPECT_EQ(again.continuity_errors(), 0u);
  // A packet flagged as damaged by the transport breaks its PES too.
  std::vector<uint8_t> damaged = ts;
  damaged[first + 188 + 1] |= 0x80;
  TsDemux third;
  EXPECT_EQ(Demux(third, damaged, 188).audio, Bytes(Payload(2, 500)) + Bytes(Payload(3, 100)));
}

TEST(MpegTs, JunkBetweenPacketsIsSkipped) {
  TsWriter w;
  std::vector<uint8_t> ts = w.Tables({{0x0F, kAudioPid}});
  Append(ts, {0x00, 0x11, 0x22});
  Append(ts, w.Pes(kAudioPid, Payload(1, 200)));
  TsDemux demux;
  EXPECT_EQ(Demux(demux, ts, 64).audio, Bytes(Payload(1, 200)));
  EXPECT_EQ(demux.skipped_bytes(), 3u);
}

TEST(MpegTs, ChangedProgrammeMapIsFollowed) {
  TsWriter w;
  std::vector<uint8_t> ts = w.Tables({{0x0F, kAudioPid}});
  Append(ts, w.Pes(kAudioPid, Payload(1, 200)));
  Append(ts, w.Tables({{0x03, 0x201}}, 0x1000, 1));
  Append(ts, w.Pes(kAudioPid, Payload(2, 200)));  // the old stream: not listed any more
  Append(ts, w.Pes(0x201, Payload(3, 200)));
  TsDemux demux;
  EXPECT_EQ(Demux(demux, ts, 188).audio, Bytes(Payload(1, 200)) + Bytes(Payload(3, 200)));
  EXPECT_EQ(demux.codec(), AudioCodec::kMp3);
  EXPECT_EQ(demux.pmt_changes(), 1);
}

TEST(MpegTs, SegmentEndCompletesAnOpenPesAndDropsAShortOne) {
  TsWriter w;
  std::vector<uint8_t> ts = w.Tables({{0x0F, kAudioPid}});
  Append(ts, w.Pes(kAudioPid, Payload(1, 300), 0xC0, true));
  TsDemux demux;
  EXPECT_EQ(Demux(demux, ts, 188).audio, Bytes(Payload(1, 300)));
  // The next segment goes on with the same tables and counters that start anew.
  TsWriter next;
  std::vector<uint8_t> second = next.Pes(kAudioPid, Payload(2, 300));
  second.resize(second.size() - 188);  // its last packet never came
  EXPECT_EQ(Demux(demux, second, 188).audio, "");
  EXPECT_EQ(demux.continuity_errors(), 1u);
  TsWriter third;
  EXPECT_EQ(Demux(demux, third.Pes(kAudioPid, Payload(3, 10)), 188).audio, Bytes(Payload(3, 10)));
  demux.Reset();
  EXPECT_EQ(Demux(demux, third.Pes(kAudioPid, Payload(4, 10)), 188).audio, "");  // tables forgotten
}

}  // namespace

// The HLS segment reader in front of the demultiplexer: what kind of segment
// it is, told from its first bytes however they are split.
namespace segment_reader {

TEST(HlsSegmentReader, PackedAudioAfterItsTagsAndTransportStreamsInAnySplit) {
  const std::vector<uint8_t> audio = Payload(5, 700);
  std::vector<uint8_t> packed = testts::Id3Tag(4, {{"TIT2", "\x03Song"}, {"TPE1", "\x03" "Band"}}, 5);
  const std::vector<uint8_t> second_tag = testts::Id3Tag(3, {{"PRIV", "x"}});
  packed.insert(packed.end(), second_tag.begin(), second_tag.end());
  std::vector<uint8_t> packed_audio = {0xFF, 0xF1};  // starts as ADTS does
  packed_audio.insert(packed_audio.end(), audio.begin(), audio.end());
  packed.insert(packed.end(), packed_audio.begin(), packed_audio.end());

  TsWriter w;
  std::vector<uint8_t> ts = w.Tables({{0x0F, kAudioPid}});
  Append(ts, w.Pes(kAudioPid, audio));

  for (size_t piece : {size_t(1), size_t(3), size_t(10), size_t(11), size_t(4096)}) {
    HlsSegmentReader reader;
    std::vector<std::string> titles;
    auto on_title = [&titles](const std::string& artist, const std::string& title) {
      titles.push_back(artist + "|" + title);
    };
    std::vector<uint8_t> out;
    for (const std::vector<uint8_t>* segment : {&packed, &ts, &packed}) {
      reader.Begin(false);
      for (size_t at = 0; at < segment->size(); at += piece) {
        reader.Feed(std::span(*segment).subspan(at, std::min(piece, segment->size() - at)), out, on_title);
      }
      reader.End(out, on_title);
    }
    EXPECT_EQ(Bytes(out), Bytes(packed_audio) + Bytes(audio) + Bytes(packed_audio)) << piece;
    EXPECT_EQ(titles, (std::vector<std::string>{"Band|Song", "|", "Band|Song", "|"})) << piece;
  }
  // A segment shorter than a tag header is audio all the same.
  HlsSegmentReader reader;
  std::vector<uint8_t> out;
  reader.Begin(false);
  reader.Feed(std::vector<uint8_t>{0xFF, 0xF1, 0x50}, out, nullptr);
  reader.End(out, nullptr);
  EXPECT_EQ(out, (std::vector<uint8_t>{0xFF, 0xF1, 0x50}));
}

}  // namespace segment_reader
