#pragma once
// An encrypted upload's bytes, made on a thread of their own ahead of the
// sender: the file is read and encrypted piece by piece while the backend
// sends the pieces before, so encrypting and sending overlap. At most a few
// pieces wait at a time.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "state/KeyMaterial.h"

struct EncryptAhead {
  struct Piece {
    std::vector<uint8_t> bytes;
    int64_t size = 0;
    int64_t taken = 0;
  };
  int fd = -1;  // not owned
  KeyMaterial key{};
  std::array<uint8_t, 16> chain{};  // the ciphertext block before where it starts
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Piece> ready;
  std::vector<std::vector<uint8_t>> spare;
  bool ended = false;     // the last piece is queued (or it failed)
  bool stopping = false;
  int readError = 0;      // errno of a failed read
  bool cipherFailed = false;  // OpenSSL refused, or the file was shorter than a block
  std::thread worker;
  ~EncryptAhead();        // stops and joins the thread
};

// Starts encrypting the file open at fd (read from its position to its end).
// From a block boundary inside the file, chain is the ciphertext block before
// it; null at the start.
void StartEncryptAhead(EncryptAhead& e, int fd, const KeyMaterial& key, const uint8_t* chain = nullptr);

// Ends the thread (at once, whatever is left to do); idempotent.
void StopEncryptAhead(EncryptAhead& e);

// Copies up to capacity encrypted bytes to buffer, waiting for them if need
// be: their count, 0 at the end, -1 when reading or encrypting failed.
[[nodiscard]] int64_t TakeEncrypted(EncryptAhead& e, char* buffer, int64_t capacity);
