#pragma once
// Downloads are written under a fresh name beside their target and renamed at
// the end. The name is created exclusively, so a file or link that someone
// else planted in a shared directory is never followed or overwritten.

#include <string>

namespace tarnholm::backend {

// Opens target + ".part-<random>" for writing; the descriptor, or -1 with errno set.
[[nodiscard]] int CreateTempBeside(const std::string& target, std::string& tempPath);

}  // namespace tarnholm::backend
