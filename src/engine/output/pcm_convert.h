// The engine's PCM (pcm_source.h's 16-bit stereo): channel layouts to stereo
// and a FIFO of stereo frames for the decoders, and the output's mix. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Speaker bits of a channel mask, in the order interleaved channels appear
// (the WAVEFORMATEXTENSIBLE convention that the system decoders follow).
inline constexpr uint32_t kSpeakerFrontLeft = 0x1;
inline constexpr uint32_t kSpeakerFrontRight = 0x2;
inline constexpr uint32_t kSpeakerFrontCenter = 0x4;
inline constexpr uint32_t kSpeakerLowFrequency = 0x8;
inline constexpr uint32_t kSpeakerBackLeft = 0x10;
inline constexpr uint32_t kSpeakerBackRight = 0x20;
inline constexpr uint32_t kSpeakerBackCenter = 0x100;
inline constexpr uint32_t kSpeakerSideLeft = 0x200;
inline constexpr uint32_t kSpeakerSideRight = 0x400;

// The mask usually meant by a plain channel count (AAC channel configurations).
uint32_t DefaultChannelMask(uint32_t channels);

// Converts `frames` frames of `channels` interleaved channels laid out as
// `mask` (0 = DefaultChannelMask) into interleaved stereo appended to `out`.
// Mono goes to both sides; more channels are downmixed with centre and
// surrounds at -3 dB, the low-frequency channel dropped, and the sum scaled so
// that a full-scale signal in every channel cannot clip.
void AppendAsStereo(const int16_t* in, size_t frames, uint32_t channels, uint32_t mask,
                    std::vector<int16_t>& out);

// Stereo frames waiting to be rendered. One thread at a time.
class PcmFifo {
 public:
  void Append(const int16_t* stereo, size_t frames);
  // Copies up to `frames` frames into `out`; returns how many.
  size_t Take(int16_t* out, size_t frames);
  size_t Frames() const { return (samples_.size() - read_) / 2; }
  void Clear();

 private:
  std::vector<int16_t> samples_;
  size_t read_ = 0;  // samples already taken
};

// A float sample to 16 bits: clipped, then rounded to the nearest integer with
// halves away from zero (as lround, which the C runtime does slowly per call).
inline int16_t FloatToSample(float v) {
  if (!(v > -32768.f)) return v != v ? 0 : -32768;  // NaN gives 0
  if (v >= 32767.f) return 32767;
  // Exact in double; the conversion truncates toward zero.
  return int16_t(int(double(v) + (v < 0 ? -0.5 : 0.5)));
}

// The output mix: adds `frames` stereo frames of `src` into the accumulator.
void MixAdd(const int16_t* src, size_t frames, int32_t* acc);
// Scales the accumulated mix by `volume` (in steps of 2^-24) and clips it to
// 16 bits, rounding halves away from zero.
void MixOut(const int32_t* acc, size_t frames, float volume, int16_t* out);
