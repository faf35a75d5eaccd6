#pragma once
// One entry of a server directory listing, as both protocol back ends deliver
// it, and the callbacks a transfer reports to and moves its bytes through.

#include <cstdint>
#include <functional>
#include <string>

namespace tarnholm::backend {

enum class EntryType : int64_t { Other = 0, File = 1, Directory = 2 };

struct DirEntry {
  std::string name;       // UTF-8, a single path component as the server reported it
  int64_t size = 0;
  int64_t date = -1;      // local wall-clock fields as seconds since 1970 (no zone shift), -1 if none
  EntryType type = EntryType::Other;
  bool link = false;      // a symbolic link; type is that of its target where the listing tells it
};

// Called during a transfer with bytes moved so far and the expected total
// (-1 when unknown). Returning false aborts the transfer.
using ProgressFn = std::function<bool(int64_t done, int64_t total)>;

// The bytes of a send: fills buffer with up to capacity bytes and gives how
// many; 0 at the end, -1 to abort.
using ReadFn = std::function<int64_t(char* buffer, int64_t capacity)>;
// The bytes of a receive, in order; false aborts.
using WriteFn = std::function<bool(const char* data, int64_t length)>;

}  // namespace tarnholm::backend
