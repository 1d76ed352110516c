// What a stream's first bytes tell of its audio.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/net/audio_codec.h"

// The audio format found at the start of a stream.
struct StreamFormat {
  AudioCodec codec = AudioCodec::kUnknown;
  uint32_t sample_rate = 0;  // Hz, as coded (before HE-AAC's doubling)
  uint32_t channels = 0;
  uint32_t bitrate = 0;      // bits per second, averaged over the whole agreeing frames probed
  size_t offset = 0;         // bytes before the first of the agreeing frames
};
