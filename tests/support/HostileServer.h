#pragma once
// tests/hostile/hostile_ftpd.py as a child process on a free port of its own.
// It ends when its stdin closes; with a log file it writes every command it
// gets there, one per line.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tarnholm::testing {

struct HostileServer {
  pid_t pid = -1;
  int input = -1;
  int port = 0;

  explicit HostileServer(const std::string& log = {}) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    pid = ::fork();
    if (pid == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::close(in[1]);
      ::close(out[0]);
      if (log.empty()) {
        ::execlp("python3", "python3", TARNHOLM_HOSTILE_SERVER, static_cast<char*>(nullptr));
      } else {
        ::execlp("python3", "python3", TARNHOLM_HOSTILE_SERVER, log.c_str(), static_cast<char*>(nullptr));
      }
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    input = in[1];
    std::string line;
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(out[0]);
    port = std::atoi(line.c_str());
  }
  HostileServer(const HostileServer&) = delete;
  HostileServer& operator=(const HostileServer&) = delete;

  // Closing stdin lets it finish its log; one that does not end is killed.
  ~HostileServer() {
    if (input >= 0) ::close(input);
    if (pid > 0) {
      for (int i = 0; i < 50 && ::waitpid(pid, nullptr, WNOHANG) == 0; ++i) ::usleep(100000);
      if (::kill(pid, 0) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
      }
    }
  }
};

}  // namespace tarnholm::testing
