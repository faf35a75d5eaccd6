#pragma once
// One operation per server action, sent to the FTP or the SFTP session of a
// connection. All paths are absolute server paths in UTF-8.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Cancel.h"
#include "ConnectionTable.h"
#include "Failure.h"
#include "TrustQuestion.h"

namespace tarnholm::backend {

struct OpenRequest {
  Protocol protocol = Protocol::Ftp;
  std::string host;
  int port = 0;
  std::string user;
  std::string password;
  TrustFn trust;                   // asked about certificates and host keys the library cannot verify
  std::string preferredKeyTypes;   // SFTP: host-key types to offer first
  CancelToken* cancel = nullptr;
};

// A logged-in connection whose directory is the login directory, or null.
[[nodiscard]] std::unique_ptr<Connection> RemoteOpen(const OpenRequest& request, Failure& error);
[[nodiscard]] bool RemoteCheck(Connection& c, Failure& error);
[[nodiscard]] bool RemoteIsDirectory(Connection& c, const std::string& absDir, Failure& error);
[[nodiscard]] bool RemoteList(Connection& c, const std::string& absDir, std::vector<DirEntry>& out, Failure& error);
[[nodiscard]] bool RemoteMakeDirectory(Connection& c, const std::string& absPath, Failure& error);
[[nodiscard]] bool RemoteRemoveDirectory(Connection& c, const std::string& absPath, Failure& error);
[[nodiscard]] bool RemoteRemoveFile(Connection& c, const std::string& absPath, Failure& error);
[[nodiscard]] bool RemoteRename(Connection& c, const std::string& from, const std::string& to, Failure& error);
// Renames from over an existing to in one step where the server can
// (SFTP's POSIX rename extension; FTP's RNFR/RNTO); a refusal is class 14.
[[nodiscard]] bool RemoteReplace(Connection& c, const std::string& from, const std::string& to, Failure& error);
[[nodiscard]] bool RemoteFileSize(Connection& c, const std::string& absPath, int64_t& size, Failure& error);

// Receives remote from byte offset on into write; progress through c.progress.
// sizeFirst: the progress tells the total (FTP asks the server for it first).
[[nodiscard]] bool RemoteReceive(Connection& c, const std::string& remote, int64_t offset, const WriteFn& write,
                                 bool sizeFirst, Failure& error);
// Sends size bytes (-1: unknown) from read to remote; offset > 0 appends to
// the offset bytes remote holds. replaceSafely: through a temporary name in
// remote's folder that is renamed over remote once complete (no offset then).
[[nodiscard]] bool RemoteSend(Connection& c, const ReadFn& read, int64_t size, const std::string& remote,
                              int64_t offset, bool replaceSafely, Failure& error);

// The local file wrappers of the two streams. A receive writes a temporary
// file beside localPath and renames it over localPath when complete.
[[nodiscard]] bool RemoteDownload(Connection& c, const std::string& remote, const std::string& localPath,
                                  Failure& error);
[[nodiscard]] bool RemoteUpload(Connection& c, const std::string& localPath, const std::string& remote,
                                Failure& error);

// Tries once more to remove the temporary files left by failed sends.
void RemoveLeftovers(Connection& c);

}  // namespace tarnholm::backend
