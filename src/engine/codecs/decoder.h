// Compressed audio in, PCM at the output rate out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "engine/formats/stream_format.h"
#include "engine/output/pcm_source.h"

// What a decoder reads compressed audio from: a stream's download buffer.
class CompressedInput {
 public:
  virtual ~CompressedInput() = default;
  // Copies up to `size` bytes of compressed audio into `dst` and returns how
  // many; 0 when nothing is buffered now. Never blocks. Output thread only.
  // A read never crosses a discontinuity.
  virtual size_t Read(uint8_t* dst, size_t size) = 0;
  // True, once, when the next byte starts audio that does not continue the
  // bytes before it (a reconnection without overlap): frames are found afresh.
  virtual bool TakeDiscontinuity() { return false; }
};

// Looks for three consecutive agreeing frame headers in `data`. `hint` (from
// the content type) is tried first; kUnknown tries MP3, then ADTS. Portable.
std::optional<StreamFormat> ProbeFormat(std::span<const uint8_t> data, AudioCodec hint);

// Whether a decoder for `codec` can be made here (the system codec exists and,
// for AAC, the plug-in was loaded). Any thread.
bool DecoderAvailable(AudioCodec codec);

// A decoder pulling from `input` (which it does not own; the caller keeps it
// alive for the decoder's life) and producing PCM at OutputRate(). It finds
// frame boundaries itself, resynchronises after garbage, and follows changes of
// sample rate and channels. Render() runs on the output thread.
std::unique_ptr<PcmSource> MakeDecoder(AudioCodec codec, CompressedInput& input);
