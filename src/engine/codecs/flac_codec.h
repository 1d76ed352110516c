// One FLAC frame decoded through dr_flac. FLAC frames depend on no frame
// before them, so each whole frame is decoded on its own: dr_flac reads a
// STREAMINFO made from the frame's own header, then the frame, from memory.
// dr_flac is compiled in flac_codec.cpp only, the one file that sees its
// header. Portable.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/codecs/decoder_pipeline.h"
#include "engine/codecs/flac_sync.h"

class FlacCodec {
 public:
  // Decodes `frame` (header to CRC-16) that `header` describes, appending its
  // samples as interleaved 16 bits (24-bit samples lose their low byte) and
  // setting `format`. False when it does not decode whole (a bad CRC-16, a
  // broken subframe): nothing is appended then.
  bool Decode(std::span<const uint8_t> frame, const FlacFrameHeader& header, std::vector<int16_t>& pcm,
              PcmFormat& format);

 private:
  std::vector<uint8_t> stream_;  // scratch, reused: "fLaC", STREAMINFO, the frame
  std::vector<int16_t> out_;     // scratch, reused
};
