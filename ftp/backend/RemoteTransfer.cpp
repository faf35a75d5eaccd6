// Transfers of a connection: the two streams, the safe replacement of a
// server file, and the local file wrappers of the two file functions.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "FtpSession.h"
#include "LocalTemp.h"
#include "RemoteOps.h"
#include "ServerPath.h"
#include "SftpSession.h"

namespace tarnholm::backend {
namespace {

// A cancelled send is answered within half a second; its clean-up gets what
// is left of that, and is otherwise retried before the next call. Other
// clean-ups may take a little longer, but a server that has gone away must
// not hold the call that failed because of it.
constexpr long kCleanupAfterCancelMs = 300;
constexpr long kCleanupMs = 2000;

bool NoSession(Failure& error) { return Fail(error, ErrorClass::Other, "connection has no session"); }

bool SendDirect(Connection& c, const ReadFn& read, int64_t size, const std::string& remote, int64_t offset,
                bool createNew, Failure& error) {
  if (c.sftp) {
    const SendMode mode = createNew ? SendMode::CreateNew : offset > 0 ? SendMode::Append : SendMode::Truncate;
    return SftpSend(c.sftp.get(), read, size, remote, offset, mode, c.progress, error);
  }
  return c.ftp ? FtpSend(c.ftp.get(), read, size, remote, offset, c.progress, error) : NoSession(error);
}

// Removes a temporary file of ours, also while a cancel request is set.
// What the connection could not reach now is kept for later; a server's
// answer (gone already, not allowed) is final.
void RemoveTemporary(Connection& c, const std::string& path) {
  Failure why;
  bool removed = false;
  if (c.sftp) {
    removed = SftpRemoveFileNow(c.sftp.get(), path, why);
  } else if (c.ftp) {
    removed = FtpRemoveFileNow(c.ftp.get(), path, CancelRequested(c.cancel) ? kCleanupAfterCancelMs : kCleanupMs, why);
  }
  if (!removed && (why.cls == ErrorClass::Timeout || why.cls == ErrorClass::ConnectionLost ||
                   why.cls == ErrorClass::Cancelled)) {
    c.leftovers.push_back(path);
  }
}

uint32_t RandomValue() {
  static std::random_device device;
  return device();
}

bool ReplaceSafely(Connection& c, const ReadFn& read, int64_t size, const std::string& remote, Failure& error) {
  const std::string temporary = TemporarySibling(remote, RandomValue());
  if (!SendDirect(c, read, size, temporary, 0, true, error)) {
    RemoveTemporary(c, temporary);
    return false;
  }
  if (CancelRequested(c.cancel)) {
    RemoveTemporary(c, temporary);
    return Fail(error, ErrorClass::Cancelled, "cancelled");
  }
  const bool replaced = c.sftp ? SftpReplace(c.sftp.get(), temporary, remote, error)
                               : FtpRename(c.ftp.get(), temporary, remote, error);
  if (replaced) return true;
  const ErrorClass why = error.cls;
  if (why != ErrorClass::Cancelled && why != ErrorClass::ConnectionLost && why != ErrorClass::Timeout) {
    error.cls = ErrorClass::ReplaceRefused;
  }
  RemoveTemporary(c, temporary);
  return false;
}

// A whole write to a local file descriptor; false with errno set.
bool WriteAll(int fd, const char* data, int64_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, static_cast<size_t>(length));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    length -= n;
  }
  return true;
}

std::string LocalFailure(const char* what, const std::string& path, int err) {
  return std::string(what) + " " + path + ": " + std::strerror(err);
}

}  // namespace

bool RemoteReceive(Connection& c, const std::string& remote, int64_t offset, const WriteFn& write, bool sizeFirst,
                   Failure& error) {
  if (offset < 0) return Fail(error, ErrorClass::Other, "negative offset");
  if (c.sftp) return SftpReceive(c.sftp.get(), remote, offset, write, c.progress, error);
  return c.ftp ? FtpReceive(c.ftp.get(), remote, offset, write, c.progress, sizeFirst, error) : NoSession(error);
}

bool RemoteSend(Connection& c, const ReadFn& read, int64_t size, const std::string& remote, int64_t offset,
                bool replaceSafely, Failure& error) {
  if (offset < 0 || size < -1) return Fail(error, ErrorClass::Other, "negative offset or size");
  if (replaceSafely && offset > 0) {
    return Fail(error, ErrorClass::Other, "a resumed send cannot replace safely");
  }
  return replaceSafely ? ReplaceSafely(c, read, size, remote, error)
                       : SendDirect(c, read, size, remote, offset, false, error);
}

bool RemoteDownload(Connection& c, const std::string& remote, const std::string& localPath, Failure& error) {
  std::string temporary;
  const int fd = CreateTempBeside(localPath, temporary);
  if (fd < 0) return Fail(error, ErrorClass::Other, LocalFailure("cannot create", temporary, errno));
  int localError = 0;
  const WriteFn write = [&](const char* data, int64_t length) {
    if (WriteAll(fd, data, length)) return true;
    localError = errno;
    return false;
  };
  bool ok = RemoteReceive(c, remote, 0, write, true, error);
  if (localError != 0) Fail(error, ErrorClass::Other, LocalFailure("cannot write", temporary, localError));
  if (::close(fd) != 0 && ok) ok = Fail(error, ErrorClass::Other, LocalFailure("cannot write", temporary, errno));
  if (ok && ::rename(temporary.c_str(), localPath.c_str()) != 0) {
    ok = Fail(error, ErrorClass::Other, LocalFailure("cannot replace", localPath, errno));
  }
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

bool RemoteUpload(Connection& c, const std::string& localPath, const std::string& remote, Failure& error) {
  const int fd = ::open(localPath.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    const int err = errno;
    if (fd >= 0) ::close(fd);
    return Fail(error, ErrorClass::Other, LocalFailure("cannot open", localPath, err));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return Fail(error, ErrorClass::Other, "not a regular file: " + localPath);
  }
  int localError = 0;
  const ReadFn read = [&](char* buffer, int64_t capacity) -> int64_t {
    for (;;) {
      const ssize_t n = ::read(fd, buffer, static_cast<size_t>(capacity));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) localError = errno;
      return n;
    }
  };
  const bool ok = RemoteSend(c, read, static_cast<int64_t>(st.st_size), remote, 0, false, error);
  if (localError != 0) Fail(error, ErrorClass::Other, LocalFailure("cannot read", localPath, localError));
  ::close(fd);
  return ok;
}

void RemoveLeftovers(Connection& c) {
  std::vector<std::string> pending;
  pending.swap(c.leftovers);
  for (const std::string& path : pending) RemoveTemporary(c, path);
}

}  // namespace tarnholm::backend
