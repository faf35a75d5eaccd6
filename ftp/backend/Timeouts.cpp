#include "Timeouts.h"

#include <cstdlib>

namespace tarnholm::backend {

int StallSeconds() {
  constexpr int kDefault = 30;
  const char* text = std::getenv("TARNHOLM_STALL_SECONDS");
  if (text == nullptr) return kDefault;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return end != text && *end == 0 && value >= 1 && value <= 3600 ? static_cast<int>(value) : kDefault;
}

}  // namespace tarnholm::backend
