#include "engine/codecs/decoder_vorbis.h"

#include <gtest/gtest.h>

#include <string>

#include "decoder_test_util.h"

namespace {

TEST(VorbisDecoder, DecodesARealFileToItsTone) {
  BreakingInput input;
  input.Add(Fixture("tone550-44k-q0.ogg"));
  std::vector<uint32_t> rates;
  VorbisDecoder decoder(input, std::make_unique<InterpolatingConverter>(&rates), 44100);
  const std::vector<int16_t> pcm = RenderToEnd(decoder);
  const size_t frames = pcm.size() / 2;
  EXPECT_NEAR(double(frames), 3 * 44100.0, 2048);
  EXPECT_NEAR(ToneFrequency(pcm, 4410, frames - 4410, 44100), 550, 3);
  EXPECT_TRUE(rates.empty());  // at the output rate: no conversion
  EXPECT_EQ(decoder.StreamsOpened(), 1u);
  EXPECT_EQ(decoder.PagesFailed(), 0u);
  // Both channels carry it.
  int16_t peak_right = 0;
  for (size_t i = 1; i < pcm.size(); i += 2) peak_right = std::max(peak_right, pcm[i]);
  EXPECT_GT(peak_right, 8000);
}

TEST(VorbisDecoder, FollowsAChainedStreamWithAnotherRateAndChannelCount) {
  BreakingInput input;
  input.Add(Fixture("tone550-44k-q0.ogg"));
  input.Add(Fixture("tone770-22k-mono.ogg"));  // same serial number: it starts again
  std::vector<uint32_t> rates;
  VorbisDecoder decoder(input, std::make_unique<InterpolatingConverter>(&rates), 44100);
  const std::vector<int16_t> pcm = RenderToEnd(decoder);
  const size_t frames = pcm.size() / 2;
  EXPECT_NEAR(double(frames), 5 * 44100.0, 4096);
  EXPECT_NEAR(ToneFrequency(pcm, 4410, 3 * 44100 - 4410, 44100), 550, 3);
  EXPECT_NEAR(ToneFrequency(pcm, 3 * 44100 + 4410, frames - 4410, 44100), 770, 4);
  EXPECT_EQ(rates, std::vector<uint32_t>{22050});
  EXPECT_EQ(decoder.StreamsOpened(), 2u);
  EXPECT_EQ(decoder.SampleRate(), 22050u);
  EXPECT_EQ(decoder.Channels(), 1u);
}

TEST(VorbisDecoder, ResumesAfterABreakInTheMiddleOfAPage) {
  const std::vector<uint8_t> file = Fixture("tone550-44k-q0.ogg");
  BreakingInput input;
  // The stream up to the middle of its third page, then (a reconnection
  // without overlap) from the middle of its second page to the end.
  std::vector<uint8_t> first(file.begin(), file.begin() + 5000);
  std::vector<uint8_t> second(file.begin() + 2000, file.end());
  input.Add(first);
  input.Add(second);
  input.breaks.push_back(first.size());
  std::vector<uint32_t> rates;
  VorbisDecoder decoder(input, std::make_unique<InterpolatingConverter>(&rates), 44100);
  const std::vector<int16_t> pcm = RenderToEnd(decoder);
  EXPECT_GT(pcm.size() / 2, 44100u);
  EXPECT_NEAR(ToneFrequency(pcm, 4410, pcm.size() / 2 - 4410, 44100), 550, 5);
  EXPECT_EQ(decoder.StreamsOpened(), 1u);
  EXPECT_GT(decoder.SkippedBytes(), 0u);
}

TEST(VorbisDecoder, StaysSilentOnAStreamThatIsNotVorbisOrHasBrokenHeaders) {
  std::vector<uint8_t> file = Fixture("tone550-44k-q0.ogg");
  // Garble the setup header (inside the second page) but keep its CRC right,
  // so that the page arrives and the codec refuses it.
  for (size_t i = 200; i < 3000; ++i) file[i] = uint8_t(i * 7);
  const size_t crc_at = 58 + 22;
  uint32_t crc = OggCrc(std::span<const uint8_t>(file.data() + 58, 3895));
  for (int i = 0; i < 4; ++i) file[crc_at + i] = uint8_t(crc >> (8 * i));
  BreakingInput input;
  input.Add(file);
  std::vector<uint32_t> rates;
  VorbisDecoder decoder(input, std::make_unique<InterpolatingConverter>(&rates), 44100);
  const std::vector<int16_t> pcm = RenderToEnd(decoder);
  EXPECT_TRUE(pcm.empty());
  EXPECT_GT(decoder.PagesFailed(), 0u);
}

}  // namespace

namespace {

// A comment header that claims more comments than it holds (a hostile or
// broken stream): the stream is refused before the codec reads it, which would
// try to allocate for them all and crash on its failure path.
TEST(VorbisDecoder, RefusesACommentHeaderWhoseCountOverrunsIt) {
  std::vector<uint8_t> file = Fixture("tone550-44k-q0.ogg");
  const size_t page = 58, body = page + kOggHeaderBytes + file[page + 26];
  ASSERT_EQ(file[body], 3);  // the comment header starts the second page
  const size_t vendor = file[body + 7] | file[body + 8] << 8 | file[body + 9] << 16 | size_t(file[body + 10]) << 24;
  const size_t count_at = body + 11 + vendor;
  for (int i = 0; i < 4; ++i) file[count_at + i] = i == 3 ? 0x7f : 0xff;
  size_t len = kOggHeaderBytes + file[page + 26];
  for (size_t i = 0; i < file[page + 26]; ++i) len += file[page + kOggHeaderBytes + i];
  const uint32_t crc = OggCrc(std::span<const uint8_t>(file.data() + page, len));
  for (int i = 0; i < 4; ++i) file[page + 22 + i] = uint8_t(crc >> (8 * i));
  // A good stream chained after it still plays.
  const std::vector<uint8_t> next = Fixture("tone770-22k-mono.ogg");
  file.insert(file.end(), next.begin(), next.end());
  BreakingInput input;
  input.Add(file);
  std::vector<uint32_t> rates;
  VorbisDecoder decoder(input, std::make_unique<InterpolatingConverter>(&rates), 44100);
  const std::vector<int16_t> pcm = RenderToEnd(decoder);
  EXPECT_GT(decoder.PagesFailed(), 0u);
  EXPECT_EQ(decoder.StreamsOpened(), 2u);
  EXPECT_NEAR(double(pcm.size() / 2), 2 * 44100.0, 2048);  // only the second stream
  EXPECT_NEAR(ToneFrequency(pcm, 4410, pcm.size() / 2 - 4410, 44100), 770, 4);
}

}  // namespace
