#pragma once
// The SFTP half of the backend: one libssh session with one SFTP channel.
// Every operation is blocking and bounded in time; failures come back as
// false (or nullptr) plus message text, libssh codes never leave this layer.
// All paths are UTF-8 and absolute on the server.

#include <string>
#include <vector>

#include "ftp/backend/DirEntry.h"
#include "ftp/backend/TrustQuestion.h"

namespace tarnholm::backend {

struct SftpSession;  // opaque; defined in SftpInternal.h

// Connects, asks `trust` about the server's host key before anything of the
// login is sent, authenticates by password (or keyboard-interactive answered
// with the password) and opens the SFTP channel. An empty `trust` refuses
// every key. nullptr with `error` on failure.
[[nodiscard]] SftpSession* SftpOpen(const std::string& host, int port, const std::string& user,
                                    const std::string& password, const TrustFn& trust,
                                    std::string& error);
// Closes the channel and the connection; accepts nullptr.
void SftpClose(SftpSession* session);

// The host key seen at connect time, e.g. "ssh-ed25519" and "SHA256:..." as
// OpenSSH prints it.
[[nodiscard]] const std::string& SftpHostKeyType(const SftpSession* session);
[[nodiscard]] const std::string& SftpHostKeyFingerprint(const SftpSession* session);

// Canonical absolute form of `path`; "." gives the login directory.
[[nodiscard]] bool SftpRealPath(SftpSession* session, const std::string& path, std::string& out,
                                std::string& error);
// True only for an existing directory (symlinks followed); else false with `error`.
[[nodiscard]] bool SftpIsDirectory(SftpSession* session, const std::string& absPath,
                                   std::string& error);
// All entries of `absDir`, "." and ".." included when the server reports them.
[[nodiscard]] bool SftpList(SftpSession* session, const std::string& absDir,
                            std::vector<DirEntry>& out, std::string& error);
[[nodiscard]] bool SftpMakeDirectory(SftpSession* session, const std::string& absPath,
                                     std::string& error);
[[nodiscard]] bool SftpRemoveDirectory(SftpSession* session, const std::string& absPath,
                                       std::string& error);
[[nodiscard]] bool SftpRemoveFile(SftpSession* session, const std::string& absPath,
                                  std::string& error);
[[nodiscard]] bool SftpRename(SftpSession* session, const std::string& from, const std::string& to,
                              std::string& error);

// Transfers. `progress` may be empty; returning false from it aborts. A failed
// download leaves no local file at `localPath` (an existing one is replaced only
// on success); a failed upload removes the partial remote file where it can.
[[nodiscard]] bool SftpDownload(SftpSession* session, const std::string& remote,
                                const std::string& localPath, const ProgressFn& progress,
                                std::string& error);
[[nodiscard]] bool SftpUpload(SftpSession* session, const std::string& localPath,
                              const std::string& remote, const ProgressFn& progress,
                              std::string& error);

}  // namespace tarnholm::backend
