#pragma once
// How long the library waits for a server that does not answer.

namespace tarnholm::backend {

// Connecting (resolution, connect, greeting, each) may take this long.
inline constexpr int kConnectSeconds = 15;

// No answer (a reply, a block of a transfer) for this long ends the wait:
// 30 s, or TARNHOLM_STALL_SECONDS (1..3600) where tests shorten it.
[[nodiscard]] int StallSeconds();

}  // namespace tarnholm::backend
