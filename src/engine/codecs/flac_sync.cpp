#include "engine/codecs/flac_sync.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr size_t kFlacCompactBytes = 64 * 1024;  // consumed bytes kept before moving the rest down
constexpr size_t kFlacHeaderNeed = 16;           // the longest frame header
constexpr size_t kFlacMaxStreamHeaderBytes = 1 << 20;  // metadata blocks (a picture may be large)

constexpr std::array<uint8_t, 256> MakeFlacCrc8() {
  std::array<uint8_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t r = i;
    for (int b = 0; b < 8; ++b) r = (r & 0x80) ? (r << 1) ^ 0x07 : r << 1;
    t[i] = uint8_t(r);
  }
  return t;
}
constexpr std::array<uint16_t, 256> MakeFlacCrc16() {
  std::array<uint16_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t r = i << 8;
    for (int b = 0; b < 8; ++b) r = (r & 0x8000) ? (r << 1) ^ 0x8005 : r << 1;
    t[i] = uint16_t(r);
  }
  return t;
}
constexpr std::array<uint8_t, 256> kFlacCrc8Table = MakeFlacCrc8();
constexpr std::array<uint16_t, 256> kFlacCrc16Table = MakeFlacCrc16();

bool IsStreamHeader(const uint8_t* p, size_t n) { return n >= 4 && std::memcmp(p, "fLaC", 4) == 0; }

}  // namespace

uint8_t FlacCrc8(std::span<const uint8_t> data) {
  uint8_t crc = 0;
  for (uint8_t b : data) crc = kFlacCrc8Table[crc ^ b];
  return crc;
}

uint16_t FlacCrc16(std::span<const uint8_t> data) {
  uint16_t crc = 0;
  for (uint8_t b : data) crc = uint16_t(crc << 8) ^ kFlacCrc16Table[(crc >> 8) ^ b];
  return crc;
}

FlacHeaderResult ParseFlacFrameHeader(std::span<const uint8_t> data, const FlacStreamInfo* info,
                                      FlacFrameHeader& out) {
  const size_t n = data.size();
  auto need = [n](size_t k) { return n < k; };
  if (need(1)) return FlacHeaderResult::kNeedMore;
  if (data[0] != 0xFF) return FlacHeaderResult::kInvalid;
  if (need(2)) return FlacHeaderResult::kNeedMore;
  if ((data[1] & 0xFE) != 0xF8) return FlacHeaderResult::kInvalid;
  if (need(4)) return FlacHeaderResult::kNeedMore;
  FlacFrameHeader h;
  h.variable = data[1] & 1;
  const uint32_t size_code = data[2] >> 4, rate_code = data[2] & 0xF;
  const uint32_t channel_code = data[3] >> 4, bits_code = (data[3] >> 1) & 0x7;
  if (size_code == 0 || rate_code == 15 || channel_code > 10 || bits_code == 3 || (data[3] & 1))
    return FlacHeaderResult::kInvalid;
  // The frame or sample number, coded as UTF-8 is (up to 7 bytes for samples).
  size_t pos = 4;
  if (need(pos + 1)) return FlacHeaderResult::kNeedMore;
  const uint8_t lead = data[pos];
  int extra = 0;
  if (lead < 0x80) extra = 0;
  else if ((lead & 0xE0) == 0xC0) extra = 1;
  else if ((lead & 0xF0) == 0xE0) extra = 2;
  else if ((lead & 0xF8) == 0xF0) extra = 3;
  else if ((lead & 0xFC) == 0xF8) extra = 4;
  else if ((lead & 0xFE) == 0xFC) extra = 5;
  else if (lead == 0xFE && h.variable) extra = 6;
  else return FlacHeaderResult::kInvalid;
  if (need(pos + 1 + extra)) return FlacHeaderResult::kNeedMore;
  for (int i = 1; i <= extra; ++i) {
    if ((data[pos + i] & 0xC0) != 0x80) return FlacHeaderResult::kInvalid;
  }
  pos += 1 + extra;
  if (size_code == 1) h.block_size = 192;
  else if (size_code <= 5) h.block_size = 576u << (size_code - 2);
  else if (size_code >= 8) h.block_size = 256u << (size_code - 8);
  if (size_code == 6 || size_code == 7) {
    const size_t k = size_code == 6 ? 1 : 2;
    if (need(pos + k)) return FlacHeaderResult::kNeedMore;
    h.block_size = (k == 1 ? data[pos] : uint32_t(data[pos]) << 8 | data[pos + 1]) + 1;
    pos += k;
  }
  static constexpr uint32_t kRates[12] = {0, 88200, 176400, 192000, 8000, 16000,
                                          22050, 24000, 32000, 44100, 48000, 96000};
  if (rate_code == 0) {
    if (!info) return FlacHeaderResult::kInvalid;
    h.sample_rate = info->sample_rate;
  } else if (rate_code < 12) {
    h.sample_rate = kRates[rate_code];
  } else {
    const size_t k = rate_code == 12 ? 1 : 2;
    if (need(pos + k)) return FlacHeaderResult::kNeedMore;
    const uint32_t v = k == 1 ? data[pos] : uint32_t(data[pos]) << 8 | data[pos + 1];
    h.sample_rate = rate_code == 12 ? v * 1000 : rate_code == 13 ? v : v * 10;
    pos += k;
  }
  static constexpr uint32_t kBits[8] = {0, 8, 12, 0, 16, 20, 24, 32};
  if (bits_code == 0) {
    if (!info) return FlacHeaderResult::kInvalid;
    h.bits = info->bits;
  } else {
    h.bits = kBits[bits_code];
  }
  h.channels = channel_code < 8 ? channel_code + 1 : 2;
  if (need(pos + 1)) return FlacHeaderResult::kNeedMore;
  if (FlacCrc8(data.first(pos)) != data[pos]) return FlacHeaderResult::kInvalid;
  if (h.sample_rate == 0 || h.bits == 0) return FlacHeaderResult::kInvalid;
  h.bytes = pos + 1;
  out = h;
  return FlacHeaderResult::kValid;
}

size_t FlacMaxFrameBytes(const FlacFrameHeader& header) {
  // Per channel: the subframe header with its wasted-bits count, then every
  // sample verbatim, one bit wider for a side channel; the CRC-16 at the end.
  const size_t per_channel = 2 + 4 + (size_t(header.block_size) * (header.bits + 1) + 7) / 8;
  return header.bytes + header.channels * per_channel + 2;
}

void FlacFrameSync::Push(std::span<const uint8_t> data) {
  if (pos_ == buffer_.size()) {
    buffer_.clear();
    scan_ = 0;
    pos_ = 0;
  } else if (pos_ >= kFlacCompactBytes) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(pos_));
    if (scan_) scan_ -= pos_;
    pos_ = 0;
  }
  buffer_.insert(buffer_.end(), data.begin(), data.end());
}

void FlacFrameSync::Reset() {
  buffer_.clear();
  pos_ = 0;
  scan_ = 0;
}

void FlacFrameSync::Skip(size_t n) {
  pos_ += n;
  skipped_ += n;
  scan_ = 0;
}

std::optional<size_t> FlacFrameSync::FindEnd(const FlacFrameHeader& header, bool& need_more) {
  const uint8_t* data = buffer_.data();
  const size_t size = buffer_.size();
  const size_t limit = pos_ + FlacMaxFrameBytes(header);
  // The smallest frame: its header, a byte a subframe, the CRC-16.
  size_t at = std::max(scan_, pos_ + header.bytes + header.channels + 2);
  need_more = false;
  for (; at <= limit; ++at) {
    if (at + 1 >= size) {
      need_more = true;
      scan_ = at;
      return std::nullopt;
    }
    const bool stream_header = data[at] == 'f';
    if (!stream_header && (data[at] != 0xFF || (data[at + 1] & 0xFE) != 0xF8)) continue;
    if (stream_header) {
      if (size - at < 4) {
        need_more = true;
        scan_ = at;
        return std::nullopt;
      }
      if (!IsStreamHeader(data + at, 4)) continue;
    } else {
      FlacFrameHeader next;
      const FlacHeaderResult r =
          ParseFlacFrameHeader({data + at, std::min(size - at, kFlacHeaderNeed)}, info_ ? &*info_ : nullptr, next);
      if (r == FlacHeaderResult::kNeedMore && size - at < kFlacHeaderNeed) {
        need_more = true;
        scan_ = at;
        return std::nullopt;
      }
      if (r != FlacHeaderResult::kValid || next.variable != header.variable || next.channels != header.channels ||
          next.sample_rate != header.sample_rate || next.bits != header.bits)
        continue;
    }
    const uint16_t crc = uint16_t(data[at - 2] << 8 | data[at - 1]);
    if (FlacCrc16({data + pos_, at - 2 - pos_}) == crc) return at;
  }
  return std::nullopt;
}

std::optional<FlacFrame> FlacFrameSync::Next() {
  for (;;) {
    const size_t avail = buffer_.size() - pos_;
    const uint8_t* p = buffer_.data() + pos_;
    if (avail < 4) return std::nullopt;
    if (IsStreamHeader(p, avail)) {
      FlacHeaders headers;
      switch (ParseFlacHeaders({p, avail}, kFlacMaxStreamHeaderBytes, headers)) {
        case FlacHeadersResult::kDone:
          info_ = headers.info;
          pos_ += headers.bytes;
          scan_ = 0;
          continue;
        case FlacHeadersResult::kNeedMore:
          return std::nullopt;
        case FlacHeadersResult::kInvalid:
          Skip(1);
          continue;
      }
    }
    FlacFrameHeader header;
    const FlacHeaderResult r = ParseFlacFrameHeader({p, std::min(avail, kFlacHeaderNeed)}, info_ ? &*info_ : nullptr, header);
    if (r == FlacHeaderResult::kNeedMore) {
      if (avail < kFlacHeaderNeed) return std::nullopt;
    } else if (r == FlacHeaderResult::kValid) {
      bool need_more = false;
      if (std::optional<size_t> end = FindEnd(header, need_more)) {
        FlacFrame frame;
        frame.header = header;
        frame.bytes = {buffer_.data() + pos_, *end - pos_};
        pos_ = *end;
        scan_ = 0;
        return frame;
      }
      if (need_more) return std::nullopt;
      // No end within the largest frame such a header allows: the header was
      // one by chance (inside a frame), or its frame was cut.
    }
    // On to the next possible start of a frame or of the stream headers.
    const uint8_t* end = buffer_.data() + buffer_.size();
    const uint8_t* next = std::find_if(p + 1, end, [](uint8_t b) { return b == 0xFF || b == 'f'; });
    Skip(size_t(next - p));
  }
}
