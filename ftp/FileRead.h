#pragma once
// One read(2) from a local file that an interrupting signal does not end.

#include <unistd.h>

#include <cerrno>
#include <cstdint>

// Bytes read (0 at the end), or -1 with the errno in error.
inline int64_t ReadFromFile(int fd, void* buffer, int64_t capacity, int& error) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer, static_cast<size_t>(capacity));
    if (got >= 0) return got;
    if (errno != EINTR) {
      error = errno;
      return -1;
    }
  }
}
