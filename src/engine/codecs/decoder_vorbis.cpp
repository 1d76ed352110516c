#include "engine/codecs/decoder_vorbis.h"

VorbisDecoder::VorbisDecoder(CompressedInput& input, std::unique_ptr<RateConverter> converter, uint32_t out_rate)
    : input_(input), stage_(std::move(converter), out_rate), read_buffer_(kDecoderReadBytes) {}

size_t VorbisDecoder::Render(int16_t* out, size_t frames) {
  while (stage_.Frames() < frames) {
    if (std::optional<OggPage> page = reader_.Next()) {
      Consume(*page);
      continue;
    }
    // Bytes that do not continue the ones before (a reconnection without
    // overlap): the partial page before them is dropped and the codec resumes
    // at the next whole packet; a new stream there brings its own headers.
    if (input_.TakeDiscontinuity()) {
      reader_.Reset();
      codec_.Flush();
      stage_.Restart();
    }
    const size_t got = input_.Read(read_buffer_.data(), read_buffer_.size());
    if (got == 0) break;  // dry: hand out what there is
    reader_.Push({read_buffer_.data(), got});
  }
  return stage_.Take(out, frames);
}

void VorbisDecoder::Consume(const OggPage& page) {
  if (page.bos) {
    // A new logical stream: a Vorbis one replaces the stream decoded so far;
    // others (Opus, Theora, a skeleton) are not for this decoder.
    if (page.packets.empty() || !page.packets.front().first ||
        OggStreamCodec(page.packets.front().data) != AudioCodec::kVorbis)
      return;
    have_stream_ = true;
    serial_ = page.serial;
    header_packets_ = 0;
    refused_ = false;
    codec_.Restart();
    stage_.Restart();  // the new stream starts the converter afresh
    ++streams_opened_;
  } else if (!have_stream_ || page.serial != serial_) {
    return;
  } else if (page.sequence != next_sequence_) {
    codec_.Flush();  // pages were lost: resume at the next whole packet
  }
  next_sequence_ = page.sequence + 1;
  if (refused_) return;
  // The comment header (the second packet) is checked here before the codec
  // sees it: every length in it must fit in the packet, so that a hostile
  // count or length cannot make the codec read or allocate past it.
  for (size_t i = 0; i < page.packets.size() && header_packets_ < 3; ++i) {
    if (++header_packets_ == 2 && !ParseVorbisComments(page.packets[i].data)) {
      refused_ = true;
      ++pages_failed_;
      return;
    }
  }
  pcm_.clear();
  PcmFormat format;
  if (!codec_.Feed(page.bytes, header_packets_ >= 3, pcm_, format)) {
    ++pages_failed_;
    return;
  }
  if (!pcm_.empty() && format.channels && format.rate && !stage_.Append(pcm_, format)) ++pages_failed_;
}
