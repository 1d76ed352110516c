#include "engine/codecs/frame_sync.h"

#include <algorithm>

#include "engine/codecs/flac_sync.h"
#include "engine/formats/ogg_reader.h"

namespace {

// Layer III bit rates in kbit/s, by bit rate index; 0 = free format (refused).
constexpr uint16_t kMp3BitratesV1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr uint16_t kMp3BitratesV2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr uint32_t kMp3RatesV1[3] = {44100, 48000, 32000};

constexpr uint32_t kAdtsRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                     22050, 16000, 12000, 11025, 8000,  7350};
constexpr uint32_t kAdtsChannels[8] = {0, 1, 2, 3, 4, 5, 6, 8};

// Bytes a header check needs before it can say anything.
size_t HeaderNeed(AudioCodec codec) { return codec == AudioCodec::kMp3 ? kMp3HeaderBytes : kAdtsHeaderBytes; }

enum class Chain { kAgree, kBroken, kNeedMore };

// Checks that the headers at `pos`, after it and after that agree with `first`.
Chain CheckChain(AudioCodec codec, std::span<const uint8_t> data, size_t pos, const FrameInfo& first) {
  size_t at = pos + first.frame_bytes;
  for (int i = 1; i < 3; ++i) {
    if (data.size() < at + HeaderNeed(codec)) return Chain::kNeedMore;
    std::optional<FrameInfo> next = ParseHeader(codec, data.data() + at, data.size() - at);
    if (!next || !SameStream(first, *next)) return Chain::kBroken;
    at += next->frame_bytes;
  }
  return Chain::kAgree;
}

}  // namespace

std::optional<FrameInfo> ParseMp3Header(const uint8_t* p) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return std::nullopt;
  const int version_bits = (p[1] >> 3) & 3;  // 0 = 2.5, 1 reserved, 2 = MPEG-2, 3 = MPEG-1
  const int layer_bits = (p[1] >> 1) & 3;    // 1 = III, 2 = II, 3 = I
  const int bitrate_index = p[2] >> 4;
  const int rate_index = (p[2] >> 2) & 3;
  const int emphasis = p[3] & 3;
  if (version_bits == 1 || layer_bits != 1 || bitrate_index == 0 || bitrate_index == 15 ||
      rate_index == 3 || emphasis == 2) {
    return std::nullopt;
  }
  FrameInfo f;
  f.codec = AudioCodec::kMp3;
  f.layer = 3;
  f.mpeg_version = version_bits == 3 ? 10 : version_bits == 2 ? 20 : 25;
  const bool v1 = f.mpeg_version == 10;
  f.sample_rate = kMp3RatesV1[rate_index] / (v1 ? 1 : f.mpeg_version == 20 ? 2 : 4);
  f.bitrate = (v1 ? kMp3BitratesV1 : kMp3BitratesV2)[bitrate_index] * 1000u;
  f.padding = (p[2] >> 1) & 1;
  f.channel_mode = p[3] >> 6;
  f.channels = f.channel_mode == 3 ? 1 : 2;
  // A layer III frame holds 1152 samples (MPEG-1) or 576; 1152 / 8 = 144 bytes per bit/s / Hz.
  f.samples = v1 ? 1152 : 576;
  f.frame_bytes = (v1 ? 144 : 72) * f.bitrate / f.sample_rate + (f.padding ? 1 : 0);
  f.header_bytes = kMp3HeaderBytes;
  return f;
}

std::optional<FrameInfo> ParseAdtsHeader(const uint8_t* p) {
  if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0) return std::nullopt;  // sync 0xFFF, layer 0
  const bool crc = (p[1] & 1) == 0;  // protection_absent = 0
  const int profile = p[2] >> 6;
  const int rate_index = (p[2] >> 2) & 0xF;
  const int channel_config = ((p[2] & 1) << 2) | (p[3] >> 6);
  const size_t frame_bytes = (size_t(p[3] & 3) << 11) | (size_t(p[4]) << 3) | (p[5] >> 5);
  const int raw_blocks = p[6] & 3;
  const size_t header_bytes = crc ? 9 : 7;
  if (rate_index >= 13 || channel_config == 0 || frame_bytes < header_bytes) return std::nullopt;
  FrameInfo f;
  f.codec = AudioCodec::kAac;
  f.profile = profile;
  f.rate_index = rate_index;
  f.sample_rate = kAdtsRates[rate_index];
  f.channel_config = channel_config;
  f.channels = kAdtsChannels[channel_config];
  f.crc = crc;
  f.frame_bytes = frame_bytes;
  f.header_bytes = header_bytes;
  f.samples = 1024u * (raw_blocks + 1);
  f.bitrate = uint32_t(uint64_t(frame_bytes) * 8 * f.sample_rate / f.samples);
  return f;
}

std::optional<FrameInfo> ParseHeader(AudioCodec codec, const uint8_t* p, size_t avail) {
  if (codec == AudioCodec::kMp3 && avail >= kMp3HeaderBytes) return ParseMp3Header(p);
  if (codec == AudioCodec::kAac && avail >= kAdtsHeaderBytes) return ParseAdtsHeader(p);
  return std::nullopt;
}

bool SameStream(const FrameInfo& a, const FrameInfo& b) {
  if (a.codec != b.codec || a.sample_rate != b.sample_rate || a.channels != b.channels) return false;
  if (a.codec == AudioCodec::kMp3) return a.mpeg_version == b.mpeg_version && a.layer == b.layer;
  return a.profile == b.profile && a.channel_config == b.channel_config;
}

std::optional<std::pair<FrameInfo, size_t>> FindLock(AudioCodec codec,
                                                      std::span<const uint8_t> data) {
  for (size_t pos = 0; pos + HeaderNeed(codec) <= data.size(); ++pos) {
    if (data[pos] != 0xFF) continue;
    std::optional<FrameInfo> first = ParseHeader(codec, data.data() + pos, data.size() - pos);
    if (first && CheckChain(codec, data, pos, *first) == Chain::kAgree) return std::pair{*first, pos};
  }
  return std::nullopt;
}

std::optional<StreamFormat> ProbeFormat(std::span<const uint8_t> data, AudioCodec hint) {
  auto make = [&data](const std::pair<FrameInfo, size_t>& lock) {
    StreamFormat f;
    f.codec = lock.first.codec;
    f.sample_rate = lock.first.sample_rate;
    f.channels = lock.first.channels;
    f.offset = lock.second;
    // The bit rate over every whole agreeing frame in `data`: one ADTS frame (or
    // one VBR MP3 frame) says little; an average says what the stream costs.
    uint64_t bits = 0, samples = 0, mp3_rate_sum = 0, frames = 0;
    size_t pos = lock.second;
    while (pos < data.size()) {
      auto head = ParseHeader(f.codec, data.data() + pos, data.size() - pos);
      if (!head || !SameStream(*head, lock.first) || pos + head->frame_bytes > data.size()) break;
      bits += head->frame_bytes * 8;
      samples += head->samples;
      mp3_rate_sum += head->bitrate;
      ++frames;
      pos += head->frame_bytes;
    }
    if (f.codec == AudioCodec::kMp3) {
      f.bitrate = frames ? uint32_t(mp3_rate_sum / frames) : lock.first.bitrate;
    } else {
      f.bitrate = samples ? uint32_t(bits * f.sample_rate / samples) : lock.first.bitrate;
    }
    return f;
  };
  // Ogg pages carry a CRC, so a stream found there is no chance match,
  // whatever the content type said.
  if (auto ogg = ProbeOgg(data)) return ogg;
  // Opus comes only in Ogg (found above, or not yet in these bytes); a native
  // FLAC stream joined after its headers is found by its frames.
  if (hint == AudioCodec::kOpus) {
    StreamFormat f;
    f.codec = hint;
    return f;
  }
  if (hint == AudioCodec::kFlac) {
    FlacFrameSync sync;
    sync.Push(data);
    StreamFormat f;
    f.codec = hint;
    if (std::optional<FlacFrame> frame = sync.Next()) {
      f.sample_rate = frame->header.sample_rate;
      f.channels = frame->header.channels;
      f.bitrate = FlacBitrateEstimate(f.sample_rate, f.channels, frame->header.bits);
      f.offset = size_t(sync.SkippedBytes());  // junk before the first frame
    }
    return f;
  }
  auto mp3 = FindLock(AudioCodec::kMp3, data);
  auto aac = FindLock(AudioCodec::kAac, data);
  // Content types are not always right (AAC served as audio/mpeg happens), so the
  // hinted codec only goes first; without a hint the earlier lock wins.
  if (hint == AudioCodec::kMp3 && mp3) return make(*mp3);
  if (hint == AudioCodec::kAac && aac) return make(*aac);
  if (mp3 && (!aac || mp3->second <= aac->second)) return make(*mp3);
  if (aac) return make(*aac);
  return std::nullopt;
}

FrameSync::FrameSync(AudioCodec codec) : codec_(codec) {}

void FrameSync::Push(std::span<const uint8_t> data) {
  Compact();
  buffer_.insert(buffer_.end(), data.begin(), data.end());
}

void FrameSync::Reset() {
  buffer_.clear();
  pos_ = 0;
  locked_ = false;
}

void FrameSync::Compact() {
  if (pos_ == 0) return;
  buffer_.erase(buffer_.begin(), buffer_.begin() + ptrdiff_t(pos_));
  pos_ = 0;
}

void FrameSync::Skip(size_t n) {
  pos_ += n;
  skipped_ += n;
}

std::optional<SyncedFrame> FrameSync::Next() {
  const std::span<const uint8_t> data(buffer_);
  const size_t need = HeaderNeed(codec_);
  while (pos_ + need <= data.size()) {
    std::optional<FrameInfo> head = ParseHeader(codec_, data.data() + pos_, data.size() - pos_);
    if (locked_ && head && SameStream(lock_, *head)) {
      // A frame goes out once the header after it confirms its length: a frame
      // cut short by a reconnect or junk would otherwise reach the decoder.
      const size_t end = pos_ + head->frame_bytes;
      if (data.size() < end + need) return std::nullopt;
      if (!ParseHeader(codec_, data.data() + end, data.size() - end)) {
        locked_ = false;
        Skip(1);
        continue;
      }
      SyncedFrame out;
      out.info = *head;
      out.bytes = data.subspan(pos_, head->frame_bytes);
      out.format_changed = !last_format_ || !SameStream(*last_format_, *head);
      last_format_ = *head;
      pos_ += head->frame_bytes;
      return out;
    }
    // Not locked, or the stream no longer continues as locked: look for a new
    // run of three agreeing headers here, else drop a byte of junk.
    locked_ = false;
    if (head) {
      switch (CheckChain(codec_, data, pos_, *head)) {
        case Chain::kAgree:
          locked_ = true;
          lock_ = *head;
          continue;
        case Chain::kNeedMore:
          return std::nullopt;
        case Chain::kBroken:
          break;
      }
    }
    // Jump to the next possible sync byte.
    const uint8_t* next = std::find(data.data() + pos_ + 1, data.data() + data.size(), uint8_t{0xFF});
    Skip(size_t(next - (data.data() + pos_)));
  }
  return std::nullopt;
}
