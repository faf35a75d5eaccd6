#include "app/QuitSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void OnQuitSignal(int) {
  const char byte = 1;
  // Only async-signal-safe work here; a full pipe already has a pending wake-up.
  [[maybe_unused]] ssize_t written = ::write(g_signalPipe[0], &byte, 1);
}

}  // namespace

void InstallQuitSignals(QObject* owner, std::function<void()> onSignal) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, owner);
  QObject::connect(notifier, &QSocketNotifier::activated, owner, [onSignal = std::move(onSignal)] {
    char byte = 0;
    [[maybe_unused]] ssize_t got = ::read(g_signalPipe[1], &byte, 1);
    onSignal();
  });
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}
