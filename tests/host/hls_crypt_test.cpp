// AES-128 segment decryption: the IV as playlists write it, and the CBC
// chaining and padding over a segment that arrives in pieces of any size.
#include "engine/formats/hls_crypt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toy_cipher.h"

namespace {

std::string Plain(size_t size) {
  std::string s(size, '\0');
  uint32_t x = 12345;
  for (char& c : s) {
    x = x * 1103515245 + 12345;
    c = char(x >> 16);
  }
  return s;
}

// Feeds `cipher` in pieces of `piece` bytes; the plain bytes, and whether the
// end was accepted.
std::string Decrypt(const AesBlock& key, const AesBlock& iv, const std::string& cipher, size_t piece, bool& ended) {
  SegmentDecryptor d;
  d.Begin(std::make_shared<toy::Decryptor>(key), iv);
  std::vector<uint8_t> out;
  for (size_t at = 0; at < cipher.size(); at += piece) {
    const std::string part = cipher.substr(at, piece);
    EXPECT_TRUE(d.Feed(std::span(reinterpret_cast<const uint8_t*>(part.data()), part.size()), out));
  }
  ended = d.End(out);
  return std::string(out.begin(), out.end());
}

TEST(HlsIv, FromTheAttributeOrTheSequenceNumber) {
  const AesBlock nist = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                         0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f};
  EXPECT_EQ(HlsIv("0x000102030405060708090a0b0c0d0e0f", 7), nist);
  EXPECT_EQ(HlsIv("0X000102030405060708090A0B0C0D0E0F", 7), nist);
  AesBlock small{};
  small[15] = 0x01;
  small[14] = 0xab;
  EXPECT_EQ(HlsIv("0xab01", 0), small);
  EXPECT_EQ(HlsIv("0x1ab01", 0).value()[13], 0x01);
  // No IV: the media sequence number, big-endian in the last eight bytes.
  AesBlock sequence{};
  sequence[8] = 0x01;
  sequence[15] = 0x2a;
  EXPECT_EQ(HlsIv("", 0x010000000000002aull), sequence);
  for (const char* bad : {"0x", "00010203", "0xzz", "0x000102030405060708090a0b0c0d0e0f0", "x1"})
    EXPECT_FALSE(HlsIv(bad, 0)) << bad;
}

TEST(SegmentDecryptor, AnySegmentSizeInAnyPieces) {
  const AesBlock key = toy::Key(1);
  const AesBlock iv = *HlsIv("0x0f0e0d0c0b0a09080706050403020100", 0);
  for (size_t size : {0, 1, 15, 16, 17, 31, 32, 1000, 18800}) {
    const std::string plain = Plain(size);
    const std::string cipher = toy::EncryptCbc(key, iv, plain);
    for (size_t piece : {1, 7, 16, 33, 1400, 100000}) {
      bool ended = false;
      EXPECT_EQ(Decrypt(key, iv, cipher, piece, ended), plain) << size << " " << piece;
      EXPECT_TRUE(ended);
    }
  }
}

TEST(SegmentDecryptor, WrongKeyOrIvOrACutSegment) {
  const AesBlock key = toy::Key(1);
  const AesBlock iv = *HlsIv("", 5);
  const std::string plain = Plain(100);
  const std::string cipher = toy::EncryptCbc(key, iv, plain);
  bool ended = true;
  // A wrong IV spoils the first block only: CBC's chaining.
  const std::string other_iv = Decrypt(key, *HlsIv("", 6), cipher, 50, ended);
  EXPECT_TRUE(ended);
  EXPECT_NE(other_iv.substr(0, 16), plain.substr(0, 16));
  EXPECT_EQ(other_iv.substr(16), plain.substr(16));
  // A wrong key: garbage, and nothing of the last block when its padding is wrong.
  const std::string wrong = Decrypt(toy::Key(2), iv, cipher, 50, ended);
  EXPECT_NE(wrong.substr(0, 16), plain.substr(0, 16));
  if (!ended) {
    EXPECT_EQ(wrong.size(), 96u);
  }
  // Cut inside a block or at a block boundary: what came before is kept.
  EXPECT_EQ(Decrypt(key, iv, cipher.substr(0, 90), 7, ended), plain.substr(0, 80));
  EXPECT_FALSE(ended);
  const std::string at_boundary = Decrypt(key, iv, cipher.substr(0, 64), 64, ended);
  EXPECT_FALSE(ended);  // the last block is plain bytes, not padding
  EXPECT_EQ(at_boundary, plain.substr(0, 48));
}

TEST(SegmentDecryptor, GoesOnAfterTheCiphersOtherOwnerLetsGo) {
  // The source loads another key (and frees its cipher) while a segment of
  // the old one is resumed: that segment's bytes still decrypt.
  const AesBlock key = toy::Key(3);
  const std::string plain = Plain(100);
  const std::string cipher = toy::EncryptCbc(key, AesBlock{}, plain);
  auto owner = std::make_shared<toy::Decryptor>(key);
  SegmentDecryptor d;
  d.Begin(owner, AesBlock{});
  std::vector<uint8_t> out;
  EXPECT_TRUE(d.Feed(std::span(reinterpret_cast<const uint8_t*>(cipher.data()), 40), out));
  owner = std::make_shared<toy::Decryptor>(toy::Key(4));
  EXPECT_TRUE(d.Feed(std::span(reinterpret_cast<const uint8_t*>(cipher.data()) + 40, cipher.size() - 40), out));
  EXPECT_TRUE(d.End(out));
  EXPECT_EQ(std::string(out.begin(), out.end()), plain);
}

TEST(SegmentDecryptor, CipherFailureIsReported) {
  bool fail = false;
  SegmentDecryptor d;
  d.Begin(std::make_shared<toy::Decryptor>(toy::Key(1), &fail), AesBlock{});
  std::vector<uint8_t> out;
  const std::vector<uint8_t> bytes(64, 1);
  EXPECT_TRUE(d.Feed(bytes, out));
  EXPECT_EQ(out.size(), 48u);
  fail = true;
  EXPECT_FALSE(d.Feed(bytes, out));
  EXPECT_FALSE(d.End(out));
}

}  // namespace
