#include "app/QuitSignals.h"

#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "app/Router.h"

namespace {

int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_signalArrived = 0;

void OnQuitSignal(int) {
  g_signalArrived = 1;
  const char byte = 1;
  // Only async-signal-safe work here; a full socket already has a pending wake-up.
  [[maybe_unused]] ssize_t written = ::write(g_signalPipe[0], &byte, 1);
}

void LeaveOnQuitRequest(AppState& state) {
  state.quitRequested = true;
  RouteEvent(state, Event{EventKind::None, WindowId::Main, WidgetId::None, EventType::None, 0});
  // The key generator's own loop holds every event back until it has its
  // bytes; ask again until the loop has been left.
  if (!state.loopLeft && state.main.window != nullptr) {
    QTimer::singleShot(100, state.main.window, [&state] { LeaveOnQuitRequest(state); });
  }
}

}  // namespace

void InstallQuitSignals() {
  if (g_signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
    g_signalPipe[0] = g_signalPipe[1] = -1;
  }
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool QuitSignalArrived() { return g_signalArrived != 0; }

void WatchQuitSignals(QObject* owner, AppState& state) {
  if (g_signalPipe[1] < 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, owner);
  QObject::connect(notifier, &QSocketNotifier::activated, owner, [&state] {
    char bytes[16];
    while (::read(g_signalPipe[1], bytes, sizeof bytes) > 0) {
    }
    LeaveOnQuitRequest(state);
  });
}
