#pragma once
// AES-256 in CBC mode with ciphertext stealing (CBC-CS2), so the ciphertext is
// exactly as long as the plaintext. This is the whole .aes file format: no
// header, no padding, no authentication, one key and IV for every file.

#include <cstdint>

// The shortest file the format can hold: ciphertext stealing needs one whole block.
inline constexpr int64_t kSmallestCipherFile = 16;

// Encrypts n bytes of in into the caller's out (at least n bytes).
// key: 32 bytes; keyBits must be 256; iv: 16 bytes, left untouched.
// Result: n on success, 0 on failure (n below 16 or another key size), in
// which case out is not written. out may equal in; any other overlap is not allowed.
[[nodiscard]] int64_t EncryptBuffer(const uint8_t* in, uint8_t* out, int64_t n, const uint8_t* key,
                                    int keyBits, const uint8_t* iv);

// The inverse of EncryptBuffer, with the same arguments and results. A wrong
// key gives n wrong bytes, not a failure.
[[nodiscard]] int64_t DecryptBuffer(const uint8_t* in, uint8_t* out, int64_t n, const uint8_t* key,
                                    int keyBits, const uint8_t* iv);
