#include "engine/output/pcm_convert.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

uint32_t DefaultChannelMask(uint32_t channels) {
  switch (channels) {
    case 1: return kSpeakerFrontCenter;
    case 2: return kSpeakerFrontLeft | kSpeakerFrontRight;
    case 3: return kSpeakerFrontLeft | kSpeakerFrontRight | kSpeakerFrontCenter;
    case 4: return kSpeakerFrontLeft | kSpeakerFrontRight | kSpeakerFrontCenter | kSpeakerBackCenter;
    case 5: return kSpeakerFrontLeft | kSpeakerFrontRight | kSpeakerFrontCenter | kSpeakerBackLeft |
                   kSpeakerBackRight;
    case 6: return kSpeakerFrontLeft | kSpeakerFrontRight | kSpeakerFrontCenter | kSpeakerLowFrequency |
                   kSpeakerBackLeft | kSpeakerBackRight;
    case 8: return kSpeakerFrontLeft | kSpeakerFrontRight | kSpeakerFrontCenter | kSpeakerLowFrequency |
                   kSpeakerBackLeft | kSpeakerBackRight | kSpeakerSideLeft | kSpeakerSideRight;
    default: return 0;
  }
}

void AppendAsStereo(const int16_t* in, size_t frames, uint32_t channels, uint32_t mask,
                    std::vector<int16_t>& out) {
  const size_t base = out.size();
  out.resize(base + frames * 2);
  int16_t* dst = out.data() + base;
  if (channels == 1) {
    for (size_t i = 0; i < frames; ++i) dst[2 * i] = dst[2 * i + 1] = in[i];
    return;
  }
  if (channels == 2) {
    std::memcpy(dst, in, frames * 2 * sizeof(int16_t));
    return;
  }
  if (mask == 0 || std::popcount(mask) != int(channels)) mask = DefaultChannelMask(channels);
  // Gains of each interleaved channel into left and right, in mask bit order.
  constexpr float kHalfPower = 0.70710678f;
  std::vector<float> gl(channels, 0.f), gr(channels, 0.f);
  uint32_t bits = mask;
  for (uint32_t ch = 0; ch < channels; ++ch) {
    const uint32_t speaker = bits ? (bits & (~bits + 1)) : 0;  // lowest set bit
    bits &= ~speaker;
    switch (speaker) {
      case kSpeakerFrontLeft: gl[ch] = 1.f; break;
      case kSpeakerFrontRight: gr[ch] = 1.f; break;
      case kSpeakerFrontCenter: case kSpeakerBackCenter: gl[ch] = gr[ch] = kHalfPower; break;
      case kSpeakerLowFrequency: break;
      case kSpeakerBackLeft: case kSpeakerSideLeft: gl[ch] = kHalfPower; break;
      case kSpeakerBackRight: case kSpeakerSideRight: gr[ch] = kHalfPower; break;
      default: gl[ch] = gr[ch] = kHalfPower * 0.5f; break;  // unknown speaker: spread it
    }
  }
  float sum_l = 0, sum_r = 0;
  for (uint32_t ch = 0; ch < channels; ++ch) sum_l += gl[ch], sum_r += gr[ch];
  const float scale = 1.f / std::max({sum_l, sum_r, 1.f});
  for (size_t i = 0; i < frames; ++i) {
    float l = 0, r = 0;
    for (uint32_t ch = 0; ch < channels; ++ch) {
      const float s = in[i * channels + ch];
      l += s * gl[ch];
      r += s * gr[ch];
    }
    dst[2 * i] = FloatToSample(l * scale);
    dst[2 * i + 1] = FloatToSample(r * scale);
  }
}

void PcmFifo::Append(const int16_t* stereo, size_t frames) {
  if (read_ > 0 && read_ >= samples_.size() / 2) {  // keep the vector from growing forever
    samples_.erase(samples_.begin(), samples_.begin() + ptrdiff_t(read_));
    read_ = 0;
  }
  samples_.insert(samples_.end(), stereo, stereo + frames * 2);
}

size_t PcmFifo::Take(int16_t* out, size_t frames) {
  const size_t n = std::min(frames, Frames());
  if (n == 0) return 0;
  std::memcpy(out, samples_.data() + read_, n * 2 * sizeof(int16_t));
  read_ += n * 2;
  if (read_ == samples_.size()) Clear();
  return n;
}

void PcmFifo::Clear() {
  samples_.clear();
  read_ = 0;
}

void MixAdd(const int16_t* src, size_t frames, int32_t* acc) {
  for (size_t i = 0; i < frames * 2; ++i) acc[i] += src[i];
}

void MixOut(const int32_t* acc, size_t frames, float volume, int16_t* out) {
  // Fixed point: a float multiply and rounding per sample costs far more on
  // the 32-bit target, and the output thread does this for every sample.
  constexpr int kShift = 24;
  constexpr int64_t kOne = int64_t(1) << kShift, kHalf = kOne / 2;
  const int64_t gain = volume >= 1.f ? kOne : volume > 0.f ? int64_t(double(volume) * double(kOne) + 0.5) : 0;
  for (size_t i = 0; i < frames * 2; ++i) {
    int64_t v;
    if (gain == kOne) {
      v = acc[i];
    } else {
      const int64_t p = int64_t(acc[i]) * gain;
      v = p >= 0 ? (p + kHalf) >> kShift : -((kHalf - p) >> kShift);
    }
    out[i] = int16_t(std::clamp<int64_t>(v, -32768, 32767));
  }
}
