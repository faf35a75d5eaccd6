// The watchdog that bounds every SFTP operation, on a local socket pair: a
// read that nothing would ever answer must end once the deadline passes.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "ftp/backend/Cancel.h"
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

// A cancel request ends an armed operation after its grace, however often
// the operation re-arms meanwhile; between operations it shuts nothing.
TEST(SftpWatchdog, ACancelRequestEndsAnArmedWaitAfterTheGrace) {
  using Clock = std::chrono::steady_clock;
  SocketPair pair;
  CancelToken token;
  SftpWatchdog watchdog;
  SetWatchdogSocket(watchdog, pair.fds[0]);
  SetWatchdogCancel(watchdog, &token, std::chrono::milliseconds(200));
  RequestCancel(token, true);
  NudgeWatchdog(watchdog);
  ::usleep(300000);
  EXPECT_FALSE(WatchdogFired(watchdog)) << "nothing was armed";

  ArmWatchdog(watchdog, 30);
  const auto armed = Clock::now();
  for (int i = 0; i < 5; ++i) {
    ::usleep(20000);
    ArmWatchdog(watchdog, 30);  // a block arrived: no extension of the grace
  }
  char byte = 0;
  EXPECT_EQ(::recv(pair.fds[0], &byte, 1, 0), 0);
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - armed);
  EXPECT_TRUE(WatchdogFired(watchdog));
  EXPECT_GE(waited.count(), 150);
  EXPECT_LT(waited.count(), 1000);
}

}  // namespace
