#include "crypto/CipherStream.h"

#include "crypto/CbcCts.h"

#include <QFileDevice>
#include <QIODevice>
#include <openssl/crypto.h>

#include <cstring>
#include <vector>

namespace {

// Holding back 17 to 32 bytes guarantees that whatever ends the input, the
// last full block and any partial block reach the stealing step together.
constexpr int64_t kMinHeldBack = kBlock + 1;

struct WipedBuffer {
  std::vector<uint8_t> bytes;
  ~WipedBuffer() { OPENSSL_cleanse(bytes.data(), bytes.size()); }
};

bool WriteAll(QIODevice& out, const uint8_t* data, int64_t n) {
  return out.write(reinterpret_cast<const char*>(data), n) == n;
}

CipherStreamResult Run(bool encrypt, QIODevice& in, QIODevice& out, const KeyMaterial& material,
                       const CipherProgressFn& progress, int64_t chunkBytes) {
  const CipherCtxPtr ctx = NewCbcContext(encrypt, material.data(), material.data() + kIvOffset);
  if (!ctx) return CipherStreamResult::CipherFailed;

  const int64_t chunk = chunkBytes < kBlock ? kBlock : (chunkBytes + kBlock - 1) / kBlock * kBlock;
  WipedBuffer buffer;
  buffer.bytes.resize(static_cast<size_t>(chunk + 2 * kBlock));
  uint8_t* const data = buffer.bytes.data();
  const int64_t capacity = static_cast<int64_t>(buffer.bytes.size());
  const int64_t total = in.isSequential() ? -1 : in.size() - in.pos();

  int64_t pending = 0;  // bytes at the start of the buffer not yet transformed
  int64_t done = 0;
  for (;;) {
    const int64_t got = in.read(reinterpret_cast<char*>(data + pending), capacity - pending);
    if (got < 0) return CipherStreamResult::ReadFailed;
    if (got == 0) break;
    pending += got;
    if (pending < kBlock + kMinHeldBack) continue;
    const int64_t ready = (pending - kMinHeldBack) / kBlock * kBlock;
    if (!CbcBlocks(ctx.get(), data, data, ready)) return CipherStreamResult::CipherFailed;
    if (!WriteAll(out, data, ready)) return CipherStreamResult::WriteFailed;
    std::memmove(data, data + ready, static_cast<size_t>(pending - ready));
    pending -= ready;
    done += ready;
    if (progress && !progress(done, total)) return CipherStreamResult::Cancelled;
  }

  if (done == 0 && pending < kBlock) return CipherStreamResult::TooShort;
  const bool ok = encrypt ? EncryptTail(ctx.get(), data, data, pending)
                          : DecryptTail(ctx.get(), data, data, pending);
  if (!ok) return CipherStreamResult::CipherFailed;
  if (!WriteAll(out, data, pending)) return CipherStreamResult::WriteFailed;
  // A buffered file may only find out at flush that the disk is full.
  if (auto* file = qobject_cast<QFileDevice*>(&out); file && !file->flush())
    return CipherStreamResult::WriteFailed;
  done += pending;
  if (progress && !progress(done, total)) return CipherStreamResult::Cancelled;
  return CipherStreamResult::Done;
}

}  // namespace

CipherStreamResult EncryptStream(QIODevice& in, QIODevice& out, const KeyMaterial& material,
                                 const CipherProgressFn& progress, int64_t chunkBytes) {
  return Run(true, in, out, material, progress, chunkBytes);
}

CipherStreamResult DecryptStream(QIODevice& in, QIODevice& out, const KeyMaterial& material,
                                 const CipherProgressFn& progress, int64_t chunkBytes) {
  return Run(false, in, out, material, progress, chunkBytes);
}
