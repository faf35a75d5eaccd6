// Listings and transfers that end well: a huge FTP listing stops at the
// limit, a stalled one stops on cancel, stalled and cut transfers end with
// their class, a close does not hang on a mute server, a large SFTP folder on a slow line lists fully while each wait
// stays bounded, and links on a session that dies fail the listing instead
// of being typed as files.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/BackendLib.h"
#include "tests/support/HostileServer.h"

namespace fs = std::filesystem;
using namespace tarnholm::testing;

namespace {

using Clock = std::chrono::steady_clock;

// Forwards every connection to a server, holding each piece it reads for
// `delay` before passing it on: a slow line. Cut() breaks every connection.
class DelayingProxy {
 public:
  DelayingProxy(int targetPort, std::chrono::milliseconds delay) : target_(targetPort), delay_(delay) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = Loopback(0);
    socklen_t len = sizeof addr;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && ::listen(listener_, 4) == 0 &&
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
      port = ntohs(addr.sin_port);
    }
    acceptor_ = std::thread([this] { Accept(); });
  }
  ~DelayingProxy() {
    ::shutdown(listener_, SHUT_RDWR);
    Cut();
    acceptor_.join();
    for (auto& t : pumps_) t.join();
    ::close(listener_);
    for (const int fd : sockets_) ::close(fd);
  }
  void Cut() {
    std::lock_guard hold(mutex_);
    for (const int fd : sockets_) ::shutdown(fd, SHUT_RDWR);
  }

  int port = 0;

 private:
  static sockaddr_in Loopback(int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    return addr;
  }
  void Accept() {
    for (;;) {
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      const int server = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in addr = Loopback(target_);
      if (::connect(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(client);
        ::close(server);
        continue;
      }
      std::lock_guard hold(mutex_);
      sockets_.push_back(client);
      sockets_.push_back(server);
      pumps_.emplace_back([this, client, server] { Pump(client, server); });
      pumps_.emplace_back([this, client, server] { Pump(server, client); });
    }
  }
  void Pump(int from, int to) {
    char buffer[64 * 1024];
    for (;;) {
      const ssize_t n = ::read(from, buffer, sizeof buffer);
      if (n <= 0) break;
      std::this_thread::sleep_for(delay_);
      for (ssize_t sent = 0; sent < n;) {
        const ssize_t w = ::send(to, buffer + sent, static_cast<size_t>(n - sent), MSG_NOSIGNAL);
        if (w <= 0) {
          ::shutdown(from, SHUT_RDWR);
          return;
        }
        sent += w;
      }
    }
    ::shutdown(to, SHUT_WR);
  }

  int target_;
  std::chrono::milliseconds delay_;
  int listener_ = -1;
  std::thread acceptor_;
  std::mutex mutex_;
  std::vector<std::thread> pumps_;
  std::vector<int> sockets_;
};

// Sets TARNHOLM_STALL_SECONDS for one test.
struct StallBound {
  explicit StallBound(const char* seconds) { ::setenv("TARNHOLM_STALL_SECONDS", seconds, 1); }
  ~StallBound() { ::unsetenv("TARNHOLM_STALL_SECONDS"); }
};

class ListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lib_ = &Backend();
    ASSERT_NE(lib_->Cancel, nullptr);
    ASSERT_NE(lib_->SetTrust(kConn, &AcceptEverything, nullptr), 0);
  }
  void TearDown() override {
    (void)lib_->Cancel(kConn, 0);
    (void)lib_->Close(kConn, msg_);
    (void)lib_->SetTrust(kConn, nullptr, nullptr);
    std::error_code ignored;
    if (!work_.local.empty()) fs::remove_all(work_.local, ignored);
  }
  int64_t Open(int64_t protocol, int port, const std::string& user, const std::string& password) {
    return lib_->Open(kConn, protocol, u"127.0.0.1", port, U(user).c_str(), U(password).c_str(), 2, msg_);
  }
  // Opens SFTP through port and moves into a fresh work folder.
  void OpenSftpInWorkDir(int port) {
    work_ = MakeServerWorkDir("listing");
    ASSERT_NE(Open(2, port, Servers().user, Servers().password), 0) << Utf8(msg_);
    ASSERT_NE(lib_->SetDirectory(kConn, U(fs::canonical(work_.local).string() + "/").c_str(), msg_), 0)
        << Utf8(msg_);
  }
  // Counts the entries of a listing, or -1 when it fails.
  int64_t CountEntries() {
    if (lib_->Examine(kConn, msg_) == 0) return -1;
    int64_t count = 0;
    while (lib_->Next(kConn, msg_) != 0) ++count;
    (void)lib_->Finish(kConn, msg_);
    return count;
  }
  void MakeFiles(int count, const std::string& prefix) {
    for (int i = 0; i < count; ++i) std::ofstream(work_.local + "/" + prefix + std::to_string(i)) << i;
  }

  const BackendLib* lib_ = nullptr;
  WorkDir work_;
  char16_t msg_[1025] = {};
};

TEST_F(ListingTest, AnEndlessFtpListingStopsAtTheLimit) {
  HostileServer server;
  ASSERT_GT(server.port, 0);
  ASSERT_NE(Open(1, server.port, "endless", "x"), 0) << Utf8(msg_);
  const auto start = Clock::now();
  EXPECT_EQ(lib_->Examine(kConn, msg_), 0);
  EXPECT_EQ(lib_->LastErrorClass(kConn), kTarnholmErrorListingTooLarge) << Utf8(msg_);
  std::cout << "[ figure   ] endless listing stopped after "
            << std::chrono::duration<double>(Clock::now() - start).count() << " s\n";
  // Nothing of it is kept, and the connection answers again.
  EXPECT_EQ(lib_->Next(kConn, msg_), 0);
  EXPECT_NE(lib_->Check(kConn, msg_), 0) << Utf8(msg_);
}

TEST_F(ListingTest, AServerThatRefusesListOptionsIsListedWithoutThem) {
  HostileServer server;
  ASSERT_GT(server.port, 0);
  ASSERT_NE(Open(1, server.port, "no-options", "x"), 0) << Utf8(msg_);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "first listing: asks with the option, then without" : "later: without");
    EXPECT_EQ(CountEntries(), 2) << Utf8(msg_);
  }
}

TEST_F(ListingTest, AStalledFtpListingStopsOnCancel) {
  HostileServer server;
  ASSERT_GT(server.port, 0);
  ASSERT_NE(Open(1, server.port, "stall-list", "x"), 0) << Utf8(msg_);
  Clock::time_point cancelledAt;
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cancelledAt = Clock::now();
    (void)lib_->Cancel(kConn, 1);
  });
  EXPECT_EQ(lib_->Examine(kConn, msg_), 0);
  const auto returned = Clock::now();
  canceller.join();
  EXPECT_EQ(lib_->LastErrorClass(kConn), kTarnholmErrorCancelled) << Utf8(msg_);
  const double latency = std::chrono::duration<double, std::milli>(returned - cancelledAt).count();
  std::cout << "[ figure   ] cancel latency of a stalled FTP listing " << latency << " ms\n";
  EXPECT_LT(latency, 2000.0);  // generous: a correctness check; the figure is what counts
}

TEST_F(ListingTest, StalledAndCutFtpTransfersEndWithTheirClass) {
  StallBound bound("1");
  HostileServer server;
  ASSERT_GT(server.port, 0);
  struct Row {
    const char* scenario;
    int64_t cls;
  };
  const Row rows[] = {
      {"stall-retr", kTarnholmErrorTimeout},      // 100 bytes, then silence
      {"cut", kTarnholmErrorConnectionLost},       // half the bytes, then the data connection closes
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.scenario);
    ASSERT_NE(Open(1, server.port, row.scenario, "x"), 0) << Utf8(msg_);
    const auto discard = [](void*, const char*, int64_t length) { return length; };
    EXPECT_EQ(lib_->ReceiveStream(kConn, u"/file.bin", 0, discard, nullptr, msg_), 0);
    EXPECT_EQ(lib_->LastErrorClass(kConn), row.cls) << Utf8(msg_);
    (void)lib_->Close(kConn, msg_);
  }
}

// Closing says QUIT and waits for the answer, but not for long.
TEST_F(ListingTest, ClosingDoesNotWaitLongForAMuteServer) {
  HostileServer server;
  ASSERT_GT(server.port, 0);
  ASSERT_NE(Open(1, server.port, "mute-later", "x"), 0) << Utf8(msg_);
  const auto start = Clock::now();
  EXPECT_NE(lib_->Close(kConn, msg_), 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::cout << "[ figure   ] close against a mute server " << seconds << " s\n";
  EXPECT_LT(seconds, 10.0);  // the stall bound, 30 s, is what it waited before
}

// Each reply of the server comes late, so the whole listing takes several
// times the bound on silence; it must list fully all the same. A cancel in
// the middle of it leaves the session in use.
TEST_F(ListingTest, ALargeSftpFolderOnASlowLineListsFully) {
  StallBound bound("1");
  DelayingProxy proxy(Servers().sftpPort, std::chrono::milliseconds(20));
  ASSERT_GT(proxy.port, 0);
  OpenSftpInWorkDir(proxy.port);
  constexpr int kFiles = 8000;
  MakeFiles(kFiles, "f");
  const auto start = Clock::now();
  EXPECT_EQ(CountEntries(), kFiles + 2) << Utf8(msg_);  // with "." and ".."
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::cout << "[ figure   ] " << kFiles << " entries through the slow line in " << seconds << " s\n";
  EXPECT_GT(seconds, 2.0) << "the line was not slow enough to show anything";

  Clock::time_point cancelledAt;
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    cancelledAt = Clock::now();
    (void)lib_->Cancel(kConn, 1);
  });
  EXPECT_EQ(CountEntries(), -1);
  const auto returned = Clock::now();
  canceller.join();
  EXPECT_EQ(lib_->LastErrorClass(kConn), kTarnholmErrorCancelled) << Utf8(msg_);
  const double latency = std::chrono::duration<double, std::milli>(returned - cancelledAt).count();
  std::cout << "[ figure   ] cancel latency of a slow SFTP listing " << latency << " ms\n";
  EXPECT_LT(latency, 2000.0);
  ASSERT_NE(lib_->Cancel(kConn, 0), 0);
  EXPECT_NE(lib_->Check(kConn, msg_), 0) << "the session should have stayed: " << Utf8(msg_);
}

TEST_F(ListingTest, LinksOnADyingSftpSessionFailTheListing) {
  DelayingProxy proxy(Servers().sftpPort, std::chrono::milliseconds(5));
  ASSERT_GT(proxy.port, 0);
  OpenSftpInWorkDir(proxy.port);
  constexpr int kLinks = 400;  // resolved one round trip each: seconds on this line
  MakeFiles(1, "target");
  for (int i = 0; i < kLinks; ++i) fs::create_symlink("target0", work_.local + "/link" + std::to_string(i));
  std::thread cutter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    proxy.Cut();
  });
  const int64_t count = CountEntries();
  cutter.join();
  EXPECT_EQ(count, -1) << "a listing with unresolved links passed for whole";
  EXPECT_EQ(lib_->LastErrorClass(kConn), kTarnholmErrorConnectionLost) << Utf8(msg_);
}

}  // namespace
