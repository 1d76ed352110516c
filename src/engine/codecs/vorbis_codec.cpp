#include "engine/codecs/vorbis_codec.h"

#include <algorithm>
#include <cstring>

#include "engine/output/pcm_convert.h"

// The decoder itself, compiled here once. Only the push interface is used.
#define STB_VORBIS_NO_PULLDATA_API
#define STB_VORBIS_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wunused-value"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmisleading-indentation"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <stb_vorbis.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
// The header leaves its short macro names defined.
#undef L
#undef C
#undef R

namespace {

// Bytes waiting for the decoder beyond which it is taken to be stuck (Vorbis
// pages are at most 64 KiB and headers a few pages).
constexpr size_t kMaxPendingBytes = 1 << 20;
// The decoder's memory comes from an arena of ours rather than the heap, so
// that headers it refuses half-way leave nothing behind (its own failure paths
// do not free everything they took). It grows while the headers ask for more.
// Encoders' setup headers need about 200 KiB; the comments need room too
// (cover art: up to kMaxPendingBytes, a pointer and a copy of each). The cap is
// also what a hostile setup can make the codec build, and a chained stream
// asks again with every new logical stream, so it is kept near that need
// rather than far beyond it.
constexpr size_t kFirstArenaBytes = 256 * 1024;
constexpr size_t kMaxArenaBytes = 8 * 1024 * 1024;

stb_vorbis* Handle(void* h) { return static_cast<stb_vorbis*>(h); }

struct Layout {
  uint32_t mask;
  int order[8];  // order[i] = the Vorbis channel that goes to interleaved slot i
};

// Vorbis orders its channels front left, centre, front right, then the
// surrounds and LFE last; the stereo mix expects the speaker-bit order.
const Layout* LayoutFor(uint32_t channels) {
  static constexpr Layout kLayouts[] = {
      {0, {0}},  // mono and stereo: the usual layout
      {0, {0, 1}},
      {kSpeakerFrontLeft | kSpeakerFrontRight | kSpeakerFrontCenter, {0, 2, 1}},
      {kSpeakerFrontLeft | kSpeakerFrontRight | kSpeakerBackLeft | kSpeakerBackRight, {0, 1, 2, 3}},
      {kSpeakerFrontLeft | kSpeakerFrontRight | kSpeakerFrontCenter | kSpeakerBackLeft | kSpeakerBackRight,
       {0, 2, 1, 3, 4}},
      {kSpeakerFrontLeft | kSpeakerFrontRight | kSpeakerFrontCenter | kSpeakerLowFrequency | kSpeakerBackLeft |
           kSpeakerBackRight,
       {0, 2, 1, 5, 3, 4}},
      {kSpeakerFrontLeft | kSpeakerFrontRight | kSpeakerFrontCenter | kSpeakerLowFrequency | kSpeakerBackCenter |
           kSpeakerSideLeft | kSpeakerSideRight,
       {0, 2, 1, 6, 5, 3, 4}},
      {kSpeakerFrontLeft | kSpeakerFrontRight | kSpeakerFrontCenter | kSpeakerLowFrequency | kSpeakerBackLeft |
           kSpeakerBackRight | kSpeakerSideLeft | kSpeakerSideRight,
       {0, 2, 1, 7, 5, 6, 3, 4}},
  };
  return channels >= 1 && channels <= 8 ? &kLayouts[channels - 1] : nullptr;
}

}  // namespace

VorbisCodec::~VorbisCodec() { Close(); }

void VorbisCodec::Close() {
  if (handle_) stb_vorbis_close(Handle(handle_));
  handle_ = nullptr;
}

void VorbisCodec::Restart() {
  Close();
  failed_ = false;
  rate_ = channels_ = 0;
  pending_.clear();
}

void VorbisCodec::Flush() {
  pending_.clear();
  if (handle_) stb_vorbis_flush_pushdata(Handle(handle_));
}

bool VorbisCodec::Feed(std::span<const uint8_t> page, bool headers_complete, std::vector<int16_t>& pcm,
                       PcmFormat& format) {
  if (failed_) return false;
  pending_.insert(pending_.end(), page.begin(), page.end());
  if (pending_.size() > kMaxPendingBytes) {
    // Nothing decodes: start over at the next page.
    Flush();
    return false;
  }
  size_t used = 0;
  if (!handle_) {
    // The headers are parsed from the stream's first bytes once all three are
    // in (a header cut short would be read as one with other sizes).
    if (!headers_complete) return true;
    int consumed = 0, error = 0;
    stb_vorbis* f = nullptr;
    // Room for the comments at least (a pointer and a copy of each).
    arena_.resize(std::max(arena_.size(), kFirstArenaBytes + 4 * pending_.size()));
    for (;;) {
      stb_vorbis_alloc alloc{arena_.data(), static_cast<int>(arena_.size())};
      f = stb_vorbis_open_pushdata(pending_.data(), static_cast<int>(pending_.size()), &consumed, &error, &alloc);
      if (f || error != VORBIS_outofmem || arena_.size() >= kMaxArenaBytes) break;
      arena_.resize(arena_.size() * 2);
    }
    if (!f) {
      if (error == VORBIS_need_more_data) return true;
      failed_ = true;
      pending_.clear();
      return false;
    }
    handle_ = f;
    const stb_vorbis_info info = stb_vorbis_get_info(f);
    rate_ = info.sample_rate;
    channels_ = static_cast<uint32_t>(info.channels);
    used = static_cast<size_t>(consumed);
  }
  const Layout* layout = LayoutFor(channels_);
  while (used < pending_.size()) {
    int channels = 0, samples = 0;
    float** out = nullptr;
    const int n = stb_vorbis_decode_frame_pushdata(Handle(handle_), pending_.data() + used,
                                                   static_cast<int>(pending_.size() - used), &channels, &out,
                                                   &samples);
    if (n <= 0) break;  // the next packet is not complete yet
    used += static_cast<size_t>(n);
    if (samples <= 0 || !out || channels <= 0) continue;
    // More than eight channels has no defined layout: the first two play.
    const uint32_t kept = layout ? static_cast<uint32_t>(channels) : std::min<uint32_t>(channels, 2);
    const size_t base = pcm.size();
    pcm.resize(base + static_cast<size_t>(samples) * kept);
    int16_t* dst = pcm.data() + base;
    for (int i = 0; i < samples; ++i) {
      for (uint32_t c = 0; c < kept; ++c) {
        const int from = layout ? layout->order[c] : static_cast<int>(c);
        *dst++ = FloatToSample(out[from][i] * 32768.f);
      }
    }
    format.rate = rate_;
    format.channels = kept;
    format.mask = layout ? layout->mask : 0;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
  return true;
}
