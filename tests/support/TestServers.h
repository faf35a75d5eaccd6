#pragma once
// The real test servers that tests/servers/start runs, as server tests see
// them: read from the file named by TARNHOLM_SERVERS (KEY=VALUE lines).
//
// Linking this file adds a global test environment that FAILS the run when
// the variable or the file is missing: a server test never silently skips.
//
// Paths: FTP and FTPS users are jailed in their home, so the server root "/"
// is `root`; SFTP shows the real file system and logs in at `root`. Either
// way the directory after login is `root`. CTest runs test programs in
// parallel, so every test works in its own fresh directory (MakeServerWorkDir).

#include <string>

namespace tarnholm::testing {

struct TestServers {
  int ftpPort = 0;           // plain FTP and explicit FTPS
  int ftpsImplicitPort = 0;  // implicit FTPS
  int sftpPort = 0;
  std::string user;
  std::string password;
  std::string root;        // local path of the user's home = the directory after login
  std::string ftpsCert;    // PEM of the FTPS certificate
  std::string sshHostKey;  // public host key file of sshd
  std::string testCa;      // PEM of the authority that signed ftpsCert (empty from older start scripts)
};

// Parses a servers.env file; false with error when a key is missing.
[[nodiscard]] bool LoadTestServers(const std::string& envFile, TestServers& out, std::string& error);

// The servers of this run (empty fields when unavailable; the environment
// has then already failed the run).
[[nodiscard]] const TestServers& Servers();

struct WorkDir {
  std::string local;  // path on this machine
  std::string name;   // its name inside root, unique to this process and call
};

// Creates a fresh directory in root named after tag, owned by the server user.
[[nodiscard]] WorkDir MakeServerWorkDir(const std::string& tag);

// Hands a file or directory that the test made directly under root to the
// server user (chown when running as root, else world-writable modes), so
// the server may read, replace and delete it.
void GiveToServerUser(const std::string& path);

}  // namespace tarnholm::testing
