#pragma once
// Internal to crypto/: AES-256-CBC with ciphertext stealing (CS2 arrangement)
// on top of an EVP context. Shared by the buffer and the stream forms so both
// produce the same bytes. Every function here works in place (in == out) too.

#include <openssl/evp.h>

#include <cstdint>
#include <memory>

inline constexpr int64_t kBlock = 16;

struct CipherCtxFree {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;

// A CBC context without padding that chains from iv (16 bytes) under a
// 32-byte key. Null when OpenSSL fails.
[[nodiscard]] CipherCtxPtr NewCbcContext(bool encrypt, const uint8_t* key, const uint8_t* iv);

// Chains n bytes (a multiple of 16) through the context. True on success.
[[nodiscard]] bool CbcBlocks(EVP_CIPHER_CTX* ctx, const uint8_t* in, uint8_t* out, int64_t n);

// Finishes a message with its last n >= 16 bytes, chaining on from the
// context's state: plain CBC when n is a multiple of 16, otherwise the last
// full block and the partial one are stolen and swapped. True on success.
[[nodiscard]] bool EncryptTail(EVP_CIPHER_CTX* ctx, const uint8_t* in, uint8_t* out, int64_t n);
[[nodiscard]] bool DecryptTail(EVP_CIPHER_CTX* ctx, const uint8_t* in, uint8_t* out, int64_t n);
