// What a block of 16-bit PCM sounds like: level, pitch, distortion. Shared by
// the Windows tests that listen to decoders and to the captured output.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <span>
#include <string>
#include <vector>

namespace pcm {

// One channel out of interleaved samples.
inline std::vector<int16_t> Channel(std::span<const int16_t> interleaved, int channels, int which) {
  std::vector<int16_t> out;
  out.reserve(interleaved.size() / channels);
  for (size_t i = which; i < interleaved.size(); i += channels) out.push_back(interleaved[i]);
  return out;
}

inline double Rms(std::span<const int16_t> s) {
  if (s.empty()) return 0;
  double sum = 0;
  for (int16_t v : s) sum += double(v) * v;
  return std::sqrt(sum / s.size());
}

inline int Peak(std::span<const int16_t> s) {
  int peak = 0;
  for (int16_t v : s) peak = std::max(peak, std::abs(int(v)));
  return peak;
}

// Frequency from rising zero crossings, interpolated between samples; good to
// a fraction of a hertz over a second of a clean tone.
inline double ZeroCrossingHz(std::span<const int16_t> s, double rate) {
  double first = -1, last = -1;
  int crossings = 0;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i - 1] < 0 && s[i] >= 0) {
      const double t = (i - 1) + double(-s[i - 1]) / (double(s[i]) - s[i - 1]);
      if (first < 0) first = t; else ++crossings;
      last = t;
    }
  }
  return crossings > 0 ? crossings * rate / (last - first) : 0;
}

// Power of one frequency (Goertzel), normalised by the length: a sine of
// amplitude A at `hz` gives A*A/4.
inline double GoertzelPower(std::span<const int16_t> s, double rate, double hz) {
  const double w = 2 * std::numbers::pi * hz / rate, c = 2 * std::cos(w);
  double s1 = 0, s2 = 0;
  for (int16_t v : s) {
    const double s0 = v + c * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return (s1 * s1 + s2 * s2 - c * s1 * s2) / (double(s.size()) * s.size());
}

// Share of the signal's power that is not the tone at `hz` (noise, harmonics,
// aliases): 0 for a pure tone. Goertzel power of a sine of amplitude A is A*A/4.
inline double NonToneShare(std::span<const int16_t> s, double rate, double hz) {
  const double total = Rms(s) * Rms(s);
  if (total <= 0) return 1;
  const double tone = 2 * GoertzelPower(s, rate, hz);  // A*A/2 = the tone's mean square
  return std::clamp(1 - tone / total, 0.0, 1.0);
}

// Reads a raw 16-bit file from byte `from` on (whole samples only).
inline std::vector<int16_t> ReadRaw(const std::wstring& path, uint64_t from = 0) {
  std::vector<int16_t> out;
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return out;
  _fseeki64(f, int64_t(from & ~uint64_t(1)), SEEK_SET);
  int16_t buf[4096];
  size_t n;
  while ((n = fread(buf, sizeof(int16_t), 4096, f)) > 0) out.insert(out.end(), buf, buf + n);
  fclose(f);
  return out;
}

}  // namespace pcm
