// AES-128 segments of HLS streams (RFC 8216, METHOD=AES-128): the whole
// segment is AES-CBC with PKCS#7 padding, the initialisation vector written in
// the playlist or, when it is not, the segment's media sequence number. The
// chaining and the padding are done here; the block cipher itself is the
// platform's (Network::MakeAes128). Portable.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "engine/net/block_cipher.h"

// The IV of a segment: the playlist's IV attribute ("0x" and up to 32 hex
// digits, a 128-bit big-endian number) or, when it is empty, `sequence` as
// such a number. nullopt when the attribute is malformed.
std::optional<AesBlock> HlsIv(std::string_view attribute, uint64_t sequence);

// One segment's CBC decryption, fed its bytes as they arrive in any pieces.
// The last block is held back until the end, where its padding is removed.
// It shares the cipher, which stays valid however its other owners let go of
// it (a new key loaded while a segment is resumed).
class SegmentDecryptor {
 public:
  void Begin(std::shared_ptr<BlockDecryptor> cipher, const AesBlock& iv);
  // Appends to `out` what can be decrypted of `data` so far. False when the
  // cipher failed (the segment is then of no use).
  [[nodiscard]] bool Feed(std::span<const uint8_t> data, std::vector<uint8_t>& out);
  // The segment's end: appends the last block without its padding. False when
  // the segment did not end on a block boundary or its padding is wrong (a
  // wrong key, a cut segment): nothing of that block is given out.
  [[nodiscard]] bool End(std::vector<uint8_t>& out);

 private:
  std::shared_ptr<BlockDecryptor> cipher_;  // null = not begun
  AesBlock chain_{};             // the ciphertext block before the next one
  std::vector<uint8_t> held_;    // ciphertext not yet decrypted: a partial block, or the last whole one
  std::vector<uint8_t> plain_;   // one Feed's raw decryption
};
