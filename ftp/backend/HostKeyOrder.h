#pragma once
// The order in which the SSH key exchange offers host-key algorithms. A
// server with several host keys shows the one of the first algorithm both
// sides know; offering the types the caller already trusts first keeps a
// remembered key from looking replaced.

#include <string>

namespace tarnholm::backend {

// Comma-separated host-key algorithms for libssh: those of the blank-
// separated known-hosts key types in preferredKeyTypes first, then the rest
// of the usual ones, each part in the usual order. "ssh-rsa" stands for
// rsa-sha2-512, rsa-sha2-256 and ssh-rsa. Empty when no known type is named
// (the library's own order then applies).
[[nodiscard]] std::string HostKeyAlgorithms(const std::string& preferredKeyTypes);

}  // namespace tarnholm::backend
