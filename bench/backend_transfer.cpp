// Sends one local file to the server and receives it back through the FTP
// back end, loaded by its bare name as the program loads it, and prints the
// seconds each direction took, login and logout included as they are for a
// command-line tool that runs once per file:
//   bench_backend_transfer MODE PROTOCOL PORT USER PASSWORD LOCAL REMOTE_NAME BACK
// MODE "file" uses SendFTPFileEx and ReceiveFTPFileEx; "stream" uses the
// stream functions with callbacks that read and write the same local files,
// as the program's transfer engine does. REMOTE_NAME is created in the
// directory after login; BACK is the local path the file is received into.

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ftp/backend/TarnholmFtp.h"

namespace {

std::u16string Ascii(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }

template <class Fn>
Fn Lookup(void* lib, const char* name) {
  auto fn = reinterpret_cast<Fn>(dlsym(lib, name));
  if (fn == nullptr) {
    std::fprintf(stderr, "missing export %s\n", name);
    std::exit(2);
  }
  return fn;
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The trivial callbacks: straight from and to a file descriptor.
int64_t ReadFd(void* user, char* buffer, int64_t capacity) {
  for (;;) {
    const ssize_t n = ::read(*static_cast<int*>(user), buffer, static_cast<size_t>(capacity));
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

int64_t WriteFd(void* user, const char* data, int64_t length) {
  int64_t left = length;
  while (left > 0) {
    const ssize_t n = ::write(*static_cast<int*>(user), data, static_cast<size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    data += n;
    left -= n;
  }
  return length;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 9 || (std::strcmp(argv[1], "file") != 0 && std::strcmp(argv[1], "stream") != 0)) {
    std::fprintf(stderr, "usage: %s file|stream PROTOCOL PORT USER PASSWORD LOCAL REMOTE_NAME BACK\n", argv[0]);
    return 2;
  }
  const bool stream = std::strcmp(argv[1], "stream") == 0;
  void* lib = dlopen("libtarnholm-ftp.so", RTLD_NOW);
  if (lib == nullptr) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 2;
  }
  auto open = Lookup<decltype(&OpenFTPEx)>(lib, "OpenFTPEx");
  auto close = Lookup<decltype(&CloseFTPEx)>(lib, "CloseFTPEx");
  auto getDir = Lookup<decltype(&GetFTPDirectoryEx)>(lib, "GetFTPDirectoryEx");
  auto send = Lookup<decltype(&SendFTPFileEx)>(lib, "SendFTPFileEx");
  auto receive = Lookup<decltype(&ReceiveFTPFileEx)>(lib, "ReceiveFTPFileEx");
  auto sendStream = Lookup<decltype(&SendFTPStreamEx)>(lib, "SendFTPStreamEx");
  auto receiveStream = Lookup<decltype(&ReceiveFTPStreamEx)>(lib, "ReceiveFTPStreamEx");
  // The test servers' self-made certificates and host keys: trusted here, as
  // a user would after answering the question once.
  auto setTrust = Lookup<decltype(&SetFTPTrustCallbackEx)>(lib, "SetFTPTrustCallbackEx");
  (void)setTrust(1, [](void*, const TarnholmTrustQuestion*) { return 1; }, nullptr);

  char16_t msg[1025] = {};
  const std::u16string user = Ascii(argv[4]), password = Ascii(argv[5]);
  const char* local = argv[6];
  const char* back = argv[8];
  auto login = [&] {
    return open(1, std::atoi(argv[2]), u"127.0.0.1", std::atoi(argv[3]), user.c_str(), password.c_str(), 2, msg) !=
           0;
  };
  auto start = std::chrono::steady_clock::now();
  char16_t dir[260] = {};
  if (!login() || getDir(1, dir, msg) == 0) {
    std::fprintf(stderr, "login failed\n");
    return 1;
  }
  const std::u16string remote = std::u16string(dir) + Ascii(argv[7]);
  bool sent = false;
  if (stream) {
    int fd = ::open(local, O_RDONLY | O_CLOEXEC);
    struct stat st {};
    sent = fd >= 0 && ::fstat(fd, &st) == 0 &&
           sendStream(1, &ReadFd, &fd, static_cast<int64_t>(st.st_size), remote.c_str(), 0, 0, msg) != 0;
    if (fd >= 0) ::close(fd);
  } else {
    sent = send(1, Ascii(local).c_str(), remote.c_str(), msg) != 0;
  }
  if (!sent) {
    std::fprintf(stderr, "upload failed\n");
    return 1;
  }
  (void)close(1, msg);
  const double up = Seconds(start);

  start = std::chrono::steady_clock::now();
  bool received = false;
  if (login()) {
    if (stream) {
      int fd = ::open(back, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
      received = fd >= 0 && receiveStream(1, remote.c_str(), 0, &WriteFd, &fd, msg) != 0;
      if (fd >= 0 && ::close(fd) != 0) received = false;
    } else {
      received = receive(1, remote.c_str(), Ascii(back).c_str(), msg) != 0;
    }
  }
  if (!received) {
    std::fprintf(stderr, "download failed\n");
    return 1;
  }
  (void)close(1, msg);
  const double down = Seconds(start);
  std::printf("%.3f %.3f\n", up, down);
  return 0;
}
