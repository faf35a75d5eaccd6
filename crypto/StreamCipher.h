#pragma once
// The file cipher fed piece by piece, for data that streams to or from the
// network: the bytes that come out are exactly those EncryptBuffer or
// DecryptBuffer give for the whole input. The last 17 to 32 bytes are held
// back until the end, where the stealing of the last two blocks needs them.

#include <array>
#include <cstdint>

#include "crypto/CbcCts.h"
#include "state/KeyMaterial.h"

// Room a buffer needs beyond its input for the bytes held back.
inline constexpr int64_t kStreamCipherHeldMax = 2 * kBlock;

struct StreamCipher {
  CipherCtxPtr ctx;
  bool encrypt = true;
  std::array<uint8_t, kStreamCipherHeldMax> held{};
  int64_t heldCount = 0;
  int64_t done = 0;  // bytes already given out
  ~StreamCipher();   // wipes what is held
};

// False when OpenSSL refuses the key (not expected).
[[nodiscard]] bool StartStreamCipher(StreamCipher& s, bool encrypt, const KeyMaterial& material);

// The same, for the part of a message from a block boundary on: chain is
// the 16 bytes of ciphertext before that boundary (the key material's
// initialisation vector at the start). What comes out is exactly that part
// of what the whole message gives: the way an interrupted transfer goes on.
[[nodiscard]] bool StartStreamCipherAt(StreamCipher& s, bool encrypt, const KeyMaterial& material,
                                       const uint8_t* chain);

// Plain CBC over n bytes (a multiple of 16) chained from `chain`: the
// ciphertext (or plaintext) of whole blocks in the middle of a message,
// to check a part of it. False when n is no multiple of 16 or OpenSSL fails.
[[nodiscard]] bool CbcChainedBlocks(bool encrypt, const KeyMaterial& material, const uint8_t* chain,
                                    const uint8_t* in, uint8_t* out, int64_t n);

// The caller puts the next n input bytes at buffer + s.heldCount (the buffer
// has room for s.heldCount + n bytes). The held bytes are put in front, every
// byte that is final is transformed in place at buffer[0..result), and the
// rest is held back. -1 when OpenSSL fails.
[[nodiscard]] int64_t UpdateStreamCipher(StreamCipher& s, uint8_t* buffer, int64_t n);

// Transforms what is held (with the stealing step) into buffer (room for
// kStreamCipherHeldMax) and answers its length; -1 when the whole input was
// shorter than one block or OpenSSL failed.
[[nodiscard]] int64_t FinishStreamCipher(StreamCipher& s, uint8_t* buffer);
