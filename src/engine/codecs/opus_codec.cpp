#include "engine/codecs/opus_codec.h"

#include <opus_multistream.h>

namespace {

constexpr int kMaxPacketSamples = 5760;  // 120 ms at 48 kHz, the longest packet

OpusMSDecoder* Ms(void* p) { return static_cast<OpusMSDecoder*>(p); }

// Output channel (in WAVE order, as XiphChannelMask lays them out) to the
// channel of the Vorbis order that mapping family 1 uses.
constexpr uint8_t kVorbisToWave[9][8] = {
    {}, {0}, {0, 1}, {0, 2, 1}, {0, 1, 2, 3}, {0, 2, 1, 3, 4}, {0, 2, 1, 5, 3, 4},
    {0, 2, 1, 6, 5, 3, 4}, {0, 2, 1, 7, 5, 6, 3, 4},
};

}  // namespace

OpusCodec::~OpusCodec() { Close(); }

void OpusCodec::Close() {
  if (decoder_) opus_multistream_decoder_destroy(Ms(decoder_));
  decoder_ = nullptr;
  channels_ = 0;
}

bool OpusCodec::Open(const OpusHead& head) {
  Close();
  if (head.channels == 0 || head.channels > 8) return false;
  unsigned char mapping[8];
  for (uint32_t i = 0; i < head.channels; ++i)
    mapping[i] = head.mapping_family == 1 ? head.mapping[kVorbisToWave[head.channels][i]] : head.mapping[i];
  int error = OPUS_OK;
  OpusMSDecoder* decoder = opus_multistream_decoder_create(kOpusRate, int(head.channels), int(head.streams),
                                                           int(head.coupled), mapping, &error);
  if (!decoder || error != OPUS_OK) return false;
  if (head.output_gain != 0 && opus_multistream_decoder_ctl(decoder, OPUS_SET_GAIN(head.output_gain)) != OPUS_OK) {
    opus_multistream_decoder_destroy(decoder);
    return false;
  }
  decoder_ = decoder;
  channels_ = head.channels;
  out_.resize(size_t(kMaxPacketSamples) * channels_);
  return true;
}

void OpusCodec::Reset() {
  if (decoder_) opus_multistream_decoder_ctl(Ms(decoder_), OPUS_RESET_STATE);
}

int OpusCodec::Decode(std::span<const uint8_t> packet, std::vector<int16_t>& pcm) {
  if (!decoder_ || packet.empty() || packet.size() > 0x7fffffff) return -1;
  const int n = opus_multistream_decode(Ms(decoder_), packet.data(), opus_int32(packet.size()), out_.data(),
                                        kMaxPacketSamples, 0);
  if (n < 0) return -1;
  pcm.insert(pcm.end(), out_.begin(), out_.begin() + std::ptrdiff_t(size_t(n) * channels_));
  return n;
}
