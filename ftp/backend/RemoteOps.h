#pragma once
// One operation per server action, sent to the FTP or the SFTP session of a
// connection. All paths are absolute server paths in UTF-8.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ConnectionTable.h"
#include "TrustQuestion.h"

namespace tarnholm::backend {

struct OpenRequest {
  Protocol protocol = Protocol::Ftp;
  std::string host;
  int port = 0;
  std::string user;
  std::string password;
  TrustFn trust;  // asked about certificates and host keys the library cannot verify
};

// A logged-in connection whose directory is the login directory, or null.
[[nodiscard]] std::unique_ptr<Connection> RemoteOpen(const OpenRequest& request, std::string& error);
[[nodiscard]] bool RemoteCheck(Connection& c, std::string& error);
[[nodiscard]] bool RemoteIsDirectory(Connection& c, const std::string& absDir, std::string& error);
[[nodiscard]] bool RemoteList(Connection& c, const std::string& absDir, std::vector<DirEntry>& out,
                              std::string& error);
[[nodiscard]] bool RemoteMakeDirectory(Connection& c, const std::string& absPath, std::string& error);
[[nodiscard]] bool RemoteRemoveDirectory(Connection& c, const std::string& absPath, std::string& error);
[[nodiscard]] bool RemoteRemoveFile(Connection& c, const std::string& absPath, std::string& error);
[[nodiscard]] bool RemoteRename(Connection& c, const std::string& from, const std::string& to,
                                std::string& error);
[[nodiscard]] bool RemoteDownload(Connection& c, const std::string& remote, const std::string& localPath,
                                  std::string& error);
[[nodiscard]] bool RemoteUpload(Connection& c, const std::string& localPath, const std::string& remote,
                                std::string& error);

}  // namespace tarnholm::backend
