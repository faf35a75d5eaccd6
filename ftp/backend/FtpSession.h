#pragma once
// FTP and FTPS over libcurl: one easy handle per connection, so the control
// connection stays open between calls. libcurl keeps no current directory;
// every call names absolute server paths (UTF-8).

#include <string>
#include <vector>

#include "DirEntry.h"
#include "TrustQuestion.h"

namespace tarnholm::backend {

enum class FtpSecurity { None, Implicit, Explicit };

struct FtpLogin {
  std::string host;
  int port = 21;
  std::string user;
  std::string password;
  FtpSecurity security = FtpSecurity::None;
  TrustFn trust;  // FTPS: asked about a certificate that does not verify
};

struct FtpSession;  // opaque: owns the CURL handle, its lists and error buffer

// Connects and logs in; null with error set on failure. loginDir receives the
// directory after login, ending with "/". No progress for TARNHOLM_STALL_SECONDS
// (default 30) ends any wait for the server: a reply, or a transfer below
// 1 byte per second.
[[nodiscard]] FtpSession* FtpOpen(const FtpLogin& login, std::string& loginDir, std::string& error);
void FtpClose(FtpSession* session);

[[nodiscard]] bool FtpCheck(FtpSession* session, std::string& error);
[[nodiscard]] bool FtpIsDirectory(FtpSession* session, const std::string& absDir, std::string& error);
[[nodiscard]] bool FtpList(FtpSession* session, const std::string& absDir, std::vector<DirEntry>& out,
                           std::string& error);
[[nodiscard]] bool FtpMakeDirectory(FtpSession* session, const std::string& absPath, std::string& error);
[[nodiscard]] bool FtpRemoveDirectory(FtpSession* session, const std::string& absPath, std::string& error);
[[nodiscard]] bool FtpRemoveFile(FtpSession* session, const std::string& absPath, std::string& error);
[[nodiscard]] bool FtpRename(FtpSession* session, const std::string& from, const std::string& to,
                             std::string& error);
[[nodiscard]] bool FtpDownload(FtpSession* session, const std::string& remote, const std::string& localPath,
                               const ProgressFn& progress, std::string& error);
[[nodiscard]] bool FtpUpload(FtpSession* session, const std::string& localPath, const std::string& remote,
                             const ProgressFn& progress, std::string& error);

}  // namespace tarnholm::backend
