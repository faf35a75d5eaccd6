// What the first bytes of a server say: the check that lets an SFTP connect
// to an FTP (or TLS) port fail at once instead of waiting for a version line
// that will never come.

#include <gtest/gtest.h>

#include <string>

#include "ftp/backend/TcpConnect.h"

namespace {

using tarnholm::backend::Greeting;
using tarnholm::backend::JudgeGreeting;

TEST(SshGreeting, FirstBytesTellTheServerApart) {
  struct Row {
    const char* name;
    std::string bytes;
    Greeting verdict;
  };
  const Row rows[] = {
      {"OpenSSH", "SSH-2.0-OpenSSH_9.2p1 Debian\r\n", Greeting::Ssh},
      {"only the first bytes so far", "SSH-", Greeting::Ssh},
      {"too few bytes to tell", "SS", Greeting::MoreNeeded},
      {"FTP greeting", "220 (vsFTPd 3.0.3)\r\n", Greeting::NotSsh},
      {"multi-line FTP greeting", "220-Welcome\r\n220 ready\r\n", Greeting::NotSsh},
      {"TLS alert", std::string("\x15\x03\x01\x00\x02\x02\x28", 7), Greeting::NotSsh},
      {"a text line before the version line", "Authorised users only\r\nSSH-2.0-x\r\n", Greeting::Ssh},
      {"a text line not yet ended", "Authorised users", Greeting::MoreNeeded},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(JudgeGreeting(row.bytes), row.verdict);
  }
}

}  // namespace
