#pragma once
// FTP and FTPS over libcurl: one easy handle per connection, so the control
// connection stays open between calls. libcurl keeps no current directory;
// every call names absolute server paths (UTF-8).

#include <string>
#include <vector>

#include "Cancel.h"
#include "DirEntry.h"
#include "Failure.h"
#include "TrustQuestion.h"

namespace tarnholm::backend {

enum class FtpSecurity { None, Implicit, Explicit };

struct FtpLogin {
  std::string host;
  int port = 21;
  std::string user;
  std::string password;
  FtpSecurity security = FtpSecurity::None;
  TrustFn trust;                  // FTPS: asked about a certificate that does not verify
  CancelToken* cancel = nullptr;  // stops the open and every later request
};

struct FtpSession;  // opaque: owns the CURL handles, their lists and error buffer

// Connects and logs in; null with error set on failure. loginDir receives the
// directory after login, ending with "/". No progress for TARNHOLM_STALL_SECONDS
// (default 30) ends any wait for the server: a reply, or a transfer below
// 1 byte per second.
[[nodiscard]] FtpSession* FtpOpen(const FtpLogin& login, std::string& loginDir, Failure& error);
void FtpClose(FtpSession* session);

[[nodiscard]] bool FtpCheck(FtpSession* session, Failure& error);
[[nodiscard]] bool FtpIsDirectory(FtpSession* session, const std::string& absDir, Failure& error);
// Ends with ListingTooLarge beyond the limits of ListingCollector.h.
[[nodiscard]] bool FtpList(FtpSession* session, const std::string& absDir, std::vector<DirEntry>& out,
                           Failure& error);
[[nodiscard]] bool FtpMakeDirectory(FtpSession* session, const std::string& absPath, Failure& error);
[[nodiscard]] bool FtpRemoveDirectory(FtpSession* session, const std::string& absPath, Failure& error);
[[nodiscard]] bool FtpRemoveFile(FtpSession* session, const std::string& absPath, Failure& error);
// RNFR/RNTO; the server decides whether an existing target is replaced.
[[nodiscard]] bool FtpRename(FtpSession* session, const std::string& from, const std::string& to,
                             Failure& error);
// Size of a server file (SIZE).
[[nodiscard]] bool FtpFileSize(FtpSession* session, const std::string& absPath, int64_t& size, Failure& error);

// Receives remote from byte offset on into write. progress sees done and
// total of the whole file (offset counted in). Without sizeFirst a receive
// from the start does not ask the size first (a round trip per file that
// counts for many small ones); the total is then -1.
[[nodiscard]] bool FtpReceive(FtpSession* session, const std::string& remote, int64_t offset, const WriteFn& write,
                              const ProgressFn& progress, bool sizeFirst, Failure& error);
// Sends size bytes (-1: unknown) pulled from read to remote: STOR, or with
// offset > 0 APPE after checking that remote holds exactly offset bytes.
[[nodiscard]] bool FtpSend(FtpSession* session, const ReadFn& read, int64_t size, const std::string& remote,
                           int64_t offset, const ProgressFn& progress, Failure& error);

// Removes a file while the session's cancel request is set, within
// timeoutMs: the clean-up after a cancelled send.
[[nodiscard]] bool FtpRemoveFileNow(FtpSession* session, const std::string& absPath, long timeoutMs,
                                    Failure& error);

}  // namespace tarnholm::backend
