#include "ftp/backend/SftpSession.h"

#include <unistd.h>

#include "ftp/backend/HostKeyOrder.h"
#include "ftp/backend/SftpInternal.h"
#include "ftp/backend/TcpConnect.h"
#include "ftp/backend/Timeouts.h"

namespace tarnholm::backend {
namespace {

// Servers send at most a handful of keyboard-interactive rounds; more means
// the password is not what they want.
constexpr int kMaxInteractiveRounds = 8;
// OpenSSH accepts SFTP messages up to 256 KiB; leave room for the header.
constexpr size_t kOpenSshWriteChunk = 255 * 1024;

const char* StatusText(int status) {
  switch (status) {
    case SSH_FX_OK: return "ok";
    case SSH_FX_EOF: return "end of file";
    case SSH_FX_NO_SUCH_FILE: return "no such file";
    case SSH_FX_PERMISSION_DENIED: return "permission denied";
    case SSH_FX_FAILURE: return "failure";
    case SSH_FX_BAD_MESSAGE: return "bad message";
    case SSH_FX_NO_CONNECTION: return "no connection";
    case SSH_FX_CONNECTION_LOST: return "connection lost";
    case SSH_FX_OP_UNSUPPORTED: return "operation unsupported";
    case SSH_FX_INVALID_HANDLE: return "invalid handle";
    case SSH_FX_NO_SUCH_PATH: return "no such path";
    case SSH_FX_FILE_ALREADY_EXISTS: return "file already exists";
    case SSH_FX_WRITE_PROTECT: return "write protected";
    case SSH_FX_NO_MEDIA: return "no media";
    case 14: return "no space on the file system";
    case 15: return "quota exceeded";
    default: return "unknown status";
  }
}

ErrorClass ClassOfStatus(int status) {
  switch (status) {
    case SSH_FX_NO_SUCH_FILE:
    case SSH_FX_NO_SUCH_PATH: return ErrorClass::NotFound;
    case SSH_FX_PERMISSION_DENIED:
    case SSH_FX_WRITE_PROTECT: return ErrorClass::Permission;
    case 14:  // SSH_FX_NO_SPACE_ON_FILESYSTEM (version 5 on, sent by some servers anyway)
    case 15:  // SSH_FX_QUOTA_EXCEEDED
      return ErrorClass::DiskFull;
    case SSH_FX_NO_CONNECTION:
    case SSH_FX_CONNECTION_LOST: return ErrorClass::ConnectionLost;
    default: return ErrorClass::Other;
  }
}

// Failures of the SSH layer (connect, key exchange, log-in): the cancel
// request and the watchdog explain them first.
bool SshFail(SftpSession& s, const char* what, ErrorClass otherwise, Failure& error) {
  std::string text = std::string(what) + ": ";
  if (CancelRequested(s.cancel)) return Fail(error, ErrorClass::Cancelled, text + "cancelled");
  if (WatchdogFired(s.watchdog)) {
    return Fail(error, ErrorClass::Timeout,
                text + "no answer from the server for " + std::to_string(s.noAnswerSeconds) + " s");
  }
  return Fail(error, otherwise, text + ssh_get_error(s.ssh.get()));
}

// The one place that decides whether the server's host key is trusted. The
// library keeps no known-hosts file, so the caller is asked about every key;
// it answers from what it remembers or asks the user.
[[nodiscard]] bool CheckHostKey(SftpSession& session, const SftpLogin& login, Failure& error) {
  ssh_session ssh = session.ssh.get();
  ssh_key key = nullptr;
  if (ssh_get_server_publickey(ssh, &key) != SSH_OK) return SshFail(session, "host key", ErrorClass::Other, error);
  std::unique_ptr<ssh_key_struct, decltype(&ssh_key_free)> keyOwner(key, &ssh_key_free);
  unsigned char* hash = nullptr;
  size_t hashLen = 0;
  if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &hashLen) != 0) {
    return SshFail(session, "host key fingerprint", ErrorClass::Other, error);
  }
  char* fingerprint = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, hashLen);
  ssh_clean_pubkey_hash(&hash);
  char* base64 = nullptr;
  if (fingerprint == nullptr || ssh_pki_export_pubkey_base64(key, &base64) != SSH_OK) {
    ssh_string_free_char(fingerprint);
    return Fail(error, ErrorClass::Other, "host key fingerprint: out of memory");
  }
  session.hostKeyFingerprint = fingerprint;
  ssh_string_free_char(fingerprint);
  const std::string blob = base64;
  ssh_string_free_char(base64);
  const char* type = ssh_key_type_to_char(ssh_key_type(key));
  session.hostKeyType = type != nullptr ? type : "unknown";

  if (!login.trust) {
    return Fail(error, ErrorClass::TrustRefused,
                "host key " + session.hostKeyFingerprint + " not verified: nobody to ask");
  }
  TrustQuestion q;
  q.host = login.host;
  q.port = login.port;
  q.kind = TrustKind::HostKey;
  q.fingerprint = session.hostKeyFingerprint;
  q.publicKey = session.hostKeyType + " " + blob;
  if (!login.trust(q)) {
    return Fail(error, ErrorClass::TrustRefused, "host key " + session.hostKeyFingerprint + " refused");
  }
  return true;
}

// Answers every prompt with the password; servers that only offer
// keyboard-interactive ask exactly that.
int AuthenticateInteractive(ssh_session ssh, const std::string& password) {
  int rc = ssh_userauth_kbdint(ssh, nullptr, nullptr);
  for (int round = 0; rc == SSH_AUTH_INFO && round < kMaxInteractiveRounds; ++round) {
    const int prompts = ssh_userauth_kbdint_getnprompts(ssh);
    for (int i = 0; i < prompts; ++i) {
      if (ssh_userauth_kbdint_setanswer(ssh, static_cast<unsigned>(i), password.c_str()) < 0) {
        return SSH_AUTH_ERROR;
      }
    }
    rc = ssh_userauth_kbdint(ssh, nullptr, nullptr);
  }
  return rc == SSH_AUTH_INFO ? SSH_AUTH_DENIED : rc;
}

[[nodiscard]] bool Authenticate(SftpSession& session, const SftpLogin& login, Failure& error) {
  ssh_session ssh = session.ssh.get();
  // "none" both tries for an open door and makes the server list its methods.
  int rc = ssh_userauth_none(ssh, nullptr);
  if (rc == SSH_AUTH_SUCCESS) return true;
  if (rc == SSH_AUTH_ERROR) return SshFail(session, "authentication", ErrorClass::ConnectionLost, error);
  const int methods = ssh_userauth_list(ssh, nullptr);
  rc = SSH_AUTH_DENIED;
  if (methods & SSH_AUTH_METHOD_PASSWORD) {
    rc = ssh_userauth_password(ssh, nullptr, login.password.c_str());
  }
  if (rc == SSH_AUTH_DENIED && (methods & SSH_AUTH_METHOD_INTERACTIVE)) {
    rc = AuthenticateInteractive(ssh, login.password);
  }
  if (rc == SSH_AUTH_SUCCESS) return true;
  if (rc == SSH_AUTH_ERROR) return SshFail(session, "authentication", ErrorClass::ConnectionLost, error);
  if (!(methods & (SSH_AUTH_METHOD_PASSWORD | SSH_AUTH_METHOD_INTERACTIVE))) {
    return Fail(error, ErrorClass::LoginRefused,
                "authentication: the server accepts no password for user " + login.user);
  }
  return Fail(error, ErrorClass::LoginRefused, "authentication: access denied for user " + login.user);
}

bool SetOptions(SftpSession& session, const SftpLogin& login, Failure& error) {
  ssh_session ssh = session.ssh.get();
  const unsigned int portValue = static_cast<unsigned int>(login.port);
  const long timeout = session.noAnswerSeconds;
  const int noConfig = 0;
  const std::string algorithms = HostKeyAlgorithms(login.preferredKeyTypes);
  if (ssh_options_set(ssh, SSH_OPTIONS_HOST, login.host.c_str()) != SSH_OK ||
      ssh_options_set(ssh, SSH_OPTIONS_PORT, &portValue) != SSH_OK ||
      ssh_options_set(ssh, SSH_OPTIONS_USER, login.user.c_str()) != SSH_OK ||
      ssh_options_set(ssh, SSH_OPTIONS_TIMEOUT, &timeout) != SSH_OK ||
      // The user's own ssh configuration must not redirect or reconfigure us.
      ssh_options_set(ssh, SSH_OPTIONS_PROCESS_CONFIG, &noConfig) != SSH_OK ||
      (!algorithms.empty() && ssh_options_set(ssh, SSH_OPTIONS_HOSTKEYS, algorithms.c_str()) != SSH_OK)) {
    return Fail(error, ErrorClass::Other, std::string("connect options: ") + ssh_get_error(ssh));
  }
  return true;
}

}  // namespace

SocketOwner::~SocketOwner() {
  if (fd >= 0) ::close(fd);
}

bool SessionAlive(SftpSession* s) {
  if (WatchdogFired(s->watchdog) || ssh_is_connected(s->ssh.get()) != 1 || !s->sftp) return false;
  ssh_channel channel = s->sftp->channel;
  return channel != nullptr && ssh_channel_is_open(channel) != 0 && ssh_channel_is_eof(channel) == 0;
}

bool Usable(SftpSession* s, Failure& error) {
  if (CancelRequested(s->cancel)) return Fail(error, ErrorClass::Cancelled, "cancelled");
  if (!SessionAlive(s)) return Fail(error, ErrorClass::ConnectionLost, "the connection is closed");
  return true;
}

bool SftpFail(SftpSession* s, const char* what, const std::string& path, Failure& error) {
  const std::string text = std::string(what) + " " + path + ": ";
  if (CancelRequested(s->cancel)) return Fail(error, ErrorClass::Cancelled, text + "cancelled");
  if (WatchdogFired(s->watchdog)) {
    return Fail(error, ErrorClass::Timeout,
                text + "no answer from the server for " + std::to_string(s->noAnswerSeconds) +
                    " s, connection closed");
  }
  const char* detail = ssh_get_error(s->ssh.get());
  const std::string details = detail != nullptr && *detail != '\0' ? std::string(" (") + detail + ")" : "";
  if (!SessionAlive(s)) return Fail(error, ErrorClass::ConnectionLost, text + "connection lost" + details);
  const int status = sftp_get_error(s->sftp.get());
  return Fail(error, ClassOfStatus(status), text + StatusText(status) + details);
}

SftpSession* SftpOpen(const SftpLogin& login, Failure& error) {
  auto session = std::make_unique<SftpSession>();
  session->cancel = login.cancel;
  session->noAnswerSeconds = StallSeconds();
  // While opening, a cancel request closes the connection at once.
  SetWatchdogCancel(session->watchdog, login.cancel, std::chrono::milliseconds(0));
  session->wake.emplace(login.cancel, [watchdog = &session->watchdog] { NudgeWatchdog(*watchdog); });
  session->ssh.reset(ssh_new());
  if (!session->ssh) {
    Fail(error, ErrorClass::Other, "connect: out of memory");
    return nullptr;
  }
  if (!SetOptions(*session, login, error)) return nullptr;

  int fd = ConnectTcp(login.host, login.port, std::chrono::seconds(kConnectSeconds), login.cancel, error);
  if (fd < 0) return nullptr;
  session->socket.fd = fd;
  if (!AwaitSshGreeting(fd, std::chrono::seconds(kConnectSeconds), login.cancel, error)) return nullptr;
  if (ssh_options_set(session->ssh.get(), SSH_OPTIONS_FD, &fd) != SSH_OK) {
    Fail(error, ErrorClass::Other, "connect: cannot hand over the socket");
    return nullptr;
  }
  SetWatchdogSocket(session->watchdog, fd);
  {
    // Key exchange, log-in and channel set-up each wait for the server too.
    WatchdogGuard guard(session->watchdog, session->noAnswerSeconds);
    if (ssh_connect(session->ssh.get()) != SSH_OK) {
      SshFail(*session, "key exchange", ErrorClass::Other, error);
      return nullptr;
    }
    // The trust question may wait for the user, who is no stalled server.
    DisarmWatchdog(session->watchdog);
    if (!CheckHostKey(*session, login, error)) return nullptr;
    if (CancelRequested(login.cancel)) {
      Fail(error, ErrorClass::Cancelled, "cancelled");
      return nullptr;
    }
    ArmWatchdog(session->watchdog, session->noAnswerSeconds);
    if (!Authenticate(*session, login, error)) return nullptr;

    session->sftp.reset(sftp_new(session->ssh.get()));
    if (!session->sftp) {
      SshFail(*session, "sftp channel", ErrorClass::Other, error);
      return nullptr;
    }
    if (sftp_init(session->sftp.get()) != SSH_OK) {
      SftpFail(session.get(), "sftp init", login.host, error);
      return nullptr;
    }
  }
  if (ssh_get_openssh_version(session->ssh.get()) != 0) session->writeChunk = kOpenSshWriteChunk;
  // From now on a cancelled operation may end by itself and keep the session.
  SetWatchdogCancel(session->watchdog, login.cancel, kCancelGrace);
  return session.release();
}

void SftpClose(SftpSession* session) {
  if (session == nullptr) return;
  // Closing the channel waits for the server as well; a cancel request ends
  // that wait at once.
  SetWatchdogCancel(session->watchdog, session->cancel, std::chrono::milliseconds(0));
  ArmWatchdog(session->watchdog, session->noAnswerSeconds);
  session->sftp.reset();
  // From here on the socket may close and its number be reused.
  DisarmWatchdog(session->watchdog);
  SetWatchdogSocket(session->watchdog, -1);
  delete session;
}

const std::string& SftpHostKeyType(const SftpSession* session) { return session->hostKeyType; }

const std::string& SftpHostKeyFingerprint(const SftpSession* session) { return session->hostKeyFingerprint; }

bool SftpRealPath(SftpSession* session, const std::string& path, std::string& out, Failure& error) {
  if (!Usable(session, error)) return false;
  WatchdogGuard guard(session->watchdog, session->noAnswerSeconds);
  char* resolved = sftp_canonicalize_path(session->sftp.get(), path.c_str());
  if (resolved == nullptr) return SftpFail(session, "realpath", path, error);
  out = resolved;
  ssh_string_free_char(resolved);
  return true;
}

bool SftpIsDirectory(SftpSession* session, const std::string& absPath, Failure& error) {
  if (!Usable(session, error)) return false;
  WatchdogGuard guard(session->watchdog, session->noAnswerSeconds);
  SftpAttributesPtr attributes(sftp_stat(session->sftp.get(), absPath.c_str()));
  if (!attributes) return SftpFail(session, "stat", absPath, error);
  if (attributes->type != SSH_FILEXFER_TYPE_DIRECTORY) {
    return Fail(error, ErrorClass::NotFound, "stat " + absPath + ": not a directory");
  }
  // A folder the server will not open is no place to change into, as an FTP
  // server's CWD would say too.
  SftpDirPtr dir(sftp_opendir(session->sftp.get(), absPath.c_str()));
  if (!dir) return SftpFail(session, "open", absPath, error);
  if (sftp_closedir(dir.release()) != SSH_OK) return SftpFail(session, "close", absPath, error);
  return true;
}

bool SftpFileSize(SftpSession* session, const std::string& absPath, int64_t& size, Failure& error) {
  if (!Usable(session, error)) return false;
  WatchdogGuard guard(session->watchdog, session->noAnswerSeconds);
  SftpAttributesPtr attributes(sftp_stat(session->sftp.get(), absPath.c_str()));
  if (!attributes) return SftpFail(session, "stat", absPath, error);
  if (!(attributes->flags & SSH_FILEXFER_ATTR_SIZE)) {
    return Fail(error, ErrorClass::Other, "stat " + absPath + ": the server does not tell the size");
  }
  size = static_cast<int64_t>(attributes->size);
  return true;
}

bool SftpMakeDirectory(SftpSession* session, const std::string& absPath, Failure& error) {
  if (!Usable(session, error)) return false;
  WatchdogGuard guard(session->watchdog, session->noAnswerSeconds);
  if (sftp_mkdir(session->sftp.get(), absPath.c_str(), 0755) != SSH_OK) {
    return SftpFail(session, "mkdir", absPath, error);
  }
  return true;
}

bool SftpRemoveDirectory(SftpSession* session, const std::string& absPath, Failure& error) {
  if (!Usable(session, error)) return false;
  WatchdogGuard guard(session->watchdog, session->noAnswerSeconds);
  if (sftp_rmdir(session->sftp.get(), absPath.c_str()) != SSH_OK) return SftpFail(session, "rmdir", absPath, error);
  return true;
}

bool SftpRemoveFile(SftpSession* session, const std::string& absPath, Failure& error) {
  if (!Usable(session, error)) return false;
  WatchdogGuard guard(session->watchdog, session->noAnswerSeconds);
  if (sftp_unlink(session->sftp.get(), absPath.c_str()) != SSH_OK) {
    return SftpFail(session, "remove", absPath, error);
  }
  return true;
}

bool SftpRemoveFileNow(SftpSession* session, const std::string& absPath, Failure& error) {
  CancelToken* const cancel = session->cancel;
  session->cancel = nullptr;
  SetWatchdogCancel(session->watchdog, nullptr, kCancelGrace);
  const bool ok = SftpRemoveFile(session, absPath, error);
  SetWatchdogCancel(session->watchdog, cancel, kCancelGrace);
  session->cancel = cancel;
  return ok;
}

bool SftpRename(SftpSession* session, const std::string& from, const std::string& to, Failure& error) {
  if (!Usable(session, error)) return false;
  WatchdogGuard guard(session->watchdog, session->noAnswerSeconds);
  if (sftp_rename(session->sftp.get(), from.c_str(), to.c_str()) != SSH_OK) {
    return SftpFail(session, "rename", from + " -> " + to, error);
  }
  return true;
}

}  // namespace tarnholm::backend
