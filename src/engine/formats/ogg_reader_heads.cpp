// The identification headers of Opus and FLAC streams, and FLAC's metadata
// blocks (also those of a native FLAC stream). Portable.
#include <cstring>

#include "engine/formats/ogg_reader.h"

namespace {

uint32_t FlacBe(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
  return v;
}

}  // namespace

std::optional<OpusHead> ParseOpusHead(std::span<const uint8_t> packet) {
  if (packet.size() < 19 || std::memcmp(packet.data(), "OpusHead", 8) != 0) return std::nullopt;
  const uint8_t* p = packet.data();
  // Versions 0..15 keep this layout; a new major version may not.
  if ((p[8] & 0xf0) != 0) return std::nullopt;
  OpusHead head;
  head.channels = p[9];
  head.pre_skip = uint32_t(p[10]) | uint32_t(p[11]) << 8;
  head.input_rate = uint32_t(p[12]) | uint32_t(p[13]) << 8 | uint32_t(p[14]) << 16 | uint32_t(p[15]) << 24;
  head.output_gain = int16_t(uint16_t(p[16] | p[17] << 8));
  head.mapping_family = p[18];
  if (head.channels == 0) return std::nullopt;
  if (head.mapping_family == 0) {
    if (head.channels > 2) return std::nullopt;
    head.streams = 1;
    head.coupled = head.channels - 1;
    return head;
  }
  if (head.mapping_family != 1 || head.channels > 8 || packet.size() < 21 + head.channels) return std::nullopt;
  head.streams = p[19];
  head.coupled = p[20];
  if (head.streams == 0 || head.coupled > head.streams || head.streams + head.coupled > 255) return std::nullopt;
  for (uint32_t i = 0; i < head.channels; ++i) {
    head.mapping[i] = p[21 + i];
    if (head.mapping[i] != 255 && head.mapping[i] >= head.streams + head.coupled) return std::nullopt;
  }
  return head;
}

std::optional<FlacStreamInfo> ParseFlacStreamInfo(std::span<const uint8_t> body) {
  if (body.size() < kFlacStreamInfoBytes) return std::nullopt;
  const uint8_t* p = body.data();
  FlacStreamInfo info;
  info.min_block = FlacBe(p, 2);
  info.max_block = FlacBe(p + 2, 2);
  info.min_frame = FlacBe(p + 4, 3);
  info.max_frame = FlacBe(p + 7, 3);
  // 20 bits of rate, 3 of channels - 1, 5 of bits per sample - 1.
  const uint32_t packed = FlacBe(p + 10, 4);
  info.sample_rate = packed >> 12;
  info.channels = ((packed >> 9) & 0x7) + 1;
  info.bits = ((packed >> 4) & 0x1f) + 1;
  if (info.sample_rate == 0 || info.bits < 4 || info.max_block < 16 || info.min_block > info.max_block)
    return std::nullopt;
  return info;
}

std::optional<OggFlacHead> ParseOggFlacHead(std::span<const uint8_t> packet) {
  // 0x7f "FLAC", major 1, minor, 16-bit count, "fLaC", a STREAMINFO block header and body.
  if (packet.size() < 13 + 4 + kFlacStreamInfoBytes || std::memcmp(packet.data(), "\x7f" "FLAC", 5) != 0 ||
      packet[5] != 1 || std::memcmp(packet.data() + 9, "fLaC", 4) != 0 || (packet[13] & 0x7f) != 0 ||
      FlacBe(packet.data() + 14, 3) < kFlacStreamInfoBytes)
    return std::nullopt;
  std::optional<FlacStreamInfo> info = ParseFlacStreamInfo(packet.subspan(17));
  if (!info) return std::nullopt;
  OggFlacHead head;
  head.info = *info;
  head.header_packets = FlacBe(packet.data() + 7, 2);
  return head;
}

FlacHeadersResult ParseFlacHeaders(std::span<const uint8_t> data, size_t max_bytes, FlacHeaders& out) {
  if (data.size() < 4) return FlacHeadersResult::kNeedMore;
  if (std::memcmp(data.data(), "fLaC", 4) != 0) return FlacHeadersResult::kInvalid;
  size_t pos = 4;
  bool have_info = false;
  for (;;) {
    if (pos > max_bytes) return FlacHeadersResult::kInvalid;
    if (data.size() - pos < 4) return FlacHeadersResult::kNeedMore;
    const uint8_t type = data[pos] & 0x7f;
    const bool last = data[pos] & 0x80;
    const size_t length = FlacBe(data.data() + pos + 1, 3);
    // STREAMINFO comes first and only there; 127 is never a valid type.
    if (type == 127 || (type == 0) != !have_info) return FlacHeadersResult::kInvalid;
    if (length > max_bytes || pos + 4 + length > max_bytes) return FlacHeadersResult::kInvalid;
    if (data.size() - pos - 4 < length) return FlacHeadersResult::kNeedMore;
    const std::span<const uint8_t> body = data.subspan(pos + 4, length);
    if (type == 0) {
      std::optional<FlacStreamInfo> info = ParseFlacStreamInfo(body);
      if (!info) return FlacHeadersResult::kInvalid;
      out.info = *info;
      have_info = true;
    } else if (type == 4 && !out.comments) {
      out.comments = ParseCommentList(body);
    }
    pos += 4 + length;
    if (last) {
      out.bytes = pos;
      return FlacHeadersResult::kDone;
    }
  }
}
