#pragma once
// libssh 0.10 retries a timed-out SFTP read forever, so a server that stops
// answering would hang the caller. The watchdog bounds every operation: when
// its deadline passes it shuts the session's socket down, which makes the
// blocked libssh call fail at once. The session is unusable afterwards.
//
// It also ends an armed operation that a cancel request does not stop by
// itself: once the request has been seen, the operation has a short grace to
// finish on its own (a transfer stops between blocks and keeps the session);
// after that the socket is shut down as for a silent server.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tarnholm::backend {

struct CancelToken;

struct SftpWatchdog {
  using Clock = std::chrono::steady_clock;
  std::mutex mutex;
  std::condition_variable wake;
  Clock::time_point deadline = Clock::time_point::max();
  int socket = -1;     // set once the connection stands
  bool fired = false;  // the socket was shut down
  bool stop = false;
  const CancelToken* cancel = nullptr;
  std::chrono::milliseconds cancelGrace{0};
  Clock::time_point cancelSeen = Clock::time_point::max();  // while armed
  std::thread thread;

  SftpWatchdog();
  ~SftpWatchdog();
  SftpWatchdog(const SftpWatchdog&) = delete;
  SftpWatchdog& operator=(const SftpWatchdog&) = delete;
};

// (Re)starts the countdown: the socket is shut down unless this is called
// again or disarmed within `seconds`. A cancel deadline already running is
// not moved.
void ArmWatchdog(SftpWatchdog& watchdog, int seconds);
void DisarmWatchdog(SftpWatchdog& watchdog);
void SetWatchdogSocket(SftpWatchdog& watchdog, int socket);
// Watches cancel (null: none) from now on; grace as above.
void SetWatchdogCancel(SftpWatchdog& watchdog, const CancelToken* cancel, std::chrono::milliseconds grace);
// A cancel request was made: the watcher looks at it now.
void NudgeWatchdog(SftpWatchdog& watchdog);
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
