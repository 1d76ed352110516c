#include "engine/net/aes_win.h"

#include <windows.h>
#include <bcrypt.h>

namespace {

// CNG's ECB mode: one call decrypts any number of blocks, each on its own;
// the CBC chaining is SegmentDecryptor's.
class CngAes128 final : public BlockDecryptor {
 public:
  ~CngAes128() override {
    if (key_) BCryptDestroyKey(key_);
    if (algorithm_) BCryptCloseAlgorithmProvider(algorithm_, 0);
  }

  bool Init(const AesBlock& key) {
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm_, BCRYPT_AES_ALGORITHM, nullptr, 0))) {
      algorithm_ = nullptr;
      return false;
    }
    wchar_t mode[] = BCRYPT_CHAIN_MODE_ECB;
    if (!BCRYPT_SUCCESS(BCryptSetProperty(algorithm_, BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(mode),
                                          sizeof mode, 0)))
      return false;
    AesBlock copy = key;  // the call takes a non-const pointer
    if (!BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(algorithm_, &key_, nullptr, 0, copy.data(),
                                                   static_cast<ULONG>(copy.size()), 0))) {
      key_ = nullptr;
      return false;
    }
    return true;
  }

  bool Decrypt(std::span<const uint8_t> in, uint8_t* out) override {
    if (in.empty()) return true;
    if (in.size() % kAesBlockBytes != 0) return false;
    ULONG written = 0;
    const NTSTATUS status =
        BCryptDecrypt(key_, const_cast<PUCHAR>(in.data()), static_cast<ULONG>(in.size()), nullptr, nullptr, 0, out,
                      static_cast<ULONG>(in.size()), &written, 0);
    return BCRYPT_SUCCESS(status) && written == in.size();
  }

 private:
  BCRYPT_ALG_HANDLE algorithm_ = nullptr;
  BCRYPT_KEY_HANDLE key_ = nullptr;
};

}  // namespace

std::unique_ptr<BlockDecryptor> MakeCngAes128(const AesBlock& key) {
  auto aes = std::make_unique<CngAes128>();
  if (!aes->Init(key)) return nullptr;
  return aes;
}
