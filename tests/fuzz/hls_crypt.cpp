// Fuzzes the AES-128 segment decryption with the host tests' stand-in cipher:
// IVs as playlists write them read back as what they say; a segment encrypted
// as a producer does comes back whole in any pieces; one cut anywhere gives a
// prefix of it; bytes that are no ciphertext, or a cipher that fails or whose
// other owner lets go mid-segment, never crash and never give out more bytes
// than went in.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "../host/toy_cipher.h"
#include "engine/formats/hls_crypt.h"

namespace {

// The IV as 32 hex digits.
std::string IvText(const AesBlock& iv) {
  static const char kHex[] = "0123456789abcdef";
  std::string text = "0x";
  for (uint8_t b : iv) {
    text += kHex[b >> 4];
    text += kHex[b & 15];
  }
  return text;
}

struct Run {
  std::vector<uint8_t> out;
  bool ended = false;
  bool fed = true;  // every Feed succeeded
};

// Decrypts `bytes` in pieces of `piece`; at `let_go` (a byte offset) the
// caller's share of the cipher is dropped; `fail` makes the cipher fail.
Run Decrypt(const AesBlock& key, const AesBlock& iv, std::span<const uint8_t> bytes, size_t piece,
            size_t let_go, bool* fail) {
  auto cipher = std::make_shared<toy::Decryptor>(key, fail);
  SegmentDecryptor d;
  d.Begin(cipher, iv);
  Run run;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    if (at >= let_go) cipher.reset();
    run.fed = d.Feed(bytes.subspan(at, std::min(piece, bytes.size() - at)), run.out) && run.fed;
  }
  cipher.reset();
  run.ended = d.End(run.out);
  return run;
}

std::span<const uint8_t> Span(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const size_t piece = data[0] % 40 + 1;
  const uint8_t seed = data[1];
  const size_t iv_length = data[2] % 40;
  const size_t cut = data[3];
  data += 4;
  size -= 4;
  const std::string_view attribute(reinterpret_cast<const char*>(data), std::min(iv_length, size));
  const std::span<const uint8_t> rest(data + attribute.size(), size - attribute.size());

  // The IV attribute, and the sequence number when there is none.
  uint64_t sequence = 0;
  for (size_t i = 0; i < 8 && i < rest.size(); ++i) sequence = sequence << 8 | rest[i];
  const std::optional<AesBlock> iv = HlsIv(attribute, sequence);
  if (iv && !attribute.empty() && HlsIv(IvText(*iv), ~sequence) != iv) __builtin_trap();
  if (attribute.empty()) {
    if (!iv) __builtin_trap();
    for (size_t i = 0; i < 8; ++i) {
      if ((*iv)[i] != 0 || (*iv)[15 - i] != static_cast<uint8_t>(sequence >> (8 * i))) __builtin_trap();
    }
  }
  const AesBlock chain = iv.value_or(AesBlock{});
  const AesBlock key = toy::Key(seed);

  // A segment as a producer encrypts it: whole in any pieces, whoever else
  // holds the cipher.
  const std::string plain(rest.begin(), rest.end());
  const std::string cipher = toy::EncryptCbc(key, chain, plain);
  Run whole = Decrypt(key, chain, Span(cipher), piece, cut * 16, nullptr);
  if (!whole.fed || !whole.ended || std::string(whole.out.begin(), whole.out.end()) != plain) __builtin_trap();

  // Cut short: a prefix of the plain bytes, the end refused unless the cut
  // fell on a block boundary.
  const size_t at = std::min(cut * 7, cipher.size());
  Run part = Decrypt(key, chain, Span(cipher).first(at), piece, at / 2, nullptr);
  if (!part.fed || part.out.size() > plain.size() ||
      std::string_view(plain).substr(0, part.out.size()) != std::string_view(
          reinterpret_cast<const char*>(part.out.data()), part.out.size()))
    __builtin_trap();
  if (part.ended && at % kAesBlockBytes != 0) __builtin_trap();

  // Bytes that are no ciphertext, the cipher failing from a point on.
  bool fail = false;
  const size_t fail_at = cut % 3 == 0 ? rest.size() : cut;
  auto failing = std::make_shared<toy::Decryptor>(key, &fail);
  SegmentDecryptor d;
  d.Begin(failing, chain);
  std::vector<uint8_t> out;
  for (size_t i = 0; i < rest.size(); i += piece) {
    fail = i >= fail_at;
    if (i >= fail_at / 2) failing.reset();
    (void)d.Feed(rest.subspan(i, std::min(piece, rest.size() - i)), out);
  }
  const bool ended = d.End(out);
  if (out.size() > rest.size()) __builtin_trap();
  if (ended && (rest.size() % kAesBlockBytes != 0 || out.size() + kAesBlockBytes < rest.size())) __builtin_trap();
  return 0;
}
