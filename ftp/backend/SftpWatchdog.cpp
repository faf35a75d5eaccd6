#include "ftp/backend/SftpWatchdog.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace tarnholm::backend {
namespace {

using Clock = std::chrono::steady_clock;

void Watch(SftpWatchdog& w) {
  std::unique_lock lock(w.mutex);
  while (!w.stop) {
    if (w.deadline == Clock::time_point::max()) {
      w.wake.wait(lock);
    } else if (w.wake.wait_until(lock, w.deadline) == std::cv_status::timeout &&
               Clock::now() >= w.deadline && !w.stop) {
      if (w.socket >= 0) {
#ifdef _WIN32
        ::shutdown(static_cast<SOCKET>(w.socket), SD_BOTH);
#else
        ::shutdown(w.socket, SHUT_RDWR);
#endif
      }
      w.fired = true;
      w.deadline = Clock::time_point::max();
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

void DisarmWatchdog(SftpWatchdog& w) {
  std::lock_guard lock(w.mutex);
  w.deadline = Clock::time_point::max();
}

bool WatchdogFired(SftpWatchdog& w) {
  std::lock_guard lock(w.mutex);
  return w.fired;
}

}  // namespace tarnholm::backend
