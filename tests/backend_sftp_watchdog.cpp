// The watchdog that bounds every SFTP operation, on a local socket pair: a
// read that nothing would ever answer must end once the deadline passes.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ftp/backend/SftpWatchdog.h"

namespace {

using namespace tarnholm::backend;

struct SocketPair {
  int fds[2] = {-1, -1};
  SocketPair() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0); }
  ~SocketPair() {
    ::close(fds[0]);
    ::close(fds[1]);
  }
};

TEST(SftpWatchdog, ShutsTheSocketDownWhenTheDeadlinePasses) {
  SocketPair pair;
  SftpWatchdog watchdog;
  SetWatchdogSocket(watchdog, pair.fds[0]);
  ArmWatchdog(watchdog, 1);
  char byte = 0;
  // Blocks until the watchdog shuts the socket down; then reads end of file.
  EXPECT_EQ(::recv(pair.fds[0], &byte, 1, 0), 0);
  EXPECT_TRUE(WatchdogFired(watchdog));
}

TEST(SftpWatchdog, DisarmedOrUnarmedItLeavesTheSocketAlone) {
  SocketPair pair;
  SftpWatchdog watchdog;
  SetWatchdogSocket(watchdog, pair.fds[0]);
  {
    WatchdogGuard guard(watchdog, 1);
  }
  ArmWatchdog(watchdog, 1);
  DisarmWatchdog(watchdog);
  // The other end's byte arrives after both deadlines would have passed.
  ASSERT_EQ(::send(pair.fds[1], "x", 1, 0), 1);
  ::sleep(2);
  char byte = 0;
  EXPECT_EQ(::recv(pair.fds[0], &byte, 1, 0), 1);
  EXPECT_EQ(::send(pair.fds[0], "y", 1, 0), 1);
  EXPECT_FALSE(WatchdogFired(watchdog));
}

}  // namespace
