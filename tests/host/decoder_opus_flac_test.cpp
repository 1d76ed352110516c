// The Opus and FLAC decoders over real files (tools/make-fixtures.sh): what
// reaches the output (length, pitch, channels), chained streams, breaks and
// damage; and the titles the download side reads from their headers.
#include <gtest/gtest.h>

#include "decoder_test_util.h"
#include "engine/codecs/decoder_flac.h"
#include "engine/codecs/decoder_opus.h"

namespace {

std::vector<uint8_t> Join(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  std::vector<uint8_t> out = a;
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

TEST(OggOpusDecoder, PlaysAChainOfTracksWithoutPaddingAtTheRightPitch) {
  const std::vector<uint8_t> chain = Join(Fixture("tone600-48k.opus"), Fixture("tone900-48k-mono.opus"));
  {
    // At 48 kHz nothing is converted: the length shows that each track's
    // pre-skip and end padding were dropped (3 s + 2 s, to the sample).
    BreakingInput input;
    input.Add(chain);
    std::vector<uint32_t> rates;
    OggOpusDecoder decoder(input, std::make_unique<InterpolatingConverter>(&rates), 48000);
    const std::vector<int16_t> pcm = RenderToEnd(decoder);
    EXPECT_EQ(pcm.size() / 2, 5 * 48000u);
    EXPECT_TRUE(rates.empty());
    EXPECT_EQ(decoder.StreamsOpened(), 2u);
    EXPECT_EQ(decoder.PacketsFailed(), 0u);
    EXPECT_EQ(decoder.Channels(), 1u);
  }
  BreakingInput input;
  input.Add(chain);
  std::vector<uint32_t> rates;
  OggOpusDecoder decoder(input, std::make_unique<InterpolatingConverter>(&rates), 44100);
  const std::vector<int16_t> pcm = RenderToEnd(decoder);
  const size_t frames = pcm.size() / 2;
  EXPECT_NEAR(double(frames), 5 * 44100.0, 64);
  EXPECT_EQ(rates, (std::vector<uint32_t>{48000, 48000}));  // afresh for each track
  EXPECT_NEAR(ToneFrequency(pcm, 4410, 3 * 44100 - 4410, 44100), 600, 3);
  EXPECT_NEAR(ToneFrequency(pcm, 4410, 3 * 44100 - 4410, 44100, 1), 600, 3);
  EXPECT_NEAR(ToneFrequency(pcm, 3 * 44100 + 4410, frames - 4410, 44100), 900, 4);
  EXPECT_NEAR(ToneFrequency(pcm, 3 * 44100 + 4410, frames - 4410, 44100, 1), 900, 4);  // mono on both sides
}

TEST(OggOpusDecoder, ResumesAfterABreakAndIgnoresOtherStreams) {
  const std::vector<uint8_t> opus = Fixture("tone600-48k.opus");
  // A Vorbis track first (not for this decoder), then the Opus one (pages of
  // a second each) cut in its fourth page and continued after a break from
  // the middle of its second: the first and second seconds come twice.
  const std::vector<uint8_t> vorbis = Fixture("tone550-44k-q0.ogg");
  std::vector<uint8_t> first = Join(vorbis, std::vector<uint8_t>(opus.begin(), opus.begin() + 30000));
  BreakingInput input;
  input.Add(first);
  input.Add(std::vector<uint8_t>(opus.begin() + 4000, opus.end()));
  input.breaks.push_back(first.size());
  std::vector<uint32_t> rates;
  OggOpusDecoder decoder(input, std::make_unique<InterpolatingConverter>(&rates), 48000);
  const std::vector<int16_t> pcm = RenderToEnd(decoder);
  EXPECT_EQ(decoder.StreamsOpened(), 1u);
  EXPECT_GT(decoder.SkippedBytes(), 0u);
  EXPECT_EQ(pcm.size() / 2, 4 * 48000u);
  EXPECT_NEAR(ToneFrequency(pcm, 4800, pcm.size() / 2 - 4800, 48000), 600, 3);
}

struct FlacCase {
  const char* file;
  uint32_t out_rate, seconds, tone;
  std::vector<uint32_t> rates;  // the converter's input rates
};

TEST(FlacDecoder, PlaysNativeAndOggFilesOfEachDepthRateAndLayoutWhole) {
  const FlacCase cases[] = {
      {"tone500-44k-16.flac", 44100, 3, 500, {}},
      {"tone700-48k-24-mono.flac", 48000, 2, 700, {}},
      {"tone700-48k-24-mono.flac", 44100, 2, 700, {48000}},
      {"tone800-48k-16.oga", 48000, 3, 800, {}},
      {"tone650-44k-24-mono.oga", 44100, 2, 650, {}},
  };
  for (const FlacCase& c : cases) {
    SCOPED_TRACE(c.file);
    BreakingInput input;
    input.Add(Fixture(c.file));
    std::vector<uint32_t> rates;
    FlacDecoder decoder(input, std::make_unique<InterpolatingConverter>(&rates), c.out_rate);
    const std::vector<int16_t> pcm = RenderToEnd(decoder);
    const size_t frames = pcm.size() / 2, margin = c.out_rate / 10;
    // A native stream's last frame has no header after it to confirm it: at
    // most that frame is missing; in Ogg every frame is whole.
    const bool ogg = std::string(c.file).ends_with(".oga");
    EXPECT_EQ(decoder.InOgg(), ogg);
    if (ogg || !c.rates.empty()) {
      EXPECT_NEAR(double(frames), double(c.seconds * c.out_rate), ogg ? 0 : 4608 + 64);
    } else {
      EXPECT_LE(frames, c.seconds * c.out_rate);
      EXPECT_GE(frames + 4608, c.seconds * c.out_rate);
    }
    EXPECT_EQ(rates, c.rates);
    EXPECT_EQ(decoder.FramesFailed(), 0u);
    EXPECT_EQ(decoder.SkippedBytes(), 0u);
    EXPECT_NEAR(ToneFrequency(pcm, margin, frames - margin, c.out_rate), c.tone, 2);
    EXPECT_NEAR(ToneFrequency(pcm, margin, frames - margin, c.out_rate, 1), c.tone, 2);
    int16_t peak = 0;
    for (int16_t v : pcm) peak = std::max(peak, v);
    EXPECT_NEAR(peak, 16384, 400);  // made at half scale: 24 bits keep their top 16
  }
}

TEST(FlacDecoder, SyncsOnTheNextGoodFrameAfterAJoinMidFrameOrDamage) {
  const std::vector<uint8_t> file = Fixture("tone500-44k-16.flac");
  // Joined in the middle of a frame, without the stream's headers; later a
  // byte inside a frame is damaged (its CRC-16 no longer holds, so the frame
  // is dropped before the codec sees it); after a break the stream starts
  // again with its headers.
  std::vector<uint8_t> joined(file.begin() + 20000, file.end());
  joined[30000] ^= 0x40;
  BreakingInput input;
  input.Add(joined);
  input.Add(file);
  input.breaks.push_back(joined.size());
  std::vector<uint32_t> rates;
  FlacDecoder decoder(input, std::make_unique<InterpolatingConverter>(&rates), 44100);
  const std::vector<int16_t> pcm = RenderToEnd(decoder);
  EXPECT_EQ(decoder.FramesFailed(), 0u);
  EXPECT_GT(decoder.SkippedBytes(), 4608u * 2 / 8);  // the partial frame and the damaged one
  const size_t frames = pcm.size() / 2;
  EXPECT_GT(frames, 3 * 44100u);
  EXPECT_LT(frames, 6 * 44100u - 3 * 4608);
  EXPECT_NEAR(ToneFrequency(pcm, 4410, frames - 4410, 44100), 500, 3);
}

TEST(StreamTitles, ComeFromOpusTagsOggFlacAndNativeFlacHeaders) {
  OggTitles titles;
  EXPECT_EQ(titles.Feed(Fixture("tone600-48k.opus")), "StreamTitle='Opus Artist - Tone 600';");
  EXPECT_EQ(titles.Feed(Fixture("tone900-48k-mono.opus")), "StreamTitle='Second Opus - Tone 900';");
  EXPECT_EQ(titles.Feed(Fixture("tone800-48k-16.oga")), "StreamTitle='Ogg Flac - Tone 800';");
  EXPECT_EQ(titles.Feed(Fixture("tone650-44k-24-mono.oga")), "StreamTitle='Ogg Flac - Tone 650';");
  const std::vector<uint8_t> flac = Fixture("tone700-48k-24-mono.flac");
  {
    // Native FLAC: its headers (here with 8 KiB of padding) come in small reads.
    OggTitles native;
    std::optional<std::string> title;
    for (size_t at = 0; at < 20000 && !title; at += 1000)
      title = native.Feed(std::span(flac).subspan(at, 1000));
    EXPECT_EQ(title, "StreamTitle='Tone 700';");
  }
  FlacHeaders headers;
  ASSERT_EQ(ParseFlacHeaders(flac, flac.size(), headers), FlacHeadersResult::kDone);
  ASSERT_TRUE(headers.comments);
  EXPECT_EQ(VorbisTitleMeta(*headers.comments), "StreamTitle='Tone 700';");
  EXPECT_EQ(headers.info.bits, 24u);
  EXPECT_EQ(headers.info.sample_rate, 48000u);
  EXPECT_EQ(headers.info.channels, 1u);
  // Cut short, the headers are awaited; a length past the limit is refused.
  EXPECT_EQ(ParseFlacHeaders(std::span(flac).first(headers.bytes - 1), flac.size(), headers),
            FlacHeadersResult::kNeedMore);
  EXPECT_EQ(ParseFlacHeaders(flac, headers.bytes - 1, headers), FlacHeadersResult::kInvalid);
  // What the probe tells of each.
  auto opus = ProbeOgg(Fixture("tone900-48k-mono.opus"));
  ASSERT_TRUE(opus);
  EXPECT_EQ(opus->codec, AudioCodec::kOpus);
  EXPECT_EQ(opus->sample_rate, 48000u);
  EXPECT_EQ(opus->channels, 1u);
  auto ogg_flac = ProbeOgg(Fixture("tone650-44k-24-mono.oga"));
  ASSERT_TRUE(ogg_flac);
  EXPECT_EQ(ogg_flac->codec, AudioCodec::kFlac);
  EXPECT_EQ(ogg_flac->sample_rate, 44100u);
}

}  // namespace

namespace {

// HE-AAC's ADTS headers describe the core stream (AAC-LC at half the rate; v2
// with one channel, parametric stereo making two): the framing reports that, as
// coded, and its bit rate; the system decoder doubles the rate.
TEST(HeAacFraming, ReportsTheCoreRateChannelsAndBitRate) {
  const struct {
    const char* file;
    uint32_t channels, kbps;
  } cases[] = {{"tone740-44k-he1.aac", 2, 48}, {"tone370-44k-he2.aac", 1, 32}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::vector<uint8_t> data = Fixture(c.file);
    std::optional<StreamFormat> f = ProbeFormat(data, AudioCodec::kUnknown);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->codec, AudioCodec::kAac);
    EXPECT_EQ(f->sample_rate, 22050u);
    EXPECT_EQ(f->channels, c.channels);
    EXPECT_EQ(f->offset, 0u);
    EXPECT_NEAR(double(f->bitrate), c.kbps * 1000.0, c.kbps * 60.0);
  }
}

}  // namespace
