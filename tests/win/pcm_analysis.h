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

namespace pcm {

// What a stepping test tone sounds like: the tone rises by `step_hz` every
// `step_seconds` from `base_hz`, `steps` steps in a loop. Heard as sent, each
// step follows the one before (wrapping after the last) and lasts the same; a
// repeat of audio steps back, lost audio skips steps, a gap is silence.
struct StepReport {
  size_t blocks = 0;         // blocks analysed
  size_t sounding = 0;       // blocks with sound
  size_t gaps = 0;           // silent blocks between the first and the last sounding one
  int backs = 0;             // a step followed by an earlier one: audio heard again
  int skips = 0;             // a step followed by a later one than the next: audio lost
  int irregular = 0;         // steps held more than 0.1 s longer or shorter than they were sent
  std::vector<int> steps;    // the step of each block; -1 ambiguous, -2 silent
};

inline StepReport AnalyseSteps(std::span<const int16_t> s, double rate, double base_hz = 400, double step_hz = 50,
                               int steps = 32, double step_seconds = 0.25, double block_seconds = 0.05) {
  StepReport r;
  const size_t n = size_t(rate * block_seconds);
  for (size_t at = 0; at + n <= s.size(); at += n) {
    const auto block = s.subspan(at, n);
    if (Rms(block) < 200) {
      r.steps.push_back(-2);
      continue;
    }
    const double hz = ZeroCrossingHz(block, rate);
    const int idx = int(std::lround((hz - base_hz) / step_hz));
    const bool clear = idx >= 0 && idx < steps && std::abs(hz - (base_hz + idx * step_hz)) < step_hz * 0.3;
    r.steps.push_back(clear ? idx : -1);
  }
  r.blocks = r.steps.size();
  size_t first = r.blocks, last = 0;
  for (size_t i = 0; i < r.blocks; ++i) {
    if (r.steps[i] == -2) continue;
    ++r.sounding;
    first = std::min(first, i);
    last = i;
  }
  for (size_t i = first; i < last; ++i) r.gaps += r.steps[i] == -2;
  // Runs of one step; ambiguous blocks (a step's edge) count half to each side.
  struct Run {
    int step;
    double blocks;
  };
  std::vector<Run> runs;
  for (size_t i = 0; i < r.blocks; ++i) {
    const int v = r.steps[i];
    if (v == -1) {
      if (!runs.empty()) runs.back().blocks += 0.5;
      continue;
    }
    if (v == -2) {
      runs.push_back({-2, 1});
      continue;
    }
    if (!runs.empty() && runs.back().step == v) {
      runs.back().blocks += 1;
    } else {
      const double carried = (i > 0 && r.steps[i - 1] == -1) ? 0.5 : 0;
      runs.push_back({v, 1 + carried});
    }
  }
  // A lone block of another step (50 ms) is not taken as a step of its own:
  // under load the sound path of the test machine blips that much now and
  // then, far from any join; what the engine could repeat or lose at a join is
  // longer.
  for (size_t k = 1; k + 1 < runs.size(); ++k) {
    // Also right after a gap: the first frames of a new run of audio.
    if (runs[k].step >= 0 && runs[k].blocks < 1.5 && runs[k - 1].step == -2 && runs[k + 1].step >= 0) {
      runs.erase(runs.begin() + std::ptrdiff_t(k));
      --k;
      continue;
    }
    if (runs[k].step >= 0 && runs[k].blocks < 1.5 && runs[k - 1].step >= 0 && runs[k + 1].step >= 0) {
      runs[k - 1].blocks += runs[k].blocks;
      runs.erase(runs.begin() + std::ptrdiff_t(k));
      if (runs[k - 1].step == runs[k].step) {
        runs[k - 1].blocks += runs[k].blocks;
        runs.erase(runs.begin() + std::ptrdiff_t(k));
      }
      --k;
    }
  }
  const double expected = step_seconds / block_seconds;
  int previous = -1;
  for (size_t k = 0; k < runs.size(); ++k) {
    if (runs[k].step < 0) continue;
    if (previous >= 0) {
      const int d = ((runs[k].step - previous) % steps + steps) % steps;
      if (d > steps / 2) ++r.backs;
      else if (d > 1) ++r.skips;
    }
    previous = runs[k].step;
    // Whole runs only (not the first or last heard, not next to silence), away from the loop's seam.
    const bool inner = k > 0 && k + 1 < runs.size() && runs[k - 1].step >= 0 && runs[k + 1].step >= 0;
    const bool seam = runs[k].step == 0 || runs[k].step == steps - 1;
    if (inner && !seam && std::abs(runs[k].blocks - expected) > 2.5) ++r.irregular;
  }
  return r;
}

}  // namespace pcm
