#pragma once
// The library's open connections by number, and what each remembers between
// calls: protocol, session, current directory and the listing being read.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Cancel.h"
#include "DirEntry.h"

namespace tarnholm::backend {

struct FtpSession;
struct SftpSession;

enum class Protocol : int64_t { Ftp = 1, Sftp = 2, FtpsImplicit = 3, FtpsExplicit = 4 };

struct FtpSessionCloser {
  void operator()(FtpSession* s) const;
};
struct SftpSessionCloser {
  void operator()(SftpSession* s) const;
};

struct Connection {
  Protocol protocol = Protocol::Ftp;
  std::unique_ptr<FtpSession, FtpSessionCloser> ftp;     // FTP and FTPS
  std::unique_ptr<SftpSession, SftpSessionCloser> sftp;  // SFTP
  std::string directory = "/";                           // absolute, ends with "/"
  bool listing = false;                                  // between examine and finish
  std::vector<DirEntry> entries;
  std::size_t nextEntry = 0;  // entries[nextEntry - 1] is current once next was called
  ProgressFn progress;
  CancelToken* cancel = nullptr;  // the token of the connection's number
  // Temporary files of failed or cancelled sends that could not be removed
  // at once; tried again before the next call that talks to the server and
  // at the close.
  std::vector<std::string> leftovers;
};

// The open connection with this number, or null.
[[nodiscard]] Connection* FindConnection(int64_t number);
// Stores c under number, closing what was open there.
void StoreConnection(int64_t number, std::unique_ptr<Connection> c);
// Closes and forgets; false when nothing was open.
[[nodiscard]] bool RemoveConnection(int64_t number);

// The entry made current by the last successful next, or null.
[[nodiscard]] const DirEntry* CurrentEntry(const Connection& c);

}  // namespace tarnholm::backend
