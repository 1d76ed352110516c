// The decoder of FLAC streams, native (audio/flac: "fLaC", metadata blocks,
// frames, found by FlacFrameSync) or in Ogg (a FLAC logical stream, one frame
// a packet, chained like any Ogg stream). Which of the two it is, the first
// bytes say: an Ogg stream starts with a page. Each frame is decoded by
// FlacCodec and turned into stereo at the output rate. Portable; the rate
// converter plugs in from the platform.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/codecs/decoder_pipeline.h"
#include "engine/codecs/flac_codec.h"
#include "engine/codecs/flac_sync.h"
#include "engine/formats/ogg_reader.h"

class FlacDecoder : public PcmSource {
 public:
  FlacDecoder(CompressedInput& input, std::unique_ptr<RateConverter> converter, uint32_t out_rate);

  // Output thread.
  size_t Render(int16_t* out, size_t frames) override;

  // For tests and diagnostics.
  bool InOgg() const { return mode_ == Mode::kOgg; }
  uint64_t FramesDecoded() const { return frames_decoded_; }
  uint64_t FramesFailed() const { return frames_failed_; }
  uint64_t SkippedBytes() const { return mode_ == Mode::kOgg ? reader_.SkippedBytes() : sync_.SkippedBytes(); }

 private:
  enum class Mode { kUnknown, kNative, kOgg };
  void Push(std::span<const uint8_t> data);
  void Drain();
  void ConsumePage(const OggPage& page);
  void Decode(std::span<const uint8_t> frame, const FlacFrameHeader& header);

  CompressedInput& input_;
  Mode mode_ = Mode::kUnknown;
  std::vector<uint8_t> first_;  // bytes held until there are enough to tell the mode
  FlacFrameSync sync_;          // native
  OggReader reader_;            // in Ogg
  std::optional<FlacStreamInfo> ogg_info_;  // in Ogg: the STREAMINFO of the stream decoded
  uint32_t serial_ = 0;                     // in Ogg: the FLAC stream decoded
  FlacCodec codec_;
  PcmStage stage_;
  std::vector<uint8_t> read_buffer_;
  std::vector<int16_t> pcm_;  // scratch, reused
  uint64_t frames_decoded_ = 0;
  uint64_t frames_failed_ = 0;
};
