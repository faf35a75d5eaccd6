#pragma once
// The SFTP half of the backend: one libssh session with one SFTP channel.
// Every operation is blocking and bounded in time; failures come back as
// false (or nullptr) plus a Failure, libssh codes never leave this layer.
// All paths are UTF-8 and absolute on the server.

#include <cstdint>
#include <string>
#include <vector>

#include "ftp/backend/Cancel.h"
#include "ftp/backend/DirEntry.h"
#include "ftp/backend/Failure.h"
#include "ftp/backend/TrustQuestion.h"

namespace tarnholm::backend {

struct SftpSession;  // opaque; defined in SftpInternal.h

struct SftpLogin {
  std::string host;
  int port = 22;
  std::string user;
  std::string password;
  TrustFn trust;  // empty: every host key is refused
  // Blank-separated known-hosts key types ("ssh-rsa ssh-ed25519") whose
  // host-key algorithms the key exchange offers first; empty: libssh's order.
  std::string preferredKeyTypes;
  CancelToken* cancel = nullptr;  // stops the open and every later operation
};

// Connects, checks that an SSH server answers, asks `trust` about the
// server's host key before anything of the login is sent, authenticates by
// password (or keyboard-interactive answered with the password) and opens
// the SFTP channel. nullptr with `error` on failure.
[[nodiscard]] SftpSession* SftpOpen(const SftpLogin& login, Failure& error);
// Closes the channel and the connection; accepts nullptr.
void SftpClose(SftpSession* session);

// The host key seen at connect time, e.g. "ssh-ed25519" and "SHA256:..." as
// OpenSSH prints it.
[[nodiscard]] const std::string& SftpHostKeyType(const SftpSession* session);
[[nodiscard]] const std::string& SftpHostKeyFingerprint(const SftpSession* session);

// Canonical absolute form of `path`; "." gives the login directory.
[[nodiscard]] bool SftpRealPath(SftpSession* session, const std::string& path, std::string& out, Failure& error);
// True only for an existing directory (symlinks followed) that the server
// lets us open; else false with `error`.
[[nodiscard]] bool SftpIsDirectory(SftpSession* session, const std::string& absPath, Failure& error);
// All entries of `absDir`, "." and ".." included when the server reports them.
// Links are typed as their targets; the listing fails when the session dies
// on the way, and with ListingTooLarge beyond the limits of ListingCollector.h.
[[nodiscard]] bool SftpList(SftpSession* session, const std::string& absDir, std::vector<DirEntry>& out,
                            Failure& error);
[[nodiscard]] bool SftpMakeDirectory(SftpSession* session, const std::string& absPath, Failure& error);
[[nodiscard]] bool SftpRemoveDirectory(SftpSession* session, const std::string& absPath, Failure& error);
[[nodiscard]] bool SftpRemoveFile(SftpSession* session, const std::string& absPath, Failure& error);
// A plain rename; most servers refuse it over an existing target.
[[nodiscard]] bool SftpRename(SftpSession* session, const std::string& from, const std::string& to,
                              Failure& error);
// Renames over an existing target in one step where the server offers the
// POSIX rename extension; else as SftpRename.
[[nodiscard]] bool SftpReplace(SftpSession* session, const std::string& from, const std::string& to,
                               Failure& error);
[[nodiscard]] bool SftpFileSize(SftpSession* session, const std::string& absPath, int64_t& size, Failure& error);
// Removes a file even while the session's cancel request is set: the
// clean-up after a cancelled send.
[[nodiscard]] bool SftpRemoveFileNow(SftpSession* session, const std::string& absPath, Failure& error);

// Receives remote from byte offset on into write, in order. progress sees
// done and total of the whole file (offset counted in).
[[nodiscard]] bool SftpReceive(SftpSession* session, const std::string& remote, int64_t offset,
                               const WriteFn& write, const ProgressFn& progress, Failure& error);

enum class SendMode {
  Truncate,   // create or truncate remote
  Append,     // remote holds exactly offset bytes; the rest follows them
  CreateNew,  // remote must not exist yet (a temporary name)
};
// Sends size bytes (-1: unknown) pulled from read. A partial file stays on
// failure; the caller decides about it.
[[nodiscard]] bool SftpSend(SftpSession* session, const ReadFn& read, int64_t size, const std::string& remote,
                            int64_t offset, SendMode mode, const ProgressFn& progress, Failure& error);

}  // namespace tarnholm::backend
