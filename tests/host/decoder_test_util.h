// What the tests of the Ogg and FLAC decoders share: fixture files, an input
// with breaks, a plain rate converter and a tone's frequency.
#pragma once

#include <algorithm>
#include <deque>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/codecs/decoder_pipeline.h"

inline std::vector<uint8_t> Fixture(const char* name) {
  std::ifstream in(std::string(VOLNAR_FIXTURES) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Bytes in, with breaks (reconnections without overlap) at given positions.
class BreakingInput : public CompressedInput {
 public:
  size_t Read(uint8_t* dst, size_t size) override {
    if (!breaks.empty()) size = std::min<size_t>(size, breaks.front() - taken);
    size_t n = 0;
    while (n < size && !bytes.empty()) {
      dst[n++] = bytes.front();
      bytes.pop_front();
    }
    taken += n;
    return n;
  }
  bool TakeDiscontinuity() override {
    if (breaks.empty() || breaks.front() != taken) return false;
    breaks.pop_front();
    return true;
  }
  void Add(const std::vector<uint8_t>& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
  std::deque<uint8_t> bytes;
  std::deque<size_t> breaks;
  size_t taken = 0;
};

// Linear interpolation: enough to keep a tone's frequency; remembers the rates asked for.
struct InterpolatingConverter : RateConverter {
  std::vector<uint32_t>* configured;
  uint32_t in = 0, out = 0;
  double phase = 0;
  explicit InterpolatingConverter(std::vector<uint32_t>* c) : configured(c) {}
  bool Configure(uint32_t in_rate, uint32_t out_rate) override {
    configured->push_back(in_rate);
    in = in_rate;
    out = out_rate;
    phase = 0;
    return true;
  }
  bool Convert(const int16_t* stereo, size_t frames, std::vector<int16_t>& result) override {
    const double step = double(in) / out;
    for (; phase + 1 < double(frames); phase += step) {
      const size_t i = size_t(phase);
      const double f = phase - double(i);
      for (int c = 0; c < 2; ++c)
        result.push_back(int16_t(stereo[2 * i + c] * (1 - f) + stereo[2 * (i + 1) + c] * f));
    }
    phase -= double(frames);
    if (phase < 0) phase = 0;
    return true;
  }
};

// Everything a decoder gives until it runs dry, as stereo frames.
inline std::vector<int16_t> RenderToEnd(PcmSource& decoder) {
  std::vector<int16_t> all;
  int16_t buf[2 * 1024];
  for (;;) {
    const size_t n = decoder.Render(buf, 1024);
    all.insert(all.end(), buf, buf + 2 * n);
    if (n < 1024) return all;
  }
}

// The tone's frequency in channel `channel` of frames [from, to), by rising zero crossings.
inline double ToneFrequency(const std::vector<int16_t>& stereo, size_t from, size_t to, uint32_t rate,
                            int channel = 0) {
  int crossings = 0;
  size_t first = 0, last = 0;
  for (size_t i = from + 1; i < to; ++i) {
    if (stereo[2 * (i - 1) + channel] < 0 && stereo[2 * i + channel] >= 0) {
      if (!crossings) first = i;
      last = i;
      ++crossings;
    }
  }
  if (crossings < 2) return 0;
  return double(crossings - 1) * rate / double(last - first);
}
