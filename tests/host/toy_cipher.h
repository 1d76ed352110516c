// A stand-in block cipher for host tests of the CBC chaining and padding: a
// keyed permutation of each 16-byte block, trivially weak but a bijection, so
// that a wrong key, a wrong IV or a block out of order all give wrong bytes.
// The real AES is the platform's and is tested under Windows.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/formats/hls_crypt.h"

namespace toy {

inline uint8_t Rotl(uint8_t v, int n) { return uint8_t((v << n) | (v >> (8 - n))); }
inline uint8_t Rotr(uint8_t v, int n) { return uint8_t((v >> n) | (v << (8 - n))); }
inline size_t Spot(size_t i) { return (i * 5 + 3) % kAesBlockBytes; }

inline AesBlock EncryptBlock(const AesBlock& key, const AesBlock& plain) {
  AesBlock out{};
  for (size_t i = 0; i < kAesBlockBytes; ++i) out[i] = Rotl(uint8_t(plain[Spot(i)] ^ key[i]), 3);
  return out;
}

class Decryptor final : public BlockDecryptor {
 public:
  explicit Decryptor(const AesBlock& key, bool* fail = nullptr) : key_(key), fail_(fail) {}
  bool Decrypt(std::span<const uint8_t> in, uint8_t* out) override {
    if (fail_ && *fail_) return false;
    if (in.size() % kAesBlockBytes) return false;
    for (size_t b = 0; b < in.size(); b += kAesBlockBytes) {
      for (size_t i = 0; i < kAesBlockBytes; ++i) out[b + Spot(i)] = uint8_t(Rotr(in[b + i], 3) ^ key_[i]);
    }
    return true;
  }

 private:
  AesBlock key_;
  bool* fail_;
};

// CBC with PKCS#7 padding, as a producer encrypts a segment.
inline std::string EncryptCbc(const AesBlock& key, AesBlock iv, const std::string& plain) {
  std::string padded = plain;
  const size_t pad = kAesBlockBytes - plain.size() % kAesBlockBytes;
  padded.append(pad, char(pad));
  std::string out;
  for (size_t at = 0; at < padded.size(); at += kAesBlockBytes) {
    AesBlock block{};
    for (size_t i = 0; i < kAesBlockBytes; ++i) block[i] = uint8_t(padded[at + i]) ^ iv[i];
    iv = EncryptBlock(key, block);
    out.append(iv.begin(), iv.end());
  }
  return out;
}

inline AesBlock Key(uint8_t seed) {
  AesBlock k{};
  for (size_t i = 0; i < kAesBlockBytes; ++i) k[i] = uint8_t(seed * 31 + i * 7 + 1);
  return k;
}

// The key as a key file holds it.
inline std::string KeyText(const AesBlock& key) { return std::string(key.begin(), key.end()); }

}  // namespace toy
