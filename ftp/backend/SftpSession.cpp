#include "ftp/backend/SftpSession.h"

#include <sys/stat.h>

#include "ftp/backend/SftpInternal.h"

namespace tarnholm::backend {
namespace {

// Bounds every blocking libssh call: connect, key exchange and each wait for
// a server reply.
constexpr long kTimeoutSeconds = 15;
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
    default: return "unknown status";
  }
}

std::string SshFailure(ssh_session ssh, const char* what) {
  return std::string(what) + ": " + ssh_get_error(ssh);
}

// The one place that decides whether the server's host key is trusted. The
// library keeps no known-hosts file, so the caller is asked about every key;
// it answers from what it remembers or asks the user.
[[nodiscard]] bool CheckHostKey(ssh_session ssh, SftpSession& session, const std::string& host, int port,
                                const TrustFn& trust, std::string& error) {
  ssh_key key = nullptr;
  if (ssh_get_server_publickey(ssh, &key) != SSH_OK) {
    error = SshFailure(ssh, "host key");
    return false;
  }
  std::unique_ptr<ssh_key_struct, decltype(&ssh_key_free)> keyOwner(key, &ssh_key_free);
  unsigned char* hash = nullptr;
  size_t hashLen = 0;
  if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &hashLen) != 0) {
    error = SshFailure(ssh, "host key fingerprint");
    return false;
  }
  char* fingerprint = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, hashLen);
  ssh_clean_pubkey_hash(&hash);
  char* base64 = nullptr;
  if (fingerprint == nullptr || ssh_pki_export_pubkey_base64(key, &base64) != SSH_OK) {
    ssh_string_free_char(fingerprint);
    error = "host key fingerprint: out of memory";
    return false;
  }
  session.hostKeyFingerprint = fingerprint;
  ssh_string_free_char(fingerprint);
  const std::string blob = base64;
  ssh_string_free_char(base64);
  const char* type = ssh_key_type_to_char(ssh_key_type(key));
  session.hostKeyType = type != nullptr ? type : "unknown";

  if (!trust) {
    error = "host key " + session.hostKeyFingerprint + " not verified: nobody to ask";
    return false;
  }
  TrustQuestion q;
  q.host = host;
  q.port = port;
  q.kind = TrustKind::HostKey;
  q.fingerprint = session.hostKeyFingerprint;
  q.publicKey = session.hostKeyType + " " + blob;
  if (!trust(q)) {
    error = "host key " + session.hostKeyFingerprint + " refused";
    return false;
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

[[nodiscard]] bool Authenticate(ssh_session ssh, const std::string& user,
                                const std::string& password, std::string& error) {
  // "none" both tries for an open door and makes the server list its methods.
  int rc = ssh_userauth_none(ssh, nullptr);
  if (rc == SSH_AUTH_SUCCESS) return true;
  if (rc == SSH_AUTH_ERROR) {
    error = SshFailure(ssh, "authentication");
    return false;
  }
  const int methods = ssh_userauth_list(ssh, nullptr);
  rc = SSH_AUTH_DENIED;
  if (methods & SSH_AUTH_METHOD_PASSWORD) {
    rc = ssh_userauth_password(ssh, nullptr, password.c_str());
  }
  if (rc == SSH_AUTH_DENIED && (methods & SSH_AUTH_METHOD_INTERACTIVE)) {
    rc = AuthenticateInteractive(ssh, password);
  }
  if (rc == SSH_AUTH_SUCCESS) return true;
  if (rc == SSH_AUTH_ERROR) {
    error = SshFailure(ssh, "authentication");
  } else if (!(methods & (SSH_AUTH_METHOD_PASSWORD | SSH_AUTH_METHOD_INTERACTIVE))) {
    error = "authentication: the server accepts no password for user " + user;
  } else {
    error = "authentication: access denied for user " + user;
  }
  return false;
}

}  // namespace

std::string SftpFailure(SftpSession* session, const char* what, const std::string& path) {
  std::string text = std::string(what) + " " + path + ": ";
  if (WatchdogFired(session->watchdog)) {
    return text + "no answer from the server for " + std::to_string(kNoAnswerSeconds) +
           " s, connection closed";
  }
  const int status = sftp_get_error(session->sftp.get());
  if (status != SSH_FX_OK) {
    text += StatusText(status);
  }
  const char* detail = ssh_get_error(session->ssh.get());
  if (detail != nullptr && *detail != '\0') {
    text += status != SSH_FX_OK ? std::string(" (") + detail + ")" : std::string(detail);
  } else if (status == SSH_FX_OK) {
    text += "failed";
  }
  return text;
}

SftpSession* SftpOpen(const std::string& host, int port, const std::string& user,
                      const std::string& password, const TrustFn& trust, std::string& error) {
  auto session = std::make_unique<SftpSession>();
  session->ssh.reset(ssh_new());
  ssh_session ssh = session->ssh.get();
  if (ssh == nullptr) {
    error = "connect: out of memory";
    return nullptr;
  }
  const unsigned int portValue = static_cast<unsigned int>(port);
  const long timeout = kTimeoutSeconds;
  const int noConfig = 0;
  const int noDelay = 1;
  if (ssh_options_set(ssh, SSH_OPTIONS_HOST, host.c_str()) != SSH_OK ||
      ssh_options_set(ssh, SSH_OPTIONS_PORT, &portValue) != SSH_OK ||
      ssh_options_set(ssh, SSH_OPTIONS_USER, user.c_str()) != SSH_OK ||
      ssh_options_set(ssh, SSH_OPTIONS_TIMEOUT, &timeout) != SSH_OK ||
      // Small requests (reads, window adjustments) must not wait for Nagle's
      // algorithm; with it, pipelined downloads stall 40 ms at a time.
      ssh_options_set(ssh, SSH_OPTIONS_NODELAY, &noDelay) != SSH_OK ||
      // The user's own ssh configuration must not redirect or reconfigure us.
      ssh_options_set(ssh, SSH_OPTIONS_PROCESS_CONFIG, &noConfig) != SSH_OK) {
    error = SshFailure(ssh, "connect options");
    return nullptr;
  }
  // Connect, log-in and channel set-up each wait for the server too.
  WatchdogGuard guard(session->watchdog, kNoAnswerSeconds);
  if (ssh_connect(ssh) != SSH_OK) {
    error = SshFailure(ssh, "connect");
    return nullptr;
  }
  SetWatchdogSocket(session->watchdog, ssh_get_fd(ssh));
  // The trust question may wait for the user, who is no stalled server.
  DisarmWatchdog(session->watchdog);
  if (!CheckHostKey(ssh, *session, host, port, trust, error)) return nullptr;
  ArmWatchdog(session->watchdog, kNoAnswerSeconds);
  if (!Authenticate(ssh, user, password, error)) return nullptr;

  session->sftp.reset(sftp_new(ssh));
  if (!session->sftp) {
    error = SshFailure(ssh, "sftp channel");
    return nullptr;
  }
  if (sftp_init(session->sftp.get()) != SSH_OK) {
    error = SftpFailure(session.get(), "sftp init", host);
    return nullptr;
  }
  if (ssh_get_openssh_version(ssh) != 0) session->writeChunk = kOpenSshWriteChunk;
  return session.release();
}

void SftpClose(SftpSession* session) {
  if (session == nullptr) return;
  // Closing the channel waits for the server as well.
  ArmWatchdog(session->watchdog, kNoAnswerSeconds);
  session->sftp.reset();
  // From here on the socket may close and its number be reused.
  DisarmWatchdog(session->watchdog);
  SetWatchdogSocket(session->watchdog, -1);
  delete session;
}

const std::string& SftpHostKeyType(const SftpSession* session) { return session->hostKeyType; }

const std::string& SftpHostKeyFingerprint(const SftpSession* session) {
  return session->hostKeyFingerprint;
}

bool SftpRealPath(SftpSession* session, const std::string& path, std::string& out,
                  std::string& error) {
  WatchdogGuard guard(session->watchdog, kNoAnswerSeconds);
  char* resolved = sftp_canonicalize_path(session->sftp.get(), path.c_str());
  if (resolved == nullptr) {
    error = SftpFailure(session, "realpath", path);
    return false;
  }
  out = resolved;
  ssh_string_free_char(resolved);
  return true;
}

bool SftpIsDirectory(SftpSession* session, const std::string& absPath, std::string& error) {
  WatchdogGuard guard(session->watchdog, kNoAnswerSeconds);
  SftpAttributesPtr attributes(sftp_stat(session->sftp.get(), absPath.c_str()));
  if (!attributes) {
    error = SftpFailure(session, "stat", absPath);
    return false;
  }
  if (attributes->type != SSH_FILEXFER_TYPE_DIRECTORY) {
    error = "stat " + absPath + ": not a directory";
    return false;
  }
  return true;
}

bool SftpMakeDirectory(SftpSession* session, const std::string& absPath, std::string& error) {
  WatchdogGuard guard(session->watchdog, kNoAnswerSeconds);
  if (sftp_mkdir(session->sftp.get(), absPath.c_str(), 0755) != SSH_OK) {
    error = SftpFailure(session, "mkdir", absPath);
    return false;
  }
  return true;
}

bool SftpRemoveDirectory(SftpSession* session, const std::string& absPath, std::string& error) {
  WatchdogGuard guard(session->watchdog, kNoAnswerSeconds);
  if (sftp_rmdir(session->sftp.get(), absPath.c_str()) != SSH_OK) {
    error = SftpFailure(session, "rmdir", absPath);
    return false;
  }
  return true;
}

bool SftpRemoveFile(SftpSession* session, const std::string& absPath, std::string& error) {
  WatchdogGuard guard(session->watchdog, kNoAnswerSeconds);
  if (sftp_unlink(session->sftp.get(), absPath.c_str()) != SSH_OK) {
    error = SftpFailure(session, "remove", absPath);
    return false;
  }
  return true;
}

bool SftpRename(SftpSession* session, const std::string& from, const std::string& to,
                std::string& error) {
  WatchdogGuard guard(session->watchdog, kNoAnswerSeconds);
  if (sftp_rename(session->sftp.get(), from.c_str(), to.c_str()) != SSH_OK) {
    error = SftpFailure(session, "rename", from + " -> " + to);
    return false;
  }
  return true;
}

}  // namespace tarnholm::backend
