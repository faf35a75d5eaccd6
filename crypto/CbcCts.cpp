#include "crypto/CbcCts.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

namespace {

using Block = std::array<uint8_t, kBlock>;

// EVP counts in int; feed it slices that stay well inside that range.
constexpr int64_t kMaxSlice = int64_t{1} << 30;

// Restarts the chain at iv without a new key schedule.
bool SetChain(EVP_CIPHER_CTX* ctx, const uint8_t* iv) {
  if (EVP_CipherInit_ex(ctx, nullptr, nullptr, nullptr, iv, -1) != 1) return false;
  return EVP_CIPHER_CTX_set_padding(ctx, 0) == 1;
}

bool CurrentChain(EVP_CIPHER_CTX* ctx, Block& chain) {
  return EVP_CIPHER_CTX_get_updated_iv(ctx, chain.data(), chain.size()) == 1;
}

}  // namespace

CipherCtxPtr NewCbcContext(bool encrypt, const uint8_t* key, const uint8_t* iv) {
  CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return nullptr;
  if (EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, key, iv, encrypt ? 1 : 0) != 1)
    return nullptr;
  // Without this a decrypting context holds the last block back for unpadding.
  if (EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1) return nullptr;
  return ctx;
}

bool CbcBlocks(EVP_CIPHER_CTX* ctx, const uint8_t* in, uint8_t* out, int64_t n) {
  if (n < 0 || n % kBlock != 0) return false;
  for (int64_t done = 0; done < n;) {
    const int slice = static_cast<int>(std::min(n - done, kMaxSlice));
    int written = 0;
    if (EVP_CipherUpdate(ctx, out + done, &written, in + done, slice) != 1 || written != slice)
      return false;
    done += slice;
  }
  return true;
}

bool EncryptTail(EVP_CIPHER_CTX* ctx, const uint8_t* in, uint8_t* out, int64_t n) {
  if (n < kBlock) return false;
  const int64_t d = n % kBlock;
  if (d == 0) return CbcBlocks(ctx, in, out, n);
  const int64_t full = n - d;  // up to and including the last full block
  // T: the partial block padded with zeros, taken before out can overwrite it.
  Block t{};
  std::memcpy(t.data(), in + full, static_cast<size_t>(d));
  if (!CbcBlocks(ctx, in, out, full)) return false;
  Block x;  // CBC result of the last full block
  std::memcpy(x.data(), out + full - kBlock, kBlock);
  Block y;  // E(X xor T): the chain already holds X
  const bool ok = CbcBlocks(ctx, t.data(), y.data(), kBlock);
  if (ok) {
    std::memcpy(out + full - kBlock, y.data(), kBlock);
    std::memcpy(out + full, x.data(), static_cast<size_t>(d));
  }
  OPENSSL_cleanse(t.data(), t.size());
  return ok;
}

bool DecryptTail(EVP_CIPHER_CTX* ctx, const uint8_t* in, uint8_t* out, int64_t n) {
  if (n < kBlock) return false;
  const int64_t d = n % kBlock;
  if (d == 0) return CbcBlocks(ctx, in, out, n);
  const int64_t before = n - d - kBlock;  // the blocks ahead of the stolen pair
  Block y;
  Block x{};  // starts as S, the last d bytes
  std::memcpy(y.data(), in + before, kBlock);
  std::memcpy(x.data(), in + before + kBlock, static_cast<size_t>(d));
  if (!CbcBlocks(ctx, in, out, before)) return false;
  Block previous;  // C(q-1), or the IV when the pair starts the message
  if (!CurrentChain(ctx, previous)) return false;

  // Z = D(Y): a CBC step from a zero chain is the bare block decryption.
  const Block zero{};
  Block z;
  if (!SetChain(ctx, zero.data()) || !CbcBlocks(ctx, y.data(), z.data(), kBlock)) return false;
  Block tail;
  for (int64_t i = 0; i < d; ++i) tail[i] = x[i] ^ z[i];
  std::memcpy(x.data() + d, z.data() + d, static_cast<size_t>(kBlock - d));

  Block last;  // P(q) = D(X) xor C(q-1)
  const bool ok = SetChain(ctx, previous.data()) && CbcBlocks(ctx, x.data(), last.data(), kBlock);
  if (ok) {
    std::memcpy(out + before, last.data(), kBlock);
    std::memcpy(out + before + kBlock, tail.data(), static_cast<size_t>(d));
  }
  OPENSSL_cleanse(last.data(), last.size());
  OPENSSL_cleanse(tail.data(), tail.size());
  OPENSSL_cleanse(z.data(), z.size());
  return ok;
}
