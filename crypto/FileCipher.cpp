#include "crypto/FileCipher.h"

#include "crypto/CbcCts.h"
#include "state/KeyMaterial.h"

namespace {

int64_t Run(bool encrypt, const uint8_t* in, uint8_t* out, int64_t n, const uint8_t* key,
            int keyBits, const uint8_t* iv) {
  if (n < kBlock || keyBits != kKeyBits || !in || !out || !key || !iv) return 0;
  const CipherCtxPtr ctx = NewCbcContext(encrypt, key, iv);
  if (!ctx) return 0;
  const bool ok = encrypt ? EncryptTail(ctx.get(), in, out, n) : DecryptTail(ctx.get(), in, out, n);
  return ok ? n : 0;
}

}  // namespace

int64_t EncryptBuffer(const uint8_t* in, uint8_t* out, int64_t n, const uint8_t* key, int keyBits,
                      const uint8_t* iv) {
  return Run(true, in, out, n, key, keyBits, iv);
}

int64_t DecryptBuffer(const uint8_t* in, uint8_t* out, int64_t n, const uint8_t* key, int keyBits,
                      const uint8_t* iv) {
  return Run(false, in, out, n, key, keyBits, iv);
}
