// Sends one local file to the server and receives it back through the FTP
// back end, loaded by its bare name as the program loads it, and prints the
// seconds each direction took, login and logout included as they are for a
// command-line tool that runs once per file:
//   bench_backend_transfer PROTOCOL PORT USER PASSWORD LOCAL REMOTE_NAME BACK
// REMOTE_NAME is created in the directory after login; BACK is the local
// path the file is received into.

#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 8) {
    std::fprintf(stderr, "usage: %s PROTOCOL PORT USER PASSWORD LOCAL REMOTE_NAME BACK\n", argv[0]);
    return 2;
  }
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
  // The test servers' self-made certificates and host keys: trusted here, as
  // a user would after answering the question once.
  auto setTrust = Lookup<decltype(&SetFTPTrustCallbackEx)>(lib, "SetFTPTrustCallbackEx");
  (void)setTrust(1, [](void*, const TarnholmTrustQuestion*) { return 1; }, nullptr);

  char16_t msg[1025] = {};
  const std::u16string user = Ascii(argv[3]), password = Ascii(argv[4]);
  auto login = [&] {
    return open(1, std::atoi(argv[1]), u"127.0.0.1", std::atoi(argv[2]), user.c_str(), password.c_str(), 2, msg) !=
           0;
  };
  auto start = std::chrono::steady_clock::now();
  char16_t dir[260] = {};
  if (!login() || getDir(1, dir, msg) == 0) {
    std::fprintf(stderr, "login failed\n");
    return 1;
  }
  const std::u16string remote = std::u16string(dir) + Ascii(argv[6]);
  if (send(1, Ascii(argv[5]).c_str(), remote.c_str(), msg) == 0) {
    std::fprintf(stderr, "upload failed\n");
    return 1;
  }
  (void)close(1, msg);
  const double up = Seconds(start);

  start = std::chrono::steady_clock::now();
  if (!login() || receive(1, remote.c_str(), Ascii(argv[7]).c_str(), msg) == 0) {
    std::fprintf(stderr, "download failed\n");
    return 1;
  }
  (void)close(1, msg);
  const double down = Seconds(start);
  std::printf("%.3f %.3f\n", up, down);
  return 0;
}
