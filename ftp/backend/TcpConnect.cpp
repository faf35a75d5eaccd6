#include "ftp/backend/TcpConnect.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace tarnholm::backend {
namespace {

using Clock = std::chrono::steady_clock;
// How often a wait looks at the cancel request.
constexpr std::chrono::milliseconds kSlice{20};

// getaddrinfo cannot be interrupted, so it runs on a thread of its own that
// the caller may leave behind; whoever finishes last frees the result.
struct Resolution {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  int rc = 0;
  addrinfo* result = nullptr;
  ~Resolution() {
    if (result != nullptr) freeaddrinfo(result);
  }
};

bool Resolve(const std::string& host, int port, std::chrono::seconds timeout, const CancelToken* cancel,
             std::shared_ptr<Resolution>& out, Failure& error) {
  auto r = std::make_shared<Resolution>();
  std::thread([r, host, service = std::to_string(port)] {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* result = nullptr;
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &result);
    std::lock_guard hold(r->mutex);
    r->rc = rc;
    r->result = result;
    r->finished = true;
    r->done.notify_all();
  }).detach();
  const Clock::time_point deadline = Clock::now() + timeout;
  std::unique_lock lock(r->mutex);
  while (!r->finished) {
    if (CancelRequested(cancel)) return Fail(error, ErrorClass::Cancelled, "cancelled");
    if (Clock::now() >= deadline) return Fail(error, ErrorClass::Timeout, "resolving " + host + ": no answer");
    r->done.wait_for(lock, kSlice);
  }
  if (r->rc != 0) {
    const bool unknown = r->rc == EAI_NONAME || r->rc == EAI_AGAIN || r->rc == EAI_FAIL
#ifdef EAI_NODATA
                         || r->rc == EAI_NODATA
#endif
        ;
    return Fail(error, unknown ? ErrorClass::HostUnknown : ErrorClass::Other,
                "resolving " + host + ": " + gai_strerror(r->rc));
  }
  out = std::move(r);
  return true;
}

// Waits for events on fd in slices; 1 ready, 0 deadline passed, -1 cancelled.
int WaitFor(int fd, short events, Clock::time_point deadline, const CancelToken* cancel) {
  for (;;) {
    if (CancelRequested(cancel)) return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return 0;
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, static_cast<int>(std::min(left, kSlice).count()));
    if (n > 0) return 1;
    if (n < 0 && errno != EINTR) return 1;  // let the caller's call report it
  }
}

ErrorClass ClassOfConnectError(int err) {
  switch (err) {
    case ECONNREFUSED: case ENETUNREACH: case EHOSTUNREACH: case EHOSTDOWN: case ENETDOWN: case EADDRNOTAVAIL:
      return ErrorClass::Refused;
    case ETIMEDOUT: return ErrorClass::Timeout;
    default: return ErrorClass::Other;
  }
}

bool IsPrintableLine(const std::string& line) {
  for (const char c : line) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 && c != '\t' && c != '\r') return false;
  }
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

Greeting JudgeGreeting(const std::string& first) {
  static const std::string kSsh = "SSH-";
  const std::size_t n = std::min(first.size(), kSsh.size());
  if (first.compare(0, n, kSsh, 0, n) == 0) return n == kSsh.size() ? Greeting::Ssh : Greeting::MoreNeeded;
  // "220 ", "220-": the reply-code greeting of FTP, SMTP and their kin.
  if (first.size() >= 4 && IsDigit(first[0]) && IsDigit(first[1]) && IsDigit(first[2]) &&
      (first[3] == ' ' || first[3] == '-')) {
    return Greeting::NotSsh;
  }
  const auto nl = first.find('\n');
  const std::string line = first.substr(0, nl);
  if (!IsPrintableLine(line)) return Greeting::NotSsh;  // TLS records and other binary talk
  // Other text lines may come before the SSH version line (RFC 4253, 4.2);
  // libssh skips them.
  return nl == std::string::npos && first.size() < 256 ? Greeting::MoreNeeded : Greeting::Ssh;
}

int ConnectTcp(const std::string& host, int port, std::chrono::seconds timeout, const CancelToken* cancel,
               Failure& error) {
  std::shared_ptr<Resolution> resolution;
  if (!Resolve(host, port, timeout, cancel, resolution, error)) return -1;
  const Clock::time_point deadline = Clock::now() + timeout;
  Fail(error, ErrorClass::Refused, "connect to " + host + ": no address");
  for (const addrinfo* a = resolution->result; a != nullptr; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      Fail(error, ErrorClass::Other, std::string("socket: ") + std::strerror(errno));
      continue;
    }
    int err = 0;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      err = errno;
      if (err == EINPROGRESS) {
        const int ready = WaitFor(fd, POLLOUT, deadline, cancel);
        socklen_t len = sizeof err;
        if (ready < 0) {
          ::close(fd);
          Fail(error, ErrorClass::Cancelled, "cancelled");
          return -1;
        }
        if (ready == 0) {
          err = ETIMEDOUT;
        } else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) {
          err = errno;
        }
      }
    }
    if (err == 0) {
      // Small requests (reads, window adjustments) must not wait for Nagle's
      // algorithm; with it, pipelined downloads stall 40 ms at a time.
      const int on = 1;
      (void)::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      return fd;
    }
    ::close(fd);
    Fail(error, ClassOfConnectError(err), "connect to " + host + ":" + std::to_string(port) + ": " +
                                              (err == ETIMEDOUT ? "no answer" : std::strerror(err)));
    if (err == ETIMEDOUT) break;  // the time is used up
  }
  return -1;
}

bool AwaitSshGreeting(int fd, std::chrono::seconds timeout, const CancelToken* cancel, Failure& error) {
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    const int ready = WaitFor(fd, POLLIN, deadline, cancel);
    if (ready < 0) return Fail(error, ErrorClass::Cancelled, "cancelled");
    if (ready == 0) return Fail(error, ErrorClass::Timeout, "the server sends no greeting");
    char bytes[256];
    const ssize_t n = ::recv(fd, bytes, sizeof bytes, MSG_PEEK);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (n < 0) return Fail(error, ErrorClass::ConnectionLost, std::string("greeting: ") + std::strerror(errno));
    if (n == 0) return Fail(error, ErrorClass::ConnectionLost, "the server closed the connection at once");
    const std::string first(bytes, static_cast<std::size_t>(n));
    switch (JudgeGreeting(first)) {
      case Greeting::Ssh: return true;
      case Greeting::NotSsh: {
        std::string shown;
        for (const char c : first.substr(0, first.find('\n')).substr(0, 60)) shown += c >= ' ' && c < 0x7F ? c : '?';
        return Fail(error, ErrorClass::WrongProtocol, "not an SSH server; it greets with \"" + shown + "\"");
      }
      case Greeting::MoreNeeded:
        // Peeking again at once would spin: give the rest time to come.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        break;
    }
  }
}

}  // namespace tarnholm::backend
