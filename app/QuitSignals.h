#pragma once
// SIGTERM, SIGINT and SIGHUP end the program through the same shutdown as the
// exit button, from the very start: a signal that arrives during start-up (a
// message box, a slow read of ftp.ini) ends it as soon as start-up can stop,
// storing only what is safe to store by then. The handler only marks the
// request and writes to a socket; the GUI thread does the rest.

#include "state/AppState.h"

class QObject;

// Installs the handlers. First thing in main, before anything that takes time.
void InstallQuitSignals();

// True once one of the signals has arrived.
[[nodiscard]] bool QuitSignalArrived();

// From now on (and for a signal that arrived before), each signal sets the
// quit request and leaves the event loop that runs, a message box's included,
// as soon as the GUI thread handles events. `owner` ends the watch.
void WatchQuitSignals(QObject* owner, AppState& state);
