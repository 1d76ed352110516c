// One Opus stream's packets decoded through libopus (its multistream decoder,
// which also takes the plain mono and stereo streams), always at 48 kHz.
// libopus is reached from opus_codec.cpp only, the one file that sees its
// header. Portable.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/formats/ogg_reader.h"

inline constexpr uint32_t kOpusRate = 48000;  // Hz: what Opus always decodes to

class OpusCodec {
 public:
  OpusCodec() = default;
  ~OpusCodec();
  OpusCodec(const OpusCodec&) = delete;
  OpusCodec& operator=(const OpusCodec&) = delete;

  // A new stream: the decoder for `head` (its channels, mapping and gain),
  // with the output channels put in the order the speaker mask of
  // XiphChannelMask names. False when libopus refuses it.
  bool Open(const OpusHead& head);
  void Close();
  bool IsOpen() const { return decoder_ != nullptr; }
  // Packets were lost: the next one does not continue the last.
  void Reset();
  // Decodes one packet, appending interleaved 16-bit samples; the samples per
  // channel, or -1 when the packet is not a valid one.
  int Decode(std::span<const uint8_t> packet, std::vector<int16_t>& pcm);
  uint32_t Channels() const { return channels_; }

 private:
  void* decoder_ = nullptr;  // the libopus multistream decoder
  uint32_t channels_ = 0;
  std::vector<int16_t> out_;  // scratch: the longest packet's samples
};
