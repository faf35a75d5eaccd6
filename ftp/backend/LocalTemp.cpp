#include "LocalTemp.h"

#include <cerrno>
#include <fcntl.h>
#include <random>

namespace tarnholm::backend {

int CreateTempBeside(const std::string& target, std::string& tempPath) {
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    tempPath = target + ".part-" + std::to_string(random() % 1000000000u);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace tarnholm::backend
