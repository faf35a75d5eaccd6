#include "ftp/EncryptAhead.h"

#include <unistd.h>

#include <openssl/crypto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "crypto/StreamCipher.h"
#include "ftp/FileRead.h"

namespace {

constexpr int64_t kPieceBytes = int64_t{1} << 20;
constexpr size_t kPiecesAhead = 4;

void Produce(EncryptAhead& e) {
  StreamCipher cipher;
  bool ok = StartStreamCipherAt(cipher, true, e.key, e.chain.data());
  bool last = !ok;
  while (!last) {
    std::vector<uint8_t> bytes;
    {
      std::unique_lock lock(e.mutex);
      e.changed.wait(lock, [&e] { return e.stopping || e.ready.size() < kPiecesAhead; });
      if (e.stopping) return;
      if (!e.spare.empty()) {
        bytes = std::move(e.spare.back());
        e.spare.pop_back();
      }
    }
    bytes.resize(static_cast<size_t>(kPieceBytes + kStreamCipherHeldMax));
    int error = 0;
    const int64_t got = ReadFromFile(e.fd, bytes.data() + cipher.heldCount, kPieceBytes, error);
    int64_t size = 0;
    if (got < 0) {
      std::lock_guard lock(e.mutex);
      e.readError = error;
      break;
    }
    if (got == 0) {
      size = FinishStreamCipher(cipher, bytes.data());
      last = true;
      ok = size >= 0;
    } else {
      const int64_t total = cipher.heldCount + got;
      size = UpdateStreamCipher(cipher, bytes.data(), got);
      ok = size >= 0;
      // The bytes held back are plain text; the held copy is wiped by the cipher.
      if (ok) OPENSSL_cleanse(bytes.data() + size, static_cast<size_t>(total - size));
    }
    if (!ok) break;
    std::lock_guard lock(e.mutex);
    if (size > 0) {
      e.ready.push_back(EncryptAhead::Piece{std::move(bytes), size, 0});
    } else {
      e.spare.push_back(std::move(bytes));
    }
    e.changed.notify_all();
  }
  std::lock_guard lock(e.mutex);
  e.cipherFailed = !ok && e.readError == 0;
  e.ended = true;
  e.changed.notify_all();
}

}  // namespace

EncryptAhead::~EncryptAhead() { StopEncryptAhead(*this); }

void StopEncryptAhead(EncryptAhead& e) {
  {
    std::lock_guard lock(e.mutex);
    e.stopping = true;
  }
  e.changed.notify_all();
  if (e.worker.joinable()) e.worker.join();
}

void StartEncryptAhead(EncryptAhead& e, int fd, const KeyMaterial& key, const uint8_t* chain) {
  e.fd = fd;
  e.key = key;
  std::memcpy(e.chain.data(), chain != nullptr ? chain : key.data() + kIvOffset, e.chain.size());
  e.worker = std::thread([&e] { Produce(e); });
}

int64_t TakeEncrypted(EncryptAhead& e, char* buffer, int64_t capacity) {
  std::unique_lock lock(e.mutex);
  e.changed.wait(lock, [&e] { return !e.ready.empty() || e.ended; });
  if (e.ready.empty()) return e.readError != 0 || e.cipherFailed ? -1 : 0;
  // Only this side removes pieces, and adding at the back keeps the front
  // where it is: the copy needs no lock.
  EncryptAhead::Piece& piece = e.ready.front();
  const int64_t n = std::min(capacity, piece.size - piece.taken);
  lock.unlock();
  std::memcpy(buffer, piece.bytes.data() + piece.taken, static_cast<size_t>(n));
  lock.lock();
  piece.taken += n;
  if (piece.taken == piece.size) {
    e.spare.push_back(std::move(piece.bytes));
    e.ready.pop_front();
    e.changed.notify_all();
  }
  return n;
}
