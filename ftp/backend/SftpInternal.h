#pragma once
// Shared by the Sftp*.cpp files only: the session record and the one place
// where libssh failures become an error class.

#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include <memory>
#include <optional>
#include <string>

#include "ftp/backend/Cancel.h"
#include "ftp/backend/Failure.h"
#include "ftp/backend/SftpWatchdog.h"

namespace tarnholm::backend {

struct SshSessionDeleter {
  void operator()(ssh_session s) const {
    ssh_disconnect(s);
    ssh_free(s);
  }
};
struct SftpChannelDeleter {
  void operator()(sftp_session s) const { sftp_free(s); }
};
struct SftpFileDeleter {
  void operator()(sftp_file f) const { sftp_close(f); }
};
struct SftpDirDeleter {
  void operator()(sftp_dir d) const { sftp_closedir(d); }
};
struct SftpAttributesDeleter {
  void operator()(sftp_attributes a) const { sftp_attributes_free(a); }
};

using SshSessionPtr = std::unique_ptr<ssh_session_struct, SshSessionDeleter>;
using SftpChannelPtr = std::unique_ptr<sftp_session_struct, SftpChannelDeleter>;
using SftpFilePtr = std::unique_ptr<sftp_file_struct, SftpFileDeleter>;
using SftpDirPtr = std::unique_ptr<sftp_dir_struct, SftpDirDeleter>;
using SftpAttributesPtr = std::unique_ptr<sftp_attributes_struct, SftpAttributesDeleter>;

// The session's socket. libssh 0.10 leaves a socket it was handed
// (SSH_OPTIONS_FD) to the caller to close.
struct SocketOwner {
  int fd = -1;
  SocketOwner() = default;
  SocketOwner(const SocketOwner&) = delete;
  SocketOwner& operator=(const SocketOwner&) = delete;
  ~SocketOwner();
};

struct SftpSession {
  // Declared first so it is closed last, after libssh let go of it.
  SocketOwner socket;
  // The channel lives inside it.
  SshSessionPtr ssh;
  SftpChannelPtr sftp;
  std::string hostKeyType;
  std::string hostKeyFingerprint;
  // Largest payload of one write request this server is known to accept.
  size_t writeChunk = 32 * 1024;
  // No operation may go this long without an answer from the server.
  int noAnswerSeconds = 30;
  CancelToken* cancel = nullptr;
  // Declared after the channel so that its thread ends before the socket goes away.
  SftpWatchdog watchdog;
  // Declared last: unregistered before the watchdog it nudges goes.
  std::optional<WakeRegistration> wake;
};

// A cancelled operation may finish by itself this long before the watchdog
// ends it by closing the connection.
inline constexpr std::chrono::milliseconds kCancelGrace{250};

// At the start of every operation: false (Cancelled, or ConnectionLost for a
// session the watchdog has closed) when it must not touch the server.
[[nodiscard]] bool Usable(SftpSession* session, Failure& error);
// The connection and the SFTP channel still stand.
[[nodiscard]] bool SessionAlive(SftpSession* session);

// "<what> <path>: <reason>" with the class that fits: a cancel request, the
// watchdog, a dead session, or the SFTP status of the server's answer.
bool SftpFail(SftpSession* session, const char* what, const std::string& path, Failure& error);

}  // namespace tarnholm::backend
