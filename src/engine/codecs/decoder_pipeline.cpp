#include "engine/codecs/decoder_pipeline.h"

DecoderPipeline::DecoderPipeline(AudioCodec codec, CompressedInput& input,
                                 std::unique_ptr<FrameCodec> frame_codec,
                                 std::unique_ptr<RateConverter> converter, uint32_t out_rate)
    : input_(input),
      sync_(codec),
      codec_(std::move(frame_codec)),
      stage_(std::move(converter), out_rate),
      read_buffer_(kDecoderReadBytes) {}

size_t DecoderPipeline::Render(int16_t* out, size_t frames) {
  while (stage_.Frames() < frames) {
    if (auto frame = sync_.Next()) {
      Consume(*frame);
      continue;
    }
    // Audio that does not continue the bytes before it (a reconnection that
    // found no overlap): the partial frame before it is dropped, and the codec
    // starts afresh, as its state (the MP3 bit reservoir, the AAC overlap)
    // belongs to frames that do not precede these. A seamless join has no mark
    // and keeps everything.
    if (input_.TakeDiscontinuity()) {
      sync_.Reset();
      codec_open_ = false;
      stage_.Restart();
    }
    const size_t got = input_.Read(read_buffer_.data(), read_buffer_.size());
    if (got == 0) break;  // dry: hand out what there is
    sync_.Push({read_buffer_.data(), got});
  }
  return stage_.Take(out, frames);
}

void DecoderPipeline::Consume(const SyncedFrame& frame) {
  if (frame.format_changed || !codec_open_) {
    codec_open_ = codec_->Open(frame.info);
    stage_.Restart();  // a new format starts the converter afresh, without the old tail
  }
  pcm_.clear();
  PcmFormat format;
  if (!codec_open_ || !codec_->Decode(frame, pcm_, format) || format.channels == 0 || format.rate == 0) {
    ++frames_failed_;
    return;
  }
  ++frames_decoded_;
  if (!pcm_.empty() && !stage_.Append(pcm_, format)) ++frames_failed_;
}

bool PcmStage::Append(const std::vector<int16_t>& pcm, const PcmFormat& format) {
  stereo_.clear();
  AppendAsStereo(pcm.data(), pcm.size() / format.channels, format.channels, format.mask, stereo_);
  if (format.rate == out_rate_) {
    fifo_.Append(stereo_.data(), stereo_.size() / 2);
    return true;
  }
  if (format.rate != converter_rate_) {
    converter_rate_ = format.rate;
    converter_ok_ = converter_ && converter_->Configure(format.rate, out_rate_);
  }
  converted_.clear();
  if (!converter_ok_ || !converter_->Convert(stereo_.data(), stereo_.size() / 2, converted_)) return false;
  fifo_.Append(converted_.data(), converted_.size() / 2);
  return true;
}
