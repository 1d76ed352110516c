// AES-128 through CNG for encrypted HLS segments, against the published
// AES-128 vectors (ECB and CBC, key 2b7e1516...): the blocks CNG decrypts one
// by one, and a whole padded CBC segment fed in uneven pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/formats/hls_crypt.h"
#include "engine/net/aes_win.h"

namespace {

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < text.size(); i += 2) out.push_back(uint8_t(std::stoul(text.substr(i, 2), nullptr, 16)));
  return out;
}

AesBlock Block(const std::string& text) {
  AesBlock b{};
  const std::vector<uint8_t> bytes = Hex(text);
  std::copy(bytes.begin(), bytes.end(), b.begin());
  return b;
}

const AesBlock kKey = Block("2b7e151628aed2a6abf7158809cf4f3c");
const std::string kPlain =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";

TEST(CngAes128, EcbBlocksDecryptEachOnTheirOwn) {
  auto aes = MakeCngAes128(kKey);
  ASSERT_TRUE(aes);
  const std::vector<uint8_t> cipher = Hex(
      "3ad77bb40d7a3660a89ecaf32466ef97f5d3d58503b9699de785895a96fdbaaf"
      "43b1cd7f598ece23881b00e3ed0306887b0c785e27e8ad3f8223207104725dd4");
  std::vector<uint8_t> plain(cipher.size());
  ASSERT_TRUE(aes->Decrypt(cipher, plain.data()));
  EXPECT_EQ(plain, Hex(kPlain));
  // Again with the same key object: no chaining is carried between calls.
  std::vector<uint8_t> first(16);
  ASSERT_TRUE(aes->Decrypt(std::span(cipher).first(16), first.data()));
  EXPECT_EQ(first, Hex(kPlain.substr(0, 32)));
  EXPECT_FALSE(aes->Decrypt(std::span(cipher).first(15), first.data()));
}

TEST(CngAes128, PaddedCbcSegmentInUnevenPieces) {
  // The four vector blocks and the block of padding a producer appends.
  const std::vector<uint8_t> cipher = Hex(
      "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
      "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7"
      "8cb82807230e1321d3fae00d18cc2012");
  const std::optional<AesBlock> iv = HlsIv("0x000102030405060708090a0b0c0d0e0f", 0);
  ASSERT_TRUE(iv);
  for (size_t piece : {1, 5, 16, 23, 80}) {
    std::shared_ptr<BlockDecryptor> aes = MakeCngAes128(kKey);
    ASSERT_TRUE(aes);
    SegmentDecryptor segment;
    segment.Begin(aes, *iv);
    std::vector<uint8_t> out;
    for (size_t at = 0; at < cipher.size(); at += piece) {
      ASSERT_TRUE(segment.Feed(std::span(cipher).subspan(at, std::min(piece, cipher.size() - at)), out));
    }
    EXPECT_TRUE(segment.End(out)) << piece;
    EXPECT_EQ(out, Hex(kPlain)) << piece;
  }
  // Another key: the padding is found wrong.
  AesBlock other = kKey;
  other[0] ^= 1;
  std::shared_ptr<BlockDecryptor> wrong = MakeCngAes128(other);
  ASSERT_TRUE(wrong);
  SegmentDecryptor segment;
  segment.Begin(wrong, *iv);
  std::vector<uint8_t> out;
  ASSERT_TRUE(segment.Feed(cipher, out));
  EXPECT_NE(out, Hex(kPlain.substr(0, 128)));
  EXPECT_FALSE(segment.End(out));
}

}  // namespace
