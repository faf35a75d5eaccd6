#include "crypto/RandomSource.h"

#ifdef _WIN32
#include <windows.h>
#include <wincrypt.h>
#else
#include <sys/random.h>

#include <cerrno>
#endif

#ifdef _WIN32

bool FillFromRandomSource(uint8_t* buffer, size_t size) {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
    return false;
  }
  bool filled = true;
  while (filled && size > 0) {
    const DWORD chunk = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
    filled = CryptGenRandom(provider, chunk, buffer) != FALSE;
    buffer += chunk;
    size -= chunk;
  }
  CryptReleaseContext(provider, 0);
  return filled;
}

#else

bool FillFromRandomSource(uint8_t* buffer, size_t size) {
  // getrandom(2) needs no descriptor to open or close; it blocks only until the
  // kernel's pool has been seeded once. Large requests may come back short.
  while (size > 0) {
    const ssize_t got = getrandom(buffer, size, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    buffer += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

#endif
