// The part of every decoder that does not depend on the codec: pull compressed
// bytes, cut them into frames, decode each through a FrameCodec, turn the PCM
// into stereo, convert it to the output rate and keep it until Render asks.
// Portable; the system codecs and the rate converter plug in from *_win.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/codecs/decoder.h"
#include "engine/codecs/frame_sync.h"
#include "engine/output/pcm_convert.h"

inline constexpr size_t kDecoderReadBytes = 4096;  // bytes a decoder pulls from its input at a time

// The PCM layout a codec produced.
struct PcmFormat {
  uint32_t rate = 0;      // Hz
  uint32_t channels = 0;
  uint32_t mask = 0;      // speaker bits, 0 = the usual layout for `channels`
};

// The speakers of `channels` channels in the order FLAC gives them (and the
// Opus decoder, reordered from Vorbis order): WAVE order, as the mask's bits.
constexpr uint32_t XiphChannelMask(uint32_t channels) {
  constexpr uint32_t kFront = kSpeakerFrontLeft | kSpeakerFrontRight;
  constexpr uint32_t kBack = kSpeakerBackLeft | kSpeakerBackRight;
  constexpr uint32_t kSide = kSpeakerSideLeft | kSpeakerSideRight;
  constexpr uint32_t kCentre = kSpeakerFrontCenter, kLfe = kSpeakerLowFrequency;
  switch (channels) {
    case 3: return kFront | kCentre;
    case 4: return kFront | kBack;
    case 5: return kFront | kCentre | kBack;
    case 6: return kFront | kCentre | kLfe | kBack;
    case 7: return kFront | kCentre | kLfe | kSpeakerBackCenter | kSide;
    case 8: return kFront | kCentre | kLfe | kBack | kSide;
    default: return 0;  // mono and stereo: the usual layout
  }
}

// One codec. Called on the rendering thread only.
class FrameCodec {
 public:
  virtual ~FrameCodec() = default;
  // Prepares for frames of a new format (first frame, or rate/channels changed).
  virtual bool Open(const FrameInfo& format) = 0;
  // Decodes one whole frame, appending interleaved 16-bit PCM to `pcm` and
  // setting `format` to its layout. A codec with delay may append nothing.
  virtual bool Decode(const SyncedFrame& frame, std::vector<int16_t>& pcm, PcmFormat& format) = 0;
};

// Stereo 16-bit rate conversion. Called on the rendering thread only.
class RateConverter {
 public:
  virtual ~RateConverter() = default;
  virtual bool Configure(uint32_t in_rate, uint32_t out_rate) = 0;
  // Converts `frames` stereo frames; appends the result to `out`.
  virtual bool Convert(const int16_t* stereo, size_t frames, std::vector<int16_t>& out) = 0;
};

// The last stage of every decoder: decoded PCM of any layout and rate turned
// into stereo at the output rate, kept until Render takes it. A new input rate
// configures the converter afresh. Rendering thread only.
class PcmStage {
 public:
  PcmStage(std::unique_ptr<RateConverter> converter, uint32_t out_rate)
      : converter_(std::move(converter)), out_rate_(out_rate) {}

  // Appends `pcm`, laid out as `format`; false when it could not be converted
  // (nothing is appended then).
  bool Append(const std::vector<int16_t>& pcm, const PcmFormat& format);
  // The next audio does not continue the last: the converter's tail is dropped.
  void Restart() { converter_rate_ = 0; }
  size_t Frames() const { return fifo_.Frames(); }
  size_t Take(int16_t* out, size_t frames) { return fifo_.Take(out, frames); }

 private:
  std::unique_ptr<RateConverter> converter_;
  const uint32_t out_rate_;
  uint32_t converter_rate_ = 0;  // input rate the converter is configured for; 0 = none
  bool converter_ok_ = false;
  PcmFifo fifo_;
  std::vector<int16_t> stereo_, converted_;  // scratch, reused
};

class DecoderPipeline : public PcmSource {
 public:
  DecoderPipeline(AudioCodec codec, CompressedInput& input, std::unique_ptr<FrameCodec> frame_codec,
                  std::unique_ptr<RateConverter> converter, uint32_t out_rate);

  size_t Render(int16_t* out, size_t frames) override;

  // For tests and diagnostics.
  uint64_t FramesDecoded() const { return frames_decoded_; }
  uint64_t FramesFailed() const { return frames_failed_; }
  uint64_t SkippedBytes() const { return sync_.SkippedBytes(); }

 private:
  // Decodes one frame into the FIFO.
  void Consume(const SyncedFrame& frame);

  CompressedInput& input_;
  FrameSync sync_;
  std::unique_ptr<FrameCodec> codec_;
  PcmStage stage_;
  bool codec_open_ = false;
  std::vector<uint8_t> read_buffer_;
  std::vector<int16_t> pcm_;  // scratch, reused
  uint64_t frames_decoded_ = 0;
  uint64_t frames_failed_ = 0;
};
