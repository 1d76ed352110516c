// The platform's AES-128 block cipher as the engine sees it: the network side
// makes one (Network::MakeAes128, aes_win.h), HLS segment decryption chains it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr size_t kAesBlockBytes = 16;
using AesBlock = std::array<uint8_t, kAesBlockBytes>;

// One key's block decryption, each block on its own (no chaining).
class BlockDecryptor {
 public:
  virtual ~BlockDecryptor() = default;
  // Decrypts `in` (whole blocks) into `out` (as large). False when the
  // platform failed.
  [[nodiscard]] virtual bool Decrypt(std::span<const uint8_t> in, uint8_t* out) = 0;
};
