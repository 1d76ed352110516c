// The decoder of Ogg Opus streams: pages from the stream's bytes, the Opus
// logical stream among them, its packets decoded by OpusCodec at 48 kHz and
// turned into stereo at the output rate. Each stream's pre-skip is dropped
// from its start and, on its last page, what its granule position says lies
// past its end: chained tracks join without the encoder's padding. A new
// logical stream (a chained track) opens the codec afresh. Portable; the rate
// converter plugs in from the platform.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/codecs/decoder_pipeline.h"
#include "engine/codecs/opus_codec.h"
#include "engine/formats/ogg_reader.h"

class OggOpusDecoder : public PcmSource {
 public:
  OggOpusDecoder(CompressedInput& input, std::unique_ptr<RateConverter> converter, uint32_t out_rate);

  // Output thread.
  size_t Render(int16_t* out, size_t frames) override;

  // For tests and diagnostics.
  uint64_t StreamsOpened() const { return streams_opened_; }
  uint64_t PacketsFailed() const { return packets_failed_; }
  uint64_t SkippedBytes() const { return reader_.SkippedBytes(); }
  uint32_t Channels() const { return codec_.Channels(); }

 private:
  void Consume(const OggPage& page);

  CompressedInput& input_;
  OggReader reader_;
  OpusCodec codec_;
  PcmStage stage_;
  bool have_stream_ = false;    // an Opus stream's first page was seen
  uint32_t serial_ = 0;         // the Opus stream decoded
  uint32_t next_sequence_ = 0;  // the page number expected next in it
  uint32_t packets_ = 0;        // of the stream, seen so far (the two headers first)
  uint32_t skip_ = 0;           // samples per channel still to drop at the start
  int64_t decoded_ = 0;         // samples per channel decoded in the stream, as granule positions count
  std::vector<uint8_t> read_buffer_;
  std::vector<int16_t> pcm_;    // scratch, reused: one page's samples
  uint64_t streams_opened_ = 0;
  uint64_t packets_failed_ = 0;
};
