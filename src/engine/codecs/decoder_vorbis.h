// The decoder of Ogg Vorbis streams: pages from the stream's bytes, the Vorbis
// logical stream among them, decoded by VorbisCodec, turned into stereo at the
// output rate. A chained stream (a new logical stream with new headers, as
// radio servers start one for each track) reopens the codec, so the rate and
// channels may change from stream to stream. Portable; the rate converter
// plugs in from the platform.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/codecs/decoder_pipeline.h"
#include "engine/codecs/vorbis_codec.h"
#include "engine/formats/ogg_reader.h"

class VorbisDecoder : public PcmSource {
 public:
  VorbisDecoder(CompressedInput& input, std::unique_ptr<RateConverter> converter, uint32_t out_rate);

  // Output thread.
  size_t Render(int16_t* out, size_t frames) override;

  // For tests and diagnostics.
  uint64_t StreamsOpened() const { return streams_opened_; }
  uint64_t PagesFailed() const { return pages_failed_; }
  uint64_t SkippedBytes() const { return reader_.SkippedBytes(); }
  uint32_t SampleRate() const { return codec_.SampleRate(); }
  uint32_t Channels() const { return codec_.Channels(); }

 private:
  void Consume(const OggPage& page);

  CompressedInput& input_;
  OggReader reader_;
  VorbisCodec codec_;
  PcmStage stage_;
  bool have_stream_ = false;   // a Vorbis stream's first page was seen
  uint32_t serial_ = 0;        // the Vorbis stream decoded
  uint32_t next_sequence_ = 0; // the page number expected next in it
  int header_packets_ = 0;     // of the three the stream starts with, seen so far
  bool refused_ = false;       // the stream's comment header is malformed: not decoded
  std::vector<uint8_t> read_buffer_;
  std::vector<int16_t> pcm_;  // scratch, reused
  uint64_t streams_opened_ = 0;
  uint64_t pages_failed_ = 0;
};
