// Renaming over an existing file in one step. SFTP version 3 (what OpenSSH
// speaks) has no such rename, and libssh 0.10 does not send OpenSSH's
// "posix-rename@openssh.com" extension, so the request is written here: one
// packet on the SFTP channel and its status reply read back, at a moment when
// libssh has no request of its own outstanding (between operations, which
// run one at a time), so the channel holds nothing else.

#include <cstdint>
#include <string>
#include <vector>

#include "ftp/backend/SftpInternal.h"
#include "ftp/backend/SftpSession.h"

namespace tarnholm::backend {
namespace {

constexpr uint8_t kFxpStatus = 101;
constexpr uint8_t kFxpExtended = 200;
constexpr const char* kPosixRename = "posix-rename@openssh.com";
constexpr uint32_t kMaxReply = 64 * 1024;

void PutU32(std::vector<char>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void PutString(std::vector<char>& out, const std::string& s) {
  PutU32(out, static_cast<uint32_t>(s.size()));
  out.insert(out.end(), s.begin(), s.end());
}

uint32_t GetU32(const std::vector<char>& in, std::size_t at) {
  uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(in[at + i]);
  return v;
}

bool ReadExactly(ssh_channel channel, char* buffer, uint32_t count) {
  while (count > 0) {
    const int n = ssh_channel_read(channel, buffer, count, 0);
    if (n <= 0) return false;
    buffer += n;
    count -= static_cast<uint32_t>(n);
  }
  return true;
}

}  // namespace

bool SftpReplace(SftpSession* session, const std::string& from, const std::string& to, Failure& error) {
  if (!Usable(session, error)) return false;
  sftp_session sftp = session->sftp.get();
  if (sftp_extension_supported(sftp, kPosixRename, "1") != 1) return SftpRename(session, from, to, error);
  WatchdogGuard guard(session->watchdog, session->noAnswerSeconds);
  const uint32_t id = ++sftp->id_counter;
  std::vector<char> body;
  body.push_back(static_cast<char>(kFxpExtended));
  PutU32(body, id);
  PutString(body, kPosixRename);
  PutString(body, from);
  PutString(body, to);
  std::vector<char> packet;
  PutU32(packet, static_cast<uint32_t>(body.size()));
  packet.insert(packet.end(), body.begin(), body.end());
  const std::string what = from + " -> " + to;
  if (ssh_channel_write(sftp->channel, packet.data(), static_cast<uint32_t>(packet.size())) !=
      static_cast<int>(packet.size())) {
    return SftpFail(session, "rename", what, error);
  }
  char lengthBytes[4];
  if (!ReadExactly(sftp->channel, lengthBytes, 4)) return SftpFail(session, "rename", what, error);
  const uint32_t length = GetU32(std::vector<char>(lengthBytes, lengthBytes + 4), 0);
  if (length < 9 || length > kMaxReply) return Fail(error, ErrorClass::ConnectionLost, "rename: malformed reply");
  std::vector<char> reply(length);
  if (!ReadExactly(sftp->channel, reply.data(), length)) return SftpFail(session, "rename", what, error);
  if (static_cast<uint8_t>(reply[0]) != kFxpStatus || GetU32(reply, 1) != id) {
    return Fail(error, ErrorClass::ConnectionLost, "rename: unexpected reply");
  }
  const uint32_t status = GetU32(reply, 5);
  if (status == SSH_FX_OK) return true;
  std::string message;
  if (length >= 13) {
    const uint32_t size = GetU32(reply, 9);
    if (size <= length - 13) message.assign(reply.data() + 13, size);
  }
  // Let the common translation see the server's status.
  sftp->errnum = static_cast<int>(status);
  SftpFail(session, "rename", what, error);
  if (!message.empty()) error.text += " (" + message + ")";
  return false;
}

}  // namespace tarnholm::backend
