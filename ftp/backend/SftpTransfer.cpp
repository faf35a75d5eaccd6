// Receives keep several read requests in flight, because one request per
// round trip leaves the line idle most of the time. Sends have no
// asynchronous write in this libssh, so they send the largest writes the
// server accepts. Both test the cancel request after every block and leave
// the session usable when they stop.

#include <fcntl.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <vector>

#include "ftp/backend/SftpInternal.h"
#include "ftp/backend/SftpSession.h"

namespace tarnholm::backend {
namespace {

// Measured on loopback against OpenSSH: 16 requests of 32 KiB in flight beat
// both fewer and larger ones (a 32 KiB answer fits one SSH channel packet,
// and the total stays inside libssh's receive window of about 1.2 MB).
constexpr uint32_t kReadChunk = 32 * 1024;
constexpr size_t kReadsInFlight = 16;

struct ReadRequest {
  int id;
  uint64_t offset;
  uint32_t length;
};

// Receives the remote file from `next` on into write; false with `error`.
[[nodiscard]] bool ReceiveInto(SftpSession* session, sftp_file file, const std::string& remote, uint64_t next,
                               int64_t total, const WriteFn& write, const ProgressFn& progress, Failure& error) {
  std::vector<char> buffer(kReadChunk);
  std::deque<ReadRequest> inFlight;
  int64_t done = static_cast<int64_t>(next);
  bool eof = false;
  // After a local failure or a stop the answers still on their way are
  // collected, so that they cannot get in the way of the next request.
  const auto drain = [&] {
    for (const ReadRequest& r : inFlight) {
      (void)sftp_async_read(file, buffer.data(), r.length, static_cast<uint32_t>(r.id));
    }
    inFlight.clear();
  };
  const auto deliver = [&](const char* data, int64_t length) {
    if (write(data, length)) return true;
    drain();
    return Fail(error, ErrorClass::Callback, "download " + remote + ": the write callback refused");
  };
  for (;;) {
    if (CancelRequested(session->cancel)) {
      drain();
      return SftpFail(session, "download", remote, error);
    }
    // Requests stop at the size fstat gave; one more past it, once the rest
    // has arrived, confirms the end (or finds that the file has grown).
    while (!eof && inFlight.size() < kReadsInFlight &&
           (total < 0 || next < static_cast<uint64_t>(total) || inFlight.empty())) {
      uint32_t length = kReadChunk;
      if (total >= 0 && next < static_cast<uint64_t>(total)) {
        length = static_cast<uint32_t>(std::min<uint64_t>(kReadChunk, total - next));
      }
      sftp_seek64(file, next);
      const int id = sftp_async_read_begin(file, length);
      if (id < 0) {
        drain();
        return SftpFail(session, "download", remote, error);
      }
      inFlight.push_back({id, next, length});
      next += length;
    }
    if (inFlight.empty()) return true;

    const ReadRequest request = inFlight.front();
    inFlight.pop_front();
    const int received = sftp_async_read(file, buffer.data(), request.length, static_cast<uint32_t>(request.id));
    if (received < 0) {
      drain();
      return SftpFail(session, "download", remote, error);
    }
    if (received == 0) {
      eof = true;  // later requests lie beyond the end and answer 0 at once
      continue;
    }
    ArmWatchdog(session->watchdog, session->noAnswerSeconds);  // the server is alive
    if (!deliver(buffer.data(), received)) return false;
    done += received;
    // A server may cut a read short; fetch the rest at once so the bytes are
    // still handed on strictly in order.
    uint64_t offset = request.offset + static_cast<uint64_t>(received);
    uint32_t missing = request.length - static_cast<uint32_t>(received);
    while (missing > 0) {
      sftp_seek64(file, offset);
      const ssize_t got = sftp_read(file, buffer.data(), missing);
      if (got < 0) {
        drain();
        return SftpFail(session, "download", remote, error);
      }
      if (got == 0) {
        eof = true;
        break;
      }
      ArmWatchdog(session->watchdog, session->noAnswerSeconds);
      if (!deliver(buffer.data(), got)) return false;
      done += got;
      offset += static_cast<uint64_t>(got);
      missing -= static_cast<uint32_t>(got);
    }
    if (progress && !progress(done, total)) {
      drain();
      return Fail(error, ErrorClass::Cancelled, "download " + remote + ": stopped by the progress callback");
    }
  }
}

// Fills buffer from read until it is full or read ends; -1 when read failed.
int64_t FillChunk(const ReadFn& read, std::vector<char>& buffer, int64_t limit) {
  int64_t filled = 0;
  while (filled < limit) {
    const int64_t n = read(buffer.data() + filled, limit - filled);
    if (n < 0 || n > limit - filled) return -1;
    if (n == 0) break;
    filled += n;
  }
  return filled;
}

// Why a write failed: OpenSSH reports a full disk as a bare "failure", so
// the free space of the folder is asked where the server tells it.
bool WriteFailed(SftpSession* session, const std::string& remote, Failure& error) {
  SftpFail(session, "upload", remote, error);
  if (error.cls != ErrorClass::Other || !SessionAlive(session) ||
      sftp_extension_supported(session->sftp.get(), "statvfs@openssh.com", "2") != 1) {
    return false;
  }
  const std::string folder = remote.substr(0, remote.rfind('/') + 1);
  if (sftp_statvfs_t space = sftp_statvfs(session->sftp.get(), folder.c_str())) {
    if (space->f_bavail * std::max<uint64_t>(space->f_frsize, 1) < session->writeChunk) {
      error.cls = ErrorClass::DiskFull;
    }
    sftp_statvfs_free(space);
  }
  return false;
}

}  // namespace

bool SftpReceive(SftpSession* session, const std::string& remote, int64_t offset, const WriteFn& write,
                 const ProgressFn& progress, Failure& error) {
  if (!Usable(session, error)) return false;
  // Re-armed after every block: a transfer fails only when it stalls.
  WatchdogGuard guard(session->watchdog, session->noAnswerSeconds);
  SftpFilePtr file(sftp_open(session->sftp.get(), remote.c_str(), O_RDONLY, 0));
  if (!file) return SftpFail(session, "download", remote, error);
  int64_t total = -1;
  if (SftpAttributesPtr attributes{sftp_fstat(file.get())};
      attributes && (attributes->flags & SSH_FILEXFER_ATTR_SIZE)) {
    total = static_cast<int64_t>(attributes->size);
  }
  if (total >= 0 && offset > total) {
    return Fail(error, ErrorClass::Other,
                "download " + remote + ": it holds " + std::to_string(total) + " bytes, fewer than the " +
                    std::to_string(offset) + " to resume after");
  }
  if (!ReceiveInto(session, file.get(), remote, static_cast<uint64_t>(offset), total, write, progress, error)) {
    return false;
  }
  if (sftp_close(file.release()) != SSH_OK) return SftpFail(session, "download", remote, error);
  return true;
}

bool SftpSend(SftpSession* session, const ReadFn& read, int64_t size, const std::string& remote, int64_t offset,
              SendMode mode, const ProgressFn& progress, Failure& error) {
  if (!Usable(session, error)) return false;
  WatchdogGuard guard(session->watchdog, session->noAnswerSeconds);
  sftp_session sftp = session->sftp.get();
  const int access = mode == SendMode::Append      ? O_WRONLY
                     : mode == SendMode::CreateNew ? O_WRONLY | O_CREAT | O_EXCL
                                                   : O_WRONLY | O_CREAT | O_TRUNC;
  SftpFilePtr file(sftp_open(sftp, remote.c_str(), access, 0644));
  if (!file) return SftpFail(session, "upload", remote, error);
  if (mode == SendMode::Append) {
    SftpAttributesPtr attributes{sftp_fstat(file.get())};
    if (!attributes) return SftpFail(session, "upload", remote, error);
    if (!(attributes->flags & SSH_FILEXFER_ATTR_SIZE) || attributes->size != static_cast<uint64_t>(offset)) {
      return Fail(error, ErrorClass::Other,
                  "upload " + remote + ": it does not hold the " + std::to_string(offset) + " bytes to resume after");
    }
    if (sftp_seek64(file.get(), static_cast<uint64_t>(offset)) != 0) {
      return SftpFail(session, "upload", remote, error);
    }
  }
  const int64_t total = size >= 0 ? offset + size : -1;
  std::vector<char> buffer(session->writeChunk);
  int64_t sent = 0;
  for (;;) {
    if (CancelRequested(session->cancel)) return SftpFail(session, "upload", remote, error);
    int64_t limit = static_cast<int64_t>(buffer.size());
    if (size >= 0) limit = std::min(limit, size - sent);
    const int64_t count = limit > 0 ? FillChunk(read, buffer, limit) : 0;
    if (count < 0) return Fail(error, ErrorClass::Callback, "upload " + remote + ": the read callback refused");
    if (count == 0) break;
    const ssize_t written = sftp_write(file.get(), buffer.data(), static_cast<size_t>(count));
    if (written != count) return WriteFailed(session, remote, error);
    ArmWatchdog(session->watchdog, session->noAnswerSeconds);
    sent += count;
    if (progress && !progress(offset + sent, total)) {
      return Fail(error, ErrorClass::Cancelled, "upload " + remote + ": stopped by the progress callback");
    }
  }
  if (size >= 0 && sent != size) {
    return Fail(error, ErrorClass::Callback,
                "upload " + remote + ": the read callback ended after " + std::to_string(sent) + " of " +
                    std::to_string(size) + " bytes");
  }
  // Some servers report write errors only when the handle is closed; only
  // then is the last byte confirmed.
  if (sftp_close(file.release()) != SSH_OK) return WriteFailed(session, remote, error);
  return true;
}

}  // namespace tarnholm::backend
