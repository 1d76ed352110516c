#include "engine/codecs/flac_codec.h"

#include <dr_flac.h>

#include <memory>

namespace {

struct FlacCloser {
  void operator()(drflac* flac) const { drflac_close(flac); }
};

}  // namespace

bool FlacCodec::Decode(std::span<const uint8_t> frame, const FlacFrameHeader& header, std::vector<int16_t>& pcm,
                       PcmFormat& format) {
  if (header.channels == 0 || header.channels > 8 || header.block_size == 0 || header.bits < 4 ||
      header.bits > 32 || header.sample_rate == 0 || header.sample_rate >= (1u << 20))
    return false;
  // "fLaC", the last-block flag with type 0 (STREAMINFO) and its length, then
  // its 34 bytes: block sizes, frame sizes (unknown), rate, channels, bits,
  // total samples (unknown) and the MD5 (none).
  stream_.assign({'f', 'L', 'a', 'C', 0x80, 0, 0, uint8_t(kFlacStreamInfoBytes)});
  const uint32_t block = header.block_size;
  for (int i = 0; i < 2; ++i) {
    stream_.push_back(uint8_t(block >> 8));
    stream_.push_back(uint8_t(block));
  }
  stream_.insert(stream_.end(), 6, 0);
  const uint64_t packed = uint64_t(header.sample_rate) << 44 | uint64_t(header.channels - 1) << 41 |
                          uint64_t(header.bits - 1) << 36;
  for (int i = 7; i >= 0; --i) stream_.push_back(uint8_t(packed >> (8 * i)));
  stream_.insert(stream_.end(), 16, 0);
  stream_.insert(stream_.end(), frame.begin(), frame.end());

  std::unique_ptr<drflac, FlacCloser> flac(drflac_open_memory(stream_.data(), stream_.size(), nullptr));
  if (!flac || flac->channels != header.channels) return false;
  out_.resize(size_t(block) * header.channels);
  if (drflac_read_pcm_frames_s16(flac.get(), block, out_.data()) != block) return false;
  pcm.insert(pcm.end(), out_.begin(), out_.end());
  format.rate = header.sample_rate;
  format.channels = header.channels;
  format.mask = XiphChannelMask(header.channels);
  return true;
}
