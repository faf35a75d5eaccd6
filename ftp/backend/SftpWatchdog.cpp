#include "ftp/backend/SftpWatchdog.h"

#include <algorithm>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

#include "ftp/backend/Cancel.h"

namespace tarnholm::backend {
namespace {

using Clock = SftpWatchdog::Clock;

// When the socket must go, given the armed deadline and a cancel request.
Clock::time_point Due(SftpWatchdog& w) {
  if (w.deadline == Clock::time_point::max() || !CancelRequested(w.cancel)) return w.deadline;
  if (w.cancelSeen == Clock::time_point::max()) w.cancelSeen = Clock::now();
  return std::min(w.deadline, w.cancelSeen + w.cancelGrace);
}

void Watch(SftpWatchdog& w) {
  std::unique_lock lock(w.mutex);
  while (!w.stop) {
    const Clock::time_point due = Due(w);
    if (due == Clock::time_point::max()) {
      w.wake.wait(lock);
    } else if (Clock::now() >= due) {
      if (w.socket >= 0) {
#ifdef _WIN32
        ::shutdown(static_cast<SOCKET>(w.socket), SD_BOTH);
#else
        ::shutdown(w.socket, SHUT_RDWR);
#endif
      }
      w.fired = true;
      w.deadline = Clock::time_point::max();
      w.cancelSeen = Clock::time_point::max();
    } else {
      w.wake.wait_until(lock, due);
    }
  }
}

}  // namespace

SftpWatchdog::SftpWatchdog() : thread([this] { Watch(*this); }) {}

SftpWatchdog::~SftpWatchdog() {
  {
    std::lock_guard lock(mutex);
    stop = true;
  }
  wake.notify_one();
  thread.join();
}

void ArmWatchdog(SftpWatchdog& w, int seconds) {
  bool earlier = false;
  {
    std::lock_guard lock(w.mutex);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
    earlier = deadline < w.deadline;
    w.deadline = deadline;
  }
  // A later deadline needs no wake-up: the watcher re-checks when the old one
  // passes. This keeps re-arming after every transferred block cheap.
  if (earlier) w.wake.notify_one();
}

void SetWatchdogSocket(SftpWatchdog& w, int socket) {
  std::lock_guard lock(w.mutex);
  w.socket = socket;
}

void SetWatchdogCancel(SftpWatchdog& w, const CancelToken* cancel, std::chrono::milliseconds grace) {
  {
    std::lock_guard lock(w.mutex);
    w.cancel = cancel;
    w.cancelGrace = grace;
  }
  w.wake.notify_one();
}

void NudgeWatchdog(SftpWatchdog& w) {
  { std::lock_guard lock(w.mutex); }
  w.wake.notify_one();
}

void DisarmWatchdog(SftpWatchdog& w) {
  std::lock_guard lock(w.mutex);
  w.deadline = Clock::time_point::max();
  w.cancelSeen = Clock::time_point::max();
}

bool WatchdogFired(SftpWatchdog& w) {
  std::lock_guard lock(w.mutex);
  return w.fired;
}

}  // namespace tarnholm::backend
