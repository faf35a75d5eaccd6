// Downloads keep several read requests in flight, because one request per
// round trip leaves the line idle most of the time. Uploads have no
// asynchronous write in this libssh, so they send the largest writes the
// server accepts.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "ftp/backend/LocalTemp.h"
#include "ftp/backend/SftpInternal.h"
#include "ftp/backend/SftpSession.h"

namespace tarnholm::backend {
namespace {

namespace fs = std::filesystem;

// Measured on loopback against OpenSSH: 16 requests of 32 KiB in flight beat
// both fewer and larger ones (a 32 KiB answer fits one SSH channel packet,
// and the total stays inside libssh's receive window of about 1.2 MB).
constexpr uint32_t kReadChunk = 32 * 1024;
constexpr size_t kReadsInFlight = 16;

fs::path LocalPath(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

struct ReadRequest {
  int id;
  uint64_t offset;
  uint32_t length;
};

// Receives the remote file into `out`; false with `error` on any failure.
[[nodiscard]] bool ReceiveInto(SftpSession* session, sftp_file file, const std::string& remote,
                               int64_t total, std::ofstream& out, const ProgressFn& progress,
                               std::string& error) {
  std::vector<char> buffer(kReadChunk);
  std::deque<ReadRequest> inFlight;
  uint64_t next = 0;
  int64_t done = 0;
  bool eof = false;
  // After a local failure or an abort the answers still on their way are
  // collected, so that they cannot get in the way of the next request.
  const auto drain = [&] {
    for (const ReadRequest& r : inFlight) {
      (void)sftp_async_read(file, buffer.data(), r.length, static_cast<uint32_t>(r.id));
    }
  };
  for (;;) {
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
        error = SftpFailure(session, "download", remote);
        return false;
      }
      inFlight.push_back({id, next, length});
      next += length;
    }
    if (inFlight.empty()) return true;

    const ReadRequest request = inFlight.front();
    inFlight.pop_front();
    const int received = sftp_async_read(file, buffer.data(), request.length, static_cast<uint32_t>(request.id));
    if (received < 0) {
      error = SftpFailure(session, "download", remote);
      return false;
    }
    if (received == 0) {
      eof = true;  // later requests lie beyond the end and answer 0 at once
      continue;
    }
    ArmWatchdog(session->watchdog, kNoAnswerSeconds);  // the server is alive
    out.write(buffer.data(), received);
    done += received;
    // A server may cut a read short; fetch the rest at once so the local file
    // is still written strictly in order.
    uint64_t offset = request.offset + static_cast<uint64_t>(received);
    uint32_t missing = request.length - static_cast<uint32_t>(received);
    while (missing > 0 && out) {
      sftp_seek64(file, offset);
      const ssize_t got = sftp_read(file, buffer.data(), missing);
      if (got < 0) {
        error = SftpFailure(session, "download", remote);
        return false;
      }
      if (got == 0) {
        eof = true;
        break;
      }
      ArmWatchdog(session->watchdog, kNoAnswerSeconds);
      out.write(buffer.data(), got);
      done += got;
      offset += static_cast<uint64_t>(got);
      missing -= static_cast<uint32_t>(got);
    }
    if (!out) {
      error = "download " + remote + ": cannot write the local file";
      drain();
      return false;
    }
    if (progress && !progress(done, total)) {
      error = "download " + remote + ": aborted";
      drain();
      return false;
    }
  }
}

}  // namespace

bool SftpDownload(SftpSession* session, const std::string& remote, const std::string& localPath,
                  const ProgressFn& progress, std::string& error) {
  // Re-armed after every block: a transfer fails only when it stalls.
  WatchdogGuard guard(session->watchdog, kNoAnswerSeconds);
  SftpFilePtr file(sftp_open(session->sftp.get(), remote.c_str(), O_RDONLY, 0));
  if (!file) {
    error = SftpFailure(session, "download", remote);
    return false;
  }
  int64_t total = -1;
  if (SftpAttributesPtr attributes{sftp_fstat(file.get())};
      attributes && (attributes->flags & SSH_FILEXFER_ATTR_SIZE)) {
    total = static_cast<int64_t>(attributes->size);
  }

  // Written beside the target and renamed at the end, so that a failure
  // leaves neither a partial file nor a damaged older copy.
  // The temporary name is created exclusively first; reopening our own fresh
  // file for the stream cannot be redirected by anyone else.
  const fs::path target = LocalPath(localPath);
  std::string temporaryName;
  const int fd = CreateTempBeside(localPath, temporaryName);
  if (fd < 0) {
    error = "download " + remote + ": cannot create " + localPath;
    return false;
  }
  ::close(fd);
  const fs::path temporary = LocalPath(temporaryName);
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!out) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    error = "download " + remote + ": cannot create " + localPath;
    return false;
  }
  bool ok = ReceiveInto(session, file.get(), remote, total, out, progress, error);
  out.close();
  if (ok && out.fail()) {
    error = "download " + remote + ": cannot write " + localPath;
    ok = false;
  }
  if (ok && sftp_close(file.release()) != SSH_OK) {
    error = SftpFailure(session, "download", remote);
    ok = false;
  }
  std::error_code ec;
  if (ok) {
    fs::rename(temporary, target, ec);
    if (ec) {
      error = "download " + remote + ": cannot create " + localPath + ": " + ec.message();
      ok = false;
    }
  }
  if (!ok) fs::remove(temporary, ec);
  return ok;
}

bool SftpUpload(SftpSession* session, const std::string& localPath, const std::string& remote,
                const ProgressFn& progress, std::string& error) {
  const fs::path source = LocalPath(localPath);
  std::ifstream in(source, std::ios::binary);
  std::error_code ec;
  const uintmax_t size = fs::file_size(source, ec);
  if (!in || ec) {
    error = "upload " + localPath + ": cannot open the local file";
    return false;
  }
  const int64_t total = static_cast<int64_t>(size);

  WatchdogGuard guard(session->watchdog, kNoAnswerSeconds);
  sftp_session sftp = session->sftp.get();
  SftpFilePtr file(sftp_open(sftp, remote.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
  if (!file) {
    error = SftpFailure(session, "upload", remote);
    return false;
  }
  std::vector<char> buffer(session->writeChunk);
  int64_t done = 0;
  bool ok = true;
  while (ok) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const std::streamsize count = in.gcount();
    if (count <= 0) {
      if (!in.eof()) {
        error = "upload " + localPath + ": cannot read the local file";
        ok = false;
      }
      break;
    }
    const ssize_t written = sftp_write(file.get(), buffer.data(), static_cast<size_t>(count));
    if (written != count) {
      error = SftpFailure(session, "upload", remote);
      ok = false;
      break;
    }
    ArmWatchdog(session->watchdog, kNoAnswerSeconds);
    done += count;
    if (progress && !progress(done, total)) {
      error = "upload " + remote + ": aborted";
      ok = false;
    }
  }
  // Some servers report write errors only when the handle is closed.
  if (sftp_close(file.release()) != SSH_OK && ok) {
    error = SftpFailure(session, "upload", remote);
    ok = false;
  }
  if (!ok) sftp_unlink(sftp, remote.c_str());  // best effort; the error above is what counts
  return ok;
}

}  // namespace tarnholm::backend
