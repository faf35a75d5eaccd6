#include "TestServers.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>

namespace tarnholm::testing {
namespace {

bool LoadFromEnvironment(TestServers& out, std::string& error) {
  const char* file = std::getenv("TARNHOLM_SERVERS");
  if (file == nullptr || *file == 0) {
    error = "TARNHOLM_SERVERS is not set: start the servers with tests/servers/start DIR and set "
            "TARNHOLM_SERVERS=DIR/servers.env";
    return false;
  }
  return LoadTestServers(file, out, error);
}

class ServersEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    TestServers s;
    std::string error;
    if (!LoadFromEnvironment(s, error)) FAIL() << error;
  }
};

// Registered when a test program links this file.
[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ServersEnvironment);

}  // namespace

bool LoadTestServers(const std::string& envFile, TestServers& out, std::string& error) {
  std::ifstream in(envFile);
  if (!in) {
    error = "cannot read " + envFile;
    return false;
  }
  std::map<std::string, std::string> values;
  std::string line;
  while (std::getline(in, line)) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  const char* keys[] = {"TARNHOLM_FTP_PORT", "TARNHOLM_FTPS_IMPLICIT_PORT", "TARNHOLM_SFTP_PORT",
                        "TARNHOLM_TEST_USER", "TARNHOLM_TEST_PASS", "TARNHOLM_TEST_ROOT",
                        "TARNHOLM_FTPS_CERT", "TARNHOLM_SSH_HOSTKEY"};
  for (const char* key : keys) {
    if (values[key].empty()) {
      error = envFile + " lacks " + key;
      return false;
    }
  }
  out.ftpPort = std::atoi(values["TARNHOLM_FTP_PORT"].c_str());
  out.ftpsImplicitPort = std::atoi(values["TARNHOLM_FTPS_IMPLICIT_PORT"].c_str());
  out.sftpPort = std::atoi(values["TARNHOLM_SFTP_PORT"].c_str());
  out.user = values["TARNHOLM_TEST_USER"];
  out.password = values["TARNHOLM_TEST_PASS"];
  out.root = values["TARNHOLM_TEST_ROOT"];
  out.ftpsCert = values["TARNHOLM_FTPS_CERT"];
  out.sshHostKey = values["TARNHOLM_SSH_HOSTKEY"];
  out.testCa = values["TARNHOLM_TEST_CA"];
  return true;
}

const TestServers& Servers() {
  static const TestServers servers = [] {
    TestServers s;
    std::string error;
    (void)LoadFromEnvironment(s, error);
    return s;
  }();
  return servers;
}

void GiveToServerUser(const std::string& path) {
  const passwd* pw = getpwnam(Servers().user.c_str());
  if (geteuid() == 0 && pw != nullptr && ::chown(path.c_str(), pw->pw_uid, pw->pw_gid) == 0) return;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) (void)::chmod(path.c_str(), S_ISDIR(st.st_mode) ? 0777 : 0666);
}

WorkDir MakeServerWorkDir(const std::string& tag) {
  static std::atomic<int> counter{0};
  std::random_device rd;
  WorkDir dir;
  dir.name = tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
             std::to_string(rd() % 100000);
  dir.local = Servers().root + "/" + dir.name;
  if (::mkdir(dir.local.c_str(), 0755) != 0) {
    ADD_FAILURE() << "cannot create " << dir.local;
    return dir;
  }
  GiveToServerUser(dir.local);
  return dir;
}

}  // namespace tarnholm::testing
