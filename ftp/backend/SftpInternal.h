#pragma once
// Shared by the Sftp*.cpp files only: the session record and the one place
// where libssh failures become message text.

#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include <memory>
#include <string>

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

struct SftpSession {
  // Declared first so it is destroyed last: the channel lives inside it.
  SshSessionPtr ssh;
  SftpChannelPtr sftp;
  std::string hostKeyType;
  std::string hostKeyFingerprint;
  // Largest payload of one write request this server is known to accept.
  size_t writeChunk = 32 * 1024;
  // Declared last so that its thread ends before the socket goes away.
  SftpWatchdog watchdog;
};

// No operation may go this long without an answer from the server.
constexpr int kNoAnswerSeconds = 30;

// "<what> <path>: <reason>" from the SFTP status and the libssh error text.
[[nodiscard]] std::string SftpFailure(SftpSession* session, const char* what,
                                      const std::string& path);

}  // namespace tarnholm::backend
