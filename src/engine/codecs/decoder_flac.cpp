#include "engine/codecs/decoder_flac.h"

#include <cstring>

FlacDecoder::FlacDecoder(CompressedInput& input, std::unique_ptr<RateConverter> converter, uint32_t out_rate)
    : input_(input), stage_(std::move(converter), out_rate), read_buffer_(kDecoderReadBytes) {}

size_t FlacDecoder::Render(int16_t* out, size_t frames) {
  while (stage_.Frames() < frames) {
    const uint64_t before = frames_decoded_ + frames_failed_;
    Drain();
    if (frames_decoded_ + frames_failed_ != before) continue;
    // Bytes that do not continue the ones before (a reconnection without
    // overlap): the partial frame or page before them is dropped.
    if (input_.TakeDiscontinuity()) {
      sync_.Reset();
      reader_.Reset();
      stage_.Restart();
    }
    const size_t got = input_.Read(read_buffer_.data(), read_buffer_.size());
    if (got == 0) break;  // dry: hand out what there is
    Push({read_buffer_.data(), got});
  }
  return stage_.Take(out, frames);
}

void FlacDecoder::Push(std::span<const uint8_t> data) {
  if (mode_ == Mode::kUnknown) {
    first_.insert(first_.end(), data.begin(), data.end());
    if (first_.size() < 4) return;
    mode_ = std::memcmp(first_.data(), "OggS", 4) == 0 ? Mode::kOgg : Mode::kNative;
    data = first_;
  }
  if (mode_ == Mode::kOgg) reader_.Push(data);
  else sync_.Push(data);
  first_.clear();
  first_.shrink_to_fit();
}

// Decodes what the buffered bytes hold, up to the output's need.
void FlacDecoder::Drain() {
  if (mode_ == Mode::kNative) {
    if (std::optional<FlacFrame> frame = sync_.Next()) Decode(frame->bytes, frame->header);
  } else if (mode_ == Mode::kOgg) {
    while (std::optional<OggPage> page = reader_.Next()) {
      const uint64_t before = frames_decoded_ + frames_failed_;
      ConsumePage(*page);
      if (frames_decoded_ + frames_failed_ != before) return;
    }
  }
}

void FlacDecoder::ConsumePage(const OggPage& page) {
  if (page.bos) {
    // A new logical stream: a FLAC one replaces the one decoded so far.
    if (page.packets.empty() || !page.packets.front().first) return;
    std::optional<OggFlacHead> head = ParseOggFlacHead(page.packets.front().data);
    if (!head) return;
    ogg_info_ = head->info;
    serial_ = page.serial;
    stage_.Restart();
    return;
  }
  if (!ogg_info_ || page.serial != serial_) return;
  for (const OggPacket& packet : page.packets) {
    // Metadata blocks come before the frames; a frame starts with its sync code.
    const std::vector<uint8_t>& p = packet.data;
    if (p.size() < 2 || p[0] != 0xFF || (p[1] & 0xFE) != 0xF8) continue;
    FlacFrameHeader header;
    if (ParseFlacFrameHeader(p, &*ogg_info_, header) != FlacHeaderResult::kValid) {
      ++frames_failed_;
      continue;
    }
    Decode(p, header);
  }
}

void FlacDecoder::Decode(std::span<const uint8_t> frame, const FlacFrameHeader& header) {
  pcm_.clear();
  PcmFormat format;
  if (!codec_.Decode(frame, header, pcm_, format)) {
    ++frames_failed_;
    return;
  }
  ++frames_decoded_;
  if (!stage_.Append(pcm_, format)) ++frames_failed_;
}
