#include "engine/formats/hls_crypt.h"

#include <algorithm>
#include <utility>

namespace {

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

}  // namespace

std::optional<AesBlock> HlsIv(std::string_view attribute, uint64_t sequence) {
  AesBlock iv{};
  if (attribute.empty()) {
    for (size_t i = 0; i < 8; ++i) iv[kAesBlockBytes - 1 - i] = static_cast<uint8_t>(sequence >> (8 * i));
    return iv;
  }
  if (attribute.size() < 3 || attribute[0] != '0' || (attribute[1] != 'x' && attribute[1] != 'X'))
    return std::nullopt;
  const std::string_view digits = attribute.substr(2);
  if (digits.size() > 2 * kAesBlockBytes) return std::nullopt;
  // Right-aligned: fewer digits are a smaller number.
  for (size_t i = 0; i < digits.size(); ++i) {
    const std::optional<int> d = HexDigit(digits[digits.size() - 1 - i]);
    if (!d) return std::nullopt;
    iv[kAesBlockBytes - 1 - i / 2] |= static_cast<uint8_t>(*d << (4 * (i % 2)));
  }
  return iv;
}

void SegmentDecryptor::Begin(std::shared_ptr<BlockDecryptor> cipher, const AesBlock& iv) {
  cipher_ = std::move(cipher);
  chain_ = iv;
  held_.clear();
}

bool SegmentDecryptor::Feed(std::span<const uint8_t> data, std::vector<uint8_t>& out) {
  if (!cipher_) return false;
  held_.insert(held_.end(), data.begin(), data.end());
  // Everything but the last whole block (which may carry the padding).
  size_t blocks = held_.size() / kAesBlockBytes;
  if (held_.size() % kAesBlockBytes == 0 && blocks > 0) --blocks;
  if (blocks == 0) return true;
  const size_t bytes = blocks * kAesBlockBytes;
  plain_.resize(bytes);
  if (!cipher_->Decrypt(std::span<const uint8_t>(held_.data(), bytes), plain_.data())) return false;
  const size_t at = out.size();
  out.resize(at + bytes);
  for (size_t b = 0; b < bytes; b += kAesBlockBytes) {
    for (size_t i = 0; i < kAesBlockBytes; ++i) out[at + b + i] = plain_[b + i] ^ chain_[i];
    std::copy_n(held_.begin() + static_cast<std::ptrdiff_t>(b), kAesBlockBytes, chain_.begin());
  }
  held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(bytes));
  return true;
}

bool SegmentDecryptor::End(std::vector<uint8_t>& out) {
  if (!cipher_ || held_.size() != kAesBlockBytes) return false;
  AesBlock last{};
  if (!cipher_->Decrypt(held_, last.data())) return false;
  held_.clear();
  for (size_t i = 0; i < kAesBlockBytes; ++i) last[i] ^= chain_[i];
  const uint8_t pad = last[kAesBlockBytes - 1];
  if (pad == 0 || pad > kAesBlockBytes) return false;
  for (size_t i = kAesBlockBytes - pad; i < kAesBlockBytes; ++i) {
    if (last[i] != pad) return false;
  }
  out.insert(out.end(), last.begin(), last.end() - pad);
  return true;
}
