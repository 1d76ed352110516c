// AES-128 block decryption through Windows CNG (bcrypt), for encrypted HLS
// segments. One object per key; used by one thread at a time.
#pragma once

#include <memory>

#include "engine/net/block_cipher.h"

// Null when CNG has no AES here or refuses the key.
std::unique_ptr<BlockDecryptor> MakeCngAes128(const AesBlock& key);
