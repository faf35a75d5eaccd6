#pragma once
// Cancel requests by connection number. CancelFTPEx runs on any thread while
// the call it stops may be blocked on the network in another; the token is
// the only state they share. A session registers a wake function that cuts
// its current wait short (a libcurl wake-up, a watchdog nudge); operations
// test the flag between steps.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace tarnholm::backend {

struct CancelToken {
  std::atomic<bool> requested{false};
  std::mutex mutex;             // guards wake
  std::function<void()> wake;   // set while a session can be woken
};

// The token of conn, created on first use and kept for the process's life,
// so a pointer to it never dangles.
[[nodiscard]] CancelToken& CancelTokenFor(int64_t conn);

// Sets or clears the request; setting it wakes the registered session.
void RequestCancel(CancelToken& token, bool on);

[[nodiscard]] inline bool CancelRequested(const CancelToken* token) {
  return token != nullptr && token->requested.load(std::memory_order_acquire);
}

// Registers wake on token for its own lifetime; the destructor waits for a
// wake call in progress, so the session may go right after it.
class WakeRegistration {
 public:
  WakeRegistration() = default;
  WakeRegistration(CancelToken* token, std::function<void()> wake);
  ~WakeRegistration();
  WakeRegistration(const WakeRegistration&) = delete;
  WakeRegistration& operator=(const WakeRegistration&) = delete;

 private:
  CancelToken* token_ = nullptr;
};

}  // namespace tarnholm::backend
