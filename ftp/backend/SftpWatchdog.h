#pragma once
// libssh 0.10 retries a timed-out SFTP read forever, so a server that stops
// answering would hang the caller. The watchdog bounds every operation: when
// its deadline passes it shuts the session's socket down, which makes the
// blocked libssh call fail at once. The session is unusable afterwards.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tarnholm::backend {

struct SftpWatchdog {
  std::mutex mutex;
  std::condition_variable wake;
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
  int socket = -1;     // set once the connection stands
  bool fired = false;  // the deadline passed and the socket was shut down
  bool stop = false;
  std::thread thread;

  SftpWatchdog();
  ~SftpWatchdog();
  SftpWatchdog(const SftpWatchdog&) = delete;
  SftpWatchdog& operator=(const SftpWatchdog&) = delete;
};

// (Re)starts the countdown: the socket is shut down unless this is called
// again or disarmed within `seconds`.
void ArmWatchdog(SftpWatchdog& watchdog, int seconds);
void DisarmWatchdog(SftpWatchdog& watchdog);
void SetWatchdogSocket(SftpWatchdog& watchdog, int socket);
[[nodiscard]] bool WatchdogFired(SftpWatchdog& watchdog);

// Arms for the lifetime of one operation.
struct WatchdogGuard {
  SftpWatchdog& watchdog;
  WatchdogGuard(SftpWatchdog& w, int seconds) : watchdog(w) { ArmWatchdog(w, seconds); }
  ~WatchdogGuard() { DisarmWatchdog(watchdog); }
  WatchdogGuard(const WatchdogGuard&) = delete;
  WatchdogGuard& operator=(const WatchdogGuard&) = delete;
};

}  // namespace tarnholm::backend
