#include "Cancel.h"

#include <map>
#include <memory>

namespace tarnholm::backend {

CancelToken& CancelTokenFor(int64_t conn) {
  static std::mutex lock;
  static std::map<int64_t, std::unique_ptr<CancelToken>> tokens;
  std::lock_guard hold(lock);
  auto& token = tokens[conn];
  if (!token) token = std::make_unique<CancelToken>();
  return *token;
}

void RequestCancel(CancelToken& token, bool on) {
  token.requested.store(on, std::memory_order_release);
  if (!on) return;
  std::lock_guard hold(token.mutex);
  if (token.wake) token.wake();
}

WakeRegistration::WakeRegistration(CancelToken* token, std::function<void()> wake) : token_(token) {
  if (token_ == nullptr) return;
  std::lock_guard hold(token_->mutex);
  token_->wake = std::move(wake);
}

WakeRegistration::~WakeRegistration() {
  if (token_ == nullptr) return;
  std::lock_guard hold(token_->mutex);
  token_->wake = nullptr;
}

}  // namespace tarnholm::backend
