#pragma once
// The file cipher over devices: reads the input in chunks and writes exactly
// the bytes EncryptBuffer/DecryptBuffer would give for the whole input, with
// memory bounded by the chunk size. Sizes are 64-bit; there is no file limit.

#include "state/KeyMaterial.h"

#include <cstdint>
#include <functional>

class QIODevice;

enum class CipherStreamResult {
  Done = 0,      // every byte read, transformed and written
  TooShort,      // fewer than 16 bytes in the input; nothing written
  ReadFailed,    // the input reported an error
  WriteFailed,   // the output took fewer bytes than given, or failed to flush
  Cancelled,     // the progress callback returned false
  CipherFailed,  // OpenSSL refused (not expected with a valid key)
};

// Called after every chunk written with the input bytes done so far and the
// input's size (-1 for a sequential device). Returning false stops the run.
using CipherProgressFn = std::function<bool(int64_t done, int64_t total)>;

inline constexpr int64_t kDefaultChunkBytes = int64_t{4} << 20;

// in is read from its current position to its end; out is written from its
// current position. After a failure out holds a partial result, which the
// caller discards (QSaveFile::cancelWriting, or removing the file).
// chunkBytes is rounded up to a multiple of 16.
[[nodiscard]] CipherStreamResult EncryptStream(QIODevice& in, QIODevice& out,
                                               const KeyMaterial& material,
                                               const CipherProgressFn& progress = {},
                                               int64_t chunkBytes = kDefaultChunkBytes);
[[nodiscard]] CipherStreamResult DecryptStream(QIODevice& in, QIODevice& out,
                                               const KeyMaterial& material,
                                               const CipherProgressFn& progress = {},
                                               int64_t chunkBytes = kDefaultChunkBytes);
