#include "engine/codecs/decoder_opus.h"

#include <algorithm>

OggOpusDecoder::OggOpusDecoder(CompressedInput& input, std::unique_ptr<RateConverter> converter, uint32_t out_rate)
    : input_(input), stage_(std::move(converter), out_rate), read_buffer_(kDecoderReadBytes) {}

size_t OggOpusDecoder::Render(int16_t* out, size_t frames) {
  while (stage_.Frames() < frames) {
    if (std::optional<OggPage> page = reader_.Next()) {
      Consume(*page);
      continue;
    }
    // Bytes that do not continue the ones before (a reconnection without
    // overlap): the partial page before them is dropped, and the codec's
    // state, which belongs to packets that do not precede these, goes.
    if (input_.TakeDiscontinuity()) {
      reader_.Reset();
      codec_.Reset();
      stage_.Restart();
    }
    const size_t got = input_.Read(read_buffer_.data(), read_buffer_.size());
    if (got == 0) break;  // dry: hand out what there is
    reader_.Push({read_buffer_.data(), got});
  }
  return stage_.Take(out, frames);
}

void OggOpusDecoder::Consume(const OggPage& page) {
  if (page.bos) {
    // A new logical stream: an Opus one replaces the stream decoded so far;
    // others are not for this decoder.
    if (page.packets.empty() || !page.packets.front().first) return;
    std::optional<OpusHead> head = ParseOpusHead(page.packets.front().data);
    if (!head) return;
    have_stream_ = true;
    serial_ = page.serial;
    next_sequence_ = page.sequence + 1;
    packets_ = uint32_t(page.packets.size());
    skip_ = head->pre_skip;
    decoded_ = 0;
    stage_.Restart();  // the new stream starts the converter afresh
    ++streams_opened_;
    if (!codec_.Open(*head)) ++packets_failed_;
    return;
  }
  if (!have_stream_ || page.serial != serial_ || !codec_.IsOpen()) return;
  const bool lost = page.sequence != next_sequence_;
  next_sequence_ = page.sequence + 1;
  if (lost) codec_.Reset();
  const uint32_t channels = codec_.Channels();
  pcm_.clear();
  int64_t page_samples = 0;
  for (const OggPacket& packet : page.packets) {
    if (packets_++ < 2) continue;  // OpusTags (the titles are read on the download side)
    const int n = codec_.Decode(packet.data, pcm_);
    if (n < 0) {
      ++packets_failed_;
      continue;
    }
    page_samples += n;
  }
  size_t begin = 0, end = pcm_.size() / channels;
  // The last page's granule position tells where the stream ends: what was
  // decoded past it is the encoder's padding.
  if (page.eos && page.granule >= 0 && !lost) {
    const int64_t excess = decoded_ + page_samples - page.granule;
    if (excess > 0) end -= size_t(std::min<int64_t>(excess, int64_t(end)));
  }
  decoded_ = page.granule >= 0 ? page.granule : decoded_ + page_samples;
  const size_t drop = std::min<size_t>(skip_, end);
  skip_ -= uint32_t(drop);
  begin = drop;
  if (begin >= end) return;
  if (begin > 0 || end < pcm_.size() / channels) {
    pcm_.erase(pcm_.begin() + std::ptrdiff_t(end * channels), pcm_.end());
    pcm_.erase(pcm_.begin(), pcm_.begin() + std::ptrdiff_t(begin * channels));
  }
  PcmFormat format;
  format.rate = kOpusRate;
  format.channels = channels;
  format.mask = XiphChannelMask(channels);
  if (!stage_.Append(pcm_, format)) ++packets_failed_;
}
