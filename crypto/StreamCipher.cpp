#include "crypto/StreamCipher.h"

#include <openssl/crypto.h>

#include <cstring>

StreamCipher::~StreamCipher() { OPENSSL_cleanse(held.data(), held.size()); }

bool StartStreamCipher(StreamCipher& s, bool encrypt, const KeyMaterial& material) {
  return StartStreamCipherAt(s, encrypt, material, material.data() + kIvOffset);
}

bool CbcChainedBlocks(bool encrypt, const KeyMaterial& material, const uint8_t* chain, const uint8_t* in,
                      uint8_t* out, int64_t n) {
  const CipherCtxPtr ctx = NewCbcContext(encrypt, material.data(), chain);
  return ctx != nullptr && CbcBlocks(ctx.get(), in, out, n);
}

bool StartStreamCipherAt(StreamCipher& s, bool encrypt, const KeyMaterial& material, const uint8_t* chain) {
  s.ctx = NewCbcContext(encrypt, material.data(), chain);
  s.encrypt = encrypt;
  s.heldCount = 0;
  s.done = 0;
  return s.ctx != nullptr;
}

int64_t UpdateStreamCipher(StreamCipher& s, uint8_t* buffer, int64_t n) {
  if (!s.ctx || n < 0) return -1;
  std::memcpy(buffer, s.held.data(), static_cast<size_t>(s.heldCount));
  const int64_t total = s.heldCount + n;
  // Hold back more than one block, so the last full block and any partial
  // one meet in FinishStreamCipher whatever ends the input.
  const int64_t ready = total < 2 * kBlock + 1 ? 0 : (total - kBlock - 1) / kBlock * kBlock;
  if (ready > 0 && !CbcBlocks(s.ctx.get(), buffer, buffer, ready)) return -1;
  s.heldCount = total - ready;
  std::memcpy(s.held.data(), buffer + ready, static_cast<size_t>(s.heldCount));
  s.done += ready;
  return ready;
}

int64_t FinishStreamCipher(StreamCipher& s, uint8_t* buffer) {
  if (!s.ctx || (s.done == 0 && s.heldCount < kBlock)) return -1;
  const int64_t n = s.heldCount;
  const bool ok = s.encrypt ? EncryptTail(s.ctx.get(), s.held.data(), buffer, n)
                            : DecryptTail(s.ctx.get(), s.held.data(), buffer, n);
  OPENSSL_cleanse(s.held.data(), s.held.size());
  s.heldCount = 0;
  if (!ok) return -1;
  s.done += n;
  return n;
}
